#pragma once
#include <cstdint>

// The per-pixel combine rules: the reference every faster path must match to
// the bit. Each works on all four bytes of a pixel alike.
namespace pixel {

inline uint32_t byteOf(uint32_t p, int k) {
    return (p >> (8 * k)) & 0xFFu;
}

inline uint32_t addSaturate(uint32_t d, uint32_t s) {
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k) {
        uint32_t v = byteOf(d, k) + byteOf(s, k);
        r |= (v > 255 ? 255u : v) << (8 * k);
    }
    return r;
}

// addSaturate on the whole word at once: the low seven bits of each byte are
// added without crossing into the next byte, the top bits and the byte's carry
// out are worked out apart, and every byte that carried out becomes 255. Gives
// the same bits as addSaturate for every pair of words.
inline uint32_t addSaturateWord(uint32_t d, uint32_t s) {
    constexpr uint32_t top = 0x80808080u;
    const uint32_t low = (d & ~top) + (s & ~top);
    const uint32_t sum = low ^ ((d ^ s) & top);
    const uint32_t carried = ((d & s) | ((d | s) & low)) & top;
    return sum | ((carried >> 7) * 0xFFu);
}

inline uint32_t subSaturate(uint32_t d, uint32_t s) {
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k) {
        uint32_t a = byteOf(d, k), b = byteOf(s, k);
        r |= (a > b ? a - b : 0u) << (8 * k);
    }
    return r;
}

// Halve both with mask 0xFFFEFEFE (the fourth byte's low bit is kept, so it
// lands in red's top bit), then add byte-wise without carries.
inline uint32_t average(uint32_t d, uint32_t s) {
    uint32_t hd = (d & 0xFFFEFEFEu) >> 1, hs = (s & 0xFFFEFEFEu) >> 1;
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k) r |= ((byteOf(hd, k) + byteOf(hs, k)) & 0xFFu) << (8 * k);
    return r;
}

// ((d × (255 − f)) >> 8) + ((s × f) >> 8) per byte, f already cut to 0..255.
inline uint32_t blend(uint32_t d, uint32_t s, uint32_t f) {
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k)
        r |= (((byteOf(d, k) * (255 - f)) >> 8) + ((byteOf(s, k) * f) >> 8)) << (8 * k);
    return r;
}

// min(255, d + ((s × f) >> 8)) per byte, f already cut to 0..255.
inline uint32_t addFactor(uint32_t d, uint32_t s, uint32_t f) {
    uint32_t r = 0;
    for (int k = 0; k < 4; ++k) {
        uint32_t v = byteOf(d, k) + ((byteOf(s, k) * f) >> 8);
        r |= (v > 255 ? 255u : v) << (8 * k);
    }
    return r;
}

} // namespace pixel
