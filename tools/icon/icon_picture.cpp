#include "tools/icon/icon_picture.h"

#include "tools/textures/sphere_normal_map.h"
#include "tools/textures/texture_set.h"

#include <algorithm>
#include <cmath>

namespace {

const int samples = 4;  // per axis, for a smooth rim

}  // namespace

std::vector<uint8_t> drawIcon(int size)
{
    SphereHeight height = ballHeightField(1);
    const Vec3 light = normalize({-0.5, 0.6, 0.65});
    const Vec3 halfway = normalize({light.x, light.y, light.z + 1});
    const double step = 0.002;

    std::vector<uint8_t> rgba(size_t(size) * size * 4, 0);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            double colour = 0, cover = 0;
            for (int sy = 0; sy < samples; sy++)
                for (int sx = 0; sx < samples; sx++) {
                    double u = ((x + (sx + 0.5) / samples) / size) * 2.1 - 1.05;
                    double v = 1.05 - ((y + (sy + 0.5) / samples) / size) * 2.1;
                    double r2 = u * u + v * v;
                    if (r2 >= 1)
                        continue;
                    // The sphere point facing the viewer, with the +z pole towards the eye.
                    Vec3 p = {u, v, std::sqrt(1 - r2)};
                    // Bumped normal from the height field's slope along two surface directions;
                    // no sample lies on the z axis, where the frame has no tangent.
                    const TangentFrame frame = tangentFrame(p);
                    const Vec3 a = frame.tangent, b = frame.bitangent;
                    auto at = [&](Vec3 d, double e) { return height(normalize(p + e * d)); };
                    double da = (at(a, step) - at(a, -step)) / (2 * step);
                    double db = (at(b, step) - at(b, -step)) / (2 * step);
                    Vec3 n = normalize(p - da * a - db * b);
                    double diffuse = std::max(0.0, dot(n, light));
                    double specular = diffuse > 0 ? std::pow(std::max(0.0, dot(n, halfway)), 50) : 0;
                    colour += std::min(1.0, 0.25 + 0.5 * diffuse + specular);
                    cover += 1;
                }
            uint8_t* pixel = &rgba[4 * (size_t(y) * size + x)];
            if (cover > 0) {
                uint8_t grey = uint8_t(std::lround(255 * colour / cover));
                pixel[0] = pixel[1] = pixel[2] = grey;
                pixel[3] = uint8_t(std::lround(255 * cover / (samples * samples)));
            }
        }
    return rgba;
}
