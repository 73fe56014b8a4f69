// Draws the program's icon at build time: kullerix-SIZE.png files for the desktop.
#include "tools/icon/icon_picture.h"
#include "tools/icon/png_writer.h"

#include <cstdio>
#include <string>

namespace {

const int fileSizes[] = {48, 64, 128, 256};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s png-folder\n", argv[0]);
        return 2;
    }
    for (int size : fileSizes) {
        std::string path = std::string(argv[1]) + "/kullerix-" + std::to_string(size) + ".png";
        if (!icon::writePng(path, size, size, icon::drawIcon(size))) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
