#include "tools/font/glyph_sheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

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
    if (left < 0 || top < 0 || left + columns > glyphCellPixels || top + rows > glyphCellPixels) {
        *error = "glyph of cell " + std::to_string(cell) + " does not fit its " +
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

    // One baseline for both sets, low enough for the deepest descender of either face.
    Ink ink;
    for (int set = 0; set < setCount && ok; ++set)
        for (int code = firstCode; code <= lastCode && ok; ++code)
            if (hasGlyph(faces[set], code) && (ok = loadGlyph(faces[set], code, paths[set], error)))
                measure(faces[set]->glyph, &ink);
    int baseline = glyphCellPixels - ink.below;
    if (ok && ink.above > baseline) {
        *error = "glyphs are " + std::to_string(ink.above + ink.below) + " pixels tall, cells " +
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
    std::vector<unsigned char> rgba(sheet.coverage.size() * 4, 0xFF);
    for (size_t i = 0; i < sheet.coverage.size(); ++i)
        rgba[i * 4 + 3] = sheet.coverage[i];
    return rgba;
}
