#include "tools/Noise.h"

#include <cmath>

#include "tools/Rng.h"

namespace {

// Eight unit-ish gradient directions; enough for soft, even-looking noise.
constexpr double gradients[8][2] = {{1, 0},
                                    {-1, 0},
                                    {0, 1},
                                    {0, -1},
                                    {0.7071, 0.7071},
                                    {-0.7071, 0.7071},
                                    {0.7071, -0.7071},
                                    {-0.7071, -0.7071}};

double fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

int32_t wrap(int32_t v, int32_t period) {
    int32_t r = v % period;
    return r < 0 ? r + period : r;
}

} // namespace

double TileableNoise::gradientDot(int32_t ix, int32_t iy, double fx, double fy, int32_t px,
                                  int32_t py) const {
    uint32_t h = hashCoords(wrap(ix, px), wrap(iy, py), seed) & 7u;
    return gradients[h][0] * fx + gradients[h][1] * fy;
}

double TileableNoise::at(double x, double y) const {
    double flx = std::floor(x);
    double fly = std::floor(y);
    int32_t ix = static_cast<int32_t>(flx);
    int32_t iy = static_cast<int32_t>(fly);
    double fx = x - flx;
    double fy = y - fly;
    double n00 = gradientDot(ix, iy, fx, fy, periodX, periodY);
    double n10 = gradientDot(ix + 1, iy, fx - 1.0, fy, periodX, periodY);
    double n01 = gradientDot(ix, iy + 1, fx, fy - 1.0, periodX, periodY);
    double n11 = gradientDot(ix + 1, iy + 1, fx - 1.0, fy - 1.0, periodX, periodY);
    double u = fade(fx);
    double v = fade(fy);
    double top = n00 + (n10 - n00) * u;
    double bottom = n01 + (n11 - n01) * u;
    return (top + (bottom - top) * v) * 1.4;
}

double TileableNoise::fractal(double x, double y, int32_t octaves, double gain) const {
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    for (int32_t o = 0; o < octaves; ++o) {
        TileableNoise layer(seed + static_cast<uint32_t>(o) * 1013u, periodX << o, periodY << o);
        sum += layer.at(x * (1 << o), y * (1 << o)) * amplitude;
        total += amplitude;
        amplitude *= gain;
    }
    return sum / total;
}
