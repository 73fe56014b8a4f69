// The font's glyph sheet: a 16 by 16 grid of square cells holding anti-aliased glyph coverage.
// Cells 0..95 hold codes 32..127 of the regular face, cells 128..223 the same codes of the bold
// face; the other cells stay empty. Rendered with FreeType from monospaced outline fonts.
// Each glyph is white inside a black rim, so that the texts read on the white highlight of the
// ball as on the sky, the bricks and the planks; rim and glyph stay inside the cell.
#pragma once
#include <string>
#include <vector>

const int glyphGridSize = 16;
// A glyph quad is 16 canvas units; scale-2 text (the title, hints and frame rate) lands on 32
// screen pixels in an 800 by 600 window, so 32-pixel cells map one texel to one pixel there.
const int glyphCellPixels = 32;
const int glyphSheetPixels = glyphGridSize * glyphCellPixels;
// Width of the dark rim around each glyph: one pixel of scale-1 text, two of scale-2 text.
const int glyphRimPixels = 2;
// Pixel size of the em. The pen advances 10 of a cell's 16 units (20 of its 32 pixels): at 25
// pixels every printable glyph with its rim fits those 20 columns, so neighbours never cover
// each other, and the cell's 32 rows, from the top of '`' to the bottom of '_'.
const int glyphEmPixels = 25;

int glyphCell(int set, int code);  // set 0 or 1, code 32..127

struct GlyphSheet {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> coverage;  // width * height, top row as seen first
};

// Fills sheet from the two font files. Returns false with a reason in error when a face cannot
// be read or a glyph with its rim would not fit its cell; nothing is clipped silently.
bool renderGlyphSheet(const char* regularPath, const char* boldPath, GlyphSheet* sheet,
                      std::string* error);

// The glyphs in white over their black rims: red, green, blue, alpha, top row first. Pixels
// outside every rim are transparent black, so filtering at a rim's edge stays dark.
std::vector<unsigned char> glyphSheetRgba(const GlyphSheet& sheet);
