// `vtl resize` as a script runs it: the real program, with no display, over pictures made here.
#include "app/model/AppSetting.h"
#include "image/ximage.h"
#include "platform/ReplaceFile.h"
#include "tests/support/Pictures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace vtltest;

const std::map<std::string, std::string> kNoDisplay = {
    {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}};

// `vtl resize` with "$D" in the arguments standing for `dir`.
ProgramRun Resize(const std::string& dir, std::vector<std::string> args,
                  const std::function<void(int)>& whileRunning = {}) {
    for (std::string& arg : args)
        arg = std::regex_replace(arg, std::regex("\\$D"), dir);
    args.insert(args.begin(), "resize");
    return RunProgram(VTL_BIN_DIR "/vtl", args, kNoDisplay, 60, whileRunning);
}

std::vector<std::string> TempFiles(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.path().filename().string().starts_with(plat::kTempFilePrefix))
            found.push_back(entry.path().string());
    return found;
}

TEST(ResizeCommand, OptionSetsWriteTheSizesFormatsAndNamesAsked) {
    const struct {
        std::vector<std::string> args; // over $D/a.jpg (400 x 300) and $D/b.png (200 x 100)
        int status;
        std::vector<std::pair<const char*, PictureFacts>> outputs; // in the pictures' folder
        const char* out = nullptr; // printed on standard output ("" for nothing at all)
    } cases[] = {
        {{}, 0, {{"resize/a.jpg", {400, 300, CXIMAGE_FORMAT_JPG}}}, "a.jpg -> $D/resize/a.jpg "},
        {{"--percent", "50", "--quality", "80", "--to", "$D/out"},
         0,
         {{"out/a.jpg", {200, 150, CXIMAGE_FORMAT_JPG}}, {"out/b.png", {100, 50, 4}}},
         "$D/a.jpg -> $D/out/a.jpg 200x150 "},
        {{"--width", "100"}, 0, {{"resize/a.jpg", {100, 75, 3}}, {"resize/b.png", {100, 50, 4}}}},
        {{"--height=50%"}, 0, {{"resize/a.jpg", {200, 150, 3}}, {"resize/b.png", {100, 50, 4}}}},
        {{"--width", "100px", "--height", "100"}, 0, {{"resize/b.png", {100, 100, 4}}}},
        {{"--fit", "100x100", "--format", "png", "--jobs", "1"},
         0,
         {{"resize/a.png", {100, 75, 4}}, {"resize/b.png", {100, 50, 4}}}},
        {{"--rotate", "left", "--format", "webp", "--suffix", "_s", "--quiet"},
         0,
         {{"a_s.webp", {300, 400, CXIMAGE_FORMAT_WEBP}}, {"b_s.webp", {100, 200, 9}}},
         ""},
        {{"--overwrite", "--no-trash", "--percent", "25"}, 0, {{"a.jpg", {100, 75, 3}}}},
        {{"--settings"}, 0, {{"resize/a.jpg", {120, 90, 3}}}, "-> $D/resize/a.jpg 120x90 "},
        {{"--dry-run", "--percent", "50", "--rotate=right"},
         0,
         {},
         "a.jpg -> $D/resize/a.jpg 150x200\n"},
    };
    CAppSetting stored; // what --settings starts from
    stored.m_resize.nWidth = stored.m_resize.nHeight = 30;
    ASSERT_TRUE(stored.SaveResizeSetting());
    for (const auto& [args, status, outputs, out] : cases) {
        const std::string dir = MakeTempDir("options");
        SCOPED_TRACE(testing::PrintToString(args));
        MakePicture(dir + "/a.jpg", 400, 300);
        MakePicture(dir + "/b.png", 200, 100);
        std::vector<std::string> all = args;
        all.insert(all.end(), {"$D/a.jpg", "$D/b.png"});
        const ProgramRun run = Resize(dir, all);
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_EQ(run.err, "");
        for (const auto& [path, facts] : outputs)
            EXPECT_EQ(Inspect(dir + "/" + path), facts) << path;
        if (out) {
            const std::string printed = std::regex_replace(out, std::regex("\\$D"), dir);
            EXPECT_TRUE(*out ? run.out.find(printed) != run.out.npos : run.out.empty()) << run.out;
            EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), *out ? 2 : 0)
                << "a line a picture";
        }
        if (outputs.empty()) {
            EXPECT_EQ(FolderNames(dir).size(), 2u) << "a dry run writes nothing";
        }
    }
}

TEST(ResizeCommand, BadInputAndUsageErrorsAreToldAndLoseNothing) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* err;   // a part of what standard error says
        std::size_t nMade; // outputs written in $D/out
    } cases[] = {
        {{"--frob", "$D/a.jpg"}, 2, "unknown option --frob\nUsage: vtl resize", 0},
        {{"--width"}, 2, "--width needs a value", 0},
        {{"--width", "wide", "$D/a.jpg"}, 2, "--width wide: give N pixels", 0},
        {{"--percent", "5", "--fit", "9x9", "$D/a.jpg"}, 2, "give one size", 0},
        {{"--to", "$D/out"}, 2, "no pictures given", 0},
        {{"--to", "$D/out", "$D/a.jpg", "$D/bad.jpg", "$D/c.jpg"}, 1, "bad.jpg: not a picture", 2},
        {{"--to", "$D/out", "$D/none.jpg", "$D/a.jpg"}, 1, "none.jpg: no such file or folder", 1},
        {{"--to", "$D/out", "$D/fifo.jpg", "$D/a.jpg"}, 1, "fifo.jpg: not a regular file", 1},
        {{"--to", "$D/a.jpg/out", "$D/a.jpg"}, 1, "the folder cannot be made: Not a directory", 0},
    };
    for (const auto& [args, status, err, nMade] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        const std::string dir = MakeTempDir("bad");
        MakePicture(dir + "/a.jpg", 64, 48);
        MakePicture(dir + "/c.jpg", 64, 48);
        WriteFile(dir + "/bad.jpg", std::string(600, 'x'));
        ASSERT_EQ(mkfifo((dir + "/fifo.jpg").c_str(), 0600), 0);
        const ProgramRun run = Resize(dir, args);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.status, status);
        EXPECT_NE(run.err.find(err), run.err.npos) << run.err;
        EXPECT_EQ(fs::exists(dir + "/out") ? FolderNames(dir + "/out").size() : 0, nMade);
    }
    // A full disk: the output is refused whole, and the existing one is skipped, not replaced.
    const std::string dir = MakeTempDir("full");
    MakePicture(dir + "/a.jpg", 1600, 1200);
    const ProgramRun full = [&] {
        const ScopedFileSizeLimit fullDisk(4096);
        return Resize(dir, {"--to", "$D/out", "$D/a.jpg"});
    }();
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("a.jpg: cannot be converted or written"), full.err.npos) << full.err;
    EXPECT_EQ(FolderNames(dir + "/out").size(), 0u) << "no temporary file is left";
    WriteFile(dir + "/out/a.jpg", "mine");
    EXPECT_EQ(Resize(dir, {"--to", "$D/out", "$D/a.jpg"}).status, 0);
    EXPECT_EQ(ReadFile(dir + "/out/a.jpg"), "mine");
    // Stored settings that overwrite do not write over a source unasked.
    CAppSetting stored;
    stored.m_resize.bOverwrite = 1, stored.m_resize.nWidth = 50;
    ASSERT_TRUE(stored.SaveResizeSetting());
    const ProgramRun unasked = Resize(dir, {"--settings", "$D/a.jpg"});
    EXPECT_NE(unasked.err.find("a.jpg: skipped"), std::string::npos) << unasked.err;
    EXPECT_EQ(Inspect(dir + "/a.jpg").width, 1600);
    EXPECT_EQ(Resize(dir, {"--settings", "--to", "$D/o2", "$D/a.jpg"}).status, 0) << "--to wins";
    EXPECT_EQ(Inspect(dir + "/o2/a.jpg").width, 800);
}

// Five wallpapers-sized pictures on a machine without a display.
TEST(ResizeCommand, HalvesFiveWallpapersWithoutADisplay) {
    const std::string dir = MakeTempDir("wallpapers");
    const std::vector<std::string> files = MakePictures(dir, 5, 5120, 2880);
    std::vector<std::string> args = {"--percent", "50", "--quality", "80", "--to", "$D/OUT"};
    args.insert(args.end(), files.begin(), files.end());
    const vtltest::ProgramRun run = Resize(dir, args);
    EXPECT_EQ(run.status, 0) << run.err;
    for (const std::string& file : files)
        EXPECT_EQ(Inspect(dir + "/OUT/" + fs::path(file).filename().string()),
                  (PictureFacts{2560, 1440, CXIMAGE_FORMAT_JPG}));
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5);
}

// A stop signal ends the run cleanly; what a kill -9 leaves, the next run over the folder sweeps.
// Either way each output is absent or whole.
TEST(ResizeCommand, AStoppedOrKilledRunLeavesNoHalfPicture) {
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string dir = MakeTempDir("killed");
        std::vector<std::string> args = MakePictures(dir, 12, 2400, 1800);
        args.insert(args.end(), {"--rotate", "left", "--to", "$D/out"});
        const ProgramRun run = Resize(dir, args, [&](int pid) {
            WaitUntil([&] { return fs::exists(dir + "/out") && !TempFiles(dir).empty(); });
            ::kill(pid, signal);
        });
        EXPECT_EQ(run.signal, signal) << run.err;
        const std::vector<std::string> left = TempFiles(dir);
        EXPECT_EQ(left.empty(), signal == SIGTERM);
        for (const std::string& name : FolderNames(dir + "/out")) {
            if (!name.starts_with(plat::kTempFilePrefix)) {
                EXPECT_EQ(Inspect(dir + "/out/" + name), (PictureFacts{1800, 2400, 3})) << name;
            }
        }
        // A minute later, the next run.
        const timeval old[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
        for (const std::string& leftover : left)
            utimes(leftover.c_str(), old);
        EXPECT_EQ(Resize(dir, args).status, 0);
        EXPECT_EQ(TempFiles(dir), std::vector<std::string>{});
        EXPECT_EQ(FolderNames(dir + "/out").size(), 12u);
    }
}

TEST(ResizeCommand, WindowsWithoutADisplaySayWhatToDo) {
    const std::string dir = MakeTempDir("nodisplay");
    const std::string picture = MakePicture(dir + "/a.jpg", 64, 48);
    for (const auto& [program, args] : std::map<std::string, std::vector<std::string>>{
             {"vtl", {}}, {"vtlmenu", {"--invoke", "1", picture}}}) {
        const ProgramRun run = RunProgram(VTL_BIN_DIR "/" + program, args, kNoDisplay);
        EXPECT_EQ(run.status, 1) << program << run.err;
        EXPECT_NE(run.err.find("need a display (DISPLAY or WAYLAND_DISPLAY)"), run.err.npos);
        EXPECT_NE(run.err.find("\"vtl resize\""), run.err.npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/resize")) << "nothing was handed over";
    EXPECT_NE(RunProgram(VTL_BIN_DIR "/vtl", {"--help"}).out.find("vtl resize [OPTIONS]"),
              std::string::npos);
}

} // namespace
