// vtlmenu as file managers and scripts run it: a real process, the real module, the test
// program's own hand-off block, and a fake application that records its start.
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

using namespace shellexttest;
namespace fs = std::filesystem;

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class VtlMenu : public testing::Test {
protected:
    void SetUp() override {
        m_dir = vtltest::MakeTempDir("vtlmenu");
        m_vtl = MakeFakeApplication(m_dir);
        SetLocation(m_vtl);
        ScribbleBlock();
    }
    std::string File(const char* name) const { return m_dir + "/" + name; }
    std::string m_dir;
    std::string m_vtl;
};

TEST_F(VtlMenu, InvokeHandsThePicturesAsFullPathsInOrderAndStartsTheApplication) {
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const RunResult run = RunVtlMenu({"--invoke", "2", "a.jpg", "b.txt", "./sub/../d.gif"});
    fs::current_path(before);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const Record record = PendingRecord();
    EXPECT_EQ(record.header.nCommand, HANDOFF_RESIZE_DEFAULT_MAIL);
    EXPECT_EQ(record.files, (std::vector<std::string>{File("a.jpg"), File("d.gif")}));
    EXPECT_EQ(WaitForStart(m_vtl), "0\n");
}

TEST_F(VtlMenu, FailuresTellAScriptWhatHappenedAndWriteNothing) {
    const std::string block = plat::FileMappingPath(HandoffBlockName());
    const struct {
        const char* what;
        std::vector<std::string> args, env;
        std::string location;
        int status;
        std::string err; // a part of standard error
    } cases[] = {
        {"location deleted", {"--invoke", "1", File("a.jpg")}, {}, m_dir + "/gone/vtl", 1,
         "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!"},
        {"a display that cannot be reached", {"--invoke", "1", File("a.jpg")}, {"DISPLAY=:97", "QT_QPA_PLATFORM"},
         m_dir + "/gone/vtl", 1, "Could not find vtl.exe."},
        {"a FIFO squatting the block", {"--invoke", "1", File("a.jpg")}, {}, m_vtl, 1,
         block + " is a FIFO, not a shared memory block. Remove it and try again."},
        {"no picture", {"--invoke", "1", File("notes.txt")}, {}, m_vtl, 4, "none of the files is a picture"},
        {"no such command", {"--invoke", "3", File("a.jpg")}, {}, m_vtl, 2, "no command 3"},
        {"offset not a number", {"--invoke", "x", File("a.jpg")}, {}, m_vtl, 2, "usage"},
        {"nothing to do", {}, {}, m_vtl, 2, "usage"},
        {"unknown option", {"--open", File("a.jpg")}, {}, m_vtl, 2, "usage"},
    };
    for (const auto& c : cases) {
        SetLocation(c.location);
        const bool squat = c.err.rfind(block, 0) == 0;
        if (squat) {
            fs::remove(block);
            mkfifo(block.c_str(), 0600);
        }
        const RunResult run = RunVtlMenu(c.args, c.env);
        if (squat)
            fs::remove(block);
        EXPECT_EQ(run.status, c.status) << c.what;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.what << ": " << run.err;
    }
    EXPECT_TRUE(BlockUntouched());
    EXPECT_TRUE(NeverStarted(m_vtl));
}

class VtlMenuIntegration : public VtlMenu {
protected:
    void SetUp() override {
        VtlMenu::SetUp();
        const std::string data = vtltest::MakeTempDir("data");
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        m_serviceMenu = data + "/kio/servicemenus/vantrel.desktop";
        m_icon = data + "/vantrel/vantrel.png";
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
<action><icon>utilities-terminal</icon><name>Open Terminal &amp; Here</name><unique-id>1700000000000000-1</unique-id>
<command>exo-open --working-directory %f</command><patterns>*</patterns><startup-notify/><directories/></action>
</actions>
)";

TEST_F(VtlMenuIntegration, RegisterInstallsEveryFileManagerOnceAndUnregisterRemovesOnlyOurs) {
    // Without a list of the user's, Thunar shows the system's: it is kept, and so on registering again.
    fs::create_directories(m_systemDir + "/Thunar");
    vtltest::WriteFile(m_systemDir + "/Thunar/uca.xml", kUserActions);
    const std::string vtlmenu = std::string(VTL_BIN_DIR) + "/vtlmenu";
    for (int round = 0; round < 2; ++round) {
        const RunResult run = RunVtlMenu({"--register"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadLocation(), m_vtl) << "the location the application recorded stays";
        const std::string service = vtltest::ReadFile(m_serviceMenu);
        EXPECT_NE(service.find("X-KDE-Submenu=Vantrel\nIcon=" + m_icon + "\n"), std::string::npos) << service;
        EXPECT_NE(service.find("MimeType=image/jpeg;image/bmp;image/gif;\n"), std::string::npos);
        EXPECT_EQ(Count(service, "Name=Resize and mail\n"), 1u);
        EXPECT_NE(service.find("Exec=\"" + vtlmenu + "\" --invoke 2 %F\n"), std::string::npos) << service;
        EXPECT_NE(fs::status(m_serviceMenu).permissions() & fs::perms::owner_exec, fs::perms::none)
            << "Dolphin runs only executable service menus";
        const std::string uca = vtltest::ReadFile(m_uca);
        EXPECT_EQ(Count(uca, "<unique-id>vantrel-"), 3u) << "registering again replaces our actions";
        EXPECT_EQ(Count(uca, "<icon>" + m_icon + "</icon>"), 3u);
        EXPECT_NE(uca.find("<command>'" + vtlmenu + "' --invoke 1 %F</command>"), std::string::npos) << uca;
        EXPECT_NE(uca.find("<name>Open Terminal &amp; Here</name>"), std::string::npos) << "the user's action stays";
        EXPECT_NE(uca.find("<startup-notify/>"), std::string::npos);
        // Thunar matches patterns exactly; the handler takes any letter case.
        for (const char* name : {"*.Jpg;", "*.jPEg;", "*.BMP;", "*.gIf;", "*.GIF<"})
            EXPECT_EQ(Count(uca, name), 3u) << name;
    }
    // The application's own icon, not the 13-pixel mark of the module's menu.
    const std::string png = vtltest::ReadFile(m_icon);
    ASSERT_GT(png.size(), 24u);
    EXPECT_GE(static_cast<unsigned char>(png[18]) << 8 | static_cast<unsigned char>(png[19]), 64) << "icon width";

    const RunResult run = RunVtlMenu({"--unregister"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(fs::exists(m_serviceMenu) || fs::exists(m_icon));
    const std::string uca = vtltest::ReadFile(m_uca);
    EXPECT_EQ(uca.find("vantrel"), std::string::npos) << uca;
    EXPECT_NE(uca.find("<name>Open Terminal &amp; Here</name>"), std::string::npos);
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

} // namespace
