#include "platform/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE* openRegularFile(const char* path, const char* mode, size_t* size)
{
    // NOTE: O_NONBLOCK changes nothing for the reads of a regular file, so it may stay set.
    int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status;
    FILE* file = nullptr;
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode))
        file = fdopen(descriptor, mode);
    if (!file) {
        close(descriptor);
        return nullptr;
    }
    if (size)
        *size = static_cast<size_t>(status.st_size);
    return file;
}

bool hasFileStatus(const char* path)
{
    struct stat status;
    return stat(path, &status) == 0;
}
