// vtlmenu as file managers and scripts run it: a real process, the real module, the test
// program's own hand-off queue, and a fake application that takes its record, or the built vtl.
#include "app/model/AppSetting.h"
#include "platform/Registry.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/FakeMailProgram.h"
#include "tests/support/Pictures.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace shellexttest;
namespace fs = std::filesystem;
using RunResult = vtltest::ProgramRun;

// Runs the built vtlmenu and waits for it; `env` changes its environment as RunProgram's does.
RunResult RunVtlMenu(const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env = {}) {
    return vtltest::RunProgram(VTL_BIN_DIR "/vtlmenu", args, env);
}

using VtlMenu = WithFakeApplication;

// The menus --menu prints are tested with the options that change them.
TEST_F(VtlMenu, InvokeHandsThePicturesOverAsFullPathsInOrder) {
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    for (const std::uint32_t command : {0u, 1u, 2u}) {
        fs::remove(m_vtl + ".started");
        // The file manager's activation token goes on to the application, which is raised
        // with it.
        const std::string token = "token-" + std::to_string(command);
        const RunResult run =
            RunVtlMenu({"--invoke", std::to_string(command), "a.jpg", "b.txt", "./sub/../d.gif"},
                       {{"XDG_ACTIVATION_TOKEN", token}, {"DESKTOP_STARTUP_ID", token + "_TIME1"}});
        ASSERT_EQ(std::pair(run.status, run.err), std::pair(0, std::string()));
        EXPECT_EQ(TakenRecord(), std::pair(command, Files{m_dir + "/a.jpg", m_dir + "/d.gif"}))
            << "the application took its record before vtlmenu returned";
        EXPECT_EQ(WaitForStart(), "0\n") << "started by its path, with no arguments";
        EXPECT_EQ(vtltest::ReadFile(m_vtl + ".token"), token + "|" + token + "_TIME1\n");
        EXPECT_TRUE(QueueUntouched());
    }
    fs::current_path(before);
}

TEST_F(VtlMenu, FailuresTellAScriptWhatHappenedAndWriteNothing) {
    const std::string queue = plat::RecordQueuePath(HandoffQueueName()), a = m_dir + "/a.jpg";
    const std::string fifo = queue + " is a FIFO, not a folder. Remove it and try again.";
    const std::string notFound =
        "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!";
    // Selections that do not fit are refused whole, before the queue is touched.
    const std::string tooLong = m_dir + "/" + std::string(130, 'x') + "/" + std::string(130, 'x');
    Files tooMany(HANDOFF_MAX_FILES + 1, a);
    tooMany.insert(tooMany.begin(), {"--invoke", "1"});
    // A settings file that cannot be read is named with what is wrong with it, not taken for
    // a missing "location".
    const std::string hive = plat::RegistryHiveFile(plat::HKEY_CURRENT_USER);
    const std::string bad = "Vantrel's settings file " + hive + " cannot be read (";
    const Files one = {"--invoke", "1", a};
    const std::string& vtl = m_vtl;
    // Arguments, "location", what takes the settings file's place, exit status, a part of
    // standard error; every run with a display that cannot be reached.
    using Case = std::tuple<Files, std::string, std::string, int, std::string>;
    std::vector<Case> cases = {
        {one, m_dir + "/gone/vtl", "", 1, notFound},
        {{"--invoke", "0", a}, "", "", 1, notFound},
        {{"--invoke", "1", a, tooLong + ".jpg"}, vtl, "", 1, "The path of this picture is too"},
        {tooMany, vtl, "", 1, "Vantrel can take at most 251 pictures"},
        {{"--invoke", "1", m_dir + "/notes.txt"}, vtl, "", 4, "none of the files is a picture"},
        {{"--invoke", "3", a}, vtl, "", 2, "no command 3"},
        // A program that ends without taking the pictures: nothing is left waiting for a start
        // that would never come.
        {one, "/bin/true", "", 1, "Vantrel ended before it took the pictures"},
        {one, vtl, "FIFO", 1, bad + "it is a FIFO, not a plain file), so where vtl is"},
        {one, vtl, "folder", 1, bad + "it is a folder, not a plain file)"},
        {one, vtl, "link to /dev/zero", 1, bad + "it is a device, not a plain file)"},
        {one, vtl, "17 MiB", 1, bad + "it is larger than 16 MiB)"},
        // Last, since it takes the queue's place until the end.
        {one, vtl, "", 1, fifo},
    };
    if (geteuid() != 0) // root reads any file
        cases.insert(cases.begin(), Case{one, vtl, "mode 000", 1, bad + "Permission denied)"});
    for (const auto& [args, location, settings, status, err] : cases) {
        SetLocation(location);
        if (err == fifo)
            fs::remove_all(queue), mkfifo(queue.c_str(), 0600);
        if (settings == "FIFO")
            fs::remove(hive), mkfifo(hive.c_str(), 0600);
        else if (settings == "folder")
            fs::remove(hive), fs::create_directory(hive);
        else if (settings == "link to /dev/zero")
            fs::remove(hive), fs::create_symlink("/dev/zero", hive);
        else if (settings == "17 MiB")
            vtltest::WriteFile(hive, vtltest::ReadFile(hive) + std::string(17 << 20, ';'));
        else if (settings == "mode 000")
            fs::permissions(hive, fs::perms::none);
        const RunResult run = RunVtlMenu(args, {{"DISPLAY", ":97"}, {"QT_QPA_PLATFORM", ""}});
        EXPECT_EQ(run.status, status) << err;
        EXPECT_NE(run.err.find(err), std::string::npos) << run.err;
        if (!settings.empty())
            fs::remove_all(hive);
    }
    fs::remove(queue); // the FIFO
    EXPECT_EQ(std::pair(QueueUntouched(), NeverStarted()), std::pair(true, true));
}

class VtlMenuIntegration : public VtlMenu {
  protected:
    void TearDown() override { RunVtlMenu({"--unregister"}); }
    // The user's data and configuration folders and the system's, all fresh.
    const std::string m_data = vtltest::MakeTempDir("data"),
                      m_config = vtltest::MakeTempDir("config");
    const std::string m_systemDir = vtltest::MakeTempDir("xdg");
    const vtltest::ScopedEnv m_env{{{"XDG_DATA_HOME", m_data},
                                    {"XDG_CONFIG_HOME", m_config},
                                    {"XDG_CONFIG_DIRS", m_systemDir}}};
    const std::string m_serviceMenu = m_data + "/kio/servicemenus/vantrel.desktop",
                      m_folderMenu = m_data + "/kio/servicemenus/vantrel-folders.desktop";
    const std::string m_icon = m_data + "/vantrel/vantrel.png",
                      m_uca = m_config + "/Thunar/uca.xml";
};

const char* kUserActions = R"(<?xml version="1.0" encoding="UTF-8"?>
<actions>
<action><icon>utilities-terminal</icon><name>Open Terminal &amp; Here</name><unique-id>1700000000000000-1</unique-id>
<command>exo-open --working-directory %f</command><patterns>*</patterns><startup-notify/><directories/></action>
</actions>
)";

// Each part occurs `count` times in the file at `path`.
void ExpectParts(const std::string& path, std::size_t count, const Files& parts) {
    const std::string text = vtltest::ReadFile(path);
    for (const std::string& part : parts) {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        EXPECT_EQ(n, count) << part << " in " << path << ":\n" << text;
    }
}

TEST_F(VtlMenuIntegration, RegisterInstallsEveryFileManagerOnceAndUnregisterRemovesOnlyOurs) {
    // Without a list of the user's, Thunar shows the system's: it is kept, and so on registering
    // again.
    fs::create_directories(m_systemDir + "/Thunar");
    vtltest::WriteFile(m_systemDir + "/Thunar/uca.xml", kUserActions);
    const std::string vtlmenu = std::string(VTL_BIN_DIR) + "/vtlmenu",
                      userAction = "<name>Open Terminal &amp; Here</name>";
    for (int round = 0; round < 2; ++round) { // registering again replaces our entries
        // The application beside vtlmenu is recorded when none is, so the first right-click
        // works; a location the application recorded stays.
        SetLocation(round == 0 ? "" : m_vtl);
        const RunResult run = RunVtlMenu({"--register"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(),
                  fs::canonical(VTL_LIB_DIR "/libVtlExt.so").string())
            << "a host finds the module as the shell does";
        EXPECT_TRUE(LocationIs(round == 0 ? std::string(VTL_BIN_DIR) + "/vtl" : m_vtl)) << round;
        for (const auto& [menu, types, name] :
             {std::tuple(m_serviceMenu, PictureMimeTypes(), "Resize and mail"),
              {m_folderMenu, "inode/directory;", "Resize pictures in this folder and mail"}}) {
            ExpectParts(menu, 1,
                        {"X-KDE-Submenu=Vantrel\nIcon=" + m_icon + "\n", "MimeType=" + types + "\n",
                         "Name=" + std::string(name) + "\n",
                         "Exec=\"" + vtlmenu + "\" --invoke 2 %F\n"});
            EXPECT_NE(fs::status(menu).permissions() & fs::perms::owner_exec, fs::perms::none)
                << "Dolphin runs only executable service menus";
        }
        // Thunar matches patterns exactly; the handler takes any letter case.
        ExpectParts(m_uca, 3,
                    {"<unique-id>vantrel-folder-", "<image-files/>", "*.Jpg;", "*.jPEg;", "*.BMP;",
                     "*.gIf;", "*.heIC;", "*.JXL<"});
        ExpectParts(m_uca, 6, {"<unique-id>vantrel-", "<icon>" + m_icon + "</icon>"});
        ExpectParts(m_uca, 4, {"<directories/>"}); // the user's action and our three
        ExpectParts(m_uca, 2, {"<command>'" + vtlmenu + "' --invoke 1 %F</command>"});
        ExpectParts(m_uca, 1,
                    {userAction, "<startup-notify/>",
                     "<name>Resize pictures in this folder as default setting</name>"});
    }

    const RunResult run = RunVtlMenu({"--unregister"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(vtlext::CExtensionModule::RegisteredPath(), "");
    EXPECT_FALSE(fs::exists(m_serviceMenu) || fs::exists(m_folderMenu) || fs::exists(m_icon));
    ExpectParts(m_uca, 0, {"vantrel"});
    ExpectParts(m_uca, 1, {userAction});

    // A list of the user's that is not well formed is left as it is; the others are served.
    const std::string broken = "<?xml version=\"1.0\"?>\n<actions>\n<action><name>Mine</name>\n";
    vtltest::WriteFile(m_uca, broken);
    const RunResult refused = RunVtlMenu({"--register"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("not a well-formed list of Thunar actions"), std::string::npos)
        << refused.err;
    EXPECT_EQ(std::pair(vtltest::ReadFile(m_uca), fs::exists(m_serviceMenu)),
              std::pair(broken, true));
}

// Writes the options sheet's "Menu Context" choices into the application's settings key, as
// "1"/"0" for "Vantrel", "Resize", "Resize as default setting", "Resize and mail" and the mail
// mode ("Resize as default setting and mail").
void SetMenuChoices(const std::string& flags) {
    const char* names[] = {"ExtVantrel", "ExtResize", "ExtResizeAsDefaultSetting",
                           "ExtResizeAndMail", "ExtResizeDefaultAndMail"};
    for (std::size_t i = 0; i < 5; ++i)
        SetSetting(names[i], plat::REG_DWORD, std::string{char(flags[i] == '1'), 0, 0, 0});
}

// The menu offers what the "Menu Context" page ticks, each command under its own number; a
// command turned off answers so when a menu file still names it; --update (which vtl runs when
// the options are confirmed) rewrites the user's Dolphin and Thunar menus to match.
TEST_F(VtlMenuIntegration, TheMenusOfferWhatTheOptionsTick) {
    SetLocation(m_vtl);
    ASSERT_EQ(RunVtlMenu({"--register"}).status, 0);
    const std::string all =
        "Vantrel\n  0 Resize...\n  1 Resize as default setting\n  2 Resize and mail\n";
    const std::string mailByDialog = "Opens the Vantrel resize dialog, where";
    struct Case {
        const char* flags;
        std::string menu;    // --menu on a picture
        unsigned offset;     // then --invoke of this command
        int command;         // the command handed over; -1: it is turned off
        const char* dolphin; // the service menu's actions after --update; "" for no file
    };
    const Case cases[] = {
        {"11111", all, 2, HANDOFF_RESIZE_DEFAULT_MAIL, "vantrel0;vantrel1;vantrel2;"},
        // "Display resize dialog then mail": the dialog, whose "Resize and mail" mails.
        {"11110", all, 2, HANDOFF_RESIZE_DIALOG, "vantrel0;vantrel1;vantrel2;"},
        {"10011", "Vantrel\n  2 Resize and mail\n", 0, -1, "vantrel2;"},
        {"01111", "", 1, -1, ""},
    };
    const char* names[] = {"Resize...", "Resize as default setting", "Resize and mail"};
    const std::string a = m_dir + "/a.jpg";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        SetMenuChoices(c.flags);
        EXPECT_EQ(RunVtlMenu({"--menu", a}).out, c.menu);
        ClearQueue();
        fs::remove(m_vtl + ".started");
        fs::remove(m_vtl + ".record");
        const RunResult run = RunVtlMenu({"--invoke", std::to_string(c.offset), a},
                                         {{"DISPLAY", ":97"}, {"QT_QPA_PLATFORM", ""}});
        if (c.command >= 0) {
            EXPECT_EQ(std::tuple(run.status, WaitForStart(), TakenRecord()),
                      std::tuple(0, "0\n", std::pair(std::uint32_t(c.command), Files{a})))
                << run.err;
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find("\"" + std::string(names[c.offset]) +
                                   "\" is turned off in Vantrel's options"),
                      std::string::npos)
                << run.err;
            EXPECT_EQ(std::pair(QueueUntouched(), NeverStarted()), std::pair(true, true));
        }

        EXPECT_EQ(RunVtlMenu({"--update"}).status, 0);
        if (*c.dolphin) {
            ExpectParts(m_serviceMenu, 1, {"Actions=" + std::string(c.dolphin) + "\n"});
            ExpectParts(m_uca, 2 * std::count(c.dolphin, c.dolphin + std::strlen(c.dolphin), ';'),
                        {"<unique-id>vantrel-"});
            ExpectParts(m_uca, 2 * (c.flags[4] == '0'), {mailByDialog});
        } else {
            EXPECT_FALSE(fs::exists(m_serviceMenu));
            ExpectParts(m_uca, 0, {"vantrel"});
        }
    }
}

// The shell road end to end: vtlmenu plays the file manager, the module writes the hand-off block
// and starts the built vtl, vtl resizes with the saved settings and hands the outputs to a fake
// mail program.
class ShellRoad : public testing::Test {
  protected:
    void SetUp() override {
        // The saved parameters: half the size.
        CAppSetting setting;
        setting.m_resize.nWidth = setting.m_resize.nHeight = 50;
        const auto saved = setting.SaveResizeSetting();
        ASSERT_TRUE(saved && saved->notice.empty());
        SetLocation(VTL_BIN_DIR "/vtl");
    }
    const std::string m_tmp = vtltest::MakeTempDir("tmp"), m_dir = vtltest::MakeTempDir("pictures");
    const vtltest::ScopedEnv m_env{{{"TMPDIR", m_tmp}}};
};

// The mail goes to VTL_MAIL_COMMAND's program ('m'), else to the desktop portal on a private bus
// ('p'), else, with no route at all ('f'), into a new folder of Pictures.
TEST_F(ShellRoad, ResizeAndMailFromTheMenuReachesTheMailProgram) {
    for (const char* name : {"a.jpg", "c.JPEG", "d.gif"})
        vtltest::MakePicture(m_dir + "/" + name, 320, 240);
    vtltest::WriteFile(m_dir + "/b.txt", "not a picture");
    for (const char road : {'m', 'p', 'f'}) {
        SCOPED_TRACE(road);
        vtltest::FakeMailProgram mail;
        const std::string home = vtltest::MakeTempDir("home");
        const std::string kept = home + "/Pictures/Vantrel mail";
        vtltest::ScopedEnv env(
            {{"HOME", home}, {"XDG_PICTURES_DIR", ""}, {"VTL_AUTOCLICK", "IDOK"}});
        std::unique_ptr<vtltest::PrivateBus> bus;
        if (road == 'm') {
            mail.Install();
        } else {
            env.Set("VTL_MAIL_COMMAND", "");
            env.Set("PATH", vtltest::MakeTempDir("no-programs"));
            if (road == 'p')
                bus = std::make_unique<vtltest::PrivateBus>("0");
        }
        const RunResult run = RunVtlMenu({"--invoke", "2", m_dir + "/a.jpg", m_dir + "/b.txt",
                                          m_dir + "/c.JPEG", m_dir + "/d.gif"});
        ASSERT_EQ(run.status, 0) << run.err;

        // vtl runs on its own; it is done once the mail reached its road and the temporary
        // copies, which it deletes after the mail program returned, are gone.
        Files files, bytes;
        const auto reached = [&] {
            if (road == 'm')
                files = mail.AttachedPaths(), bytes = mail.AttachedBytes();
            else if (road == 'p' && bus->Calls().size() == 1)
                files = bus->Calls()[0].names, bytes = bus->Calls()[0].bytes;
            for (const std::string& folder : vtltest::FolderNames(kept))
                for (const std::string& name : vtltest::FolderNames(kept + "/" + folder))
                    files.push_back(kept + "/" + folder + "/" + name),
                        bytes.push_back(vtltest::ReadFile(files.back()));
            return files.size() == 3 && fs::is_empty(m_tmp);
        };
        ASSERT_TRUE(vtltest::WaitUntil([&] { return files.clear(), bytes.clear(), reached(); }, 60))
            << "vtl never reached the mail's road, or left its temporary copies";
        EXPECT_TRUE(QueueUntouched()) << "vtl took the record";
        for (std::string& file : files)
            file = fs::path(file).filename();
        EXPECT_EQ(files, (Files{"a.jpg", "c.JPEG", "d.gif"}));
        for (const std::string& picture : bytes) {
            const vips::VImage image =
                vips::VImage::new_from_buffer(picture.data(), picture.size(), "");
            EXPECT_EQ(std::make_pair(image.width(), image.height()), std::make_pair(160, 120));
        }
        EXPECT_FALSE(fs::exists(m_dir + "/resize")) << "nothing is written beside the sources";
    }
}

// A folder is handed over as one path; vtl resizes the pictures in it and its sub-folder, and
// not the outputs of an earlier run.
TEST_F(ShellRoad, AFolderFromTheMenuGivesOneOutputPerPictureInItsTree) {
    for (const char* name : {"a.jpg", "sub/b.jpg", "resize/old.jpg"}) {
        fs::create_directories(fs::path(m_dir + "/" + name).parent_path());
        vtltest::MakePicture(m_dir + "/" + name, 320, 240);
    }
    // vtl runs on after vtlmenu returned: started through a script that notes when it ended.
    const std::string ended = m_tmp + "/ended", start = vtltest::MakeTempDir("bin") + "/vtl";
    vtltest::WriteFile(start, "#!/bin/sh\n\"" VTL_BIN_DIR "/vtl\"\ntouch \"" + ended + "\"\n");
    fs::permissions(start, fs::perms::owner_all);
    SetLocation(start);
    const RunResult run = RunVtlMenu({"--invoke", "1", m_dir});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(vtltest::WaitUntil([&] { return fs::exists(ended); }, 60));
    EXPECT_EQ(vtltest::Inspect(m_dir + "/resize/a.jpg").width, 160);
    EXPECT_EQ(vtltest::Inspect(m_dir + "/sub/resize/b.jpg").width, 160);
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(m_dir), {}), 8)
        << "5 files, 3 folders";
}

// Busy loops on every core and one more, for as long as it lives: a machine too busy to start
// programs quickly.
class BusyMachine {
  public:
    BusyMachine() {
        for (unsigned i = 0; i <= std::thread::hardware_concurrency(); ++i)
            if (const pid_t pid = fork(); pid == 0)
                for (;;)
                    std::atomic_signal_fence(
                        std::memory_order_seq_cst); // a loop the compiler keeps
            else if (pid > 0)
                m_loops.push_back(pid);
    }
    ~BusyMachine() {
        for (const pid_t pid : m_loops)
            kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }

  private:
    std::vector<pid_t> m_loops;
};

// How many of the pictures have their output at half the width in the resize folder beside them.
int Resized(const std::vector<Files>& selections) {
    int resized = 0;
    for (const Files& pictures : selections)
        for (const auto& picture : pictures) {
            const fs::path path(picture);
            resized +=
                vtltest::Inspect(path.parent_path() / "resize" / path.filename()).width == 960;
        }
    return resized;
}

// Every other command where the session has no runtime folder: its queue is then in /dev/shm.
TEST_F(ShellRoad, TwentyCommandsAtOnceOnABusyMachineResizeEveryPicture) {
    constexpr int kCommands = 20, kPictures = 3;
    std::vector<Files> selections(kCommands);
    for (Files& pictures : selections)
        pictures = vtltest::MakePictures(vtltest::MakeTempDir("wallpapers"), kPictures, 1920, 1080);
    const std::string shm = "/dev/shm/" + HandoffQueueName().shm + "-" + std::to_string(geteuid());
    std::vector<RunResult> runs(kCommands);
    {
        const BusyMachine busy;
        std::vector<std::thread> menus;
        for (int i = 0; i < kCommands; ++i)
            menus.emplace_back([&, i] {
                Files args{"--invoke", "1"};
                args.insert(args.end(), selections[i].begin(), selections[i].end());
                runs[i] = RunVtlMenu(args, {{"XDG_RUNTIME_DIR",
                                             i % 2 ? "" : vtltest::Sandbox::Root() + "/runtime"}});
            });
        for (auto& menu : menus)
            menu.join();
        // vtl runs on after vtlmenu returned: done once every output is there (each is written
        // under another name and renamed, so one that is there is whole).
        vtltest::WaitUntil([&] { return Resized(selections) == kCommands * kPictures; }, 60);
    }
    for (const RunResult& run : runs)
        EXPECT_EQ(run.status, 0) << run.err; // every vtlmenu saw its command taken
    EXPECT_EQ(Resized(selections), kCommands * kPictures)
        << "pictures resized of " << kCommands * kPictures;
    EXPECT_TRUE(QueueUntouched());
    EXPECT_TRUE(fs::is_directory(shm) && fs::is_empty(shm)) << shm;
    fs::remove_all(shm);
}

} // namespace
