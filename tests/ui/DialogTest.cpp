// The dialog base driven as a person would: data exchange both ways, the unsigned-number
// prompt, text written only when it differs with the change notification that follows, the
// end codes of every way out, posted messages, and the VTL_AUTOCLICK hook.
#include "platform/ui/AutoClick.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ProgressCtrl.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace {

using plat::CtlKind;

enum : int {
    IDC_T_NAME = 100,
    IDC_T_WIDTH,
    IDC_T_HEIGHT,
    IDC_T_CHECK,
    IDC_T_R1,
    IDC_T_R2,
    IDC_T_R3,
    IDC_T_S1,
    IDC_T_S2,
    IDC_T_LIST,
    IDC_T_SLIDER,
    IDC_T_PROGRESS,
};

#define ITEM(id, ...) plat::DLGITEMTEMPLATE{id, #id, __VA_ARGS__}

const plat::DLGTEMPLATE& TestTemplate() {
    static const plat::DLGTEMPLATE tmpl{
        900,
        "Test",
        200,
        150,
        "MS Sans Serif",
        8,
        plat::DS_CENTER | plat::WS_SYSMENU,
        {
            ITEM(IDC_T_NAME, CtlKind::Edit, "", 10, 10, 80, 14),
            ITEM(IDC_T_WIDTH, CtlKind::Edit, "", 10, 30, 40, 14, plat::ES_NUMBER),
            ITEM(IDC_T_HEIGHT, CtlKind::Edit, "", 60, 30, 40, 14, plat::ES_NUMBER),
            ITEM(IDC_T_CHECK, CtlKind::CheckBox, "Check", 10, 50, 60, 10),
            ITEM(IDC_T_R1, CtlKind::RadioButton, "One", 10, 62, 40, 10, plat::CTL_GROUP),
            ITEM(IDC_T_R2, CtlKind::RadioButton, "Two", 50, 62, 40, 10),
            ITEM(IDC_T_R3, CtlKind::RadioButton, "Three", 90, 62, 40, 10),
            ITEM(IDC_T_S1, CtlKind::RadioButton, "Left", 10, 74, 40, 10, plat::CTL_GROUP),
            ITEM(IDC_T_S2, CtlKind::RadioButton, "Right", 50, 74, 40, 10),
            ITEM(IDC_T_LIST, CtlKind::DropDownList, "", 10, 86, 60, 40, plat::CTL_GROUP,
                 {"pixel", "percent"}),
            ITEM(IDC_T_SLIDER, CtlKind::Slider, "", 10, 100, 100, 15),
            ITEM(IDC_T_PROGRESS, CtlKind::Progress, "", 10, 118, 100, 10),
            plat::DLGITEMTEMPLATE{plat::IDOK, "IDOK", CtlKind::DefPushButton, "OK", 100, 130,
                                  40, 14},
            plat::DLGITEMTEMPLATE{plat::IDCANCEL, "IDCANCEL", CtlKind::PushButton, "Cancel",
                                  150, 130, 40, 14},
        }};
    return tmpl;
}

// Members bound the way the resize dialog binds its own; the width and height edits are
// coupled in the proportion 800 × 600 through their change notifications.
class CTestDialog : public plat::CDialog {
public:
    CTestDialog() : CDialog(TestTemplate(), nullptr) {}

    std::string m_strName = "first";
    std::uint32_t m_nW = 400;
    std::uint32_t m_nH = 300;
    std::int32_t m_bCheck = 1;
    std::int32_t m_nRadio = 1;
    std::int32_t m_nSide = -1;
    std::int32_t m_nList = 0;
    std::int32_t m_nSlider = 80;
    plat::CProgressCtrl m_ctrlProgress;
    bool m_bCouple = false;
    bool m_bEndInInit = false;
    std::map<int, int> m_notifications;
    int m_nScrolls = 0;

    void OnCommand(int id, int code) override {
        ++m_notifications[id * 1000 + code];
        if (m_bCouple && code == plat::EN_CHANGE && (id == IDC_T_WIDTH || id == IDC_T_HEIGHT)) {
            UpdateData(true);
            if (id == IDC_T_WIDTH)
                m_nH = m_nW * 600u / 800u;
            else
                m_nW = m_nH * 800u / 600u;
            UpdateData(false);
            return;
        }
        CDialog::OnCommand(id, code);
    }

protected:
    void DoDataExchange(plat::CDataExchange* pDX) override {
        plat::DDX_Control(pDX, IDC_T_PROGRESS, m_ctrlProgress);
        plat::DDX_Text(pDX, IDC_T_NAME, m_strName);
        plat::DDX_Text(pDX, IDC_T_WIDTH, m_nW);
        plat::DDX_Text(pDX, IDC_T_HEIGHT, m_nH);
        plat::DDX_Check(pDX, IDC_T_CHECK, m_bCheck);
        plat::DDX_Radio(pDX, IDC_T_R1, m_nRadio);
        plat::DDX_Radio(pDX, IDC_T_S1, m_nSide);
        plat::DDX_CBIndex(pDX, IDC_T_LIST, m_nList);
        plat::DDX_Slider(pDX, IDC_T_SLIDER, m_nSlider);
    }
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        if (m_bEndInInit)
            EndDialog(plat::IDOK);
        return true;
    }
    void OnHScroll(int) override { ++m_nScrolls; }
};

template <typename T> T* Item(plat::CDialog& dialog, int id) {
    return qobject_cast<T*>(dialog.GetDlgItem(id));
}

void Retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    // Typing over the selection replaces it, so the edit never passes through an empty text.
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

TEST(DataExchange, MovesEveryKindBothWays) {
    CTestDialog dialog;
    dialog.UpdateData(false);
    EXPECT_EQ(Item<QLineEdit>(dialog, IDC_T_NAME)->text(), "first");
    EXPECT_EQ(Item<QLineEdit>(dialog, IDC_T_WIDTH)->text(), "400");
    EXPECT_TRUE(Item<QCheckBox>(dialog, IDC_T_CHECK)->isChecked());
    EXPECT_TRUE(Item<QRadioButton>(dialog, IDC_T_R2)->isChecked());
    EXPECT_FALSE(Item<QRadioButton>(dialog, IDC_T_S1)->isChecked());
    EXPECT_FALSE(Item<QRadioButton>(dialog, IDC_T_S2)->isChecked());
    EXPECT_EQ(Item<QComboBox>(dialog, IDC_T_LIST)->currentText(), "pixel");
    EXPECT_EQ(Item<QSlider>(dialog, IDC_T_SLIDER)->value(), 80);
    ASSERT_NE(dialog.m_ctrlProgress.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.m_nScrolls, 0) << "setting a slider position is not a user's move";

    // The person edits every control.
    dialog.show();
    Retype(Item<QLineEdit>(dialog, IDC_T_NAME), "second");
    QTest::mouseClick(Item<QCheckBox>(dialog, IDC_T_CHECK), Qt::LeftButton);
    QTest::mouseClick(Item<QRadioButton>(dialog, IDC_T_R3), Qt::LeftButton);
    QTest::mouseClick(Item<QRadioButton>(dialog, IDC_T_S2), Qt::LeftButton);
    QTest::keyClick(Item<QComboBox>(dialog, IDC_T_LIST), Qt::Key_Down);
    QTest::keyClick(Item<QSlider>(dialog, IDC_T_SLIDER), Qt::Key_Right);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_strName, "second");
    EXPECT_EQ(dialog.m_bCheck, 0);
    EXPECT_EQ(dialog.m_nRadio, 2);
    EXPECT_FALSE(Item<QRadioButton>(dialog, IDC_T_R2)->isChecked()) << "one group, one choice";
    EXPECT_EQ(dialog.m_nSide, 1);
    EXPECT_EQ(dialog.m_nList, 1);
    EXPECT_EQ(dialog.m_nSlider, 81);
    EXPECT_EQ(dialog.m_nScrolls, 1);
    EXPECT_EQ((dialog.m_notifications[IDC_T_LIST * 1000 + plat::CBN_SELCHANGE]), 1);
    EXPECT_EQ((dialog.m_notifications[IDC_T_R3 * 1000 + plat::BN_CLICKED]), 1);

    // A radio group can be cleared again by the program, by exchange or button by button.
    dialog.m_nRadio = -1;
    dialog.UpdateData(false);
    EXPECT_FALSE(Item<QRadioButton>(dialog, IDC_T_R3)->isChecked());
    EXPECT_TRUE(dialog.IsDlgButtonChecked(IDC_T_S2));
    dialog.CheckDlgButton(IDC_T_S2, false);
    EXPECT_FALSE(dialog.IsDlgButtonChecked(IDC_T_S2));
    dialog.CheckDlgButton(IDC_T_CHECK, true);
    EXPECT_TRUE(Item<QCheckBox>(dialog, IDC_T_CHECK)->isChecked());
    dialog.hide();
}

TEST(DataExchange, UnsignedEntryIsCheckedWithThePrompt) {
    struct Case {
        const char* typed;
        bool valid;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"12a", false, 0},          {"", false, 0},           {"4294967296", false, 0},
        {"4294967295", true, 4294967295u}, {"0", true, 0},     {"007", true, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CTestDialog dialog;
        dialog.UpdateData(false);
        dialog.show();
        auto* edit = Item<QLineEdit>(dialog, IDC_T_WIDTH);
        // Digits only can be typed; a pasted or programmatic text can still hold anything.
        edit->setText(QString::fromLatin1(c.typed));
        QTest::mouseClick(Item<QCheckBox>(dialog, IDC_T_CHECK), Qt::LeftButton);
        QString prompt;
        if (!c.valid)
            vtltest::OnNextModal([&prompt](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                ASSERT_NE(box, nullptr);
                prompt = box->text();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            });
        const bool ok = dialog.UpdateData(true);
        EXPECT_EQ(ok, c.valid);
        if (c.valid) {
            EXPECT_EQ(dialog.m_nW, c.value);
            EXPECT_EQ(dialog.m_bCheck, 0);
        } else {
            EXPECT_EQ(prompt, "Please enter a positive integer.");
            EXPECT_EQ(dialog.m_nW, 400u) << "the member keeps its value";
            EXPECT_EQ(dialog.m_bCheck, 1) << "the exchange stops at the bad entry";
            EXPECT_EQ(dialog.focusWidget(), edit);
        }
        dialog.hide();
    }
}

TEST(DataExchange, TextIsWrittenOnlyWhenItDiffersAndTheChangeIsNotified) {
    CTestDialog dialog;
    dialog.UpdateData(false);
    const int widthChanges = dialog.m_notifications[IDC_T_WIDTH * 1000 + plat::EN_CHANGE];
    EXPECT_EQ(widthChanges, 1) << "writing a new text notifies, as on Windows";
    dialog.UpdateData(false);
    EXPECT_EQ((dialog.m_notifications[IDC_T_WIDTH * 1000 + plat::EN_CHANGE]), widthChanges)
        << "the same text is not written again";

    // Coupled edits settle as soon as both agree: 401 gives a height of 300, whose change
    // writes 400 back into the width.
    dialog.m_bCouple = true;
    dialog.show();
    auto* width = Item<QLineEdit>(dialog, IDC_T_WIDTH);
    Retype(width, "401");
    EXPECT_EQ(width->text(), "400");
    EXPECT_EQ(Item<QLineEdit>(dialog, IDC_T_HEIGHT)->text(), "300");
    // A whole number pasted into the height couples back the same way.
    Item<QLineEdit>(dialog, IDC_T_HEIGHT)->setText("150");
    EXPECT_EQ(width->text(), "200");
    EXPECT_EQ(Item<QLineEdit>(dialog, IDC_T_HEIGHT)->text(), "150");
    dialog.hide();
}

TEST(Dialog, EveryWayOutGivesItsEndCode) {
    struct Case {
        const char* how;
        std::function<void(QWidget*)> act;
        int code;
    };
    const Case cases[] = {
        {"OK button", [](QWidget* w) { vtltest::ClickNamed(w, "IDOK"); }, plat::IDOK},
        {"Cancel button", [](QWidget* w) { vtltest::ClickNamed(w, "IDCANCEL"); },
         plat::IDCANCEL},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, plat::IDCANCEL},
        {"close box", [](QWidget* w) { w->close(); }, plat::IDCANCEL},
        {"Enter presses the default button",
         [](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); }, plat::IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        CTestDialog dialog;
        vtltest::OnNextModal([&](QWidget* modal) {
            EXPECT_EQ(modal, &dialog);
            Retype(Item<QLineEdit>(dialog, IDC_T_NAME), "typed");
            c.act(modal);
        });
        EXPECT_EQ(dialog.DoModal(), c.code);
        EXPECT_TRUE(dialog.HasEnded());
        EXPECT_FALSE(dialog.isVisible());
        // OK reads the controls into the members; the other ways leave them.
        EXPECT_EQ(dialog.m_strName, c.code == plat::IDOK ? "typed" : "first");
    }
    CTestDialog early;
    early.m_bEndInInit = true;
    EXPECT_EQ(early.DoModal(), plat::IDOK) << "ended in its initialisation, never shown";
}

class CPostTarget : public plat::CDialog {
public:
    CPostTarget() : CDialog(TestTemplate(), nullptr) {}
    std::vector<std::tuple<plat::UINT, plat::WPARAM, plat::LPARAM>> m_received;

protected:
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam,
                            plat::LPARAM lParam) override {
        m_received.emplace_back(message, wParam, lParam);
        if (message == plat::WM_USER + 2)
            EndDialog(plat::IDOK);
        return 0;
    }
};

TEST(Message, PostedFromAnotherThreadArrivesInOrderOnTheDialogsThread) {
    CPostTarget dialog;
    std::thread poster([&dialog] {
        for (int i = 0; i < 100; ++i)
            plat::PostMessage(&dialog, plat::WM_USER + 1, static_cast<plat::WPARAM>(i), -i);
        plat::PostMessage(&dialog, plat::WM_USER + 2, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), plat::IDOK);
    poster.join();
    ASSERT_EQ(dialog.m_received.size(), 101u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(std::get<0>(dialog.m_received[i]), plat::WM_USER + 1);
        EXPECT_EQ(std::get<1>(dialog.m_received[i]), static_cast<plat::WPARAM>(i));
        EXPECT_EQ(std::get<2>(dialog.m_received[i]), -i);
    }
}

TEST(AutoClick, EachOpeningPressesTheNextNameThenThePersonDecides) {
    plat::SetAutoClick("IDC_T_CHECK, IDCANCEL,,IDNO,IDOK");
    // A control's symbolic id is clicked: the check box toggles, the dialog stays open.
    CTestDialog first;
    vtltest::OnNextModal([&first](QWidget* modal) {
        QTimer::singleShot(50, modal, [&first, modal] {
            EXPECT_FALSE(Item<QCheckBox>(first, IDC_T_CHECK)->isChecked());
            vtltest::ClickNamed(modal, "IDOK");
        });
    });
    EXPECT_EQ(first.DoModal(), plat::IDOK);
    EXPECT_EQ(first.m_bCheck, 0);

    CTestDialog second;
    EXPECT_EQ(second.DoModal(), plat::IDCANCEL);

    // An empty name presses nothing: the dialog waits for the person.
    CTestDialog third;
    bool stillOpen = false;
    vtltest::OnNextModal([&](QWidget* modal) {
        QTimer::singleShot(100, modal, [&, modal] {
            stillOpen = modal->isVisible();
            vtltest::ClickNamed(modal, "IDCANCEL");
        });
    });
    EXPECT_EQ(third.DoModal(), plat::IDCANCEL);
    EXPECT_TRUE(stillOpen);

    EXPECT_EQ(plat::AfxMessageBox("Go on?", plat::MB_YESNO | plat::MB_ICONQUESTION), plat::IDNO);
    EXPECT_EQ(plat::AfxMessageBox("Done.", plat::MB_OK), plat::IDOK);

    // The list is used up: the person answers.
    vtltest::OnNextModal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    });
    EXPECT_EQ(plat::AfxMessageBox("Again?", plat::MB_YESNO), plat::IDYES);
    plat::SetAutoClick("");
}

TEST(DialogBuilder, ControlsSitAtTheirTemplateRectanglesInDialogUnits) {
    CTestDialog dialog;
    const QFontMetrics metrics(dialog.font());
    // Base units as Windows takes them from the dialog font.
    const int baseX =
        (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 +
         1) / 2;
    const int baseY = metrics.height();
    ASSERT_GT(baseX, 2);
    auto px = [](int units, int base, int div) { return (units * base + div / 2) / div; };
    EXPECT_EQ(dialog.size(), QSize(px(200, baseX, 4), px(150, baseY, 8)));
    const QRect name = dialog.GetDlgItem(IDC_T_NAME)->geometry();
    EXPECT_EQ(name, QRect(px(10, baseX, 4), px(10, baseY, 8), px(80, baseX, 4), px(14, baseY, 8)));
    EXPECT_EQ(dialog.GetDlgItem(IDC_T_SLIDER)->objectName(), "IDC_T_SLIDER");
    EXPECT_EQ(dialog.GetDlgItem(9999), nullptr);
}

} // namespace
