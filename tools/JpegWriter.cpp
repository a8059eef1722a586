#include "tools/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

struct WriterErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf recovery;
    char message[JMSG_LENGTH_MAX];
};

void onWriterError(j_common_ptr info) {
    auto* errors = reinterpret_cast<WriterErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->recovery, 1);
}

} // namespace

bool writeJpeg(const Image& image, const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    std::vector<uint8_t> rgb = image.toRgb8();

    jpeg_compress_struct info{};
    WriterErrorManager errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onWriterError;
    if (setjmp(errors.recovery)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        error = path + ": " + errors.message;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = static_cast<size_t>(image.width()) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = rgb.data() + info.next_scanline * rowBytes;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(file) != 0) {
        error = "cannot finish writing " + path;
        return false;
    }
    return true;
}
