// The command line: what each form asks for, and every way it can be wrong.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/Options.h"

namespace {

Options parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv = {"demo"};
    argv.insert(argv.end(), args.begin(), args.end());
    return parseOptions(static_cast<int>(argv.size()), argv.data());
}

using Action = Options::Action;

TEST(ShellOptions, NoArgumentsPlaysLiveFullscreen) {
    const Options o = parse({});
    EXPECT_EQ(o.action, Action::live);
    EXPECT_FALSE(o.windowed);
    EXPECT_EQ(parse({"--window"}).action, Action::live);
    EXPECT_TRUE(parse({"--window"}).windowed);
    // -v and --verbose let the libraries' own messages through, in either mode.
    EXPECT_FALSE(o.verbose);
    EXPECT_TRUE(parse({"-v", "--window"}).verbose);
    const Options loud = parse({"--capture", "x.mp4", "--verbose"});
    EXPECT_EQ(loud.action, Action::capture);
    EXPECT_TRUE(loud.verbose);
}

TEST(ShellOptions, CaptureTakesItsValuesInBothForms) {
    const Options spaced =
        parse({"--capture", "out.mp4", "--fps", "30", "--max-frames", "600", "--frames", "pngs"});
    const Options joined =
        parse({"--capture=out.mp4", "--fps=30", "--max-frames=600", "--frames=pngs"});
    for (const Options& o : {spaced, joined}) {
        EXPECT_EQ(o.action, Action::capture) << o.error;
        EXPECT_EQ(o.capturePath, "out.mp4");
        EXPECT_EQ(o.framesDir, "pngs");
        EXPECT_EQ(o.framesPerSecond, 30);
        EXPECT_EQ(o.maxFrames, 600);
    }
    // Defaults, .mkv, and PNG frames alone.
    const Options mkv = parse({"--capture", "a/b.mkv"});
    EXPECT_EQ(mkv.action, Action::capture);
    EXPECT_EQ(mkv.framesPerSecond, 60);
    EXPECT_EQ(mkv.maxFrames, 0);
    EXPECT_TRUE(mkv.framesDir.empty());
    const Options pngs = parse({"--frames", "dir", "--fps", "1000"});
    EXPECT_EQ(pngs.action, Action::capture);
    EXPECT_TRUE(pngs.capturePath.empty());
    EXPECT_EQ(pngs.framesPerSecond, 1000);
    EXPECT_EQ(parse({"--capture", "SHOW.MKV"}).action, Action::capture);
    // A value may itself start with one dash (or contain '=').
    EXPECT_EQ(parse({"--capture", "-x.mp4"}).capturePath, "-x.mp4");
    EXPECT_EQ(parse({"--frames=a=b"}).framesDir, "a=b");
}

TEST(ShellOptions, HelpAndVersionActWhereTheyStand) {
    EXPECT_EQ(parse({"--help"}).action, Action::help);
    EXPECT_EQ(parse({"-h"}).action, Action::help);
    EXPECT_EQ(parse({"--capture", "x.mp4", "--help"}).action, Action::help);
    EXPECT_EQ(parse({"--version"}).action, Action::version);
    // Reached after a mistake, they do not hide it.
    EXPECT_EQ(parse({"--bogus", "--help"}).action, Action::error);
    EXPECT_EQ(versionText(), std::string("demo ") + DEMO_VERSION + "\n");
    const std::string usage = usageText();
    for (const char* option : {"--capture", "--frames", "--fps", "--max-frames", "--window",
                               "--help", "--version", ".mp4", ".mkv"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

// Every mistake gives Action::error with a message naming what was wrong.
TEST(ShellOptions, EveryMistakeIsAnErrorThatSaysWhat) {
    struct Case {
        std::vector<const char*> args;
        const char* mentions;
    };
    const std::vector<Case> cases = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--capture=x.mp4", "--verbose=2"}, "option '--verbose' takes no value"},
        {{"show.mp4"}, "unexpected argument 'show.mp4'"},
        {{"--"}, "unknown option '--'"},
        {{"--capture"}, "'--capture' needs a value"},
        {{"--capture="}, "'--capture' needs a value"},
        {{"--frames", "--fps", "30"}, "'--frames' needs a value"},
        {{"--capture", "x.mp4", "--fps"}, "'--fps' needs a value"},
        {{"--capture", "x.mp4", "--max-frames", ""}, "'--max-frames' needs a value"},
        {{"--capture", "show.avi"}, "must end in .mp4"},
        {{"--capture", ".mp4"}, "must end in .mp4"},
        {{"--capture", "dir/.mkv"}, "must end in .mp4"},
        {{"--capture", "show.mp4.tmp"}, "must end in .mp4"},
        {{"--capture", "x.mp4", "--fps", "abc"}, "--fps needs a whole number"},
        {{"--capture", "x.mp4", "--fps", "29.97"}, "not '29.97'"},
        {{"--capture", "x.mp4", "--fps", "0"}, "--fps needs"},
        {{"--capture", "x.mp4", "--fps", "-5"}, "--fps needs"},
        {{"--capture", "x.mp4", "--fps", "+5"}, "--fps needs"},
        {{"--capture", "x.mp4", "--fps", "1001"}, "from 1 to 1000"},
        {{"--capture", "x.mp4", "--fps=99999999999999999999999"}, "--fps needs"},
        {{"--capture", "x.mp4", "--fps", " 30"}, "--fps needs"},
        {{"--capture", "x.mp4", "--max-frames", "0"}, "--max-frames needs"},
        {{"--capture", "x.mp4", "--max-frames", "1e3"}, "--max-frames needs"},
        {{"--capture", "x.mp4", "--max-frames", "100000001"}, "--max-frames needs"},
        {{"--capture", "a.mp4", "--capture", "b.mp4"}, "more than once"},
        {{"--fps=30", "--frames", "d", "--fps=25"}, "more than once"},
        {{"--window", "--window"}, "more than once"},
        {{"--window=yes"}, "'--window' takes no value"},
        {{"--help=me"}, "'--help' takes no value"},
        {{"--version=2"}, "'--version' takes no value"},
        {{"--window", "--capture", "x.mp4"}, "--window is for playing live"},
        {{"--frames", "d", "--window"}, "--window is for playing live"},
        {{"--fps", "30"}, "--fps sets the rate of a capture"},
        {{"--max-frames", "10"}, "--max-frames limits a capture"},
        {{"--window", "--fps", "30"}, "--fps sets the rate of a capture"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"demo"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const Options o = parseOptions(static_cast<int>(argv.size()), argv.data());
        std::string line;
        for (const char* a : c.args) line += std::string(" ") + a;
        EXPECT_EQ(o.action, Action::error) << line;
        EXPECT_NE(o.error.find(c.mentions), std::string::npos)
            << line << " gave: " << o.error << "\nexpected mention of: " << c.mentions;
        EXPECT_EQ(o.error.find('\n'), std::string::npos) << line;
    }
}

TEST(ShellOptions, LimitsAreInclusive) {
    EXPECT_EQ(parse({"--frames", "d", "--fps", "1"}).framesPerSecond, 1);
    EXPECT_EQ(parse({"--frames", "d", "--fps", "0060"}).framesPerSecond, 60);
    EXPECT_EQ(parse({"--frames", "d", "--max-frames", "100000000"}).maxFrames, Options::mostFrames);
    EXPECT_EQ(parse({"--frames", "d", "--max-frames", "1"}).maxFrames, 1);
}

} // namespace
