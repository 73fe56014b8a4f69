// The texture generator writes readable, seamless and reproducible textures and normal maps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "data/run_files.h"
#include "tests/support/temp_file.h"
#include "tools/image_files/bmp_writer.h"
#include "tools/image_files/file_bytes.h"
#include "tools/textures/scalar_math.h"
#include "tools/textures/sphere_normal_map.h"
#include "tools/textures/texture_set.h"

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

Vec3 decode(const uint8_t* rgb) {
    return {(rgb[0] - 127.5) / 127.5, (rgb[1] - 127.5) / 127.5, (rgb[2] - 127.5) / 127.5};
}

int channelDistance(const uint8_t* a, const uint8_t* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// How much larger the step across the picture's wrap is than the steps right beside it, along
// x (column W-1 to column 0) or along y (row H-1 to row 0), summed over the whole edge. Where
// the picture continues smoothly the steps agree and the ratio stays near 1, even when a groove
// or a joint happens to lie on the wrap; a cut through the pattern shows as a jump several
// times the steps beside it.
double wrapJumpRatio(const RgbPicture& p, bool alongX) {
    int across = alongX ? p.height : p.width;
    int n = alongX ? p.width : p.height;
    auto px = [&](int a, int i) { return alongX ? p.at(i, a) : p.at(a, i); };
    double wrap = 0, beside = 0;
    for (int a = 0; a < across; ++a) {
        wrap += channelDistance(px(a, n - 1), px(a, 0));
        beside += 0.5 * (channelDistance(px(a, n - 2), px(a, n - 1)) + channelDistance(px(a, 0), px(a, 1)));
    }
    return wrap / (beside + 1.0);
}

RgbPicture window(const RgbPicture& p, int x0, int y0, int width, int height) {
    RgbPicture out(width, height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < 3; ++c) out.at(x, y)[c] = p.at(x0 + x, y0 + y)[c];
    return out;
}

// Angle in degrees between a stored normal and the unperturbed surface normal.
double tiltDegrees(const uint8_t* rgb) {
    Vec3 n = normalize(decode(rgb));
    return std::acos(std::min(1.0, n.z)) * 180.0 / pi;
}

}  // namespace

TEST(TextureBmpWriter, WritesA24BitBottomUpFileWithPaddedRows) {
    RgbPicture p(3, 2);  // 9 bytes of pixels per row, padded to 12
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            p.at(x, y)[0] = static_cast<uint8_t>(10 * x + y);  // red
            p.at(x, y)[1] = 100;
            p.at(x, y)[2] = static_cast<uint8_t>(200 + y);  // blue
        }
    std::vector<uint8_t> f = encodeBmp24(p.rgb.data(), p.width, p.height);

    ASSERT_EQ(f.size(), 54u + 2 * 12);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(le32(f, 2), f.size());  // file size
    EXPECT_EQ(le32(f, 10), 54u);      // pixel data offset
    EXPECT_EQ(le32(f, 14), 40u);      // info header size
    EXPECT_EQ(static_cast<int32_t>(le32(f, 18)), 3);
    EXPECT_EQ(static_cast<int32_t>(le32(f, 22)), 2);  // positive height: bottom row first
    EXPECT_EQ(le16(f, 26), 1);                        // planes
    EXPECT_EQ(le16(f, 28), 24);                       // bits per pixel
    EXPECT_EQ(le32(f, 30), 0u);                       // uncompressed
    EXPECT_EQ(le32(f, 34), 24u);                      // image bytes
    EXPECT_EQ(le32(f, 46), 0u);                       // no colour table

    // First stored row is picture row 0, each pixel blue-green-red, then three zero bytes.
    const uint8_t row0[12] = {200, 100, 0, 200, 100, 10, 200, 100, 20, 0, 0, 0};
    const uint8_t row1[12] = {201, 100, 1, 201, 100, 11, 201, 100, 21, 0, 0, 0};
    EXPECT_TRUE(std::equal(row0, row0 + 12, f.begin() + 54));
    EXPECT_TRUE(std::equal(row1, row1 + 12, f.begin() + 66));
}

TEST(TextureBmpWriter, ReportsAFileThatCannotBeCreatedByItsPathAndWhatWentWrong) {
    std::string error;
    EXPECT_FALSE(writeFileBytes("/nonexistent-folder/textures/brick.bmp", {'B', 'M'}, &error));
    EXPECT_EQ(error, "cannot create /nonexistent-folder/textures/brick.bmp");
    // The generator passes that reason on whole: the first file it writes cannot be created.
    error.clear();
    EXPECT_FALSE(writeTextureSet("/nonexistent-folder", &error));
    EXPECT_EQ(error, std::string("cannot create /nonexistent-folder/") + floorTextureFile);
}

TEST(SphereNormalMap, FlatAndConstantHeightsGiveTheFlatNormalEverywhere) {
    for (double level : {0.0, 0.25}) {
        RgbPicture map = encodeSphereNormalMap(64, 32, [level](const Vec3&) { return level; });
        for (int y = 0; y < map.height; ++y)
            for (int x = 0; x < map.width; ++x) {
                const uint8_t* px = map.at(x, y);
                ASSERT_EQ(px[0], 128) << x << "," << y;
                ASSERT_EQ(px[1], 128) << x << "," << y;
                ASSERT_EQ(px[2], 255) << x << "," << y;
            }
    }
}

TEST(SphereNormalMap, TexelsLieWhereTheSphereQuadricPutsThem) {
    // s runs around z starting on +y, t from the -z pole to the +z pole.
    Vec3 p = spherePoint(0.0, 0.5);
    EXPECT_NEAR(p.y, 1.0, 1e-12);
    p = spherePoint(0.25, 0.5);
    EXPECT_NEAR(p.x, -1.0, 1e-12);
    EXPECT_NEAR(spherePoint(0.3, 0.0).z, -1.0, 1e-12);
    EXPECT_NEAR(spherePoint(0.3, 1.0).z, 1.0, 1e-12);
    // The inverse used by patterns laid out in (s, t) finds the same place, seam included.
    for (double s : {0.0005, 0.25, 0.5, 0.9995})
        for (double t : {0.001, 0.3, 0.5, 0.999}) {
            double s2, t2;
            sphereCoordinates(spherePoint(s, t), &s2, &t2);
            EXPECT_NEAR(s2, s, 1e-9);
            EXPECT_NEAR(t2, t, 1e-9);
        }
}

TEST(SphereNormalMap, ATiltedPlaneGivesItsExactGradientAtEveryLatitudeAndAcrossTheSeam) {
    // h = a.x + b.z: its slope along the surface is (a, 0, b) projected on the frame, with
    // T = (-cos 2 pi s, -sin 2 pi s, 0) and B = (-sin 2 pi s cos pi t, cos 2 pi s cos pi t, sin pi t).
    const double a = 0.4, b = 0.3;
    RgbPicture map = encodeSphereNormalMap(128, 64, [&](const Vec3& p) { return a * p.x + b * p.z; });
    for (int y = 0; y < map.height; ++y) {
        double t = (y + 0.5) / map.height;
        for (int x : {0, 1, 37, 64, 126, 127}) {
            double s = (x + 0.5) / map.width;
            double slopeT = a * -std::cos(2 * pi * s);
            double slopeB = a * -std::sin(2 * pi * s) * std::cos(pi * t) + b * std::sin(pi * t);
            Vec3 expected = normalize(Vec3{-slopeT, -slopeB, 1.0});
            Vec3 got = decode(map.at(x, y));
            EXPECT_NEAR(got.x, expected.x, 1.5 / 127.5) << "s " << s << " t " << t;
            EXPECT_NEAR(got.y, expected.y, 1.5 / 127.5) << "s " << s << " t " << t;
            EXPECT_NEAR(got.z, expected.z, 1.5 / 127.5) << "s " << s << " t " << t;
        }
    }
}

TEST(SphereNormalMap, NormalsAreStoredAsUnitVectorsRoundedToTheNearestByte) {
    uint8_t rgb[3];
    encodeNormal({0, 0, 1}, rgb);
    EXPECT_EQ(rgb[0], 128);
    EXPECT_EQ(rgb[1], 128);
    EXPECT_EQ(rgb[2], 255);
    encodeNormal(normalize(Vec3{-1, 0, 1}), rgb);  // 127.5 -+ 90.16
    EXPECT_EQ(rgb[0], 37);
    EXPECT_EQ(rgb[1], 128);
    EXPECT_EQ(rgb[2], 218);
    encodeNormal({1, -1, 0}, rgb);  // out-of-range components clamp instead of wrapping
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[1], 0);
}

// The pictures, each made on first use: ctest runs every test in a process of its own, so
// a test makes only the pictures it looks at.
class GeneratedTextures : public ::testing::Test {
protected:
    static const RgbPicture& floorPicture() { return cached(0, makeHardwoodFloor); }
    static const RgbPicture& bricpicture() { return cached(1, makeBrickWall); }
    static const RgbPicture& normalMap(int number) {
        static RgbPicture maps[normalMapCount];
        RgbPicture& m = maps[number - 1];
        if (m.width == 0) m = makeNormalMap(number);
        return m;
    }

private:
    static const RgbPicture& cached(int slot, RgbPicture (*make)()) {
        static RgbPicture pictures[2];
        if (pictures[slot].width == 0) pictures[slot] = make();
        return pictures[slot];
    }
};

TEST_F(GeneratedTextures, AreWrittenUnderTheProgramsNamesWithTheSameBytesInEveryProcess) {
    // The build's generator wrote the run directory's files in a process of its own: a picture
    // that hung on the process (uninitialised memory, addresses, the clock) differs from here.
    std::vector<std::pair<const char*, const RgbPicture*>> files = {
        {floorTextureFile, &floorPicture()}, {wallTextureFile, &bricpicture()}};
    for (int i = 0; i < normalMapCount; ++i) {
        files.push_back({normalMapFiles[i], &normalMap(i + 1)});
        EXPECT_EQ(normalMap(i + 1).width, 2 * normalMap(i + 1).height)
            << files.back().first << ": texels square on the equator";
    }
    for (const auto& [file, picture] : files) {
        EXPECT_TRUE(isPowerOfTwo(picture->width) && isPowerOfTwo(picture->height))
            << file << " " << picture->width << "x" << picture->height;
        EXPECT_TRUE(readFileBytes(std::string(KX_RUN_DIR) + "/" + file) ==
                    encodeBmp24(picture->rgb.data(), picture->width, picture->height))
            << file << " is stale, missing or not the same as this process's";
    }
}

TEST_F(GeneratedTextures, FloorAndBricksRepeatWithoutVisibleSeams) {
    const RgbPicture& floor = floorPicture();
    const RgbPicture& brick = bricpicture();
    for (const RgbPicture* p : {&floor, &brick}) {
        EXPECT_LT(wrapJumpRatio(*p, true), 2.0);
        EXPECT_LT(wrapJumpRatio(*p, false), 2.0);
    }
    // The measure does see a seam: windows cut out mid-board and mid-brick do not repeat.
    RgbPicture boards = window(floor, 45, 70, floor.width / 2, floor.height / 2);
    RgbPicture bricks = window(brick, 60, 50, brick.width / 2, brick.height / 2);
    EXPECT_GT(wrapJumpRatio(boards, true), 3.0);
    EXPECT_GT(wrapJumpRatio(boards, false), 3.0);
    EXPECT_GT(wrapJumpRatio(bricks, true), 3.0);
    EXPECT_GT(wrapJumpRatio(bricks, false), 3.0);
}

TEST_F(GeneratedTextures, FloorIsWarmWoodAndWallsAreRedBrickBrightEnoughToShowUnlit) {
    auto mean = [](const RgbPicture& p, int c) {
        double sum = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) sum += p.at(x, y)[c];
        return sum / (double(p.width) * p.height);
    };
    const RgbPicture& floor = floorPicture();
    const RgbPicture& brick = bricpicture();
    // Drawn with GL_REPLACE, these bytes are what the viewer sees: mid-tones, not murk.
    double fr = mean(floor, 0), fg = mean(floor, 1), fb = mean(floor, 2);
    EXPECT_GT(fr, fg);
    EXPECT_GT(fg, fb);
    EXPECT_GT((fr + fg + fb) / 3, 100.0);
    EXPECT_LT((fr + fg + fb) / 3, 200.0);
    double br = mean(brick, 0), bg = mean(brick, 1), bb = mean(brick, 2);
    EXPECT_GT(br, bg + 40);
    EXPECT_GT((br + bg + bb) / 3, 80.0);
    // Mortar joints: a good share of pale, nearly grey texels.
    int mortar = 0;
    for (int y = 0; y < brick.height; ++y)
        for (int x = 0; x < brick.width; ++x) {
            const uint8_t* px = brick.at(x, y);
            if (px[0] > 110 && std::abs(px[0] - px[2]) < 40) ++mortar;
        }
    double share = mortar / double(brick.width * brick.height);
    EXPECT_GT(share, 0.05);
    EXPECT_LT(share, 0.3);
}

TEST_F(GeneratedTextures, NormalMapsHoldOutwardUnitNormalsThatMeetAtTheSeamAndThePoles) {
    for (int number = 1; number <= normalMapCount; ++number) {
        const RgbPicture& m = normalMap(number);
        double shortest = 2, longest = 0, lowestUp = 1;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) {
                Vec3 n = decode(m.at(x, y));
                shortest = std::min(shortest, length(n));
                longest = std::max(longest, length(n));
                lowestUp = std::min(lowestUp, n.z);
            }
        // Each component is off by at most half a step of 1/127.5.
        EXPECT_GT(shortest, 0.99) << "map " << number;
        EXPECT_LT(longest, 1.01) << "map " << number;
        EXPECT_GT(lowestUp, 0.2) << "map " << number;

        EXPECT_LT(wrapJumpRatio(m, true), 2.0) << "map " << number;
        // Cut at other longitudes (not a whole number of its repeats apart) the map shows the cut.
        EXPECT_GT(wrapJumpRatio(window(m, 301, 0, 700, m.height), true), 3.0) << "map " << number;

        // Right by a pole the sampler blends texels from all the way around it; the rows there
        // must agree, or the blend shows as a fringe where the ball faces the camera at start.
        const int rows = m.height / 64;  // about 3 degrees from each pole
        for (int y : {0, rows - 1, m.height - rows, m.height - 1}) {
            int spread = 0;
            for (int x = 1; x < m.width; ++x) spread = std::max(spread, channelDistance(m.at(x, y), m.at(0, y)));
            EXPECT_LE(spread, 3) << "map " << number << " row " << y;
        }
    }
}

TEST_F(GeneratedTextures, EachNormalMapHasClearFeaturesOfItsOwn) {
    for (int i = 0; i < normalMapCount; ++i) {
        const RgbPicture& m = normalMap(i + 1);
        double steepest = 0;
        int tilted = 0;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) {
                double tilt = tiltDegrees(m.at(x, y));
                steepest = std::max(steepest, tilt);
                if (tilt > 10) ++tilted;
            }
        // Bumps that catch the light, but no edge so steep it turns the surface away.
        EXPECT_GT(steepest, 30.0) << "map " << i + 1;
        EXPECT_LT(steepest, 75.0) << "map " << i + 1;
        EXPECT_GT(tilted, m.width * m.height / 50) << "map " << i + 1;

        for (int j = 0; j < i; ++j) {
            const RgbPicture& other = normalMap(j + 1);
            double difference = 0;
            for (int y = 0; y < m.height; ++y)
                for (int x = 0; x < m.width; ++x) difference += channelDistance(m.at(x, y), other.at(x, y));
            EXPECT_GT(difference / (m.width * m.height), 6.0) << "maps " << j + 1 << " and " << i + 1;
        }
    }
}
