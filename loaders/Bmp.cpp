#include <vector>

#include "loaders/ReaderSupport.h"
#include "loaders/Readers.h"
#include "platform/RegularFile.h"

// Reads a 24-bit uncompressed BMP. The 14-byte file header is skipped and the
// pixel rows are taken to start right after the 40-byte information header,
// at byte 54. Rows are stored bottom-up unless the height is negative, in
// which case they are stored top-down; either way picture row 0 is the top.
LoadOutcome readBmp(const char* name, PixelSink& sink) {
    RegularFile file(name, "rb");
    if (!file) return loadFailure(loadFileNotOpened, file.reason());

    constexpr long infoHeaderOffset = 14;
    constexpr long pixelDataOffset = 54;
    uint8_t header[40];
    if (std::fseek(file.get(), infoHeaderOffset, SEEK_SET) != 0 ||
        std::fread(header, 1, sizeof header, file.get()) != sizeof header) {
        return loadFailure(loadNot888, endsInsideHeader(file.size()));
    }
    const int64_t storedWidth = static_cast<int32_t>(readLittle32(header + 4));
    const int64_t storedHeight = static_cast<int32_t>(readLittle32(header + 8));
    const uint32_t bitCount = readLittle16(header + 14);
    const uint32_t compression = readLittle32(header + 16);
    if (bitCount != 24 || compression != 0) {
        return loadFailure(loadNot888, std::to_string(bitCount) + " bits per pixel, compression " +
                                           std::to_string(compression) +
                                           "; only 24 bits uncompressed are read");
    }
    if (storedWidth < 0) {
        return loadFailure(loadNot888, "negative width " + std::to_string(storedWidth));
    }

    const bool topDown = storedHeight < 0;
    const int64_t rows = topDown ? -storedHeight : storedHeight;
    LoadOutcome sized = checkPictureSize(sink, storedWidth, rows);
    if (sized.code != loadSuccess) return sized;

    const auto pictureWidth = static_cast<int32_t>(storedWidth);
    const auto pictureHeight = static_cast<int32_t>(rows);
    // Each stored row is padded to a multiple of 4 bytes.
    const size_t rowBytes = 3 * static_cast<size_t>(pictureWidth) + pictureWidth % 4;
    std::vector<uint8_t> row(rowBytes);
    uint32_t* pixels = sink.allocate(pictureWidth, pictureHeight);

    // Rows the file does not hold stay black (the sink's storage is zeroed).
    if (std::fseek(file.get(), pixelDataOffset, SEEK_SET) == 0) {
        for (int32_t k = 0; k < pictureHeight; ++k) {
            const bool whole = readPixelsOrBlack(file.get(), row.data(), rowBytes);
            const int32_t target = topDown ? k : pictureHeight - 1 - k;
            expandPixels(pixels + static_cast<size_t>(target) * pictureWidth, row.data(),
                         pictureWidth);
            if (!whole) break;
        }
    }
    return {};
}
