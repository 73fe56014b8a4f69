#include "image/bmp_image.h"

#include "image/bmp_decode.h"
#include "platform/mapped_file.h"
#include "platform/message_box.h"

#include <cstdio>

bool reportLoadErrors = true;

namespace {

void reportLoadError(const char* text)
{
    if (reportLoadErrors)
        showMessage(text, "Error", MessageOwnerFocusWindow, MessageIconNone);
}

}  // namespace

RgbImage* loadBmpImage(const char* path)
{
    MappedFile file;
    if (!mapFile(path, &file)) {
        // snprintf cuts a path too long for the buffer instead of overrunning it.
        char message[256];
        snprintf(message, sizeof message, "Failed to open DIB file %s.\n", path);
        reportLoadError(message);
        return nullptr;
    }
    RgbImage* image = nullptr;
    const BmpDecodeStatus status = decodeBmp(file.data, file.size, &image);
    unmapFile(&file);
    if (status != BmpDecoded)
        reportLoadError(bmpDecodeMessage(status));
    return image;
}
