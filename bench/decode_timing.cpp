#include "bench/decode_timing.h"

#include <stb/stb_image.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>

namespace {

// Seconds per decode of the last (measured) run of each benchmark.
std::map<std::string, double> secondsPerDecode;

}  // namespace

void timeDecodes(benchmark::State& state, const std::string& key, size_t decodedBytes,
                 const std::function<bool()>& decode)
{
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        if (!decode()) {
            state.SkipWithError((key + " failed").c_str());
            break;
        }
    }
    const double elapsed = double(std::clock() - start) / CLOCKS_PER_SEC;
    secondsPerDecode[key] = elapsed / double(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(decodedBytes));
}

bool stbDecodeFile(const std::string& path, int channels)
{
    int width, height, fileChannels;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &fileChannels, channels);
    const bool decoded = pixels != nullptr;
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
    return decoded;
}

bool stbDecodeMemory(const unsigned char* data, size_t size, int channels)
{
    int width, height, fileChannels;
    unsigned char* pixels =
        stbi_load_from_memory(data, int(size), &width, &height, &fileChannels, channels);
    const bool decoded = pixels != nullptr;
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
    return decoded;
}

bool stbAgrees(const std::string& path, int channels, int side, const unsigned char* pixels)
{
    int width, height, fileChannels;
    unsigned char* reference = stbi_load(path.c_str(), &width, &height, &fileChannels, channels);
    bool agree = reference && width == side && height == side;
    const size_t row = size_t(side) * channels;
    for (int y = 0; agree && y < side; ++y)
        agree = memcmp(pixels + y * row, reference + (side - 1 - y) * row, row) == 0;
    stbi_image_free(reference);
    return agree;
}

std::filesystem::path makeRunFolder(const std::string& prefix)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

void printSummaryLine(int labelWidth, const std::string& label, const std::string& key,
                      size_t decodedBytes)
{
    const auto ours = secondsPerDecode.find("reader " + key);
    const auto theirs = secondsPerDecode.find("stb " + key);
    if (ours == secondsPerDecode.end() || theirs == secondsPerDecode.end())
        return;
    printf("%-*s %12.0f %12.0f %8.2f\n", labelWidth, label.c_str(),
           decodedBytes / ours->second / 1e6, decodedBytes / theirs->second / 1e6,
           theirs->second / ours->second);
}
