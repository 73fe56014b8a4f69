#include "tools/font/glyph_sheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace {

const int firstCode = 32;
const int lastCode = 127;
const int setCount = 2;

// Light hinting snaps the horizontal strokes to whole pixels, which keeps 1:1 text crisp,
// and leaves the shapes' widths alone.
const FT_Int32 loadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT;

struct Ink {
    int above = 0;  // rows above the baseline
    int below = 0;  // rows below it
};

bool openFace(FT_Library library, const char* path, FT_Face* face, std::string* error)
{
    if (FT_New_Face(library, path, 0, face) != 0) {
        *error = std::string("cannot read font ") + path;
        return false;
    }
    if (FT_Set_Pixel_Sizes(*face, 0, glyphEmPixels) != 0) {
        *error = std::string("cannot size font ") + path;
        return false;
    }
    return true;
}

// Codes a face has no glyph for (127, DEL) leave their cells empty instead of showing the
// face's box for missing glyphs.
bool hasGlyph(FT_Face face, int code)
{
    return FT_Get_Char_Index(face, code) != 0;
}

bool loadGlyph(FT_Face face, int code, const char* path, std::string* error)
{
    if (FT_Load_Char(face, code, loadFlags) != 0 ||
        face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        *error = std::string("cannot render code ") + std::to_string(code) + " of " + path;
        return false;
    }
    return true;
}

void measure(FT_GlyphSlot glyph, Ink* ink)
{
    if (glyph->bitmap.rows == 0)
        return;
    ink->above = std::max(ink->above, static_cast<int>(glyph->bitmap_top));
    ink->below = std::max(ink->below, static_cast<int>(glyph->bitmap.rows) - glyph->bitmap_top);
}

// Copies the rendered glyph into its cell with the pen centred horizontally, so that the
// glyph sits in the middle of the 16-unit quad and its neighbours' overlap stays transparent.
bool place(FT_GlyphSlot glyph, int cell, int baseline, GlyphSheet* sheet, std::string* error)
{
    const FT_Bitmap& bitmap = glyph->bitmap;
    int advance = static_cast<int>((glyph->advance.x + 32) >> 6);
    int left = (glyphCellPixels - advance) / 2 + glyph->bitmap_left;
    int top = baseline - glyph->bitmap_top;
    int rows = static_cast<int>(bitmap.rows);
    int columns = static_cast<int>(bitmap.width);
    if (rows == 0 || columns == 0)
        return true;
    const int edge = glyphRimPixels;
    if (left < edge || top < edge || left + columns > glyphCellPixels - edge ||
        top + rows > glyphCellPixels - edge) {
        *error = "glyph of cell " + std::to_string(cell) + " with its rim does not fit its " +
                 std::to_string(glyphCellPixels) + "-pixel cell";
        return false;
    }
    int cellX = (cell % glyphGridSize) * glyphCellPixels + left;
    int cellY = (cell / glyphGridSize) * glyphCellPixels + top;
    for (int row = 0; row < rows; ++row) {
        const unsigned char* source = bitmap.buffer + row * bitmap.pitch;
        unsigned char* target = sheet->coverage.data() + (cellY + row) * sheet->width + cellX;
        std::copy(source, source + columns, target);
    }
    return true;
}

bool render(FT_Library library, const char* const paths[setCount], GlyphSheet* sheet,
            std::string* error)
{
    FT_Face faces[setCount] = {};
    bool ok = true;
    for (int set = 0; set < setCount && ok; ++set)
        ok = openFace(library, paths[set], &faces[set], error);

    // One baseline for both sets, low enough for the deepest descender of either face and
    // its rim.
    Ink ink;
    for (int set = 0; set < setCount && ok; ++set)
        for (int code = firstCode; code <= lastCode && ok; ++code)
            if (hasGlyph(faces[set], code) && (ok = loadGlyph(faces[set], code, paths[set], error)))
                measure(faces[set]->glyph, &ink);
    int baseline = glyphCellPixels - glyphRimPixels - ink.below;
    if (ok && ink.above > baseline - glyphRimPixels) {
        *error = "glyphs are " + std::to_string(ink.above + ink.below) + " pixels tall with " +
                 std::to_string(glyphRimPixels) + "-pixel rims, cells " +
                 std::to_string(glyphCellPixels);
        ok = false;
    }

    for (int set = 0; set < setCount && ok; ++set)
        for (int code = firstCode; code <= lastCode && ok; ++code)
            if (hasGlyph(faces[set], code))
                ok = loadGlyph(faces[set], code, paths[set], error) &&
                     place(faces[set]->glyph, glyphCell(set, code), baseline, sheet, error);

    for (FT_Face face : faces)
        if (face)
            FT_Done_Face(face);
    return ok;
}

// The rim is the glyph widened by a disc of glyphRimPixels radius, its edge anti-aliased by
// the distance: the strongest coverage nearby, weakened by how far beyond the radius it lies.
// Glyphs keep glyphRimPixels clear of their cell's edges, so no rim reaches a neighbour.
int rimCoverage(const GlyphSheet& sheet, int x, int y)
{
    const int reach = glyphRimPixels;
    const int yFrom = std::max(y - reach, 0), yTo = std::min(y + reach, sheet.height - 1);
    const int xFrom = std::max(x - reach, 0), xTo = std::min(x + reach, sheet.width - 1);
    int strongest = 0;
    for (int v = yFrom; v <= yTo; ++v)
        for (int u = xFrom; u <= xTo; ++u) {
            int glyph = sheet.coverage[v * sheet.width + u];
            if (glyph <= strongest)
                continue;
            double distance = std::sqrt(double((u - x) * (u - x) + (v - y) * (v - y)));
            double weight = std::min(1.0, std::max(0.0, reach + 0.5 - distance));
            strongest = std::max(strongest, static_cast<int>(glyph * weight + 0.5));
        }
    return strongest;
}

}  // namespace

int glyphCell(int set, int code)
{
    return set * 128 + code - firstCode;
}

bool renderGlyphSheet(const char* regularPath, const char* boldPath, GlyphSheet* sheet,
                      std::string* error)
{
    sheet->width = glyphSheetPixels;
    sheet->height = glyphSheetPixels;
    sheet->coverage.assign(static_cast<size_t>(glyphSheetPixels) * glyphSheetPixels, 0);

    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) {
        *error = "cannot start FreeType";
        return false;
    }
    const char* const paths[setCount] = {regularPath, boldPath};
    bool ok = render(library, paths, sheet, error);
    FT_Done_FreeType(library);
    return ok;
}

std::vector<unsigned char> glyphSheetRgba(const GlyphSheet& sheet)
{
    std::vector<unsigned char> rgba(sheet.coverage.size() * 4, 0);
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x) {
            int glyph = sheet.coverage[y * sheet.width + x];
            int rim = rimCoverage(sheet, x, y);
            // White glyph over black rim: alpha glyph + rim (1 - glyph), colour glyph / alpha.
            int alpha = glyph + (rim * (255 - glyph) + 127) / 255;
            int white = alpha ? (glyph * 255 + alpha / 2) / alpha : 0;
            unsigned char* pixel = &rgba[(static_cast<size_t>(y) * sheet.width + x) * 4];
            pixel[0] = pixel[1] = pixel[2] = static_cast<unsigned char>(white);
            pixel[3] = static_cast<unsigned char>(alpha);
        }
    return rgba;
}
