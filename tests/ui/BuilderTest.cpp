// What a person meets in a built dialog beyond data exchange: which control a click lands on
// where controls overlap, and what Enter presses.
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using plat::CtlKind;

enum : int { IDC_B_CHECK = 200, IDC_B_EDIT, IDC_B_APPLY, IDC_B_FRAME };

#define ITEM(id, ...) plat::DLGITEMTEMPLATE{id, #id, __VA_ARGS__}

plat::DLGTEMPLATE Template(bool withDefault) {
    plat::DLGTEMPLATE tmpl{901, "Builder", 200, 100, "MS Sans Serif", 8, plat::WS_SYSMENU, {
        ITEM(IDC_B_CHECK, CtlKind::CheckBox, "Inside", 12, 14, 60, 10),
        ITEM(IDC_B_EDIT, CtlKind::Edit, "", 12, 30, 60, 14),
        ITEM(IDC_B_APPLY, CtlKind::PushButton, "Apply", 12, 70, 50, 14),
        // Listed after the controls it surrounds, as templates often do.
        ITEM(IDC_B_FRAME, CtlKind::GroupBox, "Frame", 5, 2, 120, 50),
    }};
    if (withDefault)
        tmpl.items.push_back(
            plat::DLGITEMTEMPLATE{plat::IDOK, "IDOK", CtlKind::DefPushButton, "OK", 140, 70, 50, 14});
    return tmpl;
}

class CBuilderDialog : public plat::CDialog {
public:
    explicit CBuilderDialog(const plat::DLGTEMPLATE& tmpl) : CDialog(tmpl, nullptr) {}
    int m_nApplied = 0;
    void OnCommand(int id, int code) override {
        if (id == IDC_B_APPLY && code == plat::BN_CLICKED)
            ++m_nApplied;
        CDialog::OnCommand(id, code);
    }
};

TEST(DialogBuilder, AFrameListedLastDoesNotCoverItsControls) {
    const plat::DLGTEMPLATE tmpl = Template(false);
    CBuilderDialog dialog(tmpl);
    dialog.show();
    for (int id : {IDC_B_CHECK, IDC_B_EDIT}) {
        QWidget* control = dialog.GetDlgItem(id);
        QWidget* hit = dialog.childAt(control->geometry().center());
        EXPECT_TRUE(hit == control || control->isAncestorOf(hit)) << "control " << id;
    }
    auto* check = qobject_cast<QCheckBox*>(dialog.GetDlgItem(IDC_B_CHECK));
    QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {},
                      check->mapTo(&dialog, check->rect().center()));
    EXPECT_TRUE(check->isChecked()) << "a click at the check box reaches it";
    dialog.hide();
}

TEST(DialogBuilder, EnterPressesOnlyTheDefaultButton) {
    for (bool withDefault : {true, false}) {
        const plat::DLGTEMPLATE tmpl = Template(withDefault);
        CBuilderDialog dialog(tmpl);
        int result = -1;
        QTimer::singleShot(0, [&] {
            auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_B_EDIT));
            edit->setFocus();
            QTest::keyClicks(edit, "12");
            QTest::keyClick(edit, Qt::Key_Return);
            if (dialog.isVisible())
                dialog.EndDialog(plat::IDCANCEL);
        });
        result = dialog.DoModal();
        EXPECT_EQ(dialog.m_nApplied, 0) << "Enter in an edit never presses another button";
        EXPECT_EQ(result, withDefault ? plat::IDOK : plat::IDCANCEL);
    }
}

} // namespace
