#pragma once
#include <cstdint>
#include <string>

// Where a reader puts the picture it decodes. The reader asks for storage
// only once the header has given the size and that size is accepted both by
// the readers' own limits and by refuseSize, so a picture that cannot be used
// costs a header read and no allocation.
class PixelSink {
  public:
    // Empty when a width × height picture is wanted; otherwise the reason it
    // is not, and the reader stops with loadImageTooLarge and that reason.
    virtual std::string refuseSize(int32_t width, int32_t height) = 0;
    // Zeroed storage for width × height pixels, row 0 at the top, rows back to
    // back; the reader writes each pixel as the bytes blue, green, red, 0.
    virtual uint32_t* allocate(int32_t width, int32_t height) = 0;

  protected:
    ~PixelSink() = default;
};
