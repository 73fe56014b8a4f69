// The one way the Windows backends open a file for the loaders, for file_status_win32.cpp and
// mapped_file_win32.cpp alone.
#pragma once
#include <windows.h>

#include <cstdint>

// The file at path opened for reading, shared for reading, existing files only, with its size
// in bytes in *size; INVALID_HANDLE_VALUE when it cannot be opened or is no file on a disk. A
// directory cannot be opened this way; a device (NUL, CON, COM1) or a pipe is refused by its
// type, so nothing that is not a plain file is read or waited for.
HANDLE openDiskFile(const char* path, uint64_t* size);
