#include "tools/textures/sphere_normal_map.h"

#include "tools/textures/scalar_math.h"

#include <cmath>
#include <vector>

namespace {

uint8_t encodeComponent(double c)
{
    double v = floor(127.5 + 127.5 * c + 0.5);
    if (!(v > 0.0)) return 0;  // also catches NaN, which must never reach the cast
    if (v > 255.0)
        return 255;
    return static_cast<uint8_t>(v);
}

}  // namespace

Vec3 spherePoint(double s, double t)
{
    double ring = sin(pi * t);
    return {-sin(2.0 * pi * s) * ring, cos(2.0 * pi * s) * ring, -cos(pi * t)};
}

void sphereCoordinates(const Vec3& p, double* s, double* t)
{
    double z = p.z < -1.0 ? -1.0 : (p.z > 1.0 ? 1.0 : p.z);
    *t = acos(-z) / pi;
    *s = atan2(-p.x, p.y) / (2.0 * pi);
    if (*s < 0.0)
        *s += 1.0;
    if (*s >= 1.0)
        *s -= 1.0;
}

TangentFrame tangentFrame(const Vec3& p)
{
    TangentFrame frame;
    frame.normal = normalize(p);
    frame.tangent = normalize(Vec3{-frame.normal.y, frame.normal.x, 0.0});
    frame.bitangent = cross(frame.normal, frame.tangent);
    return frame;
}

void encodeNormal(Vec3 n, uint8_t rgb[3])
{
    rgb[0] = encodeComponent(n.x);
    rgb[1] = encodeComponent(n.y);
    rgb[2] = encodeComponent(n.z);
}

RgbPicture encodeSphereNormalMap(int width, int height, const SphereHeight& heightAt)
{
    // Heights on a grid twice as fine as the texels, with one extra row beyond each pole: a row
    // at t < 0 or t > 1 is the row across the pole, which spherePoint yields by itself.
    const int gw = 2 * width;
    const int gh = 2 * height + 2;
    std::vector<double> grid(static_cast<size_t>(gw) * gh);
    for (int m = 0; m < gh; ++m) {
        double t = (m - 1 + 0.5) / (2.0 * height);
        for (int k = 0; k < gw; ++k) {
            grid[static_cast<size_t>(m) * gw + k] = heightAt(spherePoint((k + 0.5) / gw, t));
        }
    }
    auto h = [&](int k, int m) { return grid[static_cast<size_t>(m) * gw + ((k + gw) % gw)]; };

    // Surface distance between grid neighbours: along a meridian it is the same everywhere,
    // along a parallel it shrinks with the parallel's radius.
    const double stepB = pi / (2.0 * height);
    RgbPicture picture(width, height);
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            Vec3 sum;
            for (int sub = 0; sub < 4; ++sub) {
                int k = 2 * i + (sub & 1);
                int m = 2 * j + (sub >> 1) + 1;
                double t = (m - 1 + 0.5) / (2.0 * height);
                double stepT = 2.0 * pi * sin(pi * t) / gw;
                double slopeT = (h(k + 1, m) - h(k - 1, m)) / (2.0 * stepT);
                double slopeB = (h(k, m + 1) - h(k, m - 1)) / (2.0 * stepB);
                sum = sum + normalize(Vec3{-slopeT, -slopeB, 1.0});
            }
            encodeNormal(normalize(sum), picture.at(i, j));
        }
    }
    return picture;
}
