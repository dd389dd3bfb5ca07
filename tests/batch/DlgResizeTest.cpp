// The resize options dialog driven offscreen as a person would, step by step from a table:
// typing into the edits, clicking radios, check boxes and buttons, picking list entries,
// and reading back texts, label colours and which controls are open.
#include "app/batch/DlgResize.h"
#include "app/core/AppSetting.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTest>

#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

// One thing the person does, and what the dialog shows afterwards. `act` is "type" (typing
// over the entry, then Tab), "key" (typing, staying in the entry), "tab", "click", "pick" (the
// list entry of that index), "slide" (a key on the slider) or "see". Each of `shows` is
// "NAME=text", "NAME:on" / "NAME:off" (enabled or not), or "NAME:warning" / "NAME:information"
// (red, or the theme's text colour).
struct Step {
    const char* act;
    const char* control;
    QString value;
    std::vector<std::string> shows;
};

ResizeSetting Stored() {
    ResizeSetting s;
    s.nWidth = 640;
    s.nHeight = 480;
    s.nWidthUnit = 0;
    s.nHeightUnit = 0;
    return s;
}

void Reset(const ResizeSetting& s, const std::vector<std::string>& files = {}) {
    CAppSetting* app = GetAppSetting();
    app->m_resize = s;
    app->m_bJpegInSelection = 1;
    app->m_listFiles = files;
    app->m_listMailFiles.clear();
}

template <typename T = QWidget> T* Find(QWidget& dialog, const std::string& name) {
    T* found = dialog.findChild<T*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString Text(QWidget& dialog, const std::string& name) {
    if (auto* combo = qobject_cast<QComboBox*>(Find(dialog, name)))
        return combo->currentText();
    return vtltest::TextOfNamed(&dialog, QString::fromStdString(name));
}

void Expect(QWidget& d, const std::string& shown) {
    const std::size_t equals = shown.find('=');
    const std::size_t colon = shown.find(':');
    if (equals < colon) {
        EXPECT_EQ(Text(d, shown.substr(0, equals)).toStdString(), shown.substr(equals + 1));
        return;
    }
    const std::string name = shown.substr(0, colon);
    const std::string state = shown.substr(colon + 1);
    if (state == "on" || state == "off") {
        EXPECT_EQ(Find(d, name)->isEnabled(), state == "on") << name;
        return;
    }
    const QColor colour = Find(d, name)->palette().color(QPalette::WindowText);
    EXPECT_EQ(colour, state == "warning" ? QColor(255, 0, 0)
                                         : QApplication::palette().color(QPalette::WindowText))
        << name;
}

void Perform(QWidget& d, const Step& step) {
    const std::string act = step.act;
    QWidget* control = step.control[0] ? Find(d, step.control) : nullptr;
    if (act == "type" || act == "key") {
        // A person brings the window to the front and clicks into the entry.
        d.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        QTest::mouseClick(control, Qt::LeftButton);
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(control, step.value);
        if (act == "type")
            QTest::keyClick(control, Qt::Key_Tab);
    } else if (act == "tab") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (act == "click") {
        QTest::mouseClick(control, Qt::LeftButton);
    } else if (act == "pick") {
        auto* combo = qobject_cast<QComboBox*>(control);
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        const QRect entry = view->visualRect(view->model()->index(step.value.toInt(), 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
    } else if (act == "slide") {
        QTest::keyClick(control, step.value == "Home" ? Qt::Key_Home : Qt::Key_End);
    }
}

// Opens the dialog on a selection of w × h pictures with resolutions x, y and runs `person`
// once it is shown; whatever `person` leaves open is closed with "Cancel". Returns the end code.
int OpenDialog(std::int32_t w, std::int32_t h, std::int32_t x, std::int32_t y,
               const std::function<void(CDlgResize&)>& person) {
    CDlgResize dialog;
    dialog.m_nWidth = w;
    dialog.m_nHeight = h;
    dialog.m_nXDpi = x;
    dialog.m_nYDpi = y;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        person(dialog);
        if (!dialog.HasEnded())
            QTest::mouseClick(Find(dialog, "IDC_RESIZE_CANCEL"), Qt::LeftButton);
    });
    return dialog.DoModal();
}

void RunSteps(std::int32_t w, std::int32_t h, std::int32_t x, std::int32_t y,
              const std::vector<Step>& steps) {
    OpenDialog(w, h, x, y, [&](CDlgResize& d) {
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(step.act) + " " + step.control + " " +
                         step.value.toStdString());
            Perform(d, step);
            for (const std::string& shown : step.shows)
                Expect(d, shown);
        }
    });
}

const std::string kNotSameSize = "IDC_SIZE_INFO=The pictures you've selected are not the same size";

TEST(DlgResize, PicturesOfDifferentSizesAreSizedInPercentWhileConstrained) {
    Reset(Stored());
    RunSteps(
        0, 0, 0, 0,
        {
            // The stored 640 × 480 were pixels: they become 100 %.
            {"see",
             "",
             "",
             {"IDC_WIDTH_UNIT=percent", "IDC_HEIGHT_UNIT=percent", "IDC_WIDTH_UNIT:off",
              "IDC_HEIGHT_UNIT:off", "IDC_RESIZE_WIDTH=100", "IDC_RESIZE_HEIGHT=100",
              "IDC_SIZE_INFO:warning"}},
            {"type", "IDC_RESIZE_WIDTH", "37", {"IDC_RESIZE_HEIGHT=37"}},
            {"type", "IDC_RESIZE_HEIGHT", "250", {"IDC_RESIZE_WIDTH=250"}},
            {"click",
             "IDC_CONSTRAIN",
             "",
             {"IDC_WIDTH_UNIT:on", "IDC_HEIGHT_UNIT:on", kNotSameSize}},
            // A unit change cannot convert through an unknown size: the number stays.
            {"pick", "IDC_WIDTH_UNIT", "0", {"IDC_RESIZE_WIDTH=250"}},
            {"type", "IDC_RESIZE_WIDTH", "640", {"IDC_RESIZE_HEIGHT=250"}},
            {"click",
             "IDC_CONSTRAIN",
             "",
             {"IDC_WIDTH_UNIT=percent", "IDC_WIDTH_UNIT:off", "IDC_RESIZE_WIDTH=100",
              "IDC_RESIZE_HEIGHT=100"}},
            // Leaving "Resize as" and coming back keeps the units as the choices want them.
            {"click", "IDC_CONSTRAIN", "", {"IDC_WIDTH_UNIT:on"}},
            {"click", "IDC_RESIZE_DESKTOP", "", {"IDC_WIDTH_UNIT:off", "IDC_RESIZE_WIDTH:off"}},
            {"click", "IDC_RESIZE_AS", "", {"IDC_WIDTH_UNIT:on", "IDC_RESIZE_WIDTH:on"}},
        });
    // Entries stored in percent are kept.
    ResizeSetting percent;
    percent.nWidth = percent.nHeight = 50;
    Reset(percent);
    RunSteps(0, 0, 0, 0, {{"see", "", "", {"IDC_RESIZE_WIDTH=50", "IDC_RESIZE_HEIGHT=50"}}});
}

TEST(DlgResize, WidthAndHeightFollowTheSelectionsProportions) {
    Reset(Stored());
    RunSteps(
        800, 600, 72, 72,
        {
            {"see",
             "",
             "",
             {"IDC_SIZE_INFO=The size of the pictures you've selected is:800*600",
              "IDC_SIZE_INFO:information", "IDC_WIDTH_UNIT:on"}},
            {"type", "IDC_RESIZE_WIDTH", "400", {"IDC_RESIZE_HEIGHT=300"}},
            {"type", "IDC_RESIZE_HEIGHT", "90", {"IDC_RESIZE_WIDTH=120"}},
            // 401 gives a height of 300, whose change writes 400 back once the person leaves.
            {"key", "IDC_RESIZE_WIDTH", "401", {"IDC_RESIZE_WIDTH=401", "IDC_RESIZE_HEIGHT=300"}},
            {"tab", "", "", {"IDC_RESIZE_WIDTH=400", "IDC_RESIZE_HEIGHT=300"}},
            // 300 of 600 pixels is 50 %; the width, 400 pixels, already agrees.
            {"pick", "IDC_HEIGHT_UNIT", "1", {"IDC_RESIZE_HEIGHT=50", "IDC_RESIZE_WIDTH=400"}},
            {"pick", "IDC_WIDTH_UNIT", "1", {"IDC_RESIZE_WIDTH=50", "IDC_RESIZE_HEIGHT=50"}},
            {"pick", "IDC_HEIGHT_UNIT", "0", {"IDC_RESIZE_HEIGHT=300", "IDC_RESIZE_WIDTH=50"}},
            {"pick", "IDC_WIDTH_UNIT", "0", {"IDC_RESIZE_WIDTH=400"}},
            // Typed key by key, the "6" of "640" is not coupled to 4 and back to 5 under the
            // cursor.
            {"key", "IDC_RESIZE_WIDTH", "640", {"IDC_RESIZE_WIDTH=640", "IDC_RESIZE_HEIGHT=480"}},
            {"tab", "", "", {"IDC_RESIZE_WIDTH=640", "IDC_RESIZE_HEIGHT=480"}},
            {"key", "IDC_RESIZE_HEIGHT", "150", {"IDC_RESIZE_HEIGHT=150", "IDC_RESIZE_WIDTH=200"}},
            {"key", "IDC_RESIZE_WIDTH", "1024", {"IDC_RESIZE_WIDTH=1024", "IDC_RESIZE_HEIGHT=768"}},
        });
}

// Information is drawn in the theme's text colour, readable on a dark theme; warnings in red.
TEST(DlgResize, LabelsFollowTheChoicesInColoursEveryThemeShows) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    ResizeSetting s = Stored();
    s.nWidth = 800;
    s.nHeight = 500;
    s.bSetDpi = 1;
    Reset(s);
    const std::string mismatch = "IDC_SIZE_INFO=The size(1600*1200) of the pictures you've "
                                 "selected is not match the Constrain Proportion of your "
                                 "setting: 800*500\r\nPlease reset width and height or uncheck "
                                 "Constrain Proportion";
    RunSteps(
        1600, 1200, 300, 0,
        {
            {"see",
             "",
             "",
             {mismatch, "IDC_SIZE_INFO:warning", "IDC_DPI_INFO:warning",
              "IDC_DPI_INFO=Your select Pictures:\r\nthe X DPI:300\r\nThe Y DPI: not the same"}},
            {"click", "IDC_CONSTRAIN", "", {"IDC_SIZE_INFO:information"}},
            {"click", "IDC_RESIZE_DESKTOP", "", {"IDC_SIZE_INFO:warning", "IDC_RESIZE_WIDTH:off"}},
            {"click", "IDC_CONSTRAIN", "", {"IDC_SIZE_INFO:information"}},
            {"click", "IDC_RESIZE_AS", "", {"IDC_SIZE_INFO:warning", "IDC_RESIZE_WIDTH:on"}},
            {"click", "IDC_DO_RESIZE", "", {"IDC_SIZE_INFO=", "IDC_CONSTRAIN:off"}},
            {"click", "IDC_DO_RESIZE", "", {mismatch, "IDC_CONSTRAIN:on"}},
            {"click", "IDC_DO_DPI", "", {"IDC_DPI_INFO=", "IDC_NEW_XDPI:off"}},
            // "Resize" needs something to do; "Resize and mail" can always mail.
            {"click", "IDC_DO_RESIZE", "", {"IDC_RESIZE_RUN:off", "IDC_RESIZE_MAIL:on"}},
            {"click", "IDC_DO_ROTATE", "", {"IDC_RESIZE_RUN:on", "IDC_FLIP:on"}},
        });
    QApplication::setPalette(light);
}

TEST(DlgResize, TheSettingsComeAndGoWithTheDialog) {
    ResizeSetting s = Stored();
    s.nQuality = 65;
    s.bRotate = 1;
    s.nRotate = 7; // no such rotation: no radio is chosen
    Reset(s);
    const int code = OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        for (const Step& step : std::vector<Step>{
                 {"see", "", "", {"IDC_QUALITY_TEXT=65", "IDC_SAVE_TYPE=the same as source"}},
                 {"slide", "IDC_QUALITY", "Home", {"IDC_QUALITY_TEXT=0"}},
                 {"slide", "IDC_QUALITY", "End", {"IDC_QUALITY_TEXT=100"}},
                 {"pick", "IDC_SAVE_TYPE", "5", {"IDC_SAVE_TYPE=PNG files"}},
                 {"type", "IDC_DEST_FOLDER", "/tmp/out here", {}},
                 {"type", "IDC_RESIZE_WIDTH", "400", {"IDC_RESIZE_HEIGHT=300"}},
                 {"click", "IDC_DEST_OVERWRITE", "", {"IDC_DEST_FOLDER:off", "IDC_BROWSE:on"}},
                 {"click", "IDC_SET_DEFAULT", "", {}}}) {
            Perform(d, step);
            for (const std::string& shown : step.shows)
                Expect(d, shown);
        }
        EXPECT_TRUE(d.isVisible()) << "\"Set as default\" keeps the dialog open";
        const ResizeSetting& stored = GetAppSetting()->m_resize;
        EXPECT_EQ(std::tie(stored.bOverwrite, stored.strDestFolder, stored.nImageType,
                           stored.nQuality, stored.nWidth, stored.nHeight, stored.nRotate),
                  std::make_tuple(1, std::string("/tmp/out here"), 5, 100, 400, 300, 0));
        // A change after the save stays in the dialog, except the save type, stored at once.
        Perform(d, {"click", "IDC_DEST_IN_FOLDER", "", {}});
        Perform(d, {"pick", "IDC_SAVE_TYPE", "1", {}});
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(code, plat::IDCANCEL);
    EXPECT_EQ(GetAppSetting()->m_resize.nImageType, 1);
}

TEST(DlgResize, AnEmptiedEntryIsReportedOnceAndCanBeRetyped) {
    Reset(Stored());
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        Perform(d, {"type", "IDC_RESIZE_WIDTH", "400", {}});
        Perform(d, {"key", "IDC_RESIZE_WIDTH", "", {}});
        std::vector<QString> prompts;
        const auto watcher = vtltest::OnEveryModal([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                prompts.push_back(box->text());
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        QTest::keyClick(Find(d, "IDC_RESIZE_WIDTH"), Qt::Key_Backspace);
        QTest::qWait(50);
        EXPECT_EQ(prompts, std::vector<QString>{"Please enter a positive integer."});
        // The entry stays empty for the person to retype; the height kept its value.
        for (const Step& step :
             std::vector<Step>{{"see", "", "", {"IDC_RESIZE_WIDTH=", "IDC_RESIZE_HEIGHT=300"}},
                               {"type", "IDC_RESIZE_WIDTH", "200", {"IDC_RESIZE_HEIGHT=150"}}}) {
            Perform(d, step);
            for (const std::string& shown : step.shows)
                Expect(d, shown);
        }
    });
}

TEST(DlgResize, BrowseOpensWhereTheOutputsWouldGo) {
    const std::string pictures = vtltest::MakeTempDir("browse");
    fs::create_directory(pictures + "/out");
    const std::string picture = vtltest::MakePicture(pictures + "/a.jpg", 40, 30);
    struct Case {
        std::string folder;
        std::vector<std::string> files;
        std::string opens;
    };
    const Case cases[] = {
        {"", {picture}, pictures},
        {"", {}, QDir::homePath().toStdString()},
        {"./out", {picture}, pictures + "/out"},
        {"./not-yet", {picture}, pictures},
        {pictures + "/out", {}, pictures + "/out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        ResizeSetting s = Stored();
        s.strDestFolder = c.folder;
        Reset(s, c.files);
        OpenDialog(800, 600, 72, 72, [&](CDlgResize& d) {
            QString title;
            QString status;
            vtltest::OnNextModal([&](QWidget* chooser) {
                title = chooser->windowTitle();
                status = vtltest::TextOfNamed(chooser, "status");
                QTest::keyClick(chooser, Qt::Key_Escape);
            });
            QTest::mouseClick(Find(d, "IDC_BROWSE"), Qt::LeftButton);
            EXPECT_EQ(title, "select the destination folder...");
            EXPECT_EQ(fs::canonical(status.toStdString()), fs::canonical(c.opens));
            EXPECT_EQ(Text(d, "IDC_DEST_FOLDER").toStdString(), c.folder) << "cancelled";
        });
    }
}

TEST(DlgResize, AFinishedRunClosesTheDialogACancelledOneLeavesItAsItWas) {
    const std::string dir = vtltest::MakeTempDir("run");
    fs::create_directory(dir + "/out");
    const std::string old = vtltest::MakePicture(dir + "/out/p0.jpg", 10, 10);
    ResizeSetting s = Stored();
    s.strDestFolder = dir + "/out";
    Reset(s, {vtltest::MakePicture(dir + "/p0.jpg", 160, 120),
              vtltest::MakePicture(dir + "/p1.jpg", 160, 120)});
    const int cancelled = OpenDialog(160, 120, 72, 72, [&](CDlgResize& d) {
        Perform(d, {"type", "IDC_RESIZE_WIDTH", "80", {}});
        // The first output exists: its question comes first; "No", then cancel the run.
        vtltest::OnNextModal(
            [](QWidget* question) {
                QWidget* progress = question->parentWidget();
                vtltest::ClickNamed(question, "IDC_NO");
                vtltest::ClickNamed(progress, "IDCANCEL");
            },
            "Vantrel Confirm");
        Perform(d, {"click", "IDC_RESIZE_RUN", "", {}});
        EXPECT_TRUE(d.isVisible());
        Expect(d, "IDC_RESIZE_HEIGHT=60");
        Expect(d, "IDC_SIZE_INFO=The size of the pictures you've selected is:160*120");
    });
    EXPECT_EQ(cancelled, plat::IDCANCEL);
    EXPECT_EQ(vtltest::Inspect(old).width, 10);

    const int finished = OpenDialog(160, 120, 72, 72, [&](CDlgResize& d) {
        vtltest::OnNextModal(
            [](QWidget* question) { vtltest::ClickNamed(question, "IDC_YESTOALL"); },
            "Vantrel Confirm");
        Perform(d, {"pick", "IDC_SAVE_TYPE", "5", {}});
        Perform(d, {"click", "IDC_RESIZE_RUN", "", {}});
    });
    EXPECT_EQ(finished, plat::IDOK);
    EXPECT_EQ(vtltest::Inspect(dir + "/out/p1.png").width, 80);
}

} // namespace
