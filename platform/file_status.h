// What the loaders ask of a path before they open it, following symbolic links.
// Only a regular file is opened: a FIFO would block the start until a writer came, and a
// directory or a device holds no file to read, so the loaders treat them as files they
// cannot open.
#pragma once
#include <cstddef>

bool isRegularFile(const char* path);

struct FileStatus {
    bool regular;  // a regular file, which may be opened
    size_t size;   // in bytes, of whatever the path names
};

// The status of path in one query; false when it cannot be had (missing, a dangling link, a
// loop of links).
bool queryFileStatus(const char* path, FileStatus* status);
