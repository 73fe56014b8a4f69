#include "tools/image_files/file_bytes.h"

#include <cstdio>

bool writeFileBytes(const char* path, const std::vector<unsigned char>& bytes, std::string* error)
{
    FILE* file = fopen(path, "wb");
    if (!file) {
        *error = std::string("cannot create ") + path;
        return false;
    }
    // An empty vector may hold no buffer at all, and fwrite takes none.
    bool written = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (fclose(file) != 0)
        written = false;
    if (!written)
        *error = std::string("cannot write ") + path;
    return written;
}
