// Draws the program's icon at build time: kullerix-SIZE.png files for the desktop at each of
// the build's desktop sizes, and a C++ source with the pixels of the build's window sizes,
// which the window hands to the desktop itself, and for the Windows build an .ico file of the
// build's Windows sizes for the program's resource. Sizes come as comma-separated lists.
#include "tools/icon/ico_writer.h"
#include "tools/icon/icon_picture.h"
#include "tools/icon/png_writer.h"
#include "tools/image_files/file_bytes.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// The sizes in a list such as "48,128", or none when an entry is not a positive number.
std::vector<int> parseSizes(const char* list)
{
    std::vector<int> sizes;
    for (const char* at = list;; at++) {
        char* end;
        long size = strtol(at, &end, 10);
        if (end == at || size <= 0 || (*end != ',' && *end != '\0'))
            return {};
        sizes.push_back(int(size));
        if (*end == '\0')
            return sizes;
        at = end;
    }
}

// The icon as rows of 0xAARRGGBB words, the layout the window's icon property takes.
bool writePixelSource(const std::string& path, const std::vector<int>& windowSizes,
                      const std::map<int, std::vector<uint8_t>>& icons)
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
    fprintf(out, "};\nconst int programIconCount = %d;\n", int(windowSizes.size()));
    return fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool withIco = argc == 7;
    const bool known = argc == 5 || withIco;
    const std::vector<int> desktopSizes = known ? parseSizes(argv[3]) : std::vector<int>();
    const std::vector<int> windowSizes = known ? parseSizes(argv[4]) : std::vector<int>();
    const std::vector<int> icoSizes = withIco ? parseSizes(argv[6]) : std::vector<int>();
    if (desktopSizes.empty() || windowSizes.empty() || (withIco && icoSizes.empty())) {
        fprintf(stderr, "usage: %s png-folder pixels.cpp desktop-sizes window-sizes "
                        "[icon.ico ico-sizes]\n", argv[0]);
        return 2;
    }
    std::map<int, std::vector<uint8_t>> icons;
    for (int size : desktopSizes) {
        icons[size] = drawIcon(size);
        std::string path = std::string(argv[1]) + "/kullerix-" + std::to_string(size) + ".png";
        if (!writePng(path, size, size, icons[size])) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    // The other sizes are drawn too when no file wants them.
    for (const std::vector<int>* sizes : {&windowSizes, &icoSizes})
        for (int size : *sizes)
            if (!icons.count(size))
                icons[size] = drawIcon(size);
    if (!writePixelSource(argv[2], windowSizes, icons)) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    if (withIco) {
        std::vector<IcoImage> images;
        for (int size : icoSizes)
            images.push_back({size, icons[size]});
        std::string error;
        if (!writeFileBytes(argv[5], encodeIco(images), &error)) {
            fprintf(stderr, "cannot write %s: %s\n", argv[5], error.c_str());
            return 1;
        }
    }
    return 0;
}
