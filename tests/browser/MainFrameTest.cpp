// The main window through the program's own browser start, offscreen, driven through its
// window as a person would: every menu item and toolbar button, the prompts, the View and Help
// commands, the commands on marked pictures in a folder made for the test, the layout across
// starts, and "vtl PATH".
#include "app/browser/MainFrame.h"
#include "app/browser/AddressComboBox.h"
#include "app/browser/FileListView.h"
#include "app/browser/StatusBar.h"
#include "app/core/UserData.h"
#include "app/core/VantrelApp.h"
#include "app/preview/ScrollPictureView.h"
#include "platform/Registry.h"
#include "platform/mail/MailSpool.h"
#include "platform/mail/Mapi.h"
#include "platform/ui/AutoClick.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QWindow>

#include <climits>
#include <filesystem>
#include <set>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using browsertest::Click;

void Paint(const std::string& path, QColor colour) {
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(QString::fromStdString(path)));
}

// The names in a folder, sorted.
std::string Names(const std::string& folder) {
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
        .join(' ')
        .toStdString();
}

// Photos: the folder Album and a red, a green and a blue picture; the browser starts there.
class MainFrameTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_photos + "/Album");
        Paint(m_photos + "/a.jpg", Qt::red);
        Paint(m_photos + "/b.jpg", Qt::green);
        Paint(m_photos + "/c.png", Qt::blue);
        GetAppSetting()->SetLastBrowse(m_photos);
        for (const char* scheme : {"https", "mailto"})
            QDesktopServices::setUrlHandler(scheme, &m_opened, "setSource");
        QObject::connect(&m_opened, &QTextBrowser::sourceChanged,
                         [this](const QUrl& link) { m_links.push_back(link); });
    }
    void TearDown() override {
        for (const char* scheme : {"https", "mailto"})
            QDesktopServices::unsetUrlHandler(scheme);
        if (m_app)
            m_app->ExitInstance();
    }

    void Start(const std::vector<std::string>& arguments = {}) {
        if (m_app)
            m_app->ExitInstance();
        m_app = std::make_unique<CVantrelApp>(arguments);
        ASSERT_TRUE(m_app->InitInstance());
        m_frame = m_app->GetMainWnd();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame));
        m_frame->activateWindow();
        m_list = m_frame->GetFileList();
        m_list->setFocus();
    }
    void ClickRow(const char* name, Qt::KeyboardModifiers keys = {}) {
        const QModelIndex row =
            m_list->model()->match(m_list->model()->index(0, 0), Qt::DisplayRole, name)[0];
        QTest::mouseClick(m_frame->windowHandle(), Qt::LeftButton, keys,
                          m_list->viewport()->mapTo(m_frame, m_list->visualRect(row).center()));
    }
    // The names of the list's rows from `first` on, or of the marked rows only.
    std::string Rows(int first, bool marked = false) const {
        std::string names;
        for (int row = first; row < m_list->model()->rowCount(); ++row)
            if (!marked || m_list->model()->index(row, 0).data(Qt::CheckStateRole) == Qt::Checked)
                names += (names.empty() ? "" : " ") +
                         m_list->model()->index(row, 0).data().toString().toStdString();
        return names;
    }
    std::string Marks() const { return Rows(0, true); }
    // Opens the menu by a click on its title and clicks the item.
    void ByMenu(const char* menuTitle, const char* item) {
        QMenuBar* bar = m_frame->menuBar();
        for (QAction* title : bar->actions()) {
            if (title->text() != menuTitle)
                continue;
            Click(bar, bar->actionGeometry(title).center());
            QMenu* menu = title->menu();
            EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }));
            QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                              menu->actionGeometry(m_frame->findChild<QAction*>(item)).center());
            return;
        }
        ADD_FAILURE() << "no menu " << menuTitle;
    }
    QWidget* Button(const char* command) const {
        auto* action = m_frame->findChild<QAction*>(command);
        QWidget* button = m_frame->m_wndToolBar->widgetForAction(action);
        return button ? button : m_frame->m_wndNavBar->widgetForAction(action);
    }
    // What the person sees change while `act` runs: the dialogs and messages that open (each
    // closed at once), the link opened, or the folder, the marks, the rows or the selection.
    std::string Outcome(const std::function<void()>& act) {
        std::string seen;
        const auto watch = vtltest::OnEveryModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            seen += box ? "box " + box->text().toStdString()
                        : "window " + modal->windowTitle().toStdString();
            modal->close();
        });
        const std::string folder = browsertest::Shows(*m_list), marks = Marks();
        const int rows = m_list->model()->rowCount();
        const std::size_t links = m_links.size();
        act();
        QTest::qWait(20);
        if (!seen.empty())
            return seen;
        if (m_links.size() != links)
            return "open " + m_links.back().query(QUrl::FullyDecoded).toStdString();
        if (browsertest::Shows(*m_list) == fs::path(folder).parent_path().string())
            return "folder ..";
        if (Marks() != marks)
            return "marks " + Marks();
        if (m_list->model()->rowCount() != rows)
            return "rows " + std::to_string(m_list->model()->rowCount() - rows);
        const auto selected = m_list->selectionModel()->selectedRows().size();
        return selected == rows ? "selected all" : "selected " + std::to_string(selected);
    }

    const std::string m_photos = vtltest::MakeTempDir("frame") + "/Photos";
    QTextBrowser m_opened; // where the links the window opens arrive
    std::vector<QUrl> m_links;
    std::unique_ptr<CVantrelApp> m_app;
    CMainFrame* m_frame = nullptr;
    CFileListView* m_list = nullptr;
};

TEST_F(MainFrameTest, EveryMenuItemAndButtonReachesItsCommand) {
    Start();
    const std::string v = GetAppSetting()->m_strVersion;
    const struct {
        const char* command;
        const char* menu;
        std::string outcome; // with nothing marked and b.jpg selected
    } commands[] = {
        {"ID_UP_FOLDER", "&File", "folder .."},
        {"ID_MARK", "&File", "marks b.jpg"},
        {"ID_RESIZE", "&File", "box Please mark the pictures before Resize"},
        {"ID_MAIL_TO", "&File", "box Please mark the pictures before Mail"},
        {"ID_EDIT_COPY", "&Edit", "box Please mark the pictures before Copy"},
        {"ID_MOVE_TO", "&Edit", "box Please mark the pictures before Move"},
        {"ID_EDIT_SELECT_ALL", "&Edit", "selected all"},
        {"ID_REFRESH", "&Edit", "rows 1"},
        {"ID_OPTION", "&Edit", "window Option..."},
        {"ID_VISIT_WEB", "&Help", "open "},
        {"ID_CHECK_VERSION", "&Help", "open version=" + v},
        {"ID_MAIL_TO_ME", "&Help", "open subject=[VTL" + v + "] I have words to say"},
        {"ID_BUG_REPORT", "&Help", "open subject=[VTL" + v + "] BUG REPORT"},
        {"ID_APP_ABOUT", "&Help", "window About Vantrel"},
    };
    int fresh = 0;
    for (const auto& c : commands) {
        for (const bool byButton : {false, true}) {
            SCOPED_TRACE(std::string(c.command) + (byButton ? " by its button" : " by the menu"));
            QWidget* button = byButton ? Button(c.command) : nullptr;
            if (byButton && !button)
                continue;
            // Each time from the same place, with one picture that only a refresh shows.
            m_list->NavigateTo(browsertest::Parse(m_photos).get());
            ClickRow("b.jpg");
            vtltest::WriteFile(m_photos + "/new" + std::to_string(++fresh) + ".jpg", "");
            EXPECT_EQ(Outcome([&] {
                          if (button)
                              Click(button, button->rect().center());
                          else
                              ByMenu(c.menu, c.command);
                      }),
                      c.outcome);
        }
    }
    // One site and one mailbox: the upgrade page is on the site, the mails go to its domain.
    ASSERT_EQ(m_links.size(), 4u);
    EXPECT_EQ(m_links[1].toString(),
              m_links[0].toString() + "vtl/upgrade.asp?version=" + v.c_str());
    EXPECT_EQ(m_links[2].path(), m_links[3].path());
    EXPECT_TRUE(m_links[2].path().endsWith("@" + m_links[0].host()));

    // A button's prompt while the mouse is over it, which comes in over the list; then "Ready".
    QWidget* copy = Button("ID_EDIT_COPY");
    QTest::mouseMove(m_frame->windowHandle(), m_list->mapTo(m_frame, QPoint(50, 50)));
    QTest::mouseMove(m_frame->windowHandle(), copy->mapTo(m_frame, copy->rect().center()));
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), "Copy the marked pictures to pointed folder");
    EXPECT_EQ(copy->toolTip(), "Copy");
    QTest::mouseMove(m_frame->windowHandle(), m_list->mapTo(m_frame, QPoint(50, 50)));
    EXPECT_EQ(m_frame->m_wndStatusBar->findChild<QLabel*>("ID_SEPARATOR")->text(), "Ready");
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().isEmpty());

    // The View commands hide the main toolbar alone, then the status bar; the marks follow.
    QMenu* view = m_frame->menuBar()->actions()[2]->menu();
    for (const auto& [command, state] : {std::pair{"ID_VIEW_TOOLBAR", "01 0111"},
                                         {"ID_VIEW_STATUS_BAR", "00 0110"},
                                         {"ID_VIEW_TOOLBAR", "10 1110"}}) {
        ByMenu("&View", command);
        view->popup({});
        view->close();
        std::string now = {char('0' + view->actions()[0]->isChecked()),
                           char('0' + view->actions()[1]->isChecked()), ' '};
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
    ByMenu("&File", "ID_MARK");
    EXPECT_EQ(Marks(), "a.jpg b.jpg") << "a folder is never marked";
    ByMenu("&File", "ID_MARK");
    EXPECT_EQ(Marks(), "");
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    ByMenu("&File", "ID_MARK");
    EXPECT_EQ(Marks(), "a.jpg b.jpg c.png");

    CopyTextCut(GetAppSetting()->m_szCopyMoveTo, plat::MAX_PATH, copies.c_str());
    choose("");
    ByMenu("&Edit", "ID_EDIT_COPY");
    EXPECT_EQ(Names(copies), "") << "a cancelled chooser ends Copy To";
    plat::SetAutoClick("IDOK"); // the chooser opens on the remembered folder
    ByMenu("&Edit", "ID_EDIT_COPY");
    EXPECT_EQ(Names(copies), "a.jpg b.jpg c.png");
    EXPECT_EQ(Rows(2) + " / " + Marks(), "a.jpg b.jpg c.png / a.jpg b.jpg c.png");

    plat::SetAutoClick("IDC_RESIZE_RUN"); // pressed as the resize dialog opens
    ByMenu("&File", "ID_RESIZE");
    EXPECT_EQ(Names(m_photos + "/resize"), "a.jpg b.jpg c.png");
    EXPECT_EQ(Rows(2) + " / " + Marks(), "resize a.jpg b.jpg c.png / ");

    ClickRow("a.jpg");
    ClickRow("b.jpg", Qt::ControlModifier);
    ByMenu("&File", "ID_MARK");
    choose(deep);
    ByMenu("&Edit", "ID_MOVE_TO");
    EXPECT_EQ(Names(deep), "a.jpg b.jpg");
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
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    ByMenu("&File", "ID_MARK");
    const std::string told = Outcome([&] { ByMenu("&File", "ID_MAIL_TO"); });
    setrlimit(RLIMIT_STACK, &before);
    EXPECT_NE(told.find("These 1000 pictures"), std::string::npos) << told;
    EXPECT_NE(told.find(" " + std::to_string(limit) + " bytes"), std::string::npos) << told;
    EXPECT_FALSE(mail.Ran());
    const std::string outbox = plat::CMailSpool::OutboxFolder();
    EXPECT_TRUE(!fs::exists(outbox) || fs::is_empty(outbox));
}

// A window closed maximised reopens maximised, with the pane width the user dragged; stored
// placements that would hide the window or make it unusable open it on the screen; a layout
// that cannot be saved is told once.
TEST_F(MainFrameTest, TheLayoutComesBack) {
    Start();
    QSplitterHandle* handle = m_frame->m_wndSplitter->handle(1);
    const QPoint grip = handle->mapTo(m_frame, handle->rect().center());
    const int width = m_list->width();
    QTest::mousePress(m_frame->windowHandle(), Qt::LeftButton, {}, grip);
    QTest::mouseMove(m_frame->windowHandle(), grip + QPoint(-70, 0));
    QTest::mouseRelease(m_frame->windowHandle(), Qt::LeftButton, {}, grip + QPoint(-70, 0));
    ASSERT_EQ(m_list->width(), width - 70);
    m_frame->showMaximized();
    ByMenu("&File", "ID_APP_EXIT");
    EXPECT_FALSE(m_frame->isVisible());
    GetAppSetting()->LoadLayout(); // what the next start finds
    Start();
    EXPECT_TRUE(m_frame->isMaximized());
    EXPECT_EQ(m_list->width(), width - 70);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* what;
        WINDOWPLACEMENT stored;
    } placements[] = {
        {"a negative size", {44, 0, 1, -1, -1, -1, -1, 500, 400, 100, 100}},
        {"100000 px", {44, 0, 1, -1, -1, -1, -1, 0, 0, 100000, 100000}},
        {"off every screen", {44, 0, 1, -1, -1, -1, -1, -5000, 300, -4200, 900}},
        {"the extremes", {44, 0, 1, -1, -1, -1, -1, INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
        {"closed minimised", {44, 0, 2, -1, -1, -1, -1, 100, 50, 700, 450}},
    };
    for (const auto& p : placements) {
        SCOPED_TRACE(p.what);
        GetAppSetting()->m_wndPlacement = p.stored;
        Start();
        EXPECT_TRUE(screen.contains(m_frame->frameGeometry()));
        EXPECT_GE(m_frame->width(), 320);
        EXPECT_GE(m_frame->height(), 240);
        EXPECT_EQ(m_frame->windowState(), Qt::WindowNoState);
    }

    const std::string hive = plat::RegistryHiveFile(plat::HKEY_CURRENT_USER);
    fs::rename(hive, hive + ".kept");
    fs::create_directory(hive); // in the way of the settings file
    const std::string told = Outcome([&] {
        ByMenu("&File", "ID_APP_EXIT");
        m_app->ExitInstance(); // the list saves again as it goes
    });
    fs::remove(hive);
    fs::rename(hive + ".kept", hive);
    EXPECT_EQ(told.find("box "), 0u);
    EXPECT_EQ(told.find("box ", 1), std::string::npos) << told;
    EXPECT_NE(told.find(hive), std::string::npos) << told;
}

// "Open with Vantrel": the browser opens at the folder given, or at the first picture's folder
// with the pictures given there marked and the first one selected and in the preview; paths
// that name nothing are told, and the browser opens where it would have. The last start is the
// screenshot for a person to look at.
TEST_F(MainFrameTest, OpensWhereTheCommandLineSays) {
    const std::string elsewhere = vtltest::MakeTempDir("elsewhere");
    Paint(elsewhere + "/x.jpg", Qt::white);
    const std::string gone = m_photos + "/gone.jpg";
    const struct {
        std::vector<std::string> arguments;
        std::string folder, marks, current, told;
        QColor preview;
    } starts[] = {
        {{gone}, m_photos, "", "", "No such file or folder:\n" + gone, Qt::transparent},
        {{m_photos + "/Album/"}, m_photos + "/Album", "", "", "", Qt::transparent},
        {{m_photos + "/b.jpg"}, m_photos, "b.jpg", "b.jpg", "", Qt::green},
        {{m_photos + "/c.png", elsewhere + "/x.jpg", gone, m_photos + "/a.jpg"},
         m_photos,
         "a.jpg c.png",
         "c.png",
         "No such file or folder:\n" + gone,
         Qt::blue},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.arguments.front());
        std::string told;
        const auto boxes = vtltest::OnEveryModal([&](QWidget* box) {
            told += qobject_cast<QMessageBox*>(box)->text().toStdString();
            box->close();
        });
        Start(start.arguments);
        EXPECT_EQ(told, start.told);
        EXPECT_EQ(browsertest::Shows(*m_list), start.folder);
        EXPECT_EQ(Marks(), start.marks);
        EXPECT_EQ(m_list->currentIndex().data().toString().toStdString(),
                  start.current.empty() ? ".." : start.current);
        // The middle of the picture in the preview.
        const QImage shown = m_frame->GetPictureView()->viewport()->grab().toImage();
        const PaneRect box =
            CScrollPictureView::FitPictureRect({0, 0, shown.width(), shown.height()}, 160, 120);
        const QColor middle =
            shown.pixelColor((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        if (start.preview != Qt::transparent) {
            EXPECT_LT(std::abs(middle.hue() - start.preview.hue()) + 255 - middle.value(), 20);
        }
    }
    m_frame->resize(1000, 700);
    const QString folder = QStringLiteral(VTL_BIN_DIR "/../artifacts/");
    QDir().mkpath(folder);
    EXPECT_TRUE(m_frame->grab().save(folder + "main_window.png"));
}

} // namespace
