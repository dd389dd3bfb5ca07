// The dialog base driven as a person would: data exchange both ways with the unsigned-number
// prompt, the end codes of every way out, messages posted from another thread, and the
// VTL_AUTOCLICK hook. (The resize options dialog's tests drive the same base through a real
// dialog: text written only when it differs, and the notification that follows.)
#include "platform/ui/Dialog.h"
#include "platform/ui/AutoClick.h"
#include "platform/ui/DialogBuilder.h"
#include "tests/ui/ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

using plat::CtlKind;

enum : int {
    IDC_T_NAME = 100,
    IDC_T_WIDTH,
    IDC_T_CHECK,
    IDC_T_R1,
    IDC_T_R2,
    IDC_T_LIST,
    IDC_T_SLIDER
};

#define ITEM(id, ...)                                                                              \
    plat::DLGITEMTEMPLATE {                                                                        \
        id, #id, __VA_ARGS__                                                                       \
    }

// withDefault: OK is the default button; without, Enter in an edit presses nothing.
const plat::DLGTEMPLATE& TestTemplate(bool withDefault) {
    static auto make = [](CtlKind ok) {
        return plat::DLGTEMPLATE{
            900,
            "Test",
            200,
            150,
            "MS Sans Serif",
            8,
            plat::DS_CENTER | plat::WS_SYSMENU,
            {ITEM(IDC_T_NAME, CtlKind::Edit, "", 10, 10, 80, 14),
             ITEM(IDC_T_WIDTH, CtlKind::Edit, "", 10, 30, 40, 14, plat::ES_NUMBER),
             ITEM(IDC_T_CHECK, CtlKind::CheckBox, "Check", 10, 50, 60, 10),
             ITEM(IDC_T_R1, CtlKind::RadioButton, "One", 10, 62, 40, 10, plat::CTL_GROUP),
             ITEM(IDC_T_R2, CtlKind::RadioButton, "Two", 50, 62, 40, 10),
             ITEM(IDC_T_LIST, CtlKind::DropDownList, "", 10, 86, 60, 40, plat::CTL_GROUP,
                  {"pixel", "percent"}),
             ITEM(IDC_T_SLIDER, CtlKind::Slider, "", 10, 100, 100, 15),
             plat::DLGITEMTEMPLATE{plat::IDOK, "IDOK", ok, "OK", 100, 130, 40, 14},
             plat::DLGITEMTEMPLATE{plat::IDCANCEL, "IDCANCEL", CtlKind::PushButton, "Cancel", 150,
                                   130, 40, 14}}};
    };
    static const plat::DLGTEMPLATE withOk = make(CtlKind::DefPushButton);
    static const plat::DLGTEMPLATE plain = make(CtlKind::PushButton);
    return withDefault ? withOk : plain;
}

class CTestDialog : public plat::CDialog {
public:
    explicit CTestDialog(bool withDefault = true) : CDialog(TestTemplate(withDefault), nullptr) {}
    std::string m_strName = "first";
    std::uint32_t m_nWidth = 400;
    std::int32_t m_bCheck = 1;
    std::int32_t m_nRadio = 1;
    std::int32_t m_nList = 0;
    std::int32_t m_nSlider = 80;
    bool m_bEndInInit = false;
    std::vector<std::pair<plat::WPARAM, plat::LPARAM>> m_received;

protected:
    void DoDataExchange(plat::CDataExchange* pDX) override {
        plat::DDX_Text(pDX, IDC_T_NAME, m_strName);
        plat::DDX_Text(pDX, IDC_T_WIDTH, m_nWidth);
        plat::DDX_Check(pDX, IDC_T_CHECK, m_bCheck);
        plat::DDX_Radio(pDX, IDC_T_R1, m_nRadio);
        plat::DDX_CBIndex(pDX, IDC_T_LIST, m_nList);
        plat::DDX_Slider(pDX, IDC_T_SLIDER, m_nSlider);
    }
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        if (m_bEndInInit)
            EndDialog(plat::IDOK);
        return true;
    }
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override {
        m_received.emplace_back(wParam, lParam);
        if (message == plat::WM_USER + 2)
            EndDialog(plat::IDOK);
        return 0;
    }
};

template <typename T> T* Item(plat::CDialog& dialog, int id) {
    return qobject_cast<T*>(dialog.GetDlgItem(id));
}

TEST(DataExchange, MovesEveryKindBothWays) {
    CTestDialog dialog;
    dialog.UpdateData(false);
    EXPECT_EQ(Item<QLineEdit>(dialog, IDC_T_WIDTH)->text(), "400");
    EXPECT_TRUE(Item<QCheckBox>(dialog, IDC_T_CHECK)->isChecked());
    EXPECT_TRUE(Item<QRadioButton>(dialog, IDC_T_R2)->isChecked());
    EXPECT_EQ(Item<QComboBox>(dialog, IDC_T_LIST)->currentText(), "pixel");
    EXPECT_EQ(Item<QSlider>(dialog, IDC_T_SLIDER)->value(), 80);
    dialog.show();
    QTest::mouseClick(Item<QCheckBox>(dialog, IDC_T_CHECK), Qt::LeftButton);
    QTest::mouseClick(Item<QRadioButton>(dialog, IDC_T_R1), Qt::LeftButton);
    QTest::keyClick(Item<QComboBox>(dialog, IDC_T_LIST), Qt::Key_Down);
    QTest::keyClick(Item<QSlider>(dialog, IDC_T_SLIDER), Qt::Key_Right);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(std::make_tuple(dialog.m_bCheck, dialog.m_nRadio, dialog.m_nList, dialog.m_nSlider),
              std::make_tuple(0, 0, 1, 81));
    // A radio group can be cleared by the program.
    dialog.m_nRadio = -1;
    dialog.UpdateData(false);
    EXPECT_FALSE(Item<QRadioButton>(dialog, IDC_T_R1)->isChecked());
    dialog.hide();
}

TEST(DataExchange, AnUnsignedEntryIsCheckedWithThePrompt) {
    const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
        {"12a", {}}, {"", {}}, {"4294967296", {}}, {"4294967295", 4294967295u}, {"007", 7u}};
    for (const auto& [typed, value] : cases) {
        SCOPED_TRACE(typed);
        CTestDialog dialog;
        dialog.UpdateData(false);
        dialog.show();
        // Digits only can be typed; a pasted text can still hold anything.
        Item<QLineEdit>(dialog, IDC_T_WIDTH)->setText(typed);
        QTest::mouseClick(Item<QCheckBox>(dialog, IDC_T_CHECK), Qt::LeftButton);
        QString prompt;
        if (!value)
            vtltest::OnNextModal([&prompt](QWidget* box) {
                prompt = qobject_cast<QMessageBox*>(box)->text();
                QTest::keyClick(box, Qt::Key_Escape);
            });
        EXPECT_EQ(dialog.UpdateData(true), value.has_value());
        EXPECT_EQ(dialog.m_nWidth, value.value_or(400)) << "a bad entry keeps the member";
        EXPECT_EQ(dialog.m_bCheck, value ? 0 : 1) << "the exchange stops at the bad entry";
        EXPECT_EQ(prompt, value ? "" : "Please enter a positive integer.");
        dialog.hide();
    }
}

TEST(Dialog, EveryWayOutGivesItsEndCode) {
    auto enter = [](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); };
    const std::tuple<const char*, std::function<void(QWidget*)>, int, bool> cases[] = {
        {"OK", [](QWidget* w) { vtltest::ClickNamed(w, "IDOK"); }, plat::IDOK, true},
        {"Cancel", [](QWidget* w) { vtltest::ClickNamed(w, "IDCANCEL"); }, plat::IDCANCEL, true},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, plat::IDCANCEL, true},
        {"close box", [](QWidget* w) { w->close(); }, plat::IDCANCEL, true},
        {"Enter presses the default button", enter, plat::IDOK, true},
        {"Enter without a default presses nothing; then OK",
         [enter](QWidget* w) {
             enter(w);
             if (w->isVisible())
                 vtltest::ClickNamed(w, "IDOK");
         },
         plat::IDOK, false},
    };
    for (const auto& [how, act, code, withDefault] : cases) {
        SCOPED_TRACE(how);
        CTestDialog dialog(withDefault);
        vtltest::OnNextModal([&, act = act](QWidget* modal) {
            auto* name = Item<QLineEdit>(dialog, IDC_T_NAME);
            name->setFocus();
            name->selectAll();
            QTest::keyClicks(name, "typed");
            act(modal);
        });
        EXPECT_EQ(dialog.DoModal(), code);
        EXPECT_TRUE(dialog.HasEnded() && !dialog.isVisible());
        // OK reads the controls into the members; the other ways leave them.
        EXPECT_EQ(dialog.m_strName, code == plat::IDOK ? "typed" : "first");
    }
    CTestDialog early;
    early.m_bEndInInit = true;
    EXPECT_EQ(early.DoModal(), plat::IDOK) << "ended in its initialisation, never shown";
}

TEST(Message, PostedFromAnotherThreadArrivesInOrderOnTheDialogsThread) {
    CTestDialog dialog;
    std::thread poster([&dialog] {
        for (int i = 0; i < 100; ++i)
            plat::PostMessage(&dialog, plat::WM_USER + 1, static_cast<plat::WPARAM>(i), -i);
        plat::PostMessage(&dialog, plat::WM_USER + 2, 100, -100);
    });
    EXPECT_EQ(dialog.DoModal(), plat::IDOK);
    poster.join();
    ASSERT_EQ(dialog.m_received.size(), 101u);
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(dialog.m_received[i],
                  std::make_pair(static_cast<plat::WPARAM>(i), plat::LPARAM{-i}));
}

TEST(AutoClick, EachOpeningPressesTheNextNameThenThePersonDecides) {
    plat::SetAutoClick("IDC_T_CHECK, IDCANCEL,,IDNO");
    // A control's symbolic id is clicked: the check box toggles, the dialog stays open.
    CTestDialog first;
    vtltest::OnNextModal([](QWidget* modal) {
        QTimer::singleShot(50, modal, [modal] { vtltest::ClickNamed(modal, "IDOK"); });
    });
    EXPECT_EQ(first.DoModal(), plat::IDOK);
    EXPECT_EQ(first.m_bCheck, 0);
    EXPECT_EQ(CTestDialog().DoModal(), plat::IDCANCEL);
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
    // The list is used up: the person answers.
    vtltest::OnNextModal([](QWidget* box) {
        QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes),
                          Qt::LeftButton);
    });
    EXPECT_EQ(plat::AfxMessageBox("Again?", plat::MB_YESNO), plat::IDYES);
}

} // namespace
