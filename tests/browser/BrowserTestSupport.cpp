#include "tests/browser/BrowserTestSupport.h"

#include "app/browser/FileListView.h"
#include "platform/shell/ShellFolder.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <filesystem>

namespace browsertest {

namespace {

std::string g_home;

class HomeEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        g_home = vtltest::Sandbox::Root() + "/home";
        for (const char* dir :
             {"/Desktop/Desk folder", "/Desktop/.dot", "/Documents/Letters/2024", "/Pictures"})
            std::filesystem::create_directories(g_home + dir);
        vtltest::WriteFile(g_home + "/Desktop/card.jpg", "");
        setenv("HOME", g_home.c_str(), 1);
        setenv("XDG_DESKTOP_DIR", (g_home + "/Desktop").c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", (g_home + "/Documents").c_str(), 1);
    }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new HomeEnvironment);

} // namespace

const std::string& Home() {
    return g_home;
}

plat::PidlPtr Parse(const std::string& name) {
    plat::IShellFolder* desktop = nullptr;
    plat::SHGetDesktopFolder(&desktop);
    plat::LPITEMIDLIST pidl = nullptr;
    desktop->ParseDisplayName(name.c_str(), &pidl);
    desktop->Release();
    return plat::PidlPtr(pidl);
}

std::string Shows(const CFileListView& list) {
    std::string name;
    list.m_shell.GetName(list.m_pidlFolder.get(), name, nullptr, plat::SHGDN_FORPARSING);
    return name;
}

void Click(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), at));
}

void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mouseDClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                       widget->mapTo(widget->window(), at));
}

} // namespace browsertest
