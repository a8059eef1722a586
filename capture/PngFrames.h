#pragma once
#include <cstdint>
#include <string>

// The largest width or height writePng takes.
constexpr int32_t maxPngSide = 16384;

// Writes a width × height picture of pixels 0x..RRGGBB (the fourth byte is
// left out), rows `pitch` pixels apart, as an 8-bit RGB PNG file. Returns
// false, with the reason in `error`, when the file cannot be written whole.
bool writePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
              int32_t pitch, std::string& error);

// One PNG per video frame in a folder: DIR/frame-000000.png for frame 0, and
// so on (more digits past frame 999999).
class PngFrames {
  public:
    // Why `folder` cannot hold the frames, or empty; touches nothing. A
    // missing folder is fine when it can be made: the nearest part of the
    // path that exists is a folder.
    static std::string checkFolder(const std::string& folder);
    // Makes the folder (with its parents) if it is missing. Returns false,
    // with the reason, when it cannot, or when the path is not a folder.
    bool open(const std::string& folder, std::string& error);
    // Removes the frames of an earlier capture from the folder: the plain
    // files named like this object's, frame-NNNNNN.png (six digits or more),
    // and nothing else. Returns how many went.
    int64_t removeOldFrames() const;
    std::string pathOf(int64_t frame) const;
    // "DIR/frame-*.png", for messages.
    std::string pattern() const;
    bool write(int64_t frame, const uint32_t* pixels, int32_t width, int32_t height,
               std::string& error) const;

  private:
    std::string folder;
};
