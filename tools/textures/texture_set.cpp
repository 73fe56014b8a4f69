#include "tools/textures/texture_set.h"

#include "tools/image_files/bmp_writer.h"
#include "tools/image_files/file_bytes.h"
#include "tools/textures/ball_patterns.h"

namespace {

// Twice as wide as high, so texels are square on the ball's equator.
const int normalMapWidth = 1024;
const int normalMapHeight = 512;

// Writes the picture as a BMP file at folder/file, or puts the writer's reason in *error.
bool writePicture(const std::string& folder, const char* file, const RgbPicture& picture,
                  std::string* error)
{
    const std::string path = folder + "/" + file;
    return writeFileBytes(path.c_str(),
                          encodeBmp24(picture.rgb.data(), picture.width, picture.height), error);
}

}  // namespace

SphereHeight ballHeightField(int number)
{
    switch (number) {
    case 1:
        return golfDimples();
    case 2:
        return rivetedPlates();
    case 3:
        return hammeredMetal();
    case 4:
        return rainRipples();
    case 5:
        return raisedLettering();
    default:
        return [](const Vec3&) { return 0.0; };
    }
}

RgbPicture makeNormalMap(int number)
{
    return encodeSphereNormalMap(normalMapWidth, normalMapHeight, ballHeightField(number));
}

bool writeTextureSet(const std::string& folder, std::string* error)
{
    if (!writePicture(folder, floorTextureFile, makeHardwoodFloor(), error) ||
        !writePicture(folder, wallTextureFile, makeBrickWall(), error))
        return false;
    for (int i = 0; i < normalMapCount; ++i)
        if (!writePicture(folder, normalMapFiles[i], makeNormalMap(i + 1), error))
            return false;
    return true;
}
