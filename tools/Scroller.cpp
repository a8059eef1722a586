// The scroller of scene two: credits and greetings on black, set with
// FreeType, with a soft glow behind the headings.
#include <algorithm>
#include <string>
#include <vector>

#include "tools/BeatGrid.h"
#include "tools/DetMath.h"
#include "tools/Pictures.h"
#include "tools/TextRenderer.h"

namespace pictures {

namespace {

enum class Style { title, subtitle, heading, line, small, ornament, gap };

struct Entry {
    Style style;
    const char* text;
};

// Every name here is made up; the credits go to the demo team as a whole.
const Entry entries[] = {
    {Style::gap, ""},
    {Style::small, "the demo team presents"},
    {Style::title, "LUMEN DRIFT"},
    {Style::subtitle, "a real-time show in 512 x 256 pixels"},
    {Style::ornament, ""},
    {Style::heading, "code"},
    {Style::line, "the demo team"},
    {Style::small, "software pixels, one frame at a time"},
    {Style::heading, "music"},
    {Style::line, "the demo team"},
    {Style::small, "synthesised sample by sample at 125 bpm"},
    {Style::heading, "graphics"},
    {Style::line, "the demo team"},
    {Style::small, "grown from noise, walked by a giraffe"},
    {Style::heading, "type"},
    {Style::line, "set with FreeType in DejaVu"},
    {Style::ornament, ""},
    {Style::heading, "greetings to"},
    {Style::line, "the Marmalade Oscillators"},
    {Style::line, "Tin Lantern Collective"},
    {Style::line, "Quiet Vector Guild"},
    {Style::line, "Saffron Scanline"},
    {Style::line, "Orbit & Oatmeal"},
    {Style::line, "the Polygon Picnic Society"},
    {Style::line, "Lowpass Lighthouse"},
    {Style::line, "Copper Kettle Crew"},
    {Style::line, "Moire Mariners"},
    {Style::line, "the Velvet Raster Club"},
    {Style::line, "Northbound Sprites"},
    {Style::line, "Paper Comet"},
    {Style::line, "the Gentle Interrupts"},
    {Style::line, "Hexagon Harbour"},
    {Style::ornament, ""},
    {Style::heading, "made with"},
    {Style::line, "C++20, SDL, mpg123, libjpeg"},
    {Style::line, "LAME and FreeType"},
    {Style::small, "and a great many sine waves"},
    {Style::ornament, ""},
    {Style::small, "no frames were dropped"},
    {Style::small, "in the making of this show"},
    {Style::gap, ""},
    {Style::heading, "see you"},
    {Style::line, "in the next one"},
};

int32_t advanceOf(Style style) {
    switch (style) {
    case Style::title:
        return 96;
    case Style::subtitle:
        return 44;
    case Style::heading:
        return 62;
    case Style::line:
        return 38;
    case Style::small:
        return 30;
    case Style::ornament:
        return 86;
    case Style::gap:
        return 110;
    }
    return 0;
}

} // namespace

Image scroller(TextRenderer& text) {
    Image page(width, grid::scrollHeight);
    Image glowSource(width, grid::scrollHeight);
    std::string error;

    // Total height of the content, so that the last line ends near the
    // bottom: when the closing fade begins the scroller's lower part is still
    // on screen, and it carries the farewell.
    int32_t contentHeight = 0;
    for (const Entry& e : entries) contentHeight += advanceOf(e.style);
    int32_t y = std::max(40, grid::scrollHeight - 150 - contentHeight);
    // The space above the first line is spread over the page, so that the
    // first words are already rising when scene two begins.
    int32_t spare = y - 40;
    y = 40;
    int32_t gaps = 0;
    for (const Entry& e : entries) gaps += e.style == Style::ornament || e.style == Style::gap;
    const int32_t extraPerGap = gaps > 0 ? spare / gaps : 0;

    for (const Entry& e : entries) {
        int32_t advance = advanceOf(e.style);
        int32_t baseline = y + advance * 2 / 3;
        switch (e.style) {
        case Style::title:
            text.loadFont(boldFont, error);
            text.setPixelSize(64);
            text.drawCentred(glowSource, e.text, 256, baseline, {1.0f, 0.6f, 0.2f},
                             {1.0f, 0.3f, 0.4f});
            text.drawCentred(page, e.text, 256, baseline, {1.0f, 0.93f, 0.6f}, {1.0f, 0.55f, 0.3f});
            break;
        case Style::subtitle:
            text.loadFont(serifFont, error);
            text.setPixelSize(19);
            text.drawCentred(page, e.text, 256, baseline, {0.8f, 0.85f, 1.0f}, {0.6f, 0.7f, 0.95f});
            break;
        case Style::heading:
            text.loadFont(boldFont, error);
            text.setPixelSize(30);
            text.drawCentred(glowSource, e.text, 256, baseline, {0.2f, 0.6f, 1.0f},
                             {0.6f, 0.2f, 1.0f});
            text.drawCentred(page, e.text, 256, baseline, {0.55f, 0.9f, 1.0f},
                             {0.75f, 0.55f, 1.0f});
            break;
        case Style::line:
            text.loadFont(regularFont, error);
            text.setPixelSize(22);
            text.drawCentred(page, e.text, 256, baseline, {1.0f, 1.0f, 1.0f}, {0.78f, 0.82f, 0.9f});
            break;
        case Style::small:
            text.loadFont(serifFont, error);
            text.setPixelSize(16);
            text.drawCentred(page, e.text, 256, baseline, {0.7f, 0.7f, 0.78f},
                             {0.55f, 0.55f, 0.65f});
            break;
        case Style::ornament: {
            double cy = y + (advance + extraPerGap) / 2.0;
            page.addGlowLine(150, cy, 362, cy, {0.35f, 0.45f, 0.8f}, 1.0, 2.0);
            page.addGlowDot(256, cy, {1.0f, 0.8f, 0.5f}, 3.5);
            page.addGlowDot(150, cy, {0.5f, 0.6f, 1.0f}, 2.0);
            page.addGlowDot(362, cy, {0.5f, 0.6f, 1.0f}, 2.0);
            advance += extraPerGap;
            break;
        }
        case Style::gap:
            advance += extraPerGap;
            break;
        }
        y += advance;
    }
    addLayer(page, softened(glowSource, 6), 1.3);
    return page;
}

} // namespace pictures
