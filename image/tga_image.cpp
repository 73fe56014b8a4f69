#include "image/tga_image.h"

#include "platform/file_status.h"
#include "platform/message_box.h"
#include "platform/stream_byte.h"

#include <cstdlib>
#include <cstring>

namespace {

const unsigned char uncompressedPattern[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char compressedPattern[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Packet headers and pixels are a few bytes each; a buffer this size keeps the reads of a
// large run-length file down to a handful of system calls.
const size_t fileBufferSize = 1 << 16;

void report(const char* text) { showMessage(text, "ERROR", MessageOwnerNone, MessageIconNone); }

// Reports, closes the file and leaves the image without pixels, so that the record never
// points at freed memory.
void abandon(TgaImage* image, FILE* file, const char* text)
{
    report(text);
    fclose(file);
    free(image->pixels);
    image->pixels = nullptr;
}

// The part both loaders share: image header, checks, pixel block. Reports and closes the file
// when it returns false.
bool startImage(TgaReader& reader, TgaImage* image, FILE* file)
{
    if (fread(reader.imageHeader, sizeof(reader.imageHeader), 1, file) != 1) {
        report("Could not read info header");
        fclose(file);
        return false;
    }
    image->width = reader.imageHeader[0] | reader.imageHeader[1] << 8;
    image->height = reader.imageHeader[2] | reader.imageHeader[3] << 8;
    image->bitsPerPixel = reader.imageHeader[4];
    reader.width = image->width;
    reader.height = image->height;
    reader.bitsPerPixel = image->bitsPerPixel;
    image->pixels = nullptr;

    // 65535 x 65535 pixels of 3 or 4 bytes do not fit the 32-bit size; refuse them here
    // rather than allocate a wrapped-around block and decode past its end.
    const uint64_t size = uint64_t(reader.height) * (reader.bitsPerPixel / 8) * reader.width;
    if (reader.width == 0 || reader.height == 0 ||
        (reader.bitsPerPixel != 24 && reader.bitsPerPixel != 32) || size > UINT32_MAX) {
        abandon(image, file, "Invalid texture information");
        return false;
    }
    image->pixelFormat = reader.bitsPerPixel == 24 ? TgaPixelFormatRgb : TgaPixelFormatRgba;

    reader.bytesPerPixel = reader.bitsPerPixel / 8;
    reader.imageSize = uint32_t(size);
    image->pixels = static_cast<unsigned char*>(malloc(reader.imageSize));
    if (!image->pixels) {
        abandon(image, file, "Could not allocate memory for image");
        return false;
    }
    return true;
}

// Blue and red trade places; alpha stays.
void swapRedBlue(unsigned char* pixels, uint32_t size, uint32_t bytesPerPixel)
{
    const size_t count = size / bytesPerPixel;
    if (bytesPerPixel == 4) {
        // Whole words, so that the compiler can vectorise the loop.
        for (size_t i = 0; i < count; ++i) {
            uint32_t pixel;
            memcpy(&pixel, pixels + i * 4, 4);
            pixel = (pixel & 0xFF00FF00u) | (pixel >> 16 & 0xFFu) | (pixel & 0xFFu) << 16;
            memcpy(pixels + i * 4, &pixel, 4);
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const unsigned char blue = pixels[i * 3];
        pixels[i * 3] = pixels[i * 3 + 2];
        pixels[i * 3 + 2] = blue;
    }
}

// A packet header or pixel is a few bytes, taken from the stream's buffer.
bool readByte(FILE* file, unsigned char* byte)
{
    const int value = readStreamByte(file);
    *byte = static_cast<unsigned char>(value);
    return value != EOF;
}

template <uint32_t bytesPerPixel>
bool readPixel(FILE* file, unsigned char* pixel)
{
    for (uint32_t i = 0; i < bytesPerPixel; ++i)
        if (!readByte(file, pixel + i))
            return false;
    return true;
}

template <uint32_t bytesPerPixel>
void storePixel(unsigned char*& out, const unsigned char* pixel)
{
    out[0] = pixel[2];
    out[1] = pixel[1];
    out[2] = pixel[0];
    if (bytesPerPixel == 4)
        out[3] = pixel[3];
    out += bytesPerPixel;
}

// Decodes packets into out until pixelTotal pixels are there; gives the failure's message, or
// nullptr once the image is complete. Every pixel is counted against the total before it is
// stored, so a packet that runs over the end of the image writes nothing past the block.
template <uint32_t bytesPerPixel>
const char* decodePackets(FILE* file, unsigned char* out, uint32_t pixelTotal)
{
    uint32_t pixelCount = 0;
    unsigned char pixel[bytesPerPixel];
    while (pixelCount < pixelTotal) {
        unsigned char header;
        if (!readByte(file, &header))
            return "Could not read RLE header";
        if (header < 128) {
            for (uint32_t i = 0; i <= header; ++i) {
                if (!readPixel<bytesPerPixel>(file, pixel))
                    return "Could not read image data";
                if (pixelCount == pixelTotal)
                    return "Too many pixels read";
                storePixel<bytesPerPixel>(out, pixel);
                ++pixelCount;
            }
        } else {
            if (!readPixel<bytesPerPixel>(file, pixel))
                return "Could not read from file";
            const uint32_t count = header - 127u;
            if (count > pixelTotal - pixelCount)
                return "Too many pixels read";
            for (uint32_t i = 0; i < count; ++i)
                storePixel<bytesPerPixel>(out, pixel);
            pixelCount += count;
        }
    }
    return nullptr;
}

}  // namespace

void TgaReader::load(TgaImage* image, const char* path)
{
    // Anything but a regular file counts as one not opened.
    FILE* file = openRegularFile(path, "rb", nullptr);
    if (!file) {
        report("Could not open texture file");
        return;
    }
    // Lives until the loaders below have closed the file.
    static char fileBuffer[fileBufferSize];
    setvbuf(file, fileBuffer, _IOFBF, sizeof(fileBuffer));

    if (fread(fileHeader, sizeof(fileHeader), 1, file) != 1) {
        report("Could not read file header");
        fclose(file);
        return;
    }
    if (memcmp(fileHeader, uncompressedPattern, sizeof(fileHeader)) == 0) {
        loadUncompressed(image, file);
    } else if (memcmp(fileHeader, compressedPattern, sizeof(fileHeader)) == 0) {
        loadCompressed(image, file);
    } else {
        showMessage("TGA file be type 2 or type 10 ", "Invalid Image", MessageOwnerNone,
                    MessageIconNone);
        fclose(file);
    }
}

void TgaReader::loadUncompressed(TgaImage* image, FILE* file)
{
    if (!startImage(*this, image, file))
        return;
    if (fread(image->pixels, 1, imageSize, file) != imageSize) {
        abandon(image, file, "Could not read image data");
        return;
    }
    swapRedBlue(image->pixels, imageSize, bytesPerPixel);
    fclose(file);
}

void TgaReader::loadCompressed(TgaImage* image, FILE* file)
{
    if (!startImage(*this, image, file))
        return;
    const char* failure = bytesPerPixel == 3
                              ? decodePackets<3>(file, image->pixels, height * width)
                              : decodePackets<4>(file, image->pixels, height * width);
    if (failure) {
        abandon(image, file, failure);
        return;
    }
    fclose(file);
}
