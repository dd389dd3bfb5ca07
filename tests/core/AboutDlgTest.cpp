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
    QString caption, version;
    int nameSize = 0, dialogSize = 0;
    bool bold = false;
    vtltest::OnNextModal([&](QWidget* box) {
        caption = box->windowTitle();
        version = vtltest::TextOfNamed(box, "IDC_VERSION");
        auto* name = box->findChild<QLabel*>("IDC_ABOUT_NAME");
        nameSize = QFontInfo(name->font()).pixelSize();
        bold = name->font().bold();
        dialogSize = QFontInfo(box->font()).pixelSize(); // the label's own font before it grew
        vtltest::ClickNamed(box, "IDOK");
    });
    CVantrelApp().OnAppAbout();
    EXPECT_EQ(caption, "About Vantrel");
    EXPECT_EQ(version, "v4.2.1197");
    EXPECT_TRUE(bold);
    EXPECT_EQ(nameSize, dialogSize * 3 / 2);
}

} // namespace
