// The address box of the main window with the file list beside it: typed locations, picking
// from the drop-down list, and the start without a remembered location.
#include "app/browser/AddressComboBox.h"

#include "app/browser/AddressEdit.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/Sandbox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QStatusBar>
#include <QTest>

#include <filesystem>

using namespace browsertest;

namespace {

class AddressBoxTest : public BrowserTest {
  protected:
    void SetUp() override { Start(); }

    std::string EditText() const { return m_box->lineEdit()->text().toStdString(); }
    std::string LastBrowse() const { return GetAppSetting()->m_szLastBrowse; }
};

// A typed location and Enter show it in both. A typed path to a file opens its folder with the
// file selected; the folder is remembered, never the file. Text that names no location, or a
// folder that cannot be opened, is told in the status bar and changes nothing else: it stays as
// typed. A location whose path is too long to remember is shown but not remembered
// (and never remembered cut).
TEST_F(AddressBoxTest, TypedLocationsFilesAndNonsense) {
    // Real folders of 259 characters (in two-byte letters, so over 259 bytes) and of 260, the
    // one cut from the other.
    std::string fits = vtltest::MakeTempDir("long") + "/" + std::string(150, 'x') + "/";
    for (std::size_t characters = fits.size(); characters < 259; ++characters)
        fits += "\xC3\xA9";
    const std::string over = fits + "y";
    for (const std::string& folder : {fits, over})
        std::filesystem::create_directories(folder);
    const std::string pictures = Home() + "/Pictures";
    vtltest::WriteFile(pictures + "/p.jpg", "x");
    const std::string loop = vtltest::MakeTempDir("loop") + "/loop";
    std::filesystem::create_symlink(loop, loop);
    const struct {
        std::string typed, shown, edit, lastBrowse, current, status;
    } cases[] = {
        {"file:///usr", "/usr", "/usr", "/usr", "", ""},
        {over, "/usr", over, "/usr", "", "Cannot open the folder: " + over},
        {fits, fits, fits, "/usr", "", ""},
        {"~/Pictures/p.jpg", pictures, pictures, pictures, "p.jpg", ""},
        {"/usr/missing", pictures, "/usr/missing", pictures, "p.jpg",
         "No such folder: /usr/missing"},
        {loop, pictures, loop, pictures, "p.jpg", "Cannot open the folder: " + loop},
        {Home() + "/Desktop/card.jpg", "", "Desktop", "", "card.jpg", ""},
    };
    for (const auto& c : cases) {
        Click(m_box->lineEdit(), m_box->lineEdit()->rect().center());
        Press(Qt::Key_A, Qt::ControlModifier);
        for (const QChar letter : QString::fromStdString(c.typed))
            QTest::sendKeyEvent(QTest::Click, m_box->lineEdit(), Qt::Key_unknown, letter, {});
        Press(Qt::Key_Return);
        QApplication::processEvents(); // the posted WM_ADDRESS_GO
        EXPECT_EQ(std::tuple(Shows(*m_list), EditText(), LastBrowse(), Current(),
                             m_frame->statusBar()->currentMessage().toStdString()),
                  std::tuple(c.shown, c.edit, c.lastBrowse, c.current, c.status))
            << c.typed;
    }
}

TEST_F(AddressBoxTest, PickingAnEntryShowsItInTheList) {
    m_box->showPopup();
    QAbstractItemView* popup = m_box->view();
    const QModelIndex computer = popup->model()->index(3, 0);
    ASSERT_EQ(computer.data().toString(), QStringLiteral("Computer"));
    Click(popup->viewport(), popup->visualRect(computer).center());
    EXPECT_EQ(std::tuple(Shows(*m_list), m_box->currentIndex(), EditText()),
              std::tuple("::Computer", 3, "Computer"));
}

// The box and the list open on Documents when the remembered location names none. (Every main
// window test starts on the folder remembered for it.)
TEST_F(BrowserTest, BoxAndListStartOnDocumentsWithoutARememberedLocation) {
    GetAppSetting()->SetLastBrowse("not a location");
    Start();
    EXPECT_EQ(std::pair(m_box->itemText(m_box->currentIndex()).toStdString(), Shows(*m_list)),
              std::pair(std::string("Documents"), std::string("::Documents")));
}

} // namespace
