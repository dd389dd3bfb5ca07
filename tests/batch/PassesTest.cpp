// The two passes as the program runs them, over real pictures, carried by a sink of the test's
// own instead of the progress dialog: questions are answered from a script.
#include "app/batch/ReadInfoPass.h"
#include "app/batch/ResizeJob.h"
#include "app/batch/RunNotice.h"
#include "app/model/ResizeRules.h"
#include "image/ximage.h"
#include "tests/batch/BatchTestSupport.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace vtltest;

// Answers each question with the next scripted answer, No once the script is used up.
struct Sink : IPassSink {
    std::vector<int> answers;
    std::vector<std::pair<std::string, std::string>> asked; // file, question
    PassResult result;
    std::string status;
    int done = 0;

    // The bar's steps: the process dialog's tests.
    void Step(std::size_t, const std::string& line) override { status = line; }
    int Ask(const std::string& file, const std::string& question) override {
        asked.emplace_back(file, question);
        return asked.size() <= answers.size() ? answers[asked.size() - 1] : CONFIRM_NO;
    }
    bool IsStopping() const override { return false; }
    void Done(PassResult passed) override { result = std::move(passed), ++done; }
};

// The resize job on a desktop of 1024 × 768.
Sink Resize(std::vector<int> answers = {}) {
    Sink sink;
    sink.answers = std::move(answers);
    ResizeThreadProc(sink, GetAppSetting()->m_resize, GetAppSetting()->m_listFiles,
                     ResizeRun{false, 1024, 768});
    EXPECT_EQ(sink.done, 1);
    return sink;
}

TEST(ResizeJob, WritesEachPictureAtItsSizeWhereTheSettingsPlaceIt) {
    const std::string dir = MakeTempDir("placed");
    fs::create_directories(dir + "/b");
    const std::vector<std::string> files = {MakePicture(dir + "/wide.jpg", 2000, 1000),
                                            MakePicture(dir + "/b/tall.png", 500, 1000),
                                            MakePicture(dir + "/small.jpg", 400, 300)};
    // Fitted to the desktop, small ones enlarged, as PCX into a folder beside each source.
    ResizeSetting& fit = Reset(files);
    fit.bDesktop = 1, fit.strDestFolder = "./out/", fit.nImageType = 7;
    EXPECT_TRUE(Resize().result.failures.empty());
    EXPECT_EQ(Inspect(dir + "/out/wide.pcx"), (PictureFacts{1024, 512, CXIMAGE_FORMAT_PCX}));
    EXPECT_EQ(Inspect(dir + "/b/out/tall.pcx"), (PictureFacts{384, 768, CXIMAGE_FORMAT_PCX}));
    EXPECT_EQ(Inspect(dir + "/out/small.pcx"), (PictureFacts{1024, 768, CXIMAGE_FORMAT_PCX}));
    // 50 % wide and 300 pixels high, over the sources, as PNG under their own names.
    ResizeSetting& over = Reset(files);
    over.bOverwrite = 1, over.nImageType = 5, over.nWidth = 50, over.nHeightUnit = 0;
    over.nHeight = 300;
    const Sink sink = Resize({CONFIRM_YESTOALL});
    EXPECT_EQ(sink.status, MakeStatusLine("Resizing", files.back()));
    EXPECT_TRUE(sink.result.failures.empty());
    EXPECT_EQ(Inspect(files[0]), (PictureFacts{1000, 300, CXIMAGE_FORMAT_PNG}));
    EXPECT_EQ(Inspect(files[1]), (PictureFacts{250, 300, CXIMAGE_FORMAT_PNG}));
    EXPECT_EQ(Inspect(files[2]), (PictureFacts{200, 300, CXIMAGE_FORMAT_PNG}));
}

// "No" to each question, or each question closed: every file is asked about and stays.
TEST(ResizeJob, OverwritingAsksAndFollowsTheAnswers) {
    for (const int answer : {CONFIRM_NO, CONFIRM_NONE}) {
        SCOPED_TRACE(answer);
        const std::string dir = MakeTempDir("overwrite");
        const std::vector<std::string> files = MakePictures(dir, 3, 200, 100);
        ResizeSetting& s = Reset(files);
        s.bOverwrite = 1, s.nWidth = s.nHeight = 50;
        const Sink sink = Resize(std::vector<int>(3, answer));
        ASSERT_EQ(sink.asked.size(), 3u);
        EXPECT_EQ(sink.asked[0].first, files[0]);
        for (const std::string& file : files)
            EXPECT_EQ(Inspect(file).width, 200) << file;
        EXPECT_TRUE(sink.result.failures.empty()) << "a skipped file is not a failure";
        EXPECT_EQ(FolderNames(dir).size(), 3u) << "no temporary file is left";
    }
}

// Overwriting asks as before. With the trash off the originals are replaced as before; where
// the trash cannot take them, they stay and their pictures fail. (Into the trash: the real
// program's test, InterruptedRunTest.cpp.)
TEST(ResizeJob, OriginalsTheTrashCannotTakeStayAndTrashOffReplacesThem) {
    for (const bool trashOff : {true, false}) {
        SCOPED_TRACE(trashOff);
        const std::string data = MakeTempDir("data");
        const ScopedEnv env({{"XDG_DATA_HOME", data}});
        fs::create_directories(data + "/Trash/info");
        if (!trashOff && !MakeReadOnly(data + "/Trash/info"))
            GTEST_SKIP() << "needs a read-only folder";
        const std::string dir = MakeTempDir("overwrite");
        const std::vector<std::string> files = MakePictures(dir, 2, 200, 100);
        ResizeSetting& s = Reset(files);
        s.bOverwrite = 1, s.nWidth = s.nHeight = 50, s.bTrash = !trashOff;
        const Sink sink = Resize({CONFIRM_YESTOALL});
        EXPECT_EQ(sink.asked.size(), 1u);
        std::vector<std::string> told;
        for (const std::string& file : trashOff ? std::vector<std::string>{} : files)
            told.push_back(file + ": its original cannot go to the trash, so it was left as it is");
        EXPECT_EQ(sink.result.failures, told);
        for (const std::string& file : files)
            EXPECT_EQ(Inspect(file).width, trashOff ? 100 : 200);
        EXPECT_EQ(FolderNames(data + "/Trash/files"), std::set<std::string>{});
        EXPECT_EQ(FolderNames(dir).size(), 2u) << "no temporary file is left";
    }
}

TEST(ResizeJob, TwoSourcesMeetingInOneFolderAskForTheSecond) {
    const std::string dir = MakeTempDir("meet");
    fs::create_directories(dir + "/b");
    Reset({MakePicture(dir + "/x.jpg", 300, 200), MakePicture(dir + "/b/x.jpg", 400, 200)})
        .strDestFolder = dir + "/out";
    const Sink sink = Resize();
    ASSERT_EQ(sink.asked.size(), 1u);
    EXPECT_EQ(sink.asked[0].first, dir + "/out/x.jpg");
    EXPECT_EQ(Inspect(dir + "/out/x.jpg").width, 300) << "the first output stays";
}

TEST(ResizeJob, GifAsksBeforeReducingColoursOnlyAboveEightBits) {
    const std::string dir = MakeTempDir("gif");
    Reset({MakePicture(dir + "/colour.png", 80, 60),
           MakePicture(dir + "/grey.png", 80, 60, 72, true)})
        .nImageType = 3;
    const Sink sink = Resize({CONFIRM_NO});
    ASSERT_EQ(sink.asked.size(), 1u) << "the 8-bit picture is not asked about";
    EXPECT_EQ(sink.asked[0].first, dir + "/resize/colour.gif");
    EXPECT_FALSE(fs::exists(dir + "/resize/colour.gif"));
    EXPECT_EQ(Inspect(dir + "/resize/grey.gif").type, CXIMAGE_FORMAT_GIF);
}

// The slider's quality is that of JPEG, WebP and AVIF outputs, and of a HEIC or AVIF kept so.
TEST(ResizeJob, QualityIsSetForLossyOutputs) {
    const std::string dir = MakeTempDir("quality");
    const std::tuple<const char*, int, const char*, int> cases[] = {
        {"photo.jpg", SAVE_TYPE_SOURCE, "photo.jpg", CXIMAGE_FORMAT_JPG},
        {"photo.png", SAVE_TYPE_WEBP, "photo.webp", CXIMAGE_FORMAT_WEBP},
        {"photo.png", SAVE_TYPE_AVIF, "photo.avif", CXIMAGE_FORMAT_AVIF},
        {"photo.HEIC", SAVE_TYPE_SOURCE, "photo.HEIC", CXIMAGE_FORMAT_HEIC}};
    for (const auto& [source, type, output, format] : cases) {
        SCOPED_TRACE(output);
        const std::string photo = MakePicture(dir + "/" + source, 400, 300);
        std::map<int, std::size_t> sizes;
        for (const int quality : {5, 95}) {
            ResizeSetting& s = Reset({photo});
            s.nQuality = quality, s.nImageType = type;
            Resize({CONFIRM_YES}); // over the first run's output
            sizes[quality] = ReadFile(dir + "/resize/" + output).size();
        }
        EXPECT_LT(sizes[5] * 2, sizes[95]);
        EXPECT_EQ(Inspect(dir + "/resize/" + output), (PictureFacts{400, 300, format}));
    }
}

// Under "Limit each file to N KB" each output is at most N KB: at the slider's quality when that
// fits (written as without a limit), at a lower one when not, made smaller when even quality 10
// is too large and for the formats without a quality; a limit that the picture's metadata alone
// exceeds fails that picture, named in the run's failures, and writes nothing.
TEST(ResizeJob, EachFileKeepsWithinTheSizeLimit) {
    const std::string dir = MakeTempDir("limit");
    const vips::VImage noise = vips::VImage::gaussnoise(480, 320);
    const vips::VImage grainy =
        (Gradient(480, 320) + noise.bandjoin(noise).bandjoin(noise))
            .cast(VIPS_FORMAT_UCHAR)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    const std::string photo = WritePicture(grainy, dir + "/photo.png");
    vips::VImage tagged = grainy.copy();
    const std::string xmp(6000, ' ');
    vips_image_set_blob_copy(tagged.get_image(), "xmp-data", xmp.data(), xmp.size());
    const std::string heavy = WritePicture(tagged, dir + "/heavy.jpg");
    enum Outcome { AtSlider, LowerQuality, Smaller, Impossible };
    const std::tuple<std::string, int, const char*, int, Outcome> cases[] = {
        {photo, SAVE_TYPE_JPEG, "photo.jpg", 1000, AtSlider},
        {photo, SAVE_TYPE_JPEG, "photo.jpg", 40, LowerQuality},
        {photo, SAVE_TYPE_JPEG, "photo.jpg", 3, Smaller},
        {heavy, SAVE_TYPE_SOURCE, "heavy.jpg", 5, Impossible},
        {photo, SAVE_TYPE_PNG, "photo.png", 100, Smaller},
    };
    for (const auto& [source, type, name, kb, outcome] : cases) {
        SCOPED_TRACE(std::string(name) + " in " + std::to_string(kb) + " KB");
        const auto run = [&, type = type](int limit, const std::string& into) {
            ResizeSetting& s = Reset({source});
            s.bResize = 0, s.nImageType = type, s.nQuality = 80, s.nMaxKb = limit;
            s.strDestFolder = dir + "/" + into;
            return Resize().result.failures;
        };
        const auto failures = run(kb, "limited");
        EXPECT_TRUE(run(0, "free").empty());
        const std::string limited = dir + "/limited/" + name, free = dir + "/free/" + name;
        if (outcome == Impossible) {
            EXPECT_EQ(failures, std::vector<std::string>{source + ": no size of it fits in " +
                                                         std::to_string(kb) + " KB"});
            EXPECT_FALSE(fs::exists(limited));
            continue;
        }
        EXPECT_TRUE(failures.empty());
        const std::size_t size = ReadFile(limited).size();
        EXPECT_LE(size, kb * 1024u);
        EXPECT_EQ(ReadFile(limited) == ReadFile(free), outcome == AtSlider);
        const PictureFacts facts = Inspect(limited);
        EXPECT_EQ(facts.width == 480 && facts.height == 320, outcome != Smaller)
            << facts.width << " x " << facts.height;
        fs::remove_all(dir + "/limited");
    }
}

// (A picture that does not load is listed in the process dialog's test.)
TEST(ResizeJob, APictureThatCannotBeWrittenFailsAndItsSourceStaysIntact) {
    const std::string dir = MakeTempDir("fullsave");
    const std::string big = MakePicture(dir + "/big.jpg", 1600, 1200);
    const std::string small = MakePicture(dir + "/small.png", 4, 4);
    const std::string before = ReadFile(big);
    ASSERT_GT(before.size(), 20000u);
    Reset({small}).strDestFolder = "/proc/vtl-no-such-folder";
    EXPECT_EQ(Resize().result.failures, std::vector<std::string>{small}) << "no output folder";
    ResizeSetting& s = Reset({big, small});
    s.bOverwrite = 1, s.bResize = 0, s.bRotate = 1; // turned, the big one is written anew
    // The file system refuses to store more than 4 KB in one file, as a full disk would.
    const Sink sink = [] {
        const ScopedFileSizeLimit fullDisk(4096);
        return Resize({CONFIRM_YESTOALL});
    }();
    EXPECT_EQ(ReadFile(big), before) << "byte for byte as it was";
    EXPECT_EQ(sink.result.failures, std::vector<std::string>{big});
    EXPECT_EQ(Inspect(small).width, 4);
    EXPECT_EQ(FolderNames(dir).size(), 2u) << "no temporary file is left behind";
}

// A stop that cannot be read (out of memory, say) throws into the job on a helper thread: that
// picture fails; the run and the process go on.
TEST(ResizeJob, APictureThatThrowsOnAHelperThreadFailsAlone) {
    struct Throwing : Sink {
        std::thread::id worker = std::this_thread::get_id();
        mutable std::atomic<bool> thrown{false};
        bool IsStopping() const override {
            if (std::this_thread::get_id() != worker && !thrown.exchange(true))
                throw std::bad_alloc();
            return false;
        }
    };
    const std::vector<std::string> files = MakePictures(MakeTempDir("throw"), 2, 64, 48);
    ResizeSetting& s = Reset(files);
    s.bOverwrite = 1, s.nWidth = s.nHeight = 50;
    Throwing sink;
    sink.answers = {CONFIRM_YESTOALL};
    ResizeThreadProc(sink, s, files, ResizeRun{});
    ASSERT_EQ(sink.result.failures.size(), 1u) << "one picture failed alone";
    for (const std::string& file : files)
        EXPECT_EQ(Inspect(file).width, file == sink.result.failures[0] ? 64 : 32) << file;
}

TEST(ReadingPass, ReportsWhatAllPicturesShare) {
    // Each picture: name, width, height, dots per inch; then the shared values and the JPEG flag.
    using Pic = std::tuple<const char*, int, int, int>;
    const std::tuple<std::vector<Pic>, std::array<int, 4>, int> cases[] = {
        {{{"a.jpg", 64, 48, 300}, {"b.jpg", 64, 48, 300}}, {64, 48, 300, 300}, 1},
        {{{"a.png", 64, 48, 300}, {"b.png", 64, 40, 300}}, {0, 0, 300, 300}, 0},
        {{{"a.png", 64, 48, 72}, {"b.jpg", 64, 48, 150}}, {64, 48, 0, 0}, 1},
        {{}, {0, 0, 0, 0}, 0},
        {{{"a.tif", 64, 48, 72}, {"b.heic", 64, 48, 72}}, {64, 48, 0, 0}, 1},
    };
    for (const auto& [pictures, shared, jpeg] : cases) {
        const std::string dir = MakeTempDir("read");
        std::vector<std::string> files;
        for (const auto& [name, w, h, dpi] : pictures)
            files.push_back(MakePicture(dir + "/" + name, w, h, dpi));
        Reset(files);
        Sink sink;
        ReadInfoThreadProc(sink, *GetAppSetting());
        EXPECT_EQ(sink.done, 1);
        const PassResult& r = sink.result;
        EXPECT_EQ((std::array{r.nWidth, r.nHeight, r.nXDpi, r.nYDpi}), shared);
        EXPECT_EQ(GetAppSetting()->m_bJpegInSelection, jpeg);
        EXPECT_EQ(FolderNames(dir).size(), files.size()) << "reading writes nothing";
    }
}

// What the desktop is told at the end of a run: nothing after a quick clean one.
TEST(RunNotice, SaysWhereTheLongRunsWentAndWhatFailed) {
    using namespace std::chrono_literals;
    const std::vector<std::string> two = {"/p/resize", "/q/resize"};
    const struct {
        RunEnd end;
        const char *summary, *body; // summary nullptr: no notice
        bool canOpen;
    } cases[] = {
        {{10s, 3, {}, {"/p/resize"}}, nullptr, "", false},
        {{11s, 3, {}, {"/p/resize"}}, "3 pictures resized into /p/resize", "", true},
        {{11s, 2, {}, two}, "2 pictures resized into 2 folders", "/p/resize\n/q/resize", true},
        {{11s, 1, {}, {}}, "1 picture resized for mailing", "", false},
        {{1s, 0, {"/1", "/2", "/3", "/4", "/5", "/6", "/7"}, {}},
         "7 pictures could not be resized",
         "/1\n/2\n/3\n/4\n/5\n... and 2 more",
         false},
    };
    for (const auto& c : cases) {
        const auto notice = MakeRunNotice(c.end);
        ASSERT_EQ(notice.has_value(), c.summary != nullptr) << c.end.took.count();
        if (!notice)
            continue;
        EXPECT_EQ(std::tie(notice->summary, notice->body, notice->action),
                  std::tuple(c.summary, c.body, c.canOpen ? "Open folder" : ""));
    }
}

} // namespace
