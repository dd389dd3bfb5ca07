// The two passes as the program runs them, over real pictures, carried by a sink of the test's
// own instead of the progress dialog: questions are answered from a script, and a run can be
// stopped at a chosen step.
#include "app/batch/ReadInfoPass.h"
#include "app/batch/ResizeJob.h"
#include "app/batch/ResizeRules.h"
#include "app/core/AppSetting.h"
#include "image/ximage.h"
#include "platform/Paths.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

namespace {

namespace fs = std::filesystem;
using vtltest::Inspect;
using vtltest::MakePicture;
using vtltest::PictureFacts;

const std::string kOverwrite = "Do you want to overwrite this file?";
const std::string kGif = "Transfer to GIF from 24 bit to 8 bit colors will lose some colors and "
                         "take some time, would you keep on?";

// Answers each question with the next scripted answer, No once the script is used up.
struct Sink final : IPassSink {
    std::vector<int> answers;
    std::vector<std::pair<std::string, std::string>> asked; // file, question
    std::vector<std::size_t> steps;
    std::size_t stopAtStep = SIZE_MAX;
    std::atomic<bool> stopped{false};
    PassResult result;
    int done = 0;

    void Step(std::size_t index) override {
        steps.push_back(index);
        stopped = stopped || index == stopAtStep;
    }
    int Ask(const std::string& file, const std::string& question) override {
        asked.emplace_back(file, question);
        return asked.size() <= answers.size() ? answers[asked.size() - 1] : CONFIRM_NO;
    }
    bool IsStopping() const override { return stopped; }
    void Done(PassResult passed) override {
        result = std::move(passed);
        ++done;
    }
};

ResizeSetting& Reset(const std::vector<std::string>& files) {
    CAppSetting* app = GetAppSetting();
    app->m_resize = ResizeSetting{};
    app->m_listFiles = files;
    app->m_listMailFiles.clear();
    return app->m_resize;
}

// The resize job on a desktop of 1024 × 768.
void Resize(Sink& sink, bool mail = false) {
    ResizeThreadProc(sink, *GetAppSetting(), ResizeRun{mail, 1024, 768});
    EXPECT_EQ(sink.done, 1);
}

std::vector<std::string> Pictures(const std::string& dir, int count, int w, int h) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back(MakePicture(dir + "/p" + std::to_string(i) + ".jpg", w, h));
    return paths;
}

std::size_t Entries(const std::string& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(ResizeJob, WritesEachPictureAtItsSizeWhereTheSettingsPlaceIt) {
    struct Case {
        const char* what;
        std::function<void(ResizeSetting&, const std::string& dir)> set;
        std::vector<std::pair<std::string, PictureFacts>> outputs; // below the test's folder
    };
    const Case cases[] = {
        {"50 % wide, 300 pixels high, beside the source",
         [](ResizeSetting& s, const std::string&) { s.nHeightUnit = 0, s.nHeight = 300; },
         {{"a/resize/wide.jpg", {1000, 300, CXIMAGE_FORMAT_JPG}},
          {"b/resize/tall.png", {250, 300, CXIMAGE_FORMAT_PNG}}}},
        {"a relative folder is taken from each source's folder",
         [](ResizeSetting& s, const std::string&) { s.strDestFolder = "./out/"; },
         {{"a/out/wide.jpg", {1000, 500, CXIMAGE_FORMAT_JPG}},
          {"b/out/tall.png", {250, 500, CXIMAGE_FORMAT_PNG}}}},
        {"one absolute folder, saved as PCX",
         [](ResizeSetting& s, const std::string& dir) {
             s.strDestFolder = dir + "/all", s.nImageType = 7;
         },
         {{"all/wide.pcx", {1000, 500, CXIMAGE_FORMAT_PCX}},
          {"all/tall.pcx", {250, 500, CXIMAGE_FORMAT_PCX}}}},
        {"fitted to the desktop",
         [](ResizeSetting& s, const std::string&) { s.bDesktop = 1; },
         {{"a/resize/wide.jpg", {1024, 512, CXIMAGE_FORMAT_JPG}},
          {"b/resize/tall.png", {384, 768, CXIMAGE_FORMAT_PNG}}}},
        {"the source overwritten keeps its name, in the chosen format",
         [](ResizeSetting& s, const std::string&) { s.bOverwrite = 1, s.nImageType = 5; },
         {{"a/wide.jpg", {1000, 500, CXIMAGE_FORMAT_PNG}},
          {"b/tall.png", {250, 500, CXIMAGE_FORMAT_PNG}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = vtltest::MakeTempDir("placed");
        fs::create_directories(dir + "/a");
        fs::create_directories(dir + "/b");
        const std::vector<std::string> files = {MakePicture(dir + "/a/wide.jpg", 2000, 1000),
                                                MakePicture(dir + "/b/tall.png", 500, 1000)};
        ResizeSetting& s = Reset(files);
        s.nWidth = s.nHeight = 50;
        c.set(s, dir);
        Sink sink;
        sink.answers = {CONFIRM_YESTOALL};
        Resize(sink);
        EXPECT_EQ(sink.steps, (std::vector<std::size_t>{0, 1}));
        EXPECT_EQ(GetAppSetting()->GetStatus(), MakeStatusLine("Resizing", files[1]));
        EXPECT_TRUE(sink.result.failures.empty());
        for (const auto& [name, facts] : c.outputs) {
            const PictureFacts out = Inspect(dir + "/" + name);
            EXPECT_EQ(std::tie(out.width, out.height, out.type),
                      std::tie(facts.width, facts.height, facts.type))
                << name;
        }
    }
}

TEST(ResizeJob, OverwritingAsksAndFollowsTheAnswers) {
    struct Case {
        const char* what;
        std::vector<int> answers;
        std::size_t questions;
        std::vector<bool> changed;
    };
    const Case cases[] = {
        {"Yes to all", {CONFIRM_YESTOALL}, 1, {true, true, true}},
        {"No to all", {CONFIRM_NOTOALL}, 1, {false, false, false}},
        {"No each time", {CONFIRM_NO, CONFIRM_NO, CONFIRM_NO}, 3, {false, false, false}},
        {"closed each time", {CONFIRM_NONE, CONFIRM_NONE, CONFIRM_NONE}, 3, {false, false, false}},
        {"Yes, then No to all", {CONFIRM_YES, CONFIRM_NOTOALL}, 2, {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = vtltest::MakeTempDir("overwrite");
        const std::vector<std::string> files = Pictures(dir, 3, 200, 100);
        ResizeSetting& s = Reset(files);
        s.bOverwrite = 1;
        s.nWidth = s.nHeight = 50;
        Sink sink;
        sink.answers = c.answers;
        Resize(sink);
        ASSERT_EQ(sink.asked.size(), c.questions);
        EXPECT_EQ(sink.asked[0], std::make_pair(files[0], kOverwrite));
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(Inspect(files[i]).width, c.changed[i] ? 100 : 200) << files[i];
        EXPECT_TRUE(sink.result.failures.empty()) << "a skipped file is not a failure";
        EXPECT_EQ(Entries(dir), 3u) << "no temporary file is left";
    }
}

TEST(ResizeJob, TwoSourcesMeetingInOneFolderAskForTheSecond) {
    const std::string dir = vtltest::MakeTempDir("meet");
    fs::create_directories(dir + "/a");
    fs::create_directories(dir + "/b");
    ResizeSetting& s =
        Reset({MakePicture(dir + "/a/x.jpg", 300, 200), MakePicture(dir + "/b/x.jpg", 400, 200)});
    s.strDestFolder = dir + "/out";
    Sink sink;
    Resize(sink);
    ASSERT_EQ(sink.asked.size(), 1u);
    EXPECT_EQ(sink.asked[0].first, dir + "/out/x.jpg");
    EXPECT_EQ(Inspect(dir + "/out/x.jpg").width, 300) << "the first output stays";
}

TEST(ResizeJob, GifAsksBeforeReducingColoursOnlyAboveEightBits) {
    for (const int answer : {CONFIRM_YES, CONFIRM_NO}) {
        SCOPED_TRACE(answer);
        const std::string dir = vtltest::MakeTempDir("gif");
        ResizeSetting& s = Reset({MakePicture(dir + "/colour.png", 80, 60),
                                  MakePicture(dir + "/grey.png", 80, 60, 72, true)});
        s.nImageType = 3;
        Sink sink;
        sink.answers = {answer};
        Resize(sink);
        ASSERT_EQ(sink.asked.size(), 1u) << "the 8-bit picture is not asked about";
        EXPECT_EQ(sink.asked[0], std::make_pair(dir + "/resize/colour.gif", kGif));
        EXPECT_EQ(fs::exists(dir + "/resize/colour.gif"), answer == CONFIRM_YES);
        EXPECT_EQ(Inspect(dir + "/resize/grey.gif").type, CXIMAGE_FORMAT_GIF);
    }
}

TEST(ResizeJob, QualityIsSetForJpegSourcesOnlyWhenTheTypeIsTheSources) {
    const std::string dir = vtltest::MakeTempDir("quality");
    const std::vector<std::string> files = {MakePicture(dir + "/photo.jpg", 400, 300),
                                            MakePicture(dir + "/drawing.png", 400, 300)};
    std::map<int, std::pair<std::string, std::string>> outputs;
    for (const int quality : {5, 95}) {
        Reset(files).nQuality = quality;
        Sink sink;
        Resize(sink);
        outputs[quality] = {vtltest::ReadFile(dir + "/resize/photo.jpg"),
                            vtltest::ReadFile(dir + "/resize/drawing.png")};
        fs::remove_all(dir + "/resize");
    }
    EXPECT_LT(outputs[5].first.size() * 2, outputs[95].first.size());
    EXPECT_FALSE(outputs[5].second.empty());
    EXPECT_EQ(outputs[5].second, outputs[95].second);
}

TEST(ResizeJob, MailModeWritesIntoAPrivateFolderInInputOrder) {
    const std::string dir = vtltest::MakeTempDir("mail");
    fs::create_directories(dir + "/one");
    fs::create_directories(dir + "/two");
    // An older file in the temporary folder with an output's name is never touched.
    vtltest::WriteFile(plat::GetTempPath() + "a.jpg", "not mine");
    const std::vector<std::string> files = {MakePicture(dir + "/one/a.jpg", 120, 90),
                                            MakePicture(dir + "/two/a.jpg", 160, 90),
                                            MakePicture(dir + "/b.png", 50, 50)};
    Reset(files);
    Sink sink;
    Resize(sink, true);
    const std::vector<std::string>& mail = GetAppSetting()->m_listMailFiles;
    ASSERT_EQ(mail.size(), 3u);
    const std::string folder = plat::SplitPath(mail[0]).dir;
    EXPECT_EQ(folder.rfind(plat::GetTempPath() + "vtl-mail-", 0), 0u);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << "the user's alone";
    EXPECT_EQ(mail,
              (std::vector<std::string>{folder + "a.jpg", folder + "a (2).jpg", folder + "b.png"}));
    EXPECT_EQ(Inspect(mail[1]).width, 160);
    EXPECT_EQ(vtltest::ReadFile(plat::GetTempPath() + "a.jpg"), "not mine");
    EXPECT_TRUE(sink.asked.empty());
    EXPECT_FALSE(fs::exists(dir + "/one/resize"));

    // With the sources overwritten there is nothing of the run's own to mail.
    ResizeSetting& s = Reset(files);
    s.bOverwrite = 1;
    s.nWidth = s.nHeight = 50;
    Sink over;
    over.answers = {CONFIRM_YESTOALL};
    Resize(over, true);
    EXPECT_TRUE(GetAppSetting()->m_listMailFiles.empty());
    EXPECT_EQ(Inspect(files[0]).width, 60);
}

TEST(ResizeJob, FailuresAreListedAndTheOtherPicturesWritten) {
    const std::string dir = vtltest::MakeTempDir("fail");
    const std::string good = MakePicture(dir + "/good.jpg", 80, 60);
    vtltest::WriteFile(dir + "/damaged.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "garbage");
    // A folder whose output path would not fit a 260-byte path: refused, not cut.
    std::string deep = dir;
    while (deep.size() < 250)
        deep += "/deeper";
    fs::create_directories(deep);
    Reset({good, dir + "/damaged.jpg", MakePicture(deep + "/x.jpg", 20, 20)});
    Sink sink;
    Resize(sink);
    EXPECT_EQ(sink.result.failures,
              (std::vector<std::string>{dir + "/damaged.jpg", deep + "/x.jpg"}));
    EXPECT_EQ(Inspect(dir + "/resize/good.jpg").width, 80);
    EXPECT_FALSE(fs::exists(deep + "/resize"));

    Reset({good}).strDestFolder = "/proc/vtl-no-such-folder";
    Sink unmade;
    Resize(unmade);
    EXPECT_EQ(unmade.result.failures, std::vector<std::string>{good});
}

TEST(ResizeJob, AFailedSaveOverASourceLeavesItIntact) {
    const std::string dir = vtltest::MakeTempDir("fullsave");
    const std::string big = MakePicture(dir + "/big.png", 600, 400);
    const std::string small = MakePicture(dir + "/small.png", 4, 4);
    const std::string before = vtltest::ReadFile(big);
    ASSERT_GT(before.size(), 20000u);
    ResizeSetting& s = Reset({big, small});
    s.bOverwrite = 1;
    s.bResize = 0;
    s.bRotate = 1; // turned, the big picture must be written anew
    // The file system refuses to store more than 4 KB in one file, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    Sink sink;
    sink.answers = {CONFIRM_YESTOALL};
    Resize(sink);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(vtltest::ReadFile(big), before) << "byte for byte as it was";
    EXPECT_EQ(sink.result.failures, std::vector<std::string>{big});
    EXPECT_EQ(Inspect(small).width, 4);
    EXPECT_EQ(Entries(dir), 2u) << "no temporary file is left behind";
}

// A question that cannot be asked or a stop that cannot be read (out of memory, say) throws
// into the job: on its worker thread or on a helper thread. That picture fails; the run and
// the process go on.
TEST(ResizeJob, APictureThatThrowsFailsAloneOnEveryThread) {
    struct Throwing final : IPassSink {
        std::thread::id worker = std::this_thread::get_id();
        bool askThrows = false;
        PassResult result;
        void Step(std::size_t) override {}
        int Ask(const std::string&, const std::string&) override {
            if (askThrows)
                throw std::bad_alloc();
            return CONFIRM_YESTOALL;
        }
        bool IsStopping() const override {
            if (!askThrows && std::this_thread::get_id() != worker)
                throw std::bad_alloc();
            return false;
        }
        void Done(PassResult passed) override { result = std::move(passed); }
    };
    for (const bool askThrows : {true, false}) {
        SCOPED_TRACE(askThrows ? "the question" : "a helper thread");
        const std::string dir = vtltest::MakeTempDir("throw");
        const std::vector<std::string> files = Pictures(dir, 2, 64, 48);
        Reset(files).bOverwrite = askThrows ? 1 : 0;
        Throwing sink;
        sink.askThrows = askThrows;
        ResizeThreadProc(sink, *GetAppSetting(), ResizeRun{});
        EXPECT_EQ(sink.result.failures, files) << "each picture failed alone";
        EXPECT_EQ(Inspect(files[0]).width, 64) << "the source is untouched";
        EXPECT_FALSE(fs::exists(dir + "/resize") && Entries(dir + "/resize") > 0);
    }
}

TEST(ResizeJob, AStoppedRunWritesNothingMoreAndLeavesNoTemporaryFile) {
    const std::string dir = vtltest::MakeTempDir("stop");
    const std::vector<std::string> files = Pictures(dir, 4, 1600, 1200);
    ResizeSetting& s = Reset(files);
    s.bOverwrite = 1;
    s.bRotate = 1;
    const std::string before = vtltest::ReadFile(files[0]);
    Sink sink;
    sink.answers = {CONFIRM_YESTOALL};
    sink.stopAtStep = 1; // while the first picture is in flight
    Resize(sink);
    EXPECT_EQ(sink.steps, (std::vector<std::size_t>{0, 1}));
    for (const std::string& file : files)
        EXPECT_EQ(Inspect(file).width, 1600) << file;
    EXPECT_EQ(vtltest::ReadFile(files[0]), before);
    EXPECT_EQ(Entries(dir), files.size());
}

TEST(ReadingPass, ReportsWhatAllPicturesShare) {
    struct Pic {
        const char* name;
        int w, h, dpi;
    };
    struct Case {
        const char* what;
        std::vector<Pic> pictures;
        std::int32_t width, height, xdpi, ydpi, jpeg;
    };
    const Case cases[] = {
        {"all alike", {{"a.jpg", 64, 48, 300}, {"b.jpg", 64, 48, 300}}, 64, 48, 300, 300, 1},
        {"sizes differ", {{"a.png", 64, 48, 300}, {"b.png", 64, 40, 300}}, 0, 0, 300, 300, 0},
        {"resolutions differ", {{"a.png", 64, 48, 72}, {"b.jpg", 64, 48, 150}}, 64, 48, 0, 0, 1},
        {"one picture", {{"a.tif", 10, 20, 96}}, 10, 20, 96, 96, 0},
        {"none", {}, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = vtltest::MakeTempDir("read");
        std::vector<std::string> files;
        for (const Pic& p : c.pictures)
            files.push_back(MakePicture(dir + "/" + p.name, p.w, p.h, p.dpi));
        Reset(files);
        Sink sink;
        ReadInfoThreadProc(sink, *GetAppSetting());
        EXPECT_EQ(sink.done, 1);
        EXPECT_EQ(sink.steps.size(), files.size());
        const PassResult& r = sink.result;
        EXPECT_EQ(std::tie(r.nWidth, r.nHeight, r.nXDpi, r.nYDpi),
                  std::tie(c.width, c.height, c.xdpi, c.ydpi));
        EXPECT_EQ(GetAppSetting()->m_bJpegInSelection, c.jpeg);
        EXPECT_EQ(Entries(dir), files.size()) << "reading writes nothing";
    }
}

} // namespace
