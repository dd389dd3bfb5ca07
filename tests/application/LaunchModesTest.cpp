// The launch modes through real processes: the test leaves a hand-off record as the extension
// writes it (in the test program's own queue, see Sandbox.h), starts the built vtl offscreen,
// and looks at what it wrote and what is left in the queue. "Resize and mail" runs end to end in
// tests/shellext/VtlMenuTest.cpp (ShellRoad).
#include "app/model/AppSetting.h"
#include "app/model/base/HandoffQueue.h"
#include "platform/Registry.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Pictures.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;
using namespace vtltest;

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
        m_pictures = MakeTempDir("pictures");
        m_files = MakePictures(m_pictures, 2, 800, 600);
        // The saved parameters: half the size, into the resize folder beside each picture.
        CAppSetting setting;
        setting.m_resize.nWidth = setting.m_resize.nHeight = 50;
        const auto saved = setting.SaveResizeSetting();
        ASSERT_TRUE(saved && saved->notice.empty());
    }
    void HandOff(std::uint32_t command) { ASSERT_TRUE(m_queue->Post(command, m_files)); }
    static void Run(const std::string& autoclick) {
        const ProgramRun run = RunProgram(VTL_BIN_DIR "/vtl", {}, {{"VTL_AUTOCLICK", autoclick}});
        EXPECT_FALSE(run.timedOut) << run.err;
        EXPECT_EQ(run.status, 0) << run.err;
    }
    // Whether both outputs are there, each at half the size.
    bool Resized() {
        int written = 0;
        for (const auto& file : m_files)
            written +=
                Inspect(m_pictures + "/resize/" + fs::path(file).filename().string()).width == 400;
        fs::remove_all(m_pictures + "/resize");
        return written == 2;
    }

    std::string m_pictures;
    std::vector<std::string> m_files;
    plat::Result<CHandoffQueue> m_queue = CHandoffQueue::Open(true);
};

// Each start takes the record waiting for it, once: "Resize as default setting" writes the
// outputs without a window, "Resize" opens the dialog alone, and a start with nothing pending,
// or with a command it does not know, goes on to the browser.
TEST_F(LaunchModes, EachCommandRunsWithoutTheBrowserAndOnlyOnce) {
    // The command handed over (-1: none), what the person clicks, whether the browser opened and
    // the pictures were resized.
    const std::tuple<int, const char*, bool, bool> starts[] = {
        {HANDOFF_RESIZE_DEFAULT, "", false, true},
        {-1, "ID_APP_EXIT", true, false}, // a second start finds nothing pending
        {HANDOFF_RESIZE_DIALOG, "IDCANCEL", false, false},
        {HANDOFF_RESIZE_DIALOG, "IDC_RESIZE_RUN", false, true},
        {3, "ID_APP_EXIT", true, false},
    };
    for (const auto& [command, click, browser, resized] : starts) {
        SCOPED_TRACE(std::to_string(command) + " " + click);
        if (command >= 0)
            HandOff(command);
        Run(click);
        EXPECT_EQ(BrowserOpened(), browser);
        EXPECT_TRUE(m_queue->Peek().empty()) << "the record is taken";
        EXPECT_EQ(Resized(), resized);
    }
}

// A folder handed over stands for its pictures; mailing more than 50 of them is asked first, and
// "No" writes and mails nothing.
TEST_F(LaunchModes, MailingMoreThanFiftyPicturesFromFoldersAsksFirst) {
    const std::string many = MakeTempDir("many");
    MakePictures(many, 51, 16, 16);
    const std::tuple<std::string, const char*, std::size_t> cases[] = {
        {many, "IDNO", 0},
        {many, "IDYES", 51},
        {m_pictures, "IDNO", 2},           // not asked
        {MakeTempDir("none"), "IDOK", 0}}; // told that there are none
    for (const auto& [folder, answer, mailed] : cases) {
        FakeMailProgram mail;
        mail.Install();
        ASSERT_TRUE(m_queue->Post(HANDOFF_RESIZE_DEFAULT_MAIL, {folder}));
        Run(answer);
        EXPECT_EQ(mail.AttachedPaths().size(), mailed) << answer;
        EXPECT_FALSE(fs::exists(folder + "/resize"));
    }
}

// Without a window left, vtl stays for the notice of a run in which a picture failed until the
// person closes it, but no longer than half a minute.
TEST_F(LaunchModes, WithoutAWindowVtlStaysForItsNoticeAtMostHalfAMinute) {
    WriteFile(m_pictures + "/bad.jpg", "not a picture");
    m_files.push_back(m_pictures + "/bad.jpg");
    // What the person does with the notice, and the least and most seconds vtl lives.
    for (const auto& [person, least, most] : {std::tuple("close", 0, 10), {"keep", 29, 40}}) {
        SCOPED_TRACE(person);
        const PrivateBus bus("", person);
        HandOff(HANDOFF_RESIZE_DEFAULT);
        const auto start = std::chrono::steady_clock::now();
        Run("IDOK"); // the message listing the failure
        const auto lived = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(Resized());
        ASSERT_EQ(bus.Notices().size(), 1u);
        EXPECT_EQ(bus.Notices()[0][0], "1 picture could not be resized");
        EXPECT_GE(lived, std::chrono::seconds(least));
        EXPECT_LE(lived, std::chrono::seconds(most));
    }
}

} // namespace
