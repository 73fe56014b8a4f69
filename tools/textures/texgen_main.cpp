// Writes the program's seven textures below the run folder named on the command line.
#include "tools/textures/texture_set.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s RUN_FOLDER\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!writeTextureSet(argv[1], &error)) {
        fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
        return 1;
    }
    return 0;
}
