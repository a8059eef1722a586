#pragma once
#include <functional>
#include <string>

#include "gfx/Bitmap.h"
#include "loaders/LoadResult.h"

// Loading returns a LoadResult code (loaders/LoadResult.h).
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

    // Stores the name in fileName and reads the file with the reader its last
    // three characters pick; returns a LoadResult code. A failed load leaves
    // the picture as it was.
    int32_t load(const char* name) override;
    // Shows a box captioned "error loading file: <fileName>" with the code's
    // text.
    void reportLoadError(int32_t code) override;

    // Says, from the width and height in a file's header, why the picture
    // would be of no use (empty when it would be).
    using SizeCheck = std::function<std::string(int32_t width, int32_t height)>;
    // load, with the outcome's reasons, and with `check` asked before anything
    // is decoded: a refused size ends the load with loadImageTooLarge.
    LoadOutcome loadChecked(const char* name, const SizeCheck& check);

    // Allocates width × height zeroed pixels between two zeroed 4096-byte guard
    // bands, releasing any block held before. The caller checks the size.
    void createGuarded(int32_t newWidth, int32_t newHeight);
    // Copies the first pixels (up to the guard's 1024) into the guard after the
    // last pixel; loading calls it once a reader has written the pixels.
    void mirrorFirstRowsIntoGuard();
    // Releases the pixel block; the picture keeps its size.
    void releasePixels();

    char fileName[256] = {};

    static constexpr int32_t guardBytes = 4096;

  private:
    LoadOutcome loadBmp(const char* name, const SizeCheck& check);
    LoadOutcome loadTga(const char* name, const SizeCheck& check);
    LoadOutcome loadJpeg(const char* name, const SizeCheck& check);
    // Takes over another picture's pixel block and size, releasing its own.
    void adoptPixels(Picture& other);
};
