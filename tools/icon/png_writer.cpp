#include "tools/icon/png_writer.h"

#include <png.h>

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba)
{
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * height * 4)
        return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGBA;
    // NOTE: the simplified API writes no time stamp, so every build gives the same bytes.
    // libpng removes a file it could not finish.
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}
