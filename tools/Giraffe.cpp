// The second picture sequence: a giraffe walking from left to right, drawn
// from a signed distance field of capsules and an ellipse, one step of its
// pacing stride per frame, with its coat pattern and a warm rim of light.
#include <algorithm>
#include <cmath>

#include "tools/DetMath.h"
#include "tools/Pictures.h"
#include "tools/Rng.h"

namespace pictures {

namespace {

struct Point {
    double x, y;
};

double length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

// Distance to a segment from a to b whose radius tapers from ra to rb.
double capsule(Point p, Point a, Point b, double ra, double rb) {
    double px = p.x - a.x, py = p.y - a.y;
    double dx = b.x - a.x, dy = b.y - a.y;
    double t = detmath::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return length(px - dx * t, py - dy * t) - detmath::mix(ra, rb, t);
}

double ellipse(Point p, Point centre, double rx, double ry, double angle) {
    double c = detmath::cos(angle), s = detmath::sin(angle);
    double x = (p.x - centre.x) * c + (p.y - centre.y) * s;
    double y = -(p.x - centre.x) * s + (p.y - centre.y) * c;
    double k = length(x / rx, y / ry);
    return (k - 1.0) * std::min(rx, ry);
}

// Union that rounds the joints.
double smoothUnion(double a, double b, double k) {
    double h = detmath::clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return detmath::mix(b, a, h) - k * h * (1.0 - h);
}

// A two-segment leg from the hip to the hoof with the knee bent to `side`.
double leg(Point p, Point hip, Point hoof, double side) {
    const double segment = 56.0;
    double dx = hoof.x - hip.x, dy = hoof.y - hip.y;
    double reach = std::min(length(dx, dy), 2.0 * segment - 0.01);
    double bend = std::sqrt(std::max(0.0, segment * segment - reach * reach / 4.0));
    double nx = -dy / length(dx, dy), ny = dx / length(dx, dy);
    Point knee{hip.x + dx / 2.0 + nx * bend * side, hip.y + dy / 2.0 + ny * bend * side};
    double upper = capsule(p, hip, knee, 8.0, 4.5);
    double lower = capsule(p, knee, hoof, 4.0, 3.0);
    return smoothUnion(upper, lower, 3.0);
}

struct Pose {
    double originX;
    double phase;
};

// Hoof position of a leg whose hip is at `hipX`, at stride phase `phase`:
// on the ground it slides back, in the air it swings forward, lifted.
Point hoofAt(double hipX, double ground, double phase) {
    double s = detmath::sin(phase);
    double c = detmath::cos(phase);
    double lift = s > 0.0 ? s * 16.0 : 0.0;
    return {hipX + 26.0 * c, ground - lift};
}

double farLegs(Point p, const Pose& pose, double ground) {
    // Giraffes pace: both legs of a side move together. The far side runs half a stride behind.
    double phase = pose.phase + detmath::pi;
    Point frontHip{pose.originX + 30.0, ground - 112.0};
    Point backHip{pose.originX - 38.0, ground - 114.0};
    double front = leg(p, frontHip, hoofAt(frontHip.x, ground, phase), -1.0);
    double back = leg(p, backHip, hoofAt(backHip.x, ground, phase), 1.0);
    return std::min(front, back);
}

double nearBody(Point p, const Pose& pose, double ground) {
    double bob = 2.0 * detmath::sin(2.0 * pose.phase);
    double ox = pose.originX;
    double body = ellipse(p, {ox - 2.0, ground - 128.0 + bob}, 50.0, 24.0, 0.12);
    double sway = 0.05 * detmath::sin(pose.phase);
    Point neckBase{ox + 34.0, ground - 140.0 + bob};
    Point neckTop{ox + 68.0 + 40.0 * sway, ground - 204.0 + bob};
    double neck = capsule(p, neckBase, neckTop, 13.0, 6.5);
    Point headBack{neckTop.x + 2.0, neckTop.y - 4.0};
    Point muzzle{neckTop.x + 26.0, neckTop.y + 8.0};
    double head = capsule(p, headBack, muzzle, 8.0, 5.0);
    double horns = std::min(capsule(p, {headBack.x + 1.0, headBack.y - 4.0},
                                    {headBack.x - 2.0, headBack.y - 17.0}, 2.2, 2.0),
                            length(p.x - (headBack.x - 2.0), p.y - (headBack.y - 18.0)) - 3.2);
    double ear =
        capsule(p, {headBack.x - 3.0, headBack.y}, {headBack.x - 12.0, headBack.y - 5.0}, 2.5, 1.5);
    double tailSwing = 6.0 * detmath::sin(pose.phase * 2.0 + 1.0);
    double tail = capsule(p, {ox - 50.0, ground - 132.0 + bob},
                          {ox - 58.0 + tailSwing * 0.3, ground - 92.0}, 2.0, 1.2);
    double tuft = length(p.x - (ox - 58.0 + tailSwing * 0.3), p.y - (ground - 90.0)) - 3.5;
    double phase = pose.phase;
    Point frontHip{ox + 34.0, ground - 112.0 + bob};
    Point backHip{ox - 34.0, ground - 114.0 + bob};
    double front = leg(p, frontHip, hoofAt(frontHip.x, ground, phase), -1.0);
    double back = leg(p, backHip, hoofAt(backHip.x, ground, phase), 1.0);
    double d = smoothUnion(body, neck, 8.0);
    d = smoothUnion(d, head, 4.0);
    d = std::min(d, horns);
    d = smoothUnion(d, ear, 1.5);
    d = smoothUnion(d, std::min(tail, tuft), 2.0);
    d = smoothUnion(d, front, 6.0);
    d = smoothUnion(d, back, 6.0);
    return d;
}

// The reticulated coat: irregular patches separated by pale lines, from the
// two nearest of a jittered grid of points (in the giraffe's own frame).
double coatLine(double x, double y) {
    const double cellSize = 13.0;
    double gx = std::floor(x / cellSize), gy = std::floor(y / cellSize);
    double nearest = 1e9, second = 1e9;
    for (int32_t j = -1; j <= 1; ++j) {
        for (int32_t i = -1; i <= 1; ++i) {
            int32_t cx = static_cast<int32_t>(gx) + i, cy = static_cast<int32_t>(gy) + j;
            uint32_t h = hashCoords(cx, cy, 77);
            double px = (cx + 0.2 + 0.6 * ((h & 0xFFFF) / 65535.0)) * cellSize;
            double py = (cy + 0.2 + 0.6 * ((h >> 16) / 65535.0)) * cellSize;
            double d = length(x - px, y - py);
            if (d < nearest) {
                second = nearest;
                nearest = d;
            } else if (d < second) {
                second = d;
            }
        }
    }
    return second - nearest; // small near a border between patches
}

} // namespace

Image giraffeFrame(int32_t index) {
    Image image(width, height);
    const double ground = 244.0;
    // Five strides over the thirteen frames: 5 and 13 share no factor, so every
    // frame shows a different pose.
    Pose pose{80.0 + index * 25.0, detmath::twoPi * index * 5.0 / 13.0};
    const Rgb coat{1.0f, 0.62f, 0.2f};
    const Rgb patch{0.55f, 0.22f, 0.06f};
    const Rgb rim{1.0f, 0.85f, 0.5f};
    const Rgb shade{0.3f, 0.12f, 0.05f};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            Point p{x + 0.5, y + 0.5};
            // Quick rejection far from the animal.
            if (p.x < pose.originX - 110.0 || p.x > pose.originX + 140.0 || p.y < ground - 250.0)
                continue;
            double nearD = nearBody(p, pose, ground);
            double farD = farLegs(p, pose, ground);
            Rgb colour{0, 0, 0};
            // Far legs first, in shadow.
            double farCover = 1.0 - detmath::smoothstep(-0.7, 0.7, farD);
            colour = colour + shade * farCover;
            double cover = 1.0 - detmath::smoothstep(-0.7, 0.7, nearD);
            if (cover > 0.0) {
                double line = coatLine(p.x - pose.originX, p.y);
                double isPatch = detmath::smoothstep(1.2, 2.4, line);
                // Lighter along the back, where the light comes from.
                double top = detmath::clamp((ground - 100.0 - p.y) / 140.0, 0.0, 1.0);
                Rgb body = coat * (0.75 + 0.25 * top);
                Rgb inside = body * (1.0 - isPatch) + patch * isPatch;
                // A rim of light just inside the outline.
                double edge = detmath::exp(-(nearD * nearD) / 6.0);
                inside = inside + rim * (0.5 * edge);
                colour = colour * (1.0 - cover) + inside * cover;
            }
            // A soft warm halo outside the outline.
            if (nearD > 0.0) colour = colour + rim * (0.18 * detmath::exp(-nearD / 5.0));
            image.at(x, y) = colour;
        }
    }
    // Its shadow on the ground.
    for (int32_t y = static_cast<int32_t>(ground) - 3; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            double dx = (x - pose.originX) / 80.0, dy = (y - ground - 2.0) / 5.0;
            double s = detmath::exp(-(dx * dx + dy * dy));
            image.addAt(x, y, {0.25f, 0.12f, 0.05f}, s * 0.6);
        }
    return image;
}

} // namespace pictures
