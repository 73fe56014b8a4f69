// Decode throughput of the TGA reader next to stb_image on the same 4096 x 4096 32-bit files,
// uncompressed and run-length. Prints MB/s of decoded pixels (10^6 bytes per second of
// processor time) and the ratio.
#include "image/tga_image.h"
#include "tools/image_files/file_bytes.h"
#include "tools/image_files/tga_writer.h"

#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const int side = 4096;
const size_t decodedBytes = size_t(side) * side * 4;

// Flat 64 x 64 tiles with every third one noise: runs and raw packets both carry weight.
Bytes picture()
{
    Bytes pixels(decodedBytes);
    uint32_t noise = 12345;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            unsigned char* pixel = &pixels[(size_t(y) * side + x) * 4];
            const int tile = x / 64 + y / 64;
            for (int channel = 0; channel < 4; ++channel) {
                noise = noise * 1664525u + 1013904223u;
                pixel[channel] = tile % 3 == 0 ? noise >> 24 : (tile * 37 + channel * 80) & 0xFF;
            }
        }
    }
    return pixels;
}

// Seconds per decode of the last (measured) run of each benchmark, for the summary.
std::map<std::string, double> secondsPerDecode;

// Processor time of the whole process, the kernel's copying and page faults included, so that
// other work on a shared machine does not count against either decoder.
void record(benchmark::State& state, const std::string& name, std::clock_t start)
{
    const double elapsed = double(std::clock() - start) / CLOCKS_PER_SEC;
    secondsPerDecode[name] = elapsed / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(decodedBytes));
}

void decodeWithReader(benchmark::State& state, std::string name, std::string path)
{
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        TgaReader reader;
        TgaImage image = {};
        reader.load(&image, path.c_str());
        if (!image.pixels)
            state.SkipWithError("reader failed");
        benchmark::DoNotOptimize(image.pixels);
        free(image.pixels);
    }
    record(state, name, start);
}

void decodeWithStb(benchmark::State& state, std::string name, std::string path)
{
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        int width, height, channels;
        unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
        if (!pixels)
            state.SkipWithError("stb_image failed");
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    record(state, name, start);
}

// Both decoders must agree, or the comparison means nothing; stb_image delivers top-down.
bool decodersAgree(const std::string& path)
{
    TgaReader reader;
    TgaImage image = {};
    reader.load(&image, path.c_str());
    int width, height, channels;
    unsigned char* reference = stbi_load(path.c_str(), &width, &height, &channels, 4);
    bool agree = image.pixels && reference && width == side && height == side;
    const size_t row = size_t(side) * 4;
    for (int y = 0; agree && y < side; ++y)
        agree = memcmp(image.pixels + y * row, reference + (side - 1 - y) * row, row) == 0;
    free(image.pixels);
    stbi_image_free(reference);
    return agree;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kx_tga_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const Bytes pixels = picture();
    const std::string raw = (folder / "raw32.tga").string();
    const std::string rle = (folder / "rle32.tga").string();
    std::string error;
    if (!writeFileBytes(raw.c_str(), encodeTga(pixels.data(), side, side, 4, false), &error) ||
        !writeFileBytes(rle.c_str(), encodeTga(pixels.data(), side, side, 4, true), &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }

    int status = 0;
    if (!decodersAgree(raw) || !decodersAgree(rle)) {
        fprintf(stderr, "the reader and stb_image decode the files differently\n");
        status = 1;
    } else {
        benchmark::RegisterBenchmark("tga_reader/raw32", decodeWithReader, "reader raw", raw);
        benchmark::RegisterBenchmark("stb_image/raw32", decodeWithStb, "stb raw", raw);
        benchmark::RegisterBenchmark("tga_reader/rle32", decodeWithReader, "reader rle", rle);
        benchmark::RegisterBenchmark("stb_image/rle32", decodeWithStb, "stb rle", rle);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        printf("\n%-8s %12s %12s %8s   (%d x %d, 32-bit, RLE file %ju bytes)\n", "file",
               "reader MB/s", "stb MB/s", "ratio", side, side,
               uintmax_t(std::filesystem::file_size(rle)));
        for (const char* kind : {"raw", "rle"}) {
            const auto ours = secondsPerDecode.find(std::string("reader ") + kind);
            const auto theirs = secondsPerDecode.find(std::string("stb ") + kind);
            if (ours == secondsPerDecode.end() || theirs == secondsPerDecode.end())
                continue;
            printf("%-8s %12.0f %12.0f %8.2f\n", kind, decodedBytes / ours->second / 1e6,
                   decodedBytes / theirs->second / 1e6, theirs->second / ours->second);
        }
    }
    std::filesystem::remove_all(folder);
    return status;
}
