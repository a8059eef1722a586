#pragma once
#include "gfx/Bitmap.h"

// Result of ImageSource::load.
enum LoadResult : int32_t {
    loadFileNotOpened = 1, // file not opened, or the JPEG decoder stopped on a fatal error
    loadSuccess = 2,
    loadExtensionNotSupported = 3,
    loadModeNotSupported = 4, // TGA image type other than 2 and 10
    loadNot888 = 5,           // not 24 bits per pixel (or not a readable layout)
    loadImageTooLarge = 6,    // a side of 0, above 16384, or more than 2^26 pixels
};

class ImageSource {
  public:
    virtual int32_t load(const char* name) = 0;
    virtual void reportLoadError(int32_t code) = 0;

  protected:
    ~ImageSource() = default;
};

// A Bitmap that loads itself from a file and owns its pixel block. The block
// carries a 4096-byte (1024-pixel) guard band before and after the pixels,
// which blur8 (513 pixels either side) and the rotozoom (the lower neighbours
// of the last row, up to 513 pixels after it) read into. What the bands hold:
// - before the pixels: zeros, always;
// - after the pixels: zeros when the block is made; once a loader has written
//   the pixels, a copy of the first pixels (up to 1024: rows 0 and 1 of a
//   512-wide picture), so the rotozoom's lower neighbours of the last row are
//   the top row and the texture wraps vertically as it does everywhere else.
//   The rest of the band, if the picture is smaller, stays zero.
class Picture : public Bitmap, public ImageSource {
  public:
    Picture() = default;
    ~Picture();

    int32_t load(const char* name) override;
    void reportLoadError(int32_t code) override;

    // Allocates width × height zeroed pixels between two zeroed 4096-byte guard
    // bands, releasing any block held before. The caller checks the size.
    void createGuarded(int32_t newWidth, int32_t newHeight);
    // Copies the first pixels (up to the guard's 1024) into the guard after the
    // last pixel; loaders call it once the pixels are written.
    void mirrorFirstRowsIntoGuard();
    // Releases the pixel block; the picture keeps its size.
    void releasePixels();

    char fileName[256] = {};

    static constexpr int32_t guardBytes = guardBandBytes;

  private:
    int32_t loadBmp(const char* name);
    int32_t loadTga(const char* name);
    int32_t loadJpeg(const char* name);
};
