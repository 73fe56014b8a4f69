#include "tools/textures/noise.h"

#include "tools/textures/scalar_math.h"

#include <cmath>

namespace {

uint32_t mix32(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

// Quintic fade: continuous slope and curvature across lattice cells, so no grid lines show.
double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

int wrap(int i, int period)
{
    if (period <= 0)
        return i;
    int r = i % period;
    return r < 0 ? r + period : r;
}

// Sixteen evenly spread unit directions, written out so no start-up computation is needed.
const double directions2[16][2] = {
    {1.0, 0.0},         {0.92388, 0.38268},   {0.70711, 0.70711},   {0.38268, 0.92388},
    {0.0, 1.0},         {-0.38268, 0.92388},  {-0.70711, 0.70711},  {-0.92388, 0.38268},
    {-1.0, 0.0},        {-0.92388, -0.38268}, {-0.70711, -0.70711}, {-0.38268, -0.92388},
    {0.0, -1.0},        {0.38268, -0.92388},  {0.70711, -0.70711},  {0.92388, -0.38268}};

const double directions3[12][3] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0},
                                   {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
                                   {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}};

double corner2(int ix, int iy, double dx, double dy, uint32_t seed)
{
    const double* g = directions2[hashInts(ix, iy, 0, seed) & 15u];
    return g[0] * dx + g[1] * dy;
}

double corner3(int ix, int iy, int iz, double dx, double dy, double dz, uint32_t seed)
{
    const double* g = directions3[hashInts(ix, iy, iz, seed) % 12u];
    return g[0] * dx + g[1] * dy + g[2] * dz;
}

}  // namespace

uint32_t hashInts(int32_t a, int32_t b, int32_t c, uint32_t seed)
{
    uint32_t h = mix32(seed + 0x9e3779b9u);
    h = mix32(h ^ static_cast<uint32_t>(a));
    h = mix32(h + static_cast<uint32_t>(b) * 0x85ebca6bu);
    h = mix32(h ^ (static_cast<uint32_t>(c) * 0xc2b2ae35u));
    return h;
}

double hashUnit(int32_t a, int32_t b, int32_t c, uint32_t seed)
{
    return (hashInts(a, b, c, seed) >> 8) * (1.0 / 16777216.0);
}

uint64_t Random::next()
{
    state_ += 0x9e3779b97f4a7c15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

double Random::unit() { return (next() >> 11) * (1.0 / 9007199254740992.0); }

double gradientNoise2(double x, double y, uint32_t seed, int periodX, int periodY)
{
    double fx = floor(x);
    double fy = floor(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    double dx = x - fx;
    double dy = y - fy;
    int x0 = wrap(ix, periodX), x1 = wrap(ix + 1, periodX);
    int y0 = wrap(iy, periodY), y1 = wrap(iy + 1, periodY);
    double n00 = corner2(x0, y0, dx, dy, seed);
    double n10 = corner2(x1, y0, dx - 1.0, dy, seed);
    double n01 = corner2(x0, y1, dx, dy - 1.0, seed);
    double n11 = corner2(x1, y1, dx - 1.0, dy - 1.0, seed);
    double u = fade(dx);
    // Scaled so the result spans roughly -1..1.
    return 1.4 * mix(mix(n00, n10, u), mix(n01, n11, u), fade(dy));
}

double gradientNoise3(double x, double y, double z, uint32_t seed)
{
    double fx = floor(x), fy = floor(y), fz = floor(z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    double dx = x - fx, dy = y - fy, dz = z - fz;
    double u = fade(dx), v = fade(dy), w = fade(dz);
    double c000 = corner3(ix, iy, iz, dx, dy, dz, seed);
    double c100 = corner3(ix + 1, iy, iz, dx - 1, dy, dz, seed);
    double c010 = corner3(ix, iy + 1, iz, dx, dy - 1, dz, seed);
    double c110 = corner3(ix + 1, iy + 1, iz, dx - 1, dy - 1, dz, seed);
    double c001 = corner3(ix, iy, iz + 1, dx, dy, dz - 1, seed);
    double c101 = corner3(ix + 1, iy, iz + 1, dx - 1, dy, dz - 1, seed);
    double c011 = corner3(ix, iy + 1, iz + 1, dx, dy - 1, dz - 1, seed);
    double c111 = corner3(ix + 1, iy + 1, iz + 1, dx - 1, dy - 1, dz - 1, seed);
    double near = mix(mix(c000, c100, u), mix(c010, c110, u), v);
    double far = mix(mix(c001, c101, u), mix(c011, c111, u), v);
    return mix(near, far, w);
}

double fractalNoise2(double x, double y, int octaves, uint32_t seed, int periodX, int periodY)
{
    double sum = 0.0, amplitude = 1.0, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * gradientNoise2(x, y, seed + 7919u * i, periodX, periodY);
        norm += amplitude;
        x *= 2.0;
        y *= 2.0;
        periodX *= 2;
        periodY *= 2;
        amplitude *= 0.5;
    }
    return sum / norm;
}
