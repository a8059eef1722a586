#pragma once
#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

// libjpeg's error manager followed by the recovery point of one decode. The
// fatal-error hook receives only the decompression object and reaches the
// recovery point through that object's error-manager pointer.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf recovery;
};

// Installed as the error manager's error_exit: shows the library's message in
// a box captioned "JPEG Fatal Error", then jumps back into decodeJpeg. Never
// returns to the library.
[[noreturn]] void onJpegFatalError(j_common_ptr info);

// Decodes a JPEG file with the library's default output (full size, default
// colour space). On success returns a buffer the caller releases with
// std::free: `height` rows of S bytes, S = 3 × width rounded up to a multiple
// of 4, stored bottom-up, 3 bytes per pixel (blue, green, red).
//
// Returns none when the file cannot be opened or the library stops on a fatal
// error (bits is then 0), and also when the image is refused before a
// scanline is read: more than three output components (width, height and bits
// describe the image) or a size the readers do not accept.
uint8_t* decodeJpeg(const char* name, uint32_t& width, uint32_t& height, int32_t& bits);

// A progressive file may carry any number of scans, and each scan passes over
// the whole image; beyond this many the file is refused as a fatal error.
constexpr int maxJpegScans = 100;
