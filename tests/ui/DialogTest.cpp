// The dialog base driven as a person would: the end codes of every way out, and messages
// posted from another thread. (The resize options dialog's tests drive the same base through
// a real dialog: data exchange both ways, the number prompt, text written only when it
// differs and the notification that follows.)
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/SystemMetrics.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

// withDefault: OK is the default button; without, Enter in an edit presses nothing.
plat::DLGTEMPLATE MakeTemplate(bool withDefault) {
    using plat::CtlKind;
    const CtlKind ok = withDefault ? CtlKind::DefPushButton : CtlKind::PushButton;
    const std::vector<plat::DLGITEMTEMPLATE> items = {
        {100, "IDC_T_NAME", CtlKind::Edit, "", 10, 10, 80, 14},
        {plat::IDOK, "IDOK", ok, "OK", 100, 50, 40, 14},
        {plat::IDCANCEL, "IDCANCEL", CtlKind::PushButton, "Cancel", 150, 50, 40, 14}};
    return {900, "Test", 200, 80, "MS Sans Serif", 8, plat::WS_SYSMENU, items};
}
const plat::DLGTEMPLATE kWithDefault = MakeTemplate(true), kPlain = MakeTemplate(false);

class CTestDialog : public plat::CDialog {
  public:
    explicit CTestDialog(bool withDefault = true)
        : CDialog(withDefault ? kWithDefault : kPlain, nullptr) {}
    std::string m_strName = "first";
    std::vector<std::pair<plat::WPARAM, plat::LPARAM>> m_received;

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override { plat::DDX_Text(pDX, 100, m_strName); }
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
            QTest::keyClicks(QApplication::focusWidget(), "typed");
            act(modal);
        });
        EXPECT_EQ(dialog.DoModal(), code);
        EXPECT_TRUE(dialog.HasEnded() && !dialog.isVisible());
        // OK reads the controls into the members; the other ways leave them. The edit, first
        // in tab order, opened with the focus and its text selected, so typing replaced it.
        EXPECT_EQ(dialog.m_strName, code == plat::IDOK ? "typed" : "first");
    }
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

// The desktop size is the monitor's real pixels, whatever Qt's logical size and ratio make of
// it at each scale (Qt 6.4 on Wayland says ratio 2 for 125 % to 175 %).
TEST(SystemMetrics, TheDesktopSizeIsTheMonitorsRealPixels) {
    const std::pair<plat::ScreenReport, plat::ScreenPixels> cases[] = {
        {{1707, 1067, 1.5, 2560, 1600}, {2560, 1600}},      // X11 150 %, not 2561 x 1601
        {{720, 1280, 2.0, 1920, 1080, true}, {1080, 1920}}, // Wayland, output turned
        {{1536, 864, 1.25}, {1920, 1080}},                  // the server told nothing
    };
    for (const auto& [report, pixels] : cases)
        EXPECT_EQ(plat::DesktopPixels(report), pixels)
            << report.logicalWidth << " " << report.ratio;
}

} // namespace
