// Writes the font's glyph sheet at its run-time path below the run folder:
// kx_fontgen <regular.ttf> <bold.ttf> <run folder>
#include "data/run_files.h"
#include "tools/font/glyph_sheet.h"
#include "tools/image_files/file_bytes.h"
#include "tools/image_files/tga_writer.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: %s <regular.ttf> <bold.ttf> <run folder>\n", argv[0]);
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
    const std::string path = std::string(argv[3]) + "/" + glyphSheetFile;
    if (!writeFileBytes(path.c_str(), file, &error)) {
        fprintf(stderr, "kx_fontgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
