#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "loaders/LoadResult.h"
#include "loaders/PixelSink.h"

// Helpers shared by the picture readers (BMP, TGA, JPEG).

// Writes `count` 4-byte pixels from `count` 3-byte pixels: byte k of each
// source pixel becomes byte k of the destination pixel (blue, green, red) and
// the fourth byte becomes 0.
void expandPixels(uint32_t* destination, const uint8_t* source, int32_t count);

// Largest picture the readers accept. Checked before anything is allocated, so
// a forged header can neither exhaust memory nor overflow width × height × 4.
constexpr int64_t maxPictureSide = 16384;
constexpr int64_t maxPicturePixels = int64_t{1} << 26;

// True when width × height is a size the readers accept: no side 0 or
// negative, no side above 16384, at most 2^26 pixels (or the lower limit set
// below).
bool pictureSizeAcceptable(int64_t width, int64_t height);

// Lowers the pixel limit for the rest of the process (never raises it above
// 2^26). The fuzzers use it so that a few header bytes claiming a huge image
// cost milliseconds rather than seconds under the sanitizers.
void setPicturePixelLimit(int64_t limit);

// Checks a size read from a header: first the readers' limits above, then the
// sink's own. Success when both accept it; loadImageTooLarge with the reason
// otherwise.
LoadOutcome checkPictureSize(PixelSink& sink, int64_t width, int64_t height);

// The reason for a file too short to hold its header.
std::string endsInsideHeader(long long fileSize);

// Reads up to `size` bytes of 3-byte pixels; whatever the file does not
// hold, from the first incomplete pixel on, is zeroed, so a short file yields
// black pixels rather than stale buffer contents or half a colour. Returns
// true when all `size` bytes came from the file.
bool readPixelsOrBlack(std::FILE* file, uint8_t* buffer, size_t size);

// Little-endian fields of the file headers.
inline uint32_t readLittle16(const uint8_t* bytes) {
    return bytes[0] | (uint32_t{bytes[1]} << 8);
}
inline uint32_t readLittle32(const uint8_t* bytes) {
    return bytes[0] | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
           (uint32_t{bytes[3]} << 24);
}

// Changes the three characters of a file name's ending in place: each whose
// code, read as a signed 8-bit number, is above 90 ('Z') is reduced by 32.
void upcaseExtension(char* extension);
