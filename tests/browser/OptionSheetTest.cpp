// The options sheet driven offscreen as a person would: clicking tabs, check boxes, radio
// buttons and the sheet's buttons, typing and pasting into the mail texts, and reading the
// enabled states, the Apply button and the settings back.
#include "app/browser/DlgOptionSheet.h"
#include "app/model/AppSetting.h"
#include "app/model/UserData.h"
#include "platform/ui/Wnd.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// The five menu flags as "1"/"0" in the page's order: "Vantrel", "Resize", "Resize as default
// setting", "Resize and mail", and the mail mode ("Resize as default setting and mail"). Given
// `set`, these are stored first and the mail subject and body emptied.
std::string Flags(const std::string& set = "") {
    CAppSetting* s = GetAppSetting();
    if (!set.empty())
        s->m_szMailSubject[0] = s->m_szMailBody[0] = '\0';
    std::string flags;
    for (std::int32_t* flag :
         {&s->m_bExtVantrel, &s->m_bExtResize, &s->m_bExtResizeAsDefaultSetting,
          &s->m_bExtResizeAndMail, &s->m_bExtResizeDefaultAndMail}) {
        if (!set.empty())
            *flag = set[flags.size()] == '1';
        flags += *flag ? '1' : '0';
    }
    return flags;
}

// A click where a person clicks: a push button in its middle, a check box or radio button on its
// box, an edit near its start; a tab by its index.
void Click(QWidget* sheet, const char* name) {
    auto* control = sheet->findChild<QWidget*>(QString::fromLatin1(name));
    const int h = control->height() / 2;
    browsertest::Click(control, qobject_cast<QPushButton*>(control) ? control->rect().center()
                                                                    : QPoint(h, h));
}

void ClickTab(QWidget* sheet, int tab) {
    QTabBar* bar = sheet->findChild<QTabBar*>();
    browsertest::Click(bar, bar->tabRect(tab).center());
}

// Clicks into the edit, goes to the end of its text, pastes `pasted` and types `typed` key by
// key, each character as the text of its key press ("\r" is Return).
void Enter(QWidget* sheet, const char* name, const QString& pasted, const QString& typed) {
    auto* edit = sheet->findChild<QWidget*>(QString::fromLatin1(name));
    Click(sheet, name);
    const bool lines = qobject_cast<QPlainTextEdit*>(edit) != nullptr;
    QTest::keyClick(edit, Qt::Key_End, lines ? Qt::ControlModifier : Qt::NoModifier);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    for (const char32_t letter : typed.toUcs4()) {
        if (letter == '\r')
            QTest::keyClick(edit, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString::fromUcs4(&letter, 1),
                                {});
    }
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
    // Act ('c'lick, 't'ab, 'k'eys), its target, then the enabled states of the five controls
    // under "Vantrel" ("" while the page is unseen), the Apply button and the stored flags.
    const std::tuple<char, const char*, const char*, bool, const char*> steps[] = {
        {' ', "", "", false, "11001"},                // the sheet opens on the mail page
        {'k', "IDC_MAIL_SUBJECT", "", true, "11001"}, // typing a subject marks the page
        {'c', "ID_APPLY_NOW", "", false, "11001"},    // hands on the subject, not the unseen page
        {'t', "1", "11100", true, "11001"}, // the menu page marks itself; no mail mode yet
        {'c', "IDC_MENU_RESIZE_MAIL", "11111", true, "11001"}, // Resize and mail enables them
        {'c', "IDC_MENU_MAIL_DIALOG", "11111", true, "11001"}, // the resize dialog, then mail
        {'c', "IDC_MENU_VANTREL", "00000", true, "11001"},     // without Vantrel nothing below
        {'c', "IDC_MENU_VANTREL", "11111", true, "11001"},     // and back, with mail modes
        {'c', "IDC_MENU_RESIZE_MAIL", "11100", true, "11001"}, // clearing it disables them
        {'c', "ID_APPLY_NOW", "11100", false, "11000"},        // hands on the five choices
    };
    Flags("11001");
    const std::string userDataBefore = vtltest::ReadFile(CAppSetting::UserDataPath());
    const CAppSetting onDiskBefore;

    const int result = RunSheet([&](QWidget* sheet) {
        for (const auto& [act, target, enabled, apply, stored] : steps) {
            SCOPED_TRACE(std::string(1, act) + " " + target);
            if (act == 'c') {
                Click(sheet, target);
            } else if (act == 't') {
                ClickTab(sheet, *target - '0');
                browsertest::SaveScreenshot(sheet, "option_menu.png"); // the only tab clicked
            } else if (act == 'k') {
                Enter(sheet, target, "", QStringLiteral("Hi %F"));
            }
            if (*enabled) {
                std::string states;
                for (const char* name :
                     {"IDC_MENU_RESIZE", "IDC_MENU_RESIZE_DEFAULT", "IDC_MENU_RESIZE_MAIL",
                      "IDC_MENU_MAIL_DEFAULT", "IDC_MENU_MAIL_DIALOG"})
                    states += sheet->findChild<QWidget*>(name)->isEnabled() ? '1' : '0';
                EXPECT_EQ(states, enabled);
            }
            EXPECT_EQ(std::pair(sheet->findChild<QWidget*>("ID_APPLY_NOW")->isEnabled(), Flags()),
                      std::pair(apply, std::string(stored)));
        }
        Click(sheet, "IDCANCEL");
    });
    EXPECT_EQ(std::tuple(result, Flags(), std::string(GetAppSetting()->m_szMailSubject)),
              std::tuple(plat::IDCANCEL, "11000", "Hi %F"));
    // Nothing reached the disk.
    EXPECT_EQ(vtltest::ReadFile(CAppSetting::UserDataPath()), userDataBefore);
    EXPECT_EQ(CAppSetting().m_bExtResizeDefaultAndMail, onDiskBefore.m_bExtResizeDefaultAndMail);
}

// Each edit takes what its field in the settings holds, counted in UTF-8 bytes, and cuts a
// paste between characters; what the user sees is what Apply stores.
TEST(OptionSheet, MailTextsStopAtTheirFieldSize) {
    const QString e = QString::fromUtf8("\xc3\xa9");             // 2 bytes
    const QString smile = QString::fromUtf8("\xf0\x9f\x98\x80"); // 4 bytes, 2 UTF-16 units
    const std::tuple<const char*, QString, QString, QString> cases[] = {
        {"IDC_MAIL_SUBJECT", smile.repeated(60), smile, smile.repeated(49)},
        {"IDC_MAIL_BODY", e.repeated(2600), "xy", e.repeated(2499) + "x"},
    };
    for (const auto& [edit, pasted, typed, shown] : cases) {
        SCOPED_TRACE(edit);
        Flags("11111");
        RunSheet([&](QWidget* sheet) {
            Enter(sheet, edit, pasted, typed);
            EXPECT_EQ(plat::GetWindowText(sheet->findChild<QWidget*>(edit)), shown.toStdString());
            Click(sheet, "ID_APPLY_NOW");
            Click(sheet, "IDCANCEL");
        });
        const CAppSetting* s = GetAppSetting();
        EXPECT_EQ(edit == std::string("IDC_MAIL_SUBJECT") ? s->m_szMailSubject : s->m_szMailBody,
                  shown.toStdString());
    }
}

// The Option command's OK stores the five flags in the registry and the subject and body in
// user.dat beside the program, says so when user.dat cannot be written, and rewrites the file
// managers' menus that vtlmenu registered. So that user.dat is a file of its own, this runs in a
// copy of this test program in a folder of its own, with vtlmenu and the module beside it.
TEST(OptionSheet, OkStoresFlagsAndUserData) {
    constexpr const char* kChild = "VTL_OPTION_SHEET_SAVE_CHILD";
    if (!std::getenv(kChild)) {
        const std::string folder = vtltest::MakeTempDir("beside-the-program");
        fs::copy_file("/proc/self/exe", folder + "/browser_tests");
        fs::copy_file(VTL_BIN_DIR "/vtlmenu", folder + "/vtlmenu");
        fs::create_symlink(VTL_LIB_DIR "/libVtlExt.so", folder + "/libVtlExt.so");
        const vtltest::ProgramRun run = vtltest::RunProgram(
            folder + "/browser_tests", {"--gtest_filter=OptionSheet.OkStoresFlagsAndUserData"},
            {{kChild, "1"}});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
        const std::string record = vtltest::ReadFile(folder + "/user.dat");
        ASSERT_EQ(record.size(), USERDATA_FILE_SIZE);
        EXPECT_STREQ(record.c_str(), "Pictures %F");
        EXPECT_STREQ(record.c_str() + USERDATA_SUBJECT_SIZE, "Hello,\nhere they are.");
        return;
    }
    const std::string userData = CAppSetting::UserDataPath();
    fs::create_directory(userData); // a folder in its place: it cannot be replaced
    const std::string data = vtltest::MakeTempDir("data");
    const vtltest::ScopedEnv env(
        {{"XDG_DATA_HOME", data}, {"XDG_CONFIG_DIRS", vtltest::MakeTempDir("xdg")}});
    const std::string vtlmenu = fs::path(userData).replace_filename("vtlmenu");
    ASSERT_EQ(vtltest::RunProgram(vtlmenu, {"--register"}).status, 0);
    const std::string serviceMenu = data + "/kio/servicemenus/vantrel.desktop";
    for (const bool blocked : {true, false}) {
        Flags("11111");
        GetAppSetting()->m_nMailMaxMb = 20, GetAppSetting()->m_bMailNoGps = 1;
        QString told;
        vtltest::OnNextModal([&](QWidget* sheet) {
            Enter(sheet, "IDC_MAIL_SUBJECT", "", QStringLiteral("Pictures %F"));
            Enter(sheet, "IDC_MAIL_BODY", "", QStringLiteral("Hello,\rhere they are."));
            Enter(sheet, "IDC_MAIL_MAX_MB", "", QStringLiteral("5")); // 20 becomes 205
            Click(sheet, "IDC_MAIL_NO_GPS");
            ClickTab(sheet, 1);
            Click(sheet, "IDC_MENU_RESIZE_DEFAULT");
            Click(sheet, "IDC_MENU_MAIL_DIALOG");
            if (blocked) {
                vtltest::OnNextModal([&](QWidget* box) {
                    told = qobject_cast<QMessageBox*>(box)->text();
                    box->close();
                });
            }
            Click(sheet, "IDOK");
        });
        CFileListView(nullptr).OnOption();
        EXPECT_EQ(told.contains(QString::fromStdString(userData)), blocked) << told.toStdString();
        if (blocked)
            fs::remove(userData);
    }
    const CAppSetting loaded;
    EXPECT_EQ(std::tuple(loaded.m_bExtVantrel, loaded.m_bExtResize,
                         loaded.m_bExtResizeAsDefaultSetting, loaded.m_bExtResizeAndMail,
                         loaded.m_bExtResizeDefaultAndMail, loaded.m_nMailMaxMb,
                         loaded.m_bMailNoGps),
              std::tuple(1, 1, 0, 1, 0, 205, 0));
    const std::string menu = vtltest::ReadFile(serviceMenu);
    EXPECT_NE(menu.find("Actions=vantrel0;vantrel2;\n"), std::string::npos) << menu;
    vtltest::RunProgram(vtlmenu, {"--unregister"});
}

} // namespace
