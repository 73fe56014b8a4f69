#include "tools/textures/ball_patterns.h"

#include "tools/textures/noise.h"
#include "tools/textures/scalar_math.h"
#include "tools/textures/sphere_points.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// max(u, 0) with the corner rounded over `width`, so rims have no kink for the texels to alias.
double softPositive(double u, double width)
{
    if (u <= 0.0)
        return 0.0;
    if (u < width)
        return u * u / (2.0 * width);
    return u - width / 2.0;
}

// 0 within `calm` radians of either pole, rising to 1 at `full`. Next to a pole a screen pixel
// spans many texels around it but few along the meridian, so the mipmap chosen there blurs
// along the meridian too: fine detail near the poles only smears.
double polarCalm(const Vec3& p, double calm, double full)
{
    return smoothstep(calm, full, acos(std::min(1.0, fabs(p.z))));
}

struct Dimples {
    std::vector<Vec3> centres;
    std::vector<double> radii;
    std::unique_ptr<SpherePointIndex> index;
};

struct Dents {
    std::vector<Vec3> centres;
    std::vector<double> depths;
    std::vector<double> curvatures;
    std::unique_ptr<SpherePointIndex> index;
};

struct Drop {
    Vec3 centre;
    double ringRadius;  // chord distance where the packet is strongest
    double ringWidth;
    double amplitude;
    double phase;
};

}  // namespace

SphereHeight golfDimples()
{
    auto dimples = std::make_shared<Dimples>();
    dimples->centres = geodesicPoints(6);
    std::vector<double> spacing = nearestNeighbourDistances(dimples->centres);
    double largest = 0.0;
    for (double d : spacing) {
        // A narrow land stays between neighbours, as on a real ball.
        dimples->radii.push_back(0.46 * d);
        largest = std::max(largest, 0.46 * d);
    }
    dimples->index = std::make_unique<SpherePointIndex>(dimples->centres, largest);
    return [dimples](const Vec3& p) {
        double h = 0.0;
        for (int i : dimples->index->near(p)) {
            double r = dimples->radii[i];
            double x = length(p - dimples->centres[i]) / r;
            if (x >= 1.0)
                continue;
            // A spherical-cap bowl whose rim rolls over into the land.
            double bowl = softPositive(1.0 - x * x, 0.4);
            h = std::min(h, -0.48 * r * bowl);
        }
        return h;
    };
}

SphereHeight hammeredMetal()
{
    auto dents = std::make_shared<Dents>();
    const double spacing = 0.085;
    // One wide dent sits on each pole and the scatter keeps clear of it, so the pattern there is
    // round: texture filtering near a pole mixes texels from all around it.
    dents->centres = {{0, 0, 1}, {0, 0, -1}};
    dents->depths = {0.006, 0.006};
    dents->curvatures = {3.0, 3.0};
    Random random(0x77d1c0deull);
    for (const Vec3& c : scatteredPoints(4000, spacing, 0x4a6d3e21ull)) {
        if (fabs(c.z) > cos(0.14))
            continue;
        dents->centres.push_back(c);
        dents->depths.push_back(random.range(0.0, 0.006));
        dents->curvatures.push_back(random.range(4.5, 7.5));
    }
    // Every point lies within one spacing of some centre (the scatter fills the sphere), and a
    // bowl further than half a spacing beyond that cannot be the lowest.
    dents->index = std::make_unique<SpherePointIndex>(dents->centres, 1.5 * spacing);
    return [dents](const Vec3& p) {
        // Each blow leaves a shallow bowl; the surface is the lowest of the bowls around it,
        // with the ridges between them softened by a smooth minimum.
        // Ridges round off towards the poles, where sharp ones would only smear (polarCalm).
        const double soften = 0.0012 + 0.005 * (1.0 - polarCalm(p, 0.05, 0.4));
        const std::vector<int>& near = dents->index->near(p);
        if (near.empty())
            return 0.0;
        double bowls[256];
        int count = 0;
        double lowest = 1.0;
        for (int i : near) {
            Vec3 d = p - dents->centres[i];
            double bowl = dents->curvatures[i] * dot(d, d) - dents->depths[i];
            if (count < 256)
                bowls[count++] = bowl;
            lowest = std::min(lowest, bowl);
        }
        double sum = 0.0;
        for (int i = 0; i < count; ++i) {
            double above = (bowls[i] - lowest) / soften;
            if (above < 12.0)
                sum += exp(-above);
        }
        return lowest - soften * log(sum);
    };
}

SphereHeight rainRipples()
{
    auto drops = std::make_shared<std::vector<Drop>>();
    Random random(0xa11ce5ull);
    for (const Vec3& c : scatteredPoints(14, 0.6, 0x0d1ce5ull)) {
        Drop drop;
        drop.centre = c;
        drop.ringWidth = random.range(0.2, 0.3);
        // The packet stays clear of its own centre, where the rings would meet in a point.
        drop.ringRadius = drop.ringWidth + random.range(0.05, 0.3);
        drop.amplitude = random.range(0.8, 1.0);
        drop.phase = random.range(0.0, 2.0 * pi);
        drops->push_back(drop);
    }
    return [drops](const Vec3& p) {
        const double wavelength = 0.11;
        const double k = 2.0 * pi / wavelength;
        // Peak slope amplitude * k of about tan(45 degrees) where one packet dominates.
        const double amplitude = 0.95 / k;
        double h = 0.0;
        for (const Drop& drop : *drops) {
            double c = length(p - drop.centre);
            double offset = (c - drop.ringRadius) / drop.ringWidth;
            if (fabs(offset) >= 1.0)
                continue;
            double envelope = 0.5 + 0.5 * cos(pi * offset);
            h += amplitude * drop.amplitude * envelope * cos(k * c + drop.phase);
        }
        // A slow swell under the rings keeps the rest of the surface from looking dead flat.
        h += 0.004 * gradientNoise3(p.x * 3.0, p.y * 3.0, p.z * 3.0, 0x5a11u);
        // Calm water around the poles, where fine rings would only blur.
        return polarCalm(p, 0.12, 0.35) * h;
    };
}

namespace {

// The unit-sphere point at latitude `lat` (0 on the equator, +pi/2 at the +z pole) and
// longitude `lon` (2 pi s).
Vec3 latLonPoint(double lat, double lon) { return spherePoint(lon / (2.0 * pi), lat / pi + 0.5); }

struct Plating {
    std::vector<Vec3> rivets;
    std::unique_ptr<SpherePointIndex> index;
};

const double seamLatitudes[4] = {-1.05, -0.35, 0.35, 1.05};
const int platesAround = 12;
const double rivetRadius = 0.03;
const double rivetSpacing = 0.15;
const double rivetOffset = 0.075;  // from the seam's centre line
const double grooveWidth = 0.03;

// Longitude of the first meridian seam in latitude band `band` (0 to 2 between the four
// parallel seams); neighbouring bands are offset by half a plate, as plating is laid.
double bandSeamLongitude(int band) { return band == 1 ? pi / platesAround : 0.0; }

}  // namespace

SphereHeight rivetedPlates()
{
    auto plating = std::make_shared<Plating>();
    for (double seam : seamLatitudes) {
        for (int side = -1; side <= 1; side += 2) {
            double lat = seam + side * rivetOffset;
            int count = static_cast<int>(lround(2.0 * pi * cos(lat) / rivetSpacing));
            for (int k = 0; k < count; ++k)
                plating->rivets.push_back(latLonPoint(lat, 2.0 * pi * (k + 0.5) / count));
        }
    }
    for (int band = 0; band < 3; ++band) {
        double low = seamLatitudes[band] + rivetOffset + rivetSpacing * 0.8;
        double high = seamLatitudes[band + 1] - rivetOffset - rivetSpacing * 0.8;
        int count = static_cast<int>(lround((high - low) / rivetSpacing)) + 1;
        for (int m = 0; m < platesAround; ++m) {
            double seamLon = bandSeamLongitude(band) + 2.0 * pi * m / platesAround;
            for (int k = 0; k < count; ++k) {
                double lat = low + (high - low) * k / (count - 1);
                for (int side = -1; side <= 1; side += 2) {
                    const double lon = seamLon + side * rivetOffset / cos(lat);
                    plating->rivets.push_back(latLonPoint(lat, lon));
                }
            }
        }
    }
    plating->index = std::make_unique<SpherePointIndex>(plating->rivets, rivetRadius);

    return [plating](const Vec3& p) {
        double s, t;
        sphereCoordinates(p, &s, &t);
        double lat = pi * (t - 0.5);
        double lon = 2.0 * pi * s;
        double seamDistance = 1.0;
        int band = -1;
        for (int i = 0; i < 4; ++i) {
            seamDistance = std::min(seamDistance, fabs(lat - seamLatitudes[i]));
            if (i < 3 && lat > seamLatitudes[i] && lat < seamLatitudes[i + 1])
                band = i;
        }
        if (band >= 0) {
            double step = 2.0 * pi / platesAround;
            double offset = fmod(lon - bandSeamLongitude(band) + 2.0 * pi, step);
            double across = std::min(offset, step - offset) * cos(lat);
            seamDistance = std::min(seamDistance, across);
        }
        // The plates' rolled edges dip into a rounded groove at each seam.
        double groove = 1.0 - smoothstep(0.0, grooveWidth, seamDistance);
        double h = -0.022 * groove * groove;
        // Slight waviness of rolled plate.
        h += 0.0015 * polarCalm(p, 0.1, 0.22) *
             gradientNoise3(p.x * 5.0, p.y * 5.0, p.z * 5.0, 0x91a7u);
        for (int i : plating->index->near(p)) {
            double x = length(p - plating->rivets[i]) / rivetRadius;
            if (x < 1.0)
                h += 0.02 * softPositive(1.0 - x * x, 0.12);
        }
        return h;
    };
}
