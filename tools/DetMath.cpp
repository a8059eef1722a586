#include "tools/DetMath.h"

namespace detmath {

namespace {

// Taylor series of sin on [-pi/4, pi/4]; the terms up to x^15 leave an error
// far below what a 16-bit sample or an 8-bit pixel can show.
double sinKernel(double x) {
    double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 7; ++n) {
        term *= -x2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double cosKernel(double x) {
    double x2 = x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 7; ++n) {
        term *= -x2 / static_cast<double>((2 * n - 1) * (2 * n));
        sum += term;
    }
    return sum;
}

} // namespace

double sin(double x) {
    // Reduce to a multiple of pi/2 plus a rest within [-pi/4, pi/4].
    double q = x * (2.0 / pi);
    double k = q >= 0.0 ? static_cast<double>(static_cast<int64_t>(q + 0.5))
                        : -static_cast<double>(static_cast<int64_t>(-q + 0.5));
    double r = x - k * (pi / 2.0);
    int64_t quadrant = static_cast<int64_t>(k) & 3;
    switch (quadrant) {
    case 0:
        return sinKernel(r);
    case 1:
        return cosKernel(r);
    case 2:
        return -sinKernel(r);
    default:
        return -cosKernel(r);
    }
}

double cos(double x) {
    return sin(x + pi / 2.0);
}

double exp(double x) {
    // e^x = 2^(x / ln 2).
    return exp2(x * 1.4426950408889634);
}

double exp2(double x) {
    if (x < -1000.0) return 0.0;
    double whole = x >= 0.0 ? static_cast<double>(static_cast<int64_t>(x))
                            : -static_cast<double>(static_cast<int64_t>(-x));
    if (whole > x) whole -= 1.0;
    double frac = x - whole; // in [0, 1)
    // 2^frac = e^(frac ln 2) by its series; 20 terms are plenty for [0, ln 2).
    double y = frac * 0.6931471805599453;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 20; ++n) {
        term *= y / n;
        sum += term;
    }
    int64_t e = static_cast<int64_t>(whole);
    double scale = 1.0;
    double base = e >= 0 ? 2.0 : 0.5;
    for (int64_t n = e >= 0 ? e : -e; n > 0; n >>= 1) {
        if (n & 1) scale *= base;
        base *= base;
    }
    return sum * scale;
}

} // namespace detmath
