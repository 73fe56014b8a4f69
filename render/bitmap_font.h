// Single-line texts over the scene from a 16 by 16 glyph sheet in a TGA file.
// build makes one texture and 256 display lists, one per cell; print draws a text on a canvas
// of the window's starting size (window_size.h), whatever the window's size, and leaves depth
// test and lighting on, blending and texturing off. Nothing is ever released.
#pragma once
#include "image/tga_image.h"

#include <GL/gl.h>

class BitmapFont {
public:
    GLuint listBase = 0;  // cell g is list listBase + g
    GLuint glyph = 0;     // build's cell counter
    TgaReader sheetReader;
    TgaImage sheet;
    GLfloat s = 0;  // build's current cell corner
    GLfloat t = 0;

    void build(const char* path);
    // x, y: lower-left corner of the first glyph on the canvas; set 0 or 1.
    void print(GLint x, GLint y, const char* text, GLint set, GLfloat scale);
};
