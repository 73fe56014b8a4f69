#include "image/bmp_texture.h"

#include "image/bmp_image.h"

#include <GL/glu.h>
#include <cstdlib>

namespace {

bool isPowerOfTwo(int32_t side) { return side > 0 && (side & (side - 1)) == 0; }

}  // namespace

void BmpTexture::load(const char* path)
{
    RgbImage* image = loadBmpImage(path);
    if (!image)
        return;
    glGenTextures(1, &textureName);
    glBindTexture(GL_TEXTURE_2D, textureName);
    // Rows are tight (3 x width bytes), which only the alignment of 1 reads right for every width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                      image->pixels);
    // NOTE: GLU scales other sides to powers of two for every level; level 0 at the image's own
    // size would no longer match level 1, and the texture would sample as nothing.
    if (isPowerOfTwo(image->width) && isPowerOfTwo(image->height))
        glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, image->pixels);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    free(image->pixels);
    free(image);
}
