// Writes the font's glyph sheet: kx_fontgen <regular.ttf> <bold.ttf> <Font.tga>
#include "tools/font/glyph_sheet.h"
#include "tools/image_files/file_bytes.h"
#include "tools/image_files/tga_writer.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s <regular.ttf> <bold.ttf> <Font.tga>\n", argv[0]);
        return 2;
    }
    GlyphSheet sheet;
    std::string error;
    if (!renderGlyphSheet(argv[1], argv[2], &sheet, &error)) {
        fprintf(stderr, "kx_fontgen: %s\n", error.c_str());
        return 1;
    }
    std::vector<unsigned char> rgba = glyphSheetRgba(sheet);
    std::vector<unsigned char> file = encodeTga(rgba.data(), sheet.width, sheet.height, 4, true);
    if (!writeFileBytes(argv[3], file, &error)) {
        fprintf(stderr, "kx_fontgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
