#include "render/shader_program.h"

#include "platform/file_status.h"
#include "platform/gl_entry_points.h"
#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

ShaderEntryPoints shaderEntryPoints;

namespace {

const int infoLogSize = 4096;

void warn(const char* text, const char* caption)
{
    showMessage(text, caption, MessageOwnerNone, MessageIconWarning);
}

template <typename Proc>
void fetch(Proc& slot, const char* name)
{
    slot = reinterpret_cast<Proc>(lookupGlProc(name));
}

// Every slot is refilled, even after an earlier build, so a lookup that fails now leaves a hole.
void fetchEntryPoints()
{
    ShaderEntryPoints& gl = shaderEntryPoints;
#define FETCH_ENTRY_POINT(type, name) fetch(gl.name, #name);
    SHADER_ENTRY_POINTS(FETCH_ENTRY_POINT)
#undef FETCH_ENTRY_POINT
}

bool entryPointsComplete()
{
    const ShaderEntryPoints& gl = shaderEntryPoints;
#define AND_ENTRY_POINT_FOUND(type, name) && gl.name
    return true SHADER_ENTRY_POINTS(AND_ENTRY_POINT_FOUND);
#undef AND_ENTRY_POINT_FOUND
}

bool hasExtension(const char* extensions, const char* name)
{
    // A plain substring search, as the extension string has always been read here.
    return extensions && strstr(extensions, name);
}

// A failed compile is reported and the build goes on: the link then reports it once more.
GLhandleARB compileShader(GLenum type, const char* path, const char* caption, char* infoLog)
{
    const ShaderEntryPoints& gl = shaderEntryPoints;
    GLhandleARB shader = gl.glCreateShaderObjectARB(type);
    char* source = readShaderSource(path);
    const GLcharARB* text = source ? source : "";
    gl.glShaderSourceARB(shader, 1, &text, nullptr);
    gl.glCompileShaderARB(shader);
    free(source);

    GLint compiled = 0;
    gl.glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    if (!compiled) {
        gl.glGetInfoLogARB(shader, infoLogSize, nullptr, infoLog);
        warn(infoLog, caption);
    }
    return shader;
}

// What text mode does where it has line ends of two bytes: each CR LF pair becomes LF.
// Returns the shorter count; a CR on its own stays.
size_t joinLineEnds(char* text, size_t count)
{
    size_t kept = 0;
    for (size_t i = 0; i < count; i++) {
        if (text[i] == '\r' && i + 1 < count && text[i + 1] == '\n')
            continue;
        text[kept++] = text[i];
    }
    return kept;
}

// True the first time name misses, when it is kept. A name too long to keep, or one beyond
// the record's room, counts as new on every miss: it is shown again rather than never.
bool firstMiss(MissedUniforms& missed, const char* name)
{
    for (int i = 0; i < missed.count; i++)
        if (strcmp(missed.names[i], name) == 0)
            return false;
    if (missed.count < MissedUniforms::capacity && strlen(name) < MissedUniforms::nameSize)
        strcpy(missed.names[missed.count++], name);
    return true;
}

// Looked up by name on every call; only the message is kept back after the first miss.
GLint uniformLocation(GLhandleARB program, const char* name, MissedUniforms& missed)
{
    GLint location = shaderEntryPoints.glGetUniformLocationARB(program, name);
    if (location == -1 && firstMiss(missed, name))
        warn("Variable name could not be found!", "ERROR");
    return location;
}

}  // namespace

char* readShaderSource(const char* path)
{
    // Text mode, so that CR LF line ends arrive as LF; where the C library does not translate
    // them (POSIX), the pairs are joined after reading. Anything but a regular file counts as
    // a file that cannot be opened; only a path without any status gets the second message.
    size_t size = 0;
    FILE* file = openRegularFile(path, "r", &size);
    if (!file) {
        warn("Cannot open shader file!", "ERROR");
        if (!hasFileStatus(path))
            warn("Cannot get file stats for shader file!", "ERROR");
        return nullptr;
    }

    char* text = static_cast<char*>(malloc(size + 1));
    if (text) {
        // Fewer bytes than the size remain when CR LF pairs shrank to LF.
        size_t count = joinLineEnds(text, fread(text, 1, size, file));
        text[count] = '\0';
    }
    fclose(file);
    return text;
}

void ShaderProgram::build(const char* vertexShaderPath, const char* fragmentShaderPath)
{
    const char* extensions = glExtensionString();
    if (!hasExtension(extensions, "GL_ARB_shading_language_100")) {
        warn("GL_ARB_shading_language_100 extension was not found", "ERROR");
        return;
    }
    if (!hasExtension(extensions, "GL_ARB_shader_objects")) {
        warn("GL_ARB_shader_objects extension was not found", "ERROR");
        return;
    }

    fetchEntryPoints();
    if (!entryPointsComplete()) {
        warn("One or more GL_ARB_shader_objects functions were not found", "ERROR");
        return;
    }

    char infoLog[infoLogSize];
    vertexShader = compileShader(GL_VERTEX_SHADER_ARB, vertexShaderPath,
                                 "Vertex Shader Compile Error", infoLog);
    fragmentShader = compileShader(GL_FRAGMENT_SHADER_ARB, fragmentShaderPath,
                                   "Fragment Shader Compile Error", infoLog);

    const ShaderEntryPoints& gl = shaderEntryPoints;
    program = gl.glCreateProgramObjectARB();
    gl.glAttachObjectARB(program, vertexShader);
    gl.glAttachObjectARB(program, fragmentShader);
    gl.glLinkProgramARB(program);

    GLint linked = 0;
    gl.glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked) {
        gl.glGetInfoLogARB(program, infoLogSize, nullptr, infoLog);
        warn(infoLog, "Linking Error");
    }
}

void ShaderProgram::bind()
{
    if (entryPointsComplete())
        shaderEntryPoints.glUseProgramObjectARB(program);
}

void ShaderProgram::unbind()
{
    if (entryPointsComplete())
        shaderEntryPoints.glUseProgramObjectARB(0);
}

bool ShaderProgram::setUniform1i(const char* name, GLint value)
{
    if (!entryPointsComplete())
        return false;
    GLint location = uniformLocation(program, name, missed1i);
    if (location == -1)
        return false;
    shaderEntryPoints.glUniform1iARB(location, value);
    return true;
}

bool ShaderProgram::setUniformMatrix4fv(const char* name, GLint count, GLboolean transpose,
                                        const GLfloat* values)
{
    if (!entryPointsComplete())
        return false;
    GLint location = uniformLocation(program, name, missedMatrix4fv);
    if (location == -1)
        return false;
    shaderEntryPoints.glUniformMatrix4fvARB(location, count, transpose, values);
    return true;
}
