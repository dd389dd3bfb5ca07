// The file list on folders made for the test, offscreen, driven with clicks and keys through
// its window: what it lists, the ".." row, sorting and its arrow, the preview calls, check
// boxes and the marked files, opening folders, and what it reads and stores in the settings.
#include "app/browser/FileListView.h"

#include "app/core/AppSetting.h"
#include "app/preview/VantrelDoc.h"
#include "platform/shell/ShellInfo.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QWindow>

#include <filesystem>
#include <sys/stat.h>

using namespace plat;
using browsertest::Parse;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// Photos: two folders (one hidden), pictures of known sizes and ages, and files that are no
// pictures or cannot be opened.
struct Photos {
    Photos() : folder(vtltest::MakeTempDir("list") + "/Photos") {
        fs::create_directories(folder + "/sub");
        fs::create_directories(folder + "/.hidden-folder");
        const struct {
            const char* name;
            std::size_t size;
            int hoursOld;
        } files[] = {{"apple.jpg", 5000, 1},  {"b.gif", 100, 5},     {"Zeta.png", 1500, 3},
                     {"photo.JPEG", 2000, 6}, {"photo.jpgx", 10, 2}, {".hidden.png", 3000, 4},
                     {"photo.tif", 10, 1},    {"photo.lnk", 10, 1},  {"notes.txt", 10, 1}};
        const auto now = fs::file_time_type::clock::now();
        for (const auto& f : files) {
            vtltest::WriteFile(folder + "/" + f.name, std::string(f.size, 'x'));
            fs::last_write_time(folder + "/" + f.name, now - std::chrono::hours(f.hoursOld));
        }
        EXPECT_EQ(mkfifo((folder + "/fifo.jpg").c_str(), 0600), 0);
        fs::create_symlink(folder + "/gone", folder + "/broken.jpg");
    }
    std::string Path(const std::string& name) const { return folder + "/" + name; }
    std::string folder;
};

class FileListViewTest : public ::testing::Test {
  protected:
    FileListViewTest() {
        doc.m_pPictureView = &preview;
        view.resize(900, 500);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.OnInitialUpdate();
        view.setFocus();
    }

    void Show(const std::string& location) {
        const PidlPtr pidl = Parse(location);
        ASSERT_TRUE(pidl) << location;
        view.NavigateTo(pidl.get());
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        const QAbstractItemModel* model = view.model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts.push_back(model->index(row, column).data().toString().toStdString());
        return texts;
    }
    Names NamesShown() const { return Column(0); }
    int RowOf(const std::string& name) const {
        const Names names = NamesShown();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }

    QRect CellRect(int row, int column) {
        const QModelIndex index = view.model()->index(row, column);
        view.scrollTo(index);
        return view.visualRect(index);
    }
    // On the row's name, clear of its check box.
    void ClickRow(int row) { browsertest::Click(view.viewport(), CellRect(row, 0).center()); }
    void DoubleClickRow(int row) {
        browsertest::DoubleClick(view.viewport(), CellRect(row, 0).center());
    }
    void ClickCheckBox(int row) {
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.rect = CellRect(row, 0);
        option.features = QStyleOptionViewItem::HasCheckIndicator |
                          QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        option.decorationSize = view.iconSize();
        const QRect box =
            view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view);
        browsertest::Click(view.viewport(), box.center());
    }
    void ClickHeader(int column) {
        CArrowHeaderCtrl* header = view.m_ctrlHeader;
        browsertest::Click(header, QPoint(header->sectionViewportPosition(column) +
                                              header->sectionSize(column) / 2,
                                          header->height() / 2));
    }
    void Press(int key) { QTest::keyClick(view.window()->windowHandle(), Qt::Key(key)); }
    bool Checked(int row) const {
        return view.model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }
    int CurrentRow() const { return view.currentIndex().row(); }
    std::string ShownFolder() {
        std::string name;
        view.m_shell.GetName(view.m_pidlFolder.get(), name, nullptr, SHGDN_FORPARSING);
        return name;
    }

    // The arrow in a header section, as the pixels of the button highlight and shadow colours
    // in the section's right part: how many lie in its top row and in its bottom row.
    std::pair<int, int> ArrowRows(int column) {
        CArrowHeaderCtrl* header = view.m_ctrlHeader;
        const QImage image = header->grab().toImage();
        const QColor light = header->palette().color(QPalette::Light);
        const QColor dark = header->palette().color(QPalette::Dark);
        const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            int count = 0;
            for (int x = right - header->sectionSize(column) * 2 / 5; x < right; ++x)
                count += image.pixelColor(x, y) == light || image.pixelColor(x, y) == dark;
            if (count)
                rows.push_back(count);
        }
        return rows.empty() ? std::pair(0, 0) : std::pair(rows.front(), rows.back());
    }

    CVantrelDoc doc;
    browsertest::CRecordingPictureView preview{&doc};
    CFileListView view{&doc};
};

TEST_F(FileListViewTest, ListsFoldersAndPicturesHiddenOnesIncluded) {
    const Photos photos;
    Show(photos.folder);
    EXPECT_EQ(NamesShown(),
              (Names{"..", ".hidden-folder", "sub", ".hidden.png", "Zeta.png", "apple.jpg", "b.gif",
                     "broken.jpg", "photo.JPEG", "photo.jpgx"}));
    // Size and time texts: pictures have both, folders a time, ".." and a broken link neither.
    const struct {
        const char* name;
        bool size, time;
    } cases[] = {{"..", false, false},
                 {"sub", false, true},
                 {"apple.jpg", true, true},
                 {"broken.jpg", false, false},
                 {"photo.jpgx", true, true}};
    for (const auto& c : cases) {
        const int row = RowOf(c.name);
        ASSERT_LT(row, static_cast<int>(NamesShown().size())) << c.name;
        EXPECT_EQ(Column(1)[row].empty(), !c.size) << c.name;
        EXPECT_EQ(Column(3)[row].empty(), !c.time) << c.name;
    }
    EXPECT_EQ(Column(1)[RowOf("apple.jpg")], "5 KB");
    EXPECT_EQ(Column(2)[0], view.m_szFolderType);
    SHFILEINFO folder;
    SHGetFileInfo(photos.folder, 0, &folder, SHGFI_TYPENAME);
    EXPECT_EQ(view.m_szFolderType, folder.szTypeName);
}

TEST_F(FileListViewTest, UpRowStaysFirstUnderEverySortAndTheArrowFollows) {
    const Photos photos;
    Show(photos.folder);
    const Names byName{".hidden.png", "Zeta.png",   "apple.jpg", "b.gif",
                       "broken.jpg",  "photo.JPEG", "photo.jpgx"};
    const Names bySize{"broken.jpg", "photo.jpgx",  "b.gif",    "Zeta.png",
                       "photo.JPEG", ".hidden.png", "apple.jpg"};
    const Names byTime{"broken.jpg", "photo.JPEG", "b.gif",    ".hidden.png",
                       "Zeta.png",   "photo.jpgx", "apple.jpg"};
    const auto reversed = [](Names names) {
        std::reverse(names.begin(), names.end());
        return names;
    };
    // Each header click in turn, from the start state (File Name, ascending).
    const struct {
        int click;
        bool ascending;
        Names pictures; // empty: checked as sorted by the column's texts
    } steps[] = {
        {0, false, reversed(byName)},
        {0, true, byName},
        {1, true, bySize},
        {1, false, reversed(bySize)},
        {3, true, byTime},
        {3, false, reversed(byTime)},
        {2, true, {}},
        {2, false, {}},
        {0, true, byName},
    };
    int previous = 0;
    for (const auto& step : steps) {
        ClickHeader(step.click);
        SCOPED_TRACE("column " + std::to_string(step.click) +
                     (step.ascending ? " ascending" : " descending"));
        const Names names = NamesShown();
        ASSERT_EQ(names.size(), 10u);
        EXPECT_EQ(names[0], "..");
        EXPECT_TRUE((names[1] == "sub" && names[2] == ".hidden-folder") ||
                    (names[1] == ".hidden-folder" && names[2] == "sub"));
        const Names pictures(names.begin() + 3, names.end());
        if (!step.pictures.empty()) {
            EXPECT_EQ(pictures, step.pictures);
        } else {
            const Names column = Column(2);
            const Names types(column.begin() + 3, column.end());
            EXPECT_TRUE(step.ascending ? std::is_sorted(types.begin(), types.end())
                                       : std::is_sorted(types.rbegin(), types.rend()));
        }
        const auto [top, bottom] = ArrowRows(step.click);
        EXPECT_GT(top + bottom, 0) << "the sorted column shows its arrow";
        EXPECT_EQ(step.ascending, top < bottom) << "pointing up when ascending";
        if (previous != step.click) {
            EXPECT_EQ(ArrowRows(previous), std::pair(0, 0)) << "the arrow left column " << previous;
        }
        previous = step.click;
    }
}

TEST_F(FileListViewTest, UpRowWhereTheFolderHasAParent) {
    const Photos photos;
    fs::create_symlink(photos.Path("loop"), photos.Path("loop"));
    fs::create_directories(photos.Path("gone"));
    const PidlPtr tooLong = [&] {
        PidlPtr pidl = Parse(photos.folder);
        for (int i = 0; i < 20; ++i) {
            std::string item;
            ILAppendItem(item, SHITEM_ENTRY, std::string(250, 'd'));
            const PidlPtr entry(ILFromItemBytes(item));
            pidl = view.m_shell.Combine(pidl.get(), entry.get());
        }
        return pidl;
    }();
    const PidlPtr gone = Parse(photos.Path("gone"));
    fs::remove(photos.Path("gone"));
    LPITEMIDLIST controls = nullptr;
    SHGetSpecialFolderLocation(CSIDL_CONTROLS, &controls);
    const PidlPtr noFolder(controls);
    const struct {
        const char* what;
        PidlPtr location;
        bool up;
        int rows; // -1: any number
    } cases[] = {
        {"the desktop", PidlPtr(), false, -1},
        {"Computer", Parse("::Computer"), false, -1},
        {"/", Parse("/"), false, -1},
        {"Home", Parse("::Home"), false, -1},
        {"a folder", Parse(photos.folder), true, 10},
        {"a hidden folder", Parse(photos.Path(".hidden-folder")), true, 1},
        {"a folder in Home", Parse(browsertest::Home() + "/Pictures"), true, 1},
        {"a folder that vanished", view.m_shell.Clone(gone.get()), true, 1},
        {"a symlink loop", Parse(photos.Path("loop")), true, 1},
        {"a path longer than PATH_MAX", view.m_shell.Clone(tooLong.get()), true, 1},
        {"no folder at all", view.m_shell.Clone(noFolder.get()), false, 0},
    };
    for (const auto& c : cases) {
        view.NavigateTo(c.location.get());
        const Names names = NamesShown();
        EXPECT_EQ(!names.empty() && names[0] == "..", c.up) << c.what;
        if (c.rows >= 0) {
            EXPECT_EQ(static_cast<int>(names.size()), c.rows) << c.what;
        }
    }
}

TEST_F(FileListViewTest, ClicksAndKeysReachThePreview) {
    const Photos photos;
    Show(photos.folder);
    // Rows: 0 "..", 1 ".hidden-folder", 2 "sub", 3 ".hidden.png", 4 "Zeta.png", 5 "apple.jpg",
    // 6 "b.gif", 7 "broken.jpg", 8 "photo.JPEG", 9 "photo.jpgx".
    const auto shows = [&](const char* name) { return Names{"path:" + photos.Path(name), "show"}; };
    const Names clears{"path:", "clear"};
    const struct {
        const char* what;
        int row; // clicked first
        int key; // then pressed; 0: none
        Names calls;
        int currentAfter;
    } cases[] = {
        {"click on a picture", 5, 0, shows("apple.jpg"), 5},
        {"click on a folder", 2, 0, clears, 2},
        {"click on ..", 0, 0, clears, 0},
        {"Up onto a picture", 5, Qt::Key_Up, shows("Zeta.png"), 4},
        {"Up onto a folder", 3, Qt::Key_Up, clears, 2},
        {"Up on row 0", 0, Qt::Key_Up, clears, 0},
        {"Down onto a picture", 8, Qt::Key_Down, shows("photo.jpgx"), 9},
        {"Down on the last row", 9, Qt::Key_Down, shows("photo.jpgx"), 9},
        {"Down onto a folder", 1, Qt::Key_Down, {}, 2},
        {"Down from a folder", 2, Qt::Key_Down, shows(".hidden.png"), 3},
    };
    for (const auto& c : cases) {
        ClickRow(c.row);
        if (c.key) {
            preview.calls.clear();
            Press(c.key);
        }
        EXPECT_EQ(preview.calls, c.calls) << c.what;
        EXPECT_EQ(CurrentRow(), c.currentAfter) << c.what;
        preview.calls.clear();
    }
}

TEST_F(FileListViewTest, CheckBoxesMarkPicturesOnly) {
    const std::string folder = vtltest::MakeTempDir("marks");
    fs::create_directories(folder + "/dir");
    for (const char* name : {"a.jpg", "b.png", "caf\xE9.jpg"})
        vtltest::WriteFile(folder + "/" + name, "x");
    Show(folder);
    ASSERT_EQ(NamesShown(), (Names{"..", "dir", "a.jpg", "b.png", "caf\xEF\xBF\xBD.jpg"}));
    EXPECT_FALSE(view.AnyMarked());

    for (int row : {4, 1, 0, 2})
        ClickCheckBox(row);
    const bool checked[] = {false, false, true, false, true};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(Checked(row), checked[row]) << row;
    EXPECT_TRUE(view.AnyMarked());

    // A folder checked from the keyboard stays out of the marked files.
    ClickRow(1);
    Press(Qt::Key_Space);
    EXPECT_TRUE(Checked(1));
    ASSERT_TRUE(view.CollectMarked());
    EXPECT_EQ(GetAppSetting()->m_listFiles, (Names{folder + "/a.jpg", folder + "/caf\xE9.jpg"}));

    ClickCheckBox(2);
    ClickCheckBox(4);
    ASSERT_TRUE(view.CollectMarked());
    EXPECT_TRUE(GetAppSetting()->m_listFiles.empty());

    // A list without rows collects nothing.
    LPITEMIDLIST controls = nullptr;
    SHGetSpecialFolderLocation(CSIDL_CONTROLS, &controls);
    view.ShowFolder(controls);
    ILFree(controls);
    EXPECT_FALSE(view.CollectMarked());
}

TEST_F(FileListViewTest, OpeningFolders) {
    const Photos photos;
    Show(photos.folder);
    DoubleClickRow(RowOf("sub"));
    EXPECT_EQ(ShownFolder(), photos.Path("sub"));
    EXPECT_EQ(NamesShown(), Names{".."});
    ClickRow(0);
    Press(Qt::Key_Return);
    EXPECT_EQ(ShownFolder(), photos.folder);
    DoubleClickRow(RowOf("apple.jpg"));
    EXPECT_EQ(ShownFolder(), photos.folder) << "a picture opens no folder";

    // The address box's message: a list it hands over, or null for the desktop.
    SendMessage(&view, WM_BROWSE_PIDL,
                reinterpret_cast<WPARAM>(Parse(photos.Path(".hidden-folder")).release()), 0);
    EXPECT_EQ(ShownFolder(), photos.Path(".hidden-folder"));
    SendMessage(&view, WM_BROWSE_PIDL, 0, 0);
    EXPECT_EQ(ShownFolder(), "");
    EXPECT_EQ(NamesShown(),
              (Names{".dot", "Computer", "Desk folder", "Documents", "Home", "card.jpg"}))
        << "the desktop, hidden entries too, sorted by name";

    // Refresh shows what changed on disk.
    Show(photos.folder);
    vtltest::WriteFile(photos.Path("new.png"), "x");
    view.OnRefresh();
    EXPECT_NE(RowOf("new.png"), static_cast<int>(NamesShown().size()));
}

TEST_F(FileListViewTest, ComputerKeepsTheShellOrder) {
    Show("::Computer");
    const Names shellOrder = NamesShown();
    ASSERT_FALSE(shellOrder.empty());
    EXPECT_EQ(shellOrder[0], "/");
    for (int column : {0, 0, 1, 2, 3}) {
        ClickHeader(column);
        EXPECT_EQ(NamesShown(), shellOrder) << column;
    }
    // Roots under Computer show no path, size or time; everything else keeps its path.
    const std::string folder = vtltest::MakeTempDir("facts");
    vtltest::WriteFile(folder + "/a.jpg", std::string(3000, 'x'));
    const auto withMount = [&](const std::string& mount, const char* entry) {
        std::string items;
        ILAppendItem(items, SHITEM_VIRTUAL, CShellNamespace::kComputer);
        ILAppendItem(items, SHITEM_MOUNT, mount);
        if (entry)
            ILAppendItem(items, SHITEM_ENTRY, entry);
        return PidlPtr(ILFromItemBytes(items));
    };
    const PidlPtr vanished = Parse(folder + "/a.jpg");
    const struct {
        const char* what;
        PidlPtr pidl;
        std::string path;
        bool size, time;
    } cases[] = {
        {"/", withMount("/", nullptr), "", false, false},
        {"a mount", withMount(folder, nullptr), "", false, false},
        {"the folder /ab", withMount("/", "ab"), "/ab", false, false},
        {"a picture", Parse(folder + "/a.jpg"), folder + "/a.jpg", true, true},
        {"a folder", Parse(folder), folder, false, true},
        {"Home", Parse("::Home"), "::Home", false, false},
    };
    for (const auto& c : cases) {
        FileListItem item;
        std::string sizeText, timeText;
        view.ReadFileFacts(item, c.pidl.get(), sizeText, timeText);
        EXPECT_EQ(item.m_strPath, c.path) << c.what;
        EXPECT_EQ(!sizeText.empty(), c.size) << c.what;
        EXPECT_EQ(!timeText.empty(), c.time) << c.what;
        EXPECT_EQ(item.m_ftTime != 0, c.time) << c.what;
    }
    // An item that vanished after it was listed keeps empty texts.
    fs::remove(folder + "/a.jpg");
    FileListItem item;
    std::string sizeText, timeText;
    view.ReadFileFacts(item, vanished.get(), sizeText, timeText);
    EXPECT_EQ(item.m_strPath, folder + "/a.jpg");
    EXPECT_TRUE(sizeText.empty() && timeText.empty());
}

// A style without icons, as a desktop without an icon theme or style icons would be.
class NoIconStyle : public QProxyStyle {
  public:
    QIcon standardIcon(StandardPixmap, const QStyleOption*, const QWidget*) const override {
        return {};
    }
};

TEST(FileListViewSetup, ColumnsStartFolderAndTheStoredWidths) {
    CAppSetting* setting = GetAppSetting();
    const struct {
        const char* lastBrowse;
        std::string shown;
    } starts[] = {
        {"", ""},
        {"::Computer", "::Computer"},
        {"not a location", "::Documents"},
    };
    for (const auto& start : starts) {
        std::strcpy(setting->m_szLastBrowse, start.lastBrowse);
        CVantrelDoc doc;
        CFileListView view(&doc);
        view.OnInitialUpdate();
        std::string shown;
        view.m_shell.GetName(view.m_pidlFolder.get(), shown, nullptr, SHGDN_FORPARSING);
        EXPECT_EQ(shown, start.shown) << start.lastBrowse;
        EXPECT_EQ(doc.m_pListView, &view);
    }

    // Widths from the low 16 bits; -2 fits the header and the last column fills the list.
    const std::int32_t widths[4] = {0x10078, 0x20032, 90, -2};
    std::copy(std::begin(widths), std::end(widths), setting->m_nColumnWidth);
    {
        CVantrelDoc doc;
        CFileListView view(&doc);
        view.resize(600, 300);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.OnInitialUpdate();
        CArrowHeaderCtrl* header = view.m_ctrlHeader;
        EXPECT_EQ(header->sectionSize(0), 120);
        EXPECT_EQ(header->sectionSize(1), 50);
        EXPECT_EQ(header->sectionSize(2), 90);
        EXPECT_GE(header->sectionSize(3), header->sectionSizeHint(3));
        EXPECT_EQ(header->length(),
                  std::max(view.viewport()->width(), 260 + header->sectionSizeHint(3)));

        // The user drags "File Name" to the end and widens "Size"; closing stores each
        // column's width under its own number.
        header->moveSection(0, 3);
        header->resizeSection(1, 77);
    }
    EXPECT_EQ(setting->m_nColumnWidth[0], 120);
    EXPECT_EQ(setting->m_nColumnWidth[1], 77);
    EXPECT_EQ(setting->m_nColumnWidth[2], 90);
    const CAppSetting reloaded;
    EXPECT_EQ(std::vector<int>(reloaded.m_nColumnWidth, reloaded.m_nColumnWidth + 4),
              std::vector<int>(setting->m_nColumnWidth, setting->m_nColumnWidth + 4));
}

TEST(FileListViewSetup, MissingIconsAreReportedAndTheListStillWorks) {
    const QString style = QApplication::style()->name();
    const QString theme = QIcon::themeName();
    QApplication::setStyle(new NoIconStyle);
    QIcon::setThemeName(QString());
    QString message;
    vtltest::OnNextModal([&](QWidget* box) {
        message = static_cast<QMessageBox*>(box)->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    const Photos photos;
    std::strcpy(GetAppSetting()->m_szLastBrowse, photos.folder.c_str());
    CVantrelDoc doc;
    CFileListView view(&doc);
    view.OnInitialUpdate();
    EXPECT_EQ(message, QStringLiteral("error to initial image list"));
    EXPECT_EQ(view.model()->rowCount(), 10);
    EXPECT_EQ(view.m_nFolderIcon, SHICON_FOLDER);
    QApplication::setStyle(style);
    QIcon::setThemeName(theme);
}

} // namespace
