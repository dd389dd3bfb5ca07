// The options sheet driven offscreen as a person would: clicking tabs, check boxes, radio
// buttons and the sheet's buttons, typing and pasting into the mail texts, and reading the
// enabled states, the Apply button and the settings back.
#include "app/browser/DlgOptionSheet.h"
#include "app/core/AppSetting.h"
#include "app/core/UserData.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWindow>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;
using plat::IDCANCEL;
using plat::IDOK;

// The menu flags in the order of the page: "Vantrel", "Resize", "Resize as default setting",
// "Resize and mail", and the mail mode ("Resize as default setting and mail").
std::string StoredFlags() {
    const CAppSetting* s = GetAppSetting();
    std::string flags;
    for (std::int32_t flag : {s->m_bExtVantrel, s->m_bExtResize, s->m_bExtResizeAsDefaultSetting,
                              s->m_bExtResizeAndMail, s->m_bExtResizeDefaultAndMail})
        flags += flag ? '1' : '0';
    return flags;
}

void StoreFlags(const std::string& flags) {
    CAppSetting* s = GetAppSetting();
    std::int32_t* fields[] = {&s->m_bExtVantrel, &s->m_bExtResize, &s->m_bExtResizeAsDefaultSetting,
                              &s->m_bExtResizeAndMail, &s->m_bExtResizeDefaultAndMail};
    for (std::size_t i = 0; i < flags.size(); ++i)
        *fields[i] = flags[i] == '1';
}

void StoreMail(const char* subject, const char* body) {
    CopyTextCut(GetAppSetting()->m_szMailSubject, sizeof GetAppSetting()->m_szMailSubject, subject);
    CopyTextCut(GetAppSetting()->m_szMailBody, sizeof GetAppSetting()->m_szMailBody, body);
}

QWidget* Named(QWidget* sheet, const char* name) {
    auto* widget = sheet->findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// A click where a person clicks: on a push button's middle, on the box of a check box or
// radio button, on a tab's label; hit-tested from the window down.
void ClickAt(QWidget* widget, QPoint local) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), local));
}

void Click(QWidget* sheet, const char* name) {
    QWidget* control = Named(sheet, name);
    if (!control)
        return;
    QStyleOptionButton option;
    option.initFrom(control);
    if (qobject_cast<QCheckBox*>(control))
        ClickAt(control, control->style()
                             ->subElementRect(QStyle::SE_CheckBoxIndicator, &option, control)
                             .center());
    else if (qobject_cast<QRadioButton*>(control))
        ClickAt(control, control->style()
                             ->subElementRect(QStyle::SE_RadioButtonIndicator, &option, control)
                             .center());
    else
        ClickAt(control, control->rect().center());
}

void ClickTab(QWidget* sheet, const char* text) {
    QTabBar* bar = sheet->findChild<QTabWidget*>()->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == QString::fromLatin1(text)) {
            ClickAt(bar, bar->tabRect(i).center());
            return;
        }
    ADD_FAILURE() << "no tab " << text;
}

// Clicks into the edit and puts the cursor at the end of its text.
QWidget* FocusEnd(QWidget* sheet, const char* name) {
    QWidget* edit = Named(sheet, name);
    ClickAt(edit, QPoint(8, 8));
    const bool lines = qobject_cast<QPlainTextEdit*>(edit) != nullptr;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End,
                    lines ? Qt::ControlModifier : Qt::NoModifier);
    return QApplication::focusWidget();
}

// Types `text` key by key; a character outside ASCII comes as the text of one key press, as
// an input method gives it.
void TypeInto(QWidget* sheet, const char* name, const QString& text) {
    QWidget* edit = FocusEnd(sheet, name);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 0x80) {
            QTest::keyClicks(edit, text.mid(i, 1));
            continue;
        }
        const qsizetype length = text[i].isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text.mid(i, length),
                            Qt::NoModifier);
        i += length - 1;
    }
}

void PasteInto(QWidget* sheet, const char* name, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(FocusEnd(sheet, name), Qt::Key_V, Qt::ControlModifier);
}

QString EditText(QWidget* sheet, const char* name) {
    QWidget* edit = Named(sheet, name);
    if (auto* line = qobject_cast<QLineEdit*>(edit))
        return line->text();
    return qobject_cast<QPlainTextEdit*>(edit)->toPlainText();
}

// The enabled states of the five controls under "Vantrel", as "1" / "0".
std::string EnabledBelowVantrel(QWidget* sheet) {
    std::string states;
    for (const char* name : {"IDC_MENU_RESIZE", "IDC_MENU_RESIZE_DEFAULT", "IDC_MENU_RESIZE_MAIL",
                             "IDC_MENU_MAIL_DEFAULT", "IDC_MENU_MAIL_DIALOG"})
        states += Named(sheet, name)->isEnabled() ? '1' : '0';
    return states;
}

bool ApplyEnabled(QWidget* sheet) {
    return Named(sheet, "ID_APPLY_NOW")->isEnabled();
}

// Runs the sheet as the Option command does, with `steps` performed by the person once it is
// up; returns its end code.
int RunSheet(const std::function<void(QWidget*)>& steps) {
    CDlgOptionSheet sheet("Option...", nullptr, 0);
    vtltest::OnNextModal(steps);
    return sheet.DoModal();
}

TEST(OptionSheet, OpensAsTheOptionSheetWithoutHelp) {
    StoreMail("", "");
    const int result = RunSheet([](QWidget* sheet) {
        EXPECT_EQ(sheet->windowTitle(), "Option...");
        QTabBar* bar = sheet->findChild<QTabWidget*>()->tabBar();
        ASSERT_EQ(bar->count(), 2);
        EXPECT_EQ(bar->tabText(0), "Mail");
        EXPECT_EQ(bar->tabText(1), "Menu Context");
        EXPECT_EQ(bar->currentIndex(), 0);
        QStringList buttons;
        for (auto* button :
             sheet->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
            buttons << button->text();
        EXPECT_EQ(buttons, QStringList({"OK", "Cancel", "Apply"}));
        // Centred on the screen as a whole.
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        EXPECT_LE((sheet->geometry().center() - screenCentre).manhattanLength(), 4);
        // Both pages fit whole inside the sheet.
        for (int i = 0; i < 2; ++i) {
            QWidget* page = sheet->findChild<QTabWidget*>()->widget(i);
            EXPECT_GE(page->parentWidget()->width(), page->minimumWidth());
            EXPECT_GE(page->parentWidget()->height(), page->minimumHeight());
        }
        QTest::keyClick(sheet, Qt::Key_Escape);
    });
    EXPECT_EQ(result, IDCANCEL);
}

// The rules of the two pages, one person's session: the master rule, the mail rule, when Apply
// is available, that Apply hands only shown pages on, and that Cancel after Apply keeps the
// applied values in memory without writing them.
TEST(OptionSheet, RulesFollowTheClicks) {
    enum class Act { Look, Click, Tab, Type };
    struct Step {
        const char* what;
        Act act;
        const char* target;
        const char* enabled; // the five controls under "Vantrel"; "" while the page is unseen
        bool apply;
        const char* stored; // the five flags in the settings
        const char* subject;
    };
    const Step steps[] = {
        {"the sheet opens on the mail page", Act::Look, "", "", false, "11001", ""},
        {"typing a subject marks the page", Act::Type, "IDC_MAIL_SUBJECT", "", true, "11001", ""},
        {"Apply hands the subject on, and nothing of the unseen page", Act::Click, "ID_APPLY_NOW",
         "", false, "11001", "Hi %F"},
        {"the menu page marks itself as it opens; no mail mode without Resize and mail", Act::Tab,
         "Menu Context", "11100", true, "11001", "Hi %F"},
        {"Resize and mail enables its two modes", Act::Click, "IDC_MENU_RESIZE_MAIL", "11111", true,
         "11001", "Hi %F"},
        {"the resize dialog then mail", Act::Click, "IDC_MENU_MAIL_DIALOG", "11111", true, "11001",
         "Hi %F"},
        {"without Vantrel nothing below it", Act::Click, "IDC_MENU_VANTREL", "00000", true, "11001",
         "Hi %F"},
        {"Vantrel again: the entries and, with Resize and mail, its modes", Act::Click,
         "IDC_MENU_VANTREL", "11111", true, "11001", "Hi %F"},
        {"clearing Resize and mail disables its modes", Act::Click, "IDC_MENU_RESIZE_MAIL", "11100",
         true, "11001", "Hi %F"},
        {"Vantrel off", Act::Click, "IDC_MENU_VANTREL", "00000", true, "11001", "Hi %F"},
        {"and on again leaves the modes disabled", Act::Click, "IDC_MENU_VANTREL", "11100", true,
         "11001", "Hi %F"},
        {"Apply hands the five choices on", Act::Click, "ID_APPLY_NOW", "11100", false, "11000",
         "Hi %F"},
        {"Resize as default setting marks the page", Act::Click, "IDC_MENU_RESIZE_DEFAULT", "11100",
         true, "11000", "Hi %F"},
        {"back on the mail page Apply stays available", Act::Tab, "Mail", "11100", true, "11000",
         "Hi %F"},
        {"Cancel", Act::Click, "IDCANCEL", "", false, "11000", "Hi %F"},
    };

    StoreFlags("11001");
    StoreMail("", "");
    const std::string userData = CAppSetting::UserDataPath();
    const std::string userDataBefore = vtltest::ReadFile(userData);
    const CAppSetting onDiskBefore;

    const int result = RunSheet([&](QWidget* sheet) {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.what);
            switch (step.act) {
            case Act::Look:
                break;
            case Act::Click:
                Click(sheet, step.target);
                break;
            case Act::Tab:
                ClickTab(sheet, step.target);
                break;
            case Act::Type:
                TypeInto(sheet, step.target, QStringLiteral("Hi %F"));
                break;
            }
            if (step.act == Act::Click && std::strcmp(step.target, "IDCANCEL") == 0)
                return;
            if (*step.enabled) {
                EXPECT_EQ(EnabledBelowVantrel(sheet), step.enabled);
            }
            EXPECT_EQ(ApplyEnabled(sheet), step.apply);
            EXPECT_EQ(StoredFlags(), step.stored);
            EXPECT_STREQ(GetAppSetting()->m_szMailSubject, step.subject);
        }
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(StoredFlags(), "11000");
    EXPECT_STREQ(GetAppSetting()->m_szMailSubject, "Hi %F");
    // Nothing reached the disk.
    EXPECT_EQ(vtltest::ReadFile(userData), userDataBefore);
    const CAppSetting onDisk;
    EXPECT_EQ(onDisk.m_bExtResizeAndMail, onDiskBefore.m_bExtResizeAndMail);
    EXPECT_EQ(onDisk.m_bExtResizeDefaultAndMail, onDiskBefore.m_bExtResizeDefaultAndMail);
    EXPECT_STREQ(onDisk.m_szMailSubject, onDiskBefore.m_szMailSubject);
}

TEST(OptionSheet, MenuPageShowsTheStoredChoices) {
    struct Case {
        const char* stored;
        const char* checked; // 1035 .. 1040
        const char* enabled;
    };
    const Case cases[] = {
        {"11111", "111110", "11111"},
        {"10110", "101101", "11111"},
        {"11100", "111001", "11100"},
        {"01111", "011110", "00000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        StoreFlags(c.stored);
        RunSheet([&](QWidget* sheet) {
            ClickTab(sheet, "Menu Context");
            std::string checked;
            for (const char* name :
                 {"IDC_MENU_VANTREL", "IDC_MENU_RESIZE", "IDC_MENU_RESIZE_DEFAULT",
                  "IDC_MENU_RESIZE_MAIL", "IDC_MENU_MAIL_DEFAULT", "IDC_MENU_MAIL_DIALOG"})
                checked +=
                    qobject_cast<QAbstractButton*>(Named(sheet, name))->isChecked() ? '1' : '0';
            EXPECT_EQ(checked, c.checked);
            EXPECT_EQ(EnabledBelowVantrel(sheet), c.enabled);
            Click(sheet, "IDCANCEL");
        });
    }
}

// Each edit takes what its field in the settings holds, counted in UTF-8 bytes, and cuts a
// paste between characters; what the user sees is what Apply stores.
TEST(OptionSheet, MailTextsStopAtTheirFieldSize) {
    const QString e = QString::fromUtf8("\xc3\xa9");             // 2 bytes
    const QString smile = QString::fromUtf8("\xf0\x9f\x98\x80"); // 4 bytes, 2 UTF-16 units
    struct Case {
        const char* what;
        const char* edit;
        QString pasted;
        QString typed;
        QString shown;
    };
    const Case cases[] = {
        {"subject: a long paste is cut", "IDC_MAIL_SUBJECT", e.repeated(150), "ab",
         e.repeated(99) + "a"},
        {"subject: a character is never split", "IDC_MAIL_SUBJECT", smile.repeated(60), "",
         smile.repeated(49)},
        {"subject: exactly full", "IDC_MAIL_SUBJECT", QString(199, 'x'), "y", QString(199, 'x')},
        {"body: a long paste is cut", "IDC_MAIL_BODY", e.repeated(2600), "xy",
         e.repeated(2499) + "x"},
        {"body: a three-byte character that does not fit is refused", "IDC_MAIL_BODY",
         QString(4997, 'x'), QString::fromUtf8("\xe2\x82\xac"), QString(4997, 'x')},
        {"body: lines", "IDC_MAIL_BODY", "Hello,", "\rhere", "Hello,\nhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreMail("", "");
        RunSheet([&](QWidget* sheet) {
            PasteInto(sheet, c.edit, c.pasted);
            TypeInto(sheet, c.edit, c.typed);
            EXPECT_EQ(EditText(sheet, c.edit).toStdString(), c.shown.toStdString());
            Click(sheet, "ID_APPLY_NOW");
            Click(sheet, "IDCANCEL");
        });
        const char* stored = std::strcmp(c.edit, "IDC_MAIL_SUBJECT") == 0
                                 ? GetAppSetting()->m_szMailSubject
                                 : GetAppSetting()->m_szMailBody;
        EXPECT_EQ(std::string(stored), c.shown.toStdString());
    }
}

// OK stores the sheet's values: the five flags in the registry, the subject and body in
// user.dat beside the program, and says so when user.dat cannot be written. Since user.dat
// lives beside the running program, this runs in a copy of this test program in a folder of
// its own.
constexpr const char* kChildVariable = "VTL_OPTION_SHEET_SAVE_CHILD";

// One session that ends with OK; `beforeOk` runs just before OK is clicked.
int RunWithOk(const std::function<void()>& beforeOk) {
    StoreFlags("11111");
    StoreMail("", "");
    return RunSheet([&](QWidget* sheet) {
        TypeInto(sheet, "IDC_MAIL_SUBJECT", QStringLiteral("Pictures %F"));
        TypeInto(sheet, "IDC_MAIL_BODY", QStringLiteral("Hello,\rhere they are."));
        ClickTab(sheet, "Menu Context");
        Click(sheet, "IDC_MENU_RESIZE_DEFAULT");
        Click(sheet, "IDC_MENU_MAIL_DIALOG");
        beforeOk();
        Click(sheet, "IDOK");
    });
}

void SaveThroughOk() {
    const std::string userData = CAppSetting::UserDataPath();

    // A user.dat that cannot be replaced (a folder of that name): the message names it.
    fs::create_directory(userData);
    QString told;
    EXPECT_EQ(RunWithOk([&] {
                  vtltest::OnNextModal([&](QWidget* box) {
                      for (auto* label : box->findChildren<QLabel*>())
                          told += label->text();
                      QTest::keyClick(box, Qt::Key_Return);
                  });
              }),
              IDOK);
    EXPECT_TRUE(told.contains(QString::fromStdString(userData))) << told.toStdString();
    fs::remove(userData);

    EXPECT_EQ(RunWithOk([] {}), IDOK);
    const CAppSetting loaded;
    EXPECT_EQ(loaded.m_bExtResizeAsDefaultSetting, 0);
    EXPECT_EQ(loaded.m_bExtResizeDefaultAndMail, 0);
    EXPECT_EQ(loaded.m_bExtVantrel, 1);
    EXPECT_EQ(loaded.m_bExtResize, 1);
    EXPECT_STREQ(loaded.m_szMailSubject, "Pictures %F");
    EXPECT_STREQ(loaded.m_szMailBody, "Hello,\nhere they are.");
}

TEST(OptionSheet, OkStoresFlagsAndUserData) {
    if (std::getenv(kChildVariable)) {
        SaveThroughOk();
        return;
    }
    const std::string folder = vtltest::MakeTempDir("beside-the-program");
    const std::string program = folder + "/option_sheet_tests";
    fs::copy_file("/proc/self/exe", program);
    const vtltest::ProgramRun run = vtltest::RunProgram(
        program, {"--gtest_filter=OptionSheet.OkStoresFlagsAndUserData"}, {{kChildVariable, "1"}});
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
    const std::string record = vtltest::ReadFile(folder + "/user.dat");
    ASSERT_EQ(record.size(), USERDATA_FILE_SIZE);
    EXPECT_STREQ(record.c_str(), "Pictures %F");
    EXPECT_STREQ(record.c_str() + USERDATA_SUBJECT_SIZE, "Hello,\nhere they are.");
}

// Both pages as the user sees them, for a person to look at.
TEST(OptionSheet, ScreenshotsOfBothPages) {
    StoreFlags("11101");
    StoreMail("Pictures: %F", "Hello,\n\nhere are the pictures I promised.\n\nBest regards");
    const QString folder = QStringLiteral(VTL_BIN_DIR "/../artifacts");
    QDir().mkpath(folder);
    const QString mail = folder + QStringLiteral("/option_mail.png");
    const QString menu = folder + QStringLiteral("/option_menu.png");
    QFile::remove(mail);
    QFile::remove(menu);
    RunSheet([&](QWidget* sheet) {
        EXPECT_TRUE(sheet->grab().save(mail));
        ClickTab(sheet, "Menu Context");
        EXPECT_TRUE(sheet->grab().save(menu));
        Click(sheet, "IDCANCEL");
    });
    EXPECT_TRUE(QFile::exists(mail));
    EXPECT_TRUE(QFile::exists(menu));
}

} // namespace
