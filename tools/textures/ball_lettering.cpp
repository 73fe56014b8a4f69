#include "tools/textures/ball_patterns.h"

#include "tools/textures/scalar_math.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Segment {
    double x0, y0, x1, y1;
};

// A capital drawn with strokes along centre lines, in units of the letter's height.
struct Glyph {
    double width = 0;
    std::vector<Segment> strokes;
    double starRadius = 0;  // a filled five-pointed star centred on (starRadius, 0.5) when > 0
};

void addArc(Glyph& glyph, double cx, double cy, double radius, double fromDeg, double toDeg)
{
    const int pieces = 10;
    for (int i = 0; i < pieces; ++i) {
        double a0 = (fromDeg + (toDeg - fromDeg) * i / pieces) * pi / 180.0;
        double a1 = (fromDeg + (toDeg - fromDeg) * (i + 1) / pieces) * pi / 180.0;
        glyph.strokes.push_back({cx + radius * cos(a0), cy + radius * sin(a0),
                                 cx + radius * cos(a1), cy + radius * sin(a1)});
    }
}

Glyph star(double radius)
{
    Glyph glyph;
    glyph.width = 2.0 * radius;
    glyph.starRadius = radius;
    return glyph;
}

Glyph letter(char c)
{
    Glyph g;
    switch (c) {
    case 'K':
        g.width = 0.62;
        g.strokes = {{0, 0, 0, 1}, {0.62, 1, 0, 0.36}, {0.2, 0.56, 0.62, 0}};
        break;
    case 'U':
        g.width = 0.6;
        g.strokes = {{0, 1, 0, 0.3}, {0.6, 1, 0.6, 0.3}};
        addArc(g, 0.3, 0.3, 0.3, 180, 360);
        break;
    case 'L':
        g.width = 0.5;
        g.strokes = {{0, 1, 0, 0}, {0, 0, 0.5, 0}};
        break;
    case 'E':
        g.width = 0.52;
        g.strokes = {{0, 0, 0, 1}, {0, 1, 0.52, 1}, {0, 0.5, 0.42, 0.5}, {0, 0, 0.52, 0}};
        break;
    case 'R':
        g.width = 0.58;
        g.strokes = {{0, 0, 0, 1}, {0, 1, 0.3, 1}, {0.3, 0.48, 0, 0.48}, {0.26, 0.48, 0.58, 0}};
        addArc(g, 0.3, 0.74, 0.26, 90, -90);
        break;
    case 'I':
        g.width = 0.0;
        g.strokes = {{0, 0, 0, 1}};
        break;
    case 'X':
        g.width = 0.62;
        g.strokes = {{0, 0, 0.62, 1}, {0, 1, 0.62, 0}};
        break;
    default:
        break;
    }
    return g;
}

double segmentDistance(const Segment& s, double x, double y)
{
    double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    double len2 = dx * dx + dy * dy;
    double u = len2 > 0.0 ? ((x - s.x0) * dx + (y - s.y0) * dy) / len2 : 0.0;
    u = std::min(1.0, std::max(0.0, u));
    double ex = x - (s.x0 + u * dx), ey = y - (s.y0 + u * dy);
    return sqrt(ex * ex + ey * ey);
}

// Signed distance to a filled star of outer radius r centred at the origin, negative inside.
double starSignedDistance(double x, double y, double r)
{
    const double innerRatio = 0.42;
    Segment edges[10];
    double px[10], py[10];
    for (int i = 0; i < 10; ++i) {
        double a = pi / 2.0 + pi * i / 5.0;
        double radius = (i % 2 == 0) ? r : r * innerRatio;
        px[i] = radius * cos(a);
        py[i] = radius * sin(a);
    }
    bool inside = false;
    double best = 1e9;
    for (int i = 0, j = 9; i < 10; j = i++) {
        edges[i] = {px[j], py[j], px[i], py[i]};
        best = std::min(best, segmentDistance(edges[i], x, y));
        if ((py[i] > y) != (py[j] > y) &&
            x < px[j] + (y - py[j]) * (px[i] - px[j]) / (py[i] - py[j]))
            inside = !inside;
    }
    return inside ? -best : best;
}

const double strokeHalfWidth = 0.09;  // half the stroke width, letter units

// Distance from (x, y) to the glyph's stroke centre lines; a filled star counts as ink out to
// its outline, so it is reported as if its outline were a stroke's edge.
double glyphDistance(const Glyph& g, double x, double y)
{
    double best = 1e9;
    for (const Segment& s : g.strokes)
        best = std::min(best, segmentDistance(s, x, y));
    if (g.starRadius > 0) {
        const double star = starSignedDistance(x - g.starRadius, y - 0.5, g.starRadius);
        best = std::min(best, std::max(0.0, star + strokeHalfWidth));
    }
    return best;
}

struct PlacedGlyph {
    Glyph glyph;
    double start;  // left edge of its box along the line, letter units
};

// One line of text closed into a ring around a pole: the word twice, each followed by a star.
struct Inscription {
    std::vector<PlacedGlyph> glyphs;
    double length = 0;  // letter units around the whole ring
};

const double glyphGap = 0.36;  // between glyph boxes, letter units

Inscription makeInscription(int copies, double starRadius)
{
    Inscription line;
    for (int copy = 0; copy < copies; ++copy) {
        for (const char* c = "KULLERIX"; *c; ++c) {
            line.glyphs.push_back({letter(*c), line.length});
            line.length += line.glyphs.back().glyph.width + glyphGap;
        }
        line.glyphs.push_back({star(starRadius), line.length});
        line.length += line.glyphs.back().glyph.width + glyphGap;
    }
    return line;
}

// Distance in letter units from (x, y) to the ink of the ring's text; x wraps around the ring.
double inscriptionDistance(const Inscription& line, double x, double y)
{
    double best = 1e9;
    for (const PlacedGlyph& pg : line.glyphs) {
        // The glyph's position relative to x, taken the short way round the ring.
        double local = fmod(x - pg.start, line.length);
        if (local < 0)
            local += line.length;
        if (local > line.length / 2)
            local -= line.length;
        if (local < -glyphGap / 2 || local > pg.glyph.width + glyphGap / 2)
            continue;
        best = std::min(best, glyphDistance(pg.glyph, local, y));
    }
    return best;
}

// A raised plateau over ink within `halfWidth`, its edge a bevel of `bevel` either side.
double raised(double distance, double halfWidth, double bevel, double height)
{
    return height * smoothstep(0.0, 1.0, (halfWidth - distance + bevel) / (2.0 * bevel));
}

struct Lettering {
    Inscription line;
    double ringColatitude = 0.66;  // from the pole to the middle of the letters
    double letterHeight = 0;       // radians of arc
};

}  // namespace

SphereHeight raisedLettering()
{
    auto lettering = std::make_shared<Lettering>();
    lettering->line = makeInscription(1, 0.62);
    // The letters fill the ring exactly, so the text closes on itself without a seam.
    lettering->letterHeight = 2.0 * pi * sin(lettering->ringColatitude) / lettering->line.length;

    return [lettering](const Vec3& p) {
        const Lettering& l = *lettering;
        const double bevel = 0.008;
        const double height = 0.013;
        double s, t;
        sphereCoordinates(p, &s, &t);
        // Work from the nearer pole. Seen from outside, the text's up points away from its pole
        // and its reading direction is s decreasing around +z and s increasing around -z.
        bool north = t > 0.5;
        double colatitude = north ? pi * (1.0 - t) : pi * t;
        double around = (north ? 1.0 - s : s) * 2.0 * pi;

        double h = 0.0;
        double L = l.letterHeight;
        double bandLow = l.ringColatitude - 0.5 * L;
        double bandHigh = l.ringColatitude + 0.5 * L;
        if (colatitude > bandLow - 0.1 && colatitude < bandHigh + 0.1) {
            double x = around * sin(l.ringColatitude) / L;
            double y = (colatitude - bandLow) / L;
            const double ink = inscriptionDistance(l.line, x, y) * L;
            h = std::max(h, raised(ink, strokeHalfWidth * L, bevel, height));
        }
        // Thin rims frame the inscription on both sides.
        for (double rim : {bandLow - 0.07, bandHigh + 0.07}) {
            h = std::max(h, raised(fabs(colatitude - rim), 0.012, bevel, height));
        }
        // The star on the pole, in a tangent-plane view of the cap around it.
        const double starRadius = 0.3;
        if (colatitude < starRadius * 1.3) {
            double d = starSignedDistance(colatitude * cos(around), colatitude * sin(around),
                                          starRadius);
            // Broad bevels: next to the pole the mipmaps smear sharp edges into a fringe.
            h = std::max(h, raised(d, 0.0, 0.03, 1.5 * height));
        }
        // A zigzag band runs around the equator.
        double lat = pi * (t - 0.5);
        if (fabs(lat) < 0.3) {
            const int teeth = 18;
            double phase = fmod(s * teeth, 1.0);
            double tri = 4.0 * fabs(phase - 0.5) - 1.0;  // -1..1 along each tooth
            double zig = 0.16 * tri;
            // Distance to the zigzag, measured across its slanted legs.
            double slope = 0.16 * 4.0 / (2.0 * pi / teeth);
            double d = fabs(lat - zig) / sqrt(1.0 + slope * slope);
            h = std::max(h, raised(d, strokeHalfWidth * L, bevel, height));
        }
        return h;
    };
}
