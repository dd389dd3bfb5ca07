// The folder chooser: opens on the folder it is given, shows the caller's title and the path
// in its status line, and returns the chosen folder or nothing.
#include "platform/ui/AutoClick.h"
#include "platform/ui/FolderBrowser.h"
#include "tests/support/Sandbox.h"
#include "tests/ui/ModalDriver.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(FolderBrowser, OpensOnTheInitialFolderAndReturnsTheChoiceOrNothing) {
    const std::string folder = vtltest::MakeTempDir("chooser");
    std::filesystem::create_directory(folder + "/inner");
    const std::string canonical = std::filesystem::canonical(folder).string();

    QString title;
    QString status;
    vtltest::OnNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        status = vtltest::TextOfNamed(modal, "status");
        auto* buttons = modal->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
    });
    plat::CFolderBrowser chooser(nullptr, "select the destination folder...", folder);
    const std::optional<std::string> chosen = chooser.DoModal();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(std::filesystem::canonical(*chosen).string(), canonical);
    EXPECT_EQ(title, "select the destination folder...");
    EXPECT_EQ(std::filesystem::canonical(status.toStdString()).string(), canonical);

    plat::SetAutoClick("IDCANCEL,IDOK");
    EXPECT_FALSE(plat::CFolderBrowser(nullptr, "t", folder).DoModal().has_value());
    const std::optional<std::string> automatic = plat::CFolderBrowser(nullptr, "t", folder).DoModal();
    ASSERT_TRUE(automatic.has_value());
    EXPECT_EQ(std::filesystem::canonical(*automatic).string(), canonical);
}

} // namespace
