// The font's glyph sheet: a 16 by 16 grid of square cells holding anti-aliased glyph coverage.
// Cells 0..95 hold codes 32..127 of the regular face, cells 128..223 the same codes of the bold
// face; the other cells stay empty. Rendered with FreeType from monospaced outline fonts.
#pragma once
#include <string>
#include <vector>

const int glyphGridSize = 16;
// A glyph quad is 16 canvas units; scale-2 text (the title, hints and frame rate) lands on 32
// screen pixels in an 800 by 600 window, so 32-pixel cells map one texel to one pixel there.
const int glyphCellPixels = 32;
const int glyphSheetPixels = glyphGridSize * glyphCellPixels;
// Pixel size of the em. The pen advances 10 of a cell's 16 units (20 of its 32 pixels); at 29
// pixels the faces' own advance is 17 pixels, and every printable glyph, from the top of '`'
// to the bottom of '_', fits the cell's 32 rows.
const int glyphEmPixels = 29;

int glyphCell(int set, int code);  // set 0 or 1, code 32..127

struct GlyphSheet {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> coverage;  // width * height, top row as seen first
};

// Fills sheet from the two font files. Returns false with a reason in error when a face cannot
// be read or a glyph would not fit its cell; nothing is clipped silently.
bool renderGlyphSheet(const char* regularPath, const char* boldPath, GlyphSheet* sheet,
                      std::string* error);

// White pixels whose alpha is the coverage: red, green, blue, alpha, top row first.
std::vector<unsigned char> glyphSheetRgba(const GlyphSheet& sheet);
