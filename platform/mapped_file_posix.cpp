#include "platform/mapped_file.h"

#include "platform/file_status.h"

#include <sys/mman.h>

bool mapFile(const char* path, MappedFile* file)
{
    file->data = nullptr;
    file->size = 0;
    size_t size = 0;
    FILE* opened = openRegularFile(path, "rb", &size);
    if (!opened)
        return false;
    bool mapped = false;
    if (size > 0) {
        void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(opened), 0);
        if (view != MAP_FAILED) {
            file->data = static_cast<const unsigned char*>(view);
            file->size = size;
            mapped = true;
        }
    }
    fclose(opened);  // the mapping keeps the file's pages
    return mapped;
}

void unmapFile(MappedFile* file)
{
    if (file->data)
        munmap(const_cast<unsigned char*>(file->data), file->size);
    file->data = nullptr;
    file->size = 0;
}
