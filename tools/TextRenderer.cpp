#include "tools/TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

// Text here is plain ASCII; other bytes are drawn as a space.
FT_ULong codeOf(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 128 ? u : ' ';
}

} // namespace

TextRenderer::TextRenderer() {
    FT_Init_FreeType(&library);
}

TextRenderer::~TextRenderer() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
}

bool TextRenderer::loadFont(const std::string& path, std::string& error) {
    if (!library) {
        error = "FreeType could not start";
        return false;
    }
    if (face) {
        FT_Done_Face(face);
        face = nullptr;
    }
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        face = nullptr;
        error = "cannot read the font " + path;
        return false;
    }
    setPixelSize(pixelSize);
    return true;
}

void TextRenderer::setPixelSize(int32_t pixels) {
    pixelSize = pixels;
    if (face) FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
}

int32_t TextRenderer::measure(const std::string& text) const {
    if (!face) return 0;
    FT_Pos width = 0;
    FT_UInt previous = 0;
    for (char c : text) {
        FT_UInt glyph = FT_Get_Char_Index(face, codeOf(c));
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
            width += kern.x;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0) width += face->glyph->advance.x;
        previous = glyph;
    }
    return static_cast<int32_t>(width >> 6);
}

void TextRenderer::draw(Image& image, const std::string& text, int32_t x, int32_t baselineY,
                        Rgb colour, Rgb bottomColour) const {
    if (!face) return;
    FT_Pos penX = static_cast<FT_Pos>(x) << 6;
    FT_UInt previous = 0;
    const double top = baselineY - pixelSize * 0.75;
    for (char c : text) {
        FT_UInt glyph = FT_Get_Char_Index(face, codeOf(c));
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
            penX += kern.x;
        }
        previous = glyph;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        int32_t left = static_cast<int32_t>(penX >> 6) + slot->bitmap_left;
        int32_t rowTop = baselineY - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            int32_t y = rowTop + static_cast<int32_t>(row);
            double t = (y - top) / (pixelSize * 0.8);
            t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
            Rgb shade = colour * (1.0 - t) + bottomColour * t;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                uint8_t coverage =
                    bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column];
                if (coverage)
                    image.blendAt(left + static_cast<int32_t>(column), y, shade, coverage / 255.0);
            }
        }
        penX += slot->advance.x;
    }
}

void TextRenderer::drawCentred(Image& image, const std::string& text, int32_t centreX,
                               int32_t baselineY, Rgb colour, Rgb bottomColour) const {
    draw(image, text, centreX - measure(text) / 2, baselineY, colour, bottomColour);
}
