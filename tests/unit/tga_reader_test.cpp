// The TGA reader decodes plain and run-length true-colour files and says what is wrong in others.
#include "image/tga_image.h"

#include "tests/support/message_recorder.h"
#include "tests/support/temp_file.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

const unsigned char uncompressed = 2;
const unsigned char compressed = 10;

// The 18 bytes of a file with no image ID, no colour map and origin (0, 0).
Bytes tgaHeader(unsigned char type, unsigned width, unsigned height, unsigned char depth,
                unsigned char descriptor = 0)
{
    Bytes bytes(18, 0);
    bytes[2] = type;
    bytes[12] = width & 0xFF;
    bytes[13] = width >> 8;
    bytes[14] = height & 0xFF;
    bytes[15] = height >> 8;
    bytes[16] = depth;
    bytes[17] = descriptor;
    return bytes;
}

Bytes operator+(Bytes head, const Bytes& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes repeated(const Bytes& pixel, int count)
{
    Bytes bytes;
    for (int i = 0; i < count; ++i)
        bytes = bytes + pixel;
    return bytes;
}

// Stored blue, green, red (, alpha) as the file has them; delivered red first.
Bytes delivered(const Bytes& stored, size_t bytesPerPixel)
{
    Bytes bytes = stored;
    for (size_t offset = 0; offset + bytesPerPixel <= bytes.size(); offset += bytesPerPixel)
        std::swap(bytes[offset], bytes[offset + 2]);
    return bytes;
}

// Stands in the record's fields so that a test sees which ones the reader wrote.
unsigned char untouchedPixels;
const uint32_t untouchedNumber = 77;
const GLuint untouchedTextureName = 99;
const GLenum untouchedPixelFormat = 0x1234;

class TgaReaderTest : public testing::Test {
protected:
    void TearDown() override
    {
        freePixels();
        std::filesystem::remove(path);
    }

    // Writes the bytes to a file and loads it into a freshly marked record.
    void load(const Bytes& bytes)
    {
        freePixels();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        reader = TgaReader();
        image = {&untouchedPixels, untouchedNumber, untouchedNumber, untouchedNumber,
                 untouchedTextureName, untouchedPixelFormat};
        recorder.messages.clear();
        reader.load(&image, path.c_str());
    }

    void expectOnlyMessage(const char* text, const char* caption = "ERROR")
    {
        std::string all;
        for (const std::string& shown : recorder.texts())
            all += "[" + shown + "] ";
        ASSERT_EQ(recorder.messages.size(), 1u) << all;
        EXPECT_EQ(recorder.messages[0].text, text);
        EXPECT_EQ(recorder.messages[0].caption, caption);
        EXPECT_EQ(recorder.messages[0].owner, MessageOwnerNone);
        EXPECT_EQ(recorder.messages[0].icon, MessageIconNone);
    }

    void expectUntouched()
    {
        EXPECT_EQ(image.pixels, &untouchedPixels);
        EXPECT_EQ(image.bitsPerPixel, untouchedNumber);
        EXPECT_EQ(image.width, untouchedNumber);
        EXPECT_EQ(image.height, untouchedNumber);
        EXPECT_EQ(image.textureName, untouchedTextureName);
        EXPECT_EQ(image.pixelFormat, untouchedPixelFormat);
    }

    // What a failure after the image header leaves: its values, no pixels.
    void expectHeaderOnly(uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                          GLenum pixelFormat)
    {
        EXPECT_EQ(image.pixels, nullptr);
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(image.bitsPerPixel, bitsPerPixel);
        EXPECT_EQ(image.pixelFormat, pixelFormat);
        EXPECT_EQ(image.textureName, untouchedTextureName);
    }

    Bytes pixels() const
    {
        if (!image.pixels || image.pixels == &untouchedPixels)
            return {};
        return Bytes(image.pixels, image.pixels + size_t(image.width) * image.height *
                                                      (image.bitsPerPixel / 8));
    }

    TgaReader reader;
    TgaImage image;
    MessageRecorder recorder;
    std::string path = (std::filesystem::temp_directory_path() /
                        ("kx_tga_" + std::to_string(getpid()) + "_" +
                         testing::UnitTest::GetInstance()->current_test_info()->name() + ".tga"))
                           .string();

private:
    void freePixels()
    {
        if (image.pixels != &untouchedPixels)
            free(image.pixels);
        image.pixels = nullptr;
    }
};

TEST_F(TgaReaderTest, UncompressedPixelsTurnRedFirstInFileRowOrder)
{
    const Bytes footer = {0, 0, 0, 0, 0, 0, 0, 0, 'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O', 'N',
                          '-', 'X', 'F', 'I', 'L', 'E', '.', 0};
    load(tgaHeader(uncompressed, 2, 2, 32) +
         Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16} + footer);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(pixels(), (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16}));
    EXPECT_EQ(image.pixelFormat, GLenum(GL_RGBA));
    EXPECT_EQ(image.bitsPerPixel, 32u);
    EXPECT_EQ(image.textureName, untouchedTextureName);
    EXPECT_EQ(reader.bytesPerPixel, 4u);
    EXPECT_EQ(reader.imageSize, 16u);

    // Three pixels of three bytes: rows of 9 bytes follow each other without padding.
    const Bytes stored = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    load(tgaHeader(uncompressed, 3, 2, 24) + stored);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(pixels(), delivered(stored, 3));
    EXPECT_EQ(image.pixelFormat, GLenum(GL_RGB));
    EXPECT_EQ(image.bitsPerPixel, 24u);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(reader.imageSize, 18u);
}

TEST_F(TgaReaderTest, RunLengthFileGivesWhatTheUncompressedOneGives)
{
    for (unsigned char depth : {24, 32}) {
        SCOPED_TRACE(int(depth));
        const size_t size = depth / 8;
        // 5 x 3 pixels; pixels 7 to 9 are equal so that a run can carry them.
        Bytes stored;
        for (int i = 0; i < 15; ++i)
            for (size_t channel = 0; channel < size; ++channel)
                stored.push_back(i >= 7 && i <= 9 ? 200 + channel : i * 10 + channel);
        auto pixel = [&](int i) { return Bytes(stored.begin() + i * size, stored.begin() + (i + 1) * size); };

        load(tgaHeader(uncompressed, 5, 3, depth) + stored);
        const Bytes expected = pixels();
        const GLenum expectedFormat = image.pixelFormat;
        EXPECT_EQ(expected, delivered(stored, size));

        // The first packet runs across the end of the first row.
        Bytes packets = {0x06};
        for (int i = 0; i < 7; ++i)
            packets = packets + pixel(i);
        packets = packets + Bytes{0x82} + pixel(7) + Bytes{0x04};
        for (int i = 10; i < 15; ++i)
            packets = packets + pixel(i);
        load(tgaHeader(compressed, 5, 3, depth) + packets);
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(pixels(), expected);
        EXPECT_EQ(image.pixelFormat, expectedFormat);
        EXPECT_EQ(image.bitsPerPixel, depth);
        EXPECT_EQ(reader.imageSize, 15 * size);
    }
}

TEST_F(TgaReaderTest, PacketHeadersAtTheEndsOfTheirRanges)
{
    const Bytes runPixel = {1, 2, 3, 4};
    Bytes rawPixels;
    for (int i = 0; i < 128; ++i)
        rawPixels = rawPixels + Bytes{static_cast<unsigned char>(i), 7, 8, 9};
    const Bytes single = {10, 20, 30, 40};
    const Bytes last = {50, 60, 70, 80};

    // 0xFF repeats 128 times, 0x7F carries 128 pixels, 0x80 repeats once, 0x00 carries one.
    load(tgaHeader(compressed, 258, 1, 32) + Bytes{0xFF} + runPixel + Bytes{0x7F} + rawPixels +
         Bytes{0x80} + single + Bytes{0x00} + last);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(pixels(), delivered(repeated(runPixel, 128) + rawPixels + single + last, 4));
}

TEST_F(TgaReaderTest, PacketThatEndsAtThePixelTotalCompletesTheImage)
{
    const Bytes pixel = {1, 2, 3, 4};
    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x83} + pixel);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(pixels(), delivered(repeated(pixel, 4), 4));

    // Whatever follows the last packet is not read.
    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x83} + pixel + Bytes{0x84, 9});
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(pixels(), delivered(repeated(pixel, 4), 4));
}

// The sanitizer build turns any write past the 16-byte block into a failure of these cases.
TEST_F(TgaReaderTest, PacketsThatOverrunTheImageAreRefused)
{
    const Bytes pixel = {1, 2, 3, 4};
    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x84} + pixel);
    expectOnlyMessage("Too many pixels read");
    expectHeaderOnly(4, 1, 32, GL_RGBA);

    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x04} + repeated(pixel, 5));
    expectOnlyMessage("Too many pixels read");
    expectHeaderOnly(4, 1, 32, GL_RGBA);

    load(tgaHeader(compressed, 3, 1, 24) + Bytes{0x81, 1, 2, 3, 0x81, 4, 5, 6});
    expectOnlyMessage("Too many pixels read");
    expectHeaderOnly(3, 1, 24, GL_RGB);

    // A raw pixel is read before it is counted, so a missing fifth pixel is a short read.
    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x04} + repeated(pixel, 4));
    expectOnlyMessage("Could not read image data");
    expectHeaderOnly(4, 1, 32, GL_RGBA);
}

TEST_F(TgaReaderTest, TruncatedRunLengthDataSaysWhatWasMissing)
{
    load(tgaHeader(compressed, 4, 1, 24) + Bytes{0x81, 1, 2, 3});
    expectOnlyMessage("Could not read RLE header");
    expectHeaderOnly(4, 1, 24, GL_RGB);

    load(tgaHeader(compressed, 4, 1, 24));
    expectOnlyMessage("Could not read RLE header");
    expectHeaderOnly(4, 1, 24, GL_RGB);

    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x01, 1, 2, 3, 4, 5, 6});
    expectOnlyMessage("Could not read image data");
    expectHeaderOnly(4, 1, 32, GL_RGBA);

    load(tgaHeader(compressed, 4, 1, 32) + Bytes{0x83, 1, 2});
    expectOnlyMessage("Could not read from file");
    expectHeaderOnly(4, 1, 32, GL_RGBA);
}

TEST_F(TgaReaderTest, ShortUncompressedDataKeepsTheHeaderButNoPixels)
{
    load(tgaHeader(uncompressed, 2, 2, 24) + Bytes(11, 5));
    expectOnlyMessage("Could not read image data");
    expectHeaderOnly(2, 2, 24, GL_RGB);
}

TEST_F(TgaReaderTest, FailuresBeforeTheImageHeaderLeaveTheRecordUntouched)
{
    reader = TgaReader();
    image = {&untouchedPixels, untouchedNumber, untouchedNumber, untouchedNumber,
             untouchedTextureName, untouchedPixelFormat};
    reader.load(&image, (path + ".missing").c_str());
    expectOnlyMessage("Could not open texture file");
    expectUntouched();
    recorder.messages.clear();
    alarm(10);  // an open that waited for the FIFO's writer would hang; this ends the test instead
    reader.load(&image, makeTempFifo("fifo.tga").c_str());
    alarm(0);
    expectOnlyMessage("Could not open texture file");
    expectUntouched();

    load({});
    expectOnlyMessage("Could not read file header");
    expectUntouched();

    const Bytes header = tgaHeader(uncompressed, 2, 2, 24);
    load(Bytes(header.begin(), header.begin() + 11));
    expectOnlyMessage("Could not read file header");
    expectUntouched();

    for (unsigned char type : {uncompressed, compressed}) {
        const Bytes header = tgaHeader(type, 2, 2, 24);
        load(Bytes(header.begin(), header.begin() + 17));
        expectOnlyMessage("Could not read info header");
        expectUntouched();
    }
}

TEST_F(TgaReaderTest, OnlyThePlainTrueColourPatternsAreAccepted)
{
    const Bytes data = Bytes{0x00, 1, 2, 3} + Bytes(16, 0);
    // Image ID length, colour-map type, colour-map layout, x and y origin: each byte
    // of the first twelve other than the type must be 0.
    for (size_t offset : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
        for (unsigned char type : {uncompressed, compressed}) {
            SCOPED_TRACE("offset " + std::to_string(offset) + " type " + std::to_string(type));
            Bytes header = tgaHeader(type, 1, 1, 24);
            header[offset] = offset == 10 ? 32 : 1;
            load(header + data);
            expectOnlyMessage("TGA file be type 2 or type 10 ", "Invalid Image");
            expectUntouched();
        }
    }
    // No image data, colour-mapped, grey-scale and their run-length forms, and the high bit
    // that some writers set for a different packing.
    for (unsigned char type : {0, 1, 3, 9, 11, 32, 33, 0x82, 0x8A}) {
        SCOPED_TRACE("type " + std::to_string(type));
        load(tgaHeader(type, 1, 1, 24) + data);
        expectOnlyMessage("TGA file be type 2 or type 10 ", "Invalid Image");
        expectUntouched();
    }
}

TEST_F(TgaReaderTest, DescriptorByteIsNotConsulted)
{
    const Bytes stored = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (unsigned char descriptor : {0x08, 0x20, 0x10, 0xFF}) {
        SCOPED_TRACE(int(descriptor));
        // A top-to-bottom file keeps its rows top-to-bottom.
        load(tgaHeader(uncompressed, 2, 2, 24, descriptor) + stored);
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(pixels(), delivered(stored, 3));

        load(tgaHeader(compressed, 2, 2, 24, descriptor) + Bytes{0x03} + stored);
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(pixels(), delivered(stored, 3));
    }
}

TEST_F(TgaReaderTest, ImpossibleImageHeadersAreInvalidTextureInformation)
{
    struct Case {
        unsigned width, height;
        unsigned char depth;
    };
    const Case cases[] = {{0, 1, 24}, {1, 0, 32}, {0, 0, 24}, {2, 1, 16}, {1, 1, 8},
                          {1, 1, 0},  {1, 1, 15}, {1, 1, 31}, {1, 1, 33}, {1, 1, 48}};
    for (unsigned char type : {uncompressed, compressed}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                         std::to_string(c.depth) + " type " + std::to_string(type));
            load(tgaHeader(type, c.width, c.height, c.depth) + Bytes(64, 0x80));
            expectOnlyMessage("Invalid texture information");
            expectHeaderOnly(c.width, c.height, c.depth, untouchedPixelFormat);
        }
    }
}

// The byte count of these images does not fit 32 bits; they must be refused from the header
// alone, before a wrapped-around block is allocated or any pixel is read.
TEST_F(TgaReaderTest, SizesBeyondThirtyTwoBitsAreRefused)
{
    struct Case {
        unsigned width, height;
        unsigned char depth;
    };
    const Case cases[] = {{65535, 65535, 32}, {65535, 65535, 24}, {32768, 32768, 32},
                          {65535, 16385, 32}, {43691, 32768, 24}};
    for (unsigned char type : {uncompressed, compressed}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                         std::to_string(c.depth) + " type " + std::to_string(type));
            load(tgaHeader(type, c.width, c.height, c.depth) + Bytes{0xFF, 1, 2, 3, 4});
            expectOnlyMessage("Invalid texture information");
            expectHeaderOnly(c.width, c.height, c.depth, untouchedPixelFormat);
        }
    }
}

}  // namespace

TEST_F(TgaReaderTest, EveryKeptHostileFileEndsInTheOutcomeListedForIt)
{
    // The files of tests/data/regressions/tga/ (see its README): the one message, or the
    // picture alone; a message beside a picture, or a second message, makes the outcome differ.
    const std::string folder = std::string(KX_SOURCE_DIR) + "/tests/data/regressions/tga/";
    const std::map<std::string, std::string> outcomes = {
        {"header-cut.tga", "Could not read info header"},
        {"huge-dimensions.tga", "Invalid texture information"},
        {"zero-width.tga", "Invalid texture information"},
        {"rle-run-past-end.tga", "Too many pixels read"},
        {"rle-raw-past-end.tga", "Too many pixels read"},
        {"rle-cut.tga", "Could not read RLE header"},
        {"rle-run-across-rows.tga", "picture 2x2"},
    };
    for (const auto& [name, expected] : outcomes) {
        load(readFileBytes(folder + name));
        std::string outcome;
        if (image.pixels && image.pixels != &untouchedPixels)
            outcome = "picture " + std::to_string(image.width) + "x" + std::to_string(image.height);
        for (const std::string& text : recorder.texts())
            outcome += text;
        EXPECT_EQ(outcome, expected) << name;
    }
    EXPECT_EQ(size_t(std::distance(std::filesystem::directory_iterator(folder), {})),
              outcomes.size())
        << "every file there needs its outcome listed here";
}
