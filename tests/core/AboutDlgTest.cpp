#include "app/core/AppSetting.h"
#include "app/core/VantrelApp.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>

namespace {

TEST(AboutBox, TheApplicationCommandShowsTheNameLargeAndBoldAndTheVersion) {
    GetAppSetting()->m_strVersion = LoadString(IDS_VERSION);
    QString caption;
    QFont name, dialog; // the name label's font, and the dialog's from which it grew
    vtltest::OnNextModal([&](QWidget* box) {
        caption = box->windowTitle() + " " + vtltest::TextOfNamed(box, "IDC_VERSION");
        name = box->findChild<QLabel*>("IDC_ABOUT_NAME")->font();
        dialog = box->font();
        vtltest::ClickNamed(box, "IDOK");
    });
    CVantrelApp().OnAppAbout();
    EXPECT_EQ(caption, "About Vantrel v4.2.1197");
    EXPECT_TRUE(name.bold());
    EXPECT_EQ(QFontInfo(name).pixelSize(), QFontInfo(dialog).pixelSize() * 3 / 2);
}

} // namespace
