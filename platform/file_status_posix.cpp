#include "platform/file_status.h"

#include <sys/stat.h>

bool isRegularFile(const char* path)
{
    FileStatus status;
    return queryFileStatus(path, &status) && status.regular;
}

bool queryFileStatus(const char* path, FileStatus* status)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return false;
    status->regular = S_ISREG(info.st_mode);
    status->size = static_cast<size_t>(info.st_size);
    return true;
}
