// Feeds arbitrary bytes to the BMP reader. libFuzzer hands over a block of exactly the input's
// size, so the sanitizers catch any read past the end of the "file". Every input must end in
// either a whole image or no image with one of the reader's failures.
#include "image/bmp_decode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RgbImage* image = nullptr;
    const BmpDecodeStatus status = decodeBmp(data, size, &image);
    if ((status == BmpDecoded) != (image != nullptr) || (status != BmpDecoded && !bmpDecodeMessage(status)))
        abort();
    if (!image)
        return 0;
    if (image->width <= 0 || image->height <= 0 || !image->pixels)
        abort();
    // The first and last bytes show the block is as large as the record says, without
    // walking through images of up to 256 MiB.
    const size_t bytes = size_t(image->width) * size_t(image->height) * 3;
    volatile unsigned char edge = image->pixels[0];
    edge = image->pixels[bytes - 1];
    (void)edge;
    free(image->pixels);
    free(image);
    return 0;
}
