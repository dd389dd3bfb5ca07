// The file list on folders made for the test, offscreen, driven with clicks and keys through
// its window: what it lists, the ".." row, sorting and its arrow, the preview calls, check
// boxes and the marked files, opening folders, Computer, and what it reads and stores.
#include "app/browser/FileListView.h"

#include "app/core/AppSetting.h"
#include "app/preview/VantrelDoc.h"
#include "platform/shell/ShellInfo.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QStyleOptionViewItem>
#include <QTest>
#include <QWindow>

#include <filesystem>
#include <set>
#include <sys/stat.h>

using namespace plat;
using browsertest::Parse;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// Photos: two folders (one hidden), pictures of known sizes and ages, and files that are no
// pictures or must never be opened.
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
                     {"photo.tif", 10, 1},    {"photo.lnk", 10, 1}};
        for (const auto& f : files) {
            vtltest::WriteFile(Path(f.name), std::string(f.size, 'x'));
            fs::last_write_time(Path(f.name),
                                fs::file_time_type::clock::now() - std::chrono::hours(f.hoursOld));
        }
        EXPECT_EQ(mkfifo(Path("fifo.jpg").c_str(), 0600), 0);
        fs::create_symlink(Path("gone"), Path("broken.jpg"));
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

    void Show(const std::string& location) { view.NavigateTo(Parse(location).get()); }
    Names Column(int column) const {
        Names texts;
        for (int row = 0; row < view.model()->rowCount(); ++row)
            texts.push_back(view.model()->index(row, column).data().toString().toStdString());
        return texts;
    }
    int RowOf(const std::string& name) const {
        const Names names = Column(0);
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }

    QRect Cell(int row) {
        view.scrollTo(view.model()->index(row, 0));
        return view.visualRect(view.model()->index(row, 0));
    }
    void ClickRow(int row) { browsertest::Click(view.viewport(), Cell(row).center()); }
    void ClickCheckBox(int row) {
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.rect = Cell(row);
        option.features = QStyleOptionViewItem::HasCheckIndicator |
                          QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        option.decorationSize = view.iconSize();
        browsertest::Click(
            view.viewport(),
            view.style()
                ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view)
                .center());
    }
    void ClickHeader(int column) {
        CArrowHeaderCtrl* header = view.m_ctrlHeader;
        browsertest::Click(
            header, {header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2});
    }
    void Press(int key) { QTest::keyClick(view.window()->windowHandle(), Qt::Key(key)); }
    bool Checked(int row) const {
        return view.model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }

    // The arrow in a header section: the pixels of the button highlight and shadow colours in
    // the section's right part, counted in the arrow's top row and in its bottom row.
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
    EXPECT_EQ(Column(0), (Names{"..", ".hidden-folder", "sub", ".hidden.png", "Zeta.png",
                                "apple.jpg", "b.gif", "broken.jpg", "photo.JPEG", "photo.jpgx"}));
    const Names sizes = Column(1), types = Column(2), times = Column(3);
    EXPECT_EQ(sizes[RowOf("apple.jpg")], "5 KB");
    EXPECT_FALSE(times[RowOf("apple.jpg")].empty());
    EXPECT_TRUE(sizes[RowOf("sub")].empty());
    EXPECT_FALSE(times[RowOf("sub")].empty());
    EXPECT_TRUE(sizes[RowOf("broken.jpg")].empty() && times[RowOf("broken.jpg")].empty());
    EXPECT_TRUE(sizes[0].empty() && times[0].empty());
    EXPECT_EQ(types[0], view.m_szFolderType);
    EXPECT_EQ(types[0], types[RowOf("sub")]);
}

TEST_F(FileListViewTest, SortingKeepsUpFirstAndFoldersBeforePicturesAndShowsTheArrow) {
    const Photos photos;
    Show(photos.folder);
    const Names byName{".hidden.png", "Zeta.png",   "apple.jpg", "b.gif",
                       "broken.jpg",  "photo.JPEG", "photo.jpgx"};
    const Names bySize{"broken.jpg", "photo.jpgx",  "b.gif",    "Zeta.png",
                       "photo.JPEG", ".hidden.png", "apple.jpg"};
    const Names byTime{"broken.jpg", "photo.JPEG", "b.gif",    ".hidden.png",
                       "Zeta.png",   "photo.jpgx", "apple.jpg"};
    const auto down = [](Names names) {
        std::reverse(names.begin(), names.end());
        return names;
    };
    // Header clicks in turn from the start (File Name ascending); no names: sorted by type.
    const struct {
        int column;
        bool ascending;
        Names pictures;
    } clicks[] = {{0, false, down(byName)},
                  {0, true, byName},
                  {1, true, bySize},
                  {1, false, down(bySize)},
                  {3, true, byTime},
                  {3, false, down(byTime)},
                  {2, true, {}},
                  {2, false, {}}};
    int previous = 0;
    for (const auto& click : clicks) {
        ClickHeader(click.column);
        SCOPED_TRACE(std::to_string(click.column) +
                     (click.ascending ? " ascending" : " descending"));
        const Names names = Column(0), types = Column(2);
        ASSERT_EQ(names.size(), 10u);
        EXPECT_EQ(names[0], "..");
        EXPECT_EQ(std::set<std::string>(names.begin() + 1, names.begin() + 3),
                  (std::set<std::string>{"sub", ".hidden-folder"}));
        if (click.pictures.empty()) {
            EXPECT_TRUE(click.ascending ? std::is_sorted(types.begin() + 3, types.end())
                                        : std::is_sorted(types.rbegin(), types.rend() - 3));
        } else {
            EXPECT_EQ(Names(names.begin() + 3, names.end()), click.pictures);
        }
        const auto [top, bottom] = ArrowRows(click.column);
        EXPECT_GT(top + bottom, 0);
        EXPECT_EQ(top < bottom, click.ascending) << "up when ascending, down when descending";
        if (previous != click.column) {
            EXPECT_EQ(ArrowRows(previous), std::pair(0, 0)) << "the arrow left " << previous;
        }
        previous = click.column;
    }
}

TEST_F(FileListViewTest, UpRowWhereTheFolderHasAParent) {
    const Photos photos;
    fs::create_symlink(photos.Path("loop"), photos.Path("loop"));
    fs::create_directories(photos.Path("gone"));
    PidlPtr gone = Parse(photos.Path("gone"));
    fs::remove(photos.Path("gone"));
    LPITEMIDLIST controls = nullptr;
    SHGetSpecialFolderLocation(CSIDL_CONTROLS, &controls);
    const struct {
        const char* what;
        PidlPtr location;
        bool up;
        int rows; // -1: any number
    } cases[] = {
        {"the desktop", nullptr, false, -1},
        {"Computer", Parse("::Computer"), false, -1},
        {"a folder", Parse(photos.folder), true, 10},
        {"a hidden folder", Parse(photos.Path(".hidden-folder")), true, 1},
        {"a folder that vanished", std::move(gone), true, 1},
        {"a symlink loop", Parse(photos.Path("loop")), true, 1},
        {"no folder at all", PidlPtr(controls), false, 0},
    };
    for (const auto& c : cases) {
        view.NavigateTo(c.location.get());
        const Names names = Column(0);
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
        int key; // then pressed
        Names calls;
        int rowAfter;
    } cases[] = {
        {"click on a picture", 5, 0, shows("apple.jpg"), 5},
        {"click on a folder", 2, 0, clears, 2},
        {"Up onto a picture", 5, Qt::Key_Up, shows("Zeta.png"), 4},
        {"Up onto a folder", 3, Qt::Key_Up, clears, 2},
        {"Up on row 0", 0, Qt::Key_Up, clears, 0},
        {"Down onto a picture", 8, Qt::Key_Down, shows("photo.jpgx"), 9},
        {"Down on the last row", 9, Qt::Key_Down, shows("photo.jpgx"), 9},
        {"Down onto a folder", 1, Qt::Key_Down, {}, 2},
    };
    for (const auto& c : cases) {
        ClickRow(c.row);
        if (c.key) {
            preview.calls.clear();
            Press(c.key);
        }
        EXPECT_EQ(preview.calls, c.calls) << c.what;
        EXPECT_EQ(view.currentIndex().row(), c.rowAfter) << c.what;
        preview.calls.clear();
    }
}

TEST_F(FileListViewTest, CheckBoxesMarkPicturesOnly) {
    const std::string folder = vtltest::MakeTempDir("marks");
    fs::create_directories(folder + "/dir");
    for (const char* name : {"a.jpg", "b.png", "caf\xE9.jpg"})
        vtltest::WriteFile(folder + "/" + name, "x");
    Show(folder);
    ASSERT_EQ(Column(0), (Names{"..", "dir", "a.jpg", "b.png", "caf\xEF\xBF\xBD.jpg"}));
    EXPECT_FALSE(view.AnyMarked());
    for (int row : {4, 1, 0, 2})
        ClickCheckBox(row);
    EXPECT_EQ((std::vector<bool>{Checked(0), Checked(1), Checked(2), Checked(3), Checked(4)}),
              (std::vector<bool>{false, false, true, false, true}));
    EXPECT_TRUE(view.AnyMarked());
    ClickRow(1);
    Press(Qt::Key_Space); // a folder checked from the keyboard stays out of the marked files
    EXPECT_TRUE(Checked(1));
    ASSERT_TRUE(view.CollectMarked());
    EXPECT_EQ(GetAppSetting()->m_listFiles, (Names{folder + "/a.jpg", folder + "/caf\xE9.jpg"}));

    LPITEMIDLIST controls = nullptr;
    SHGetSpecialFolderLocation(CSIDL_CONTROLS, &controls);
    view.ShowFolder(controls);
    ILFree(controls);
    EXPECT_FALSE(view.CollectMarked()) << "a list without rows";
    EXPECT_TRUE(GetAppSetting()->m_listFiles.empty());
}

TEST_F(FileListViewTest, OpeningFolders) {
    const Photos photos;
    Show(photos.folder);
    browsertest::DoubleClick(view.viewport(), Cell(RowOf("sub")).center());
    EXPECT_EQ(browsertest::Shows(view), photos.Path("sub"));
    ClickRow(0);
    Press(Qt::Key_Return);
    EXPECT_EQ(browsertest::Shows(view), photos.folder);
    browsertest::DoubleClick(view.viewport(), Cell(RowOf("apple.jpg")).center());
    EXPECT_EQ(browsertest::Shows(view), photos.folder) << "a picture opens nothing";

    SendMessage(&view, WM_BROWSE_PIDL,
                reinterpret_cast<WPARAM>(Parse(photos.Path("sub")).release()), 0);
    EXPECT_EQ(browsertest::Shows(view), photos.Path("sub"));
    SendMessage(&view, WM_BROWSE_PIDL, 0, 0);
    EXPECT_EQ(browsertest::Shows(view), "");
    EXPECT_EQ(Column(0),
              (Names{".dot", "Computer", "Desk folder", "Documents", "Home", "card.jpg"}));
}

TEST_F(FileListViewTest, ComputerKeepsTheShellOrderAndItsRootsShowNoPath) {
    Show("::Computer");
    const Names shellOrder = Column(0);
    ASSERT_FALSE(shellOrder.empty());
    EXPECT_EQ(shellOrder[0], "/");
    for (int column : {0, 0, 1, 3}) {
        ClickHeader(column);
        EXPECT_EQ(Column(0), shellOrder) << column;
    }
    const std::string folder = vtltest::MakeTempDir("facts");
    vtltest::WriteFile(folder + "/a.jpg", "x");
    const auto underComputer = [&](const std::string& mount, const char* entry) {
        std::string items;
        ILAppendItem(items, SHITEM_VIRTUAL, CShellNamespace::kComputer);
        ILAppendItem(items, SHITEM_MOUNT, mount);
        if (entry)
            ILAppendItem(items, SHITEM_ENTRY, entry);
        return PidlPtr(ILFromItemBytes(items));
    };
    const struct {
        const char* what;
        PidlPtr pidl;
        std::string path;
        bool size, time;
    } cases[] = {
        {"/", underComputer("/", nullptr), "", false, false},
        {"a mount", underComputer(folder, nullptr), "", false, false},
        {"the folder /ab", underComputer("/", "ab"), "/ab", false, false},
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
        EXPECT_EQ(!timeText.empty() && item.m_ftTime != 0, c.time) << c.what;
    }
}

TEST(FileListViewSetup, ColumnWidthsComeFromTheSettingsAndGoBack) {
    CAppSetting* setting = GetAppSetting();
    const std::int32_t widths[4] = {0x10078, 0x20032, 90, -2}; // low 16 bits; -2 fits the header
    std::copy(std::begin(widths), std::end(widths), setting->m_nColumnWidth);
    {
        CVantrelDoc doc;
        CFileListView view(&doc);
        view.resize(600, 300);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.OnInitialUpdate();
        CArrowHeaderCtrl* header = view.m_ctrlHeader;
        EXPECT_EQ((std::vector<int>{header->sectionSize(0), header->sectionSize(1),
                                    header->sectionSize(2)}),
                  (std::vector<int>{120, 50, 90}));
        EXPECT_GE(header->sectionSize(3), header->sectionSizeHint(3));
        EXPECT_GE(header->length(), view.viewport()->width()) << "the last column fills the list";
        // "File Name" dragged to the end, "Size" widened: each width stays with its column.
        header->moveSection(0, 3);
        header->resizeSection(1, 77);
    }
    EXPECT_EQ((std::vector<int>(setting->m_nColumnWidth, setting->m_nColumnWidth + 3)),
              (std::vector<int>{120, 77, 90}));
    const CAppSetting reloaded;
    EXPECT_TRUE(
        std::equal(reloaded.m_nColumnWidth, reloaded.m_nColumnWidth + 4, setting->m_nColumnWidth));
}

} // namespace
