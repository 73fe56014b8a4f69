#include "tools/textures/texture_set.h"

#include "tools/textures/noise.h"
#include "tools/textures/scalar_math.h"

#include <algorithm>
#include <cmath>

namespace {

const int tileSize = 512;
const int coursesPerTile = 4;
const int bricksPerCourse = 2;  // in one course across the tile
const double courseHeight = double(tileSize) / coursesPerTile;
const double brickLength = double(tileSize) / bricksPerCourse;
const double mortarWidth = 15.0;  // joint width, pixels

struct BrickColour {
    double r, g, b;
};

// Fired clay varies from brick to brick: mostly reds, some orange, some dark and burnt.
BrickColour brickColour(int course, int brick)
{
    static const BrickColour palette[] = {
        {0.66, 0.30, 0.20}, {0.70, 0.35, 0.22}, {0.60, 0.27, 0.19}, {0.74, 0.42, 0.27},
        {0.56, 0.28, 0.22}, {0.64, 0.33, 0.24}, {0.48, 0.24, 0.20}, {0.68, 0.38, 0.28}};
    double pick = hashUnit(course, brick, 0, 0xb41c4u);
    BrickColour c = palette[static_cast<int>(pick * 8) % 8];
    double light = 0.92 + 0.16 * hashUnit(course, brick, 1, 0xb41c4u);
    return {c.r * light, c.g * light, c.b * light};
}

}  // namespace

RgbPicture makeBrickWall()
{
    RgbPicture picture(tileSize, tileSize);
    for (int y = 0; y < tileSize; ++y) {
        int course = static_cast<int>(y / courseHeight);
        // Running bond: every other course is shifted by half a brick.
        double shift = (course % 2) * brickLength / 2;
        double by = y + 0.5 - course * courseHeight;  // up from the joint below
        for (int x = 0; x < tileSize; ++x) {
            double shifted = fmod(x + 0.5 + tileSize - shift, double(tileSize));
            int brick = static_cast<int>(shifted / brickLength);
            double bx = shifted - brick * brickLength;
            uint32_t seed = hashInts(course, brick, 3, 0xb41c4u);

            // Distance inside the brick's face from its nearest edge, with the edges a little
            // ragged as real bricks and joints are.
            double rag = 1.6 * gradientNoise2(bx / 9.0, by / 9.0, seed);
            double inside =
                std::min(std::min(bx, brickLength - bx), std::min(by, courseHeight - by)) -
                mortarWidth / 2 + rag;
            double brickCover = smoothstep(-0.7, 0.7, inside);

            // The brick's face: body colour, a blush across it, sand grains and dark specks.
            BrickColour c = brickColour(course, brick);
            double blush = fractalNoise2(bx / 70.0, by / 50.0, 2, seed + 1);
            double grain = gradientNoise2(bx / 2.2, by / 2.2, seed + 2);
            double speck = std::max(0.0, gradientNoise2(bx / 3.0, by / 3.0, seed + 3) - 0.5);
            double face = (1.0 + 0.16 * blush) * (1.0 + 0.07 * grain) * (1.0 - 0.9 * speck);
            // Some bricks sat nearer the fire: one end came out darker.
            double burnt = hashUnit(course, brick, 2, 0xb41c4u);
            if (burnt < 0.3) {
                double fromEnd = burnt < 0.15 ? bx : brickLength - bx;
                face *= 1.0 - 0.3 * (1.0 - smoothstep(0.0, 0.6 * brickLength, fromEnd));
            }
            // Rounded arrises: the top edge catches the light, the bottom edge falls into shade.
            double arris = smoothstep(0.0, 5.0, inside);
            double top = courseHeight - mortarWidth / 2 - by;
            double light = mix(top < 6.0 ? 1.1 : 0.85, 1.0, arris);
            double br = c.r * face * light, bg = c.g * face * light, bb = c.b * face * light;

            // Mortar: a pale, sandy grey, in shadow just under the brick above.
            double sand = fractalNoise2(x / 4.0, y / 4.0, 2, 0x30a7u, tileSize / 4, tileSize / 4);
            double m = 0.70 * (1.0 + 0.08 * sand);
            // Bed joints lie in the shadow of the brick above; head joints are shaded evenly.
            double belowUpperBrick = 2.0 * mortarWidth;
            if (by < mortarWidth / 2)
                belowUpperBrick = mortarWidth / 2 - by;
            else if (by > courseHeight - mortarWidth / 2)
                belowUpperBrick = mortarWidth / 2 + courseHeight - by;
            m *= mix(0.68, 1.0, smoothstep(0.0, 0.8 * mortarWidth, belowUpperBrick)) *
                 (belowUpperBrick > mortarWidth ? 0.94 : 1.0);
            double mr = m * 1.0, mg = m * 0.97, mb = m * 0.90;

            uint8_t* px = picture.at(x, y);
            px[0] = toByte(mix(mr, br, brickCover));
            px[1] = toByte(mix(mg, bg, brickCover));
            px[2] = toByte(mix(mb, bb, brickCover));
        }
    }
    return picture;
}
