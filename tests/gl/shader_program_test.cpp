// The shader program on real Mesa: the shipped pair builds, and every failure is reported in order.
#include "render/shader_program.h"

#include "platform/gl_entry_points.h"
#include "tests/support/gl_context.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const openFailed = "Cannot open shader file!";
const char* const statFailed = "Cannot get file stats for shader file!";
const char* const notFound = "Variable name could not be found!";

PFNGLGETUNIFORMLOCATIONARBPROC systemUniformLocation;

const char* const minimalVertex = "#version 110\nvoid main() { gl_Position = ftransform(); }\n";
const char* const minimalFragment = "#version 110\nvoid main() { gl_FragColor = vec4(1.0); }\n";

std::string shipped(const char* name) { return std::string(KX_SOURCE_DIR "/shaders/") + name; }

GLint objectParameter(GLhandleARB object, GLenum name)
{
    GLint value = -1;
    shaderEntryPoints.glGetObjectParameterivARB(object, name, &value);
    return value;
}

std::vector<std::string> captions(const MessageRecorder& recorder)
{
    std::vector<std::string> result;
    for (const RecordedMessage& message : recorder.messages)
        result.push_back(message.caption);
    return result;
}

class ShaderProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        ensureGlContext();
        shaderEntryPoints = {};
        while (glGetError() != GL_NO_ERROR) {
        }
        char pattern[] = "/tmp/kx_shader_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }

    void TearDown() override
    {
        if (shaderEntryPoints.glUseProgramObjectARB)
            shaderEntryPoints.glUseProgramObjectARB(0);
        shaderEntryPoints = {};
        glProcLookup = systemGlProcLookup;
        glExtensionsQuery = systemGlExtensions;
        for (const std::string& path : written)
            unlink(path.c_str());
        rmdir(directory.c_str());
    }

    std::string write(const char* name, const std::string& bytes)
    {
        std::string path = directory + "/" + name;
        FILE* file = fopen(path.c_str(), "wb");
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
        written.push_back(path);
        return path;
    }

    std::string missing() const { return directory + "/missing.vert"; }

    // bind, unbind and both setters; with the table incomplete they must neither act nor talk.
    void expectInert(ShaderProgram& shader, const MessageRecorder& recorder)
    {
        size_t before = recorder.messages.size();
        GLfloat matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        shader.bind();
        EXPECT_FALSE(shader.setUniform1i("normalmap", 0));
        EXPECT_FALSE(shader.setUniformMatrix4fv("light_mvmatrix", 1, GL_FALSE, matrix));
        shader.unbind();
        EXPECT_EQ(recorder.messages.size(), before);
        EXPECT_EQ(shader.program, 0u);
        EXPECT_EQ(shader.vertexShader, 0u);
        EXPECT_EQ(shader.fragmentShader, 0u);
    }

    std::string directory;
    std::vector<std::string> written;
};

TEST_F(ShaderProgramTest, BuildsTheShippedPairAndFindsBothUniforms)
{
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(shipped("BumpMapping.vert").c_str(), shipped("BumpMapping.frag").c_str());
    EXPECT_EQ(recorder.texts(), std::vector<std::string>{});
    EXPECT_EQ(objectParameter(shader.vertexShader, GL_OBJECT_COMPILE_STATUS_ARB), 1);
    EXPECT_EQ(objectParameter(shader.fragmentShader, GL_OBJECT_COMPILE_STATUS_ARB), 1);
    EXPECT_EQ(objectParameter(shader.program, GL_OBJECT_LINK_STATUS_ARB), 1);

    GLfloat matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    shader.bind();
    EXPECT_TRUE(shader.setUniform1i("normalmap", 0));
    EXPECT_TRUE(shader.setUniformMatrix4fv("light_mvmatrix", 1, GL_FALSE, matrix));
    shader.unbind();
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ShaderProgramTest, MissingVertexFileIsReportedThenBuiltEmptyAndTheLinkFails)
{
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(missing().c_str(), shipped("BumpMapping.frag").c_str());

    std::vector<std::string> texts = recorder.texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], openFailed);
    EXPECT_EQ(texts[1], statFailed);
    EXPECT_EQ(recorder.messages[0].caption, "ERROR");
    EXPECT_EQ(recorder.messages[1].caption, "ERROR");
    // Whether the compiler objects to an empty text is its own affair; the link cannot pass.
    std::vector<std::string> all = captions(recorder);
    std::vector<std::string> rest(all.begin() + 2, all.end());
    if (rest.size() == 2) {
        EXPECT_EQ(rest[0], "Vertex Shader Compile Error");
    }
    EXPECT_EQ(rest.back(), "Linking Error");
    EXPECT_FALSE(recorder.messages.back().text.empty());
    for (const RecordedMessage& message : recorder.messages) {
        EXPECT_EQ(message.owner, MessageOwnerNone);
        EXPECT_EQ(message.icon, MessageIconWarning);
    }
    EXPECT_NE(shader.program, 0u);
}

TEST_F(ShaderProgramTest, ABrokenShaderIsReportedAndTheRestOfTheBuildStillRuns)
{
    std::string brokenVertex = write("broken.vert", "#version 110\nvoid main() { gl_Position = ; }\n");
    std::string brokenFragment = write("broken.frag", "#version 110\nvoid main() { oops(); }\n");
    std::string goodVertex = write("good.vert", minimalVertex);
    std::string goodFragment = write("good.frag", minimalFragment);
    {
        MessageRecorder recorder;
        ShaderProgram shader;
        shader.build(brokenVertex.c_str(), goodFragment.c_str());
        EXPECT_EQ(captions(recorder),
                  (std::vector<std::string>{"Vertex Shader Compile Error", "Linking Error"}));
        EXPECT_NE(recorder.messages[0].text.find("error"), std::string::npos);
        EXPECT_EQ(objectParameter(shader.fragmentShader, GL_OBJECT_COMPILE_STATUS_ARB), 1);
        EXPECT_EQ(objectParameter(shader.program, GL_OBJECT_ATTACHED_OBJECTS_ARB), 2);
    }
    {
        MessageRecorder recorder;
        ShaderProgram shader;
        shader.build(goodVertex.c_str(), brokenFragment.c_str());
        EXPECT_EQ(captions(recorder),
                  (std::vector<std::string>{"Fragment Shader Compile Error", "Linking Error"}));
        EXPECT_EQ(objectParameter(shader.vertexShader, GL_OBJECT_COMPILE_STATUS_ARB), 1);
    }
    {
        MessageRecorder recorder;
        ShaderProgram shader;
        shader.build(brokenVertex.c_str(), brokenFragment.c_str());
        EXPECT_EQ(captions(recorder),
                  (std::vector<std::string>{"Vertex Shader Compile Error",
                                            "Fragment Shader Compile Error", "Linking Error"}));
    }
}

int lookups = 0;
GLint countedLookup(GLhandleARB program, const GLcharARB* name)
{
    lookups++;
    return systemUniformLocation(program, name);
}

TEST_F(ShaderProgramTest, AfterAFailedLinkEachMissingNameIsReportedOnce)
{
    // Both halves compile; the declared but never defined function only fails at link time.
    std::string fragment = write("unresolved.frag",
                                 "#version 110\nuniform sampler2D normalmap;\nvec4 shade();\n"
                                 "void main() { gl_FragColor = shade() + texture2D(normalmap, "
                                 "vec2(0.0)); }\n");
    std::string vertex = write("good.vert", minimalVertex);
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(vertex.c_str(), fragment.c_str());
    ASSERT_EQ(captions(recorder), std::vector<std::string>{"Linking Error"});

    // Each name is shown the first time it misses, in the order the frame sets them, and
    // then misses silently though it is still looked up on every call.
    systemUniformLocation = shaderEntryPoints.glGetUniformLocationARB;
    shaderEntryPoints.glGetUniformLocationARB = countedLookup;
    lookups = 0;
    GLfloat matrix[16] = {};
    shader.bind();
    for (int frame = 0; frame < 2; frame++) {
        EXPECT_FALSE(shader.setUniform1i("normalmap", 0));
        EXPECT_EQ(recorder.messages.size(), frame == 0 ? 2u : 3u);
        EXPECT_FALSE(shader.setUniformMatrix4fv("light_mvmatrix", 1, GL_FALSE, matrix));
        EXPECT_EQ(recorder.messages.size(), 3u);
    }
    EXPECT_EQ(lookups, 4);
    // A name not missed before is news, also to the other setter.
    EXPECT_FALSE(shader.setUniform1i("other", 0));
    EXPECT_FALSE(shader.setUniformMatrix4fv("normalmap", 1, GL_FALSE, matrix));
    shader.unbind();
    ASSERT_EQ(recorder.messages.size(), 5u);
    for (size_t i = 1; i < recorder.messages.size(); i++) {
        EXPECT_EQ(recorder.messages[i].text, notFound);
        EXPECT_EQ(recorder.messages[i].caption, "ERROR");
    }
}

TEST_F(ShaderProgramTest, AProgramWithoutTheUniformReportsItAndSetsNothing)
{
    std::string vertex = write("good.vert", minimalVertex);
    std::string fragment = write("good.frag", minimalFragment);
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(vertex.c_str(), fragment.c_str());
    ASSERT_TRUE(recorder.messages.empty());
    shader.bind();
    EXPECT_FALSE(shader.setUniform1i("normalmap", 0));
    shader.unbind();
    EXPECT_EQ(recorder.texts(), std::vector<std::string>{notFound});
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

const char* withoutLanguage() { return "GL_ARB_shader_objects GL_ARB_vertex_shader"; }
const char* withoutObjects() { return "GL_ARB_shading_language_100 GL_ARB_vertex_shader"; }
const char* noExtensions() { return nullptr; }

std::vector<std::string> lookedUp;
GlProc recordingLookup(const char* name)
{
    lookedUp.push_back(name);
    return systemGlProcLookup(name);
}
GlProc lookupWithoutUniform1f(const char* name)
{
    lookedUp.push_back(name);
    return strcmp(name, "glUniform1fARB") == 0 ? nullptr : systemGlProcLookup(name);
}

TEST_F(ShaderProgramTest, MissingExtensionsStopTheBuildWithOneMessageAndLeaveItInert)
{
    struct Row {
        GlExtensionsQuery query;
        const char* message;
    };
    const Row rows[] = {
        {withoutLanguage, "GL_ARB_shading_language_100 extension was not found"},
        {withoutObjects, "GL_ARB_shader_objects extension was not found"},
        // A context that gives no extension string at all lacks both.
        {noExtensions, "GL_ARB_shading_language_100 extension was not found"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        glExtensionsQuery = row.query;
        glProcLookup = recordingLookup;
        lookedUp.clear();
        MessageRecorder recorder;
        ShaderProgram shader;
        shader.build(shipped("BumpMapping.vert").c_str(), shipped("BumpMapping.frag").c_str());
        EXPECT_EQ(recorder.texts(), std::vector<std::string>{row.message});
        EXPECT_EQ(recorder.messages[0].caption, "ERROR");
        EXPECT_EQ(recorder.messages[0].icon, MessageIconWarning);
        EXPECT_TRUE(lookedUp.empty());
        expectInert(shader, recorder);
    }
}

TEST_F(ShaderProgramTest, AMissingEntryPointStopsTheBuildAfterFetchingAllFourteen)
{
    glProcLookup = lookupWithoutUniform1f;
    lookedUp.clear();
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(shipped("BumpMapping.vert").c_str(), shipped("BumpMapping.frag").c_str());
    EXPECT_EQ(recorder.texts(),
              std::vector<std::string>{"One or more GL_ARB_shader_objects functions were not found"});
    EXPECT_EQ(recorder.messages[0].caption, "ERROR");
    const std::vector<std::string> tableOrder = {
        "glCreateProgramObjectARB", "glDeleteObjectARB",        "glUseProgramObjectARB",
        "glCreateShaderObjectARB",  "glShaderSourceARB",        "glCompileShaderARB",
        "glGetObjectParameterivARB", "glAttachObjectARB",       "glGetInfoLogARB",
        "glLinkProgramARB",         "glGetUniformLocationARB",  "glUniform1fARB",
        "glUniform1iARB",           "glUniformMatrix4fvARB"};
    EXPECT_EQ(lookedUp, tableOrder);
    expectInert(shader, recorder);
}

TEST_F(ShaderProgramTest, ARebuildWithAFailingLookupLeavesTheTableIncomplete)
{
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(shipped("BumpMapping.vert").c_str(), shipped("BumpMapping.frag").c_str());
    ASSERT_TRUE(recorder.messages.empty());
    GLhandleARB built = shader.program;

    glProcLookup = lookupWithoutUniform1f;
    shader.build(shipped("BumpMapping.vert").c_str(), shipped("BumpMapping.frag").c_str());
    EXPECT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(shader.program, built);
    EXPECT_FALSE(shader.setUniform1i("normalmap", 0));
    EXPECT_EQ(recorder.messages.size(), 1u);
}

TEST_F(ShaderProgramTest, ReadsSourcesWholeWithLineEndsAsLf)
{
    MessageRecorder recorder;
    std::string lfOnly = std::string(5000, 'x') + "\nline two\n";
    std::string lf = write("lf.vert", lfOnly);
    char* text = readShaderSource(lf.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), lfOnly);
    free(text);

    std::string crlf = write("crlf.vert", "line one\r\nline two\r\n");
    text = readShaderSource(crlf.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "line one\nline two\n");
    free(text);

    // A CR that does not end a line is text, as in any text-mode read.
    std::string loneCr = write("lonecr.vert", "a\rb\r\n\r");
    text = readShaderSource(loneCr.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "a\rb\n\r");
    free(text);

    std::string empty = write("empty.vert", "");
    text = readShaderSource(empty.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    free(text);
    EXPECT_TRUE(recorder.messages.empty());

    EXPECT_EQ(readShaderSource(missing().c_str()), nullptr);
    alarm(10);  // an open that waited for the FIFO's writer would hang; this ends the test instead
    EXPECT_EQ(readShaderSource(makeTempFifo("fifo.vert").c_str()), nullptr);
    alarm(0);
    EXPECT_EQ(recorder.texts(), (std::vector<std::string>{openFailed, statFailed, openFailed}));
}

TEST_F(ShaderProgramTest, CrLfSourcesCompileAndLink)
{
    std::string vertex;
    for (const char* c = minimalVertex; *c; c++)
        vertex += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    std::string vertexPath = write("crlf.vert", vertex);
    std::string fragmentPath = write("good.frag", minimalFragment);
    MessageRecorder recorder;
    ShaderProgram shader;
    shader.build(vertexPath.c_str(), fragmentPath.c_str());
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(objectParameter(shader.program, GL_OBJECT_LINK_STATUS_ARB), 1);
}

}  // namespace
