#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "loaders/LoadError.h"
#include "loaders/ReaderSupport.h"
#include "platform/MessageBox.h"
#include "support/loader_fixture.h"

namespace {
using LoaderDispatch = LoaderTest;

LoaderBytes smallJpeg() {
    return loaderEncodeRgbJpeg(2, 2, {0xFF0000, 0xFF0000, 0xFF, 0xFF});
}

TEST_F(LoaderDispatch, ChoosesJpegByTheLastThreeCharactersInAnyCase) {
    for (const char* leaf : {"final.jpg", "FINAL.JPG", "mixed.JpG", "nodotjpg"}) {
        Picture picture;
        EXPECT_EQ(picture.load(file(leaf, smallJpeg()).c_str()), loadSuccess) << leaf;
        EXPECT_EQ(picture.width, 2) << leaf;
    }
    Picture missing;
    EXPECT_EQ(missing.load("data/final.jpg"), loadFileNotOpened);
    EXPECT_STREQ(missing.fileName, "data/final.jpg");
}

TEST_F(LoaderDispatch, RefusesOtherEndingsWithoutReadingTheFile) {
    // A perfectly good JPEG, named so that its last three characters are "PEG".
    for (const char* leaf : {"photo.jpeg", "photo.png", "photo.bm", "photo.jp g"}) {
        Picture picture;
        EXPECT_EQ(picture.load(file(leaf, smallJpeg()).c_str()), loadExtensionNotSupported) << leaf;
        expectEmpty(picture);
        EXPECT_EQ(std::string(picture.fileName), dir.path(leaf));
    }
    // Had it tried to open this one, the answer would have been 1.
    Picture absent;
    EXPECT_EQ(absent.load("no/such/dir/photo.jpeg"), loadExtensionNotSupported);
}

TEST_F(LoaderDispatch, UpcasingOnlyLowersCodesAboveZ) {
    char letters[] = "bmP";
    upcaseExtension(letters);
    EXPECT_STREQ(letters, "BMP");
    // 91..96 and 123..127 are shifted too, into non-letters; bytes from 128 on
    // count as negative and stay.
    char odd[] = {'[', '{', '\x80', '\0'};
    upcaseExtension(odd);
    EXPECT_EQ(odd[0], ';');
    EXPECT_EQ(odd[1], '[');
    EXPECT_EQ(odd[2], '\x80');
}

TEST_F(LoaderDispatch, NamesShorterThanThreeCharactersAreRefused) {
    for (const char* name : {"", "a", "ab"}) {
        // An exact-size copy, so that reading before it would be caught by ASan.
        const size_t size = std::strlen(name) + 1;
        std::unique_ptr<char[]> exact(new char[size]);
        std::memcpy(exact.get(), name, size);
        Picture picture;
        EXPECT_EQ(picture.load(exact.get()), loadExtensionNotSupported) << name;
        EXPECT_STREQ(picture.fileName, name);
    }
    Picture none;
    EXPECT_EQ(none.load(nullptr), loadExtensionNotSupported);
}

TEST_F(LoaderDispatch, LongNamesAreKeptTruncatedAndOpenedWhole) {
    // A real file whose path is longer than fileName can hold.
    std::string path = dir.root();
    while (path.size() < 300) {
        path += "/" + std::string(60, 'd');
        std::filesystem::create_directory(path);
    }
    path += "/picture.bmp";
    loaderWriteFile(path, loaderMakeBmp(1, 1, {0x123456}));
    Picture picture;
    EXPECT_EQ(picture.load(path.c_str()), loadSuccess);
    EXPECT_EQ(picture.pixels[0], 0x123456u);
    EXPECT_EQ(std::strlen(picture.fileName), sizeof picture.fileName - 1);
    EXPECT_EQ(std::string(picture.fileName), path.substr(0, sizeof picture.fileName - 1));
}

using LoaderError = LoaderTest;

TEST_F(LoaderError, TextsForEveryCode) {
    EXPECT_STREQ(loadErrorText(1), "file doesn't exist");
    EXPECT_STREQ(loadErrorText(3), "extension not supported");
    EXPECT_STREQ(loadErrorText(4), "extension supported, but mode isn't");
    EXPECT_STREQ(loadErrorText(5), "not a 8/8/8 format");
    EXPECT_STREQ(loadErrorText(6), "image too large");
    for (int32_t code : {2, 0, 7, -1, 1000}) EXPECT_STREQ(loadErrorText(code), "error unknow");
}

TEST_F(LoaderError, ReportNamesTheFileAndKeepsTheCaptionBounded) {
    Picture picture;
    picture.load("data/missing.tga");
    testing::internal::CaptureStderr();
    picture.reportLoadError(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error loading file: data/missing.tga: file doesn't exist\n");

    const std::string longName(400, 'n');
    picture.load(longName.c_str());
    testing::internal::CaptureStderr();
    picture.reportLoadError(2);
    // The caption holds at most 255 characters: the prefix and 235 of the name.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "error loading file: " + std::string(235, 'n') + ": error unknow\n");
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class LoaderMessageBox : public ::testing::Test {
  protected:
    void TearDown() override { setMessageBoxesQuiet(false); }
};

TEST_F(LoaderMessageBox, PrintsOneLineWhereNoBoxCanShow) {
    // The suite runs with SDL's dummy video driver: no box, no wait.
    ScopedEnvironment noOptOut("DEMO_NO_MESSAGE_BOXES", "0");
    ScopedEnvironment display("DISPLAY", ":99");
    {
        ScopedEnvironment driver("SDL_VIDEODRIVER", "dummy");
        testing::internal::CaptureStderr();
        showMessageBox("caption", "text");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "caption: text\n");
    }
    {
        // The opt-out wins even when a display and a real driver are named.
        ScopedEnvironment driver("SDL_VIDEODRIVER", "x11");
        ScopedEnvironment optOut("DEMO_NO_MESSAGE_BOXES", "1");
        testing::internal::CaptureStderr();
        showMessageBox("JPEG Fatal Error", "bad");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "JPEG Fatal Error: bad\n");
    }

    {
        // A text of several lines prints as as many lines, each behind the caption.
        ScopedEnvironment driver("SDL_VIDEODRIVER", "dummy");
        testing::internal::CaptureStderr();
        showErrorMessageBox("JPEG Fatal Error", "a.jpg: one\nb.jpg: two");
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "JPEG Fatal Error: a.jpg: one\nJPEG Fatal Error: b.jpg: two\n");
    }

    setMessageBoxesQuiet(true);
    testing::internal::CaptureStderr();
    showMessageBox("caption", "text");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
} // namespace
