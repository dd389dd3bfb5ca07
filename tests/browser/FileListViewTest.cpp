// The file list of the main window on folders made for the test, driven with clicks and keys
// through the window: sorting, the preview calls, check boxes and the marked files, opening
// folders and pictures, and a desktop without icons.
#include "app/browser/FileListView.h"

#include "app/browser/AddressComboBox.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QProxyStyle>
#include <QTest>

#include <filesystem>
#include <functional>
#include <sstream>
#include <sys/stat.h>

using namespace browsertest;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// The browser on Photos: two folders (one hidden), pictures of known sizes and ages, and files
// that are no pictures or must never be opened (a FIFO, a link to nothing).
class FileListViewTest : public BrowserTest {
  protected:
    void SetUp() override {
        fs::create_directories(Path("sub"));
        fs::create_directories(Path(".hidden-folder"));
        const std::tuple<const char*, std::size_t, int> files[] = {
            {"apple.jpg", 5000, 1},  {"b.gif", 100, 5},    {"Zeta.png", 1500, 3},
            {"photo.JPEG", 2000, 6}, {"photo.tif", 10, 2}, {".hidden.png", 3000, 4},
            {"photo.jpgx", 10, 1},   {"photo.lnk", 10, 1}};
        for (const auto& [name, size, hoursOld] : files) {
            vtltest::WriteFile(Path(name), std::string(size, 'x'));
            fs::last_write_time(Path(name),
                                fs::file_time_type::clock::now() - std::chrono::hours(hoursOld));
        }
        ASSERT_EQ(mkfifo(Path("fifo.jpg").c_str(), 0600), 0);
        fs::create_symlink(Path("gone"), Path("broken.jpg"));
        GetAppSetting()->m_nCurCol = 900; // room for the four columns
        Start();
        m_frame->resize(1200, 600);
        Show(m_photos);
    }
    std::string Path(const std::string& name) const { return m_photos + "/" + name; }

    const std::string m_photos = vtltest::MakeTempDir("list") + "/Photos";
};

// A click on the Size header sorts by size, and the mark and the current row stay on their
// picture. (The order of every sort is the folder rows' own test; a second click on a column is
// the thumbnails' Sort by, which clicks the same column.)
TEST_F(FileListViewTest, AHeaderClickSortsAndTheCurrentRowStays) {
    ClickRow("b.gif");
    Press(Qt::Key_Space);
    CArrowHeaderCtrl* header = m_list->m_ctrlHeader;
    Click(header,
          {header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2});
    EXPECT_EQ(std::tuple(Rows(3), Marks(), Current()),
              std::tuple("broken.jpg photo.tif b.gif Zeta.png photo.JPEG .hidden.png apple.jpg",
                         "b.gif", "b.gif"));
}

// The preview follows the current row however it moves, each step from where the one before left
// it (the first step starts where none is current): a picture row shows its picture, a folder
// row or ".." clears the pane, and so does a fill of another folder, or one that no longer lists
// the picture shown.
TEST_F(FileListViewTest, ThePreviewFollowsTheCurrentRow) {
    // What the pane was last asked: "show <name>", "clear", or "" when nothing; and to read
    // ahead after that: "<name>", "" to drop, "none" when it was not asked.
    const auto last = [&](bool ahead) {
        std::string asked, next = "none";
        for (const std::string& call : m_preview->calls)
            if (call == "clear")
                asked = "clear", next = "none";
            else if (call.starts_with("path:"))
                asked = "show " + fs::path(call.substr(5)).filename().string(), next = "none";
            else if (call.starts_with("ahead:"))
                next = fs::path(call.substr(6)).filename().string();
        return ahead ? next : asked;
    };
    const auto key = [this](int pressed) { return [this, pressed] { Press(pressed); }; };
    const struct {
        const char* what;
        std::function<void()> act;
        const char* current;
        const char* preview;
        const char* ahead = "none"; // the next picture in the direction of travel
    } cases[] = {
        {"the first Down, the focus coming back from the address box",
         [&] {
             m_box->lineEdit()->setFocus();
             m_list->setFocus(Qt::TabFocusReason);
             Press(Qt::Key_Down);
         },
         "..", "clear"},
        {"typing a name", key(Qt::Key_Z), "Zeta.png", "show Zeta.png", "apple.jpg"},
        {"a click", [&] { ClickRow("b.gif"); }, "b.gif", "show b.gif", "broken.jpg"},
        {"End", key(Qt::Key_End), "photo.tif", "show photo.tif", ""},
        {"Home", key(Qt::Key_Home), "..", "clear"},
        {"another folder",
         [&] {
             ClickRow("apple.jpg");
             Click(Button("ID_UP_FOLDER"), Button("ID_UP_FOLDER")->rect().center());
         },
         "", "clear"},
        {"a refresh after the picture has gone",
         [&] {
             ClickRow("Zeta.png");
             fs::remove(Path("Zeta.png"));
             Press(Qt::Key_F5);
         },
         "", "clear"},
    };
    for (const auto& c : cases) {
        Show(m_photos);
        m_list->setFocus();
        m_preview->calls.clear();
        c.act();
        EXPECT_EQ(std::tuple(Current(), last(false), last(true)),
                  std::tuple(c.current, c.preview, c.ahead))
            << c.what;
    }
}

// Alt+Up and Backspace in the list go up a folder (Backspace in the address box edits its text),
// a double-click opens a folder, and Enter a picture in the desktop's viewer, by the exact bytes
// of its name.
TEST_F(FileListViewTest, KeysPeopleExpect) {
    const std::string cafe = "caf\xEF\xBF\xBD.jpg"; // as the list shows caf\xE9.jpg
    const struct {
        const char* what;
        std::function<void()> act;
        std::string outcome;
    } cases[] = {
        {"Alt+Up", [&] { Press(Qt::Key_Up, Qt::AltModifier); }, "folder .."},
        {"Backspace in the list",
         [&] {
             ClickRow("b.gif");
             Press(Qt::Key_Backspace);
         },
         "folder .."},
        {"Backspace in the address box edits its text",
         [&] {
             m_box->lineEdit()->setFocus();
             Press(Qt::Key_Backspace);
         },
         "selected 0"},
        {"a double-click on a folder",
         [&] { Click(m_list->viewport(), Cell(RowOf("sub")).center(), true); }, "folder sub"},
        {"Enter on a picture whose name is not UTF-8",
         [&] {
             vtltest::WriteFile(Path("caf\xE9.jpg"), "x");
             m_list->Refresh();
             ClickRow(cafe);
             Press(Qt::Key_Return);
         },
         "open " + Path("caf\xE9.jpg")},
    };
    for (const auto& c : cases) {
        Show(m_photos);
        m_list->setFocus();
        EXPECT_EQ(Outcome(c.act), c.outcome) << c.what;
    }
}

// A drag carries the rows dragged, or every mark when a dragged row is marked, as their files' URIs
// (whose escaping the thumbnail names check against GLib's); ".." carries nothing. Only a copy is
// offered. The boxes of folders and ".." mark nothing, and the marks are collected by the bytes
// of their names.
TEST_F(FileListViewTest, RowsDragOutAsTheirFilesUris) {
    const std::string folder = vtltest::MakeTempDir("drag") + "/My Pics";
    fs::create_directories(folder + "/sub dir");
    for (const char* name : {"a b.jpg", "b.png", "caf\xE9.jpg"})
        vtltest::WriteFile(folder + "/" + name, "x");
    Show(folder);
    const CFileListCtrl& model = *m_list->GetListCtrl();
    EXPECT_EQ(model.supportedDragActions(), Qt::CopyAction);
    const std::string cafe = "caf\xEF\xBF\xBD.jpg";
    // The rows dragged, the rows marked, the URIs the drag carries (after the folder's).
    const std::tuple<Names, Names, std::string> drags[] = {
        {{"a b.jpg"}, {"b.png"}, "a%20b.jpg"},
        {{"b.png"}, {cafe, "b.png"}, "b.png caf%E9.jpg"},
        {{".."}, {}, ""}};
    for (const auto& [dragged, marked, carried] : drags) {
        m_list->OnClearMarks();
        for (const std::string& name : marked)
            ClickCheckBox(name);
        QModelIndexList indexes;
        for (const std::string& name : dragged) {
            indexes.append(model.index(RowOf(name), 0));
            EXPECT_EQ(bool(model.flags(indexes.back()) & Qt::ItemIsDragEnabled), name != "..");
        }
        std::string uris, uri;
        for (std::istringstream words(carried); words >> uri;)
            uris += "file://" + folder.substr(0, folder.size() - 8) + "/My%20Pics/" + uri + "\r\n";
        const std::unique_ptr<QMimeData> data(model.mimeData(indexes));
        EXPECT_EQ(data ? data->data("text/uri-list").toStdString() : "", uris) << dragged[0];
    }
    m_list->OnClearMarks();
    for (const std::string& name : Names{cafe, "sub dir", "..", "a b.jpg"})
        ClickCheckBox(name);
    EXPECT_EQ(Marks(), "a b.jpg " + cafe);
    ASSERT_TRUE(m_list->CollectMarked());
    EXPECT_EQ(GetAppSetting()->m_listFiles, (Names{folder + "/a b.jpg", folder + "/caf\xE9.jpg"}));
}

// A desktop without any icons (no theme, a style without them) is told once, and the list still
// lists everything.
TEST_F(FileListViewTest, WithoutIconsTheListSaysSoAndStillLists) {
    struct NoIconStyle : QProxyStyle {
        QIcon standardIcon(StandardPixmap, const QStyleOption*, const QWidget*) const override {
            return {};
        }
    };
    const int rows = m_list->model()->rowCount();
    const QString style = QApplication::style()->name();
    const QString theme = QIcon::themeName();
    QApplication::setStyle(new NoIconStyle);
    QIcon::setThemeName({});
    const std::string told = Opened([&] {
        Start();
        Show(m_photos);
    });
    QApplication::setStyle(style);
    QIcon::setThemeName(theme);
    EXPECT_EQ(std::pair(told, m_list->model()->rowCount()),
              std::pair(std::string("box error to initial image list"), rows));
}

} // namespace
