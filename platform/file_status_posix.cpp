#include "platform/file_status.h"

#include <sys/stat.h>

bool isRegularFile(const char* path)
{
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool fileSize(const char* path, size_t* size)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    *size = static_cast<size_t>(status.st_size);
    return true;
}
