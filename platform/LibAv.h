#pragma once
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

// libavutil, libavcodec and libavformat, loaded when a video capture first
// needs them rather than by the dynamic loader at start-up: mapping them and
// the libraries they pull in costs most of the program's start-up time, and
// only a capture to a video uses them.
//
// The headers are still the ones compiled against, so the table's types are
// the headers' own and the libraries are opened by the sonames of those
// headers' major versions.

// The functions of each library that the program calls, as X(name) lists.
#define LIBAV_UTIL_FUNCTIONS(X)                                                                    \
    X(av_strerror)                                                                                 \
    X(av_log_get_level)                                                                            \
    X(av_log_set_level)                                                                            \
    X(av_opt_set)                                                                                  \
    X(av_dict_set)                                                                                 \
    X(av_dict_free)                                                                                \
    X(av_frame_alloc)                                                                              \
    X(av_frame_free)                                                                               \
    X(av_frame_get_buffer)                                                                         \
    X(av_frame_make_writable)                                                                      \
    X(av_channel_layout_default)                                                                   \
    X(av_channel_layout_copy)
#define LIBAV_CODEC_FUNCTIONS(X)                                                                   \
    X(avcodec_find_encoder)                                                                        \
    X(avcodec_find_encoder_by_name)                                                                \
    X(avcodec_alloc_context3)                                                                      \
    X(avcodec_free_context)                                                                        \
    X(avcodec_open2)                                                                               \
    X(avcodec_parameters_from_context)                                                             \
    X(avcodec_send_frame)                                                                          \
    X(avcodec_receive_packet)                                                                      \
    X(av_packet_alloc)                                                                             \
    X(av_packet_free)                                                                              \
    X(av_packet_rescale_ts)
#define LIBAV_FORMAT_FUNCTIONS(X)                                                                  \
    X(avformat_alloc_output_context2)                                                              \
    X(avformat_free_context)                                                                       \
    X(avformat_new_stream)                                                                         \
    X(avformat_write_header)                                                                       \
    X(av_interleaved_write_frame)                                                                  \
    X(av_write_trailer)                                                                            \
    X(avio_open)                                                                                   \
    X(avio_closep)

// One pointer for each function above, named as the function and typed from
// its declaration. A loaded table has every pointer set.
struct LibAv {
#define LIBAV_POINTER(name) decltype(&::name) name = nullptr;
    LIBAV_UTIL_FUNCTIONS(LIBAV_POINTER)
    LIBAV_CODEC_FUNCTIONS(LIBAV_POINTER)
    LIBAV_FORMAT_FUNCTIONS(LIBAV_POINTER)
#undef LIBAV_POINTER
};

// The file names the three libraries are opened by.
struct LibAvNames {
    std::string util;
    std::string codec;
    std::string format;
};

// The sonames of the libraries the headers belong to ("libavformat.so.59").
LibAvNames libAvNamesOfHeaders();

// Opens the named libraries (libavutil first, as the others need it) and
// resolves every function of the table. Returns false, with the library that
// failed and the loader's reason in `error` ("libavformat: ..."), when one
// cannot be opened or lacks a function. What it opens stays loaded for the
// life of the process, also when it fails.
bool loadLibAv(const LibAvNames& names, LibAv& table, std::string& error);

// The process's one table, loaded by the first call (from any thread; other
// callers wait for it) from the headers' sonames. Every call returns the same
// table, or null with the same reason when loading failed.
const LibAv* sharedLibAv(std::string& error);
