// Decode throughput of the TGA reader next to stb_image on the same 4096 x 4096 32-bit files,
// uncompressed and run-length. Prints MB/s of decoded pixels (10^6 bytes per second of
// processor time) and the ratio.
#include "bench/decode_timing.h"
#include "image/tga_image.h"
#include "tools/image_files/file_bytes.h"
#include "tools/image_files/tga_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

void decodeWithReader(benchmark::State& state, const std::string& key, const std::string& path)
{
    timeDecodes(state, key, decodedBytes, [&] {
        TgaReader reader;
        TgaImage image;
        reader.load(&image, path.c_str());
        const bool decoded = image.pixels != nullptr;
        benchmark::DoNotOptimize(image.pixels);
        free(image.pixels);
        return decoded;
    });
}

void decodeWithStb(benchmark::State& state, const std::string& key, const std::string& path)
{
    timeDecodes(state, key, decodedBytes, [&] { return stbDecodeFile(path, 0); });
}

bool decodersAgree(const std::string& path)
{
    TgaReader reader;
    TgaImage image;
    reader.load(&image, path.c_str());
    const bool agree = image.pixels && stbAgrees(path, 4, side, image.pixels);
    free(image.pixels);
    return agree;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = makeRunFolder("kx_tga_bench_");
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
        for (const char* kind : {"raw", "rle"})
            printSummaryLine(8, kind, kind, decodedBytes);
    }
    std::filesystem::remove_all(folder);
    return status;
}
