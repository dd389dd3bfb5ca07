// The three commands of the file manager's menu, end to end through real processes: the test
// writes the user's hand-off block as the extension does, starts the built vtl offscreen, and
// looks at what it wrote, what the mail program received and what is left of the block.
#include "app/core/AppSetting.h"
#include "app/core/HandoffBlock.h"
#include "platform/SharedMemory.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const std::string kVtl = std::string(VTL_BIN_DIR) + "/vtl";
const std::string kBrowserNotice = "the picture browser is not part of this build";

class LaunchModes : public testing::Test {
protected:
    void SetUp() override {
        static const bool vipsStarted = VIPS_INIT("launch_modes_test") == 0;
        ASSERT_TRUE(vipsStarted);
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"})
            setenv(var, vtltest::MakeTempDir(var).c_str(), 1);
        m_pictures = vtltest::MakeTempDir("pictures");
        m_files = {MakeJpeg("a.jpg", 800, 600), MakeJpeg("b.jpg", 800, 600)};

        // The saved parameters: half the size, into the resize folder beside each picture.
        CAppSetting setting;
        setting.m_resize.nWidth = 50;
        setting.m_resize.nHeight = 50;
        setting.SaveResizeSetting();

        m_mapping = plat::CreateFileMapping(HandoffBlockName(), HANDOFF_BLOCK_SIZE);
        ASSERT_NE(m_mapping, nullptr);
        m_block = static_cast<unsigned char*>(plat::MapViewOfFile(m_mapping));
        ASSERT_NE(m_block, nullptr);
        m_block[0] = 0;
    }
    void TearDown() override {
        if (m_block)
            plat::UnmapViewOfFile(m_block);
        plat::CloseHandle(m_mapping);
    }

    std::string MakeJpeg(const std::string& name, int width, int height) {
        const std::string path = m_pictures + "/" + name;
        (vips::VImage::black(width, height, vips::VImage::option()->set("bands", 3)) + std::vector<double>{200, 120, 40})
            .cast(VIPS_FORMAT_UCHAR)
            .write_to_file(path.c_str());
        return path;
    }
    void HandOff(std::uint32_t command) {
        ASSERT_EQ(WriteHandoff(m_block, command, m_files), HandoffWrite::Written);
    }
    static std::pair<int, int> SizeOf(const std::string& path) {
        const vips::VImage image = vips::VImage::new_from_file(path.c_str());
        return {image.width(), image.height()};
    }
    static vtltest::ProgramRun RunVtl(const std::string& autoclick = "") {
        return vtltest::RunProgram(kVtl, {}, {{"VTL_AUTOCLICK", autoclick}});
    }
    void ExpectOutputs(bool written) {
        for (const char* name : {"a.jpg", "b.jpg"}) {
            const std::string out = m_pictures + "/resize/" + name;
            ASSERT_EQ(fs::exists(out), written) << out;
            if (written) {
                EXPECT_EQ(SizeOf(out), std::make_pair(400, 300)) << out;
            }
        }
    }

    std::string m_pictures;
    std::vector<std::string> m_files;
    plat::FileMapping* m_mapping = nullptr;
    unsigned char* m_block = nullptr;
};

TEST_F(LaunchModes, ResizeAsDefaultSettingWritesTheOutputsWithoutAWindow) {
    HandOff(HANDOFF_RESIZE_DEFAULT);
    const auto run = RunVtl();
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find(kBrowserNotice), std::string::npos) << run.out;
    EXPECT_EQ(m_block[0], 0) << "the record is consumed";
    ExpectOutputs(true);

    // A second start finds nothing pending and goes on to the browser.
    fs::remove_all(m_pictures + "/resize");
    const auto second = RunVtl();
    EXPECT_EQ(second.status, 0);
    EXPECT_NE(second.out.find(kBrowserNotice), std::string::npos) << second.out;
    ExpectOutputs(false);
}

TEST_F(LaunchModes, ResizeAndMailHandsTheOutputsToTheMailProgram) {
    vtltest::FakeMailProgram mail;
    mail.Install();
    HandOff(HANDOFF_RESIZE_DEFAULT_MAIL);
    const auto run = RunVtl();
    ASSERT_FALSE(run.timedOut) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(m_block[0], 0);
    ASSERT_TRUE(mail.Ran());
    const auto attached = mail.AttachedPaths();
    const auto bytes = mail.AttachedBytes();
    ASSERT_EQ(attached.size(), 2u);
    for (std::size_t i = 0; i < attached.size(); ++i) {
        EXPECT_EQ(fs::path(attached[i]).filename(), fs::path(m_files[i]).filename());
        const vips::VImage image = vips::VImage::new_from_buffer(bytes[i].data(), bytes[i].size(), "");
        EXPECT_EQ(image.width(), 400);
        EXPECT_EQ(image.height(), 300);
    }
    // Nothing beside the sources, and the run's temporary copies are gone.
    ExpectOutputs(false);
    EXPECT_TRUE(fs::is_empty(getenv("TMPDIR")));
}

TEST_F(LaunchModes, ResizeOpensTheDialogOnTheSelection) {
    HandOff(HANDOFF_RESIZE_DIALOG);
    // The person closes the dialog: nothing is written.
    const auto cancelled = RunVtl("IDCANCEL");
    ASSERT_FALSE(cancelled.timedOut) << cancelled.err;
    EXPECT_EQ(cancelled.status, 0);
    EXPECT_EQ(cancelled.out.find(kBrowserNotice), std::string::npos);
    ExpectOutputs(false);

    // The person presses "Resize": the dialog's values run.
    HandOff(HANDOFF_RESIZE_DIALOG);
    const auto resized = RunVtl("IDC_RESIZE_RUN");
    ASSERT_FALSE(resized.timedOut) << resized.err;
    EXPECT_EQ(resized.status, 0);
    ExpectOutputs(true);
}

TEST_F(LaunchModes, TheInstalledProgramRunsFromWhereItWasInstalled) {
    // Installed as one component, so that the build's own install_manifest.txt (what
    // "make uninstall" removes) is left alone.
    const std::string prefix = vtltest::MakeTempDir("prefix");
    const auto install = vtltest::RunProgram(
        VTL_CMAKE, {"--install", VTL_BUILD_DIR, "--prefix", prefix, "--component", "Unspecified"});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    HandOff(HANDOFF_RESIZE_DEFAULT);
    const auto run = vtltest::RunProgram(prefix + "/bin/vtl", {});
    ASSERT_FALSE(run.timedOut) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    ExpectOutputs(true);
}

TEST_F(LaunchModes, ABlockInTheWayIsNamedAlsoWhenStartedByHand) {
    plat::UnmapViewOfFile(m_block);
    m_block = nullptr;
    const std::string path = plat::FileMappingPath(HandoffBlockName());
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const auto run = RunVtl("IDOK");
    fs::remove(path);
    ASSERT_FALSE(run.timedOut) << run.err;
    EXPECT_NE(run.err.find(path + " is a FIFO"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find(kBrowserNotice), std::string::npos) << "the program goes on as started by hand";
}

TEST_F(LaunchModes, AnUnlistedCommandStartsTheBrowser) {
    HandOff(3);
    const auto run = RunVtl();
    ASSERT_FALSE(run.timedOut) << run.err;
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(kBrowserNotice), std::string::npos) << run.out;
    EXPECT_EQ(m_block[0], 0);
    ExpectOutputs(false);
}

} // namespace
