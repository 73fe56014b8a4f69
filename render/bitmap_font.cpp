#include "render/bitmap_font.h"

#include "render/window_size.h"

#include <cstring>

static_assert(TgaPixelFormatRgb == GL_RGB && TgaPixelFormatRgba == GL_RGBA,
              "the TGA reader names GL's pixel formats by their values");

namespace {

const GLuint glyphCount = 256;
const GLfloat cellSpan = 1.0f / 16;
const GLint glyphSize = 16;
const GLdouble glyphAdvance = 10;
// The canvas is the window's starting size and stays so when the window changes: texts
// stretch with it.
const GLdouble canvasWidth = windowWidth;
const GLdouble canvasHeight = windowHeight;

}  // namespace

void BitmapFont::build(const char* path)
{
    // A failed load leaves sheet without pixels or format; GL then refuses the image and the
    // glyphs draw untextured, as white squares, which is what the user should see.
    sheetReader.load(&sheet, path);

    listBase = glGenLists(glyphCount);
    glGenTextures(1, &sheet.textureName);
    glBindTexture(GL_TEXTURE_2D, sheet.textureName);
    // The reader delivers tight rows; a 24-bit sheet's rows need not be a multiple of 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, sheet.pixelFormat, sheet.width, sheet.height, 0,
                 sheet.pixelFormat, GL_UNSIGNED_BYTE, sheet.pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    // Row 0 of the grid is the last row uploaded, at t = 1.
    for (glyph = 0; glyph < glyphCount; glyph++) {
        s = static_cast<GLfloat>(glyph % 16) / 16;
        t = static_cast<GLfloat>(glyph / 16) / 16;
        glNewList(listBase + glyph, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(s, 1 - t - cellSpan);
        glVertex2i(0, 0);
        glTexCoord2f(s + cellSpan, 1 - t - cellSpan);
        glVertex2i(glyphSize, 0);
        glTexCoord2f(s + cellSpan, 1 - t);
        glVertex2i(glyphSize, glyphSize);
        glTexCoord2f(s, 1 - t);
        glVertex2i(0, glyphSize);
        glEnd();
        glTranslated(glyphAdvance, 0, 0);
        glEndList();
    }
}

void BitmapFont::print(GLint x, GLint y, const char* text, GLint set, GLfloat scale)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, sheet.textureName);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, canvasWidth, 0, canvasHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(x, y, 0);
    glColor3f(1, 1, 1);
    glScalef(scale, scale, scale);

    // Bytes are signed: one below 32, or of 128 and above in set 0, names a list outside the
    // font's 256, which GL skips without moving the pen.
    glListBase(listBase - 32 + 128 * set);
    glCallLists(static_cast<GLsizei>(strlen(text)), GL_BYTE, text);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    // Fixed values, not the ones found: every frame is drawn from this state.
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
}
