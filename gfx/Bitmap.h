#pragma once
#include <cstdint>

// blur8 reads this many pixels before the first and after the last pixel of
// its range (the row stride of 512 plus one).
constexpr int32_t blur8ReachPixels = 513;
// Zeroed bytes kept before and after every pixel block that blur8 or the
// rotozoom may read beyond: the canvas, the pictures and the 32-bit back buffer.
constexpr int32_t guardBandBytes = 4096;
static_assert(guardBandBytes >= blur8ReachPixels * 4, "the guard band must cover blur8's reach");

// A rectangle of 32-bit pixels (bytes in memory: blue, green, red, fourth byte)
// with a position. Rows lie back to back, exactly `width` pixels each: there is
// no separate row pitch anywhere in the system.
//
// Drawing operations are called on the source and take the destination first;
// the source's x and y give where it lands (top-left corner for 1:1 members,
// centre for scaled ones). Only the *Clipped members cut their drawing to the
// destination; every other member relies on its caller to stay inside it (checked
// by assertions in debug and sanitizer builds, free in release builds).
//
// The order of the virtual operations is fixed and part of the interface.
class Bitmap {
  public:
    Bitmap() = default;
    ~Bitmap() = default; // deliberately not virtual: a Bitmap owns nothing
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Copy.
    virtual void blit(Bitmap& destination);
    virtual void blitClipped(Bitmap& destination);
    virtual void blitScaled(Bitmap& destination, float scaleX, float scaleY);
    virtual void blitScaledClipped(Bitmap& destination, float scaleX, float scaleY);
    // Saturating add.
    virtual void add(Bitmap& destination);
    virtual void addClipped(Bitmap& destination);
    virtual void addScaled(Bitmap& destination, float scaleX, float scaleY);
    virtual void addScaledClipped(Bitmap& destination, float scaleX, float scaleY);
    // 50 % average.
    virtual void average(Bitmap& destination);
    virtual void averageClipped(Bitmap& destination);
    virtual void averageScaled(Bitmap& destination, float scaleX, float scaleY);
    virtual void averageScaledClipped(Bitmap& destination, float scaleX, float scaleY);
    // Cross-fade with the source's alpha (low 8 bits used).
    virtual void blend(Bitmap& destination, int32_t alpha);
    virtual void blendClipped(Bitmap& destination, int32_t alpha);
    virtual void blendScaled(Bitmap& destination, float scaleX, float scaleY, int32_t alpha);
    virtual void blendScaledClipped(Bitmap& destination, float scaleX, float scaleY, int32_t alpha);
    // Saturating add of the source scaled by a factor (low 8 bits used).
    virtual void addFactor(Bitmap& destination, int32_t factor);
    virtual void addFactorScaled(Bitmap& destination, float scaleX, float scaleY, int32_t factor);
    virtual void addFactorScaledClipped(Bitmap& destination, float scaleX, float scaleY,
                                        int32_t factor);
    // Holds a slot in the table; does nothing.
    virtual void reserved(Bitmap& destination, float scaleX, float scaleY, int32_t factor);
    // Operations on this bitmap alone.
    virtual void fill(uint32_t colour);
    virtual void brighten(uint32_t colour);
    virtual void addMapped(const Bitmap& map);
    virtual void darken(uint32_t colour);
    virtual void subMapped(const Bitmap& map);
    virtual void subMappedAt(const Bitmap& map);
    virtual void blur8();

    // Allocates width × height pixels with a zeroed band of guardBandBytes
    // before and after them. The block is never released (the canvas keeps it
    // for the whole run).
    void create(int32_t newWidth, int32_t newHeight);

    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t* pixels = nullptr;
    // Colour table of an index map (one byte per pixel); set by whoever builds one.
    const uint32_t* palette = nullptr;
};

// Stores `colour` into `count` consecutive pixels from `pointer` on.
void fillPixels(uint32_t* pointer, uint32_t colour, int32_t count);

// Adds a one-pixel line of `colour` (blue, green, red; scaled by brightness/256)
// into `destination`, saturating. No clipping: every pixel must be inside.
void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Bitmap& destination, uint32_t colour,
              int32_t brightness);

// Adds a rotated, zoomed, bilinear-filtered, repeating copy of `texture` (512
// wide, power-of-two height, one readable row after its last) scaled by
// brightness/256 into `destination` (512 wide).
void rotozoom(Bitmap& destination, const Bitmap& texture, float angle, float zoom, float offsetX,
              float offsetY, int32_t brightness);
