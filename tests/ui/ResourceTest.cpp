// The templates of the progress and confirmation dialogs as the user sees them: every control
// with its id, kind, text and rectangle, built at the dialog font's scale; and the string
// table.
#include "app/res/Dialogs.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/ui/Dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

struct Expected {
    const char* name;
    int id;
    const char* kind; // "button", "default", "label", "progress"
    const char* text;
    int x, y, cx, cy;
};

void CheckTemplate(const plat::DLGTEMPLATE& tmpl, const char* caption, int cx, int cy,
                   const std::vector<Expected>& controls) {
    SCOPED_TRACE(caption);
    plat::CDialog dialog(tmpl, nullptr);
    EXPECT_EQ(dialog.windowTitle(), caption);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    const QFontMetrics metrics(dialog.font());
    const int baseX =
        (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 +
         1) / 2;
    const int baseY = metrics.height();
    auto mapX = [baseX](int v) { return (v * baseX + 2) / 4; };
    auto mapY = [baseY](int v) { return (v * baseY + 4) / 8; };
    EXPECT_EQ(dialog.size(), QSize(mapX(cx), mapY(cy)));
    ASSERT_EQ(tmpl.items.size(), controls.size());
    for (const Expected& e : controls) {
        SCOPED_TRACE(e.name);
        QWidget* control = dialog.GetDlgItem(e.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->objectName(), e.name);
        EXPECT_EQ(control->geometry(), QRect(mapX(e.x), mapY(e.y), mapX(e.cx), mapY(e.cy)));
        const std::string kind = e.kind;
        if (kind == "button" || kind == "default") {
            auto* button = qobject_cast<QPushButton*>(control);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), e.text);
            EXPECT_EQ(button->isDefault(), kind == "default");
        } else if (kind == "label") {
            auto* label = qobject_cast<QLabel*>(control);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), e.text);
        } else {
            EXPECT_NE(qobject_cast<QProgressBar*>(control), nullptr);
        }
    }
}

TEST(Resources, ProgressAndConfirmTemplatesHoldEveryControl) {
    CheckTemplate(ProcessDialogTemplate(), "Process", 254, 101,
                  {
                      {"IDCANCEL", 2, "button", "Cancel", 101, 80, 50, 14},
                      {"IDC_PROGRESS", 1031, "progress", "", 13, 43, 219, 14},
                      {"IDC_TEXT", 1032, "label", "", 13, 23, 219, 11},
                  });
    CheckTemplate(ConfirmDialogTemplate(), "Vantrel Confirm", 259, 89,
                  {
                      {"IDC_YESTOALL", 1043, "button", "Yes to all", 7, 68, 50, 14},
                      {"IDC_YES", 1044, "default", "Yes", 72, 68, 50, 14},
                      {"IDC_NO", 1045, "button", "No", 137, 68, 50, 14},
                      {"IDC_NOTOALL", 1046, "button", "No to all", 202, 68, 50, 14},
                      {"IDC_TEXT", 1032, "label", "TEST TO CONFIRM", 16, 33, 224, 22},
                      {"IDC_QUESTION", 1054, "label", "Do you want to overwrite this file?", 7, 7,
                       245, 22},
                  });
    EXPECT_EQ(ProcessDialogTemplate().id, 154);
    EXPECT_EQ(ConfirmDialogTemplate().id, 156);
}

// A real click is hit-tested from the top-level window down: a control that another widget
// covers never sees it, whatever the keyboard can reach.
TEST(Resources, EveryControlTakesTheClicksAtItsCentre) {
    for (const plat::DLGTEMPLATE* tmpl : AllDialogTemplates()) {
        SCOPED_TRACE(tmpl->caption);
        plat::CDialog dialog(*tmpl, nullptr);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        std::vector<QLineEdit*> edits;
        for (const plat::DLGITEMTEMPLATE& item : tmpl->items) {
            QWidget* control = dialog.findChild<QWidget*>(item.name);
            ASSERT_NE(control, nullptr) << item.name;
            if (qobject_cast<QGroupBox*>(control))
                continue;
            control->setEnabled(true); // every control is enabled in some state of its dialog
            QWidget* hit = dialog.childAt(control->geometry().center());
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit))
                << item.name << " lies under " << (hit ? qPrintable(hit->objectName()) : "nothing");
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                edits.push_back(edit);
        }
        for (QLineEdit* edit : edits) {
            const QString before = edit->text();
            QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {},
                              edit->geometry().center());
            QTest::keyClicks(QApplication::focusWidget(), "7");
            EXPECT_EQ(edit->text().toStdString(), (before + "7").toStdString())
                << qPrintable(edit->objectName());
        }
    }
}

TEST(Resources, StringTableGivesTextsByIdAndNothingForOthers) {
    EXPECT_EQ(LoadString(61449), "4.2.1197");
    EXPECT_EQ(LoadString(57344), "Vantrel");
    EXPECT_EQ(LoadString(61447), "select the destination folder...");
    EXPECT_EQ(LoadString(61448), "");
    EXPECT_EQ(LoadString(0), "");
}

} // namespace
