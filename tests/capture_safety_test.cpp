// What a capture does to the files around it: the real `demo` binary, run in
// a small show, with outputs that exist already, that cannot be made, that
// fill up, and with standard streams closed or broken. Whatever happens, a
// file the user had is either left as it was or replaced by a finished video.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/loader_files.h"
#include "sync_support.h"

namespace {

namespace fs = std::filesystem;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct DemoRun {
    int status = -1;
    std::string err;
};

// Runs `shellPrefix demo arguments` in `folder` through the shell, with no
// display; stderr goes to a file unless the prefix or arguments redirect it.
DemoRun runDemo(const std::string& folder, const std::string& arguments,
                const std::string& shellPrefix = "") {
    const std::string program = std::string(DEMO_BINARY_DIR) + "/demo";
    const std::string err = folder + "/../stderr.txt";
    const std::string command = "cd '" + folder + "' && " + shellPrefix +
                                " env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" +
                                program + "' " + arguments + " >/dev/null 2>'" + err + "'";
    DemoRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readText(err);
    return run;
}

// Starts `demo arguments...` in `folder` with no display, its standard
// streams arranged by `actions`, and SIGPIPE at its default action (as a
// shell would leave it). Returns the child's id.
pid_t spawnDemo(const std::string& folder, const std::vector<std::string>& arguments,
                const posix_spawn_file_actions_t& actions) {
    const std::string program = std::string(DEMO_BINARY_DIR) + "/demo";
    std::vector<const char*> argv = {program.c_str()};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        if (!text.starts_with("DISPLAY=") && !text.starts_with("WAYLAND_DISPLAY=") &&
            !text.starts_with("SDL_VIDEODRIVER="))
            variables.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, &attributes,
                                    const_cast<char* const*>(argv.data()), envp.data());
    fs::current_path(previous);
    posix_spawnattr_destroy(&attributes);
    EXPECT_EQ(spawned, 0);
    return spawned == 0 ? child : -1;
}

// Waits for `child`; its exit status, or 1000 + the signal that killed it.
int exitStatusOf(pid_t child) {
    int status = 0;
    if (child <= 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// Files whose names start with a dot: the temporary files of a capture.
std::vector<std::string> hiddenFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".")) names.push_back(entry.path());
    return names;
}

// Whether `path` starts as a Matroska file does.
bool looksLikeMkv(const std::string& path) {
    const std::string bytes = readText(path);
    return bytes.size() > 1000 && bytes.compare(0, 4, "\x1A\x45\xDF\xA3") == 0;
}

class CaptureSafety : public testing::Test {
  protected:
    // A show of one picture and a script: the sky folder, in dir/show.
    void SetUp() override {
        fs::create_directories(show / "data");
        std::vector<uint32_t> pixels(64 * 32, 0x00406080);
        loaderWriteFile((show / "data/clouds.jpg").string(), loaderEncodeRgbJpeg(64, 32, pixels));
        std::ofstream(show / "data/data") << "script 1\npattern 5\ntrack0 1\n100 200 5\n"
                                             "track1 0\ntrack2 0\ntrack3 0\ntrack4 0\n";
    }
    std::string inShow(const std::string& name) const { return (show / name).string(); }
    DemoRun run(const std::string& arguments, const std::string& prefix = "") {
        return runDemo(show.string(), arguments, prefix);
    }

    synctest::TempDir dir;
    fs::path show = dir.path / "show";
};

TEST_F(CaptureSafety, ClosedOrBrokenStandardStreamsNeitherEnterNorEndTheCapture) {
    // Started with stderr closed (`2>&-`), and with all three standard streams
    // closed: missing pictures give warnings while the video is open, and the
    // summary follows on stdout; none of it may land in the video.
    for (const int lastClosed : {2, 0}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd = 2; fd >= lastClosed; --fd) posix_spawn_file_actions_addclose(&actions, fd);
        if (lastClosed == 2)
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const std::string name = "closed" + std::to_string(lastClosed) + ".mkv";
        EXPECT_EQ(exitStatusOf(
                      spawnDemo(show.string(), {"--capture", name, "--max-frames", "5"}, actions)),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        const std::string video = readText(inShow(name));
        EXPECT_TRUE(looksLikeMkv(inShow(name))) << name;
        for (const char* message : {"could not be loaded", "captured 5 frames"})
            EXPECT_EQ(video.find(message), std::string::npos) << name << ": " << message;
    }

    // stderr a pipe that nobody reads any more: the warnings are lost, the
    // capture is not.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const pid_t child =
        spawnDemo(show.string(), {"--capture", inShow("piped.mkv"), "--max-frames", "5"}, actions);
    close(pipeEnds[1]);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(exitStatusOf(child), 0) << "(1000 + n: killed by signal n)";
    EXPECT_TRUE(looksLikeMkv(inShow("piped.mkv")));
}

// Ctrl-C or SIGTERM while the pictures load: no frame was captured, so the
// file already under the asked name stays as it was and nothing is left
// behind. (Two pictures whose headers claim the largest size their roles
// take keep the loading busy for a good part of a second.)
TEST_F(CaptureSafety, AStopBeforeTheFirstFrameKeepsTheFileThatWasThere) {
    const LoaderBytes small = loaderEncodeRgbJpeg(16, 16, std::vector<uint32_t>(256, 0x406080));
    loaderWriteFile(inShow("data/final.jpg"), loaderWithClaimedSize(small, 512, 16384));
    loaderWriteFile(inShow("data/scroll.jpg"), loaderWithClaimedSize(small, 512, 16384));
    std::ofstream(inShow("keep.mp4")) << "good";
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const std::string err = (dir.path / "stop.txt").string();
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        const pid_t child = spawnDemo(show.string(), {"--capture", "keep.mp4"}, actions);
        posix_spawn_file_actions_destroy(&actions);
        // The temporary video is made just before the pictures load.
        for (int i = 0; i < 2000 && hiddenFiles(show).empty(); ++i) usleep(1000);
        kill(child, signalNumber);
        EXPECT_EQ(exitStatusOf(child), 128 + signalNumber);
        const std::string said = readText(err);
        EXPECT_NE(said.find("before the first frame; no video was written to keep.mp4"),
                  std::string::npos)
            << said;
        EXPECT_EQ(readText(inShow("keep.mp4")), "good");
        EXPECT_TRUE(hiddenFiles(show).empty());
    }
}

// SIGTERM once frames are captured: the video of those frames, finished (an
// .mp4 has its index, the "moov" box, only once finished), takes the name of
// the file that was there.
TEST_F(CaptureSafety, AStopAfterSomeFramesLeavesAFinishedVideoUnderTheName) {
    std::ofstream(inShow("keep.mp4")) << "good";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const pid_t child = spawnDemo(show.string(), {"--capture", "keep.mp4"}, actions);
    posix_spawn_file_actions_destroy(&actions);
    // The temporary video appears before the show loads; a second later
    // frames are being written (flat frames fill the muxer's buffer slowly,
    // so the file's size tells nothing yet).
    for (int i = 0; i < 2000 && hiddenFiles(show).empty(); ++i) usleep(1000);
    sleep(1);
    kill(child, SIGTERM);
    EXPECT_EQ(exitStatusOf(child), 128 + SIGTERM);
    const std::string video = readText(inShow("keep.mp4"));
    EXPECT_EQ(video.compare(4, 4, "ftyp"), 0);
    EXPECT_NE(video.find("moov"), std::string::npos);
    EXPECT_GT(video.size(), 1000u);
    EXPECT_TRUE(hiddenFiles(show).empty());
}

TEST_F(CaptureSafety, AFailedCaptureLeavesFilesAndLinksAsTheyWere) {
    std::ofstream(inShow("keep.mp4")) << "good";
    std::ofstream(inShow("target")) << "aimed at";
    fs::create_symlink("target", show / "link.mp4");
    // A disk that fills up (the file size limit) part-way through.
    for (const char* name : {"keep.mp4", "link.mp4", "new.mp4"}) {
        const DemoRun result =
            run(std::string("--capture ") + name + " --max-frames 600", "ulimit -f 40 &&");
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    }
    EXPECT_EQ(readText(inShow("keep.mp4")), "good");
    EXPECT_TRUE(fs::is_symlink(show / "link.mp4"));
    EXPECT_EQ(readText(inShow("target")), "aimed at");
    EXPECT_FALSE(fs::exists(show / "new.mp4"));
    EXPECT_TRUE(hiddenFiles(show).empty());

    // One output that cannot be made: the other is not touched either.
    std::ofstream(inShow("plain")) << "x";
    DemoRun result = run("--capture keep.mp4 --frames plain --max-frames 5");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("plain is not a folder"), std::string::npos) << result.err;
    EXPECT_EQ(readText(inShow("keep.mp4")), "good");
    result = run("--capture keep.mp4 --frames plain/below --max-frames 5");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(readText(inShow("keep.mp4")), "good");
    result = run("--capture data --max-frames 5"); // rejected by its name alone
    EXPECT_NE(result.status, 0);
    fs::create_directory(show / "taken.mkv");
    result = run("--capture taken.mkv --frames fresh --max-frames 5");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("is a folder"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(show / "fresh"));
    EXPECT_TRUE(hiddenFiles(show).empty());
}

TEST_F(CaptureSafety, AFinishedCaptureTakesTheNameAndReplacesALinkItself) {
    std::ofstream(inShow("keep.mkv")) << "good";
    std::ofstream(inShow("target")) << "aimed at";
    fs::create_symlink("target", show / "link.mkv");
    for (const char* name : {"keep.mkv", "link.mkv"}) {
        const DemoRun result = run(std::string("--capture ") + name + " --max-frames 5");
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(looksLikeMkv(inShow(name))) << name;
    }
    EXPECT_FALSE(fs::is_symlink(show / "link.mkv"));
    EXPECT_EQ(readText(inShow("target")), "aimed at");
    EXPECT_TRUE(hiddenFiles(show).empty());

    // A video inside the frames folder: the folder is made first.
    const DemoRun result = run("--frames made --capture made/v.mkv --max-frames 3");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(looksLikeMkv(inShow("made/v.mkv")));
    EXPECT_TRUE(fs::exists(show / "made/frame-000002.png"));
}

TEST_F(CaptureSafety, FramesOfAnEarlierCaptureAreClearedAndCounted) {
    fs::create_directories(show / "pngs");
    for (int i = 0; i < 10; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "pngs/frame-%06d.png", i);
        std::ofstream(show / name) << "old";
    }
    for (const char* other : {"pngs/notes.txt", "pngs/frame-1.png", "pngs/frame-00000x.png"})
        std::ofstream(show / other) << "mine";
    const DemoRun result = run("--frames pngs --max-frames 3");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("removed 10 frames of an earlier capture"), std::string::npos)
        << result.err;
    EXPECT_NE(readText(inShow("pngs/frame-000002.png")), "old");
    EXPECT_FALSE(fs::exists(show / "pngs/frame-000003.png"));
    EXPECT_FALSE(fs::exists(show / "pngs/frame-000009.png"));
    for (const char* other : {"pngs/notes.txt", "pngs/frame-1.png", "pngs/frame-00000x.png"})
        EXPECT_EQ(readText(inShow(other)), "mine") << other;
}

TEST_F(CaptureSafety, NoShowIsAFailureAndNoScriptIsSaid) {
    const fs::path empty = dir.path / "empty";
    fs::create_directories(empty);
    DemoRun result = runDemo(empty.string(), "--capture x.mp4 --frames f");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("no show here"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(empty));

    // Pictures without their script: the show runs, and says it will not end.
    fs::remove(show / "data/data");
    result = run("--capture x.mkv --max-frames 3");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("data/data cannot be read"), std::string::npos) << result.err;
    fs::create_directory(show / "data/data"); // a folder in its place
    result = runDemo(show.string(), "", "SDL_AUDIODRIVER=dummy DEMO_QUIT_AFTER_FRAMES=2");
    EXPECT_NE(result.err.find("data/data cannot be read"), std::string::npos) << result.err;
    fs::remove(show / "data/data"); // a FIFO, which the reader turns away
    ASSERT_EQ(mkfifo((show / "data/data").c_str(), 0644), 0);
    result = run("--capture x.mkv --max-frames 3");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("data/data cannot be read (is not a regular file (a FIFO)): "
                              "nothing in the show will happen"),
              std::string::npos)
        << result.err;
}

} // namespace
