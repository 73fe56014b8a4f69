#include "tests/support/png_reference.h"

#include <stb/stb_image.h>

#include <algorithm>

ReferenceImage loadPngReference(const std::string& path, int channels)
{
    ReferenceImage image;
    int width = 0;
    int height = 0;
    int fileChannels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &fileChannels, channels);
    if (!pixels)
        return image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(pixels, pixels + size_t(width) * height * channels);
    stbi_image_free(pixels);
    return image;
}

void flipVertically(ReferenceImage& image)
{
    const size_t rowSize = size_t(image.width) * image.channels;
    for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(image.pixels.begin() + top * rowSize,
                         image.pixels.begin() + (top + 1) * rowSize,
                         image.pixels.begin() + bottom * rowSize);
}
