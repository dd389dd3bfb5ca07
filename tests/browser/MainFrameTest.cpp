// The main window through the program's own browser start, driven through its window as a
// person would: every menu item and toolbar button, the View and Help commands, the commands
// on marked pictures in a folder made for the test, the layout across starts, and "vtl PATH".
#include "app/application/MainFrame.h"

#include "app/browser/AddressComboBox.h"
#include "app/browser/HelpLinks.h"
#include "app/browser/StatusBar.h"
#include "app/browser/ThumbnailLoader.h"
#include "app/browser/ThumbnailView.h"
#include "app/browser/WindowPlacement.h"
#include "platform/Utf8.h"
#include "platform/mail/MailSpool.h"
#include "platform/mail/Mapi.h"
#include "platform/ui/AutoClick.h"
#include "platform/ui/ThemeStyle.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <climits>
#include <cmath>
#include <filesystem>
#include <map>
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

// The folder chooser that opens next: cancelled (""), or given a folder pasted into it.
void ChooseFolder(const std::string& folder) {
    vtltest::OnNextModal([folder](QWidget* chooser) {
        QApplication::clipboard()->setText(QString::fromStdString(folder));
        auto* edit = chooser->findChild<QLineEdit*>("fileNameEdit");
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(edit, folder.empty() ? Qt::Key_Escape : Qt::Key_Return);
    });
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
    // The manual made in the build; a mailbox only when the build was given one.
    const std::string manual =
        "open " + fs::canonical(VTL_BIN_DIR "/../share/vantrel/manual.html").string();
    const std::string support = SupportAddress();
    const auto mail = [&](const std::string& subject) {
        return support.empty() ? "disabled"
                               : "open mailto:" + support + "?subject=[VTL" + v + "] " + subject;
    };
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
        {"ID_VISIT_WEB", manual, "&Help"},
        {"ID_CHECK_VERSION", manual + "#version", "&Help"},
        {"ID_MAIL_TO_ME", mail("I have words to say"), "&Help"},
        {"ID_BUG_REPORT", mail("BUG REPORT"), "&Help"},
        {"ID_APP_ABOUT", "window About Vantrel", "&Help"},
    };
    int fresh = 0;
    for (const auto& [command, outcome, menu] : commands) {
        for (const bool byButton : {false, true}) {
            SCOPED_TRACE(std::string(command) + (byButton ? " by its button" : " by the menu"));
            QWidget* button = byButton ? Button(command) : nullptr;
            if (byButton && !button)
                continue;
            if (outcome == "disabled") { // nothing to click
                EXPECT_FALSE(m_frame->findChild<QAction*>(command)->isEnabled());
                continue;
            }
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

    // Prompts and tooltips say what the command does.
    const QAction* resize = m_frame->findChild<QAction*>("ID_RESIZE");
    EXPECT_EQ(resize->statusTip().toStdString() + " / " + resize->toolTip().toStdString(),
              "Resize the marked pictures / Resize");

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

// The status bar's message pane, as the person reads it once the window has caught up.
std::string StatusText(CMainFrame* frame) {
    QTest::qWait(10);
    const auto* pane = frame->findChild<QLabel*>("ID_SEPARATOR");
    return pane ? pane->text().toStdString() : "<no message pane>";
}

// Folders are never marked; marks stay through a refresh; the status bar counts them.
TEST_F(MainFrameTest, MarksStayOnPicturesAndAreCounted) {
    const std::string dir = Home() + "/Pictures/Marks";
    fs::create_directories(dir + "/Sub.jpg"); // a folder for all its name
    vtltest::WriteFile(dir + "/big.jpg", std::string(3'250'000, 'x'));
    vtltest::WriteFile(dir + "/huge.jpg", std::string(13'000'000, 'x'));
    vtltest::WriteFile(dir + "/small.jpg", std::string(2'000, 'x'));
    Start({dir});
    const auto menu = [this](const char* command) { return [this, command] { ByMenu(command); }; };
    // What the person does, then the marks and the status bar.
    const std::tuple<const char*, std::function<void()>, std::string, std::string> steps[] = {
        {"Mark All Pictures", menu("ID_MARK_ALL"), "big.jpg huge.jpg small.jpg",
         "3 pictures marked (15 MB)"},
        {"a box", [&] { ClickCheckBox("huge.jpg"); }, "big.jpg small.jpg",
         "2 pictures marked (3.1 MB)"},
        {"Refresh, with one of them gone and a new picture",
         [&] {
             fs::remove(dir + "/small.jpg");
             vtltest::WriteFile(dir + "/new.jpg", "x");
             ByMenu("ID_REFRESH");
         },
         "big.jpg", "1 picture marked (3.1 MB)"},
        {"Clear Marks", menu("ID_CLEAR_MARKS"), "", "No pictures marked"},
        {"a box, then another folder", [&] { ClickCheckBox("big.jpg"), Show(dir + "/Sub.jpg"); },
         "", "Ready"},
    };
    for (const auto& [what, act, marks, status] : steps) {
        SCOPED_TRACE(what);
        act();
        EXPECT_EQ(std::pair(Marks(), StatusText(m_frame)), std::pair(marks, status));
    }
}

// After Resize, Copy To, Move To and Mail To the status bar says what was done, and the pictures
// end where the person chose. A cancelled folder chooser copies nothing; a folder
// too long to remember is used but not remembered.
TEST_F(MainFrameTest, EachCommandSaysWhatItDid) {
    const std::string dir = Home() + "/Pictures/Said", copies = Home() + "/Pictures/Copies";
    // A folder too long to be remembered, but not to be used.
    std::string deep = vtltest::MakeTempDir("moved");
    while (deep.size() < 300)
        deep += "/" + std::string(60, 'd');
    for (const std::string& folder : {copies, dir, deep})
        fs::create_directories(folder);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        Paint(dir + "/" + name, Qt::red);
    // A mail program that refuses the mail.
    vtltest::FakeMailProgram refusing("exit 4");
    Start({dir});
    // How the command is set up and run (each on b.jpg and c.jpg, then a.jpg only), and what
    // the status bar says afterwards.
    const std::tuple<const char*, std::function<void()>, std::string> steps[] = {
        {"Resize", [&] { plat::SetAutoClick("IDC_RESIZE_RUN"), ByMenu("ID_RESIZE"); },
         "2 pictures resized into ~/Pictures/Said/resize"},
        {"Copy To, cancelled",
         [&] {
             ChooseFolder(""), ByMenu("ID_EDIT_COPY");
             EXPECT_EQ(vtltest::FolderNames(copies), Set{});
         },
         "Ready"},
        {"Copy To, the chooser on the remembered folder",
         [&] {
             plat::CopyTextCut(GetAppSetting()->m_szCopyMoveTo, plat::MAX_PATH, copies.c_str());
             plat::SetAutoClick("IDOK"), ByMenu("ID_EDIT_COPY");
         },
         "2 pictures copied to ~/Pictures/Copies"},
        {"Mail To, refused",
         [&] {
             refusing.Install();
             // The mail program's refusal is told once it has ended.
             EXPECT_EQ(Opened([&] {
                           ByMenu("ID_MAIL_TO");
                           (void)QTest::qWaitFor(
                               [&] { return StatusText(m_frame) == "No mail was sent"; }, 2000);
                       }),
                       "box Send Mail failed to send message.");
         },
         "No mail was sent"},
        {"Move To, with a.jpg already there",
         [&] {
             fs::remove(copies + "/b.jpg");
             fs::copy_file(dir + "/a.jpg", copies + "/a.jpg");
             ChooseFolder(copies);
             vtltest::OnNextModal([](QWidget* question) { vtltest::ClickNamed(question, "IDNO"); },
                                  "Confirm File Replace");
             ByMenu("ID_CLEAR_MARKS"), ClickCheckBox("a.jpg"), ClickCheckBox("b.jpg");
             ByMenu("ID_MOVE_TO");
         },
         "1 picture moved to ~/Pictures/Copies"},
        {"Move To a folder too long to remember", [&] { ChooseFolder(deep), ByMenu("ID_MOVE_TO"); },
         "1 picture moved to " + deep},
    };
    ClickCheckBox("b.jpg");
    ClickCheckBox("c.jpg");
    for (const auto& [what, act, status] : steps) {
        SCOPED_TRACE(what);
        act();
        // Mail To tells how the mail went once the mail program has ended.
        (void)QTest::qWaitFor([&] { return StatusText(m_frame) == status; }, 2000);
        EXPECT_EQ(StatusText(m_frame), status);
    }
    EXPECT_EQ(vtltest::FolderNames(copies), (Set{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(std::tuple(vtltest::FolderNames(dir), Rows(1), vtltest::FolderNames(deep)),
              std::tuple(Set{"c.jpg", "resize"}, "resize c.jpg", Set{"a.jpg"}));
    EXPECT_STREQ(GetAppSetting()->m_szCopyMoveTo, copies.c_str()) << "the long path is not kept";
    EXPECT_EQ(vtltest::FolderNames(dir + "/resize"), (Set{"b.jpg", "c.jpg"}));
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
    // Other tests of this program may have left mails of their own in the outbox.
    const Set spools = vtltest::FolderNames(plat::CMailSpool::OutboxFolder());
    Start({many});
    Press(Qt::Key_A, Qt::ControlModifier);
    ByMenu("ID_MARK");
    const std::string told = Opened([&] { ByMenu("ID_MAIL_TO"); });
    setrlimit(RLIMIT_STACK, &before);
    EXPECT_NE(told.find("These 1000 pictures"), std::string::npos) << told;
    EXPECT_NE(told.find(" " + std::to_string(limit) + " bytes"), std::string::npos) << told;
    EXPECT_EQ(std::pair(mail.Ran(), vtltest::FolderNames(plat::CMailSpool::OutboxFolder())),
              std::pair(false, spools));
}

// The thumbnails are another view of the same rows: one current row, one selection, one set of
// marks, whichever view the person uses; the choice comes back at the next start.
TEST_F(MainFrameTest, ThumbnailsShowTheSameRowsAsTheDetails) {
    Start();
    EXPECT_EQ(ByMenu("ID_VIEW_THUMBNAILS"), "&View");
    CThumbnailView* tiles = m_frame->GetThumbnailView();
    ASSERT_EQ(std::pair(tiles->isVisible(), m_list->isVisible()), std::pair(true, false));
    // Each picture gets its thumbnail, and the desktop's cache gets it too.
    const std::string a = m_photos + "/a.jpg";
    ASSERT_TRUE(QTest::qWaitFor([&] { return tiles->Loader()->Tile(a); }, 10000));
    EXPECT_TRUE(fs::exists(CThumbnailCache::UserFolder() + "/normal/" +
                           ThumbnailFileName(ThumbnailUri(a))));

    // Rows ".." Album a.jpg / b.jpg c.png: the arrows move along and across the grid.
    ASSERT_EQ(tiles->viewport()->width() / tiles->gridSize().width(), 3) << "columns";
    tiles->setFocus();
    m_preview->calls.clear();
    for (int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down})
        QTest::keyClick(tiles, Qt::Key(key));
    EXPECT_EQ(Current(), "c.png");
    EXPECT_EQ(m_preview->calls.at(m_preview->calls.size() - 3), "path:" + m_photos + "/c.png");
    QTest::keyClick(tiles, Qt::Key_Space);
    EXPECT_EQ(Marks(), "c.png");
    // The box on a picture's tile marks it; a folder's tile has none.
    const auto clickBox = [&](const std::string& name) {
        const QRect tile = tiles->visualRect(tiles->model()->index(RowOf(name), 0));
        Click(tiles->viewport(), tile.topLeft() + QPoint(14, 14));
    };
    clickBox("a.jpg");
    EXPECT_EQ(Current(), "c.png");
    clickBox("Album"); // a click where it would be selects the folder
    EXPECT_EQ(Marks() + " / " + Current(), "a.jpg c.png / Album");
    EXPECT_EQ(m_preview->calls.back(), "clear");
    QTest::keyClick(tiles, Qt::Key_End);
    QTest::keyClick(tiles, Qt::Key_Left);
    EXPECT_EQ(Current(), "b.jpg");
    ByMenu("ID_MARK");
    EXPECT_EQ(Marks(), "a.jpg b.jpg c.png");
    // "Sort by" of the tiles' context menu orders as a click on the header does.
    for (const char* order : {"c.png b.jpg a.jpg", "a.jpg b.jpg c.png"}) {
        QTimer::singleShot(0, [] {
            QWidget* menu = QApplication::activePopupWidget();
            menu->findChild<QMenu*>("IDS_SORT_BY")->actions().at(0)->trigger();
            menu->close();
        });
        QTest::mouseClick(
            m_frame->windowHandle(), Qt::RightButton, {},
            tiles->viewport()->mapTo(m_frame, tiles->visualRect(tiles->currentIndex()).center()));
        EXPECT_EQ(Rows(2), order);
    }

    Click(Button("ID_VIEW_DETAILS"), Button("ID_VIEW_DETAILS")->rect().center());
    ASSERT_EQ(std::pair(tiles->isVisible(), m_list->isVisible()), std::pair(false, true));
    EXPECT_EQ(std::pair(m_list->selectionModel()->selectedRows().size(), Current()),
              std::pair(qsizetype(1), std::string("b.jpg")));
    ClickCheckBox("a.jpg");
    EXPECT_EQ(Marks(), "b.jpg c.png");
    ByMenu("ID_VIEW_THUMBNAILS");
    ByMenu("ID_APP_EXIT");
    CAppSetting* setting = GetAppSetting();
    setting->m_nListView = CAppSetting::kListViewDetails;
    setting->LoadLayout();
    Start();
    EXPECT_TRUE(m_frame->GetThumbnailView()->isVisible());
    ByMenu("ID_VIEW_DETAILS");
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
    EXPECT_EQ(std::tuple(m_frame->isMaximized(), m_list->width(), sections()),
              std::tuple(true, width - 70, std::vector{120, 77, 90}));

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const std::pair<const char*, WINDOWPLACEMENT> placements[] = {
        {"100000 px", {44, 0, 1, -1, -1, -1, -1, 0, 0, 100000, 100000}},
        {"off every screen", {44, 0, 1, -1, -1, -1, -1, -5000, 300, -4200, 900}},
        {"the extremes", {44, 0, 1, -1, -1, -1, -1, INT_MIN, INT_MIN, INT_MAX, INT_MAX}},
        {"closed minimised", {44, 0, 2, -1, -1, -1, -1, 100, 50, 700, 450}},
    };
    for (const auto& [what, stored] : placements) {
        SCOPED_TRACE(what);
        setting->m_wndPlacement = stored;
        Start();
        EXPECT_EQ(std::tuple(screen.contains(m_frame->frameGeometry()), m_frame->width() >= 320,
                             m_frame->height() >= 240, m_frame->windowState()),
                  std::tuple(true, true, true, Qt::WindowNoState));
    }

    // Wayland tells no position: the size is stored where an X11 session left the window.
    EXPECT_EQ(NormalRect(SizeOnlyPlacement({44, 0, 1, -1, -1, -1, -1, 100, 50, 900, 650},
                                           {44, 0, 3, -1, -1, -1, -1, 0, 0, 1200, 700})),
              QRect(100, 50, 1200, 700));
}

// Contrast as the web's accessibility guidelines measure it, from 1 (none) to 21.
double Contrast(QColor a, QColor b) {
    const auto luminance = [](QColor c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every surface follows the theme's palette, light or dark: the commonest colour of each is
// the palette's ground, and its strongest ink stands out from it at least 4.5 : 1 for a text
// and 3 : 1 for the frame of an empty check box.
TEST_F(MainFrameTest, EverySurfaceReadsInALightAndADarkTheme) {
    plat::UseThemeStyle();
    Start();
    CScrollPictureView* preview = m_frame->GetPictureView();
    preview->SetPicturePath(m_photos + "/b.jpg");
    preview->ShowPicture();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !preview->IsLoading(); }));
    const QRect cell = Cell(RowOf("c.png")), mail = Button("ID_MAIL_TO")->rect();
    const QRect pane = preview->viewport()->rect();
    const std::tuple<const char*, QWidget*, QRect, QPalette::ColorRole, double> surfaces[] = {
        {"name", m_list->viewport(), cell.adjusted(cell.height(), 0, 0, 0), QPalette::Base, 4.5},
        {"check box", m_list->viewport(),
         QRect(cell.topLeft(), QSize(cell.height(), cell.height())), QPalette::Base, 3},
        {"header", m_list->m_ctrlHeader, m_list->m_ctrlHeader->rect(), QPalette::Button, 4.5},
        {"toolbar label", Button("ID_MAIL_TO"), mail.adjusted(0, mail.height() * 3 / 4, 0, 0),
         QPalette::Window, 4.5},
        {"Picture Properties", preview->viewport(), pane.adjusted(0, pane.height() / 2, 0, 0),
         QPalette::Base, 4.5},
    };
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(0x35, 0x35, 0x35));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xee, 0xee, 0xec));
    for (const QPalette& palette : {light, dark}) {
        QApplication::setPalette(palette);
        QApplication::processEvents();
        for (const auto& [what, widget, region, role, least] : surfaces) {
            const QImage picture = widget->grab().toImage();
            std::map<QRgb, int> counts;
            for (int y = region.top(); y <= region.bottom(); ++y)
                for (int x = region.left(); x <= region.right(); ++x)
                    ++counts[picture.pixel(x, y)];
            const QColor ground =
                std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                    return a.second < b.second;
                })->first;
            double ink = 1;
            for (const auto& [colour, count] : counts)
                ink = std::max(ink, Contrast(ground, QColor(colour)));
            EXPECT_LT(Contrast(ground, palette.color(role)), 1.5)
                << what << " " << qPrintable(ground.name());
            EXPECT_GE(ink, least) << what << " on " << qPrintable(ground.name());
        }
    }
    QApplication::setPalette(light);
}

// "Open with Vantrel": the browser opens at the folder given, or at the first picture's folder
// with the pictures given there marked and the first one selected; paths that name nothing are
// told.
TEST_F(MainFrameTest, OpensWhereTheCommandLineSays) {
    const std::string gone = m_photos + "/gone.jpg";
    // A path longer than the 259 bytes a stored location may hold.
    const std::string deep = m_photos + "/" + std::string(130, 'd') + "/" + std::string(130, 'e');
    fs::create_directories(deep);
    Paint(deep + "/deep.jpg", Qt::red);
    // The arguments (the missing path told when among them), then the folder shown, the marks,
    // and the current row (none in a fresh folder).
    const std::string& p = m_photos;
    const std::tuple<std::vector<std::string>, std::string, std::string, std::string> starts[] = {
        {{p + "/Album/"}, p + "/Album", "", ""},
        {{p + "/c.png", gone, p + "/a.jpg"}, p, "a.jpg c.png", "c.png"},
        {{deep + "/deep.jpg"}, deep, "deep.jpg", "deep.jpg"},
    };
    for (const auto& [arguments, folder, marks, current] : starts) {
        SCOPED_TRACE(arguments.front());
        EXPECT_EQ(Opened([&] { Start(arguments); }), std::ranges::count(arguments, gone)
                                                         ? "box No such file or folder:\n" + gone
                                                         : "");
        EXPECT_EQ(std::tuple(Shows(*m_list), Marks(), Current()),
                  std::tuple(folder, marks, current));
    }
    m_frame->resize(1000, 700); // the picture marked and shown
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_frame->GetPictureView()->IsLoading(); }));
    browsertest::SaveScreenshot(m_frame, "main_window.png");
}

// Files dropped from another program open as on the command line, taken as a copy; a drop of
// anything but files, or one that offers no copy (the source would delete a moved file), is
// refused and changes nothing.
TEST_F(MainFrameTest, DroppedFilesOpenAsOnTheCommandLine) {
    Start();
    const auto file = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString(m_photos + name));
    };
    const QUrl web("https://example.com/b.jpg");
    const Qt::DropActions copy = Qt::CopyAction;
    // The URLs, the actions offered, whether they are taken; the folder shown and the marks.
    const std::tuple<QList<QUrl>, Qt::DropActions, bool, std::string, std::string> drops[] = {
        {{file("/Album")}, copy | Qt::MoveAction, true, "/Album", ""},
        {{file("/c.png"), file("/a.jpg")}, copy, true, "", "a.jpg c.png"},
        {{file("/b.jpg"), web}, copy, false, "", "a.jpg c.png"},
        {{file("/b.jpg")}, Qt::MoveAction, false, "", "a.jpg c.png"}};
    for (const auto& [urls, actions, taken, folder, marks] : drops) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter({1, 1}, actions, &data, Qt::LeftButton, {});
        QDropEvent drop(QPointF(1, 1), actions, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(m_frame, &enter);
        QCoreApplication::sendEvent(m_frame, &drop);
        QTest::qWait(10);
        EXPECT_EQ(std::tuple(enter.isAccepted(),
                             drop.isAccepted() && drop.dropAction() == Qt::CopyAction,
                             Shows(*m_list), Marks()),
                  std::tuple(taken, taken, m_photos + folder, marks))
            << urls[0].toString().toStdString();
    }
}

} // namespace
