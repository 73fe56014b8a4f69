// One GLSL program from a vertex and a fragment shader file, through the entry points of
// GL_ARB_shader_objects. Failures are shown to the user and the program carries on: without
// the extensions or their entry points, bind, unbind and the setters do nothing.
// GL objects are never deleted; they live as long as the process.
#pragma once
#include <GL/gl.h>
#include <GL/glext.h>

// The process-wide table of the fourteen entry points, filled by ShaderProgram::build.
struct ShaderEntryPoints {
    PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB;
    PFNGLDELETEOBJECTARBPROC glDeleteObjectARB;
    PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB;
    PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB;
    PFNGLSHADERSOURCEARBPROC glShaderSourceARB;
    PFNGLCOMPILESHADERARBPROC glCompileShaderARB;
    PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB;
    PFNGLATTACHOBJECTARBPROC glAttachObjectARB;
    PFNGLGETINFOLOGARBPROC glGetInfoLogARB;
    PFNGLLINKPROGRAMARBPROC glLinkProgramARB;
    PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB;
    PFNGLUNIFORM1FARBPROC glUniform1fARB;
    PFNGLUNIFORM1IARBPROC glUniform1iARB;
    PFNGLUNIFORMMATRIX4FVARBPROC glUniformMatrix4fvARB;
};

extern ShaderEntryPoints shaderEntryPoints;

// The whole file as a malloc'd, NUL-terminated text read in text mode, or nullptr.
char* readShaderSource(const char* path);

// The uniform names one setter has reported missing. A name missing in every frame is shown
// once, not in a box per frame that would leave the scene unusable. It starts holding none.
struct MissedUniforms {
    static const int capacity = 4;
    static const int nameSize = 32;
    char names[capacity][nameSize] = {};
    int count = 0;
};

class ShaderProgram {
public:
    GLhandleARB program = 0;
    GLhandleARB vertexShader = 0;
    GLhandleARB fragmentShader = 0;
    MissedUniforms missed1i;
    MissedUniforms missedMatrix4fv;

    void build(const char* vertexShaderPath, const char* fragmentShaderPath);
    void bind();
    void unbind();
    bool setUniform1i(const char* name, GLint value);
    bool setUniformMatrix4fv(const char* name, GLint count, GLboolean transpose,
                             const GLfloat* values);
};
