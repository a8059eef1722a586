#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "loaders/Readers.h"
#include "platform/RegularFile.h"
#include "support/loader_fixture.h"
#include "sync/MusicSync.h"

namespace {
using LoaderRefusal = LoaderTest;

// Runs `work` on a thread of its own and says whether it ended within five
// seconds. If it did not, a reader is taken to be stuck waiting for a writer
// on `fifo`: opening and closing the write end lets it go, so the test fails
// instead of hanging.
template <typename Work> bool endsWithoutWaitingOnFifo(const std::string& fifo, Work work) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool inTime = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!inTime) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    runner.join();
    return inTime;
}

TEST_F(LoaderRefusal, OnlyRegularFilesAreOpened) {
    const std::string fifo = dir.path("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path("folder.bmp"));
    std::filesystem::create_symlink("/dev/zero", dir.path("zero.tga"));
    const int openBefore = loaderOpenFileCount();

    LoadOutcome fromFifo;
    ASSERT_TRUE(endsWithoutWaitingOnFifo(fifo, [&] {
        Picture picture;
        fromFifo = picture.loadChecked(fifo.c_str(), nullptr);
    }));
    EXPECT_EQ(fromFifo.code, loadFileNotOpened);
    EXPECT_EQ(fromFifo.reason, "is not a regular file (a FIFO)");
    for (const auto& [leaf, reason] :
         {std::pair{"folder.bmp", "is not a regular file (a directory)"},
          std::pair{"zero.tga", "is not a regular file (a character device)"},
          std::pair{"absent.jpg", "file doesn't exist"}}) {
        Picture picture;
        const LoadOutcome outcome = picture.loadChecked(dir.path(leaf).c_str(), nullptr);
        EXPECT_EQ(outcome.code, loadFileNotOpened) << leaf;
        EXPECT_EQ(outcome.reason, reason);
        expectEmpty(picture);
    }
    EXPECT_EQ(loaderOpenFileCount(), openBefore);
}

TEST_F(LoaderRefusal, TheSyncScriptIsReadOnlyFromARegularFile) {
    const std::string fifo = dir.path("data");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.path("zero"));
    MusicSync sync;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(endsWithoutWaitingOnFifo(fifo, [&] { sync.readScript(fifo.c_str()); }));
    // /dev/zero never ends and holds no blank: read, it would spin for ever.
    sync.readScript(dir.path("zero").c_str());
    sync.readScript(dir.path("absent").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              fifo + ": is not a regular file (a FIFO)\n" + dir.path("zero") +
                  ": is not a regular file (a character device)\n");
    EXPECT_EQ(sync.patternCount, 0);
}

TEST_F(LoaderRefusal, JpegFailuresSayWhatIsWrongWithTheFile) {
    const LoaderBytes whole = loaderEncodeRgbJpeg(16, 16, std::vector<uint32_t>(256, 0x406080), 90);

    Picture png;
    const LoadOutcome notJpeg = png.loadChecked(file("png.jpg", loaderPngStart()).c_str(), nullptr);
    EXPECT_EQ(notJpeg.code, loadFileNotOpened);
    EXPECT_EQ(notJpeg.reason, "not a JPEG file: starts with 0x89 0x50");
    EXPECT_EQ(notJpeg.decoderMessage, "Not a JPEG file: starts with 0x89 0x50");

    Picture cutInHeader;
    const LoadOutcome header = cutInHeader.loadChecked(
        file("head.jpg", LoaderBytes(whole.begin(), whole.begin() + 100)).c_str(), nullptr);
    EXPECT_EQ(header.code, loadFileNotOpened);
    EXPECT_EQ(header.reason, "file ends after 100 bytes, inside its header");
    EXPECT_FALSE(header.decoderMessage.empty());

    // Cut in the image data: decoded as before, the missing part grey, and
    // the outcome says why.
    std::vector<uint32_t> noise(64 * 64);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint32_t>(i * 2654435761u);
    const LoaderBytes large = loaderEncodeRgbJpeg(64, 64, noise, 90);
    Picture cutInData;
    const size_t kept = large.size() - 500;
    const LoadOutcome data = cutInData.loadChecked(
        file("data.jpg", LoaderBytes(large.begin(), large.begin() + kept)).c_str(), nullptr);
    EXPECT_EQ(data.code, loadSuccess);
    EXPECT_EQ(data.warning, "file ends after " + std::to_string(kept) +
                                " bytes; the rest of the picture is grey");
    EXPECT_TRUE(data.reason.empty()) << data.reason;
}

// A size the caller cannot use is refused from the header: nothing is
// allocated and nothing decoded, however large the header says the picture is.
TEST_F(LoaderRefusal, ASizeTheSinkRefusesEndsTheReadAfterTheHeader) {
    const LoaderBytes small = loaderEncodeRgbJpeg(16, 16, std::vector<uint32_t>(256, 0x406080), 90);
    LoaderTgaHeader tga;
    tga.width = 600;
    tga.height = 300;
    struct Case {
        const char* leaf;
        LoaderBytes bytes;
        LoadOutcome (*reader)(const char*, PixelSink&);
        int32_t width, height;
    } cases[] = {
        {"huge.jpg", loaderWithClaimedSize(small, 16384, 4096), readJpeg, 16384, 4096},
        {"wide.bmp", loaderMakeBmp(600, -300, {}), readBmp, 600, 300},
        {"wide.tga", loaderMakeTgaHeader(tga), readTga, 600, 300},
    };
    for (const Case& c : cases) {
        VectorSink sink;
        sink.refusal = "too big for its role";
        const LoadOutcome outcome = c.reader(file(c.leaf, c.bytes).c_str(), sink);
        EXPECT_EQ(outcome.code, loadImageTooLarge) << c.leaf;
        EXPECT_EQ(outcome.reason, "too big for its role") << c.leaf;
        EXPECT_EQ(sink.askedWidth, c.width) << c.leaf;
        EXPECT_EQ(sink.askedHeight, c.height) << c.leaf;
        EXPECT_FALSE(sink.allocated) << c.leaf;
    }
    // The readers' own limit comes first; the sink is not asked.
    VectorSink sink;
    const LoadOutcome outcome =
        readJpeg(file("wider.jpg", loaderWithClaimedSize(small, 16385, 1)).c_str(), sink);
    EXPECT_EQ(outcome.code, loadImageTooLarge);
    EXPECT_EQ(outcome.reason, "16385 × 1 is not a size a picture can have");
    EXPECT_EQ(sink.askedWidth, 0);
}

TEST_F(LoaderRefusal, AFailedLoadLeavesThePicturesPixelsAlone) {
    Picture picture;
    ASSERT_EQ(picture.load(file("good.bmp", loaderMakeBmp(2, 1, {0x123456, 0x654321})).c_str()),
              loadSuccess);
    const uint32_t* before = picture.pixels;
    const LoaderBytes whole = loaderEncodeRgbJpeg(16, 16, std::vector<uint32_t>(256, 0x406080), 90);
    EXPECT_EQ(picture.load(file("png.jpg", loaderPngStart()).c_str()), loadFileNotOpened);
    EXPECT_EQ(picture
                  .loadChecked(file("big.jpg", whole).c_str(),
                               [](int32_t, int32_t) { return std::string("no"); })
                  .code,
              loadImageTooLarge);
    EXPECT_EQ(picture.pixels, before);
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.pixels[1], 0x654321u);
}
} // namespace
