// What the two decoder benchmarks share: timing a decode in processor time, stb_image's side
// of the comparison, and the summary that sets the two side by side.
#pragma once
#include <benchmark/benchmark.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

// Runs decode once per iteration and keeps the seconds per decode under key for the summary.
// The time is the whole process's processor time, the kernel's copying and page faults
// included, so that other work on a shared machine does not count against either decoder.
// A decode that returns false ends the benchmark with an error.
void timeDecodes(benchmark::State& state, const std::string& key, size_t decodedBytes,
                 const std::function<bool()>& decode);

// stb_image's decode of the file at path, or of the bytes in memory, into channels per pixel
// (0: as many as the file has); false when it fails.
bool stbDecodeFile(const std::string& path, int channels);
bool stbDecodeMemory(const unsigned char* data, size_t size, int channels);

// Whether stb_image decodes the side x side file at path, into channels per pixel, to the
// reader's pixels (bottom row first; stb_image delivers top row first). Both decoders must
// agree, or the comparison means nothing.
bool stbAgrees(const std::string& path, int channels, int side, const unsigned char* pixels);

// A new folder for this run's files under the system's temporary folder.
std::filesystem::path makeRunFolder(const std::string& prefix);

// One summary line: MB/s of decoded pixels of the reader (timed as "reader " + key) and of
// stb_image ("stb " + key), and how many times faster the reader is; nothing when either
// benchmark did not run.
void printSummaryLine(int labelWidth, const std::string& label, const std::string& key,
                      size_t decodedBytes);
