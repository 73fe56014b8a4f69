// Read-only access to a whole file's bytes, mapped rather than copied.
// An empty file, one that cannot be opened or mapped, or a path that names no regular file
// (platform/file_status.h) yields nothing.
#pragma once
#include <cstddef>

struct MappedFile {
    const unsigned char* data;
    size_t size;
};

// Maps the whole file at path; false (and *file cleared) when it cannot.
bool mapFile(const char* path, MappedFile* file);
void unmapFile(MappedFile* file);
