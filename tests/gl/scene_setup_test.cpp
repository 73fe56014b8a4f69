// initScene reports each file it cannot use, loader by loader, in the order of the set-up.
#include "app/scene_setup.h"
#include "data/run_files.h"
#include "tests/support/gl_context.h"
#include "tests/support/message_recorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

TEST(SceneSetupTest, WithoutItsFilesTheLoadersReportInTurn)
{
    ensureGlContext();
    char folder[] = "/tmp/kx_scene_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    MessageRecorder recorder;
    initScene();
    rmdir(folder);

    std::vector<std::string> expected = {"Could not open texture file"};
    for (const char* file : normalMapFiles)
        expected.push_back(std::string("Failed to open DIB file ") + file + ".\n");
    for (const char* file : {floorTextureFile, wallTextureFile})
        expected.push_back(std::string("Failed to open DIB file ") + file + ".\n");
    expected.push_back("Cannot open shader file!");  // then the rest of the shader build's
    const std::vector<std::string> texts = recorder.texts();
    ASSERT_GT(texts.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + expected.size()), expected);
}

}  // namespace
