#include "loaders/Jpeg.h"

#include <cctype>
#include <cstring>

#include <jerror.h>

#include "loaders/ReaderSupport.h"
#include "loaders/Readers.h"
#include "platform/RegularFile.h"

namespace {
JpegErrorManager& errorsOf(j_common_ptr info) {
    return *reinterpret_cast<JpegErrorManager*>(info->err);
}

[[noreturn]] void abortDecode(j_common_ptr info, const char* text) {
    JpegErrorManager& errors = errorsOf(info);
    std::snprintf(errors.fatalMessage, sizeof errors.fatalMessage, "%s", text);
    std::longjmp(errors.recovery, 1);
}

// The library's warnings (a file that ends early, corrupt data it skips) are
// not printed: the first is kept for the caller to report with the file's
// name, and a file's early end is noted whenever it comes. Trace messages
// (level above 0) are dropped.
void keepWarnings(j_common_ptr info, int level) {
    if (level >= 0) return;
    JpegErrorManager& errors = errorsOf(info);
    if (info->err->msg_code == JWRN_JPEG_EOF) errors.endedEarly = true;
    if (errors.firstWarning[0] == '\0') info->err->format_message(info, errors.firstWarning);
    ++info->err->num_warnings;
}

// Counts scans as the library consumes them; a file with a runaway number of
// progressive scans would otherwise take minutes to decode.
void watchScans(j_common_ptr info) {
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > maxJpegScans) {
        abortDecode(info, "Too many progressive scans");
    }
}

// Writes one scanline of red, green, blue samples as 4-byte pixels blue,
// green, red, 0.
void storeScanline(uint32_t* destination, const JSAMPLE* samples, uint32_t width) {
    auto* bytes = reinterpret_cast<uint8_t*>(destination);
    for (uint32_t k = 0; k < width; ++k, bytes += 4, samples += 3) {
        bytes[0] = samples[2];
        bytes[1] = samples[1];
        bytes[2] = samples[0];
        bytes[3] = 0;
    }
}

// What one decode found, filled in as it goes.
struct JpegHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
};

// The part of the decode that runs under the library's recovery point. It
// holds no object with a destructor, so the jump back skips nothing that
// needed cleaning up. Returns loadSuccess, loadNot888 (not three components),
// loadImageTooLarge (`sized` says why) or loadFileNotOpened (fatal error, the
// message is in `errors`).
int32_t decodeUnderRecovery(std::FILE* file, PixelSink& sink, JpegErrorManager& errors,
                            JpegHeader& header, LoadOutcome& sized) {
    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = onJpegFatalError;
    errors.pub.emit_message = keepWarnings;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = watchScans;

    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&info);
        return loadFileNotOpened;
    }

    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    // The output size and components that jpeg_start_decompress would settle
    // on, known before anything is allocated for the whole image.
    jpeg_calc_output_dimensions(&info);
    header.width = info.output_width;
    header.height = info.output_height;
    header.components = info.out_color_components;
    // Only three components make an 8/8/8 picture; greyscale and CMYK end
    // here, as does any size refused, before a scanline is decoded.
    if (header.components != 3) {
        jpeg_destroy_decompress(&info);
        return loadNot888;
    }
    sized = checkPictureSize(sink, header.width, header.height);
    if (sized.code != loadSuccess) {
        jpeg_destroy_decompress(&info);
        return loadImageTooLarge;
    }
    uint32_t* pixels =
        sink.allocate(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height));
    jpeg_start_decompress(&info);

    JSAMPARRAY row = info.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                            header.width * 3, 1);
    while (info.output_scanline < info.output_height) {
        uint32_t* destination = pixels + static_cast<size_t>(info.output_scanline) * header.width;
        jpeg_read_scanlines(&info, row, 1);
        storeScanline(destination, row[0], header.width);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return loadSuccess;
}

// The library's messages start with a capital; the log's reasons do not.
std::string plain(const char* message) {
    std::string text = message;
    if (!text.empty() && std::isupper(static_cast<unsigned char>(text[0])) &&
        !(text.size() > 1 && std::isupper(static_cast<unsigned char>(text[1])))) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}
} // namespace

void onJpegFatalError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    abortDecode(info, text);
}

LoadOutcome readJpeg(const char* name, PixelSink& sink) {
    RegularFile file(name, "rb");
    if (!file) return loadFailure(loadFileNotOpened, file.reason());

    JpegErrorManager errors{};
    JpegHeader header;
    LoadOutcome sized;
    const int32_t code = decodeUnderRecovery(file.get(), sink, errors, header, sized);
    const bool endedEarly = errors.endedEarly;
    switch (code) {
    case loadSuccess: {
        LoadOutcome done;
        if (endedEarly) {
            done.warning = "file ends after " + std::to_string(file.size()) +
                           " bytes; the rest of the picture is grey";
        } else if (errors.firstWarning[0] != '\0') {
            done.warning = plain(errors.firstWarning);
        }
        return done;
    }
    case loadNot888:
        return loadFailure(loadNot888, header.components == 1
                                           ? std::string("greyscale; only colour is read")
                                           : std::to_string(header.components) +
                                                 " colour components; only 3 are read");
    case loadImageTooLarge:
        return sized;
    default: {
        // A file cut short makes the library stop on whatever it meets after
        // the end marker it fed itself; the cut is the real cause.
        std::string reason = plain(errors.fatalMessage);
        if (endedEarly) {
            reason = header.width == 0 ? endsInsideHeader(file.size())
                                       : "file ends after " + std::to_string(file.size()) +
                                             " bytes, inside its image data";
        }
        LoadOutcome failed = loadFailure(loadFileNotOpened, std::move(reason));
        failed.decoderMessage = errors.fatalMessage;
        return failed;
    }
    }
}
