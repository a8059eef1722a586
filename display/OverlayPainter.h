#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the studio's overlay shows.
struct OverlayContent {
    std::string time;  // show time, m:ss.ff
    int64_t step = 0;  // the step on screen
    int32_t scene = 1; // 1 or 2
    bool paused = false;
    std::array<int32_t, 5> envelopes{}; // 0..255
    std::array<int32_t, 5> cursors{};   // pattern 0's next events, -1 when none is left
    std::string reload;                 // the last reload's result; empty before any
    bool reloadFailed = false;
};

// Paints the overlay as an ARGB8888 image (alpha in the top byte, 0 where
// nothing is drawn) with text in DejaVu Sans Mono through FreeType. Without
// the font the bars and panels are still painted, and the text is left out.
class OverlayPainter {
  public:
    static constexpr int32_t width = 512;
    static constexpr int32_t height = 384;

    OverlayPainter();
    ~OverlayPainter();
    OverlayPainter(const OverlayPainter&) = delete;
    OverlayPainter& operator=(const OverlayPainter&) = delete;

    bool hasFont() const { return face != nullptr; }
    // The image of `content`, width × height pixels.
    const std::vector<uint32_t>& paint(const OverlayContent& content);

  private:
    struct Glyph {
        int32_t left = 0, top = 0, width = 0, height = 0, advance = 0;
        std::vector<uint8_t> coverage;
    };
    const Glyph& glyph(char c);
    void fillRect(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t argb);
    // Text with its baseline at y; returns the x after it.
    int32_t text(int32_t x, int32_t y, const std::string& line, uint32_t rgb);

    void* library = nullptr; // FT_Library
    void* face = nullptr;    // FT_Face
    std::map<char, Glyph> glyphs;
    std::vector<uint32_t> image;
};
