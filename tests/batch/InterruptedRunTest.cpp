// A real vtl process stopped in the middle of "Resize as default setting" over the user's own
// pictures, each turned and written over itself, its original kept in the trash: a stop signal
// (a logout, a kill, Ctrl+C) ends it cleanly, and what a kill -9 leaves behind is swept by the
// next run over the folder. Either way every picture is whole: the old one byte for byte, or
// the new one, and every original in the trash is whole with its record.
#include "app/model/AppSetting.h"
#include "app/model/base/HandoffQueue.h"
#include "platform/ReplaceFile.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Pictures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace vtltest;

class InterruptedRun : public testing::Test {
  protected:
    void SetUp() override {
        CAppSetting setting;
        setting.m_resize.bOverwrite = setting.m_resize.bRotate = 1;
        ASSERT_TRUE(setting.SaveResizeSetting());
    }

    void MakePictures() {
        m_dir = MakeTempDir("pictures");
        m_files = vtltest::MakePictures(m_dir, 16, 2400, 1800);
        m_original = ReadFile(m_files[0]);
    }
    // Runs vtl over the pictures, answering "Yes to all"; `kill` (when given) is sent after
    // `afterMs`, or without it once the first picture has been replaced and another one is
    // being written.
    ProgramRun RunVtl(int kill = 0, std::optional<int> afterMs = std::nullopt) {
        EXPECT_TRUE(CHandoffQueue::Open(true)->Post(HANDOFF_RESIZE_DEFAULT, m_files));
        const auto inode = [this] {
            struct stat now {};
            stat(m_files[0].c_str(), &now);
            return now.st_ino;
        };
        const ino_t before = inode();
        return RunProgram(
            VTL_BIN_DIR "/vtl", {}, {{"VTL_AUTOCLICK", "IDC_YESTOALL"}}, 60, [&](int pid) {
                if (afterMs)
                    std::this_thread::sleep_for(std::chrono::milliseconds(*afterMs));
                else if (kill) // not for ever: a run may end with no moment to kill
                    WaitUntil([&] { return inode() != before && !Leftovers().empty(); }, 30);
                if (kill)
                    ::kill(pid, kill);
            });
    }
    // The paths in `folder` whose names start with `prefix`.
    static std::vector<std::string> Named(const std::string& folder, const std::string& prefix) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().starts_with(prefix))
                found.push_back(entry.path().string());
        return found;
    }
    std::vector<std::string> Leftovers() const { return Named(m_dir, plat::kTempFilePrefix); }
    // Each picture is the old one, or the new one whole; returns how many are new.
    int CountTurned() const {
        int turned = 0;
        for (const std::string& file : m_files) {
            const bool isNew = Inspect(file) == PictureFacts{1800, 2400, 3};
            EXPECT_TRUE(isNew || ReadFile(file) == m_original) << file;
            turned += isNew;
        }
        return turned;
    }

    // Every file in the trash is one of `originals` byte for byte, with its record; returns how
    // many records have no file (what a kill between the two leaves).
    std::size_t CheckTrash(const std::set<std::string>& originals) const {
        std::size_t orphans = 0;
        for (const std::string& name : FolderNames(m_trash + "/files"))
            EXPECT_TRUE(originals.contains(ReadFile(m_trash + "/files/" + name))) << name;
        for (const std::string& record : FolderNames(m_trash + "/info"))
            orphans += !fs::exists(m_trash + "/files/" + record.substr(0, record.rfind('.')));
        EXPECT_EQ(FolderNames(m_trash + "/files").size() + orphans,
                  FolderNames(m_trash + "/info").size());
        return orphans;
    }

    const std::string m_data = MakeTempDir("data");
    const ScopedEnv m_env{{{"XDG_DATA_HOME", m_data}}};
    const std::string m_trash = m_data + "/Trash";
    std::string m_dir;
    std::vector<std::string> m_files;
    std::string m_original;
};

TEST_F(InterruptedRun, OverwritingTwoPicturesLeavesBothOriginalsInTheTrash) {
    m_dir = MakeTempDir("pictures");
    m_files = {MakePicture(m_dir + "/a b.jpg", 300, 200), MakePicture(m_dir + "/c.png", 200, 300)};
    const std::vector<std::string> originals = {ReadFile(m_files[0]), ReadFile(m_files[1])};
    const ProgramRun run = RunVtl();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Inspect(m_files[1]).width, 300) << "turned";
    for (int i = 0; i < 2; ++i) {
        const std::string name = fs::path(m_files[i]).filename().string();
        EXPECT_TRUE(ReadFile(m_trash + "/files/" + name) == originals[i]) << name;
        EXPECT_NE(ReadFile(m_trash + "/info/" + name + ".trashinfo")
                      .find("\nPath=" + fs::canonical(m_dir).string() + "/" +
                            (i ? "c.png" : "a%20b.jpg") + "\n"),
                  std::string::npos);
    }
}

// kill -9 at random moments, then once while a picture is being written: no picture is ever
// lost or half written, the trash holds only whole originals, and the next run sweeps the
// temporary file and the records without their files that the kills left.
TEST_F(InterruptedRun, AKillAtAnyMomentLosesNoPictureAndTheNextRunSweeps) {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 6; ++attempt) {
        const int afterMs = std::uniform_int_distribution<int>(0, 2000)(random);
        SCOPED_TRACE("killed after " + std::to_string(afterMs) + " ms");
        MakePictures();
        RunVtl(SIGKILL, afterMs);
        // A run killed before it took its record leaves it queued: the next vtl would take that
        // one, over a folder no longer looked at.
        std::vector<std::string> unused;
        while (CHandoffQueue::Open(true)->Take("", unused))
            ;
        CountTurned();
        CheckTrash({m_original});
    }
    // A picture may be committed between the look and the kill: then kill another run.
    for (int attempt = 0; attempt == 0 || (attempt < 5 && Leftovers().empty()); ++attempt) {
        MakePictures();
        ASSERT_EQ(RunVtl(SIGKILL).signal, SIGKILL);
    }
    ASSERT_FALSE(Leftovers().empty());
    CountTurned();
    CheckTrash({m_original});
    // A minute later, the next run over the last folder; what it replaces goes to the trash too.
    std::set<std::string> originals = {m_original};
    for (const std::string& file : m_files)
        originals.insert(ReadFile(file));
    const timeval old[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const std::string& leftover : Leftovers())
        utimes(leftover.c_str(), old);
    for (const std::string& record : FolderNames(m_trash + "/info"))
        utimes((m_trash + "/info/" + record).c_str(), old);
    const ProgramRun next = RunVtl();
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    EXPECT_EQ(CheckTrash(originals), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 16);
}

TEST_F(InterruptedRun, AStopSignalEndsTheRunAndLeavesNoTemporaryFile) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        MakePictures();
        const ProgramRun run = RunVtl(signal);
        EXPECT_EQ(run.signal, signal) << run.err;
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});
        const int turned = CountTurned();
        EXPECT_GE(turned, 1);
        EXPECT_LT(turned, 16) << "the run stopped";
    }
}

// "Resize and mail" stopped while the mail program shows its message (it stays open until the
// person sends it): the run's own copies and their folder in the temporary folder go, the mail
// program keeps its copies in the spool and goes on, and vtl ends by the signal.
TEST_F(InterruptedRun, AStopSignalWhileTheMailProgramIsOpenLeavesOnlyItsCopies) {
    CAppSetting setting;
    setting.m_resize.bOverwrite = 0; // the outputs go into the run's own folder
    ASSERT_TRUE(setting.SaveResizeSetting());
    const auto runFolders = [] { return Named(std::getenv("TMPDIR"), "vtl-mail-"); };
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string mailer = MakeTempDir("mailer");
        const FakeMailProgram mail("touch '" + mailer + "/open'; while [ ! -e '" + mailer +
                                   "/sent' ]; do sleep 0.05; done");
        mail.Install();
        MakePictures();
        const std::vector<std::string> two(m_files.begin(), m_files.begin() + 2);
        ASSERT_TRUE(CHandoffQueue::Open(true)->Post(HANDOFF_RESIZE_DEFAULT_MAIL, two));
        bool open = false;
        std::size_t folders = 0;
        const ProgramRun run = RunProgram(
            VTL_BIN_DIR "/vtl", {}, {{"VTL_AUTOCLICK", "IDC_YESTOALL"}}, 60, [&](int pid) {
                open = WaitUntil([&] { return fs::exists(mailer + "/open"); }, 30);
                folders = runFolders().size();
                ::kill(pid, signal);
            });
        const bool running = !fs::exists(mailer + "/sent");
        WriteFile(mailer + "/sent", ""); // the person sends it
        ASSERT_TRUE(open) << "the mail program was started";
        EXPECT_TRUE(running);
        EXPECT_EQ(run.signal, signal) << run.err;
        EXPECT_EQ(folders, 1u) << "the run's folder, while the mail program was open";
        EXPECT_EQ(runFolders(), std::vector<std::string>{});
        const std::vector<std::string> copies = mail.AttachedPaths();
        ASSERT_EQ(copies.size(), 2u);
        for (std::size_t i = 0; i < copies.size(); ++i)
            EXPECT_EQ(ReadFile(copies[i]), mail.AttachedBytes()[i]) << copies[i];
    }
}

} // namespace
