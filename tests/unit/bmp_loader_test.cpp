// loadBmpImage shows one message for each failure, none while reporting is off, and sizes tables.
#include "image/bmp_image.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_file.h"
#include "tools/image_files/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <unistd.h>

namespace {

typedef std::vector<unsigned char> Bytes;

void freeImage(RgbImage* image)
{
    if (image)
        free(image->pixels);
    free(image);
}

Bytes file(uint32_t headerSize, uint16_t bitCount, int32_t width, int32_t height)
{
    BmpFields fields;
    fields.headerSize = headerSize;
    fields.bitCount = bitCount;
    fields.width = width;
    fields.height = height;
    return encodeBmp(fields, Bytes(64, 0x55));
}

}  // namespace

TEST(BmpLoader, ReportsEachFailureOnceInABoxCaptionedError)
{
    struct Case {
        const char* what;
        std::string path;
        std::string message;
    };
    const std::string missing = writeTempFile("placeholder.bmp", {}) + ".missing";
    const std::string empty = writeTempFile("empty.bmp", {});
    const std::string fifo = makeTempFifo("fifo.bmp");
    const Bytes whole = file(40, 24, 4, 4);
    const Case cases[] = {
        {"missing file", missing, "Failed to open DIB file " + missing + ".\n"},
        {"empty file", empty, "Failed to open DIB file " + empty + ".\n"},
        {"FIFO without a writer", fifo, "Failed to open DIB file " + fifo + ".\n"},
        {"108-byte header", writeTempFile("v4.bmp", file(108, 8, 4, 4)), "Unknown DIB file format."},
        {"124-byte header", writeTempFile("v5.bmp", file(124, 8, 4, 4)), "Unknown DIB file format."},
        {"header cut short", writeTempFile("cut.bmp", Bytes(whole.begin(), whole.begin() + 30)),
         "Unknown DIB file format."},
        {"2 bits", writeTempFile("pal2.bmp", file(40, 2, 4, 4)), "Image file conversion error."},
        {"bits cut short", writeTempFile("short.bmp", file(40, 24, 16, 16)), "Image file conversion error."},
        {"too large", writeTempFile("big.bmp", file(40, 24, 3000000, 2000000)), "Out of memory."},
    };
    alarm(10);  // an open that waited for the FIFO's writer would hang; this ends the test instead
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageRecorder recorder;
        EXPECT_EQ(loadBmpImage(c.path.c_str()), nullptr);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].text, c.message);
        EXPECT_EQ(recorder.messages[0].caption, "Error");
        EXPECT_EQ(recorder.messages[0].owner, MessageOwnerFocusWindow);
        EXPECT_EQ(recorder.messages[0].icon, MessageIconNone);
    }
    alarm(0);
}

TEST(BmpLoader, FailsSilentlyWhileReportingIsOff)
{
    MessageRecorder recorder;
    reportLoadErrors = false;
    EXPECT_EQ(loadBmpImage("no/such/file.bmp"), nullptr);
    EXPECT_EQ(loadBmpImage(writeTempFile("quiet.bmp", file(124, 8, 4, 4)).c_str()), nullptr);
    RgbImage* image = loadBmpImage(writeTempFile("fine.bmp", file(40, 24, 4, 4)).c_str());
    reportLoadErrors = true;
    EXPECT_NE(image, nullptr);
    freeImage(image);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST(BmpLoader, CutsAPathTooLongForTheMessageBuffer)
{
    MessageRecorder recorder;
    const std::string path = "textures/" + std::string(400, 'x') + ".bmp";
    EXPECT_EQ(loadBmpImage(path.c_str()), nullptr);
    ASSERT_EQ(recorder.messages.size(), 1u);
    const std::string& text = recorder.messages[0].text;
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text, ("Failed to open DIB file " + path).substr(0, 255));
}

TEST(BmpLoader, ReturnsTheImageOfAGoodFileWithoutAMessage)
{
    BmpFields fields;
    fields.width = 2;
    fields.height = 1;
    const std::string path =
        writeTempFile("good.bmp", encodeBmp(fields, paddedRows({{10, 20, 30, 40, 50, 60}})));
    MessageRecorder recorder;
    RgbImage* image = loadBmpImage(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(Bytes(image->pixels, image->pixels + 6), (Bytes{30, 20, 10, 60, 50, 40}));
    freeImage(image);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST(BmpLoader, CountsTheColourTableEntriesAHeaderCallsFor)
{
    for (uint32_t headerSize : {12u, 40u}) {
        for (auto [bitCount, entries] : {std::pair<int, int>{1, 2}, {4, 16}, {8, 256}, {16, 0},
                                         {24, 0}, {32, 0}, {2, 0}}) {
            BmpFields fields;
            fields.fileHeader = false;
            fields.headerSize = headerSize;
            fields.bitCount = uint16_t(bitCount);
            // In a block of the header's own size, where AddressSanitizer sees a read past it.
            Bytes header = encodeBmp(fields, {});
            std::unique_ptr<unsigned char[]> alone(new unsigned char[header.size()]);
            std::copy(header.begin(), header.end(), alone.get());
            EXPECT_EQ(colorTableSize(alone.get()), entries)
                << headerSize << "-byte header, " << bitCount << " bits";
            if (headerSize == 12) {
                // Followed by what an info header reads as 7 colours used and 1 bit a pixel.
                header.resize(40);
                header[14] = 1;
                header[32] = 7;
                EXPECT_EQ(colorTableSize(header.data()), entries) << bitCount << " bits, followed";
            }
        }
    }
    // A non-zero biClrUsed wins, whatever the bit count, and keeps its low 16 bits.
    BmpFields fields;
    fields.fileHeader = false;
    fields.bitCount = 24;
    for (auto [colorsUsed, entries] : {std::pair<uint32_t, int>{17, 17}, {300, 300}, {0x12345634, 0x5634}}) {
        fields.colorsUsed = colorsUsed;
        EXPECT_EQ(colorTableSize(encodeBmp(fields, {}).data()), entries) << colorsUsed;
    }
}
