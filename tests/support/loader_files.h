#pragma once
// Builders for small picture files, shared by the loader tests and the tool
// that writes the loader fuzzers' seed corpus. Pixel colours are given as
// 0x00RRGGBB, the value a loaded picture holds for them.
#include <cstdint>
#include <string>
#include <vector>

using LoaderBytes = std::vector<uint8_t>;

// A fresh directory under /tmp, removed with everything in it on destruction.
class LoaderTempDir {
  public:
    LoaderTempDir();
    ~LoaderTempDir();
    LoaderTempDir(const LoaderTempDir&) = delete;
    LoaderTempDir& operator=(const LoaderTempDir&) = delete;
    std::string path(const std::string& leaf) const { return root_ + "/" + leaf; }
    const std::string& root() const { return root_; }

  private:
    std::string root_;
};

void loaderWriteFile(const std::string& path, const LoaderBytes& bytes);
LoaderBytes loaderReadFile(const std::string& path);

// Number of file descriptors this process has open (to see that readers close
// their files).
int loaderOpenFileCount();

// BMP with a 14-byte file header and a 40-byte information header; `pixels`
// holds the rows in the order they are stored in the file. Row padding is
// filled with `padByte` so that a reader using the wrong row size shows it.
// Only the rows that `pixels` covers are written.
LoaderBytes loaderMakeBmp(int32_t width, int32_t height, const std::vector<uint32_t>& pixels,
                          uint16_t bitCount = 24, uint32_t compression = 0, uint8_t padByte = 0xEE);

struct LoaderTgaHeader {
    uint8_t imageType = 2;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelDepth = 24;
    uint8_t descriptor = 0;
    uint8_t idLength = 0;         // that many ID bytes follow the header
    uint16_t colourMapLength = 0; // that many colour-map entries follow the ID
    uint8_t colourMapEntryBits = 0;
};
// The 18-byte header followed by the image ID and the colour map (filler
// bytes); pixel data is appended by the caller.
LoaderBytes loaderMakeTgaHeader(const LoaderTgaHeader& header);
void loaderAppendBgr(LoaderBytes& bytes, uint32_t colour);

enum class LoaderJpegKind { colour, grey, cmyk };
// Encodes with libjpeg: no chroma subsampling, so flat 8 × 8 blocks come back
// almost exactly. `samples` are interleaved in the kind's colour space (RGB,
// grey, CMYK). `scans` > 0 asks for a progressive file of about that many
// scans (at most 64 × 13; beyond the DC scan, only the first component's
// coefficients are sent).
LoaderBytes loaderEncodeJpeg(int width, int height, LoaderJpegKind kind,
                             const std::vector<uint8_t>& samples, int quality = 100, int scans = 0);
// An RGB JPEG from 0x00RRGGBB pixels, rows top first.
LoaderBytes loaderEncodeRgbJpeg(int width, int height, const std::vector<uint32_t>& pixels,
                                int quality = 100);

// A baseline JPEG with the size in its frame header rewritten: the data stays
// that of the original picture.
LoaderBytes loaderWithClaimedSize(LoaderBytes jpeg, int width, int height);
// The first bytes of a PNG file.
LoaderBytes loaderPngStart();
