#include "tools/textures/texture_set.h"

#include "tools/textures/noise.h"
#include "tools/textures/scalar_math.h"

#include <algorithm>
#include <cmath>

namespace {

// 1024 texels over a tile of the floor (see data/room_tiling.h) keep the boards crisp where the
// floor is near the camera.
const int tileSize = 1024;
const int planksPerTile = 8;  // across the tile
const int plankWidth = tileSize / planksPerTile;
const double unitsPerTexel = 0.5;  // pattern units per texel: the grain was tuned at 512 across

// The two butt joints of plank column `plank`, in texels along the tile. Each column starts
// a fixed stride after its neighbour (jittered), so no two joints line up side by side; the
// joints wrap, so the column repeats with the tile.
void plankJoints(int plank, int joints[2])
{
    int jitter = static_cast<int>(hashUnit(plank, 0, 0, 0xf1002u) * tileSize / 4);
    int start = (jitter + plank * 394) % tileSize;
    int length = 400 + static_cast<int>(hashUnit(plank, 1, 0, 0xf1002u) * 224);
    joints[0] = start;
    joints[1] = (start + length) % tileSize;
}

struct Board {
    double r, g, b;     // base colour
    double ringCentre;  // across the board, pattern units, where the log's heart lies
    double ringDepth;   // how far below the face the heart lies
    double ringTilt;    // change of that depth along the board, per unit of length
    double ringSpacing;
    uint32_t seed;
};

Board boardFor(int plank, int segment)
{
    const uint32_t key = 0xb0a2du;
    Board b;
    b.seed = hashInts(plank, segment, 7, key);
    double tone = hashUnit(plank, segment, 1, key);    // lighter or darker board
    double warmth = hashUnit(plank, segment, 2, key);  // redder or yellower
    double light = 0.86 + 0.24 * tone;
    b.r = (0.80 + 0.04 * warmth) * light;
    b.g = (0.58 - 0.03 * warmth) * light;
    b.b = (0.37 - 0.05 * warmth) * light;
    b.ringCentre = -30.0 + 120.0 * hashUnit(plank, segment, 3, key);
    b.ringDepth = 15.0 + 90.0 * hashUnit(plank, segment, 4, key);
    b.ringTilt = (hashUnit(plank, segment, 5, key) - 0.5) * 0.16;
    b.ringSpacing = 3.2 + 2.6 * hashUnit(plank, segment, 6, key);
    return b;
}

// Brightness near a gap between boards, `distance` texels from the gap's centre line: a dark
// gap of about two texels and eased edges beside it.
double gapShade(double distance)
{
    return 0.4 + 0.6 * smoothstep(0.6, 1.4, distance) -
           0.12 * (1.0 - smoothstep(1.4, 4.0, distance));
}

// The colour of a board at (x across, v along), in pattern units from its corner.
void boardColour(const Board& board, double x, double v, double rgb[3])
{
    // Growth rings: the face cuts the log's cylinders at a slant, drawing arches along the
    // board; slow noise bends them as real grain wanders.
    double warp = 3.0 * fractalNoise2(x / 24.0, v / 140.0, 2, board.seed);
    double dx = x - board.ringCentre;
    double dz = board.ringDepth + board.ringTilt * v;
    double ring = (sqrt(dx * dx + dz * dz) + warp) / board.ringSpacing;
    double phase = ring - floor(ring);
    // Each ring darkens slowly through the season and ends abruptly where the next begins.
    // The fall spans over a texel, so the edge stays clean when sampled.
    double late = smoothstep(0.2, 0.85, phase);
    double latewood = late * late * (1.0 - smoothstep(0.85, 1.0, phase));
    // Fibres follow the rings; pores are short dark dashes along the board; a slow blush.
    double fibres = fractalNoise2(ring * 3.0, v / 30.0, 2, board.seed + 1);
    double streak = gradientNoise2(x / 1.3, v / 45.0, board.seed + 4);
    double pores = std::max(0.0, gradientNoise2(x / 0.9, v / 6.0, board.seed + 2) - 0.45);
    double mottle = fractalNoise2(x / 30.0, v / 110.0, 2, board.seed + 3);
    double shade = (1.0 - 0.3 * latewood) * (1.0 + 0.05 * fibres) * (1.0 + 0.04 * streak) *
                   (1.0 - 0.45 * pores) * (1.0 + 0.07 * mottle);
    // Latewood is also a little redder.
    rgb[0] = board.r * shade * (1.0 + 0.04 * latewood);
    rgb[1] = board.g * shade;
    rgb[2] = board.b * shade * (1.0 - 0.1 * latewood);
}

}  // namespace

RgbPicture makeHardwoodFloor()
{
    RgbPicture picture(tileSize, tileSize);
    for (int plank = 0; plank < planksPerTile; ++plank) {
        int joints[2];
        plankJoints(plank, joints);
        int length0 = (joints[1] - joints[0] + tileSize) % tileSize;
        Board boards[2] = {boardFor(plank, 0), boardFor(plank, 1)};
        for (int y = 0; y < tileSize; ++y) {
            // Which board of the column covers row y, and how far along it the row lies.
            int along0 = (y - joints[0] + tileSize) % tileSize;
            int segment = along0 < length0 ? 0 : 1;
            int along = segment == 0 ? along0 : along0 - length0;
            int boardLength = segment == 0 ? length0 : tileSize - length0;
            double endDistance = std::min(along + 0.5, boardLength - along - 0.5);
            for (int u = 0; u < plankWidth; ++u) {
                double rgb[3];
                boardColour(boards[segment], (u + 0.5) * unitsPerTexel,
                            (along + 0.5) * unitsPerTexel, rgb);
                // The gaps lie on the column's borders, so the tile's edges fall inside gaps
                // split evenly between its two sides.
                double sideDistance = std::min(u + 0.5, plankWidth - u - 0.5);
                double shade = gapShade(std::min(sideDistance, endDistance));
                uint8_t* px = picture.at(plank * plankWidth + u, y);
                for (int c = 0; c < 3; ++c)
                    px[c] = toByte(rgb[c] * shade);
            }
        }
    }
    return picture;
}
