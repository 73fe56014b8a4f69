// What the loaders ask of a path before they open it, following symbolic links.
// Only a regular file is opened: a FIFO would block the start until a writer came, and a
// directory or a device holds no file to read, so the loaders treat them as files they
// cannot open.
#pragma once
#include <cstddef>

bool isRegularFile(const char* path);

// The size of whatever path names; false when its status cannot be had (missing, a dangling
// link, a loop of links).
bool fileSize(const char* path, size_t* size);
