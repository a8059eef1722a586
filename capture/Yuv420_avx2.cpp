// The BT.709 4:2:0 conversion compiled with AVX2 (this file is built with
// -mavx2 and only called after a run-time check of the processor).
#include "capture/Yuv420Rows.h"

#if defined(__x86_64__)
namespace yuv420::detail {

void convertAvx2(const uint32_t* pixels, int32_t pitch, int32_t width, int32_t height,
                 uint8_t* lumaPlane, int32_t lumaPitch, uint8_t* cbPlane, uint8_t* crPlane,
                 int32_t chromaPitch) {
    convertRows(pixels, pitch, width, height, lumaPlane, lumaPitch, cbPlane, crPlane, chromaPitch);
}

} // namespace yuv420::detail
#endif
