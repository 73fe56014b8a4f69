#include "tests/support/temp_file.h"

#include "tools/image_files/file_bytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

namespace {

std::string tempFolder()
{
    static std::string folder;
    if (folder.empty()) {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/kx_test_XXXXXX";
        if (mkdtemp(&pattern[0])) {
            folder = pattern;
            atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            });
        }
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

std::string makeTempFifo(const std::string& name)
{
    const std::string path = tempFolder() + "/" + name;
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
    return path;
}

std::vector<unsigned char> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}
