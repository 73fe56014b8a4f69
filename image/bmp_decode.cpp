#include "image/bmp_decode.h"

#include "image/byte_cursor.h"

#include <cstdlib>
#include <cstring>

namespace {

const uint32_t BI_RGB = 0;
const uint32_t BI_RLE8 = 1;
const uint32_t BI_RLE4 = 2;
const uint32_t BI_BITFIELDS = 3;

const uint32_t coreHeaderSize = 12;
const uint32_t infoHeaderSize = 40;

// Anything larger is no texture this program could use; refusing it early also keeps every
// size product below far from overflow.
const uint64_t maxPixelBytes = uint64_t(1) << 28;

// What the reader takes from either header kind, the colour table already bounded.
struct DibLayout {
    int32_t width;
    int32_t height;  // negative: rows stored top-down
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    uint32_t masks[3];  // red, green, blue (BI_BITFIELDS only)
    uint64_t bitsOffset;
    // Red, green, blue per index; entries the file does not hold stay black.
    unsigned char palette[256][3];
};

// One colour channel of a packed pixel, widened to 8 bits as v * 255 / max, rounded.
struct Channel {
    uint32_t mask;
    unsigned shift;
    uint32_t max;  // the mask moved down to bit 0; 0 for an absent channel
    unsigned char widened[256];
};

void setChannel(Channel* channel, uint32_t mask)
{
    channel->mask = mask;
    channel->shift = 0;
    channel->max = 0;
    if (!mask)
        return;
    while (!((mask >> channel->shift) & 1))
        ++channel->shift;
    channel->max = mask >> channel->shift;
    if (channel->max <= 255) {
        for (uint32_t v = 0; v <= channel->max; ++v)
            channel->widened[v] = (unsigned char)((v * 255 + channel->max / 2) / channel->max);
    }
}

inline unsigned char widen(const Channel& channel, uint32_t pixel)
{
    if (!channel.max)
        return 0;
    // The masked value only has bits of max, so it never exceeds max.
    uint32_t v = (pixel & channel.mask) >> channel.shift;
    if (channel.max <= 255)
        return channel.widened[v];
    return (unsigned char)((uint64_t(v) * 255 + channel.max / 2) / channel.max);
}

// The bytes of a pixel block of width by rows, three bytes a pixel; false above maxPixelBytes.
bool pixelBlockBytes(uint32_t width, uint32_t rows, uint64_t* bytes)
{
    const uint64_t count = uint64_t(width) * rows;  // both factors are below 2^32
    if (count > maxPixelBytes / 3)
        return false;
    *bytes = count * 3;
    return true;
}

uint64_t rowBytesOf(const DibLayout& layout)
{
    return (uint64_t(layout.bitCount) * uint64_t(layout.width) + 7) / 8;
}

// Source rows are padded to whole 32-bit words.
uint64_t strideOf(const DibLayout& layout)
{
    return (uint64_t(layout.bitCount) * uint64_t(layout.width) + 31) / 32 * 4;
}

// Whether the file holds the bits the layout claims (the last row needs no padding after it).
// A run-length stream is checked as it is read.
bool bitsInFile(const DibLayout& layout, size_t size, uint32_t rows)
{
    if (layout.bitsOffset > size)
        return false;
    if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4)
        return true;
    return strideOf(layout) * (rows - 1) + rowBytesOf(layout) <= size - layout.bitsOffset;
}

BmpDecodeStatus readLayout(const unsigned char* bytes, size_t size, DibLayout* layout)
{
    ByteCursor cursor(bytes, size);
    const bool fileHeader = size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    uint64_t headerStart = 0;
    if (fileHeader) {
        cursor.seek(10);  // file size and reserved words are not needed
        layout->bitsOffset = cursor.read32le();
        headerStart = 14;
    }
    cursor.seek(headerStart);
    const uint32_t headerSize = cursor.read32le();
    if (cursor.failed() || (headerSize != coreHeaderSize && headerSize != infoHeaderSize))
        return BmpUnknownFormat;
    cursor.seek(headerStart);
    const unsigned char* header = cursor.bytes(headerSize);
    if (!header)
        return BmpUnknownFormat;

    const bool core = headerSize == coreHeaderSize;
    ByteCursor fields(header + 4, headerSize - 4);
    uint32_t colorsUsed = 0;
    if (core) {
        // Core sizes are unsigned 16-bit, so a core image is always bottom-up.
        layout->width = fields.read16le();
        layout->height = fields.read16le();
        fields.read16le();  // planes
        layout->bitCount = fields.read16le();
        layout->compression = BI_RGB;
        layout->sizeImage = 0;
    } else {
        layout->width = int32_t(fields.read32le());
        layout->height = int32_t(fields.read32le());
        fields.read16le();  // planes
        layout->bitCount = fields.read16le();
        layout->compression = fields.read32le();
        layout->sizeImage = fields.read32le();
        fields.read32le();  // horizontal density
        fields.read32le();  // vertical density
        colorsUsed = fields.read32le();
    }

    if (layout->compression == BI_BITFIELDS) {
        for (uint32_t& mask : layout->masks)
            mask = cursor.read32le();
        if (cursor.failed())
            return BmpUnknownFormat;
    }

    // colorTableSize keeps the low 16 bits of a count; a larger claim is bounded here instead.
    const uint64_t claimed = colorsUsed > 0xFFFF ? colorsUsed : colorTableSize(header);
    const uint64_t entrySize = core ? 3 : 4;
    const uint64_t tableStart = cursor.position();
    uint64_t entries = layout->bitCount >= 1 && layout->bitCount <= 8 ? 1u << layout->bitCount : 0;
    if (claimed < entries)
        entries = claimed;
    if (fileHeader) {
        // A table that claims more than lies before the bits is taken as far as it goes.
        if (layout->bitsOffset >= tableStart && layout->bitsOffset <= size &&
            (layout->bitsOffset - tableStart) / entrySize < entries)
            entries = (layout->bitsOffset - tableStart) / entrySize;
    } else {
        // A packed DIB's bits follow the whole table, however much of it is used.
        layout->bitsOffset = tableStart + claimed * entrySize;
        if (layout->bitsOffset > size)
            return BmpUnknownFormat;
    }
    const unsigned char* table = cursor.bytes(entries * entrySize);
    if (!table)
        return BmpUnknownFormat;
    for (uint64_t i = 0; i < entries; ++i) {
        const unsigned char* entry = table + i * entrySize;
        layout->palette[i][0] = entry[2];
        layout->palette[i][1] = entry[1];
        layout->palette[i][2] = entry[0];
    }
    return BmpDecoded;
}

bool formAccepted(const DibLayout& layout)
{
    switch (layout.compression) {
    case BI_RGB:
        return layout.bitCount == 1 || layout.bitCount == 4 || layout.bitCount == 8 ||
               layout.bitCount == 16 || layout.bitCount == 24 || layout.bitCount == 32;
    case BI_RLE8:
        return layout.bitCount == 8;
    case BI_RLE4:
        return layout.bitCount == 4;
    case BI_BITFIELDS:
        return layout.bitCount == 16 || layout.bitCount == 32;
    default:
        return false;
    }
}

void convertPalettedRow(const DibLayout& layout, const unsigned char* source, int32_t width,
                        unsigned char* target)
{
    switch (layout.bitCount) {
    case 1:
        for (int32_t x = 0; x < width; ++x, target += 3)
            memcpy(target, layout.palette[(source[x >> 3] >> (7 - (x & 7))) & 1], 3);
        break;
    case 4:
        for (int32_t x = 0; x < width; ++x, target += 3)
            memcpy(target, layout.palette[(source[x >> 1] >> (x & 1 ? 0 : 4)) & 15], 3);
        break;
    default:
        for (int32_t x = 0; x < width; ++x, target += 3)
            memcpy(target, layout.palette[source[x]], 3);
        break;
    }
}

void convertBgrRow(const unsigned char* source, int32_t width, int step, unsigned char* target)
{
    for (int32_t x = 0; x < width; ++x, source += step, target += 3) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
    }
}

void convertMaskedRow(const Channel channels[3], const unsigned char* source, int32_t width,
                      int step, unsigned char* target)
{
    for (int32_t x = 0; x < width; ++x, source += step, target += 3) {
        uint32_t pixel = uint32_t(source[0]) | uint32_t(source[1]) << 8;
        if (step == 4)
            pixel |= uint32_t(source[2]) << 16 | uint32_t(source[3]) << 24;
        target[0] = widen(channels[0], pixel);
        target[1] = widen(channels[1], pixel);
        target[2] = widen(channels[2], pixel);
    }
}

BmpDecodeStatus convertUncompressed(const DibLayout& layout, const unsigned char* bytes,
                                    size_t size, uint32_t rows, unsigned char* pixels)
{
    const uint64_t rowBytes = rowBytesOf(layout);
    const uint64_t stride = strideOf(layout);
    Channel channels[3] = {};
    const bool masked =
        layout.compression == BI_BITFIELDS || (layout.compression == BI_RGB && layout.bitCount == 16);
    if (masked) {
        const bool defaults = layout.compression == BI_RGB;
        setChannel(&channels[0], defaults ? 0x7C00 : layout.masks[0]);
        setChannel(&channels[1], defaults ? 0x03E0 : layout.masks[1]);
        setChannel(&channels[2], defaults ? 0x001F : layout.masks[2]);
    }

    const size_t targetStride = size_t(layout.width) * 3;
    ByteCursor cursor(bytes, size);
    for (uint32_t row = 0; row < rows; ++row) {
        cursor.seek(layout.bitsOffset + row * stride);
        const unsigned char* source = cursor.bytes(rowBytes);
        if (!source)
            return BmpConversionError;
        // Top-down sources are turned over so that every image arrives bottom row first.
        const uint32_t targetRow = layout.height < 0 ? rows - 1 - row : row;
        unsigned char* target = pixels + targetRow * targetStride;
        if (masked)
            convertMaskedRow(channels, source, layout.width, layout.bitCount / 8, target);
        else if (layout.bitCount <= 8)
            convertPalettedRow(layout, source, layout.width, target);
        else
            convertBgrRow(source, layout.width, layout.bitCount / 8, target);
    }
    return BmpDecoded;
}

// Runs of BI_RLE8 or BI_RLE4 into pixels already cleared to black. Writes outside the picture
// are dropped; the stream must end with end-of-bitmap or fill the last row.
BmpDecodeStatus convertRunLength(const DibLayout& layout, const unsigned char* bytes, size_t size,
                                 uint32_t rows, unsigned char* pixels)
{
    uint64_t streamEnd = size;
    if (layout.sizeImage && layout.sizeImage < size - layout.bitsOffset)
        streamEnd = layout.bitsOffset + layout.sizeImage;
    ByteCursor stream(bytes, size_t(streamEnd));
    stream.seek(layout.bitsOffset);

    const bool fourBit = layout.compression == BI_RLE4;
    const uint64_t width = uint64_t(layout.width);
    uint64_t x = 0;
    uint64_t y = 0;
    auto put = [&](unsigned index) {
        if (x < width)
            memcpy(pixels + (y * width + x) * 3, layout.palette[index], 3);
        ++x;
    };
    auto nibble = [&](unsigned value, unsigned i) {
        return fourBit ? (i & 1 ? value & 15 : value >> 4) : value;
    };

    while (y < rows) {
        if (stream.remaining() == 0)
            return BmpConversionError;
        const unsigned count = stream.read8();
        const unsigned value = stream.read8();
        if (count > 0) {
            for (unsigned i = 0; i < count && x < width; ++i)
                put(nibble(value, i));
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return stream.failed() ? BmpConversionError : BmpDecoded;
        } else if (value == 2) {
            x += stream.read8();
            y += stream.read8();
        } else {
            const unsigned dataBytes = fourBit ? (value + 1) / 2 : value;
            const unsigned char* data = stream.bytes(dataBytes);
            if (!data)
                return BmpConversionError;
            for (unsigned i = 0; i < value && x < width; ++i)
                put(nibble(data[fourBit ? i / 2 : i], i));
            stream.skip(dataBytes & 1);  // absolute runs end on a 16-bit boundary
        }
        if (stream.failed())
            return BmpConversionError;
    }
    return BmpDecoded;
}

}  // namespace

uint16_t colorTableSize(const unsigned char* header)
{
    // The cursor spans the header's own length, so that a core header's fields can never be
    // read from the bytes that follow it.
    const uint32_t size = ByteCursor(header, 4).read32le();
    ByteCursor cursor(header, size == coreHeaderSize ? coreHeaderSize : infoHeaderSize);
    uint16_t bitCount;
    if (size == coreHeaderSize) {
        cursor.seek(10);
        bitCount = cursor.read16le();
    } else {
        cursor.seek(32);
        const uint32_t colorsUsed = cursor.read32le();
        if (colorsUsed)
            return uint16_t(colorsUsed);
        cursor.seek(14);
        bitCount = cursor.read16le();
    }
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

BmpDecodeStatus decodeBmp(const unsigned char* bytes, size_t size, RgbImage** image)
{
    *image = nullptr;
    DibLayout layout = {};
    BmpDecodeStatus status = readLayout(bytes, size, &layout);
    if (status != BmpDecoded)
        return status;
    if (!formAccepted(layout) || layout.width <= 0 || layout.height == 0)
        return BmpConversionError;
    // Run-length streams are defined bottom-up only.
    const bool runLength = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
    if (runLength && layout.height < 0)
        return BmpConversionError;
    const uint32_t rows = layout.height < 0 ? 0u - uint32_t(layout.height) : uint32_t(layout.height);
    uint64_t pixelBytes = 0;
    if (!pixelBlockBytes(uint32_t(layout.width), rows, &pixelBytes))
        return BmpOutOfMemory;
    if (!bitsInFile(layout, size, rows))
        return BmpConversionError;

    unsigned char* pixels = static_cast<unsigned char*>(
        runLength ? calloc(size_t(pixelBytes), 1) : malloc(size_t(pixelBytes)));
    if (!pixels)
        return BmpOutOfMemory;
    status = runLength ? convertRunLength(layout, bytes, size, rows, pixels)
                       : convertUncompressed(layout, bytes, size, rows, pixels);
    if (status == BmpDecoded) {
        *image = static_cast<RgbImage*>(malloc(sizeof(RgbImage)));
        if (!*image)
            status = BmpOutOfMemory;
    }
    if (status != BmpDecoded) {
        free(pixels);
        return status;
    }
    (*image)->width = layout.width;
    (*image)->height = int32_t(rows);
    (*image)->pixels = pixels;
    return BmpDecoded;
}

const char* bmpDecodeMessage(BmpDecodeStatus status)
{
    switch (status) {
    case BmpUnknownFormat:
        return "Unknown DIB file format.";
    case BmpConversionError:
        return "Image file conversion error.";
    case BmpOutOfMemory:
        return "Out of memory.";
    default:
        return nullptr;
    }
}
