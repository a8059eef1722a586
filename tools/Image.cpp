#include "tools/Image.h"

#include <algorithm>
#include <cmath>

#include "tools/DetMath.h"

Image::Image(int32_t width, int32_t height)
    : w(width), h(height), pixels(static_cast<size_t>(width) * static_cast<size_t>(height)) {}

void Image::addAt(int32_t x, int32_t y, Rgb colour, double amount) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    Rgb& p = at(x, y);
    p = p + colour * amount;
}

void Image::blendAt(int32_t x, int32_t y, Rgb colour, double alpha) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    Rgb& p = at(x, y);
    p = p * (1.0 - alpha) + colour * alpha;
}

void Image::addGlowLine(double x0, double y0, double x1, double y1, Rgb colour, double width,
                        double glow) {
    double reach = width + glow * 3.0;
    int32_t left = static_cast<int32_t>(std::floor(std::min(x0, x1) - reach));
    int32_t right = static_cast<int32_t>(std::ceil(std::max(x0, x1) + reach));
    int32_t top = static_cast<int32_t>(std::floor(std::min(y0, y1) - reach));
    int32_t bottom = static_cast<int32_t>(std::ceil(std::max(y0, y1) + reach));
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, w - 1);
    bottom = std::min(bottom, h - 1);
    double dx = x1 - x0;
    double dy = y1 - y0;
    double lengthSquared = dx * dx + dy * dy;
    for (int32_t y = top; y <= bottom; ++y) {
        for (int32_t x = left; x <= right; ++x) {
            double px = x + 0.5 - x0;
            double py = y + 0.5 - y0;
            double t = lengthSquared > 0.0 ? (px * dx + py * dy) / lengthSquared : 0.0;
            t = detmath::clamp(t, 0.0, 1.0);
            double ex = px - t * dx;
            double ey = py - t * dy;
            double d = std::sqrt(ex * ex + ey * ey);
            double core = 1.0 - detmath::smoothstep(width * 0.5 - 0.5, width * 0.5 + 0.5, d);
            double halo = glow > 0.0 ? 0.35 * detmath::exp(-(d * d) / (2.0 * glow * glow)) : 0.0;
            double amount = core + halo;
            if (amount > 0.002) addAt(x, y, colour, amount);
        }
    }
}

void Image::addGlowDot(double cx, double cy, Rgb colour, double radius) {
    int32_t reach = static_cast<int32_t>(radius * 3.0) + 1;
    for (int32_t y = static_cast<int32_t>(cy) - reach; y <= static_cast<int32_t>(cy) + reach; ++y) {
        for (int32_t x = static_cast<int32_t>(cx) - reach; x <= static_cast<int32_t>(cx) + reach;
             ++x) {
            double dx = x + 0.5 - cx;
            double dy = y + 0.5 - cy;
            double amount = detmath::exp(-(dx * dx + dy * dy) / (2.0 * radius * radius));
            if (amount > 0.002) addAt(x, y, colour, amount);
        }
    }
}

std::vector<uint8_t> Image::toRgb8() const {
    std::vector<uint8_t> out(pixels.size() * 3);
    auto toByte = [](float v) {
        double scaled = detmath::clamp(static_cast<double>(v), 0.0, 1.0) * 255.0 + 0.5;
        return static_cast<uint8_t>(scaled);
    };
    for (size_t i = 0; i < pixels.size(); ++i) {
        out[i * 3 + 0] = toByte(pixels[i].r);
        out[i * 3 + 1] = toByte(pixels[i].g);
        out[i * 3 + 2] = toByte(pixels[i].b);
    }
    return out;
}

Rgb hsv(double hue, double saturation, double value) {
    double h = (hue - std::floor(hue)) * 6.0;
    int32_t sector = static_cast<int32_t>(h);
    double f = h - sector;
    double p = value * (1.0 - saturation);
    double q = value * (1.0 - saturation * f);
    double t = value * (1.0 - saturation * (1.0 - f));
    auto c = [](double r, double g, double b) {
        return Rgb{static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
    };
    switch (sector % 6) {
    case 0:
        return c(value, t, p);
    case 1:
        return c(q, value, p);
    case 2:
        return c(p, value, t);
    case 3:
        return c(p, q, value);
    case 4:
        return c(t, p, value);
    default:
        return c(value, p, q);
    }
}

namespace {

void boxPass(std::vector<Rgb>& data, int32_t count, int32_t stride, int32_t lines,
             int32_t lineStride, int32_t radius) {
    std::vector<Rgb> line(static_cast<size_t>(count));
    const double scale = 1.0 / (2 * radius + 1);
    for (int32_t l = 0; l < lines; ++l) {
        Rgb* base = data.data() + static_cast<size_t>(l) * lineStride;
        for (int32_t i = 0; i < count; ++i)
            line[static_cast<size_t>(i)] = base[static_cast<size_t>(i) * stride];
        double r = 0, g = 0, b = 0;
        for (int32_t i = -radius; i <= radius; ++i) {
            if (i < 0 || i >= count) continue;
            r += line[static_cast<size_t>(i)].r;
            g += line[static_cast<size_t>(i)].g;
            b += line[static_cast<size_t>(i)].b;
        }
        for (int32_t i = 0; i < count; ++i) {
            base[static_cast<size_t>(i) * stride] = {static_cast<float>(r * scale),
                                                     static_cast<float>(g * scale),
                                                     static_cast<float>(b * scale)};
            int32_t leaving = i - radius;
            int32_t entering = i + radius + 1;
            if (leaving >= 0) {
                r -= line[static_cast<size_t>(leaving)].r;
                g -= line[static_cast<size_t>(leaving)].g;
                b -= line[static_cast<size_t>(leaving)].b;
            }
            if (entering < count) {
                r += line[static_cast<size_t>(entering)].r;
                g += line[static_cast<size_t>(entering)].g;
                b += line[static_cast<size_t>(entering)].b;
            }
        }
    }
}

} // namespace

Image softened(const Image& image, int32_t radius) {
    Image out = image;
    std::vector<Rgb> data(static_cast<size_t>(image.width()) * image.height());
    for (int32_t y = 0; y < image.height(); ++y)
        for (int32_t x = 0; x < image.width(); ++x)
            data[static_cast<size_t>(y) * image.width() + x] = image.at(x, y);
    for (int32_t pass = 0; pass < 3; ++pass) {
        boxPass(data, image.width(), 1, image.height(), image.width(), radius);
        boxPass(data, image.height(), image.width(), image.width(), 1, radius);
    }
    for (int32_t y = 0; y < image.height(); ++y)
        for (int32_t x = 0; x < image.width(); ++x)
            out.at(x, y) = data[static_cast<size_t>(y) * image.width() + x];
    return out;
}

void addLayer(Image& image, const Image& layer, double gain) {
    for (int32_t y = 0; y < image.height(); ++y)
        for (int32_t x = 0; x < image.width(); ++x)
            image.at(x, y) = image.at(x, y) + layer.at(x, y) * gain;
}
