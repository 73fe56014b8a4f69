#include "tools/textures/texture_set.h"

#include "tools/image_files/bmp_writer.h"
#include "tools/image_files/file_bytes.h"
#include "tools/textures/ball_patterns.h"

namespace texgen {

namespace {

// Twice as wide as high, so texels are square on the ball's equator.
const int kNormalMapWidth = 1024;
const int kNormalMapHeight = 512;

bool writeBmp24(const std::string& path, const RgbPicture& picture) {
    std::string error;
    return writeFileBytes(path.c_str(), encodeBmp24(picture.rgb.data(), picture.width, picture.height), &error);
}

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
