// The texture, the clouds and the closing picture.
#include <algorithm>
#include <cmath>

#include "tools/DetMath.h"
#include "tools/Noise.h"
#include "tools/Pictures.h"
#include "tools/TextRenderer.h"

namespace pictures {

const char* const boldFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const regularFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const serifFont = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";

Image texture() {
    // Lattice cells of 128 pixels: 4 across and 2 down wrap exactly at the
    // picture's edges, and so does every finer octave and the warp.
    const double cell = 128.0;
    TileableNoise relief(11, 4, 2);
    TileableNoise warpX(23, 4, 2);
    TileableNoise warpY(37, 4, 2);
    TileableNoise tint(41, 4, 2);
    auto field = [&](double x, double y) {
        double u = x / cell, v = y / cell;
        double wx = warpX.fractal(u, v, 2) * 0.5;
        double wy = warpY.fractal(u, v, 2) * 0.5;
        // A warp offset is a shift inside the lattice, so the sum still wraps.
        return relief.fractal(u + wx, v + wy, 4, 0.45);
    };
    const double levels = 6.0;
    Image image(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double f = field(x, y);
            double gx = field(x + 1, y) - f;
            double gy = field(x, y + 1) - f;
            double slope = std::sqrt(gx * gx + gy * gy) * levels + 1e-6;
            double contour = f * levels;
            double fraction = contour - std::floor(contour);
            double distance = std::min(fraction, 1.0 - fraction) / slope; // in pixels
            double line = detmath::exp(-distance * distance / 0.9);
            double halo = 0.3 * detmath::exp(-distance / 3.0);
            double hue = 0.52 + 0.16 * tint.fractal(x / cell, y / cell, 2) + 0.05 * f;
            Rgb lineColour = hsv(hue, 0.55, 1.0);
            // A faint fill between the lines, brighter on the high ground.
            double fill = 0.06 + 0.08 * detmath::smoothstep(-0.4, 0.6, f);
            Rgb base = hsv(hue + 0.08, 0.7, fill);
            image.at(x, y) = base + lineColour * (line * 0.95 + halo);
        }
    }
    return image;
}

namespace {

// The cloud density at a pixel: warped fractal noise, shaped so that there
// are gaps of clear sky between the banks.
double cloudDensity(const TileableNoise& shape, const TileableNoise& warp, double x, double y) {
    double u = x / 128.0, v = y / 128.0;
    double w = warp.fractal(u, v, 3) * 0.35;
    // Stretched sideways, as clouds near a horizon look.
    double n = shape.fractal(u + w, v * 1.8 + w * 0.3, 5, 0.42);
    // Thicker towards the bottom.
    double bias = (y / 256.0) * 0.2 - 0.05;
    return detmath::smoothstep(-0.3, 0.5, n + bias);
}

} // namespace

Image clouds() {
    TileableNoise shape(101, 4, 4);
    TileableNoise warp(131, 4, 4);
    Image image(width, height);
    const Rgb skyTop{0.02f, 0.02f, 0.09f};
    const Rgb skyLow{0.16f, 0.05f, 0.22f};
    const Rgb shadow{0.18f, 0.12f, 0.34f};
    const Rgb lit{0.98f, 0.66f, 0.52f};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double d = cloudDensity(shape, warp, x, y);
            // Light from the upper right: where the density falls towards the
            // light, the bank's edge is lit.
            double towardsLight = cloudDensity(shape, warp, x + 4, y - 5);
            double lightness = detmath::clamp(0.5 + (d - towardsLight) * 1.1 + 0.25 * d, 0.0, 1.0);
            double sky = y / 255.0;
            Rgb background = skyTop * (1.0 - sky) + skyLow * sky;
            Rgb cloud = shadow * (1.0 - lightness) + lit * lightness;
            image.at(x, y) = background * (1.0 - d) + cloud * d;
        }
    }
    // A light blur takes the grain off the finest octave.
    return softened(image, 1);
}

Image closing(TextRenderer& text) {
    Image image = clouds();
    // Darken the clouds and lay a warm glow behind the words.
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double dx = (x - 256.0) / 230.0, dy = (y - 118.0) / 120.0;
            double glow = detmath::exp(-(dx * dx + dy * dy) * 2.2);
            image.at(x, y) = image.at(x, y) * 0.45 + Rgb{0.45f, 0.22f, 0.12f} * glow;
        }
    }
    Image words(width, height);
    std::string error;
    if (text.loadFont(serifFont, error)) {
        text.setPixelSize(44);
        text.drawCentred(words, "thanks for watching", 256, 128, {1.0f, 0.95f, 0.85f},
                         {1.0f, 0.72f, 0.45f});
    }
    if (text.loadFont(regularFont, error)) {
        text.setPixelSize(15);
        text.drawCentred(words, "the demo team", 256, 172, {0.85f, 0.8f, 0.95f},
                         {0.7f, 0.65f, 0.85f});
    }
    addLayer(image, softened(words, 4), 0.9);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Rgb& w = words.at(x, y);
            double a = std::max({w.r, w.g, w.b});
            image.at(x, y) = image.at(x, y) * (1.0 - a) + w;
        }
    // A thin line under the words.
    image.addGlowLine(176, 146, 336, 146, {0.9f, 0.7f, 0.5f}, 1.0, 2.5);
    return image;
}

} // namespace pictures
