// Point sets on the unit sphere for the ball's patterns, and a bucket grid that finds the
// points near a query without scanning them all.
#pragma once
#include "tools/textures/vec3.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The vertices of an icosahedron whose edges are cut into `frequency` parts, pushed onto the
// sphere: 10 * frequency^2 + 2 points, evenly spread, with five-fold centres at the z poles.
std::vector<Vec3> geodesicPoints(int frequency);

// `count` points in random places, none closer than `minDistance` (chord length) to another;
// gives up on a point after a fixed number of tries, so it may return fewer.
std::vector<Vec3> scatteredPoints(int count, double minDistance, uint64_t seed);

// Chord distance from each point to its nearest neighbour.
std::vector<double> nearestNeighbourDistances(const std::vector<Vec3>& points);

class SpherePointIndex {
public:
    // Every point lies within `reach` (chord length) of the queries that report it.
    explicit SpherePointIndex(double reachDistance);
    SpherePointIndex(const std::vector<Vec3>& points, double reach);

    void add(int index, const Vec3& p);

    // Indices of the points that may lie within `reach` of p (a superset: callers measure).
    const std::vector<int>& near(const Vec3& p) const;

private:
    int cellOf(double coordinate) const;
    size_t cellIndex(int x, int y, int z) const;

    double reach_;
    int cellsPerSide_;
    std::vector<std::vector<int>> cells_;
};
