#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0, g = 0, b = 0;
};

inline Rgb operator*(Rgb c, double k) {
    return {static_cast<float>(c.r * k), static_cast<float>(c.g * k), static_cast<float>(c.b * k)};
}
inline Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

// A picture under construction: linear 0..1 colour channels in floats, so that
// layers can be added and blended before the single rounding to 8 bits.
class Image {
  public:
    Image(int32_t width, int32_t height);

    int32_t width() const { return w; }
    int32_t height() const { return h; }
    Rgb& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * w + x]; }
    const Rgb& at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * w + x]; }

    // Adds `colour` × `amount` to the pixel, ignoring points outside.
    void addAt(int32_t x, int32_t y, Rgb colour, double amount);
    // Mixes the pixel towards `colour` by `alpha` (0..1), ignoring points outside.
    void blendAt(int32_t x, int32_t y, Rgb colour, double alpha);
    // A glowing line: a bright core of `width` pixels with a soft halo around it.
    void addGlowLine(double x0, double y0, double x1, double y1, Rgb colour, double width,
                     double glow);
    // A soft round spot.
    void addGlowDot(double cx, double cy, Rgb colour, double radius);

    // 8-bit red, green, blue per pixel, rows top to bottom, rounded and clamped.
    std::vector<uint8_t> toRgb8() const;

  private:
    int32_t w;
    int32_t h;
    std::vector<Rgb> pixels;
};

// Colour from hue (0..1 around the wheel), saturation and value.
Rgb hsv(double hue, double saturation, double value);

// Three passes of a box blur of the given radius in each direction, which is
// close to a gaussian; used for glows.
Image softened(const Image& image, int32_t radius);
// Adds `layer` × `gain` onto `image` (same size).
void addLayer(Image& image, const Image& layer, double gain);
