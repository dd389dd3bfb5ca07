// The main window through the program's own browser start, driven through its window as a
// person would: every menu item and toolbar button, the View and Help commands, the commands
// on marked pictures in a folder made for the test, the layout across starts, and "vtl PATH".
#include "app/browser/MainFrame.h"

#include "app/browser/AddressComboBox.h"
#include "app/browser/StatusBar.h"
#include "app/core/UserData.h"
#include "platform/mail/MailSpool.h"
#include "platform/mail/Mapi.h"
#include "platform/ui/AutoClick.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QToolBar>

#include <climits>
#include <filesystem>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using namespace browsertest;
using Set = std::set<std::string>;

void Paint(const std::string& path, QColor colour) {
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(QString::fromStdString(path)));
}

// Photos: the folder Album and a red, a green and a blue picture; the browser starts there.
class MainFrameTest : public BrowserTest {
  protected:
    void SetUp() override {
        fs::create_directories(m_photos + "/Album");
        Paint(m_photos + "/a.jpg", Qt::red);
        Paint(m_photos + "/b.jpg", Qt::green);
        Paint(m_photos + "/c.png", Qt::blue);
        GetAppSetting()->SetLastBrowse(m_photos);
    }

    const std::string m_photos = vtltest::MakeTempDir("frame") + "/Photos";
};

TEST_F(MainFrameTest, EveryMenuItemAndButtonReachesItsCommand) {
    Start();
    const std::string v = GetAppSetting()->m_strVersion;
    // What each does with nothing marked and b.jpg selected, and the menu that holds it.
    const std::tuple<const char*, std::string, const char*> commands[] = {
        {"ID_UP_FOLDER", "folder ..", "&File"},
        {"ID_MARK", "marks b.jpg", "&File"},
        {"ID_RESIZE", "box Please mark the pictures before Resize", "&File"},
        {"ID_MAIL_TO", "box Please mark the pictures before Mail", "&File"},
        {"ID_EDIT_COPY", "box Please mark the pictures before Copy", "&Edit"},
        {"ID_MOVE_TO", "box Please mark the pictures before Move", "&Edit"},
        {"ID_EDIT_SELECT_ALL", "selected all", "&Edit"},
        {"ID_REFRESH", "rows 1", "&Edit"},
        {"ID_OPTION", "window Option...", "&Edit"},
        {"ID_VISIT_WEB", "open ", "&Help"},
        {"ID_CHECK_VERSION", "open version=" + v, "&Help"},
        {"ID_MAIL_TO_ME", "open subject=[VTL" + v + "] I have words to say", "&Help"},
        {"ID_BUG_REPORT", "open subject=[VTL" + v + "] BUG REPORT", "&Help"},
        {"ID_APP_ABOUT", "window About Vantrel", "&Help"},
    };
    int fresh = 0;
    for (const auto& [command, outcome, menu] : commands) {
        for (const bool byButton : {false, true}) {
            SCOPED_TRACE(std::string(command) + (byButton ? " by its button" : " by the menu"));
            QWidget* button = byButton ? Button(command) : nullptr;
            if (byButton && !button)
                continue;
            // Each time from the same place, with one picture that only a refresh shows.
            Show(m_photos);
            ClickRow("b.jpg");
            vtltest::WriteFile(m_photos + "/new" + std::to_string(++fresh) + ".jpg", "");
            std::string opened = menu;
            const auto act = [&] {
                button ? Click(button, button->rect().center()) : void(opened = ByMenu(command));
            };
            EXPECT_EQ(Outcome(act), outcome);
            EXPECT_EQ(opened, menu);
        }
    }

    // The View commands hide the main toolbar alone, then the status bar.
    for (const auto& [command, state] : {std::pair{"ID_VIEW_TOOLBAR", "0111"},
                                         {"ID_VIEW_STATUS_BAR", "0110"},
                                         {"ID_VIEW_TOOLBAR", "1110"}}) {
        ByMenu(command);
        std::string now;
        for (QWidget* bar :
             std::initializer_list<QWidget*>{m_frame->m_wndToolBar, m_frame->m_wndNavBar,
                                             m_frame->m_wndAddress, m_frame->m_wndStatusBar})
            now += char('0' + bar->isVisible());
        EXPECT_EQ(now, state) << command;
    }
}

// The commands on marked pictures, one step after another in Photos.
TEST_F(MainFrameTest, CommandsOnMarkedPictures) {
    Start();
    const std::string copies = vtltest::MakeTempDir("copies");
    // A folder too long to be remembered, but not to be used.
    std::string deep = vtltest::MakeTempDir("moved");
    while (deep.size() < 300)
        deep += "/" + std::string(60, 'd');
    fs::create_directories(deep);
    // The chooser: cancelled, or given a folder pasted into it.
    const auto choose = [](const std::string& folder) {
        vtltest::OnNextModal([folder](QWidget* chooser) {
            QApplication::clipboard()->setText(QString::fromStdString(folder));
            auto* edit = chooser->findChild<QLineEdit*>("fileNameEdit");
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(edit, folder.empty() ? Qt::Key_Escape : Qt::Key_Return);
        });
    };
    ClickRow("Album");
    ClickRow("a.jpg", Qt::ControlModifier);
    ClickRow("b.jpg", Qt::ControlModifier);
    ByMenu("ID_MARK");
    EXPECT_EQ(Marks(), "a.jpg b.jpg") << "a folder is never marked";
    ByMenu("ID_MARK");
    EXPECT_EQ(Marks(), "");
    Press(Qt::Key_A, Qt::ControlModifier);
    ByMenu("ID_MARK");
    EXPECT_EQ(Marks(), "a.jpg b.jpg c.png");

    CopyTextCut(GetAppSetting()->m_szCopyMoveTo, plat::MAX_PATH, copies.c_str());
    choose("");
    ByMenu("ID_EDIT_COPY");
    EXPECT_EQ(vtltest::FolderNames(copies), Set{}) << "a cancelled chooser ends Copy To";
    plat::SetAutoClick("IDOK"); // the chooser opens on the remembered folder
    ByMenu("ID_EDIT_COPY");
    EXPECT_EQ(vtltest::FolderNames(copies), (Set{"a.jpg", "b.jpg", "c.png"}));
    EXPECT_EQ(Rows(2) + " / " + Marks(), "a.jpg b.jpg c.png / a.jpg b.jpg c.png");

    plat::SetAutoClick("IDC_RESIZE_RUN"); // pressed as the resize dialog opens
    ByMenu("ID_RESIZE");
    EXPECT_EQ(vtltest::FolderNames(m_photos + "/resize"), (Set{"a.jpg", "b.jpg", "c.png"}));
    EXPECT_EQ(Rows(2) + " / " + Marks(), "resize a.jpg b.jpg c.png / ");

    ClickRow("a.jpg");
    ClickRow("b.jpg", Qt::ControlModifier);
    ByMenu("ID_MARK");
    choose(deep);
    ByMenu("ID_MOVE_TO");
    EXPECT_EQ(vtltest::FolderNames(deep), (Set{"a.jpg", "b.jpg"}));
    EXPECT_EQ(Rows(2), "resize c.png");
    EXPECT_STREQ(GetAppSetting()->m_szCopyMoveTo, copies.c_str()) << "the long path is not kept";
}

// More pictures than one start of the mail program can take are refused, with the limit named,
// before anything is copied for the mail program.
TEST_F(MainFrameTest, MailToTooManyPicturesForOneProgramStart) {
    const std::string many = vtltest::MakeTempDir("many");
    for (int i = 0; i < 1000; ++i)
        vtltest::WriteFile(many + "/" + std::string(200, 'p') + std::to_string(i) + ".jpg", "x");
    vtltest::FakeMailProgram mail;
    mail.Install();
    // A stack limit of 1 MiB leaves the programs started from here 256 KiB of arguments.
    rlimit stack{};
    getrlimit(RLIMIT_STACK, &stack);
    const rlimit before = stack;
    stack.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_STACK, &stack), 0);
    const std::size_t limit = plat::MailArgumentLimit();
    Start({many});
    Press(Qt::Key_A, Qt::ControlModifier);
    ByMenu("ID_MARK");
    const std::string told = Opened([&] { ByMenu("ID_MAIL_TO"); });
    setrlimit(RLIMIT_STACK, &before);
    EXPECT_NE(told.find("These 1000 pictures"), std::string::npos) << told;
    EXPECT_NE(told.find(" " + std::to_string(limit) + " bytes"), std::string::npos) << told;
    EXPECT_FALSE(mail.Ran());
    EXPECT_EQ(vtltest::FolderNames(plat::CMailSpool::OutboxFolder()), Set{});
}

// A window closed maximised reopens maximised, with the pane width and column widths the user
// left, each width with its column; stored placements that would hide the window or make it
// unusable open it on the screen.
TEST_F(MainFrameTest, TheLayoutComesBack) {
    CAppSetting* setting = GetAppSetting();
    // Widths as stored count their low 16 bits; -2 lets the last column fill the list.
    const std::int32_t stored[] = {0x10078, 0x20032, 90, -2};
    std::copy(std::begin(stored), std::end(stored), setting->m_nColumnWidth);
    Start();
    const auto sections = [this] {
        const CArrowHeaderCtrl* header = m_list->m_ctrlHeader;
        return std::vector{header->sectionSize(0), header->sectionSize(1), header->sectionSize(2)};
    };
    EXPECT_EQ(sections(), (std::vector{120, 50, 90}));
    const auto drag = [this](QPoint from, int by) {
        QTest::mousePress(m_frame->windowHandle(), Qt::LeftButton, {}, from);
        QTest::mouseMove(m_frame->windowHandle(), from + QPoint(by, 0));
        QTest::mouseRelease(m_frame->windowHandle(), Qt::LeftButton, {}, from + QPoint(by, 0));
    };
    // "Size" widened by a drag on its edge, "File Name" moved to the end, the pane narrowed.
    CArrowHeaderCtrl* header = m_list->m_ctrlHeader;
    drag(header->mapTo(m_frame,
                       QPoint(header->sectionViewportPosition(2) - 1, header->height() / 2)),
         27);
    header->moveSection(0, 3);
    QSplitterHandle* handle = m_frame->m_wndSplitter->handle(1);
    const int width = m_list->width();
    drag(handle->mapTo(m_frame, handle->rect().center()), -70);
    m_frame->showMaximized();
    ByMenu("ID_APP_EXIT");
    EXPECT_FALSE(m_frame->isVisible());
    std::fill_n(setting->m_nColumnWidth, 4, 0); // the next start finds only what was saved
    setting->LoadLayout();
    Start();
    EXPECT_TRUE(m_frame->isMaximized());
    EXPECT_EQ(m_list->width(), width - 70);
    EXPECT_EQ(sections(), (std::vector{120, 77, 90}));

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const std::pair<const char*, WINDOWPLACEMENT> placements[] = {
        {"a negative size", {44, 0, 1, -1, -1, -1, -1, 500, 400, 100, 100}},
        {"100000 px", {44, 0, 1, -1, -1, -1, -1, 0, 0, 100000, 100000}},
        {"off every screen", {44, 0, 1, -1, -1, -1, -1, -5000, 300, -4200, 900}},
        {"the extremes", {44, 0, 1, -1, -1, -1, -1, INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
        {"closed minimised", {44, 0, 2, -1, -1, -1, -1, 100, 50, 700, 450}},
    };
    for (const auto& [what, stored] : placements) {
        SCOPED_TRACE(what);
        setting->m_wndPlacement = stored;
        Start();
        EXPECT_TRUE(screen.contains(m_frame->frameGeometry()));
        EXPECT_GE(m_frame->width(), 320);
        EXPECT_GE(m_frame->height(), 240);
        EXPECT_EQ(m_frame->windowState(), Qt::WindowNoState);
    }
}

// "Open with Vantrel": the browser opens at the folder given, or at the first picture's folder
// with the pictures given there marked and the first one selected and in the preview; paths
// that name nothing are told, and the browser opens where it would have.
TEST_F(MainFrameTest, OpensWhereTheCommandLineSays) {
    const std::string elsewhere = vtltest::MakeTempDir("elsewhere") + "/x.jpg";
    Paint(elsewhere, Qt::white);
    const std::string gone = m_photos + "/gone.jpg";
    // A path longer than the 259 bytes a stored location may hold.
    const std::string deep = m_photos + "/" + std::string(130, 'd') + "/" + std::string(130, 'e');
    fs::create_directories(deep);
    Paint(deep + "/deep.jpg", Qt::red);
    // The arguments, then the folder shown, the marks, the selected row, whether a missing
    // path was told, and the colour in the middle of the picture in the preview.
    const std::tuple<std::vector<std::string>, std::string, std::string, std::string, bool, QColor>
        starts[] = {
            {{gone}, m_photos, "", "..", true, Qt::transparent},
            {{m_photos + "/Album/"}, m_photos + "/Album", "", "..", false, Qt::transparent},
            {{m_photos + "/b.jpg"}, m_photos, "b.jpg", "b.jpg", false, Qt::green},
            {{m_photos + "/c.png", elsewhere, gone, m_photos + "/a.jpg"},
             m_photos,
             "a.jpg c.png",
             "c.png",
             true,
             Qt::blue},
            {{deep}, deep, "", "..", false, Qt::transparent},
            {{deep + "/deep.jpg"}, deep, "deep.jpg", "deep.jpg", false, Qt::red},
        };
    for (const auto& [arguments, folder, marks, current, missing, preview] : starts) {
        SCOPED_TRACE(arguments.front());
        EXPECT_EQ(Opened([&] { Start(arguments); }),
                  missing ? "box No such file or folder:\n" + gone : "");
        EXPECT_EQ(Shows(*m_list), folder);
        EXPECT_EQ(Marks(), marks);
        EXPECT_EQ(Current(), current);
        const QImage shown = m_frame->GetPictureView()->viewport()->grab().toImage();
        const PaneRect box =
            CScrollPictureView::FitPictureRect({0, 0, shown.width(), shown.height()}, 160, 120);
        const QColor middle =
            shown.pixelColor((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        if (preview != Qt::transparent) {
            EXPECT_LT(std::abs(middle.hue() - preview.hue()) + 255 - middle.value(), 20);
        }
    }
    m_frame->resize(1000, 700); // two pictures marked, one shown
    QTest::qWait(50);
    browsertest::SaveScreenshot(m_frame, "main_window.png");
}

} // namespace
