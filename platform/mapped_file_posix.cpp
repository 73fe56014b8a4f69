#include "platform/mapped_file.h"

#include "platform/file_status.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool mapFile(const char* path, MappedFile* file)
{
    file->data = nullptr;
    file->size = 0;
    if (!isRegularFile(path))
        return false;
    int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status;
    bool mapped = false;
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        void* view = mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (view != MAP_FAILED) {
            file->data = static_cast<const unsigned char*>(view);
            file->size = size_t(status.st_size);
            mapped = true;
        }
    }
    close(descriptor);  // the mapping keeps the file's pages
    return mapped;
}

void unmapFile(MappedFile* file)
{
    if (file->data)
        munmap(const_cast<unsigned char*>(file->data), file->size);
    file->data = nullptr;
    file->size = 0;
}
