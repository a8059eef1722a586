// The first picture sequence: two tesseracts (four-dimensional cubes) seen in
// perspective, turning a quarter turn in the x-w plane over the eight frames.
// A quarter turn maps the tesseract onto itself, so the sequence could loop.
#include <array>
#include <cmath>

#include "tools/DetMath.h"
#include "tools/Pictures.h"

namespace pictures {

namespace {

using Vec4 = std::array<double, 4>;

struct Projected {
    double x, y, depth;
};

// Rotates in the x-w and y-z planes, then projects 4D → 3D → 2D.
Projected project(const Vec4& p, double turn, double tilt, double cx, double cy, double size) {
    double c = detmath::cos(turn), s = detmath::sin(turn);
    double x = p[0] * c - p[3] * s;
    double w = p[0] * s + p[3] * c;
    double y = p[1], z = p[2];
    double ct = detmath::cos(tilt), st = detmath::sin(tilt);
    double y2 = y * ct - z * st;
    double z2 = y * st + z * ct;
    // A gentle fixed turn about the vertical axis, so that no face is seen edge-on.
    double cy3 = detmath::cos(0.5), sy3 = detmath::sin(0.5);
    double x3 = x * cy3 + z2 * sy3;
    double z3 = -x * sy3 + z2 * cy3;
    double k4 = 2.6 / (3.2 - w); // the w axis seen in perspective
    x3 *= k4;
    y2 *= k4;
    z3 *= k4;
    double k3 = 3.4 / (4.2 - z3);
    return {cx + x3 * k3 * size, cy + y2 * k3 * size, z3};
}

void drawTesseract(Image& image, double turn, double cx, double cy, double hueBase) {
    std::array<Vec4, 16> corners;
    for (int32_t i = 0; i < 16; ++i)
        for (int32_t a = 0; a < 4; ++a)
            corners[static_cast<size_t>(i)][static_cast<size_t>(a)] = (i >> a) & 1 ? 1.0 : -1.0;
    std::array<Projected, 16> points;
    for (size_t i = 0; i < 16; ++i) points[i] = project(corners[i], turn, 0.45, cx, cy, 38.0);
    // Edges join corners that differ in one coordinate; the colour follows the
    // axis, the brightness the depth.
    for (int32_t i = 0; i < 16; ++i) {
        for (int32_t a = 0; a < 4; ++a) {
            int32_t j = i ^ (1 << a);
            if (j < i) continue;
            const Projected& p = points[static_cast<size_t>(i)];
            const Projected& q = points[static_cast<size_t>(j)];
            double depth = detmath::clamp(0.75 + 0.18 * (p.depth + q.depth), 0.35, 1.2);
            Rgb colour = hsv(hueBase + a * 0.07, 0.65, 0.85 * depth);
            image.addGlowLine(p.x, p.y, q.x, q.y, colour, 1.6, 2.2);
        }
    }
    for (const Projected& p : points) image.addGlowDot(p.x, p.y, hsv(hueBase + 0.1, 0.3, 0.9), 2.2);
}

} // namespace

Image tesseractFrame(int32_t index) {
    Image image(width, height);
    const double turn = (detmath::pi / 2.0) * index / 8.0;
    drawTesseract(image, turn, 100.0, 128.0, 0.52);
    drawTesseract(image, -turn, 412.0, 128.0, 0.86);
    return image;
}

} // namespace pictures
