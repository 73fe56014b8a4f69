// The BMP reader decodes a public suite of files as its reference pictures show, or refuses them.
#include "image/bmp_decode.h"
#include "image/bmp_image.h"
#include "tests/support/message_recorder.h"
#include "tests/support/png_reference.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const std::string suite = std::string(KX_CORPUS_DIR) + "/bmpsuite";

// FILES.txt lists each file ("g/pal8.bmp") and below it "Reference: ref/a.png, ref/b.png" or
// "Reference: N/A"; several references are equally acceptable renderings.
std::map<std::string, std::vector<std::string>> readReferences()
{
    std::map<std::string, std::vector<std::string>> references;
    std::ifstream list(suite + "/FILES.txt");
    std::string line;
    std::string current;
    while (std::getline(list, line)) {
        if (line.size() > 4 && line.compare(line.size() - 4, 4, ".bmp") == 0 && line[0] != ' ') {
            current = line;
            continue;
        }
        const std::string tag = "Reference: ";
        const size_t at = line.find(tag);
        if (current.empty() || at == std::string::npos)
            continue;
        std::stringstream names(line.substr(at + tag.size()));
        std::string name;
        while (names >> name) {
            if (name.back() == ',')
                name.pop_back();
            if (name.compare(0, 4, "ref/") == 0 && name.size() > 8 &&
                name.compare(name.size() - 4, 4, ".png") == 0)
                references[current].push_back(name);
        }
        current.clear();
    }
    return references;
}

struct Outcome {
    bool decoded = false;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<unsigned char> pixels;
    std::vector<RecordedMessage> messages;
};

Outcome load(const std::string& relative)
{
    Outcome outcome;
    MessageRecorder recorder;
    RgbImage* image = loadBmpImage((suite + "/" + relative).c_str());
    if (image) {
        outcome.decoded = true;
        outcome.width = image->width;
        outcome.height = image->height;
        outcome.pixels.assign(image->pixels, image->pixels + size_t(image->width) * image->height * 3);
        free(image->pixels);
        free(image);
    }
    outcome.messages = recorder.messages;

    // The loader reads a mapping whose last page AddressSanitizer does not guard; decoding an
    // exact heap copy as well catches any read past the end of the file.
    std::ifstream stream(suite + "/" + relative, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    std::unique_ptr<unsigned char[]> exact(new unsigned char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    RgbImage* copy = nullptr;
    EXPECT_EQ(decodeBmp(exact.get(), bytes.size(), &copy) == BmpDecoded, outcome.decoded);
    if (copy)
        free(copy->pixels);
    free(copy);
    return outcome;
}

// RGB bytes of a reference. A 16-bit reference is rounded to 8 bits, as the reader rounds
// wide channels (the shared loader truncates, which would differ from every correct decode).
ReferenceImage loadReference(const std::string& path)
{
    if (!stbi_is_16_bit(path.c_str()))
        return loadPngReference(path, 3);
    ReferenceImage reference;
    int channels = 0;
    stbi_us* wide = stbi_load_16(path.c_str(), &reference.width, &reference.height, &channels, 3);
    if (!wide)
        return ReferenceImage();
    reference.channels = 3;
    for (size_t i = 0; i < size_t(reference.width) * reference.height * 3; ++i)
        reference.pixels.push_back((unsigned char)((wide[i] * 255u + 32767) / 65535));
    stbi_image_free(wide);
    return reference;
}

// The first reference (bottom row first) that the decode equals to within tolerance per
// channel, or "" when none does.
std::string matchingReference(const Outcome& outcome, const std::vector<std::string>& references,
                              int tolerance = 0)
{
    for (const std::string& name : references) {
        ReferenceImage reference = loadReference(suite + "/" + name);
        EXPECT_GT(reference.width, 0) << "cannot read " << name;
        flipVertically(reference);
        if (reference.width != outcome.width || reference.height != outcome.height)
            continue;
        if (std::equal(reference.pixels.begin(), reference.pixels.end(), outcome.pixels.begin(),
                       outcome.pixels.end(), [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; }))
            return name;
    }
    return "";
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(suite + "/" + folder))
        if (entry.path().extension() == ".bmp")
            names.push_back(folder + "/" + entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The one message of a refusal, or a failure when there is none or more than one.
std::string refusal(const Outcome& outcome)
{
    if (outcome.decoded || outcome.messages.size() != 1)
        return "(" + std::to_string(outcome.messages.size()) + " messages, decoded " +
               std::to_string(outcome.decoded) + ")";
    EXPECT_EQ(outcome.messages[0].caption, "Error");
    return outcome.messages[0].text;
}

class BmpCorpus : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::is_directory(suite))
            GTEST_SKIP() << "the BMP suite is not at " << suite
                         << " (../shared/corpus beside the repository); corpus not checked";
        references = readReferences();
        ASSERT_FALSE(references.empty()) << "no references listed in " << suite << "/FILES.txt";
    }
    std::map<std::string, std::vector<std::string>> references;
};

const std::set<std::string> newerHeaders = {"g/pal8v4.bmp", "g/pal8v5.bmp"};

}  // namespace

TEST_F(BmpCorpus, DecodesEveryGoodFileAsItsReferenceShows)
{
    const std::vector<std::string> files = filesIn("g");
    EXPECT_EQ(files.size(), 27u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const Outcome outcome = load(file);
        if (newerHeaders.count(file)) {
            EXPECT_EQ(refusal(outcome), "Unknown DIB file format.");
            continue;
        }
        ASSERT_TRUE(outcome.decoded) << refusal(outcome);
        EXPECT_TRUE(outcome.messages.empty());
        EXPECT_NE(matchingReference(outcome, references[file]), "") << "differs from every reference";
    }
}

TEST_F(BmpCorpus, DecodesQuestionableFilesAsTheirReferenceOrRefusesThem)
{
    int decoded = 0;
    for (const std::string& file : filesIn("q")) {
        SCOPED_TRACE(file);
        const Outcome outcome = load(file);
        std::ifstream bytes(suite + "/" + file, std::ios::binary);
        bytes.seekg(14);
        unsigned char size[4] = {};
        bytes.read(reinterpret_cast<char*>(size), 4);
        const uint32_t headerSize = size[0] | size[1] << 8 | size[2] << 16 | uint32_t(size[3]) << 24;
        if (headerSize != 12 && headerSize != 40) {
            EXPECT_EQ(refusal(outcome), "Unknown DIB file format.") << headerSize << "-byte header";
            continue;
        }
        if (!outcome.decoded) {
            EXPECT_NE(refusal(outcome)[0], '(');
            continue;
        }
        ++decoded;
        EXPECT_TRUE(outcome.messages.empty());
        // NOTE: this file's 11-bit values 357 and 1690 widen to 44.47 and 210.53; the suite's
        // 8-bit reference shows 45 and 210, which no rounding of v * 255 / 2047 gives.
        const int tolerance = file == "q/rgb32-111110.bmp" ? 1 : 0;
        EXPECT_NE(matchingReference(outcome, references[file], tolerance), "")
            << "decoded unlike any reference";
    }
    // Palettes of one entry or more than 256, gaps before the bits, core tables cut short,
    // cut and skipping run-length streams, odd masks and unused bits set all decode.
    EXPECT_EQ(decoded, 18);
}

TEST_F(BmpCorpus, RefusesBadFilesItCannotDecodeSafelyAndContainsTheRest)
{
    // "" marks a file decoded with its damage contained: fields the reader does not use, a
    // palette bounded to the file, indices beyond it black, run-length writes outside the
    // picture dropped.
    const std::map<std::string, std::string> verdicts = {
        {"b/badbitcount.bmp", "Image file conversion error."},
        {"b/badbitssize.bmp", ""},
        {"b/baddens1.bmp", ""},
        {"b/baddens2.bmp", ""},
        {"b/badfilesize.bmp", ""},
        {"b/badheadersize.bmp", "Unknown DIB file format."},
        {"b/badpalettesize.bmp", ""},
        {"b/badplanes.bmp", ""},
        {"b/badrle.bmp", ""},
        {"b/badrle4.bmp", ""},
        {"b/badrle4bis.bmp", ""},
        {"b/badrle4ter.bmp", ""},
        {"b/badrlebis.bmp", ""},
        {"b/badrleter.bmp", ""},
        {"b/badwidth.bmp", "Image file conversion error."},
        {"b/pal8badindex.bmp", ""},
        {"b/reallybig.bmp", "Out of memory."},
        {"b/rgb16-880.bmp", ""},
        {"b/rletopdown.bmp", "Image file conversion error."},
        {"b/shortfile.bmp", "Image file conversion error."},
    };
    const std::vector<std::string> files = filesIn("b");
    EXPECT_EQ(files.size(), verdicts.size());
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const Outcome outcome = load(file);
        ASSERT_EQ(verdicts.count(file), 1u) << "a file this test does not know";
        const std::string& verdict = verdicts.at(file);
        if (!verdict.empty()) {
            EXPECT_EQ(refusal(outcome), verdict);
            continue;
        }
        ASSERT_TRUE(outcome.decoded) << refusal(outcome);
        EXPECT_TRUE(outcome.messages.empty());
        EXPECT_EQ(outcome.width, 127);
        if (!references[file].empty()) {
            EXPECT_NE(matchingReference(outcome, references[file]), "") << "decoded unlike its reference";
        }
    }
}

TEST_F(BmpCorpus, RefusesABitmapArrayAsAnUnknownFormat)
{
    EXPECT_EQ(refusal(load("x/ba-bm.bmp")), "Unknown DIB file format.");
}
