// The progress and confirmation dialogs carrying real runs offscreen: what the person sees of
// a run, the questions answered by clicking, Cancel and the close box at any moment.
#include "app/batch/DlgConfirm.h"
#include "app/batch/DlgProcess.h"
#include "app/batch/ResizeRules.h"
#include "app/core/AppSetting.h"
#include "platform/Paths.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using vtltest::Inspect;
using vtltest::MakePicture;

std::vector<std::string> Pictures(const std::string& dir, int count, int w, int h) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back(MakePicture(dir + "/p" + std::to_string(i) + ".jpg", w, h));
    return paths;
}

ResizeSetting& Reset(const std::vector<std::string>& files) {
    CAppSetting* app = GetAppSetting();
    app->m_resize = ResizeSetting{};
    app->m_listFiles = files;
    app->m_listMailFiles.clear();
    return app->m_resize;
}

// Answers every question with the next scripted button (No once the script is used up) and
// reads and closes every message box, keeping what each showed.
struct Person {
    explicit Person(std::vector<QString> buttons = {})
        : watcher(vtltest::OnEveryModal([this, buttons](QWidget* modal) {
              if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                  seen.push_back(box->text().toStdString());
                  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                  return;
              }
              if (modal->windowTitle() != "Vantrel Confirm")
                  return;
              seen.push_back(vtltest::TextOfNamed(modal, "IDC_TEXT").toStdString());
              const std::size_t next = seen.size() - 1;
              vtltest::ClickNamed(modal, next < buttons.size() ? buttons[next] : "IDC_NO");
          })) {}
    std::vector<std::string> seen; // the file of each question, the text of each message
    std::unique_ptr<QTimer> watcher;
};

struct Outcome {
    int code = 0;
    std::vector<int> positions; // every position the bar took, in order
    int maximum = -1;
    std::string caption;
    std::string status;
};

Outcome RunProcess(std::int32_t mode, bool mail = false,
                   const std::function<void(CDlgProcess&, int)>& onStep = {}) {
    Outcome run;
    CDlgProcess dialog;
    dialog.m_nMode = mode;
    dialog.m_bMail = mail ? 1 : 0;
    auto* bar = dialog.findChild<QProgressBar*>("IDC_PROGRESS");
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        run.positions.push_back(value);
        if (onStep)
            onStep(dialog, value);
    });
    run.code = dialog.DoModal();
    run.maximum = bar->maximum();
    run.caption = dialog.windowTitle().toStdString();
    run.status = dialog.findChild<QLabel*>("IDC_TEXT")->text().toStdString();
    return run;
}

TEST(ProcessDialog, TheBarStepsThroughTheFilesAndTheRunEndsTheDialog) {
    const std::string dir = vtltest::MakeTempDir("steps");
    const std::vector<std::string> three = Pictures(dir, 3, 100, 80);
    struct Case {
        std::int32_t mode;
        std::size_t files;
        const char* caption;
    };
    const Case cases[] = {{PROCESS_RESIZE, 3, "Resizing Pictures"},
                          {PROCESS_READ, 3, "Reading Pictures Information"},
                          {PROCESS_RESIZE, 0, "Resizing Pictures"},
                          {PROCESS_READ, 0, "Reading Pictures Information"},
                          {7, 3, "Process"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + std::to_string(c.files));
        Reset({three.begin(), three.begin() + static_cast<long>(c.files)});
        // Another mode runs nothing: only Cancel ends it.
        QTimer* cancel = c.mode == 7 ? vtltest::OnNextModal([](QWidget* dialog) {
            QTimer::singleShot(100, dialog, [dialog] { vtltest::ClickNamed(dialog, "IDCANCEL"); });
        })
                                     : nullptr;
        const Outcome run = RunProcess(c.mode);
        EXPECT_EQ(run.code, cancel ? plat::IDCANCEL : plat::IDOK);
        EXPECT_EQ(run.caption, c.caption);
        EXPECT_EQ(run.maximum, static_cast<int>(c.files));
        const bool ran = c.files && !cancel;
        EXPECT_EQ(run.positions, (ran ? std::vector<int>{1, 2} : std::vector<int>()))
            << "from 0 to N-1, never N";
        if (ran) {
            EXPECT_EQ(run.status, MakeStatusLine(c.mode == PROCESS_READ ? "Reading" : "Resizing",
                                                 three.back()));
        }
    }
}

TEST(ConfirmDialog, EachAnswerGivesItsCodeWithYesReadyAtTheFront) {
    const std::pair<QString, int> answers[] = {{"IDC_YESTOALL", CONFIRM_YESTOALL},
                                               {"IDC_YES", CONFIRM_YES},
                                               {"IDC_NO", CONFIRM_NO},
                                               {"IDC_NOTOALL", CONFIRM_NOTOALL},
                                               {"Esc", CONFIRM_NONE}};
    for (const auto& [button, code] : answers) {
        SCOPED_TRACE(button.toStdString());
        // Another program's window is active when the question comes.
        QWidget other;
        other.show();
        other.activateWindow();
        CDlgConfirm question(nullptr, "/p/a.jpg");
        question.m_strQuestion = "Do you want to overwrite this file?";
        vtltest::OnNextModal([&, button = button](QWidget* modal) {
            QTimer::singleShot(20, modal, [&, button, modal] {
                EXPECT_EQ(QApplication::activeWindow(), modal);
                EXPECT_EQ(modal->focusWidget()->objectName(), "IDC_YES");
                EXPECT_TRUE(modal->findChild<QPushButton*>("IDC_YES")->isDefault());
                EXPECT_EQ(vtltest::TextOfNamed(modal, "IDC_TEXT"), "/p/a.jpg");
                EXPECT_EQ(vtltest::TextOfNamed(modal, "IDC_QUESTION"),
                          question.m_strQuestion.c_str());
                if (button == "Esc")
                    QTest::keyClick(modal, Qt::Key_Escape);
                else
                    vtltest::ClickNamed(modal, button);
            });
        });
        question.DoModal();
        EXPECT_EQ(question.m_nResult, code);
    }
}

TEST(ProcessDialog, QuestionsAreAnsweredInTheDialogAndFailuresListedInOneMessage) {
    const std::string dir = vtltest::MakeTempDir("fail");
    const std::string good = MakePicture(dir + "/good.jpg", 80, 60);
    vtltest::WriteFile(dir + "/damaged.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "garbage");
    ResizeSetting& s = Reset({good, dir + "/damaged.jpg"});
    s.bOverwrite = 1;
    s.nWidth = s.nHeight = 50;
    Person person({"IDC_YES", "IDC_YES"});
    EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDOK);
    EXPECT_EQ(person.seen, (std::vector<std::string>{good, dir + "/damaged.jpg",
                                                     "1 picture could not be resized:\n" + dir +
                                                         "/damaged.jpg"}));
    EXPECT_EQ(Inspect(good).width, 40);
}

TEST(ProcessDialog, CancelEndsAtOnceAndNothingIsWrittenAfterTheCurrentFiles) {
    const std::string dir = vtltest::MakeTempDir("cancel");
    std::vector<std::string> files{MakePicture(dir + "/p0.jpg", 1600, 1200)};
    for (int i = 1; i < 50; ++i) {
        files.push_back(dir + "/p" + std::to_string(i) + ".jpg");
        fs::copy_file(files[0], files.back());
    }
    Reset(files);
    Person person;
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
    EXPECT_EQ(std::distance(fs::directory_iterator(dir + "/resize"), {}),
              static_cast<long>(atReturn.size()))
        << "no temporary file is left";
    EXPECT_TRUE(person.seen.empty());
}

TEST(ProcessDialog, AQuestionOpenWhenTheRunIsCancelledCountsAsNo) {
    const std::string dir = vtltest::MakeTempDir("cancelask");
    const std::vector<std::string> files = Pictures(dir, 2, 100, 80);
    ResizeSetting& s = Reset(files);
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
    EXPECT_EQ(RunProcess(PROCESS_RESIZE).code, plat::IDCANCEL);
    EXPECT_TRUE(questionClosed);
    for (const std::string& file : files)
        EXPECT_EQ(Inspect(file).width, 100);
}

// "Resize and mail": a finished run leaves its copies for the mail; a cancelled one takes
// them away with its private folder, since no mail will follow.
TEST(ProcessDialog, ResizeAndMailKeepsItsCopiesOnlyForTheMail) {
    const std::string dir = vtltest::MakeTempDir("mail");
    std::vector<std::string> files = Pictures(dir, 1, 1600, 1200);
    for (int i = 1; i < 20; ++i) {
        files.push_back(dir + "/p" + std::to_string(i) + ".jpg");
        fs::copy_file(files[0], files.back());
    }
    for (const bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled ? "cancelled" : "finished");
        Reset(cancelled ? files : std::vector<std::string>(files.begin(), files.begin() + 2));
        const Outcome run =
            RunProcess(PROCESS_RESIZE, true, [&](CDlgProcess& dialog, int position) {
                if (cancelled && position == 3)
                    QTest::mouseClick(dialog.findChild<QPushButton*>("IDCANCEL"), Qt::LeftButton);
            });
        EXPECT_EQ(run.code, cancelled ? plat::IDCANCEL : plat::IDOK);
        const std::vector<std::string>& mail = GetAppSetting()->m_listMailFiles;
        EXPECT_EQ(mail.size(), cancelled ? 0u : 2u);
        for (const std::string& copy : mail)
            EXPECT_EQ(Inspect(copy).width, 1600);
        int folders = 0;
        for (const auto& entry : fs::directory_iterator(plat::GetTempPath()))
            if (entry.path().filename().string().rfind("vtl-mail-", 0) == 0 && ++folders)
                fs::remove_all(entry.path());
        EXPECT_EQ(folders, cancelled ? 0 : 1);
    }
}

} // namespace
