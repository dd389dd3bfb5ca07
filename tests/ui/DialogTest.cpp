// The dialog base driven as a person would: the end codes of every way out, and messages
// posted from another thread. (The resize options dialog's tests drive the same base through
// a real dialog: data exchange both ways, the number prompt, text written only when it
// differs and the notification that follows.)
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "tests/ui/ModalDriver.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

// withDefault: OK is the default button; without, Enter in an edit presses nothing.
const plat::DLGTEMPLATE& TestTemplate(bool withDefault) {
    static const auto make = [](plat::CtlKind ok) {
        const std::vector<plat::DLGITEMTEMPLATE> items = {
            {100, "IDC_T_NAME", plat::CtlKind::Edit, "", 10, 10, 80, 14},
            {plat::IDOK, "IDOK", ok, "OK", 100, 50, 40, 14},
            {plat::IDCANCEL, "IDCANCEL", plat::CtlKind::PushButton, "Cancel", 150, 50, 40, 14}};
        return plat::DLGTEMPLATE{900, "Test", 200, 80, "MS Sans Serif", 8, plat::WS_SYSMENU, items};
    };
    static const plat::DLGTEMPLATE withOk = make(plat::CtlKind::DefPushButton);
    static const plat::DLGTEMPLATE plain = make(plat::CtlKind::PushButton);
    return withDefault ? withOk : plain;
}

class CTestDialog : public plat::CDialog {
  public:
    explicit CTestDialog(bool withDefault = true) : CDialog(TestTemplate(withDefault), nullptr) {}
    std::string m_strName = "first";
    bool m_bEndInInit = false;
    std::vector<std::pair<plat::WPARAM, plat::LPARAM>> m_received;

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override { plat::DDX_Text(pDX, 100, m_strName); }
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
            auto* name = qobject_cast<QLineEdit*>(dialog.GetDlgItem(100));
            name->setFocus();
            QTest::keyClicks(name, "typed");
            act(modal);
        });
        EXPECT_EQ(dialog.DoModal(), code);
        EXPECT_TRUE(dialog.HasEnded() && !dialog.isVisible());
        // OK reads the controls into the members; the other ways leave them.
        EXPECT_EQ(dialog.m_strName, code == plat::IDOK ? "firsttyped" : "first");
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
        EXPECT_EQ(dialog.m_received[i], std::make_pair(plat::WPARAM(i), plat::LPARAM{-i}));
}

} // namespace
