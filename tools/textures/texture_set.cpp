#include "tools/textures/texture_set.h"

#include "tools/textures/ball_patterns.h"
#include "tools/textures/bmp_writer.h"

namespace texgen {

namespace {

// Twice as wide as high, so texels are square on the ball's equator.
const int kNormalMapWidth = 1024;
const int kNormalMapHeight = 512;

}  // namespace

SphereHeight ballHeightField(int number) {
    switch (number) {
    case 1: return golfDimples();
    case 2: return rivetedPlates();
    case 3: return hammeredMetal();
    case 4: return rainRipples();
    case 5: return raisedLettering();
    default: return [](const Vec3&) { return 0.0; };
    }
}

RgbPicture makeNormalMap(int number) {
    return encodeSphereNormalMap(kNormalMapWidth, kNormalMapHeight, ballHeightField(number));
}

bool writeTextureSet(const std::string& folder, std::string& failedFile) {
    struct Entry {
        const char* name;
        RgbPicture (*make)();
    };
    const Entry room[] = {{"hardwoodfloor.bmp", makeHardwoodFloor}, {"brick.bmp", makeBrickWall}};
    for (const Entry& entry : room) {
        std::string path = folder + "/" + entry.name;
        if (!writeBmp24(path, entry.make())) {
            failedFile = path;
            return false;
        }
    }
    for (int number = 1; number <= normalMapCount; ++number) {
        std::string path = folder + "/normalmap" + std::to_string(number) + ".bmp";
        if (!writeBmp24(path, makeNormalMap(number))) {
            failedFile = path;
            return false;
        }
    }
    return true;
}

}  // namespace texgen
