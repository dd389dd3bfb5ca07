// The launch modes through real processes: the test leaves a hand-off record as the extension
// writes it (in the test program's own queue, see Sandbox.h), starts the built vtl offscreen,
// and looks at what it wrote and what is left in the queue. "Resize and mail" runs end to end in
// tests/shellext/VtlMenuTest.cpp (ShellRoad).
#include "app/model/AppSetting.h"
#include "app/model/base/HandoffQueue.h"
#include "platform/Registry.h"
#include "tests/support/Pictures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Whether the browser opened since the last look: it saves the layout, "location" with it, as
// it closes (each run that may open it closes it through File > Exit).
bool BrowserOpened() {
    plat::HKEY key = nullptr;
    if (plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0,
                           plat::KEY_ALL_ACCESS, &key) != plat::ERROR_SUCCESS)
        return false;
    const bool saved = plat::RegDeleteValue(key, "location") == plat::ERROR_SUCCESS;
    plat::RegCloseKey(key);
    return saved;
}

class LaunchModes : public testing::Test {
  protected:
    void SetUp() override {
        m_pictures = vtltest::MakeTempDir("pictures");
        m_files = vtltest::MakePictures(m_pictures, 2, 800, 600);
        // The saved parameters: half the size, into the resize folder beside each picture.
        CAppSetting setting;
        setting.m_resize.nWidth = setting.m_resize.nHeight = 50;
        ASSERT_EQ(setting.SaveResizeSetting(), "");
    }
    void HandOff(std::uint32_t command) {
        ASSERT_EQ(m_queue.Post(command, m_files), HandoffWrite::Written);
    }
    static vtltest::ProgramRun Run(const std::string& autoclick = "",
                                   const std::string& vtl = VTL_BIN_DIR "/vtl") {
        const vtltest::ProgramRun run =
            vtltest::RunProgram(vtl, {}, {{"VTL_AUTOCLICK", autoclick}});
        EXPECT_FALSE(run.timedOut) << run.err;
        EXPECT_EQ(run.status, 0) << run.err;
        return run;
    }
    // Whether both outputs are there, each at half the size.
    bool Resized() {
        int written = 0;
        for (const auto& file : m_files)
            written +=
                vtltest::Inspect(m_pictures + "/resize/" + fs::path(file).filename().string())
                    .width == 400;
        fs::remove_all(m_pictures + "/resize");
        return written == 2;
    }
    bool Pending() { return !m_queue.Peek().empty(); }

    std::string m_pictures;
    std::vector<std::string> m_files;
    CHandoffQueue m_queue{true};
};

TEST_F(LaunchModes, ResizeAsDefaultSettingWritesTheOutputsWithoutAWindowAndOnlyOnce) {
    HandOff(HANDOFF_RESIZE_DEFAULT);
    Run();
    EXPECT_FALSE(BrowserOpened());
    EXPECT_FALSE(Pending()) << "the record is taken";
    EXPECT_TRUE(Resized());
    // A second start finds nothing pending and goes on to the browser.
    Run("ID_APP_EXIT");
    EXPECT_TRUE(BrowserOpened());
    EXPECT_FALSE(Resized());
}

TEST_F(LaunchModes, ResizeOpensTheDialogOnTheSelection) {
    // The person closes the dialog, or presses "Resize".
    for (const auto& [button, resized] : {std::pair("IDCANCEL", false), {"IDC_RESIZE_RUN", true}}) {
        HandOff(HANDOFF_RESIZE_DIALOG);
        Run(button);
        EXPECT_FALSE(BrowserOpened()) << button;
        EXPECT_EQ(Resized(), resized) << button;
    }
}

TEST_F(LaunchModes, TheInstalledProgramRunsFromWhereItWasInstalled) {
    // Installed as one component, so that the build's own install_manifest.txt (what
    // "make uninstall" removes) is left alone.
    const std::string prefix = vtltest::MakeTempDir("prefix");
    const auto install = vtltest::RunProgram(
        VTL_CMAKE, {"--install", VTL_BUILD_DIR, "--prefix", prefix, "--component", "Unspecified"});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    HandOff(HANDOFF_RESIZE_DEFAULT);
    Run("", prefix + "/bin/vtl");
    EXPECT_TRUE(Resized());
}

TEST_F(LaunchModes, AnUnlistedCommandOrAQueueInTheWayStartsTheBrowserAndTheQueueIsNamed) {
    HandOff(3);
    Run("ID_APP_EXIT");
    EXPECT_TRUE(BrowserOpened());
    EXPECT_FALSE(Pending());
    EXPECT_FALSE(Resized());

    const std::string path = plat::RecordQueuePath(HandoffQueueName());
    fs::remove_all(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const auto run = Run("IDOK,ID_APP_EXIT");
    EXPECT_NE(run.err.find(path + " is a FIFO"), std::string::npos)
        << "also when started by hand: " << run.err;
    EXPECT_TRUE(BrowserOpened());
}

} // namespace
