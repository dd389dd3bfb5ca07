#include "app/core/AboutDlg.h"
#include "app/core/AppSetting.h"
#include "app/core/VantrelApp.h"
#include "app/res/StringTable.h"
#include "app/res/resource.h"
#include "platform/ui/MessageBox.h"
#include "tests/ui/ModalDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

TEST(AboutBox, ShowsTheNameLargeAndBoldAndTheVersion) {
    GetAppSetting()->m_strVersion = LoadString(IDS_VERSION);
    CAboutDlg about;
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
    EXPECT_EQ(about.DoModal(), plat::IDOK);
    EXPECT_EQ(caption, "About Vantrel");
    EXPECT_EQ(version, "v4.2.1197");
    EXPECT_TRUE(bold);
    EXPECT_EQ(nameSize, dialogSize * 3 / 2);
}

TEST(AboutBox, TheApplicationCommandOpensItAndEscClosesIt) {
    CVantrelApp app;
    bool opened = false;
    vtltest::OnNextModal([&](QWidget* box) {
        opened = box->windowTitle() == "About Vantrel";
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &esc);
    });
    app.OnAppAbout();
    EXPECT_TRUE(opened);
}

} // namespace
