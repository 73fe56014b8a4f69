#include "docs/figures/shader_variants.h"

#include "app/scene_setup.h"
#include "platform/gl_entry_points.h"
#include "tools/image_files/file_bytes.h"

#include <vector>

std::string compiledSource(GLhandleARB shader)
{
    auto getSource = reinterpret_cast<PFNGLGETSHADERSOURCEARBPROC>(
        lookupGlProc("glGetShaderSourceARB"));
    GLint length = 0;
    if (!getSource || !shaderEntryPoints.glGetObjectParameterivARB)
        return std::string();
    shaderEntryPoints.glGetObjectParameterivARB(shader, GL_OBJECT_SHADER_SOURCE_LENGTH_ARB,
                                                &length);
    if (length <= 1)
        return std::string();
    std::vector<GLcharARB> text(length);
    getSource(shader, length, nullptr, text.data());
    return std::string(text.data());
}

std::string replaceStatement(const std::string& source, const std::string& start,
                             const std::string& replacement)
{
    size_t begin = source.find(start);
    if (begin == std::string::npos)
        return std::string();
    size_t end = source.find(';', begin);
    if (end == std::string::npos)
        return std::string();
    return source.substr(0, begin) + replacement + source.substr(end + 1);
}

ShaderProgram buildVariant(const std::string& fragmentSource, const std::string& folder,
                           const std::string& name)
{
    const std::string vertexPath = folder + "/" + name + ".vert";
    const std::string fragmentPath = folder + "/" + name + ".frag";
    // A file that could not be written is read as missing, and the build reports that.
    const std::string vertexSource = compiledSource(bumpShader.vertexShader);
    std::string ignored;
    writeFileBytes(vertexPath.c_str(), {vertexSource.begin(), vertexSource.end()}, &ignored);
    writeFileBytes(fragmentPath.c_str(), {fragmentSource.begin(), fragmentSource.end()}, &ignored);
    ShaderProgram variant;
    variant.build(vertexPath.c_str(), fragmentPath.c_str());
    return variant;
}
