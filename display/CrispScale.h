#pragma once
#include <cstdint>

// How a picture of pictureWidth × pictureHeight is shown on an output of
// outputWidth × outputHeight: as large as fits with its aspect kept, centred,
// black bars around it.
//
// Scaling straight by a factor that is not whole either blurs every edge
// (linear) or doubles some rows and columns but not others, which shimmers on
// anything that moves (nearest). So unless the factor is whole, the picture is
// first enlarged by a whole factor with nearest neighbour (every pixel becomes
// an exact square) and only that is scaled, linearly, to the final size: the
// remaining factor lies between 1/2 and 1, which blurs an edge by at most one
// output pixel and keeps every row the same height.
struct CrispScalePlan {
    // Where the picture goes in the output.
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    // 1: drawn straight, nearest neighbour (a whole factor, 1:1 included).
    // 0: drawn straight, linear (smaller than the picture; nothing to keep crisp).
    // n > 1: enlarged n times with nearest neighbour first, then linear to size.
    int32_t prescale = 1;
};

// The enlargement never goes beyond this factor (the intermediate picture's
// memory grows with its square); beyond it the last step enlarges a little.
constexpr int32_t maxPrescale = 6;

CrispScalePlan planCrispScale(int32_t outputWidth, int32_t outputHeight, int32_t pictureWidth,
                              int32_t pictureHeight);
