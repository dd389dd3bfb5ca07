// The progress and confirmation dialogs carrying real runs offscreen: what the person sees of
// a run, the questions answered by clicking, Cancel and the close box at any moment.
#include "app/batch/DlgProcess.h"
#include "app/batch/RunNotice.h"
#include "platform/Paths.h"
#include "tests/batch/BatchTestSupport.h"
#include "tests/support/Pictures.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

namespace fs = std::filesystem;
using namespace vtltest;

struct Outcome {
    int code = 0;
    std::vector<int> positions; // every position the bar took, in order
    int maximum = -1;
};

// Calls `polished` with each child of the object it filters as the child is made ready to be
// shown.
struct PolishWatch : QObject {
    explicit PolishWatch(std::function<void(QObject*)> polished) : polished(std::move(polished)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ChildPolished)
            polished(static_cast<QChildEvent*>(event)->child());
        return false;
    }
    std::function<void(QObject*)> polished;
};

// Runs a CDlgProcess over the resize pass; Cancel is clicked when the bar reaches `cancelAt`.
Outcome RunProcess(bool mail = false, int cancelAt = -1) {
    Outcome run;
    CDlgProcess dialog;
    dialog.m_nMode = PROCESS_RESIZE, dialog.m_bMail = mail;
    // The window is made once the pass has started; its bar is watched from before it shows.
    QProgressBar* bar = nullptr;
    PolishWatch watch([&](QObject* child) {
        if (bar || child->objectName() != "IDC_PROGRESS")
            return;
        bar = qobject_cast<QProgressBar*>(child);
        QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
            run.positions.push_back(value);
            if (value == cancelAt)
                QTest::mouseClick(dialog.findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton);
        });
    });
    dialog.installEventFilter(&watch);
    run.code = dialog.DoModal();
    run.maximum = bar->maximum();
    return run;
}

// Each question comes to the front with "Yes" ready, even over another program's window; the
// answers steer the run; the pictures that failed are listed in one message. The bar steps
// from 0 to N-1, never to N.
TEST(ProcessDialog, QuestionsAreAnsweredInTheDialogAndFailuresListedInOneMessage) {
    const std::string dir = MakeTempDir("ask");
    WriteFile(dir + "/damaged.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "garbage");
    std::vector<std::string> files = MakePictures(dir, 2, 80, 60);
    files.insert(files.begin(), dir + "/damaged.jpg");
    ResizeSetting& s = Reset(files);
    s.bOverwrite = 1, s.nWidth = s.nHeight = 50;
    QWidget other;
    other.show();
    other.activateWindow();
    std::vector<std::string> seen; // the file of each question, the text of each message
    const auto person = OnEveryModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.push_back(box->text().toStdString());
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        } else if (modal->windowTitle() == "Vantrel Confirm") {
            QTimer::singleShot(20, modal, [&, modal] { // as a person looks before answering
                EXPECT_EQ(QApplication::activeWindow(), modal);
                EXPECT_EQ(modal->focusWidget()->objectName(), "IDC_YES");
                EXPECT_TRUE(modal->findChild<QPushButton*>("IDC_YES")->isDefault());
                seen.push_back(TextOfNamed(modal, "IDC_TEXT").toStdString());
                ClickNamed(modal, seen.size() == 1 ? "IDC_YES" : "IDC_NOTOALL");
            });
        }
    });
    const Outcome run = RunProcess();
    EXPECT_EQ(std::tuple(run.code, run.maximum, run.positions),
              std::tuple(int(plat::IDOK), 3, std::vector<int>{1, 2}));
    EXPECT_EQ(seen, (std::vector<std::string>{files[0], files[1],
                                              "1 picture could not be resized:\n" + files[0]}));
    EXPECT_EQ(std::pair(Inspect(files[1]).width, Inspect(files[2]).width), std::pair(80, 80));
}

// A run in which a picture failed ends with a notice on the desktop, over a bus of the test's
// own; where no notification service is on the bus, or no bus at all, nothing is shown and
// nothing waits.
TEST(ProcessDialog, ARunWithAFailureTellsTheDesktop) {
    const struct {
        const char* bus; // "": no bus at all
        const char* person;
        bool told;
    } cases[] = {
        {"notices", "open", true},
        {"no service", "", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.bus) + " " + c.person);
        std::optional<PrivateBus> bus;
        if (*c.bus)
            bus.emplace("", c.person);
        const std::string dir = MakeTempDir("told");
        std::vector<std::string> files = MakePictures(dir, 1, 80, 60);
        WriteFile(dir + "/bad.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "junk");
        files.push_back(dir + "/bad.jpg");
        Reset(files);
        // The folder the person opens from a notice.
        std::vector<std::string> opened;
        QTextBrowser browser;
        QDesktopServices::setUrlHandler("file", &browser, "setSource");
        QObject::connect(&browser, &QTextBrowser::sourceChanged, [&](const QUrl& url) {
            opened.push_back(url.toLocalFile().toStdString());
        });
        const auto person = OnEveryModal([](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(RunProcess().code, plat::IDOK);
        WaitForRunNotices();
        QDesktopServices::unsetUrlHandler("file");
        EXPECT_LT(clock.elapsed(), 2500) << "nothing waits for a notice that is not shown";
        // One notice when told, and the folder the person opened from it.
        using Texts = std::vector<std::string>;
        const Texts notice = {"1 picture could not be resized",
                              "1 picture resized into " + dir + "/resize\n" + dir + "/bad.jpg",
                              "default\nOpen folder\nopen\nOpen folder"};
        EXPECT_EQ(bus ? bus->Notices() : std::vector<Texts>{}, std::vector<Texts>(c.told, notice));
        EXPECT_EQ(opened, Texts(c.told, dir + "/resize"));
    }
}

TEST(ProcessDialog, CancelEndsAtOnceAndNothingIsWrittenAfterTheCurrentFiles) {
    const std::string dir = MakeTempDir("cancel");
    Reset(MakePictures(dir, 50, 1600, 1200));
    const Outcome run = RunProcess(false, 5);
    EXPECT_EQ(run.code, plat::IDCANCEL);
    const std::set<std::string> atReturn = FolderNames(dir + "/resize");
    // Pictures start in list order, two at a time, and the next starts when either is done: the
    // files written are the first of the list but for the picture dropped in flight at most.
    std::set<std::string> first;
    for (std::size_t i = 0; i <= atReturn.size(); ++i)
        first.insert("p" + std::to_string(i) + ".jpg");
    EXPECT_LT(atReturn.size(), 10u);
    EXPECT_TRUE(std::includes(first.begin(), first.end(), atReturn.begin(), atReturn.end()))
        << "files are started in order and no temporary file is left";
    QTest::qWait(300);
    EXPECT_EQ(FolderNames(dir + "/resize"), atReturn)
        << "nothing is written after the dialog returned";
}

TEST(ProcessDialog, AQuestionOpenWhenTheRunIsCancelledCountsAsNo) {
    const std::vector<std::string> files = MakePictures(MakeTempDir("cancelask"), 2, 100, 80);
    ResizeSetting& s = Reset(files);
    s.bOverwrite = 1, s.nWidth = 50;
    bool questionClosed = false;
    OnNextModal(
        [&](QWidget* question) {
            QTimer::singleShot(20, question, [&, question] {
                question->parentWidget()->close(); // the close box of the progress dialog
                questionClosed = !question->isVisible();
            });
        },
        "Vantrel Confirm");
    EXPECT_EQ(RunProcess().code, plat::IDCANCEL);
    EXPECT_TRUE(questionClosed);
    EXPECT_EQ(Inspect(files[0]).width, 100);
}

// "Resize and mail": a finished run keeps its copies for the mail, in a private folder and
// under distinct names; a cancelled one takes them away with their folder.
TEST(ProcessDialog, ResizeAndMailKeepsItsCopiesOnlyForTheMail) {
    const std::string dir = MakeTempDir("mail");
    fs::create_directories(dir + "/two");
    const std::vector<std::string> files = MakePictures(dir, 20, 1600, 1200);
    fs::copy_file(files[0], dir + "/two/p0.jpg");
    WriteFile(plat::GetTempPath() + "p0.jpg", "not mine");
    for (const bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "finished");
        Reset(cancelled ? files : std::vector<std::string>{files[0], dir + "/two/p0.jpg"});
        const Outcome run = RunProcess(true, cancelled ? 3 : -1);
        EXPECT_EQ(run.code, cancelled ? plat::IDCANCEL : plat::IDOK);
        const std::vector<std::string>& mail = GetAppSetting()->m_listMailFiles;
        const std::string folder = mail.empty() ? "" : plat::SplitPath(mail[0]).dir;
        const std::vector<std::string> kept = {folder + "p0.jpg", folder + "p0 (2).jpg"};
        EXPECT_EQ(mail, cancelled ? std::vector<std::string>() : kept);
        for (const std::string& copy : mail)
            EXPECT_EQ(Inspect(copy).width, 1600);
        int folders = 0;
        for (const auto& entry : fs::directory_iterator(plat::GetTempPath()))
            folders += entry.is_directory() && fs::perms::owner_all == entry.status().permissions();
        EXPECT_EQ(folders, cancelled ? 0 : 1) << "the run's own folder, the user's alone";
        EXPECT_EQ(ReadFile(plat::GetTempPath() + "p0.jpg"), "not mine");
        if (!folder.empty())
            fs::remove_all(folder);
    }
}

} // namespace
