#pragma once
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

// libjpeg's error manager followed by the recovery point of one decode and
// the texts it collects. The library's hooks receive only the decompression
// object and reach all of this through its error-manager pointer.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf recovery;
    char fatalMessage[JMSG_LENGTH_MAX];
    char firstWarning[JMSG_LENGTH_MAX];
    // The library reached the end of the file before the data did and fed
    // itself an end marker.
    bool endedEarly;
};

// Installed as the error manager's error_exit: keeps the library's message in
// fatalMessage and jumps back into the decode. Never returns to the library.
[[noreturn]] void onJpegFatalError(j_common_ptr info);

// A progressive file may carry any number of scans, and each scan passes over
// the whole image; beyond this many the file is refused as a fatal error.
constexpr int maxJpegScans = 100;
