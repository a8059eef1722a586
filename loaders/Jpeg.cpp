#include "loaders/Jpeg.h"

#include <cstdlib>
#include <cstring>

#include "gfx/Picture.h"
#include "loaders/ReaderSupport.h"
#include "platform/MessageBox.h"

namespace {
[[noreturn]] void abortDecode(j_common_ptr info, const char* text) {
    showErrorMessageBox("JPEG Fatal Error", text);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->recovery, 1);
}

// Quiet mode (the fuzzers) also keeps the library's warnings off stderr.
void dropMessage(j_common_ptr) {}

// Counts scans as the library consumes them; a file with a runaway number of
// progressive scans would otherwise take minutes to decode.
void watchScans(j_common_ptr info) {
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maxJpegScans) {
        abortDecode(info, "Too many progressive scans");
    }
}

// Moves one scanline into the bottom-up buffer row as blue, green, red.
void storeScanline(uint8_t* destination, const JSAMPLE* samples, uint32_t width, int components) {
    if (components == 3) {
        for (uint32_t k = 0; k < width; ++k, destination += 3, samples += 3) {
            destination[0] = samples[2];
            destination[1] = samples[1];
            destination[2] = samples[0];
        }
    } else {
        for (uint32_t k = 0; k < width; ++k, destination += 3) {
            destination[0] = destination[1] = destination[2] = samples[k];
        }
    }
}
} // namespace

void onJpegFatalError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    abortDecode(info, text);
}

uint8_t* decodeJpeg(const char* name, uint32_t& width, uint32_t& height, int32_t& bits) {
    width = height = 0;
    bits = 0;
    // Both are read on the recovery path after a longjmp; the image pointer
    // changes after setjmp, so both are volatile to keep them out of registers.
    std::FILE* volatile file = std::fopen(name, "rb");
    if (!file) return nullptr;
    uint8_t* volatile image = nullptr;

    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof info);
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onJpegFatalError;
    if (messageBoxesQuiet()) errors.pub.output_message = dropMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = watchScans;

    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        std::free(image);
        width = height = 0;
        bits = 0;
        return nullptr;
    }

    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    // The output size and components that jpeg_start_decompress would settle
    // on, known before it allocates anything for the whole image.
    jpeg_calc_output_dimensions(&info);
    width = info.output_width;
    height = info.output_height;
    const int components = info.out_color_components;
    bits = components * 8;
    // Only one or three components fit the row layout; anything else (CMYK)
    // and any size the readers refuse ends here, before a scanline is read.
    if ((components != 1 && components != 3) || !pictureSizeAcceptable(width, height)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return nullptr;
    }
    jpeg_start_decompress(&info);

    const size_t rowBytes = (3 * static_cast<size_t>(width) + 3) & ~size_t{3};
    image = static_cast<uint8_t*>(std::malloc(rowBytes * height));
    if (!image) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return nullptr;
    }
    JSAMPARRAY row = info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                            width * components, 1);
    // The image's top row goes to the last row of the buffer.
    uint8_t* destination = image + rowBytes * (height - 1);
    while (info.output_scanline < info.output_height) {
        jpeg_read_scanlines(&info, row, 1);
        storeScanline(destination, row[0], width, components);
        destination -= rowBytes;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return image;
}

int32_t Picture::loadJpeg(const char* name) {
    uint32_t imageWidth = 0;
    uint32_t imageHeight = 0;
    int32_t bits = 0;
    uint8_t* image = decodeJpeg(name, imageWidth, imageHeight, bits);
    if (!image) {
        if (bits == 0) return loadFileNotOpened; // not opened, or a fatal error
        if (bits != 24) return loadNot888;
        return loadImageTooLarge;
    }
    if (bits != 24) { // greyscale: decoded, but not an 8/8/8 picture
        std::free(image);
        return loadNot888;
    }
    createGuarded(static_cast<int32_t>(imageWidth), static_cast<int32_t>(imageHeight));
    const size_t rowBytes = (3 * static_cast<size_t>(imageWidth) + 3) & ~size_t{3};
    for (uint32_t i = 0; i < imageHeight; ++i) {
        expandPixels(pixels + static_cast<size_t>(i) * imageWidth,
                     image + (imageHeight - 1 - i) * rowBytes, static_cast<int32_t>(imageWidth));
    }
    std::free(image);
    mirrorFirstRowsIntoGuard();
    return loadSuccess;
}
