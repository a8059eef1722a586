#include "display/OverlayPainter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* fontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr int32_t fontPixels = 12;
constexpr int32_t lineHeight = 15;
constexpr uint32_t panel = 0xC0000000;
constexpr uint32_t white = 0xFFFFFF, grey = 0xB0B0B0, green = 0x60E060, red = 0xFF6060;
constexpr uint32_t barColours[5] = {0xE05050, 0xE0A040, 0xE0E050, 0x50C0E0, 0xB070E0};

} // namespace

OverlayPainter::OverlayPainter() : image(static_cast<size_t>(width) * height, 0) {
    FT_Library ft = nullptr;
    if (FT_Init_FreeType(&ft) != 0) return;
    library = ft;
    FT_Face loaded = nullptr;
    if (FT_New_Face(ft, fontFile, 0, &loaded) != 0 || FT_Set_Pixel_Sizes(loaded, 0, fontPixels)) {
        if (loaded) FT_Done_Face(loaded);
        std::fprintf(stderr, "demo: the overlay has no text: %s cannot be read\n", fontFile);
        return;
    }
    face = loaded;
}

OverlayPainter::~OverlayPainter() {
    if (face) FT_Done_Face(static_cast<FT_Face>(face));
    if (library) FT_Done_FreeType(static_cast<FT_Library>(library));
}

const OverlayPainter::Glyph& OverlayPainter::glyph(char c) {
    if (auto found = glyphs.find(c); found != glyphs.end()) return found->second;
    Glyph made;
    auto* ft = static_cast<FT_Face>(face);
    if (FT_Load_Char(ft, static_cast<unsigned char>(c), FT_LOAD_RENDER) == 0) {
        const FT_GlyphSlot slot = ft->glyph;
        made.left = slot->bitmap_left;
        made.top = slot->bitmap_top;
        made.width = static_cast<int32_t>(slot->bitmap.width);
        made.height = static_cast<int32_t>(slot->bitmap.rows);
        made.advance = static_cast<int32_t>(slot->advance.x >> 6);
        made.coverage.resize(static_cast<size_t>(made.width) * made.height);
        for (int32_t row = 0; row < made.height; ++row)
            std::copy_n(slot->bitmap.buffer + row * slot->bitmap.pitch, made.width,
                        made.coverage.begin() + row * made.width);
    }
    return glyphs.emplace(c, std::move(made)).first->second;
}

void OverlayPainter::fillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb) {
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = std::min(x + w, width), y1 = std::min(y + h, height);
    for (int32_t row = y0; row < y1; ++row)
        std::fill(image.begin() + row * width + x0, image.begin() + row * width + x1, argb);
}

int32_t OverlayPainter::text(int32_t x, int32_t y, const std::string& line, uint32_t rgb) {
    if (!face) return x;
    for (char c : line) {
        const Glyph& g = glyph(c);
        for (int32_t row = 0; row < g.height; ++row) {
            const int32_t py = y - g.top + row;
            if (py < 0 || py >= height) continue;
            for (int32_t col = 0; col < g.width; ++col) {
                const int32_t px = x + g.left + col;
                const uint8_t cover = g.coverage[row * g.width + col];
                if (px < 0 || px >= width || cover == 0) continue;
                // Text over the panel: the glyph's coverage mixes its colour
                // with the panel's black, and the pixel turns opaque with it.
                uint32_t& pixel = image[py * width + px];
                const uint32_t alpha = std::max<uint32_t>(pixel >> 24, cover);
                const auto channel = [cover](uint32_t value, int shift) {
                    return ((value >> shift & 0xFF) * cover / 255) << shift;
                };
                pixel = alpha << 24 | channel(rgb, 16) | channel(rgb, 8) | channel(rgb, 0);
            }
        }
        x += g.advance;
    }
    return x;
}

const std::vector<uint32_t>& OverlayPainter::paint(const OverlayContent& content) {
    std::fill(image.begin(), image.end(), 0u);
    // Above the canvas (display lines 0..63): time, step, scene, play state.
    fillRect(0, 0, width, 64, panel);
    char line[160];
    std::snprintf(line, sizeof line, "%s  step %lld  scene %d", content.time.c_str(),
                  static_cast<long long>(content.step), content.scene);
    text(6, 14, line, white);
    text(width - 70, 14, content.paused ? "PAUSED" : "PLAYING", content.paused ? red : green);
    std::string cursors = "cursors";
    for (int32_t c : content.cursors) cursors += "  " + std::to_string(c);
    text(6, 14 + lineHeight, cursors, grey);
    if (!content.reload.empty()) {
        std::string shown = content.reload;
        if (shown.size() > 80) shown = shown.substr(0, 77) + "...";
        text(6, 14 + 2 * lineHeight, shown, content.reloadFailed ? red : green);
    }
    text(6, 14 + 3 * lineHeight, "Space H , . Left Right Home R", grey);

    // Below the canvas (display lines 320..383): the five envelopes as bars.
    fillRect(0, 320, width, 64, panel);
    constexpr int32_t barTop = 326, barRow = 11, barLeft = 60, barLength = 256;
    for (int32_t t = 0; t < 5; ++t) {
        const int32_t value = std::clamp(content.envelopes[t], 0, 255);
        const int32_t y = barTop + t * barRow;
        std::snprintf(line, sizeof line, "env %d", t);
        text(6, y + 9, line, grey);
        fillRect(barLeft, y + 1, barLength, barRow - 3, 0xFF303030);
        fillRect(barLeft, y + 1, value * barLength / 255, barRow - 3, 0xFF000000 | barColours[t]);
        text(barLeft + barLength + 8, y + 9, std::to_string(value), white);
    }
    return image;
}
