// Tangent-space normal maps for the ball, computed from height fields on the unit sphere.
// Texture coordinate (s, t) lies at spherePoint(s, t): s runs once around the z axis, t from the
// -z pole (0) to the +z pole (1), as the sphere quadric lays them out. The tangent frame at P is
// N = P, T = normalize(dP/ds), B = cross(N, T), and a normal (nT, nB, nN) in it is stored as
// round(127.5 + 127.5 * component) in red, green and blue, so flat is (128, 128, 255).
#pragma once
#include "tools/textures/rgb_picture.h"
#include "tools/textures/vec3.h"

#include <cstdint>
#include <functional>

// Height above the unit sphere at a point of it, in the sphere's radius as unit.
using SphereHeight = std::function<double(const Vec3& p)>;

Vec3 spherePoint(double s, double t);

// The longitude fraction s in [0, 1) and the pole-to-pole fraction t of a unit-sphere point.
void sphereCoordinates(const Vec3& p, double* s, double* t);

struct TangentFrame {
    Vec3 tangent, bitangent, normal;
};

// The frame at a point off the z axis (texel centres never lie on it).
TangentFrame tangentFrame(const Vec3& p);

// A unit normal in tangent space as stored bytes.
void encodeNormal(Vec3 n, uint8_t rgb[3]);

// The normal map of a height field, width by height texels, texel (i, j) at
// s = (i + 0.5) / width, t = (j + 0.5) / height. Slopes come from differences taken along the
// surface a fraction of a texel apart, so features keep their true shape at any latitude; each
// texel averages the normals of a 2 by 2 grid of samples inside it, which keeps sharp rims from
// stair-stepping.
RgbPicture encodeSphereNormalMap(int width, int height, const SphereHeight& heightAt);
