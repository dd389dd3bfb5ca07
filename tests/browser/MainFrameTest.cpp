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
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/Registry.h"
#include "platform/mail/MailSpool.h"
#include "platform/ui/AutoClick.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
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

// A picture of one colour.
void Paint(const std::string& path, QColor colour) {
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(QString::fromStdString(path)));
}

class MainFrameTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_photos + "/Album");
        Paint(m_photos + "/a.jpg", Qt::red);
        Paint(m_photos + "/b.jpg", Qt::green);
        Paint(m_photos + "/c.png", Qt::blue);
        CAppSetting* setting = GetAppSetting();
        setting->SetLastBrowse(m_photos);
        setting->m_szCopyMoveTo[0] = 0;
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
    QWidget* Rows() const { return m_list->viewport(); }
    int RowOf(const std::string& name) const {
        for (int row = 0; row < m_list->model()->rowCount(); ++row)
            if (m_list->model()->index(row, 0).data().toString().toStdString() == name)
                return row;
        return -1;
    }
    void ClickRow(const char* name, Qt::KeyboardModifiers keys = {}) {
        const QRect cell = m_list->visualRect(m_list->model()->index(RowOf(name), 0));
        QTest::mouseClick(m_frame->windowHandle(), Qt::LeftButton, keys,
                          Rows()->mapTo(m_frame, cell.center()));
    }
    std::string Marks() const {
        std::string marks;
        for (int row = 0; row < m_list->model()->rowCount(); ++row)
            if (m_list->model()->index(row, 0).data(Qt::CheckStateRole) == Qt::Checked)
                marks += (marks.empty() ? "" : ",") +
                         m_list->model()->index(row, 0).data().toString().toStdString();
        return marks;
    }
    // Opens the menu by a click on its title and clicks the item.
    void ByMenu(const char* menuTitle, const char* item) {
        QMenuBar* bar = m_frame->menuBar();
        for (QAction* title : bar->actions()) {
            if (title->text() != menuTitle)
                continue;
            Click(bar, bar->actionGeometry(title).center());
            QMenu* menu = title->menu();
            EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }));
            auto* action = m_frame->findChild<QAction*>(item);
            QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                              menu->actionGeometry(action).center());
            return;
        }
        ADD_FAILURE() << "no menu " << menuTitle;
    }
    QWidget* Button(const char* command) const {
        auto* action = m_frame->findChild<QAction*>(command);
        for (QToolBar* bar : {m_frame->m_wndToolBar, m_frame->m_wndNavBar})
            if (QWidget* button = bar->widgetForAction(action))
                return button;
        return nullptr;
    }
    // What the person sees change while `act` runs: the dialog or message that opens (closed
    // at once), the link opened, or the list, the marks, the selection or the bars.
    std::string Outcome(const std::function<void()>& act) {
        std::string seen;
        const QPointer<QTimer> watch = vtltest::OnNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            seen = box ? "box " + box->text().toStdString()
                       : "window " + modal->windowTitle().toStdString();
            modal->close();
        });
        const std::string folder = browsertest::Shows(*m_list), marks = Marks();
        const int rows = m_list->model()->rowCount();
        const std::size_t links = m_links.size();
        const bool toolbar = m_frame->m_wndToolBar->isVisible();
        const bool statusBar = m_frame->m_wndStatusBar->isVisible();
        act();
        QTest::qWait(20);
        delete watch.data();
        const int selected = static_cast<int>(m_list->selectionModel()->selectedRows().size());
        if (!seen.empty())
            return seen;
        if (m_links.size() != links) {
            const QUrl& link = m_links.back();
            const QString query = link.query(QUrl::FullyDecoded);
            return "open " + (link.scheme() == "mailto" ? "mailto:" + query
                                                        : link.scheme() + ":" + link.path() +
                                                              (query.isEmpty() ? "" : "?" + query))
                                 .toStdString();
        }
        if (browsertest::Shows(*m_list) == fs::path(folder).parent_path().string())
            return "folder ..";
        if (Marks() != marks)
            return "marks " + Marks();
        if (m_list->model()->rowCount() != rows)
            return "rows " + std::to_string(m_list->model()->rowCount() - rows);
        if (m_frame->m_wndToolBar->isVisible() != toolbar)
            return toolbar ? "toolbar hidden" : "toolbar shown";
        if (m_frame->m_wndStatusBar->isVisible() != statusBar)
            return statusBar ? "status bar hidden" : "status bar shown";
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
        std::string outcome;
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
        {"ID_VIEW_TOOLBAR", "&View", "toolbar hidden"},
        {"ID_VIEW_STATUS_BAR", "&View", "status bar hidden"},
        {"ID_VISIT_WEB", "&Help", "open https:/"},
        {"ID_CHECK_VERSION", "&Help", "open https:/vtl/upgrade.asp?version=" + v},
        {"ID_MAIL_TO_ME", "&Help", "open mailto:subject=[VTL" + v + "] I have words to say"},
        {"ID_BUG_REPORT", "&Help", "open mailto:subject=[VTL" + v + "] BUG REPORT"},
        {"ID_APP_ABOUT", "&Help", "window About Vantrel"},
    };
    int fresh = 0;
    for (const auto& c : commands) {
        for (const bool byButton : {false, true}) {
            SCOPED_TRACE(std::string(c.command) + (byButton ? " by its button" : " by the menu"));
            QWidget* button = Button(c.command);
            if (byButton && !button)
                continue;
            // Each time from the same place: Photos, nothing marked, b.jpg selected, bars shown;
            // and one picture that only a refresh shows.
            m_list->NavigateTo(browsertest::Parse(m_photos).get());
            m_frame->m_wndToolBar->show();
            m_frame->m_wndStatusBar->show();
            ClickRow("b.jpg");
            vtltest::WriteFile(m_photos + "/new" + std::to_string(++fresh) + ".jpg", "");
            EXPECT_EQ(Outcome([&] {
                          if (byButton)
                              Click(button, button->rect().center());
                          else
                              ByMenu(c.menu, c.command);
                      }),
                      c.outcome);
        }
    }
    // One site and one mailbox: the upgrade page is on the site, the mails go to its domain.
    ASSERT_EQ(m_links.size(), 4u);
    EXPECT_EQ(m_links[1].host(), m_links[0].host());
    EXPECT_EQ(m_links[2].path(), m_links[3].path());
    EXPECT_TRUE(m_links[2].path().endsWith("@" + m_links[0].host()));

    // The View menu's marks follow the bars: only the main toolbar goes.
    ByMenu("&View", "ID_VIEW_TOOLBAR");
    EXPECT_TRUE(m_frame->m_wndNavBar->isVisible() && m_frame->m_wndAddress->isVisible());
    QMenu* view = m_frame->menuBar()->actions()[2]->menu();
    view->popup({});
    EXPECT_FALSE(m_frame->findChild<QAction*>("ID_VIEW_TOOLBAR")->isChecked());
    EXPECT_TRUE(m_frame->findChild<QAction*>("ID_VIEW_STATUS_BAR")->isChecked());
    view->close();
}

TEST_F(MainFrameTest, PromptsFollowTheMouseAndCtrlASelectsEveryRow) {
    Start();
    auto* pane = m_frame->m_wndStatusBar->findChild<QLabel*>("ID_SEPARATOR");
    QWidget* copy = Button("ID_EDIT_COPY");
    // The mouse comes into the window over the list, then moves onto the button.
    QTest::mouseMove(m_frame->windowHandle(), Rows()->mapTo(m_frame, QPoint(5, 5)));
    QTest::mouseMove(m_frame->windowHandle(), copy->mapTo(m_frame, copy->rect().center()));
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), "Copy the marked pictures to pointed folder");
    EXPECT_EQ(copy->toolTip(), "Copy");
    QTest::mouseMove(m_frame->windowHandle(), Rows()->mapTo(m_frame, QPoint(5, 5)));
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), "");
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->text(), "Ready");
    for (const char* lock : {"IDS_INDICATOR_CAPS", "IDS_INDICATOR_NUM", "IDS_INDICATOR_SCRL"})
        EXPECT_TRUE(m_frame->m_wndStatusBar->findChild<QLabel*>(lock)->isVisible());

    QTest::keyClick(m_frame->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m_list->selectionModel()->selectedRows().size(), m_list->model()->rowCount());
}

// The file names in a folder, sorted.
std::string Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

// The commands on marked pictures, one step after another in Photos.
TEST_F(MainFrameTest, CommandsOnMarkedPictures) {
    Start();
    vtltest::FakeMailProgram mail;
    mail.Install();
    const std::string copies = vtltest::MakeTempDir("copies");
    // A folder too long to be remembered, but not to be used.
    std::string deep = vtltest::MakeTempDir("moved");
    while (deep.size() < 300)
        deep += "/" + std::string(60, 'd');
    fs::create_directories(deep);
    const auto mark = [&](const char* name) {
        ClickRow(name);
        ByMenu("&File", "ID_MARK");
    };
    // The chooser, cancelled or given a folder pasted in.
    const auto chooser = [](const std::string& folder) {
        vtltest::OnNextModal([folder](QWidget* chooser) {
            auto* edit = chooser->findChild<QLineEdit*>("fileNameEdit");
            if (folder.empty())
                return chooser->close();
            QApplication::clipboard()->setText(QString::fromStdString(folder));
            QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Return);
            return true;
        });
    };
    const struct {
        const char* what;
        std::function<void()> act;
        const char* marks;
        const char* listed; // the list's rows after "..", "Album"
        const char* copied;
    } steps[] = {
        {"Mark on a folder and two pictures",
         [&] {
             ClickRow("Album");
             ClickRow("a.jpg", Qt::ControlModifier);
             ClickRow("b.jpg", Qt::ControlModifier);
             ByMenu("&File", "ID_MARK");
         },
         "a.jpg,b.jpg", "a.jpg b.jpg c.png", ""},
        {"Mark again", [&] { ByMenu("&File", "ID_MARK"); }, "", "a.jpg b.jpg c.png", ""},
        {"Ctrl+A, then Mark",
         [&] {
             QTest::keyClick(m_frame->windowHandle(), Qt::Key_A, Qt::ControlModifier);
             ByMenu("&File", "ID_MARK");
         },
         "a.jpg,b.jpg,c.png", "a.jpg b.jpg c.png", ""},
        {"Copy To, the chooser cancelled",
         [&] {
             chooser("");
             ByMenu("&Edit", "ID_EDIT_COPY");
         },
         "a.jpg,b.jpg,c.png", "a.jpg b.jpg c.png", ""},
        {"Copy To, the chooser opening on the remembered folder",
         [&] {
             CopyTextCut(GetAppSetting()->m_szCopyMoveTo, plat::MAX_PATH, copies.c_str());
             plat::SetAutoClick("IDOK");
             ByMenu("&Edit", "ID_EDIT_COPY");
         },
         "a.jpg,b.jpg,c.png", "a.jpg b.jpg c.png", "a.jpg b.jpg c.png"},
        {"Resize, run as the dialog opens",
         [&] {
             plat::SetAutoClick("IDC_RESIZE_RUN");
             ByMenu("&File", "ID_RESIZE");
         },
         "", "resize a.jpg b.jpg c.png", "a.jpg b.jpg c.png"},
        {"Mail To",
         [&] {
             mark("a.jpg");
             ByMenu("&File", "ID_MAIL_TO");
         },
         "a.jpg", "resize a.jpg b.jpg c.png", "a.jpg b.jpg c.png"},
        {"Move To a folder pasted in",
         [&] {
             mark("b.jpg");
             chooser(deep);
             ByMenu("&Edit", "ID_MOVE_TO");
         },
         "", "resize c.png", "a.jpg b.jpg c.png"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(Marks(), step.marks);
        std::string listed;
        for (int row = 2; row < m_list->model()->rowCount(); ++row)
            listed += (listed.empty() ? "" : " ") +
                      m_list->model()->index(row, 0).data().toString().toStdString();
        EXPECT_EQ(listed, step.listed);
        EXPECT_EQ(Names(copies), step.copied);
    }
    EXPECT_EQ(Names(m_photos + "/resize"), "a.jpg b.jpg c.png");
    EXPECT_EQ(Names(deep), "a.jpg b.jpg");
    EXPECT_EQ(mail.AttachedPaths().size(), 1u);
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
    EXPECT_FALSE(fs::exists(plat::CMailSpool::OutboxFolder()));
}

// A window closed maximised reopens maximised, with the pane width the user dragged; stored
// placements that would hide the window or make it unusable open it on the screen.
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

    // A layout that cannot be saved is told once, though the window and its list both save.
    const std::string hive = plat::RegistryHiveFile(plat::HKEY_CURRENT_USER);
    fs::rename(hive, hive + ".kept");
    fs::create_directory(hive);
    QStringList told;
    const auto boxes = vtltest::OnEveryModal([&](QWidget* box) {
        told << qobject_cast<QMessageBox*>(box)->text();
        box->close();
    });
    ByMenu("&File", "ID_APP_EXIT");
    m_app->ExitInstance();
    fs::remove(hive);
    fs::rename(hive + ".kept", hive);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QString::fromStdString(hive))) << told[0].toStdString();

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
}

// "Open with Vantrel": the browser opens at the folder given, or at the first picture's folder
// with the pictures given there marked and the first one selected and in the preview; paths
// that name nothing are told, and the browser opens where it would have.
TEST_F(MainFrameTest, OpensWhereTheCommandLineSays) {
    const std::string elsewhere = vtltest::MakeTempDir("elsewhere");
    Paint(elsewhere + "/x.jpg", Qt::white);
    const std::string gone = m_photos + "/gone.jpg";
    const struct {
        std::vector<std::string> arguments;
        std::string folder, marks, current, preview, told;
    } starts[] = {
        {{gone}, m_photos, "", "", "", "No such file or folder:\n" + gone},
        {{m_photos + "/b.jpg"}, m_photos, "b.jpg", "b.jpg", "green", ""},
        {{m_photos + "/c.png", elsewhere + "/x.jpg", gone, m_photos + "/a.jpg"},
         m_photos,
         "a.jpg,c.png",
         "c.png",
         "blue",
         "No such file or folder:\n" + gone},
        {{m_photos + "/Album/"}, m_photos + "/Album", "", "", "", ""},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.arguments.front());
        QString told;
        const QPointer<QTimer> watch = vtltest::OnNextModal([&](QWidget* box) {
            told = qobject_cast<QMessageBox*>(box)->text();
            box->close();
        });
        Start(start.arguments);
        delete watch.data();
        EXPECT_EQ(told.toStdString(), start.told);
        EXPECT_EQ(browsertest::Shows(*m_list), start.folder);
        EXPECT_EQ(Marks(), start.marks);
        const QModelIndex current = m_list->currentIndex();
        EXPECT_EQ(start.current.empty() ? "" : current.data().toString().toStdString(),
                  start.current);
        // The middle of the picture in the preview.
        CScrollPictureView* preview = m_frame->GetPictureView();
        const QImage shown = preview->viewport()->grab().toImage();
        const PaneRect box =
            CScrollPictureView::FitPictureRect({0, 0, shown.width(), shown.height()}, 160, 120);
        const QColor middle =
            shown.pixelColor((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        const std::string colour = middle.red() > 200 && middle.green() < 60   ? "red"
                                   : middle.green() > 200 && middle.red() < 60 ? "green"
                                   : middle.blue() > 200 && middle.red() < 60  ? "blue"
                                                                               : "";
        EXPECT_EQ(colour, start.preview);
    }
}

// The main window on a folder of pictures, two marked and one selected, for a person to look at.
TEST_F(MainFrameTest, ScreenshotOfTheMainWindow) {
    Start({m_photos + "/b.jpg", m_photos + "/c.png"});
    m_frame->resize(1000, 700);
    const QString folder = QStringLiteral(VTL_BIN_DIR "/../artifacts/");
    QDir().mkpath(folder);
    EXPECT_TRUE(m_frame->grab().save(folder + "main_window.png"));
}

} // namespace
