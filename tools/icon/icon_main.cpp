// Draws the program's icon at build time: kullerix-SIZE.png files for the desktop at each size
// the build asks for, and a C++ source with the pixels the window hands to the desktop itself.
#include "tools/icon/icon_picture.h"
#include "tools/icon/png_writer.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

const int windowSizes[] = {48, 128};

// The icon as rows of 0xAARRGGBB words, the layout the window's icon property takes.
bool writePixelSource(const std::string& path, const std::map<int, std::vector<uint8_t>>& icons)
{
    FILE* out = fopen(path.c_str(), "w");
    if (!out)
        return false;
    fprintf(out, "// Written by kx_icon_tool at build time.\n#include \"app/program_icon.h\"\n\n"
                 "namespace {\n\n");
    for (int size : windowSizes) {
        const std::vector<uint8_t>& rgba = icons.at(size);
        fprintf(out, "const uint32_t icon%d[] = {", size);
        for (int i = 0; i < size * size; i++) {
            const uint8_t* p = &rgba[4 * size_t(i)];
            unsigned argb =
                unsigned(p[3]) << 24 | unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
            fprintf(out, "%s0x%08x,", i % 8 ? " " : "\n    ", argb);
        }
        fprintf(out, "\n};\n\n");
    }
    fprintf(out, "}  // namespace\n\nconst WindowIconImage programIcons[] = {");
    for (int size : windowSizes)
        fprintf(out, "{%d, %d, icon%d}, ", size, size, size);
    fprintf(out, "};\nconst int programIconCount = %d;\n",
            int(sizeof windowSizes / sizeof *windowSizes));
    return fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: %s png-folder pixels.cpp size...\n", argv[0]);
        return 2;
    }
    std::map<int, std::vector<uint8_t>> icons;
    for (int i = 3; i < argc; i++) {
        int size = atoi(argv[i]);
        if (size <= 0) {
            fprintf(stderr, "not an icon size: %s\n", argv[i]);
            return 2;
        }
        icons[size] = drawIcon(size);
        std::string path = std::string(argv[1]) + "/kullerix-" + std::to_string(size) + ".png";
        if (!writePng(path, size, size, icons[size])) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    // The window's sizes are drawn too when no file wants them.
    for (int size : windowSizes)
        if (!icons.count(size))
            icons[size] = drawIcon(size);
    if (!writePixelSource(argv[2], icons)) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
