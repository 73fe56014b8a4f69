#include "platform/mapped_file.h"

#include "platform/file_handle_win32.h"

bool mapFile(const char* path, MappedFile* file)
{
    file->data = nullptr;
    file->size = 0;
    uint64_t size = 0;
    HANDLE opened = openDiskFile(path, &size);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    // NOTE: CreateFileMappingA refuses an empty file, so it never gets that far.
    bool mapped = false;
    if (size > 0) {
        HANDLE mapping = CreateFileMappingA(opened, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping) {
            void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
            if (view) {
                file->data = static_cast<const unsigned char*>(view);
                file->size = size_t(size);
                mapped = true;
            }
            CloseHandle(mapping);  // the view keeps the mapping and the file
        }
    }
    CloseHandle(opened);
    return mapped;
}

void unmapFile(MappedFile* file)
{
    if (file->data)
        UnmapViewOfFile(file->data);
    file->data = nullptr;
    file->size = 0;
}
