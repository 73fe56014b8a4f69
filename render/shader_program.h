// One GLSL program from a vertex and a fragment shader file, through the entry points of
// GL_ARB_shader_objects. Failures are shown to the user and the program carries on: without
// the extensions or their entry points, bind, unbind and the setters do nothing.
// GL objects are never deleted; they live as long as the process.
#pragma once
#include <GL/gl.h>
#include <GL/glext.h>

// The fourteen entry points, one X(type, name) each, in the order they are fetched by name.
// The table below, the fetch and the completeness check are all made from this list.
#define SHADER_ENTRY_POINTS(X)                                     \
    X(PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB)   \
    X(PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB)                 \
    X(PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB)         \
    X(PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB)     \
    X(PFNGLSHADERSOURCEARBPROC, glShaderSourceARB)                 \
    X(PFNGLCOMPILESHADERARBPROC, glCompileShaderARB)               \
    X(PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB) \
    X(PFNGLATTACHOBJECTARBPROC, glAttachObjectARB)                 \
    X(PFNGLGETINFOLOGARBPROC, glGetInfoLogARB)                     \
    X(PFNGLLINKPROGRAMARBPROC, glLinkProgramARB)                   \
    X(PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB)     \
    X(PFNGLUNIFORM1FARBPROC, glUniform1fARB)                       \
    X(PFNGLUNIFORM1IARBPROC, glUniform1iARB)                       \
    X(PFNGLUNIFORMMATRIX4FVARBPROC, glUniformMatrix4fvARB)

// The process-wide table of the entry points, filled by ShaderProgram::build.
struct ShaderEntryPoints {
#define SHADER_ENTRY_POINT_SLOT(type, name) type name;
    SHADER_ENTRY_POINTS(SHADER_ENTRY_POINT_SLOT)
#undef SHADER_ENTRY_POINT_SLOT
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
