// The address box with the file list beside it, as the main window wires them, offscreen:
// the tree and the location's chain, typed locations, picking from the drop-down list, Up
// Folder, and the remembered location.
#include "app/browser/AddressComboBox.h"

#include "app/browser/AddressEdit.h"
#include "app/browser/FileListView.h"
#include "app/core/AppSetting.h"
#include "app/preview/VantrelDoc.h"
#include "tests/browser/BrowserTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <cstring>
#include <filesystem>

using namespace plat;
using browsertest::Home;
using browsertest::Parse;

namespace {

struct Entry {
    std::string text;
    int indent;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << '"' << entry.text << "\"@" << entry.indent;
}

class AddressBoxTest : public ::testing::Test {
  protected:
    AddressBoxTest() : box(new CAddressComboBox), list(new CFileListView(&doc)) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(list);
        window.resize(700, 500);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        doc.m_pPictureView = &preview;
        list->m_pAddressBox = box;
        GetAppSetting()->m_szLastBrowse[0] = '\0';
        box->InitAddressBox();
        list->OnInitialUpdate();
    }

    std::vector<Entry> Entries() const {
        std::vector<Entry> entries;
        for (int i = 0; i < box->count(); ++i)
            entries.push_back({box->itemText(i).toStdString(),
                               box->itemData(i, CAddressComboBox::IndentRole).toInt()});
        return entries;
    }
    Entry Selected() const { return Entries().at(static_cast<std::size_t>(box->currentIndex())); }
    std::string EditText() const { return box->lineEdit()->text().toStdString(); }
    std::string LastBrowse() const { return GetAppSetting()->m_szLastBrowse; }

    // Clicks into the edit, replaces its text by typing and presses Enter.
    void TypeAndEnter(const std::string& text) {
        browsertest::Click(box->lineEdit(), box->lineEdit()->rect().center());
        QTest::keyClick(window.windowHandle(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box->lineEdit(), QString::fromStdString(text));
        QTest::keyClick(window.windowHandle(), Qt::Key_Return);
        QApplication::processEvents(); // the posted WM_ADDRESS_GO
    }

    QWidget window;
    CVantrelDoc doc;
    browsertest::CRecordingPictureView preview{&doc};
    CAddressComboBox* box;
    CFileListView* list;
};

TEST_F(AddressBoxTest, EachLocationStandsUnderItsBaseEntry) {
    // The tree: the desktop's folders, Computer's file systems under it, hidden folders and
    // files left out.
    const std::vector<Entry> tree = Entries();
    ASSERT_GE(tree.size(), 6u);
    EXPECT_EQ(std::vector<Entry>(tree.begin(), tree.begin() + 5),
              (std::vector<Entry>{
                  {"Desktop", 0}, {"Home", 1}, {"Documents", 1}, {"Computer", 1}, {"/", 2}}));
    EXPECT_TRUE(std::all_of(tree.begin() + 5, tree.end() - 1,
                            [](const Entry& e) { return e.indent == 2; }));
    EXPECT_EQ(tree.back(), (Entry{"Desk folder", 1}));
    const std::size_t baseCount = tree.size();
    const std::string letters = Home() + "/Documents/Letters";
    const struct {
        std::string location;     // "" for the desktop
        std::string base;         // the base entry the chain follows
        std::vector<Entry> chain; // the path entries after it; the last one is selected
        std::string edit, lastBrowse;
    } cases[] = {
        {"", "Desktop", {}, "Desktop", ""},
        {"::Computer", "Computer", {}, "Computer", "::Computer"},
        {"/", "/", {}, "/", "/"},
        {"/usr/share", "/", {{"usr", 3}, {"share", 4}}, "/usr/share", "/usr/share"},
        {"::Home", "Home", {}, "Home", "::Home"},
        {Home() + "/Pictures",
         "Home",
         {{"Pictures", 2}},
         Home() + "/Pictures",
         Home() + "/Pictures"},
        {letters + "/2024",
         "Documents",
         {{"Letters", 2}, {"2024", 3}},
         letters + "/2024",
         letters + "/2024"},
        {Home() + "/Desktop/Desk folder",
         "Desk folder",
         {},
         "Desk folder",
         Home() + "/Desktop/Desk folder"},
    };
    for (const auto& c : cases) {
        const PidlPtr pidl = c.location.empty() ? nullptr : Parse(c.location);
        ASSERT_TRUE(c.location.empty() || pidl) << c.location;
        box->ShowLocation(pidl.get());
        const std::vector<Entry> entries = Entries();
        EXPECT_EQ(entries.size(), baseCount + c.chain.size()) << c.location;
        const auto base = std::find_if(entries.begin(), entries.end(),
                                       [&](const Entry& e) { return e.text == c.base; });
        ASSERT_NE(base, entries.end()) << c.location;
        const auto at = static_cast<std::size_t>(base - entries.begin());
        EXPECT_EQ(std::vector<Entry>(base + 1, base + 1 + static_cast<long>(c.chain.size())),
                  c.chain)
            << c.location;
        EXPECT_EQ(box->currentIndex(), static_cast<int>(at + c.chain.size())) << c.location;
        EXPECT_EQ(EditText(), c.edit) << c.location;
        EXPECT_EQ(LastBrowse(), c.lastBrowse) << c.location;
    }
}

TEST_F(AddressBoxTest, TypedLocationsAndNonsense) {
    const struct {
        std::string typed, shown; // what the list and the box show afterwards
        std::string selected;
    } cases[] = {
        {"/usr/share", "/usr/share", "share"},
        {"~/Pictures", Home() + "/Pictures", "Pictures"},
        {"file:///usr", "/usr", "usr"},
        {"not a location", "/usr", "usr"},
    };
    for (const auto& c : cases) {
        TypeAndEnter(c.typed);
        EXPECT_EQ(browsertest::Shows(*list), c.shown) << c.typed;
        EXPECT_EQ(Selected().text, c.selected) << c.typed;
        EXPECT_EQ(box->lineEdit()->selectedText(), box->lineEdit()->text())
            << "the whole text stays selected";
    }
    EXPECT_EQ(EditText(), "not a location") << "text that is no location stays as typed";
    EXPECT_EQ(LastBrowse(), "/usr");
}

TEST_F(AddressBoxTest, PickingAnEntryShowsItInTheList) {
    box->showPopup();
    QAbstractItemView* popup = box->view();
    const QModelIndex computer = popup->model()->index(3, 0);
    ASSERT_EQ(computer.data().toString(), QStringLiteral("Computer"));
    QTest::mouseClick(
        popup->window()->windowHandle(), Qt::LeftButton, {},
        popup->viewport()->mapTo(popup->window(), popup->visualRect(computer).center()));
    EXPECT_EQ(browsertest::Shows(*list), "::Computer");
    EXPECT_EQ(Selected(), (Entry{"Computer", 1}));
    EXPECT_EQ(EditText(), "Computer");
}

TEST_F(AddressBoxTest, UpFolderGoesToTheParentInBoth) {
    const struct {
        std::string from, to;
    } cases[] = {
        {"", ""},
        {Home() + "/Desktop/Desk folder", ""},
        {"/", "::Computer"},
        {"/usr/share", "/usr"},
        {Home() + "/Pictures", "::Home"},
    };
    for (const auto& c : cases) {
        const PidlPtr from = c.from.empty() ? nullptr : Parse(c.from);
        list->NavigateTo(from.get());
        list->OnUpFolder();
        EXPECT_EQ(browsertest::Shows(*list), c.to) << c.from;
        EXPECT_EQ(LastBrowse(), c.to) << c.from;
    }
}

TEST(AddressBoxStart, BoxAndListStartAtTheRememberedLocation) {
    const struct {
        std::string remembered, selected, shown;
    } cases[] = {
        {"", "Desktop", ""},
        {"/usr", "usr", "/usr"},
        {"::Home", "Home", "::Home"},
        {"not a location", "Documents", "::Documents"},
    };
    for (const auto& c : cases) {
        std::strcpy(GetAppSetting()->m_szLastBrowse, c.remembered.c_str());
        CAddressComboBox box;
        box.InitAddressBox();
        EXPECT_EQ(box.itemText(box.currentIndex()).toStdString(), c.selected) << c.remembered;
        CVantrelDoc doc;
        CFileListView list(&doc);
        list.OnInitialUpdate();
        EXPECT_EQ(browsertest::Shows(list), c.shown) << c.remembered;
        EXPECT_EQ(doc.m_pListView, &list);
    }
}

TEST(AddressBoxStart, ALocationTooLongToRememberIsNotCut) {
    // A folder whose path does not fit the 260-byte buffer, reached by walking down.
    std::string path = Home() + "/Pictures";
    PidlPtr pidl = Parse(path);
    CPidlHelper shell;
    for (int i = 0; i < 3; ++i) {
        const std::string name(100, static_cast<char>('a' + i));
        path += "/" + name;
        std::filesystem::create_directories(path);
        std::string item;
        ILAppendItem(item, SHITEM_ENTRY, name);
        const PidlPtr entry(ILFromItemBytes(item));
        pidl = shell.Combine(pidl.get(), entry.get());
    }
    CAddressComboBox box;
    box.InitAddressBox();
    box.ShowLocation(Parse("::Home").get());
    box.ShowLocation(pidl.get());
    EXPECT_EQ(box.lineEdit()->text().toStdString(), path);
    EXPECT_STREQ(GetAppSetting()->m_szLastBrowse, "::Home");
}

} // namespace
