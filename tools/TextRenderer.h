#pragma once
#include <cstdint>
#include <string>

#include "tools/Image.h"

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

// Sets lines of text into an Image with FreeType: antialiased glyphs from a
// TrueType font file, kerned, at a pixel size of the caller's choosing.
class TextRenderer {
  public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Loads a font file; false with the reason when FreeType cannot read it.
    bool loadFont(const std::string& path, std::string& error);
    void setPixelSize(int32_t pixels);

    // Width in pixels of the line at the current size.
    int32_t measure(const std::string& text) const;
    // Draws the line with its baseline at `baselineY`, starting at `x`. The
    // glyph coverage blends `colour` over what is there; a vertical gradient
    // from `colour` to `bottomColour` runs over the size's em height.
    void draw(Image& image, const std::string& text, int32_t x, int32_t baselineY, Rgb colour,
              Rgb bottomColour) const;
    void drawCentred(Image& image, const std::string& text, int32_t centreX, int32_t baselineY,
                     Rgb colour, Rgb bottomColour) const;

  private:
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    int32_t pixelSize = 16;
};
