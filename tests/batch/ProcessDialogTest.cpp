// The progress and confirmation dialogs with both passes, run for real: real pictures in a
// temporary folder, the real dialogs offscreen, questions answered by clicking.
#include "app/batch/DlgConfirm.h"
#include "app/batch/DlgProcess.h"
#include "app/batch/ResizeRules.h"
#include "app/core/AppSetting.h"
#include "platform/Paths.h"
#include "platform/ui/SystemMetrics.h"
#include "tests/batch/Pictures.h"
#include "tests/batch/ProcessTestSupport.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using batchtest::Inspect;
using batchtest::MakePicture;
using batchtest::Outcome;
using batchtest::ResetSettings;
using batchtest::Responder;
using batchtest::RunProcess;

const std::string kOverwrite = "Do you want to overwrite this file?";
const std::string kGif = "Transfer to GIF from 24 bit to 8 bit colors will lose some colors and "
                         "take some time, would you keep on?";

std::vector<std::string> Pictures(const std::string& dir, int count, int w, int h,
                                  const std::string& ext = ".jpg") {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(dir + "/p" + std::to_string(i) + ext);
        MakePicture(paths.back(), w, h);
    }
    return paths;
}

TEST(ProcessDialog, AnEmptyListEndsAtOnceWithOkInBothModes) {
    for (std::int32_t mode : {PROCESS_READ, PROCESS_RESIZE}) {
        ResetSettings({});
        Responder responder;
        const Outcome run = RunProcess(mode);
        EXPECT_EQ(run.code, plat::IDOK);
        EXPECT_EQ(run.maximum, 0);
        EXPECT_TRUE(run.positions.empty());
        EXPECT_EQ(run.caption, mode == PROCESS_READ ? "Reading Pictures Information"
                                                    : "Resizing Pictures");
        EXPECT_TRUE(responder.messages.empty());
    }
}

TEST(ProcessDialog, AnotherModeRunsNothingAndOnlyCancelEndsIt) {
    const std::string dir = vtltest::MakeTempDir("mode");
    ResetSettings(Pictures(dir, 1, 40, 30));
    bool openAfterAWhile = false;
    vtltest::OnNextModal([&](QWidget* modal) {
        QTimer::singleShot(150, modal, [&, modal] {
            openAfterAWhile = modal->isVisible();
            vtltest::ClickNamed(modal, "IDCANCEL");
        });
    });
    const Outcome run = RunProcess(7);
    EXPECT_EQ(run.code, plat::IDCANCEL);
    EXPECT_TRUE(openAfterAWhile);
    EXPECT_EQ(run.caption, "Process");
    EXPECT_FALSE(fs::exists(dir + "/resize"));
}

TEST(ResizeJob, WritesEveryPictureWhileTheBarStepsThroughTheFiles) {
    const std::string dir = vtltest::MakeTempDir("plain");
    const std::vector<std::string> files = Pictures(dir, 3, 1000, 800);
    ResizeSetting& s = ResetSettings(files);
    s.nWidth = 50;                    // percent
    s.nHeightUnit = 0, s.nHeight = 300; // pixels
    Responder responder;
    const Outcome run = RunProcess(PROCESS_RESIZE);
    EXPECT_EQ(run.code, plat::IDOK);
    EXPECT_EQ(run.maximum, 3);
    EXPECT_EQ(run.positions, (std::vector<int>{1, 2})) << "from 0 to N-1, never N";
    EXPECT_EQ(run.status, MakeStatusLine("Resizing", files.back()));
    for (int i = 0; i < 3; ++i) {
        const batchtest::Facts out = Inspect(dir + "/resize/p" + std::to_string(i) + ".jpg");
        EXPECT_EQ(out.width, 500);
        EXPECT_EQ(out.height, 300);
    }
    EXPECT_TRUE(responder.asked.empty());
    EXPECT_TRUE(responder.messages.empty()) << "a run without failures shows nothing extra";
}

TEST(ResizeJob, OverwritingAsksAndFollowsTheAnswers) {
    struct Case {
        const char* what;
        std::vector<QString> answers;
        std::size_t questions;
        std::vector<bool> changed;
    };
    const Case cases[] = {
        {"Yes to all", {"IDC_YESTOALL"}, 1, {true, true, true}},
        {"No to all", {"IDC_NOTOALL"}, 1, {false, false, false}},
        {"No each time", {"IDC_NO", "IDC_NO", "IDC_NO"}, 3, {false, false, false}},
        {"Esc each time", {"ESC", "ESC", "ESC"}, 3, {false, false, false}},
        {"Yes, then No to all", {"IDC_YES", "IDC_NOTOALL"}, 2, {true, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = vtltest::MakeTempDir("overwrite");
        const std::vector<std::string> files = Pictures(dir, 3, 200, 100);
        ResizeSetting& s = ResetSettings(files);
        s.bOverwrite = 1;
        s.nWidth = s.nHeight = 50;
        // Another program's window is active when the question comes.
        QWidget other;
        other.setWindowTitle("other");
        other.show();
        other.activateWindow();
        Responder responder(c.answers);
        const Outcome run = RunProcess(PROCESS_RESIZE);
        EXPECT_EQ(run.code, plat::IDOK);
        ASSERT_EQ(responder.asked.size(), c.questions);
        EXPECT_EQ(responder.unscripted, 0u);
        EXPECT_EQ(responder.asked[0].file, files[0]);
        EXPECT_EQ(responder.asked[0].question, kOverwrite);
        EXPECT_EQ(responder.asked[0].focused, "IDC_YES");
        EXPECT_TRUE(responder.asked[0].defaultIsYes);
        EXPECT_TRUE(responder.asked[0].active) << "the question comes to the front";
        for (std::size_t i = 0; i < files.size(); ++i)
            EXPECT_EQ(Inspect(files[i]).width, c.changed[i] ? 100 : 200) << files[i];
        EXPECT_TRUE(responder.messages.empty()) << "a skipped file is not a failure";
        // Nothing but the sources is left in the folder: no temporary file survives.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
    }
}

TEST(ResizeJob, TwoSourcesMeetingInOneFolderAskForTheSecond) {
    const std::string dir = vtltest::MakeTempDir("meet");
    fs::create_directories(dir + "/a");
    fs::create_directories(dir + "/b");
    MakePicture(dir + "/a/x.jpg", 300, 200);
    MakePicture(dir + "/b/x.jpg", 400, 200);
    ResizeSetting& s = ResetSettings({dir + "/a/x.jpg", dir + "/b/x.jpg"});
    s.strDestFolder = dir + "/out";
    Responder responder({"IDC_NO"});
    EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
    ASSERT_EQ(responder.asked.size(), 1u);
    EXPECT_EQ(responder.asked[0].file, dir + "/out/x.jpg");
    EXPECT_EQ(Inspect(dir + "/out/x.jpg").width, 300) << "the first output stays";
}

TEST(ResizeJob, FolderTextsAreUsedAsTyped) {
    const std::string dir = vtltest::MakeTempDir("folders");
    fs::create_directories(dir + "/a");
    fs::create_directories(dir + "/b");
    MakePicture(dir + "/a/x.png", 60, 40);
    MakePicture(dir + "/b/y.png", 60, 40);
    struct Case {
        std::string dest;
        std::vector<std::string> outputs;
    };
    const Case cases[] = {
        {"./resize/", {dir + "/a/resize/x.png", dir + "/b/resize/y.png"}},
        {dir + "/out/", {dir + "/out/x.png", dir + "/out/y.png"}},
        {"", {dir + "/a/resize/x.png", dir + "/b/resize/y.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dest);
        fs::remove_all(dir + "/a/resize");
        fs::remove_all(dir + "/b/resize");
        ResizeSetting& s = ResetSettings({dir + "/a/x.png", dir + "/b/y.png"});
        s.strDestFolder = c.dest;
        Responder responder;
        EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
        for (const std::string& out : c.outputs)
            EXPECT_EQ(Inspect(out).width, 60) << out;
        EXPECT_TRUE(responder.messages.empty());
    }
}

TEST(ResizeJob, JpegTypeOverABitmapWithOverwriteKeepsTheNameAndWritesJpeg) {
    const std::string dir = vtltest::MakeTempDir("bmp");
    MakePicture(dir + "/pic.bmp", 64, 48);
    ASSERT_EQ(Inspect(dir + "/pic.bmp").magic.substr(0, 2), "BM");
    ResizeSetting& s = ResetSettings({dir + "/pic.bmp"});
    s.bOverwrite = 1;
    s.nImageType = 1;
    Responder responder({"IDC_YES"});
    EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
    EXPECT_EQ(Inspect(dir + "/pic.bmp").magic.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(Inspect(dir + "/pic.bmp").width, 64);
}

TEST(ResizeJob, QualityIsSetForJpegSourcesOnlyWhenTheTypeIsTheSources) {
    const std::string dir = vtltest::MakeTempDir("quality");
    MakePicture(dir + "/photo.jpg", 400, 300);
    MakePicture(dir + "/drawing.png", 400, 300);
    std::map<int, std::pair<std::string, std::string>> outputs;
    for (int quality : {5, 95}) {
        fs::remove_all(dir + "/resize");
        ResizeSetting& s = ResetSettings({dir + "/photo.jpg", dir + "/drawing.png"});
        s.nQuality = quality;
        Responder responder;
        ASSERT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
        outputs[quality] = {vtltest::ReadFile(dir + "/resize/photo.jpg"),
                            vtltest::ReadFile(dir + "/resize/drawing.png")};
    }
    EXPECT_LT(outputs[5].first.size() * 2, outputs[95].first.size());
    EXPECT_FALSE(outputs[5].second.empty());
    EXPECT_EQ(outputs[5].second, outputs[95].second);
}

TEST(ResizeJob, GifAsksBeforeReducingColoursOnlyAboveEightBits) {
    struct Case {
        const char* what;
        QString answer;
        bool colourWritten;
    };
    for (const Case& c : {Case{"yes", "IDC_YES", true}, Case{"no", "IDC_NO", false}}) {
        SCOPED_TRACE(c.what);
        const std::string dir = vtltest::MakeTempDir("gif");
        MakePicture(dir + "/colour.png", 80, 60);
        MakePicture(dir + "/grey.png", 80, 60, 72, true);
        ResizeSetting& s = ResetSettings({dir + "/colour.png", dir + "/grey.png"});
        s.nImageType = 3;
        Responder responder({c.answer});
        EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
        ASSERT_EQ(responder.asked.size(), 1u) << "the 8-bit picture is not asked about";
        EXPECT_EQ(responder.asked[0].question, kGif);
        EXPECT_EQ(responder.asked[0].file, dir + "/resize/colour.gif");
        EXPECT_EQ(fs::exists(dir + "/resize/colour.gif"), c.colourWritten);
        EXPECT_EQ(Inspect(dir + "/resize/grey.gif").magic.substr(0, 3), "GIF");
        EXPECT_TRUE(responder.messages.empty());
    }
}

TEST(ResizeJob, DesktopSizeFitsEachPictureToTheScreen) {
    const std::string dir = vtltest::MakeTempDir("desktop");
    MakePicture(dir + "/wide.jpg", 2000, 1000);
    MakePicture(dir + "/tall.jpg", 500, 1000);
    ResizeSetting& s = ResetSettings({dir + "/wide.jpg", dir + "/tall.jpg"});
    s.bDesktop = 1;
    const int sw = plat::GetSystemMetrics(plat::SM_CXSCREEN);
    const int sh = plat::GetSystemMetrics(plat::SM_CYSCREEN);
    ASSERT_GT(sw, 0);
    ASSERT_GT(sh, 0);
    ASSERT_LT(static_cast<double>(sw) / sh, 2.0);
    ASSERT_GT(static_cast<double>(sw) / sh, 0.5);
    Responder responder;
    EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
    EXPECT_EQ(Inspect(dir + "/resize/wide.jpg").width, sw);
    EXPECT_EQ(Inspect(dir + "/resize/wide.jpg").height, 1000 * sw / 2000);
    EXPECT_EQ(Inspect(dir + "/resize/tall.jpg").width, 500 * sh / 1000);
    EXPECT_EQ(Inspect(dir + "/resize/tall.jpg").height, sh);
}

TEST(ResizeJob, MailModeWritesIntoAPrivateFolderInInputOrder) {
    const std::string dir = vtltest::MakeTempDir("mail");
    fs::create_directories(dir + "/one");
    fs::create_directories(dir + "/two");
    MakePicture(dir + "/one/a.jpg", 120, 90);
    MakePicture(dir + "/two/a.jpg", 160, 90);
    MakePicture(dir + "/b.png", 50, 50);
    // An older file in the temporary folder with an output's name is never touched.
    vtltest::WriteFile(plat::GetTempPath() + "a.jpg", "not mine");
    ResetSettings({dir + "/one/a.jpg", dir + "/two/a.jpg", dir + "/b.png"});
    Responder responder;
    EXPECT_EQ(RunProcess(PROCESS_RESIZE, true).code, plat::IDOK);
    const std::vector<std::string>& mail = GetAppSetting()->m_listMailFiles;
    ASSERT_EQ(mail.size(), 3u);
    const std::string folder = plat::SplitPath(mail[0]).dir;
    EXPECT_EQ(folder.rfind(plat::GetTempPath(), 0), 0u);
    EXPECT_NE(folder, plat::GetTempPath());
    EXPECT_EQ(mail[0], folder + "a.jpg");
    EXPECT_EQ(mail[1], folder + "a (2).jpg");
    EXPECT_EQ(mail[2], folder + "b.png");
    EXPECT_EQ(Inspect(mail[0]).width, 120);
    EXPECT_EQ(Inspect(mail[1]).width, 160);
    EXPECT_EQ(vtltest::ReadFile(plat::GetTempPath() + "a.jpg"), "not mine");
    EXPECT_TRUE(responder.asked.empty());
    EXPECT_FALSE(fs::exists(dir + "/one/resize"));
}

TEST(ResizeJob, MailModeWithOverwriteRewritesTheSourcesAndCollectsNothing) {
    const std::string dir = vtltest::MakeTempDir("mailover");
    const std::vector<std::string> files = Pictures(dir, 2, 100, 100);
    ResizeSetting& s = ResetSettings(files);
    s.bOverwrite = 1;
    s.nWidth = s.nHeight = 50;
    Responder responder({"IDC_YESTOALL"});
    EXPECT_EQ(RunProcess(PROCESS_RESIZE, true).code, plat::IDOK);
    EXPECT_TRUE(GetAppSetting()->m_listMailFiles.empty());
    for (const std::string& file : files)
        EXPECT_EQ(Inspect(file).width, 50);
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = vtltest::MakeTempDir("read");
        std::vector<std::string> files;
        for (const Pic& p : c.pictures) {
            files.push_back(dir + "/" + p.name);
            MakePicture(files.back(), p.w, p.h, p.dpi);
        }
        ResetSettings(files);
        Responder responder;
        const Outcome run = RunProcess(PROCESS_READ);
        EXPECT_EQ(run.code, plat::IDOK);
        EXPECT_EQ(run.width, c.width);
        EXPECT_EQ(run.height, c.height);
        EXPECT_EQ(run.xdpi, c.xdpi);
        EXPECT_EQ(run.ydpi, c.ydpi);
        EXPECT_EQ(GetAppSetting()->m_bJpegInSelection, c.jpeg);
        EXPECT_EQ(run.status, MakeStatusLine("Reading", files.back()));
        EXPECT_FALSE(fs::exists(dir + "/resize")) << "reading writes nothing";
    }
}

TEST(ResizeJob, FailuresAreListedInOneMessageAndOthersAreWritten) {
    const std::string dir = vtltest::MakeTempDir("fail");
    MakePicture(dir + "/good.jpg", 80, 60);
    vtltest::WriteFile(dir + "/damaged.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "garbage");
    // A folder whose output path would not fit a 260-byte path: refused, not cut.
    std::string deep = dir;
    while (deep.size() < 250)
        deep += "/deeper";
    fs::create_directories(deep);
    MakePicture(deep + "/x.jpg", 20, 20);
    ResetSettings({dir + "/good.jpg", dir + "/damaged.jpg", deep + "/x.jpg"});
    {
        Responder responder;
        EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
        ASSERT_EQ(responder.messages.size(), 1u);
        EXPECT_EQ(responder.messages[0], "2 pictures could not be resized:\n" + dir +
                                             "/damaged.jpg\n" + deep + "/x.jpg");
    }
    EXPECT_EQ(Inspect(dir + "/resize/good.jpg").width, 80);
    EXPECT_FALSE(fs::exists(dir + "/resize/damaged.jpg"));
    EXPECT_FALSE(fs::exists(deep + "/resize"));

    // A destination folder that cannot be made.
    ResizeSetting& s = ResetSettings({dir + "/good.jpg"});
    s.strDestFolder = "/proc/vtl-no-such-folder";
    Responder responder;
    EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0], "1 picture could not be resized:\n" + dir + "/good.jpg");
}

TEST(ResizeJob, AFailedSaveOverASourceLeavesItIntact) {
    const std::string dir = vtltest::MakeTempDir("fullsave");
    MakePicture(dir + "/big.png", 600, 400);
    MakePicture(dir + "/small.png", 4, 4);
    const std::string before = vtltest::ReadFile(dir + "/big.png");
    ASSERT_GT(before.size(), 20000u);
    ResizeSetting& s = ResetSettings({dir + "/big.png", dir + "/small.png"});
    s.bOverwrite = 1;
    s.bRotate = 1; // rotated, the big picture must be written anew
    // The file system refuses to store more than 4 KB in one file, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    Responder responder({"IDC_YESTOALL"});
    const Outcome run = RunProcess(PROCESS_RESIZE);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(run.code, plat::IDOK);
    EXPECT_EQ(vtltest::ReadFile(dir + "/big.png"), before) << "byte for byte as it was";
    EXPECT_EQ(Inspect(dir + "/small.png").width, 4);
    ASSERT_EQ(responder.messages.size(), 1u);
    EXPECT_EQ(responder.messages[0], "1 picture could not be resized:\n" + dir + "/big.png");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
}

TEST(ResizeJob, CancelEndsAtOnceAndNothingIsWrittenAfterTheCurrentFiles) {
    const std::string dir = vtltest::MakeTempDir("cancel");
    MakePicture(dir + "/p0.jpg", 1600, 1200);
    std::vector<std::string> files{dir + "/p0.jpg"};
    for (int i = 1; i < 50; ++i) {
        files.push_back(dir + "/p" + std::to_string(i) + ".jpg");
        fs::copy_file(files[0], files.back());
    }
    ResetSettings(files);
    Responder responder;
    const Outcome run = RunProcess(PROCESS_RESIZE, false, [](CDlgProcess& dialog, int position) {
        if (position == 5)
            QTest::mouseClick(dialog.findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton);
    });
    EXPECT_EQ(run.code, plat::IDCANCEL);
    auto written = [&] {
        std::vector<int> indexes;
        for (int i = 0; i < 50; ++i)
            if (fs::exists(dir + "/resize/p" + std::to_string(i) + ".jpg"))
                indexes.push_back(i);
        return indexes;
    };
    const std::vector<int> atReturn = written();
    EXPECT_LT(atReturn.size(), 10u);
    for (std::size_t i = 0; i < atReturn.size(); ++i)
        EXPECT_EQ(atReturn[i], static_cast<int>(i)) << "files are done in order";
    QTest::qWait(300);
    EXPECT_EQ(written(), atReturn) << "nothing is written after the dialog returned";
    EXPECT_TRUE(responder.messages.empty());
}

TEST(ResizeJob, AQuestionOpenWhenTheRunIsCancelledCountsAsNo) {
    const std::string dir = vtltest::MakeTempDir("cancelask");
    const std::vector<std::string> files = Pictures(dir, 2, 100, 80);
    ResizeSetting& s = ResetSettings(files);
    s.bOverwrite = 1;
    s.nWidth = 50;
    bool questionClosed = false;
    vtltest::OnNextModal(
        [&](QWidget* question) {
            QTimer::singleShot(20, question, [&, question] {
                // The close box of the progress dialog behind the question.
                question->parentWidget()->close();
                questionClosed = !question->isVisible();
            });
        },
        "Vantrel Confirm");
    const Outcome run = RunProcess(PROCESS_RESIZE);
    EXPECT_EQ(run.code, plat::IDCANCEL);
    EXPECT_TRUE(questionClosed);
    for (const std::string& file : files)
        EXPECT_EQ(Inspect(file).width, 100);
}

} // namespace
