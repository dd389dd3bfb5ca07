// The resize options dialog driven offscreen as a person would: typing into the edits,
// clicking radios, check boxes and buttons, picking list entries, moving the slider, and
// reading texts, colours and enabled states back.
#include "app/batch/DlgResize.h"
#include "app/core/AppSetting.h"
#include "platform/Registry.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/SystemMetrics.h"
#include "tests/batch/Pictures.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for texts read back from the widgets.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

namespace fs = std::filesystem;

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);
const QString kDistort =
    QStringLiteral("\r\nuncheck Constrain Proportion might distort your picture(s)");

// The stored settings every test starts from: pixel entries, proportions kept, only "Image to
// resize" on.
ResizeSetting Stored() {
    ResizeSetting s;
    s.strDestFolder = "";
    s.nImageType = 0;
    s.nQuality = 80;
    s.bResize = 1;
    s.bRotate = 0;
    s.bSetDpi = 0;
    s.bConstrain = 1;
    s.bDesktop = 0;
    s.nWidth = 640;
    s.nHeight = 480;
    s.nWidthUnit = 0;
    s.nHeightUnit = 0;
    s.nRotate = 0;
    s.nXDpi = 72;
    s.nYDpi = 72;
    return s;
}

void Reset(const ResizeSetting& s, bool jpegInSelection = true) {
    CAppSetting* app = GetAppSetting();
    app->m_resize = s;
    app->m_bJpegInSelection = jpegInSelection ? 1 : 0;
    app->m_listFiles.clear();
    app->m_listMailFiles.clear();
}

template <typename T = QWidget> T* Find(QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString Text(QWidget& dialog, const char* name) {
    if (auto* edit = qobject_cast<QLineEdit*>(Find(dialog, name)))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(Find(dialog, name)))
        return combo->currentText();
    return Find<QLabel>(dialog, name)->text();
}

QColor TextColour(QWidget& dialog, const char* name) {
    return Find<QLabel>(dialog, name)->palette().color(QPalette::WindowText);
}

bool Enabled(QWidget& dialog, const char* name) { return Find(dialog, name)->isEnabled(); }

// Clicks into the entry, selects it and types over it, key by key; the entry stays in use.
QLineEdit* TypeOver(QWidget& dialog, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(dialog, name);
    // A person brings the window back to the front (as after a closed chooser) and clicks in.
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_TRUE(edit->hasFocus()) << name;
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
    return edit;
}

// Types the entry and leaves it with Tab, as a person filling in a form.
void Type(QWidget& dialog, const char* name, const QString& text) {
    QTest::keyClick(TypeOver(dialog, name, text), Qt::Key_Tab);
}

void Click(QWidget& dialog, const char* name) {
    QTest::mouseClick(Find<QAbstractButton>(dialog, name), Qt::LeftButton);
}

// Opens the list and clicks the entry.
void Pick(QWidget& dialog, const char* name, int index) {
    auto* combo = Find<QComboBox>(dialog, name);
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QRect entry = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(combo->currentIndex(), index) << name;
}

// Opens the dialog on a selection of w × h pictures with resolutions x, y and runs `person`
// once it is shown. Whatever `person` leaves open is closed with "Cancel". Returns the end code.
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
            Click(dialog, "IDC_RESIZE_CANCEL");
    });
    return dialog.DoModal();
}

TEST(DlgResize, DifferentSizesWithConstrainAskForPercent) {
    Reset(Stored());
    OpenDialog(0, 0, 0, 0, [](CDlgResize& d) {
        EXPECT_EQ(Text(d, "IDC_WIDTH_UNIT"), "percent");
        EXPECT_EQ(Text(d, "IDC_HEIGHT_UNIT"), "percent");
        EXPECT_FALSE(Enabled(d, "IDC_WIDTH_UNIT"));
        EXPECT_FALSE(Enabled(d, "IDC_HEIGHT_UNIT"));
        // The stored 640 × 480 were pixels: they become 100 %.
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "100");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "100");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"),
                  "The pictures you've selected are not the same size\r\nPlease resize them in "
                  "percent or uncheck Constrain Proportion");
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kRed);

        // Both in percent: the two entries always show the same number.
        Type(d, "IDC_RESIZE_WIDTH", "37");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "37");
        Type(d, "IDC_RESIZE_HEIGHT", "250");
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "250");

        // Without the constraint the lists open up; the warning loses its second line.
        Click(d, "IDC_CONSTRAIN");
        EXPECT_TRUE(Enabled(d, "IDC_WIDTH_UNIT"));
        EXPECT_TRUE(Enabled(d, "IDC_HEIGHT_UNIT"));
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"), "The pictures you've selected are not the same size");
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kRed);

        // A unit change cannot convert through an unknown size: the number stays.
        Pick(d, "IDC_WIDTH_UNIT", 0);
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "250");
        Type(d, "IDC_RESIZE_WIDTH", "640");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "250");

        // Constraining again brings percent back; the stored units were pixels, so 100.
        Click(d, "IDC_CONSTRAIN");
        EXPECT_EQ(Text(d, "IDC_WIDTH_UNIT"), "percent");
        EXPECT_FALSE(Enabled(d, "IDC_WIDTH_UNIT"));
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "100");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "100");
    });
}

TEST(DlgResize, StoredPercentEntriesSurviveDifferentSizes) {
    ResizeSetting s = Stored();
    s.nWidthUnit = 1;
    s.nHeightUnit = 1;
    s.nWidth = 50;
    s.nHeight = 50;
    Reset(s);
    OpenDialog(0, 0, 0, 0, [](CDlgResize& d) {
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "50");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "50");
    });
}

TEST(DlgResize, WidthAndHeightFollowTheSelectionsProportions) {
    Reset(Stored());
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        EXPECT_TRUE(Enabled(d, "IDC_WIDTH_UNIT"));
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"), "The size of the pictures you've selected is:800*600");
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kBlack);

        Type(d, "IDC_RESIZE_WIDTH", "400");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "300");
        Type(d, "IDC_RESIZE_HEIGHT", "90");
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "120");

        // 401 gives a height of 300, whose change writes 400 back into the width once the
        // person leaves it.
        QLineEdit* width = TypeOver(d, "IDC_RESIZE_WIDTH", "401");
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "401");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "300");
        QTest::keyClick(width, Qt::Key_Tab);
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "400");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "300");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"), "The size of the pictures you've selected is:800*600");

        // 300 of 600 pixels is 50 %; the width, 400 pixels, already agrees.
        Pick(d, "IDC_HEIGHT_UNIT", 1);
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "50");
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "400");
        Pick(d, "IDC_WIDTH_UNIT", 1);
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "50");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "50");
        Pick(d, "IDC_HEIGHT_UNIT", 0);
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "300");
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "50");
    });
}

TEST(DlgResize, EveryNumberCanBeTypedKeyByKey) {
    // Typed key by key, "6" of "640" would be coupled to a height of 4 and back to 5 if the
    // coupling rewrote the entry under the cursor.
    struct Case {
        const char* entry;
        const char* typed;
        const char* other;
        const char* otherValue;
    };
    const std::vector<Case> cases = {
        {"IDC_RESIZE_WIDTH", "640", "IDC_RESIZE_HEIGHT", "480"},
        {"IDC_RESIZE_HEIGHT", "150", "IDC_RESIZE_WIDTH", "200"},
        {"IDC_RESIZE_WIDTH", "1024", "IDC_RESIZE_HEIGHT", "768"},
    };
    Reset(Stored());
    OpenDialog(800, 600, 72, 72, [&](CDlgResize& d) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            QLineEdit* edit = TypeOver(d, c.entry, c.typed);
            EXPECT_EQ(Text(d, c.entry), c.typed);
            EXPECT_EQ(Text(d, c.other), c.otherValue);
            QTest::keyClick(edit, Qt::Key_Tab);
            EXPECT_EQ(Text(d, c.entry), c.typed);
            EXPECT_EQ(Text(d, c.other), c.otherValue);
        }
    });
}

TEST(DlgResize, AnEmptiedEntryIsReportedOnceAndCanBeRetyped) {
    Reset(Stored());
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        Type(d, "IDC_RESIZE_WIDTH", "400");
        QLineEdit* width = TypeOver(d, "IDC_RESIZE_WIDTH", "");
        std::vector<QString> prompts;
        QPointer<QTimer> later;
        // Message boxes carry the application's name as their title.
        const QString boxTitle = QApplication::applicationDisplayName();
        vtltest::OnNextModal(
            [&](QWidget* box) {
                prompts.push_back(qobject_cast<QMessageBox*>(box)->text());
                later = vtltest::OnNextModal(
                    [&](QWidget* again) {
                        prompts.push_back(qobject_cast<QMessageBox*>(again)->text());
                        QTest::keyClick(again, Qt::Key_Escape);
                    },
                    boxTitle);
                QTest::keyClick(box, Qt::Key_Escape);
            },
            boxTitle);
        QTest::keyClick(width, Qt::Key_Backspace);
        QTest::qWait(50);
        delete later.data();
        EXPECT_EQ(prompts, std::vector<QString>{"Please enter a positive integer."});
        // The entry stays empty for the person to retype; the height kept its value.
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "300");
        QTest::keyClicks(width, "200");
        QTest::keyClick(width, Qt::Key_Tab);
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "150");
    });
}

TEST(DlgResize, FreeEntriesAreNotCoupled) {
    ResizeSetting s = Stored();
    s.bConstrain = 0;
    Reset(s);
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        Type(d, "IDC_RESIZE_WIDTH", "500");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "480");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"),
                  "The size of the pictures you've selected is:800*600" + kDistort);
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kBlack);
    });
}

TEST(DlgResize, SelectionCheckFollowsTheChoices) {
    ResizeSetting s = Stored();
    s.nWidth = 800;
    s.nHeight = 500;
    Reset(s);
    const QString screen = QStringLiteral("(%1*%2)")
                               .arg(plat::GetSystemMetrics(plat::SM_CXSCREEN))
                               .arg(plat::GetSystemMetrics(plat::SM_CYSCREEN));
    OpenDialog(1600, 1200, 72, 72, [&](CDlgResize& d) {
        // The stored entries are shown as they are, not coupled, and do not match.
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "800");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "500");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"),
                  "The size(1600*1200) of the pictures you've selected is not match the "
                  "Constrain Proportion of your setting: 800*500\r\nPlease reset width and "
                  "height or uncheck Constrain Proportion");
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kRed);

        Click(d, "IDC_CONSTRAIN");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"),
                  "The size of the pictures you've selected is:1600*1200" + kDistort);
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kBlack);

        Click(d, "IDC_RESIZE_DESKTOP");
        for (const char* name : {"IDC_RESIZE_WIDTH", "IDC_RESIZE_HEIGHT", "IDC_WIDTH_UNIT",
                                 "IDC_HEIGHT_UNIT"})
            EXPECT_FALSE(Enabled(d, name)) << name;
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"),
                  "The pictures you've selected will be resize to the desktop's size " + screen +
                      kDistort);
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kRed);

        Click(d, "IDC_CONSTRAIN");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"),
                  "The pictures you've selected will be auto resize to fit the desktop's size");
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kBlack);

        Click(d, "IDC_RESIZE_AS");
        EXPECT_TRUE(Enabled(d, "IDC_RESIZE_WIDTH"));
        EXPECT_TRUE(Enabled(d, "IDC_WIDTH_UNIT"));
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kRed);

        // Turning "Image to resize" off empties the label; on again, it is back.
        Click(d, "IDC_DO_RESIZE");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"), "");
        for (const char* name : {"IDC_CONSTRAIN", "IDC_RESIZE_AS", "IDC_RESIZE_WIDTH",
                                 "IDC_RESIZE_HEIGHT", "IDC_WIDTH_UNIT", "IDC_HEIGHT_UNIT",
                                 "IDC_RESIZE_DESKTOP"})
            EXPECT_FALSE(Enabled(d, name)) << name;
        Click(d, "IDC_DO_RESIZE");
        EXPECT_TRUE(Enabled(d, "IDC_CONSTRAIN"));
        EXPECT_TRUE(Enabled(d, "IDC_HEIGHT_UNIT"));
        EXPECT_EQ(TextColour(d, "IDC_SIZE_INFO"), kRed);
        EXPECT_FALSE(Text(d, "IDC_SIZE_INFO").isEmpty());
    });
}

TEST(DlgResize, ResolutionSummaryWhenTheDpiGroupIsOn) {
    struct Case {
        std::int32_t x, y;
        QColor colour;
        QString text;
    };
    const std::vector<Case> cases = {
        {300, 300, kBlack, "Your select Pictures:\r\nthe X DPI:300\r\nThe Y DPI:300"},
        {0, 96, kRed, "Your select Pictures:\r\nThe X DPI: not the same\r\nThe Y DPI:96"},
        {300, 0, kRed, "Your select Pictures:\r\nthe X DPI:300\r\nThe Y DPI: not the same"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        ResizeSetting s = Stored();
        s.bSetDpi = 1;
        Reset(s);
        OpenDialog(800, 600, c.x, c.y, [&](CDlgResize& d) {
            EXPECT_EQ(Text(d, "IDC_DPI_INFO"), c.text);
            EXPECT_EQ(TextColour(d, "IDC_DPI_INFO"), c.colour);
            EXPECT_TRUE(Enabled(d, "IDC_NEW_XDPI"));
            Click(d, "IDC_DO_DPI");
            EXPECT_EQ(Text(d, "IDC_DPI_INFO"), "");
            EXPECT_FALSE(Enabled(d, "IDC_NEW_XDPI"));
            EXPECT_FALSE(Enabled(d, "IDC_NEW_YDPI"));
            Click(d, "IDC_DO_DPI");
            EXPECT_EQ(Text(d, "IDC_DPI_INFO"), c.text);
        });
    }
    // Off at opening: nothing is summarised and the edits are closed.
    Reset(Stored());
    OpenDialog(800, 600, 300, 300, [](CDlgResize& d) {
        EXPECT_EQ(Text(d, "IDC_DPI_INFO"), "");
        EXPECT_FALSE(Enabled(d, "IDC_NEW_XDPI"));
    });
}

TEST(DlgResize, SaveTypesAndTheQualitySlider) {
    const QStringList entries = {"the same as source", "JPEG files", "Bitmap files",
                                 "GIF files",          "ICON files", "PNG files",
                                 "TIFF files",         "PCX files"};
    for (bool jpeg : {true, false}) {
        SCOPED_TRACE(jpeg ? "with a JPEG in the selection" : "without a JPEG");
        Reset(Stored(), jpeg);
        const int code = OpenDialog(800, 600, 72, 72, [&](CDlgResize& d) {
            auto* list = Find<QComboBox>(d, "IDC_SAVE_TYPE");
            QStringList shown;
            for (int i = 0; i < list->count(); ++i)
                shown << list->itemText(i);
            EXPECT_EQ(shown, entries);
            EXPECT_EQ(list->currentIndex(), 0);
            EXPECT_EQ(Enabled(d, "IDC_QUALITY"), jpeg);

            struct Step {
                int index;
                bool enabled;
            };
            // PNG (5) and TIFF (6) leave the slider as the step before left it.
            const std::vector<Step> steps = {{1, true},  {5, true},  {2, false}, {6, false},
                                             {3, false}, {0, jpeg},  {1, true}};
            for (const Step& step : steps) {
                Pick(d, "IDC_SAVE_TYPE", step.index);
                EXPECT_EQ(Enabled(d, "IDC_QUALITY"), step.enabled) << step.index;
                EXPECT_EQ(GetAppSetting()->m_resize.nImageType, step.index);
            }
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        // Esc cancels and keeps the save type that was written at the change.
        EXPECT_EQ(code, plat::IDCANCEL);
        EXPECT_EQ(GetAppSetting()->m_resize.nImageType, 1);
    }
    // A stored type is selected at opening and stays stored.
    ResizeSetting s = Stored();
    s.nImageType = 5;
    Reset(s, false);
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        EXPECT_EQ(Text(d, "IDC_SAVE_TYPE"), "PNG files");
        EXPECT_EQ(GetAppSetting()->m_resize.nImageType, 5);
    });
}

TEST(DlgResize, DestinationChoiceOpensAndClosesTheFolderEntry) {
    Reset(Stored());
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        EXPECT_TRUE(Enabled(d, "IDC_DEST_FOLDER"));
        Click(d, "IDC_DEST_OVERWRITE");
        EXPECT_FALSE(Enabled(d, "IDC_DEST_FOLDER"));
        EXPECT_FALSE(Enabled(d, "IDC_SAVE_TYPE"));
        EXPECT_TRUE(Enabled(d, "IDC_BROWSE"));
        Click(d, "IDC_DEST_IN_FOLDER");
        EXPECT_TRUE(Enabled(d, "IDC_DEST_FOLDER"));
        EXPECT_TRUE(Enabled(d, "IDC_SAVE_TYPE"));
    });
}

TEST(DlgResize, ResizeNeedsOneOfTheThreeGroups) {
    ResizeSetting s = Stored();
    s.bRotate = 1;
    s.bSetDpi = 1;
    s.nRotate = 2;
    Reset(s);
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        EXPECT_TRUE(Find<QAbstractButton>(d, "IDC_ROTATE_RIGHT")->isChecked());
        Click(d, "IDC_DO_RESIZE");
        Click(d, "IDC_DO_ROTATE");
        EXPECT_FALSE(Enabled(d, "IDC_FLIP"));
        EXPECT_TRUE(Enabled(d, "IDC_RESIZE_RUN"));
        Click(d, "IDC_DO_DPI");
        EXPECT_FALSE(Enabled(d, "IDC_RESIZE_RUN"));
        EXPECT_TRUE(Enabled(d, "IDC_RESIZE_MAIL"));
        Click(d, "IDC_DO_ROTATE");
        EXPECT_TRUE(Enabled(d, "IDC_RESIZE_RUN"));
        EXPECT_TRUE(Enabled(d, "IDC_FLIP"));
    });
}

TEST(DlgResize, QualityLabelFollowsTheSlider) {
    ResizeSetting s = Stored();
    s.nQuality = 65;
    Reset(s);
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        auto* slider = Find<QSlider>(d, "IDC_QUALITY");
        EXPECT_EQ(slider->value(), 65);
        EXPECT_EQ(Text(d, "IDC_QUALITY_TEXT"), "65");
        QTest::keyClick(slider, Qt::Key_Home);
        EXPECT_EQ(Text(d, "IDC_QUALITY_TEXT"), "0");
        QTest::keyClick(slider, Qt::Key_End);
        EXPECT_EQ(Text(d, "IDC_QUALITY_TEXT"), "100");
        QTest::keyClick(slider, Qt::Key_Left);
        EXPECT_EQ(Text(d, "IDC_QUALITY_TEXT"), "99");
    });
    // A stored quality beyond the slider's end shows where the slider stands.
    s.nQuality = 150;
    Reset(s);
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        EXPECT_EQ(Find<QSlider>(d, "IDC_QUALITY")->value(), 100);
        EXPECT_EQ(Text(d, "IDC_QUALITY_TEXT"), "100");
    });
    // The left end is "Worst", the right end "Best".
    Reset(Stored());
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        EXPECT_EQ(Text(d, "IDC_QUALITY_TEXT"), "80");
        const QRect slider = Find(d, "IDC_QUALITY")->geometry();
        QLabel* worst = nullptr;
        QLabel* best = nullptr;
        for (QLabel* label : d.findChildren<QLabel*>()) {
            if (label->text() == "Worst")
                worst = label;
            if (label->text() == "Best")
                best = label;
        }
        ASSERT_TRUE(worst && best);
        EXPECT_LE(worst->geometry().right(), slider.left() + 2);
        EXPECT_GE(best->geometry().left(), slider.right() - 2);
    });
}

plat::DWORD ReadDword(const char* name) {
    plat::HKEY key = nullptr;
    EXPECT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0,
                                 plat::KEY_READ, &key),
              plat::ERROR_SUCCESS);
    plat::DWORD value = 0xFFFFFFFF;
    plat::DWORD size = sizeof value;
    plat::DWORD type = 0;
    EXPECT_EQ(plat::RegQueryValueEx(key, name, &type, reinterpret_cast<plat::BYTE*>(&value), &size),
              plat::ERROR_SUCCESS)
        << name;
    EXPECT_EQ(type, plat::REG_DWORD) << name;
    plat::RegCloseKey(key);
    return value;
}

std::string ReadString(const char* name) {
    plat::HKEY key = nullptr;
    plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0,
                       plat::KEY_READ, &key);
    char buffer[260] = {};
    plat::DWORD size = sizeof buffer;
    EXPECT_EQ(
        plat::RegQueryValueEx(key, name, nullptr, reinterpret_cast<plat::BYTE*>(buffer), &size),
        plat::ERROR_SUCCESS);
    plat::RegCloseKey(key);
    return buffer;
}

TEST(DlgResize, SetAsDefaultSavesTheEntriesAndStaysOpen) {
    Reset(Stored());
    const int code = OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        Type(d, "IDC_DEST_FOLDER", "/tmp/out here");
        Pick(d, "IDC_SAVE_TYPE", 5);
        QTest::keyClick(Find(d, "IDC_QUALITY"), Qt::Key_Home);
        Type(d, "IDC_RESIZE_WIDTH", "400");
        Pick(d, "IDC_HEIGHT_UNIT", 1);
        Click(d, "IDC_DO_ROTATE");
        Click(d, "IDC_FLIP");
        Click(d, "IDC_DO_DPI");
        Type(d, "IDC_NEW_XDPI", "300");
        Type(d, "IDC_NEW_YDPI", "150");
        Click(d, "IDC_RESIZE_DESKTOP");
        Click(d, "IDC_DEST_OVERWRITE");
        Click(d, "IDC_SET_DEFAULT");
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(d.HasEnded());
    });
    EXPECT_EQ(code, plat::IDCANCEL);
    EXPECT_EQ(ReadDword("override"), 1u);
    EXPECT_EQ(ReadString("dest"), "/tmp/out here");
    EXPECT_EQ(ReadDword("imagetype"), 5u);
    EXPECT_EQ(ReadDword("qualilty"), 0u);
    EXPECT_EQ(ReadDword("image_to_resize"), 1u);
    EXPECT_EQ(ReadDword("image_to_rotate"), 1u);
    EXPECT_EQ(ReadDword("image_set_dpi"), 1u);
    EXPECT_EQ(ReadDword("constraint"), 1u);
    EXPECT_EQ(ReadDword("desktop"), 1u);
    EXPECT_EQ(ReadDword("width"), 400u);
    EXPECT_EQ(ReadDword("height"), 50u); // 300 of 600 pixels
    EXPECT_EQ(ReadDword("wpercent"), 0u);
    EXPECT_EQ(ReadDword("hpercent"), 1u);
    EXPECT_EQ(ReadDword("rotate"), 1u);
    EXPECT_EQ(ReadDword("xdpi"), 300u);
    EXPECT_EQ(ReadDword("ydpi"), 150u);
}

TEST(DlgResize, AnUnknownRotationSelectsNoneAndStoresZero) {
    ResizeSetting s = Stored();
    s.bRotate = 1;
    s.nRotate = 7;
    Reset(s);
    OpenDialog(800, 600, 72, 72, [](CDlgResize& d) {
        for (const char* name : {"IDC_ROTATE_LEFT", "IDC_FLIP", "IDC_ROTATE_RIGHT"})
            EXPECT_FALSE(Find<QAbstractButton>(d, name)->isChecked()) << name;
        Click(d, "IDC_SET_DEFAULT");
    });
    EXPECT_EQ(GetAppSetting()->m_resize.nRotate, 0);
}

TEST(DlgResize, BrowseTakesTheChosenFolder) {
    const std::string start = vtltest::MakeTempDir("browse");
    ResizeSetting s = Stored();
    s.strDestFolder = start;
    Reset(s);
    OpenDialog(800, 600, 72, 72, [&](CDlgResize& d) {
        QString title;
        QString status;
        vtltest::OnNextModal([&](QWidget* chooser) {
            title = chooser->windowTitle();
            status = vtltest::TextOfNamed(chooser, "status");
            QTest::keyClick(chooser, Qt::Key_Escape);
        });
        Click(d, "IDC_BROWSE");
        EXPECT_EQ(title, "select the destination folder...");
        EXPECT_EQ(fs::canonical(status.toStdString()), fs::canonical(start));
        EXPECT_EQ(Text(d, "IDC_DEST_FOLDER").toStdString(), start);

        Type(d, "IDC_DEST_FOLDER", QString::fromStdString(start + "/"));
        vtltest::OnNextModal([&](QWidget* chooser) {
            auto* buttons = chooser->findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
        });
        Click(d, "IDC_BROWSE");
        EXPECT_EQ(fs::canonical(Text(d, "IDC_DEST_FOLDER").toStdString()), fs::canonical(start));
        EXPECT_NE(Text(d, "IDC_DEST_FOLDER").toStdString(), start + "/");
    });
}

std::vector<std::string> MakePictures(const std::string& dir, int count, int w, int h) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back(dir + "/p" + std::to_string(i) + ".jpg");
        batchtest::MakePicture(paths.back(), w, h);
    }
    return paths;
}

TEST(DlgResize, ResizeWritesTheOutputsAndCloses) {
    const std::string dir = vtltest::MakeTempDir("run");
    ResizeSetting s = Stored();
    s.strDestFolder = dir + "/out";
    Reset(s);
    GetAppSetting()->m_listFiles = MakePictures(dir, 2, 160, 120);
    const int code = OpenDialog(160, 120, 72, 72, [](CDlgResize& d) {
        Type(d, "IDC_RESIZE_WIDTH", "40");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "30");
        Pick(d, "IDC_SAVE_TYPE", 5);
        Click(d, "IDC_RESIZE_RUN");
        EXPECT_TRUE(d.HasEnded());
    });
    EXPECT_EQ(code, plat::IDOK);
    for (const char* name : {"/out/p0.png", "/out/p1.png"}) {
        const batchtest::Facts facts = batchtest::Inspect(dir + name);
        EXPECT_EQ(facts.width, 40) << name;
        EXPECT_EQ(facts.height, 30) << name;
        EXPECT_EQ(facts.magic.substr(0, 4), "\x89PNG") << name;
    }
    // The run used, and so kept, the dialog's entries.
    EXPECT_EQ(GetAppSetting()->m_resize.nWidth, 40);
    EXPECT_EQ(GetAppSetting()->m_resize.nHeight, 30);
}

TEST(DlgResize, ACancelledRunLeavesTheDialogOpenAsItWas) {
    const std::string dir = vtltest::MakeTempDir("cancel");
    ResizeSetting s = Stored();
    s.strDestFolder = dir + "/out";
    Reset(s);
    GetAppSetting()->m_listFiles = MakePictures(dir, 3, 160, 120);
    fs::create_directory(dir + "/out");
    batchtest::MakePicture(dir + "/out/p0.jpg", 10, 10);
    const int code = OpenDialog(160, 120, 72, 72, [&](CDlgResize& d) {
        Type(d, "IDC_RESIZE_WIDTH", "80");
        // The first output exists: its question comes first; "No", then cancel the run.
        vtltest::OnNextModal(
            [](QWidget* question) {
                QWidget* progress = question->parentWidget();
                vtltest::ClickNamed(question, "IDC_NO");
                vtltest::ClickNamed(progress, "IDCANCEL");
            },
            "Vantrel Confirm");
        Click(d, "IDC_RESIZE_RUN");
        EXPECT_FALSE(d.HasEnded());
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(Text(d, "IDC_RESIZE_WIDTH"), "80");
        EXPECT_EQ(Text(d, "IDC_RESIZE_HEIGHT"), "60");
        EXPECT_EQ(Text(d, "IDC_SIZE_INFO"), "The size of the pictures you've selected is:160*120");
    });
    EXPECT_EQ(code, plat::IDCANCEL);
    EXPECT_EQ(batchtest::Inspect(dir + "/out/p0.jpg").width, 10);
}

TEST(DlgResize, ResizeAndMailHandsTheOutputsToTheMailProgram) {
    const std::string dir = vtltest::MakeTempDir("mail");
    vtltest::FakeMailProgram mail;
    mail.Install();
    Reset(Stored());
    GetAppSetting()->m_listFiles = MakePictures(dir, 2, 160, 120);
    const int code = OpenDialog(160, 120, 72, 72, [](CDlgResize& d) {
        Type(d, "IDC_RESIZE_WIDTH", "80");
        Click(d, "IDC_DO_RESIZE");
        EXPECT_FALSE(Enabled(d, "IDC_RESIZE_RUN"));
        Click(d, "IDC_RESIZE_MAIL");
    });
    EXPECT_EQ(code, plat::IDOK);
    ASSERT_TRUE(mail.Ran());
    const std::vector<std::string> attached = mail.AttachedPaths();
    ASSERT_EQ(attached.size(), 2u);
    for (const std::string& bytes : mail.AttachedBytes())
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
    EXPECT_TRUE(GetAppSetting()->m_listMailFiles.empty());
    // The sources are left alone.
    EXPECT_EQ(batchtest::Inspect(dir + "/p0.jpg").width, 160);
}

TEST(DlgResizeLayout, ScreenshotOfTheTemplate) {
    ResizeSetting s = Stored();
    s.bRotate = 1;
    s.bSetDpi = 1;
    s.nWidth = 800;
    s.nHeight = 500;
    Reset(s);
    const QString folder = QStringLiteral(VTL_BIN_DIR "/../artifacts");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/resize_dialog.png");
    QFile::remove(path);
    OpenDialog(1600, 1200, 300, 0, [&](CDlgResize& d) { EXPECT_TRUE(d.grab().save(path)); });
    EXPECT_TRUE(QFile::exists(path));
}

} // namespace
