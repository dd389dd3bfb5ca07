// vtlmenu as file managers and scripts run it: a real process, the real module, the user's
// real hand-off block, and a fake application that records its start.
#include "app/core/HandoffBlock.h"
#include "platform/SharedMemory.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace shellexttest;
namespace fs = std::filesystem;

const std::string kMenu = "Vantrel\n  0 Resize...\n  1 Resize as default setting\n  2 Resize and mail\n";

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}


// The Exec line of a service-menu action as KIO reads it: the string value's escapes undone,
// then split into arguments with the desktop entry's quoting, %F replaced by the files.
std::vector<std::string> DolphinCommand(const std::string& desktopFile, const std::string& action,
                                        const std::vector<std::string>& files) {
    const auto section = desktopFile.find("[Desktop Action " + action + "]");
    const auto exec = desktopFile.find("\nExec=", section);
    if (section == std::string::npos || exec == std::string::npos)
        return {};
    const std::string line = desktopFile.substr(exec + 6, desktopFile.find('\n', exec + 1) - exec - 6);
    std::string value;
    for (std::size_t i = 0; i < line.size(); ++i)
        value += (line[i] == '\\' && i + 1 < line.size()) ? line[++i] : line[i];
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted && c == '\\' && i + 1 < value.size()) {
            arg += value[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any || !arg.empty())
                args.push_back(arg);
            arg.clear();
            any = false;
        } else if (c == '%' && i + 1 < value.size() && value[i + 1] == '%') {
            arg += value[++i];
        } else {
            arg += c;
        }
    }
    if (any || !arg.empty())
        args.push_back(arg);
    std::vector<std::string> expanded;
    for (const auto& a : args) {
        if (a == "%F")
            expanded.insert(expanded.end(), files.begin(), files.end());
        else
            expanded.push_back(a);
    }
    return expanded;
}

// A Thunar action's command as Thunar runs it: %F becomes the files, quoted for the shell-like
// split that follows, which only single quotes need here.
std::vector<std::string> ThunarCommand(const std::string& uca, const std::string& uniqueId,
                                       const std::vector<std::string>& files) {
    const auto id = uca.find("<unique-id>" + uniqueId + "</unique-id>");
    const auto start = uca.find("<command>", id);
    if (id == std::string::npos || start == std::string::npos)
        return {};
    const std::string command = uca.substr(start + 9, uca.find("</command>", start) - start - 9);
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false;
    for (std::size_t i = 0; i <= command.size(); ++i) {
        const char c = i < command.size() ? command[i] : ' ';
        if (c == '\'') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (arg == "%F")
                args.insert(args.end(), files.begin(), files.end());
            else if (!arg.empty())
                args.push_back(arg);
            arg.clear();
        } else {
            arg += c;
        }
    }
    return args;
}

class VtlMenu : public testing::Test {
protected:
    void SetUp() override {
        m_dir = vtltest::MakeTempDir("vtlmenu");
        for (const char* name : {"a.jpg", "b.txt", "c.JPEG", "d.gif", "notes.txt"})
            vtltest::WriteFile(m_dir + "/" + name, "");
        m_vtl = MakeFakeApplication(m_dir);
        SetLocation(m_vtl);
        FillBlock(0xAB);
    }
    std::string File(const char* name) const { return m_dir + "/" + name; }
    std::string m_dir;
    std::string m_vtl;
};

TEST_F(VtlMenu, MenuListsTheSubmenuForPicturesAndNothingForOtherFiles) {
    RunResult run = RunVtlMenu({"--menu", File("b.txt"), File("notes.txt")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    run = RunVtlMenu({"--menu", File("b.txt"), File("a.jpg")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kMenu);
}

TEST_F(VtlMenu, InvokeHandsThePicturesInOrderAndStartsTheApplication) {
    const RunResult run = RunVtlMenu({"--invoke", "2", File("a.jpg"), File("b.txt"), File("c.JPEG"), File("d.gif")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Block()[0], 0xFF);
    EXPECT_EQ(BlockWord(1), 4000u);
    EXPECT_EQ(BlockWord(5), 4u);
    EXPECT_EQ(BlockWord(9), 3u);
    EXPECT_EQ(BlockWord(13), 2u);
    EXPECT_EQ(BlockWord(17), 0u);
    EXPECT_EQ(BlockPath(0), File("a.jpg"));
    EXPECT_EQ(BlockPath(1), File("c.JPEG"));
    EXPECT_EQ(BlockPath(2), File("d.gif"));
    EXPECT_EQ(WaitForStart(m_vtl), "0\n");
}

TEST_F(VtlMenu, RelativeNamesAreHandedOverAsFullPaths) {
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const RunResult run = RunVtlMenu({"--invoke", "0", "a.jpg", "./sub/../d.gif"});
    fs::current_path(before);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(BlockPath(0), File("a.jpg"));
    EXPECT_EQ(BlockPath(1), File("d.gif"));
}

TEST_F(VtlMenu, FailuresTellAScriptWhatHappenedAndWriteNothing) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string location;
        int status;
        std::string err; // a part of standard error
    } cases[] = {
        {"location deleted", {"--invoke", "1", File("a.jpg")}, m_dir + "/gone/vtl", 1,
         "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!"},
        {"no picture", {"--invoke", "1", File("notes.txt")}, m_vtl, 4, "none of the files is a picture"},
        {"no such command", {"--invoke", "3", File("a.jpg")}, m_vtl, 2, "no command 3"},
        {"offset not a number", {"--invoke", "x", File("a.jpg")}, m_vtl, 2, "usage"},
        {"nothing to do", {}, m_vtl, 2, "usage"},
        {"unknown option", {"--open", File("a.jpg")}, m_vtl, 2, "usage"},
    };
    for (const auto& c : cases) {
        SetLocation(c.location);
        FillBlock(0xAB);
        const RunResult run = RunVtlMenu(c.args);
        EXPECT_EQ(run.status, c.status) << c.what;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.what << ": " << run.err;
        EXPECT_TRUE(BlockHoldsOnly(0xAB)) << c.what;
    }
    EXPECT_TRUE(NeverStarted(m_vtl));
}

TEST_F(VtlMenu, ABlockSquattedByAnotherProgramIsRefusedWithItsPathAndWhatToDo) {
    ForgetBlock();
    const std::string path = plat::FileMappingPath(HandoffBlockName());
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const RunResult run = RunVtlMenu({"--invoke", "1", File("a.jpg")});
    fs::remove(path);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(path + " is a FIFO, not a shared memory block. Remove it and try again."),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(NeverStarted(m_vtl));
}

TEST_F(VtlMenu, ADisplayThatCannotBeReachedStillGivesTheMessageOnStandardError) {
    SetLocation(m_dir + "/gone/vtl");
    const RunResult run = RunVtlMenu({"--invoke", "0", File("a.jpg")}, {"DISPLAY=:97", "QT_QPA_PLATFORM"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("Could not find vtl.exe."), std::string::npos) << run.err;
    EXPECT_TRUE(BlockHoldsOnly(0xAB));
}

class VtlMenuIntegration : public VtlMenu {
protected:
    void SetUp() override {
        VtlMenu::SetUp();
        const std::string data = vtltest::MakeTempDir("data");
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        m_serviceMenu = data + "/kio/servicemenus/vantrel.desktop";
        m_icon = data + "/vantrel/vantrel-menu.png";
        m_systemDir = vtltest::MakeTempDir("xdg");
        setenv("XDG_CONFIG_DIRS", m_systemDir.c_str(), 1);
        m_uca = std::string(getenv("XDG_CONFIG_HOME")) + "/Thunar/uca.xml";
        fs::remove(m_uca);
    }
    void TearDown() override {
        RunVtlMenu({"--unregister"});
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_DIRS");
    }
    std::string m_serviceMenu;
    std::string m_icon;
    std::string m_systemDir;
    std::string m_uca;
};

const char* kUserActions = R"(<?xml version="1.0" encoding="UTF-8"?>
<actions>
<action>
	<icon>utilities-terminal</icon>
	<name>Open Terminal &amp; Here</name>
	<unique-id>1700000000000000-1</unique-id>
	<command>exo-open --working-directory %f --launch TerminalEmulator</command>
	<description>Example for a custom action</description>
	<patterns>*</patterns>
	<startup-notify/>
	<directories/>
</action>
</actions>
)";

TEST_F(VtlMenuIntegration, RegisterInstallsEveryFileManagerOnceAndUnregisterRemovesOnlyOurs) {
    fs::create_directories(fs::path(m_uca).parent_path());
    vtltest::WriteFile(m_uca, kUserActions);

    for (int round = 0; round < 2; ++round) {
        const RunResult run = RunVtlMenu({"--register"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), fs::canonical(std::string(VTL_LIB_DIR) + "/libVtlExt.so"));

        const std::string service = vtltest::ReadFile(m_serviceMenu);
        EXPECT_NE(service.find("X-KDE-Submenu=Vantrel\n"), std::string::npos);
        EXPECT_NE(service.find("MimeType=image/jpeg;image/bmp;image/gif;\n"), std::string::npos);
        for (const char* name : {"Name=Resize...\n", "Name=Resize as default setting\n", "Name=Resize and mail\n"})
            EXPECT_EQ(Count(service, name), 1u) << name;
        EXPECT_NE(service.find("Exec=\"" + std::string(VTL_BIN_DIR) + "/vtlmenu\" --invoke 2 %F\n"), std::string::npos)
            << service;
        EXPECT_NE(fs::status(m_serviceMenu).permissions() & fs::perms::owner_exec, fs::perms::none)
            << "Dolphin runs only executable service menus";
        EXPECT_TRUE(fs::is_regular_file(m_icon));

        const std::string uca = vtltest::ReadFile(m_uca);
        EXPECT_EQ(Count(uca, "<unique-id>vantrel-"), 3u) << "registering again replaces our actions";
        EXPECT_EQ(Count(uca, "<submenu>Vantrel</submenu>"), 3u);
        EXPECT_NE(uca.find("<command>'" + std::string(VTL_BIN_DIR) + "/vtlmenu' --invoke 1 %F</command>"),
                  std::string::npos)
            << uca;
        EXPECT_NE(uca.find("<name>Open Terminal &amp; Here</name>"), std::string::npos) << "the user's action stays";
        EXPECT_NE(uca.find("<startup-notify/>"), std::string::npos);
    }
    EXPECT_EQ(vtltest::ReadFile(m_uca).find("vantrel-0"), vtltest::ReadFile(m_uca).rfind("vantrel-0"));

    const RunResult run = RunVtlMenu({"--unregister"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(fs::exists(m_serviceMenu));
    EXPECT_FALSE(fs::exists(m_icon));
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), "");
    const std::string uca = vtltest::ReadFile(m_uca);
    EXPECT_EQ(uca.find("vantrel"), std::string::npos) << uca;
    EXPECT_NE(uca.find("<name>Open Terminal &amp; Here</name>"), std::string::npos);
}

TEST_F(VtlMenuIntegration, WithoutAUserListTheSystemDefaultActionsAreKept) {
    fs::create_directories(m_systemDir + "/Thunar");
    vtltest::WriteFile(m_systemDir + "/Thunar/uca.xml", kUserActions);
    ASSERT_EQ(RunVtlMenu({"--register"}).status, 0);
    const std::string uca = vtltest::ReadFile(m_uca);
    EXPECT_NE(uca.find("Open Terminal &amp; Here"), std::string::npos);
    EXPECT_EQ(Count(uca, "<unique-id>vantrel-"), 3u);
}

TEST_F(VtlMenuIntegration, AMalformedActionListIsLeftAsItIs) {
    const std::string broken = "<?xml version=\"1.0\"?>\n<actions>\n<action><name>Mine</name>\n";
    fs::create_directories(fs::path(m_uca).parent_path());
    vtltest::WriteFile(m_uca, broken);
    const RunResult run = RunVtlMenu({"--register"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("not a well-formed list of Thunar actions"), std::string::npos) << run.err;
    EXPECT_EQ(vtltest::ReadFile(m_uca), broken);
    EXPECT_TRUE(fs::exists(m_serviceMenu)) << "the other file managers are still served";
}

TEST_F(VtlMenuIntegration, RegisterKeepsALocationTheApplicationRecorded) {
    ASSERT_EQ(RunVtlMenu({"--register"}).status, 0);
    const RunResult run = RunVtlMenu({"--invoke", "0", File("a.jpg")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(WaitForStart(m_vtl), "0\n") << "the fake application recorded before --register is still the one started";
}

TEST_F(VtlMenuIntegration, TheInstalledCommandsRunAsTheFileManagersRunThem) {
    ASSERT_EQ(RunVtlMenu({"--register"}).status, 0);
    const std::string vtlmenu = std::string(VTL_BIN_DIR) + "/vtlmenu";
    const std::vector<std::string> files = {File("a.jpg"), File("b.txt"), File("d.gif")};
    const struct {
        const char* manager;
        std::vector<std::string> argv;
        std::uint32_t command;
    } cases[] = {
        {"Dolphin", DolphinCommand(vtltest::ReadFile(m_serviceMenu), "vantrel1", files), 1},
        {"Thunar", ThunarCommand(vtltest::ReadFile(m_uca), "vantrel-2", files), 2},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.argv.size(), 6u) << c.manager;
        EXPECT_EQ(c.argv[0], vtlmenu) << c.manager;
        FillBlock(0xAB);
        fs::remove(m_vtl + ".started");
        const RunResult run = RunVtlMenu({c.argv.begin() + 1, c.argv.end()});
        ASSERT_EQ(run.status, 0) << c.manager << ": " << run.err;
        EXPECT_EQ(BlockWord(13), c.command) << c.manager;
        EXPECT_EQ(BlockWord(9), 2u) << c.manager;
        EXPECT_EQ(BlockPath(1), File("d.gif")) << c.manager;
        EXPECT_EQ(WaitForStart(m_vtl), "0\n") << c.manager;
    }
}

} // namespace
