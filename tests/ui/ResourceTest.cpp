// The application's resources as the person meets them: every control of every dialog takes
// the clicks at its centre, the texts show this platform's folders, the pictures show what
// their choices do, and windows carry their own titles.
#include "app/res/resource.h"
#include "app/res/Bitmaps.h"
#include "app/res/Dialogs.h"
#include "app/res/Identity.h"
#include "platform/ui/Dialog.h"
#include "tests/ui/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
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

// A dialog opens ready for the keyboard: the focus on its first control in tab order, and
// Enter presses its default button wherever the focus is (the resize dialog has none).
TEST(Resources, EveryDialogOpensWithTheFocusOnItsFirstControl) {
    const std::tuple<int, const char*, const char*> dialogs[] = {
        {IDD_ABOUTBOX, "IDOK", "IDOK"},
        {IDD_CONFIRM, "IDC_YESTOALL", "IDC_YES"},
        {IDD_OPTION_MAIL, "IDC_MAIL_SUBJECT", nullptr},
        {IDD_OPTION_MENU_CONTEXT, "IDC_MENU_VANTREL", nullptr},
        {IDD_PROCESS, "IDCANCEL", nullptr},
        {IDD_RESIZE, "IDC_RESIZE_CANCEL", nullptr},
    };
    ASSERT_EQ(std::size(dialogs), AllDialogTemplates().size());
    for (const plat::DLGTEMPLATE* tmpl : AllDialogTemplates()) {
        const auto& [id, first, byDefault] =
            *std::find_if(std::begin(dialogs), std::end(dialogs),
                          [&](const auto& row) { return std::get<0>(row) == tmpl->id; });
        SCOPED_TRACE(tmpl->caption);
        plat::CDialog dialog(*tmpl, nullptr);
        QString focused;
        int pressed = 0;
        if (byDefault)
            QObject::connect(dialog.findChild<QAbstractButton*>(byDefault),
                             &QAbstractButton::clicked, [&] { ++pressed; });
        vtltest::OnNextModal([&](QWidget* modal) {
            focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "";
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            if (modal->isVisible())
                QTest::keyClick(modal, Qt::Key_Escape);
        });
        dialog.DoModal();
        EXPECT_EQ(focused.toStdString(), first);
        EXPECT_EQ(pressed, byDefault ? 1 : 0);
    }
}

// "Flip Horizontal" turns the picture upside down: its bitmap shows the picture beside the
// same picture turned upside down.
TEST(Resources, TheFlipBitmapShowsThePictureUpsideDown) {
    const QImage flip = LoadBitmap(IDB_FLIP).toImage();
    ASSERT_FALSE(flip.isNull());
    const QImage left = flip.copy(0, 0, flip.width() * 5 / 12, flip.height());
    const QImage right = flip.copy(flip.width() - left.width(), 0, left.width(), flip.height());
    EXPECT_EQ(right, left.mirrored(false, true));
}

// The desktop appends a display name to every window title ("Vantrel... — Vantrel"): the
// program names itself without setting one. An unset display name follows the name.
TEST(Resources, WindowsAreTitledByTheirCaptionAlone) {
    SetApplicationIdentity();
    EXPECT_EQ(QApplication::applicationName(), "Vantrel");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Vantrel");
    QApplication::setApplicationName("probe");
    EXPECT_EQ(QApplication::applicationDisplayName(), "probe");
    SetApplicationIdentity();
}

} // namespace
