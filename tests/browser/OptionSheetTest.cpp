// The options sheet driven offscreen as a person would: clicking tabs, check boxes, radio
// buttons and the sheet's buttons, typing and pasting into the mail texts, and reading the
// enabled states, the Apply button and the settings back.
#include "app/browser/DlgOptionSheet.h"
#include "app/browser/FileListView.h"
#include "app/core/AppSetting.h"
#include "app/core/UserData.h"
#include "platform/ui/Wnd.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

#include <array>
#include <filesystem>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;
using plat::IDCANCEL;
using plat::IDOK;

// The five menu flags as "1"/"0", in the page's order: "Vantrel", "Resize", "Resize as
// default setting", "Resize and mail", and the mail mode ("Resize as default setting and mail").
std::array<std::int32_t*, 5> Flags() {
    CAppSetting* s = GetAppSetting();
    return {&s->m_bExtVantrel, &s->m_bExtResize, &s->m_bExtResizeAsDefaultSetting,
            &s->m_bExtResizeAndMail, &s->m_bExtResizeDefaultAndMail};
}

std::string StoredFlags() {
    std::string flags;
    for (const std::int32_t* flag : Flags())
        flags += *flag ? '1' : '0';
    return flags;
}

void Store(const std::string& flags, const char* subject = "", const char* body = "") {
    for (std::size_t i = 0; i < flags.size(); ++i)
        *Flags()[i] = flags[i] == '1';
    CAppSetting* s = GetAppSetting();
    CopyTextCut(s->m_szMailSubject, sizeof s->m_szMailSubject, subject);
    CopyTextCut(s->m_szMailBody, sizeof s->m_szMailBody, body);
}

QWidget* Named(QWidget* sheet, const char* name) {
    return sheet->findChild<QWidget*>(QString::fromLatin1(name));
}

// A click hit-tested from the window down, where a person clicks: a push button in its
// middle, a check box or radio button on its box, an edit near its start.
void ClickAt(QWidget* widget, QPoint local) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), local));
}

void Click(QWidget* sheet, const char* name) {
    QWidget* control = Named(sheet, name);
    const int h = control->height() / 2;
    ClickAt(control, qobject_cast<QPushButton*>(control) ? control->rect().center() : QPoint(h, h));
}

void ClickTab(QWidget* sheet, const char* text) {
    QTabBar* bar = sheet->findChild<QTabWidget*>()->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == QString::fromLatin1(text))
            ClickAt(bar, bar->tabRect(i).center());
}

// Clicks into the edit and puts the cursor at the end of its text.
QWidget* FocusEnd(QWidget* sheet, const char* name) {
    QWidget* edit = Named(sheet, name);
    ClickAt(edit, QPoint(8, 8));
    const bool lines = qobject_cast<QPlainTextEdit*>(edit) != nullptr;
    QTest::keyClick(edit, Qt::Key_End, lines ? Qt::ControlModifier : Qt::NoModifier);
    return edit;
}

// Types `text` key by key, each character as the text of its key press ("\r" is Return).
void TypeInto(QWidget* sheet, const char* name, const QString& text) {
    QWidget* edit = FocusEnd(sheet, name);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() ? 2 : 1;
        if (text[i] == '\r')
            QTest::keyClick(edit, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text.mid(i, length), {});
        i += length - 1;
    }
}

void PasteInto(QWidget* sheet, const char* name, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(FocusEnd(sheet, name), Qt::Key_V, Qt::ControlModifier);
}

// The enabled states of the five controls under "Vantrel".
std::string EnabledBelowVantrel(QWidget* sheet) {
    std::string states;
    for (const char* name : {"IDC_MENU_RESIZE", "IDC_MENU_RESIZE_DEFAULT", "IDC_MENU_RESIZE_MAIL",
                             "IDC_MENU_MAIL_DEFAULT", "IDC_MENU_MAIL_DIALOG"})
        states += Named(sheet, name)->isEnabled() ? '1' : '0';
    return states;
}

// Runs the sheet as the Option command does, with `steps` done by the person once it is up.
int RunSheet(const std::function<void(QWidget*)>& steps) {
    CDlgOptionSheet sheet("Option...", nullptr, 0);
    vtltest::OnNextModal(steps);
    return sheet.DoModal();
}

// One person's session: the sheet as it opens, the master and mail rules, when Apply is
// available, that Apply hands on only the pages that were shown, and that Cancel after Apply
// keeps the applied values in memory without writing them.
TEST(OptionSheet, RulesFollowTheClicks) {
    enum Act { Look, Press, Tab, Type };
    struct Step {
        const char* what;
        Act act;
        const char* target;
        const char* enabled; // the five controls under "Vantrel"; "" while the page is unseen
        bool apply;          // the Apply button
        const char* stored;  // the five flags in the settings
    };
    const Step steps[] = {
        {"the sheet opens on the mail page", Look, "", "", false, "11001"},
        {"typing a subject marks the page", Type, "IDC_MAIL_SUBJECT", "", true, "11001"},
        {"Apply hands on the subject, and nothing of the unseen page", Press, "ID_APPLY_NOW", "",
         false, "11001"},
        {"the menu page marks itself as it opens; no mail mode without Resize and mail", Tab,
         "Menu Context", "11100", true, "11001"},
        {"Resize and mail enables its modes", Press, "IDC_MENU_RESIZE_MAIL", "11111", true,
         "11001"},
        {"the resize dialog then mail", Press, "IDC_MENU_MAIL_DIALOG", "11111", true, "11001"},
        {"without Vantrel nothing below it", Press, "IDC_MENU_VANTREL", "00000", true, "11001"},
        {"Vantrel again, with Resize and mail", Press, "IDC_MENU_VANTREL", "11111", true, "11001"},
        {"clearing Resize and mail", Press, "IDC_MENU_RESIZE_MAIL", "11100", true, "11001"},
        {"Vantrel off", Press, "IDC_MENU_VANTREL", "00000", true, "11001"},
        {"Vantrel on, without Resize and mail", Press, "IDC_MENU_VANTREL", "11100", true, "11001"},
        {"Apply hands on the five choices", Press, "ID_APPLY_NOW", "11100", false, "11000"},
        {"Resize as default setting marks the page", Press, "IDC_MENU_RESIZE_DEFAULT", "11100",
         true, "11000"},
        {"back on the mail page Apply stays available", Tab, "Mail", "11100", true, "11000"},
    };
    Store("11001");
    const std::string userDataBefore = vtltest::ReadFile(CAppSetting::UserDataPath());
    const CAppSetting onDiskBefore;

    const int result = RunSheet([&](QWidget* sheet) {
        EXPECT_EQ(sheet->windowTitle(), "Option...");
        QStringList buttons;
        for (auto* b : sheet->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
            buttons << b->text();
        EXPECT_EQ(buttons, QStringList({"OK", "Cancel", "Apply"})); // no Help
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_LE((sheet->geometry().center() - screen.center()).manhattanLength(), 4);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            if (step.act == Press)
                Click(sheet, step.target);
            else if (step.act == Tab)
                ClickTab(sheet, step.target);
            else if (step.act == Type)
                TypeInto(sheet, step.target, QStringLiteral("Hi %F"));
            if (*step.enabled) {
                EXPECT_EQ(EnabledBelowVantrel(sheet), step.enabled);
            }
            EXPECT_EQ(Named(sheet, "ID_APPLY_NOW")->isEnabled(), step.apply);
            EXPECT_EQ(StoredFlags(), step.stored);
        }
        Click(sheet, "IDCANCEL");
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(StoredFlags(), "11000");
    EXPECT_STREQ(GetAppSetting()->m_szMailSubject, "Hi %F");
    // Nothing reached the disk.
    EXPECT_EQ(vtltest::ReadFile(CAppSetting::UserDataPath()), userDataBefore);
    const CAppSetting onDisk;
    EXPECT_EQ(onDisk.m_bExtResizeDefaultAndMail, onDiskBefore.m_bExtResizeDefaultAndMail);
    EXPECT_STREQ(onDisk.m_szMailSubject, onDiskBefore.m_szMailSubject);
}

// Each edit takes what its field in the settings holds, counted in UTF-8 bytes, and cuts a
// paste between characters; what the user sees is what Apply stores.
TEST(OptionSheet, MailTextsStopAtTheirFieldSize) {
    const QString e = QString::fromUtf8("\xc3\xa9");             // 2 bytes
    const QString smile = QString::fromUtf8("\xf0\x9f\x98\x80"); // 4 bytes, 2 UTF-16 units
    const QString euro = QString::fromUtf8("\xe2\x82\xac");      // 3 bytes
    struct Case {
        const char* edit;
        QString pasted, typed, shown;
    };
    const Case cases[] = {
        {"IDC_MAIL_SUBJECT", e.repeated(150), "ab", e.repeated(99) + "a"},
        {"IDC_MAIL_SUBJECT", smile.repeated(60), smile, smile.repeated(49)},
        {"IDC_MAIL_SUBJECT", QString(199, 'x'), "y", QString(199, 'x')},
        {"IDC_MAIL_BODY", e.repeated(2600), "xy", e.repeated(2499) + "x"},
        {"IDC_MAIL_BODY", QString(4997, 'x'), euro, QString(4997, 'x')},
        {"IDC_MAIL_BODY", "Hello,", "\rhere", "Hello,\nhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.left(20).toStdString());
        Store("11111");
        RunSheet([&](QWidget* sheet) {
            PasteInto(sheet, c.edit, c.pasted);
            TypeInto(sheet, c.edit, c.typed);
            EXPECT_EQ(plat::GetWindowText(Named(sheet, c.edit)), c.shown.toStdString());
            Click(sheet, "ID_APPLY_NOW");
            Click(sheet, "IDCANCEL");
        });
        const CAppSetting* s = GetAppSetting();
        const bool subject = c.edit == std::string("IDC_MAIL_SUBJECT");
        EXPECT_EQ(std::string(subject ? s->m_szMailSubject : s->m_szMailBody),
                  c.shown.toStdString());
    }
}

// The Option command's OK stores the five flags in the registry and the subject and body in
// user.dat beside the program, and says so when user.dat cannot be written. So that user.dat is
// a file of its own, this runs in a copy of this test program in a folder of its own.
constexpr const char* kChildVariable = "VTL_OPTION_SHEET_SAVE_CHILD";

void OptionWithOk(const std::function<void()>& beforeOk) {
    Store("11111");
    CFileListView list(nullptr);
    vtltest::OnNextModal([&](QWidget* sheet) {
        TypeInto(sheet, "IDC_MAIL_SUBJECT", QStringLiteral("Pictures %F"));
        TypeInto(sheet, "IDC_MAIL_BODY", QStringLiteral("Hello,\rhere they are."));
        ClickTab(sheet, "Menu Context");
        Click(sheet, "IDC_MENU_RESIZE_DEFAULT");
        Click(sheet, "IDC_MENU_MAIL_DIALOG");
        beforeOk();
        Click(sheet, "IDOK");
    });
    list.OnOption();
}

void SaveThroughOk() {
    const std::string userData = CAppSetting::UserDataPath();
    fs::create_directory(userData); // a folder in its place: it cannot be replaced
    QString told;
    OptionWithOk([&] {
        vtltest::OnNextModal([&](QWidget* box) {
            for (auto* label : box->findChildren<QLabel*>())
                told += label->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
    });
    EXPECT_TRUE(told.contains(QString::fromStdString(userData))) << told.toStdString();
    fs::remove(userData);

    OptionWithOk([] {});
    const CAppSetting loaded;
    EXPECT_EQ(loaded.m_bExtVantrel + loaded.m_bExtResize + loaded.m_bExtResizeAndMail, 3);
    EXPECT_EQ(loaded.m_bExtResizeAsDefaultSetting + loaded.m_bExtResizeDefaultAndMail, 0);
    EXPECT_STREQ(loaded.m_szMailSubject, "Pictures %F");
}

TEST(OptionSheet, OkStoresFlagsAndUserData) {
    if (std::getenv(kChildVariable)) {
        SaveThroughOk();
        return;
    }
    const std::string folder = vtltest::MakeTempDir("beside-the-program");
    fs::copy_file("/proc/self/exe", folder + "/option_sheet_tests");
    const vtltest::ProgramRun run = vtltest::RunProgram(
        folder + "/option_sheet_tests", {"--gtest_filter=OptionSheet.OkStoresFlagsAndUserData"},
        {{kChildVariable, "1"}});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
    const std::string record = vtltest::ReadFile(folder + "/user.dat");
    ASSERT_EQ(record.size(), USERDATA_FILE_SIZE);
    EXPECT_STREQ(record.c_str(), "Pictures %F");
    EXPECT_STREQ(record.c_str() + USERDATA_SUBJECT_SIZE, "Hello,\nhere they are.");
}

// Both pages as the user sees them, for a person to look at.
TEST(OptionSheet, ScreenshotsOfBothPages) {
    Store("11101", "Pictures: %F", "Hello,\n\nhere are the pictures I promised.\n\nBest regards");
    const QString folder = QStringLiteral(VTL_BIN_DIR "/../artifacts/");
    QDir().mkpath(folder);
    for (const char* name : {"option_mail.png", "option_menu.png"})
        QFile::remove(folder + name);
    RunSheet([&](QWidget* sheet) {
        EXPECT_TRUE(sheet->grab().save(folder + "option_mail.png"));
        ClickTab(sheet, "Menu Context");
        EXPECT_TRUE(sheet->grab().save(folder + "option_menu.png"));
        Click(sheet, "IDCANCEL");
    });
}

} // namespace
