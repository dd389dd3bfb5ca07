// The shell road end to end through real processes: vtlmenu plays the file manager, the
// module writes the hand-off block and starts the built vtl, vtl resizes with the saved
// settings and hands the outputs to a fake mail program.
#include "app/core/AppSetting.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace shellexttest;
namespace fs = std::filesystem;

const std::string kVtl = std::string(VTL_BIN_DIR) + "/vtl";

class ShellRoad : public testing::Test {
protected:
    void SetUp() override {
        m_tmp = vtltest::MakeTempDir("tmp");
        setenv("TMPDIR", m_tmp.c_str(), 1);
        m_dir = vtltest::MakeTempDir("pictures");
        // The saved parameters: half the size.
        CAppSetting setting;
        setting.m_resize.nWidth = 50;
        setting.m_resize.nHeight = 50;
        ASSERT_EQ(setting.SaveResizeSetting(), "");
        SetLocation(kVtl);
    }
    std::string File(const char* name) const { return m_dir + "/" + name; }

    std::string m_tmp;
    std::string m_dir;
};

TEST_F(ShellRoad, ResizeAndMailFromTheMenuReachesTheMailProgram) {
    for (const char* name : {"a.jpg", "c.JPEG", "d.gif"})
        vtltest::MakePicture(File(name), 320, 240);
    vtltest::WriteFile(File("b.txt"), "not a picture");
    vtltest::FakeMailProgram mail;
    mail.Install();
    const RunResult run = RunVtlMenu({"--invoke", "2", File("a.jpg"), File("b.txt"), File("c.JPEG"), File("d.gif")});
    ASSERT_EQ(run.status, 0) << run.err;

    // vtl runs on its own; it is done once the mail program ran and the temporary copies,
    // which it deletes after the mail program returned, are gone.
    ASSERT_TRUE(vtltest::WaitUntil([&] { return mail.Ran() && fs::is_empty(m_tmp); }, 60))
        << "vtl never reached the mail program, or left its temporary copies";
    EXPECT_TRUE(PendingRecord().second.empty()) << "vtl took the record";
    const auto attached = mail.AttachedPaths();
    const auto bytes = mail.AttachedBytes();
    ASSERT_EQ(attached.size(), 3u);
    const char* names[] = {"a.jpg", "c.JPEG", "d.gif"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(fs::path(attached[i]).filename(), names[i]);
        const vips::VImage image = vips::VImage::new_from_buffer(bytes[i].data(), bytes[i].size(), "");
        EXPECT_EQ(std::make_pair(image.width(), image.height()), std::make_pair(160, 120)) << names[i];
    }
    EXPECT_FALSE(fs::exists(m_dir + "/resize")) << "nothing is written beside the sources";
}

TEST_F(ShellRoad, TenCommandsInARowOverTenFoldersResizeAllTen) {
    std::vector<std::string> folders;
    for (int i = 0; i < 10; ++i) {
        folders.push_back(vtltest::MakeTempDir("folder"));
        vtltest::MakePicture(folders.back() + "/a.jpg", 320, 240);
    }
    for (const auto& folder : folders) {
        const RunResult run = RunVtlMenu({"--invoke", "1", folder + "/a.jpg"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    for (const auto& folder : folders)
        EXPECT_TRUE(vtltest::WaitUntil([&] { return fs::exists(folder + "/resize/a.jpg"); }, 60)) << folder;
}

} // namespace
