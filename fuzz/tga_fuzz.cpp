// Feeds arbitrary bytes to the TGA reader through its real entry point: the input becomes an
// in-memory file that load opens by path. Every input must end in either an image of the
// header's size or exactly one message, and nothing else.
#include "image/tga_image.h"
#include "platform/message_box.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

int messageCount = 0;

void countMessage(const char*, const char*, MessageOwner, MessageIcon) { ++messageCount; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int file = -1;
    static char path[64];
    if (file < 0) {
        file = memfd_create("tga_fuzz", 0);
        if (file < 0)
            abort();
        snprintf(path, sizeof(path), "/proc/self/fd/%d", file);
        setMessageHandler(countMessage);
    }

    // A header may ask for up to 4 GiB of pixels; such inputs only slow the search down, and
    // the sizes beyond 32 bits (refused before allocating) still get through.
    if (size >= 18) {
        const uint64_t bytes = uint64_t(data[12] | data[13] << 8) * (data[14] | data[15] << 8) *
                               (data[16] / 8);
        if ((data[16] == 24 || data[16] == 32) && bytes > (4u << 20) && bytes <= UINT32_MAX)
            return -1;
    }

    if (ftruncate(file, 0) != 0 || pwrite(file, data, size, 0) != ssize_t(size))
        abort();

    messageCount = 0;
    TgaReader reader;
    TgaImage image;
    reader.load(&image, path);
    if (messageCount > 1 || (messageCount == 1) != (image.pixels == nullptr))
        abort();
    if (image.pixels) {
        // Touch the whole block so that the sanitizer checks it is as large as the header says.
        const size_t imageSize = size_t(image.width) * image.height * (image.bitsPerPixel / 8);
        unsigned sum = 0;
        for (size_t i = 0; i < imageSize; ++i)
            sum += image.pixels[i];
        volatile unsigned sink = sum;
        (void)sink;
        if (imageSize != reader.imageSize)
            abort();
        free(image.pixels);
    }
    return 0;
}
