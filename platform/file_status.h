// How the loaders open a path: for reading, and only when it names a regular file. The open
// never waits and never takes a terminal as the process's own: a FIFO without a writer would
// otherwise block the start until one came. The kind of file is asked of what was opened, not
// of the path beforehand, so nothing put at the path in between gets through. A directory, a
// FIFO or a device holds no file to read, so the loaders treat them as files they cannot open.
#pragma once
#include <cstddef>
#include <cstdio>

// The regular file at path (links followed) as a stream opened with mode, "r" or "rb", and
// its size in bytes in *size unless size is null; nullptr when it cannot be opened or names
// anything else.
FILE* openRegularFile(const char* path, const char* mode, size_t* size);

// Whether path has a status at all: false when it is missing, a dangling link or a loop of
// links.
bool hasFileStatus(const char* path);
