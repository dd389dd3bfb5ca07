// The resize options dialog driven offscreen as a person would, step by step from tables:
// typing into the edits, clicking radios, check boxes and buttons, picking list entries, and
// reading back texts, label colours and which controls are open.
#include "app/batch/DlgResize.h"
#include "tests/batch/BatchTestSupport.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QTest>

#include <sstream>

namespace {

using namespace vtltest;

// One thing the person does, "verb control value", and what the dialog shows afterwards. The
// verb is "type" (typing over the entry, then Tab), "key" (typing, staying in the entry),
// "tab", "click", "pick" (the list entry of that index) or "see".
// Each of `shows` is "NAME=text", "NAME:on" / "NAME:off" (enabled or not), or "NAME:warning" /
// "NAME:information" (red, or the theme's text colour), or "NAME:whole" (its text, in the
// dialog's one font, fits its rectangle, wrapped).
using Step = std::pair<std::string, std::vector<std::string>>;

void Expect(QWidget& d, const std::string& shown) {
    const std::size_t split = shown.find_first_of("=:");
    const std::string name = shown.substr(0, split), value = shown.substr(split + 1);
    QWidget* control = d.findChild<QWidget*>(QString::fromStdString(name));
    ASSERT_NE(control, nullptr) << name;
    const QColor colour = control->palette().color(QPalette::WindowText);
    const QString text = TextOfNamed(&d, name.c_str());
    const bool whole = control->font() == d.font() &&
                       control->rect().contains(control->fontMetrics().boundingRect(
                           QRect(0, 0, control->width(), 10000), Qt::TextWordWrap, text));
    const std::string seen = shown[split] == '=' ? text.toStdString()
                             : value == "whole"  ? (whole ? "whole" : "cut")
                             : value == "on" || value == "off"
                                 ? (control->isEnabled() ? "on" : "off")
                             : colour == Qt::red ? "warning"
                             : colour == QApplication::palette().color(QPalette::WindowText)
                                 ? "information"
                                 : colour.name().toStdString();
    EXPECT_EQ(seen, value) << name;
}

void Perform(QWidget& d, const std::vector<Step>& steps) {
    for (const auto& [act, shows] : steps) {
        SCOPED_TRACE(act);
        std::istringstream words(act);
        std::string verb, name, value;
        std::getline(words >> verb >> name >> std::ws, value);
        QWidget* control = d.findChild<QWidget*>(QString::fromStdString(name));
        if (verb == "type" || verb == "key") {
            // A person brings the window to the front and clicks into the entry.
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            QTest::mouseClick(control, Qt::LeftButton);
            QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(control, QString::fromStdString(value));
            if (value.empty()) // typing nothing over the selection empties the entry
                QTest::keyClick(control, Qt::Key_Backspace);
            if (verb == "type")
                QTest::keyClick(control, Qt::Key_Tab);
        } else if (verb == "tab") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } else if (verb == "click") {
            QTest::mouseClick(control, Qt::LeftButton);
        } else if (verb == "pick") {
            auto* combo = qobject_cast<QComboBox*>(control);
            combo->showPopup();
            QAbstractItemView* view = combo->view();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(std::stoi(value), 0)).center());
        }
        for (const std::string& shown : shows)
            Expect(d, shown);
    }
}

// The stored settings of most tests: 640 × 480 pixels, proportions kept, only resizing on.
ResizeSetting Pixels() {
    ResizeSetting s;
    s.nWidth = 640, s.nHeight = 480, s.nWidthUnit = s.nHeightUnit = 0;
    return s;
}

// Opens the dialog with these settings on a selection (m_listFiles) of w × h pictures at
// x × y dpi and runs `person` once it is shown; whatever is left open is closed with "Cancel".
int OpenDialog(const ResizeSetting& s, std::int32_t w, std::int32_t h, std::int32_t x,
               std::int32_t y, const std::function<void(CDlgResize&)>& person) {
    GetAppSetting()->m_resize = s;
    GetAppSetting()->m_bJpegInSelection = 1;
    CDlgResize dialog;
    dialog.m_nWidth = w, dialog.m_nHeight = h, dialog.m_nXDpi = x, dialog.m_nYDpi = y;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        person(dialog);
        if (!dialog.HasEnded())
            ClickNamed(&dialog, "IDC_RESIZE_CANCEL");
    });
    return dialog.DoModal();
}

int OpenDialog(const ResizeSetting& s, std::int32_t w, std::int32_t h, std::int32_t x,
               std::int32_t y, const std::vector<Step>& steps) {
    return OpenDialog(s, w, h, x, y, [&](CDlgResize& d) { Perform(d, steps); });
}

TEST(DlgResize, PicturesOfDifferentSizesAreSizedInPercentWhileConstrained) {
    const std::vector<Step> steps = {
        // The stored 640 × 480 were pixels: they become 100 %.
        {"see", {"IDC_WIDTH_UNIT=percent", "IDC_HEIGHT_UNIT=percent", "IDC_WIDTH_UNIT:off"}},
        {"see", {"IDC_RESIZE_WIDTH=100", "IDC_RESIZE_HEIGHT=100", "IDC_SIZE_INFO:warning"}},
        {"type IDC_RESIZE_WIDTH 37", {"IDC_RESIZE_HEIGHT=37"}},
        {"type IDC_RESIZE_HEIGHT 250", {"IDC_RESIZE_WIDTH=250"}},
        {"click IDC_CONSTRAIN",
         {"IDC_WIDTH_UNIT:on", "IDC_HEIGHT_UNIT:on", "IDC_SIZE_INFO:warning"}},
        // A unit change cannot convert through an unknown size: the number stays.
        {"pick IDC_WIDTH_UNIT 0", {"IDC_RESIZE_WIDTH=250"}},
        {"type IDC_RESIZE_WIDTH 640", {"IDC_RESIZE_HEIGHT=250"}},
        // An entry the list shows in pixels becomes 100 %; the other keeps its percent.
        {"click IDC_CONSTRAIN",
         {"IDC_WIDTH_UNIT=percent", "IDC_WIDTH_UNIT:off", "IDC_RESIZE_WIDTH=100",
          "IDC_RESIZE_HEIGHT=250"}},
    };
    OpenDialog(Pixels(), 0, 0, 0, 0, steps);
    ResizeSetting percent;
    percent.nWidth = percent.nHeight = 50;
    OpenDialog(percent, 0, 0, 0, 0, {{"see", {"IDC_RESIZE_WIDTH=50", "IDC_RESIZE_HEIGHT=50"}}});
}

TEST(DlgResize, WidthAndHeightFollowTheSelectionsProportions) {
    const std::vector<Step> steps = {
        // The source's format, a JPEG among the pictures: its quality.
        {"see", {"IDC_QUALITY_TEXT=80", "IDC_SAVE_TYPE=the same as source", "IDC_QUALITY:on"}},
        {"type IDC_RESIZE_WIDTH 400", {"IDC_RESIZE_HEIGHT=300"}},
        // 300 of 600 pixels is 50 %; the width, 400 pixels, already agrees, in pixels.
        {"pick IDC_HEIGHT_UNIT 1",
         {"IDC_RESIZE_HEIGHT=50", "IDC_RESIZE_WIDTH=400", "IDC_SIZE_INFO:information"}},
        {"pick IDC_WIDTH_UNIT 1", {"IDC_RESIZE_WIDTH=50", "IDC_RESIZE_HEIGHT=50"}},
        {"pick IDC_HEIGHT_UNIT 0", {"IDC_RESIZE_HEIGHT=300", "IDC_RESIZE_WIDTH=50"}},
        {"pick IDC_WIDTH_UNIT 0", {"IDC_RESIZE_WIDTH=400"}},
        {"pick IDC_SAVE_TYPE 3", {"IDC_SAVE_TYPE=GIF files", "IDC_QUALITY:off"}},
        {"pick IDC_SAVE_TYPE 5", {"IDC_SAVE_TYPE=PNG files"}}, // stored at once
    };
    OpenDialog(Pixels(), 800, 600, 72, 72, [&](CDlgResize& d) {
        Perform(d, steps);
        // An emptied or too large entry is reported once, and stays for the person to retype.
        std::vector<QString> prompts;
        const auto watcher = OnEveryModal([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) { // not the dialog itself
                prompts.push_back(box->text());
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        for (const std::string typed : {"", "4294967296"}) {
            Perform(d, {{"key IDC_RESIZE_WIDTH " + typed, {}}});
            QTest::qWait(50);
            EXPECT_EQ(prompts.size(), typed.empty() ? 1u : 2u);
            Perform(d, {{"type IDC_RESIZE_WIDTH 200", {"IDC_RESIZE_HEIGHT=150"}}});
        }
        EXPECT_EQ(prompts, std::vector<QString>(2, "Please enter a positive integer."));
    });
    EXPECT_EQ(GetAppSetting()->m_resize.nImageType, 5) << "the save type outlives Cancel";
}

// The number typed stays as typed, the other entry is computed from it once, and what the two
// show is what the label checks, what "Set as default" stores and what a run writes.
TEST(DlgResize, TheEntriesShowWhatIsStoredAndWritten) {
    // On two 100 × 68 pictures, what the person does, and what "Set as default" then stores.
    const std::string coupled = "IDC_SIZE_INFO=The size of the pictures you've selected is:100*68";
    const std::pair<std::vector<Step>, std::pair<std::int32_t, std::int32_t>> cases[] = {
        // Typed key by key and left: 640 stays (its "6" is not coupled to 4 and back to 5), 435
        // is 640 × 68 / 100, and it keeps the proportions as far as whole pixels can.
        {{{"key IDC_RESIZE_WIDTH 640", {"IDC_RESIZE_WIDTH=640", "IDC_RESIZE_HEIGHT=435"}},
          {"tab", {"IDC_RESIZE_WIDTH=640", "IDC_RESIZE_HEIGHT=435", coupled}}},
         {640, 435}},
        // The other entry's unit: computed afresh from the typed 640, not from its own 435.
        {{{"type IDC_RESIZE_WIDTH 640", {}},
          {"pick IDC_HEIGHT_UNIT 1", {"IDC_RESIZE_WIDTH=640", "IDC_RESIZE_HEIGHT=640"}},
          {"pick IDC_HEIGHT_UNIT 0", {"IDC_RESIZE_WIDTH=640", "IDC_RESIZE_HEIGHT=435"}}},
         {640, 435}},
    };
    for (const auto& [steps, stored] : cases) {
        SCOPED_TRACE(steps.front().first);
        OpenDialog(Pixels(), 100, 68, 72, 72, [&](CDlgResize& d) {
            Perform(d, steps);
            ClickNamed(&d, "IDC_SET_DEFAULT");
            const ResizeSetting& kept = GetAppSetting()->m_resize;
            EXPECT_EQ(std::tuple(kept.nWidth, kept.nHeight, kept.nWidthUnit, kept.nHeightUnit),
                      std::tuple(stored.first, stored.second, d.m_nWidthUnit, d.m_nHeightUnit));
        });
    }

    // Two 100 × 68 pictures, 640 typed key by key, then "Resize": two 640 × 435 files.
    const std::string dir = MakeTempDir("typed");
    GetAppSetting()->m_listFiles = MakePictures(dir, 2, 100, 68);
    ResizeSetting s = Pixels();
    s.strDestFolder = dir + "/out";
    EXPECT_EQ(OpenDialog(s, 100, 68, 72, 72,
                         {{"key IDC_RESIZE_WIDTH 640", {}}, {"click IDC_RESIZE_RUN", {}}}),
              plat::IDOK);
    for (const char* name : {"p0.jpg", "p1.jpg"})
        EXPECT_EQ(Inspect(dir + "/out/" + std::string(name)), (PictureFacts{640, 435, 3})) << name;
}

// Information is drawn in the theme's text colour, readable on a dark theme; warnings in red.
TEST(DlgResize, LabelsFollowTheChoicesInColoursEveryThemeShows) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    // The messages are drawn in the dialog's font, which follows the desktop's, here of another
    // size than the platform's own GUI font (and small enough for the dialog to keep it on the
    // test's screen).
    const QFont desktop = QApplication::font();
    QFont other = desktop;
    other.setPointSize(desktop.pointSize() - 1);
    QApplication::setFont(other);
    ResizeSetting s = Pixels();
    s.nWidth = 800, s.nHeight = 500, s.bSetDpi = 1;
    const std::string mismatch = "IDC_SIZE_INFO=The size(1600*1200) of the pictures you've "
                                 "selected is not match the Constrain Proportion of your setting: "
                                 "800*500\r\nPlease reset width and height or uncheck Constrain "
                                 "Proportion";
    const std::vector<Step> steps = {
        {"see", {mismatch, "IDC_SIZE_INFO:warning", "IDC_SIZE_INFO:whole", "IDC_DPI_INFO:warning"}},
        {"see", {"IDC_DPI_INFO=Your select Pictures:\r\nthe X DPI:300\r\nThe Y DPI: not the same"}},
        {"click IDC_CONSTRAIN", {"IDC_SIZE_INFO:information"}},
        {"click IDC_RESIZE_DESKTOP",
         {"IDC_SIZE_INFO:warning", "IDC_SIZE_INFO:whole", "IDC_RESIZE_WIDTH:off"}},
        {"click IDC_CONSTRAIN", {"IDC_SIZE_INFO:information"}},
        {"click IDC_RESIZE_AS", {"IDC_SIZE_INFO:warning", "IDC_RESIZE_WIDTH:on"}},
        {"click IDC_DO_RESIZE", {"IDC_SIZE_INFO=", "IDC_CONSTRAIN:off"}},
        {"click IDC_DO_RESIZE", {mismatch, "IDC_CONSTRAIN:on"}},
        {"click IDC_DO_DPI", {"IDC_DPI_INFO=", "IDC_NEW_XDPI:off"}},
        // "Resize" needs something to do; "Resize and mail" can always mail.
        {"click IDC_DO_RESIZE", {"IDC_RESIZE_RUN:off", "IDC_RESIZE_MAIL:on", "IDC_MAX_KB:on"}},
        // A limit alone is something to do, and the size label says it.
        {"type IDC_MAX_KB 150",
         {"IDC_RESIZE_RUN:on", "IDC_SIZE_INFO=Each file will be at most 150 KB",
          "IDC_SIZE_INFO:information"}},
        {"type IDC_MAX_KB ", {"IDC_RESIZE_RUN:off", "IDC_SIZE_INFO="}},
        {"click IDC_DO_ROTATE", {"IDC_RESIZE_RUN:on", "IDC_FLIP:on", "IDC_SHRINK_ONLY:off"}},
        {"click IDC_DO_RESIZE", {"IDC_SHRINK_ONLY:on", mismatch}},
        {"type IDC_MAX_KB 2048",
         {mismatch + "\r\nEach file will be at most 2048 KB", "IDC_SIZE_INFO:whole"}},
        // Only an overwrite replaces originals that the trash could keep.
        {"see", {"IDC_KEEP_IN_TRASH:off"}},
        {"click IDC_DEST_OVERWRITE", {"IDC_KEEP_IN_TRASH:on", "IDC_DEST_FOLDER:off"}},
        {"click IDC_DEST_IN_FOLDER", {"IDC_KEEP_IN_TRASH:off"}},
    };
    OpenDialog(s, 1600, 1200, 300, 0, steps);
    QApplication::setPalette(light);
    QApplication::setFont(desktop);
}

// "Set as default" stores what is shown and leaves the dialog open; a finished run closes it.
TEST(DlgResize, SetAsDefaultStoresWhatIsShownAndARunClosesTheDialog) {
    const std::string dir = MakeTempDir("run");
    ResizeSetting s = Pixels();
    GetAppSetting()->m_listFiles = MakePictures(dir, 2, 160, 120);
    s.nImageType = 5, s.bRotate = 1, s.nRotate = 7; // a turn no radio stands for: 0 is stored
    const auto person = [&](CDlgResize& d) {
        for (const char* turn : {"IDC_ROTATE_LEFT", "IDC_FLIP", "IDC_ROTATE_RIGHT"})
            EXPECT_FALSE(d.findChild<QAbstractButton*>(turn)->isChecked()) << turn;
        Perform(d, {{"type IDC_DEST_FOLDER " + dir + "/new out", {}},
                    {"type IDC_RESIZE_WIDTH 80", {}},
                    {"pick IDC_HEIGHT_UNIT 1", {"IDC_RESIZE_HEIGHT=50"}},
                    {"click IDC_DO_DPI", {}},
                    {"type IDC_NEW_XDPI 300", {}},
                    {"type IDC_NEW_YDPI 150", {}},
                    {"type IDC_MAX_KB 150", {}},
                    {"click IDC_SHRINK_ONLY", {}},
                    {"click IDC_DEST_OVERWRITE", {}},
                    {"click IDC_KEEP_IN_TRASH", {}},
                    {"click IDC_DEST_IN_FOLDER", {}},
                    {"click IDC_SET_DEFAULT", {}}});
        EXPECT_TRUE(d.isVisible() && !d.HasEnded());
        Perform(d, {{"click IDC_RESIZE_RUN", {}}});
    };
    EXPECT_EQ(OpenDialog(s, 160, 120, 72, 72, person), plat::IDOK);
    const ResizeSetting kept = CAppSetting().m_resize;
    EXPECT_EQ(std::tuple(kept.strDestFolder, kept.nImageType, kept.nWidth, kept.nWidthUnit,
                         kept.nHeight, kept.nHeightUnit, kept.bSetDpi, kept.nXDpi, kept.nYDpi,
                         kept.bRotate, kept.nRotate, kept.nMaxKb, kept.bShrinkOnly, kept.bTrash),
              std::tuple(dir + "/new out", 5, 80, 0, 50, 1, 1, 300, 150, 1, 0, 150, 1, 0));
    EXPECT_EQ(Inspect(dir + "/new out/p1.png").width, 60) << "80 × 60, turned left";
}

} // namespace
