// Mipmapped RGB textures from BMP files, read through loadBmpImage: the GL half of image/.
// A file that cannot be read leaves the texture as it was (the loader has reported why).
#pragma once
#include <GL/gl.h>

class BmpTexture {
public:
    GLuint textureName = 0;  // until load succeeds

    void load(const char* path);
};
