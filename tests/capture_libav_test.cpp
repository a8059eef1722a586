// libav opened on demand: the table a video capture calls through, what
// loading says when a library or one of its functions is missing, and that
// the program starts, and captures PNG frames, without libav at all.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/LibAv.h"
#include "support/loader_files.h"
#include "sync_support.h"

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

struct DemoRun {
    int status = -1;
    std::string err;
};

// Runs `demo arguments` in `folder` with no display and `environment` (shell
// assignments) set.
DemoRun runDemo(const std::string& folder, const std::string& environment,
                const std::string& arguments) {
    const std::string err = folder + "/../stderr.txt";
    const std::string command = "cd '" + folder + "' && env -u DISPLAY -u WAYLAND_DISPLAY " +
                                environment + " '" + DEMO_BINARY_DIR + "/demo' " + arguments +
                                " >/dev/null 2>'" + err + "'";
    DemoRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = synctest::readFile(err);
    return run;
}

// With a libavformat that cannot be loaded first on the library path, the
// program still starts and captures PNG frames; a video capture fails with
// the reason and leaves the file it was to replace as it was.
TEST(LibAvLoad, OnlyVideoCaptureNeedsLibav) {
    namespace fs = std::filesystem;
    synctest::TempDir dir;
    const fs::path show = dir.path / "show";
    fs::create_directories(show / "data");
    std::vector<uint32_t> pixels(64 * 32, 0x00406080);
    loaderWriteFile((show / "data/clouds.jpg").string(), loaderEncodeRgbJpeg(64, 32, pixels));
    std::ofstream(show / "data/data") << "script 1\npattern 5\ntrack0 1\n100 200 5\n"
                                         "track1 0\ntrack2 0\ntrack3 0\ntrack4 0\n";
    std::ofstream(show / "keep.mp4") << "good";
    // An empty file under libavformat's soname: the loader finds it first and
    // refuses it.
    const std::string broken = dir.write("lib/" + libAvNamesOfHeaders().format, "");
    const std::string environment = "LD_LIBRARY_PATH='" + (dir.path / "lib").string() + "'";

    EXPECT_EQ(runDemo(show.string(), environment, "--version").status, 0);

    const DemoRun video = runDemo(show.string(), environment, "--capture keep.mp4 --max-frames 3");
    EXPECT_EQ(video.status, 1) << video.err;
    EXPECT_NE(video.err.find("video capture needs libavformat: " + broken), std::string::npos)
        << video.err;
    EXPECT_EQ(synctest::readFile((show / "keep.mp4").string()), "good");
    for (const auto& entry : fs::directory_iterator(show))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();

    const DemoRun frames = runDemo(show.string(), environment, "--frames pngs --max-frames 3");
    EXPECT_EQ(frames.status, 0) << frames.err;
    EXPECT_TRUE(fs::exists(show / "pngs/frame-000002.png"));
}

} // namespace
