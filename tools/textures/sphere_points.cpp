#include "tools/textures/sphere_points.h"

#include "tools/textures/noise.h"
#include "tools/textures/scalar_math.h"

#include <algorithm>
#include <cmath>

namespace {

// The icosahedron with one vertex on each pole: two rings of five between them.
std::vector<Vec3> icosahedronVertices()
{
    std::vector<Vec3> v;
    v.push_back({0, 0, 1});
    double ringZ = 1.0 / sqrt(5.0);
    double ringR = 2.0 / sqrt(5.0);
    for (int i = 0; i < 5; ++i) {
        double a = 2.0 * pi * i / 5.0;
        v.push_back({ringR * cos(a), ringR * sin(a), ringZ});
    }
    for (int i = 0; i < 5; ++i) {
        double a = 2.0 * pi * (i + 0.5) / 5.0;
        v.push_back({ringR * cos(a), ringR * sin(a), -ringZ});
    }
    v.push_back({0, 0, -1});
    return v;
}

void addUnique(std::vector<Vec3>& points, Vec3 p)
{
    for (const Vec3& q : points) {
        if (length(q - p) < 1e-9)
            return;
    }
    points.push_back(p);
}

}  // namespace

std::vector<Vec3> geodesicPoints(int frequency)
{
    std::vector<Vec3> ico = icosahedronVertices();
    const int faces[20][3] = {{0, 1, 2},  {0, 2, 3},  {0, 3, 4},  {0, 4, 5},  {0, 5, 1},
                              {1, 6, 2},  {2, 7, 3},  {3, 8, 4},  {4, 9, 5},  {5, 10, 1},
                              {6, 7, 2},  {7, 8, 3},  {8, 9, 4},  {9, 10, 5}, {10, 6, 1},
                              {11, 7, 6}, {11, 8, 7}, {11, 9, 8}, {11, 10, 9}, {11, 6, 10}};
    std::vector<Vec3> points;
    for (const auto& f : faces) {
        Vec3 a = ico[f[0]], b = ico[f[1]], c = ico[f[2]];
        for (int i = 0; i <= frequency; ++i) {
            for (int j = 0; i + j <= frequency; ++j) {
                Vec3 p = a + (double(i) / frequency) * (b - a) + (double(j) / frequency) * (c - a);
                addUnique(points, normalize(p));
            }
        }
    }
    return points;
}

std::vector<Vec3> scatteredPoints(int count, double minDistance, uint64_t seed)
{
    Random random(seed);
    std::vector<Vec3> points;
    SpherePointIndex placed(minDistance);
    for (int n = 0; n < count; ++n) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            // Uniform on the sphere: uniform height and uniform angle.
            double z = random.range(-1.0, 1.0);
            double a = random.range(0.0, 2.0 * pi);
            double r = sqrt(std::max(0.0, 1.0 - z * z));
            Vec3 p{r * cos(a), r * sin(a), z};
            bool clear = true;
            for (int i : placed.near(p)) {
                if (length(points[i] - p) < minDistance) {
                    clear = false;
                    break;
                }
            }
            if (clear) {
                placed.add(static_cast<int>(points.size()), p);
                points.push_back(p);
                break;
            }
        }
    }
    return points;
}

std::vector<double> nearestNeighbourDistances(const std::vector<Vec3>& points)
{
    std::vector<double> result(points.size(), 2.0);
    for (size_t i = 0; i < points.size(); ++i) {
        for (size_t j = 0; j < points.size(); ++j) {
            if (i != j)
                result[i] = std::min(result[i], length(points[i] - points[j]));
        }
    }
    return result;
}

SpherePointIndex::SpherePointIndex(double reachDistance) : reach_(reachDistance)
{
    // Cells no smaller than the reach keep each point's list of cells short.
    cellsPerSide_ = std::max(1, std::min(48, static_cast<int>(2.0 / reachDistance)));
    cells_.assign(static_cast<size_t>(cellsPerSide_) * cellsPerSide_ * cellsPerSide_, {});
}

SpherePointIndex::SpherePointIndex(const std::vector<Vec3>& points, double reach)
    : SpherePointIndex(reach)
{
    for (int index = 0; index < static_cast<int>(points.size()); ++index)
        add(index, points[index]);
}

void SpherePointIndex::add(int index, const Vec3& p)
{
    int x0 = cellOf(p.x - reach_), x1 = cellOf(p.x + reach_);
    int y0 = cellOf(p.y - reach_), y1 = cellOf(p.y + reach_);
    int z0 = cellOf(p.z - reach_), z1 = cellOf(p.z + reach_);
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y)
            for (int z = z0; z <= z1; ++z)
                cells_[cellIndex(x, y, z)].push_back(index);
}

const std::vector<int>& SpherePointIndex::near(const Vec3& p) const
{
    return cells_[cellIndex(cellOf(p.x), cellOf(p.y), cellOf(p.z))];
}

int SpherePointIndex::cellOf(double coordinate) const
{
    int cell = static_cast<int>(floor((coordinate + 1.0) * 0.5 * cellsPerSide_));
    return std::max(0, std::min(cellsPerSide_ - 1, cell));
}

size_t SpherePointIndex::cellIndex(int x, int y, int z) const
{
    return (static_cast<size_t>(x) * cellsPerSide_ + y) * cellsPerSide_ + z;
}
