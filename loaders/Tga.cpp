#include <vector>

#include "loaders/ReaderSupport.h"
#include "loaders/Readers.h"
#include "platform/RegularFile.h"

namespace {
constexpr int tgaTrueColour = 2;
constexpr int tgaRunLengthTrueColour = 10;

// Hands out the picture's pixels in file order. The first row in the file is
// the bottom row of the picture, whatever the image descriptor says.
class BottomUpWriter {
  public:
    BottomUpWriter(uint32_t* pixels, int32_t width, int32_t height)
        : pixels_(pixels), width_(width), row_(height - 1),
          remaining_(static_cast<int64_t>(width) * height) {}

    int64_t remaining() const { return remaining_; }

    // Writes one 3-byte pixel; the caller keeps count within remaining().
    void put(const uint8_t* bgr) {
        expandPixels(pixels_ + static_cast<size_t>(row_) * width_ + column_, bgr, 1);
        --remaining_;
        if (++column_ == width_) {
            column_ = 0;
            --row_;
        }
    }

  private:
    uint32_t* pixels_;
    int32_t width_;
    int32_t row_;
    int32_t column_ = 0;
    int64_t remaining_;
};

// Uncompressed pixel data, row by row. Data missing at the end of the file
// leaves the rest of the picture black.
void readRawRows(std::FILE* file, uint32_t* pixels, int32_t width, int32_t height) {
    const size_t rowBytes = 3 * static_cast<size_t>(width);
    std::vector<uint8_t> row(rowBytes);
    for (int32_t k = 0; k < height; ++k) {
        const bool whole = readPixelsOrBlack(file, row.data(), rowBytes);
        expandPixels(pixels + static_cast<size_t>(height - 1 - k) * width, row.data(), width);
        if (!whole) return;
    }
}

// Run-length packets: a header byte h, then either one pixel repeated
// h - 127 times (h >= 128) or h + 1 literal pixels. Packets may cross row
// ends. Decoding ends with the last pixel of the picture, even inside a
// packet, or at the end of the file, whichever comes first.
void readRunLengthPackets(std::FILE* file, BottomUpWriter& writer) {
    uint8_t pixel[3];
    while (writer.remaining() > 0) {
        const int header = std::fgetc(file);
        if (header == EOF) return;
        if (header >= 128) {
            if (std::fread(pixel, 1, 3, file) != 3) return;
            for (int n = header - 127; n > 0 && writer.remaining() > 0; --n) writer.put(pixel);
        } else {
            for (int n = header + 1; n > 0 && writer.remaining() > 0; --n) {
                if (std::fread(pixel, 1, 3, file) != 3) return;
                writer.put(pixel);
            }
        }
    }
}
} // namespace

// Reads a TGA of type 2 (uncompressed) or 10 (run-length) with 24-bit pixels.
LoadOutcome readTga(const char* name, PixelSink& sink) {
    RegularFile file(name, "rb");
    if (!file) return loadFailure(loadFileNotOpened, file.reason());

    // The image type is checked before anything else is read.
    uint8_t start[3];
    if (std::fread(start, 1, 3, file.get()) != 3)
        return loadFailure(loadModeNotSupported, endsInsideHeader(file.size()));
    const uint32_t idLength = start[0];
    const uint32_t imageType = start[2];
    if (imageType != tgaTrueColour && imageType != tgaRunLengthTrueColour) {
        return loadFailure(loadModeNotSupported, "image type " + std::to_string(imageType) +
                                                     "; only types 2 and 10 are read");
    }

    // Bytes 3 to 16: colour-map fields, origin, size, pixel depth.
    uint8_t fields[14];
    if (std::fread(fields, 1, sizeof fields, file.get()) != sizeof fields)
        return loadFailure(loadNot888, endsInsideHeader(file.size()));
    const uint32_t colourMapLength = readLittle16(fields + 2);
    const uint32_t colourMapEntryBits = fields[4];
    const uint32_t imageWidth = readLittle16(fields + 9);
    const uint32_t imageHeight = readLittle16(fields + 11);
    const uint32_t pixelDepth = fields[13];
    if (pixelDepth != 24) {
        return loadFailure(loadNot888,
                           std::to_string(pixelDepth) + " bits per pixel; only 24 are read");
    }
    LoadOutcome sized = checkPictureSize(sink, imageWidth, imageHeight);
    if (sized.code != loadSuccess) return sized;

    // Skip the descriptor, the image ID and the colour map in one move.
    const long colourMapBytes = static_cast<long>(colourMapLength) * ((colourMapEntryBits + 7) / 8);
    const bool positioned =
        std::fseek(file.get(), 1 + static_cast<long>(idLength) + colourMapBytes, SEEK_CUR) == 0;

    const auto width = static_cast<int32_t>(imageWidth);
    const auto height = static_cast<int32_t>(imageHeight);
    uint32_t* pixels = sink.allocate(width, height);
    if (positioned) {
        if (imageType == tgaTrueColour) {
            readRawRows(file.get(), pixels, width, height);
        } else {
            BottomUpWriter writer(pixels, width, height);
            readRunLengthPackets(file.get(), writer);
        }
    }
    return {};
}
