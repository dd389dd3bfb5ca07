// The dialog base driven as a person would: the end codes of every way out. (The resize options
// dialog's tests drive the same base through a real dialog: data exchange both ways, the number
// prompt, text written only when it differs and the notification that follows.)
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/SystemMetrics.h"
#include "tests/ui/ModalDriver.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// An edit, OK as the default button, and Cancel.
const std::vector<plat::DLGITEMTEMPLATE> kItems = {
    {100, "IDC_T_NAME", plat::CtlKind::Edit, "", 10, 10, 80, 14},
    {plat::IDOK, "IDOK", plat::CtlKind::DefPushButton, "OK", 100, 50, 40, 14},
    {plat::IDCANCEL, "IDCANCEL", plat::CtlKind::PushButton, "Cancel", 150, 50, 40, 14}};
const plat::DLGTEMPLATE kTemplate = {900, "Test",           200,   80, "MS Sans Serif",
                                     8,   plat::WS_SYSMENU, kItems};

class CTestDialog : public plat::CDialog {
  public:
    CTestDialog() : CDialog(kTemplate, nullptr) {}
    std::string m_strName = "first";

  protected:
    void DoDataExchange(plat::CDataExchange* pDX) override { plat::DDX_Text(pDX, 100, m_strName); }
};

TEST(Dialog, EveryWayOutGivesItsEndCode) {
    const std::tuple<const char*, std::function<void(QWidget*)>, int> cases[] = {
        {"OK", [](QWidget* w) { vtltest::ClickNamed(w, "IDOK"); }, plat::IDOK},
        {"Cancel", [](QWidget* w) { vtltest::ClickNamed(w, "IDCANCEL"); }, plat::IDCANCEL},
        {"Esc", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, plat::IDCANCEL},
        {"close box", [](QWidget* w) { w->close(); }, plat::IDCANCEL},
        {"Enter presses the default button",
         [](QWidget* w) { QTest::keyClick(w->focusWidget(), Qt::Key_Return); }, plat::IDOK},
    };
    for (const auto& [how, act, code] : cases) {
        SCOPED_TRACE(how);
        CTestDialog dialog;
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
