// Decode throughput of the BMP reader next to stb_image on the same 4096 x 4096 files, 24-bit
// and 8-bit with a palette: loaded from the file by path, and decoded from bytes in memory.
// Prints MB/s of decoded pixels (10^6 bytes of RGB per second of processor time) and the ratio.
#include "bench/decode_timing.h"
#include "image/bmp_decode.h"
#include "image/bmp_image.h"
#include "tools/image_files/bmp_writer.h"
#include "tools/image_files/file_bytes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const int side = 4096;
const size_t decodedBytes = size_t(side) * side * 3;

// A bottom-up side x side picture, with a colour table at 8 bits: flat 64 x 64 tiles with
// every third one noise.
Bytes bmpFile(uint16_t bitCount)
{
    uint32_t noise = 12345;
    auto next = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return (unsigned char)(noise >> 24);
    };
    BmpFields fields;
    fields.width = side;
    fields.height = side;
    fields.bitCount = bitCount;
    for (int i = 0; bitCount == 8 && i < 256; ++i)
        fields.palette.push_back({next(), next(), next()});
    const size_t stride = size_t(side) * bitCount / 8;  // a multiple of 4 at this side
    Bytes bits(stride * side);
    for (int y = 0; y < side; ++y) {
        unsigned char* row = &bits[size_t(y) * stride];
        for (size_t x = 0; x < stride; ++x) {
            const int tile = int(x * 8 / bitCount) / 64 + y / 64;
            row[x] = tile % 3 == 0 ? next() : (unsigned char)(tile * 37 + x % 3 * 80);
        }
    }
    return encodeBmp(fields, bits);
}

void loadWithReader(benchmark::State& state, const std::string& key, const std::string& path)
{
    timeDecodes(state, key, decodedBytes, [&] {
        RgbImage* image = loadBmpImage(path.c_str());
        if (!image)
            return false;
        benchmark::DoNotOptimize(image->pixels);
        free(image->pixels);
        free(image);
        return true;
    });
}

void decodeWithReader(benchmark::State& state, const std::string& key, const Bytes* file)
{
    timeDecodes(state, key, decodedBytes, [&] {
        RgbImage* image = nullptr;
        if (decodeBmp(file->data(), file->size(), &image) != BmpDecoded)
            return false;
        benchmark::DoNotOptimize(image->pixels);
        free(image->pixels);
        free(image);
        return true;
    });
}

void loadWithStb(benchmark::State& state, const std::string& key, const std::string& path)
{
    timeDecodes(state, key, decodedBytes, [&] { return stbDecodeFile(path, 3); });
}

void decodeWithStb(benchmark::State& state, const std::string& key, const Bytes* file)
{
    timeDecodes(state, key, decodedBytes,
                [&] { return stbDecodeMemory(file->data(), file->size(), 3); });
}

bool decodersAgree(const std::string& path)
{
    RgbImage* image = loadBmpImage(path.c_str());
    const bool agree = image && stbAgrees(path, 3, side, image->pixels);
    if (image)
        free(image->pixels);
    free(image);
    return agree;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = makeRunFolder("kx_bmp_bench_");
    const char* kinds[] = {"24-bit", "8-bit"};
    std::map<std::string, std::string> paths;
    std::map<std::string, Bytes> files;
    for (const char* kind : kinds) {
        paths[kind] = (folder / (std::string(kind) + ".bmp")).string();
        files[kind] = bmpFile(kind[0] == '2' ? 24 : 8);
        std::string error;
        if (!writeFileBytes(paths[kind].c_str(), files[kind], &error)) {
            fprintf(stderr, "%s\n", error.c_str());
            std::filesystem::remove_all(folder);
            return 1;
        }
    }

    int status = 0;
    if (!decodersAgree(paths["24-bit"]) || !decodersAgree(paths["8-bit"])) {
        fprintf(stderr, "the reader and stb_image decode the files differently\n");
        status = 1;
    } else {
        for (const char* kind : kinds) {
            const std::string k = kind;
            benchmark::RegisterBenchmark(("bmp_reader/file/" + k).c_str(), loadWithReader,
                                         "reader file " + k, paths[k]);
            benchmark::RegisterBenchmark(("stb_image/file/" + k).c_str(), loadWithStb,
                                         "stb file " + k, paths[k]);
            benchmark::RegisterBenchmark(("bmp_reader/memory/" + k).c_str(), decodeWithReader,
                                         "reader memory " + k, &files[k]);
            benchmark::RegisterBenchmark(("stb_image/memory/" + k).c_str(), decodeWithStb,
                                         "stb memory " + k, &files[k]);
        }
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        printf("\n%-16s %12s %12s %8s   (%d x %d)\n", "decode", "reader MB/s", "stb MB/s", "ratio",
               side, side);
        for (const char* from : {"file", "memory"}) {
            for (const char* kind : kinds) {
                const std::string key = std::string(from) + " " + kind;
                printSummaryLine(16, key, key, decodedBytes);
            }
        }
    }
    std::filesystem::remove_all(folder);
    return status;
}
