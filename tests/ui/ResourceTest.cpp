// The application's dialogs as the person meets them: every control of every dialog takes the
// clicks at its centre, and the texts show this platform's folders.
#include "app/res/Dialogs.h"
#include "platform/ui/Dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

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
            // Folders are written with this platform's separator.
            EXPECT_EQ(item.text.find('\\'), std::string::npos) << item.text;
        }
        for (QLineEdit* edit : edits) {
            const QString before = edit->text();
            QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, edit->geometry().center());
            QTest::keyClicks(QApplication::focusWidget(), "7");
            EXPECT_EQ(edit->text().toStdString(), (before + "7").toStdString())
                << qPrintable(edit->objectName());
        }
    }
}

} // namespace
