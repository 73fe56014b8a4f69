#include "tests/support/temp_file.h"

#include "tools/image_files/file_bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

std::string tempFolder()
{
    static std::string folder;
    if (folder.empty()) {
        // A new folder of its own: one that exists already belongs to another test.
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; attempt < 100 && folder.empty(); attempt++) {
            const std::string name = "kx_test_" + std::to_string(stamp + attempt);
            std::error_code error;
            if (std::filesystem::create_directory(temp / name, error))
                folder = (temp / name).generic_string();
        }
        if (!folder.empty())
            atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            });
    }
    return folder;
}

}  // namespace

std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes)
{
    const std::string path = tempFolder() + "/" + name;
    std::string ignored;  // a test that reads a file it could not write fails there
    writeFileBytes(path.c_str(), bytes, &ignored);
    return path;
}

#ifndef _WIN32
std::string makeTempFifo(const std::string& name)
{
    const std::string path = tempFolder() + "/" + name;
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
    return path;
}
#endif

std::vector<unsigned char> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}
