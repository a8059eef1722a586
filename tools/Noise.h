#pragma once
#include <cstdint>

// Gradient noise on a lattice that wraps every `period` cells in x and y, so
// that pictures built from it tile without a seam when the period divides the
// picture into whole cells.
class TileableNoise {
  public:
    TileableNoise(uint32_t seed, int32_t periodX, int32_t periodY)
        : seed(seed), periodX(periodX), periodY(periodY) {}

    // About -1..1, at lattice coordinates (x, y).
    double at(double x, double y) const;
    // Sum of `octaves` layers, each at twice the frequency and `gain` times the
    // amplitude of the one before; normalised to about -1..1. Still tiles,
    // since every octave's period is a whole multiple of the first.
    double fractal(double x, double y, int32_t octaves, double gain = 0.5) const;

  private:
    double gradientDot(int32_t ix, int32_t iy, double fx, double fy, int32_t px, int32_t py) const;

    uint32_t seed;
    int32_t periodX;
    int32_t periodY;
};
