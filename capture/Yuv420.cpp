#include "capture/Yuv420.h"

#include "capture/Yuv420Rows.h"
#include "gfx/SimdLevel.h"

namespace yuv420 {

void convertBaseline(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                     uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                     int32_t chromaPitch) {
    convertRows(pixels, pitch, width, height, lumaPlane, lumaPitch, cbPlane, crPlane, chromaPitch);
}

Converter avx2Converter() {
#if defined(__x86_64__)
    return simdLevelSupported(SimdLevel::avx2) ? &detail::convertAvx2 : nullptr;
#else
    return nullptr;
#endif
}

} // namespace yuv420

namespace {
yuv420::Converter choose() {
    if (simdLevel() >= SimdLevel::avx2)
        if (yuv420::Converter avx2 = yuv420::avx2Converter()) return avx2;
    return &yuv420::convertBaseline;
}
} // namespace

void convertToYuv420Bt709(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                          uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                          int32_t chromaPitch) {
    static const yuv420::Converter chosen = choose();
    chosen(pixels, pitch, width, height, lumaPlane, lumaPitch, cbPlane, crPlane, chromaPitch);
}
