// The command line: display options that skip the dialog, the headless modes with their values, and
// everything that must be refused with one line of reason, the usage and exit code 2.
#include "shell/program.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "shell/command_line.h"

namespace {

shell::CommandLineParse parse(std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> list(arguments);
    return shell::parseCommandLine(list);
}

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::optional<shell::CommandLine> ran;  // the command line the chosen mode received
};

Outcome runProgram(std::initializer_list<std::string_view> arguments) {
    Outcome outcome;
    std::ostringstream out;
    std::ostringstream err;
    const auto record = [&](const shell::CommandLine& line) {
        outcome.ran = line;
        return 0;
    };
    const std::vector<std::string_view> list(arguments);
    outcome.exitCode = shell::runProgram(list, {record, record}, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

TEST(CommandLine, DisplayOptionsSkipTheDialogAndKeepItsDefaultsForTheRest) {
    const auto none = parse({});
    ASSERT_TRUE(none.commandLine);
    EXPECT_EQ(none.commandLine->mode, shell::RunMode::Interactive);
    EXPECT_FALSE(none.commandLine->setup) << "no option: the dialog asks";

    const auto window = parse({"--window"});
    ASSERT_TRUE(window.commandLine && window.commandLine->setup);
    EXPECT_FALSE(window.commandLine->setup->fullscreen);
    EXPECT_TRUE(window.commandLine->setup->antiAliasing);
    EXPECT_FALSE(window.commandLine->setup->bigscreen);

    const auto big = parse({"--bigscreen", "--no-antialiasing"});
    ASSERT_TRUE(big.commandLine && big.commandLine->setup);
    EXPECT_TRUE(big.commandLine->setup->fullscreen) << "the dialog's default";
    EXPECT_FALSE(big.commandLine->setup->antiAliasing);
    EXPECT_TRUE(big.commandLine->setup->bigscreen);
}

TEST(CommandLine, HeadlessModesTakeTheirValuesInBothSpellings) {
    const auto frame = parse({"--frame=12.5", "--out", "a.png", "--fps=25"});
    ASSERT_TRUE(frame.commandLine) << frame.error;
    EXPECT_EQ(frame.commandLine->mode, shell::RunMode::Frame);
    EXPECT_DOUBLE_EQ(frame.commandLine->frameSeconds, 12.5);
    EXPECT_EQ(frame.commandLine->output, "a.png");
    EXPECT_EQ(frame.commandLine->fps, 25);

    const auto capture = parse({"--capture", "out/video.mp4", "--bigscreen"});
    ASSERT_TRUE(capture.commandLine) << capture.error;
    EXPECT_EQ(capture.commandLine->mode, shell::RunMode::Capture);
    EXPECT_EQ(capture.commandLine->fps, shell::kDefaultCaptureFps);
    EXPECT_TRUE(capture.commandLine->setup->bigscreen);

    const auto audio = parse({"--render-audio", "s.wav"});
    ASSERT_TRUE(audio.commandLine) << audio.error;
    EXPECT_EQ(audio.commandLine->mode, shell::RunMode::RenderAudio);
}

TEST(CommandLine, BadInputIsOneLineOfReasonThenTheUsageAndExitCodeTwo) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
        {{"--fulscreen"}, "unknown option '--fulscreen'"},
        {{"-x"}, "unknown option '-x'"},
        {{"presentation.script"}, "unexpected argument 'presentation.script'"},
        {{"--frame"}, "--frame needs a value"},
        {{"--frame", "abc", "--out", "a.png"}, "--frame wants"},
        {{"--frame", "-1", "--out", "a.png"}, "--frame wants"},
        {{"--frame", "nan", "--out", "a.png"}, "--frame wants"},
        {{"--frame", "inf", "--out", "a.png"}, "--frame wants"},
        {{"--frame", "1e9", "--out", "a.png"}, "--frame wants"},
        {{"--frame", "5s", "--out", "a.png"}, "--frame wants"},
        {{"--frame", "5"}, "--frame needs --out"},
        {{"--out", "a.png"}, "--out belongs to --frame"},
        {{"--frame", "5", "--out="}, "--out needs a file name"},
        {{"--capture", "d", "--fps", "0"}, "--fps wants"},
        {{"--capture", "d", "--fps", "241"}, "--fps wants"},
        {{"--capture", "d", "--fps", "2.5"}, "--fps wants"},
        {{"--capture", "d", "--fps", ""}, "--fps wants"},
        {{"--fps", "30"}, "--fps belongs to"},
        {{"--capture", "d", "--render-audio", "s.wav"}, "cannot be combined"},
        {{"--frame", "1", "--out", "a.png", "--capture", "d"}, "cannot be combined"},
        {{"--window", "--fullscreen"}, "cannot be combined"},
        {{"--capture", "d", "--window"}, "drop --window"},
        {{"--window=yes"}, "--window takes no value"},
    };
    for (const auto& [arguments, reason] : cases) {
        std::vector<std::string_view> list = arguments;
        std::ostringstream out;
        std::ostringstream err;
        bool ran = false;
        const auto mode = [&](const shell::CommandLine&) {
            ran = true;
            return 0;
        };
        EXPECT_EQ(shell::runProgram(list, {mode, mode}, out, err), shell::kExitUsage) << reason;
        EXPECT_FALSE(ran) << reason;
        EXPECT_TRUE(out.str().empty()) << reason;
        const std::string text = err.str();
        const std::size_t firstLine = text.find('\n');
        ASSERT_NE(firstLine, std::string::npos) << reason;
        EXPECT_EQ(text.rfind("velbry2007: ", 0), 0u) << text;
        EXPECT_NE(text.substr(0, firstLine).find(reason), std::string::npos) << text;
        EXPECT_EQ(text.substr(firstLine + 1), shell::usageText()) << reason;
    }
}

TEST(CommandLine, HelpAndVersionGoToStandardOutputAndWinOverTheRest) {
    const Outcome help = runProgram({"--window", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_FALSE(help.ran);
    EXPECT_TRUE(help.err.empty());
    // Every option the parser knows is explained.
    for (const char* option : {"--window", "--fullscreen", "--bigscreen", "--no-antialiasing", "--frame", "--out",
                               "--capture", "--fps", "--render-audio", "--stats", "--help", "--version"}) {
        EXPECT_NE(help.out.find(std::string("  ") + option + " "), std::string::npos) << option;
    }
    EXPECT_EQ(runProgram({"-h"}).out, help.out);

    const Outcome version = runProgram({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("velbry2007 ", 0), 0u) << version.out;
}

TEST(CommandLine, ModesReachTheirRunner) {
    EXPECT_EQ(runProgram({}).ran->mode, shell::RunMode::Interactive);
    EXPECT_EQ(runProgram({"--render-audio", "x.wav"}).ran->mode, shell::RunMode::RenderAudio);
}

}  // namespace
