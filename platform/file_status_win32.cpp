#include "platform/file_status.h"

#include "platform/file_handle_win32.h"

#include <fcntl.h>
#include <io.h>

#include <cstring>

HANDLE openDiskFile(const char* path, uint64_t* size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    LARGE_INTEGER bytes;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &bytes)) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    *size = uint64_t(bytes.QuadPart);
    return file;
}

FILE* openRegularFile(const char* path, const char* mode, size_t* size)
{
    uint64_t bytes = 0;
    HANDLE file = openDiskFile(path, &bytes);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    // The stream translates CR LF to LF in text mode ("r"), as fopen's would.
    const int translation = strchr(mode, 'b') ? _O_BINARY : _O_TEXT;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | translation);
    if (descriptor < 0) {
        CloseHandle(file);
        return nullptr;
    }
    FILE* stream = _fdopen(descriptor, mode);
    if (!stream) {
        _close(descriptor);  // closes the handle too
        return nullptr;
    }
    if (size)
        *size = size_t(bytes);
    return stream;
}

bool hasFileStatus(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}
