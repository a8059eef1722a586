// libav opened on demand: the table a video capture calls through, what
// loading says when a library or one of its functions is missing, and that
// the program itself starts without mapping libav at all.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/LibAv.h"

namespace {

TEST(LibAvLoad, HeadersSonamesLoadEveryFunction) {
    const LibAvNames names = libAvNamesOfHeaders();
    EXPECT_EQ(names.format, "libavformat.so." + std::to_string(LIBAVFORMAT_VERSION_MAJOR));
    EXPECT_EQ(names.codec, "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
    EXPECT_EQ(names.util, "libavutil.so." + std::to_string(LIBAVUTIL_VERSION_MAJOR));

    LibAv table;
    std::string error;
    ASSERT_TRUE(loadLibAv(names, table, error)) << error;
#define EXPECT_LOADED(function) EXPECT_NE(table.function, nullptr) << #function;
    LIBAV_UTIL_FUNCTIONS(EXPECT_LOADED)
    LIBAV_CODEC_FUNCTIONS(EXPECT_LOADED)
    LIBAV_FORMAT_FUNCTIONS(EXPECT_LOADED)
#undef EXPECT_LOADED
    // The pointers are the libraries' own functions, callable as declared.
    EXPECT_NE(table.avcodec_find_encoder(AV_CODEC_ID_FLAC), nullptr);
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    EXPECT_EQ(table.av_strerror(AVERROR_EOF, text, sizeof text), 0);
    EXPECT_STREQ(text, "End of file");
}

TEST(LibAvLoad, MissingLibraryOrFunctionIsNamed) {
    {
        LibAvNames names = libAvNamesOfHeaders();
        names.codec = "libavcodec.so.0-not-installed";
        LibAv table;
        std::string error;
        EXPECT_FALSE(loadLibAv(names, table, error));
        EXPECT_EQ(error.rfind("libavcodec: ", 0), 0u) << error;
        EXPECT_NE(error.find("libavcodec.so.0-not-installed"), std::string::npos) << error;
        EXPECT_EQ(table.avcodec_open2, nullptr) << "a failed load leaves the table alone";
        EXPECT_EQ(table.av_frame_alloc, nullptr);
    }
    {
        // A library that loads but is not libavformat lacks its functions.
        LibAvNames names = libAvNamesOfHeaders();
        names.format = names.util;
        LibAv table;
        std::string error;
        EXPECT_FALSE(loadLibAv(names, table, error));
        EXPECT_EQ(error.rfind("libavformat: ", 0), 0u) << error;
        EXPECT_NE(error.find("avformat_alloc_output_context2"), std::string::npos) << error;
        EXPECT_EQ(table.av_strerror, nullptr);
    }
}

TEST(LibAvLoad, SharedTableIsLoadedOnceForAllThreads) {
    std::array<const LibAv*, 4> seen{};
    std::array<std::string, 4> errors;
    std::array<std::thread, 4> threads;
    for (size_t i = 0; i < threads.size(); ++i)
        threads[i] = std::thread([&, i] { seen[i] = sharedLibAv(errors[i]); });
    for (std::thread& thread : threads) thread.join();
    ASSERT_NE(seen[0], nullptr) << errors[0];
    for (const LibAv* table : seen) EXPECT_EQ(table, seen[0]);
    std::string error;
    EXPECT_EQ(sharedLibAv(error), seen[0]);
    EXPECT_NE(seen[0]->avformat_write_header, nullptr);
}

// The dynamic loader's own list of what the program maps before its first
// instruction: libav must not be on it, or every start pays for it.
TEST(LibAvLoad, ProgramStartsWithoutLibav) {
    const std::string command =
        std::string("LD_TRACE_LOADED_OBJECTS=1 '") + DEMO_BINARY_DIR + "/demo' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string listed;
    char buffer[4096];
    while (size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) listed.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0);
    ASSERT_NE(listed.find("libSDL2"), std::string::npos) << listed;
    for (const char* library : {"libavformat", "libavcodec", "libavutil", "libswscale"})
        EXPECT_EQ(listed.find(library), std::string::npos) << library << " in\n" << listed;
}

} // namespace
