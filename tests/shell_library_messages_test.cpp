// What a live run says on stderr about its sound when the machine has no
// sound card: one line in the program's own words, and none of libasound's
// own lines unless -v asks for them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sync_support.h"

namespace {

// stderr of a short live run (three frames, SDL's dummy video driver, the
// ALSA output) in `folder`.
std::string liveStderr(const std::string& folder, const std::string& arguments) {
    const std::string err = folder + "/.stderr";
    const std::string command = "cd '" + folder +
                                "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=alsa "
                                "DEMO_QUIT_AFTER_FRAMES=3 env -u DEMO_VERBOSE '" +
                                DEMO_BINARY_DIR + "/demo' " + arguments + " >/dev/null 2>'" + err +
                                "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::ifstream in(err, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ShellLibraryMessages, SoundSystemLinesOnlyWhenAsked) {
    synctest::TempDir dir;
    ASSERT_TRUE(
        synctest::writeMp3(dir.file("music.mp3"), std::vector<int16_t>(2 * 4410, 0), 44100, 2));
    std::filesystem::create_directories(dir.path / "data");
    std::ofstream(dir.file("data/data")) << "script 1\npattern 0\n";

    const std::string quiet = liveStderr(dir.path.string(), "");
    if (quiet.find("no sound: ") == std::string::npos)
        GTEST_SKIP() << "the sound output opened: this machine has a sound card";
    EXPECT_EQ(quiet.find("ALSA lib"), std::string::npos) << quiet;
    for (const char* option : {"-v", "--verbose"}) {
        const std::string loud = liveStderr(dir.path.string(), option);
        EXPECT_NE(loud.find("ALSA lib"), std::string::npos) << option << ": " << loud;
    }
}

} // namespace
