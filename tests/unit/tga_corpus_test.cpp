// The TGA reader decodes real true-colour files to their PNG twins and refuses the rest, once each.
#include "image/tga_image.h"

#include "tests/support/message_recorder.h"
#include "tests/support/png_reference.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path corpus = fs::path(KX_CORPUS_DIR) / "tga";

// File, relative to the corpus folder, and its reference picture.
const std::map<std::string, std::string> accepted = {
    {"common/200x32_rgb_bl_raw.tga", "common/200x32_rgb.png"},
    {"common/200x32_rgb_bl_rle.tga", "common/200x32_rgb.png"},
    {"common/200x32_rgba_bl_raw.tga", "common/200x32_rgba.png"},
    {"common/200x32_rgba_bl_rle.tga", "common/200x32_rgba.png"},
};

// The one file whose header pattern passes but whose depth does not; every other file of the
// folder carries an image ID, a colour map, an origin or a type the reader does not take.
const std::string sixteenBitFile = "misc/rgba16.tga";

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(corpus))
        if (entry.is_regular_file() && entry.path().extension() == ".tga")
            files.push_back(entry.path().lexically_relative(corpus).generic_string());
    return files;
}

class TgaCorpusTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::is_directory(corpus))
            GTEST_SKIP() << "TGA corpus not found at " << corpus << "; nothing to compare";
    }
};

TEST_F(TgaCorpusTest, TrueColourFilesDecodeToTheirTwins)
{
    for (const auto& [file, twin] : accepted) {
        SCOPED_TRACE(file);
        MessageRecorder recorder;
        TgaReader reader;
        TgaImage image;
        reader.load(&image, (corpus / file).c_str());
        ASSERT_TRUE(recorder.messages.empty()) << recorder.messages[0].text;
        ASSERT_NE(image.pixels, nullptr);

        const int channels = image.bitsPerPixel == 32 ? 4 : 3;
        EXPECT_EQ(image.pixelFormat, GLenum(channels == 4 ? GL_RGBA : GL_RGB));
        ReferenceImage reference = loadPngReference((corpus / twin).string(), channels);
        ASSERT_GT(reference.width, 0) << "cannot decode " << twin;
        flipVertically(reference);
        EXPECT_EQ(image.width, uint32_t(reference.width));
        EXPECT_EQ(image.height, uint32_t(reference.height));
        if (image.width == uint32_t(reference.width) &&
            image.height == uint32_t(reference.height)) {
            EXPECT_TRUE(std::equal(reference.pixels.begin(), reference.pixels.end(), image.pixels))
                << "pixels differ from the flipped twin";
        }
        free(image.pixels);
    }
}

TEST_F(TgaCorpusTest, EveryOtherFileIsRefusedWithOneMessage)
{
    int refused = 0;
    for (const std::string& file : corpusFiles()) {
        if (accepted.count(file))
            continue;
        SCOPED_TRACE(file);
        MessageRecorder recorder;
        TgaReader reader;
        TgaImage image;
        reader.load(&image, (corpus / file).c_str());
        EXPECT_EQ(image.pixels, nullptr);
        ASSERT_EQ(recorder.messages.size(), 1u);
        if (file == sixteenBitFile) {
            EXPECT_EQ(recorder.messages[0].text, "Invalid texture information");
            EXPECT_EQ(recorder.messages[0].caption, "ERROR");
        } else {
            EXPECT_EQ(recorder.messages[0].text, "TGA file be type 2 or type 10 ");
            EXPECT_EQ(recorder.messages[0].caption, "Invalid Image");
        }
        ++refused;
    }
    // A folder that went missing in part proves nothing; new files need a verdict first.
    EXPECT_EQ(refused, 28);
}

}  // namespace
