#pragma once
#include <cstdint>

// Sine, cosine and exponential built only from IEEE additions and
// multiplications, so that the generated pictures and samples come out the
// same on every machine whatever its maths library does in the last bit.
namespace detmath {

constexpr double pi = 3.14159265358979323846;
constexpr double twoPi = 2.0 * pi;

double sin(double x);
double cos(double x);
// e^x for |x| up to a few hundred.
double exp(double x);
// 2^(x), used for note pitches.
double exp2(double x);

inline double clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}
inline double smoothstep(double e0, double e1, double x) {
    double t = clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}
inline double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace detmath
