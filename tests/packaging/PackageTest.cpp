// The Debian packages that `make package` builds (made once by the fixture test
// packaging_build, see CMakeLists.txt): their control fields and file lists as dpkg reads them,
// lintian's and the desktop entry's checks, and the programs run from the payload unpacked with
// dpkg-deb into the test's own folder, as a new user of a system install runs them. Nothing is
// installed.
#include "app/model/AppSetting.h"
#include "tests/support/Pictures.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kVersion = VTL_VERSION;

std::string Deb(const std::string& package) {
    return std::string(VTL_PACKAGE_DIR) + "/" + package + "_" + kVersion + "_amd64.deb";
}

vtltest::ProgramRun Exec(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {}) {
    const vtltest::ProgramRun run = vtltest::RunProgram(program, args, env);
    EXPECT_FALSE(run.timedOut) << program;
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Field(const std::string& package, const std::string& field) {
    const vtltest::ProgramRun run = Exec("dpkg-deb", {"--field", Deb(package), field});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out.empty() ? run.out : run.out.substr(0, run.out.size() - 1);
}

// The names of the packages a Depends field lists, without versions.
std::vector<std::string> DependencyNames(const std::string& depends) {
    std::vector<std::string> names;
    std::istringstream in(depends);
    for (std::string item; std::getline(in, item, ',');) {
        item.erase(0, item.find_first_not_of(' '));
        names.push_back(item.substr(0, item.find_first_of(" (")));
    }
    return names;
}

// Both packages unpacked into one fresh folder, as dpkg would lay them out under /.
std::string Unpacked() {
    const std::string root = vtltest::MakeTempDir("root");
    for (const char* package : {"vantrel", "vantrel-nautilus"}) {
        const vtltest::ProgramRun run = Exec("dpkg-deb", {"-x", Deb(package), root});
        EXPECT_EQ(run.status, 0) << run.err;
    }
    return root;
}

TEST(Package, ControlFieldsNameTheProgramAndWhatItNeeds) {
    // The package, packages its dependencies must name, and packages they must not.
    const std::tuple<std::string, std::vector<std::string>, std::vector<std::string>> cases[] = {
        {"vantrel",
         {"libvips42", "libqt6widgets6", "libqt6gui6", "libexif12", "xdg-utils", "qt6-wayland"},
         {"libgtk-4-1", "libnautilus-extension4", "nautilus"}},
        {"vantrel-nautilus",
         {"vantrel", "libnautilus-extension4", "libgtk-4-1"},
         {"libqt6widgets6"}},
    };
    for (const auto& [package, needed, foreign] : cases) {
        SCOPED_TRACE(package);
        EXPECT_EQ(std::tuple(Field(package, "Package"), Field(package, "Version"),
                             Field(package, "Architecture")),
                  std::tuple(package, kVersion, "amd64"));
        const std::string depends = Field(package, "Depends");
        const std::vector<std::string> names = DependencyNames(depends);
        for (const auto& name : needed)
            EXPECT_EQ(std::ranges::count(names, name), 1) << name << " in " << depends;
        for (const auto& name : foreign)
            EXPECT_EQ(std::ranges::count(names, name), 0) << name << " in " << depends;
    }
    EXPECT_NE(Field("vantrel-nautilus", "Depends").find("vantrel (= " + kVersion + ")"),
              std::string::npos)
        << "the extension loads the module of its own version";
}

TEST(Package, EveryFileIsWhereTheSystemLooksForIt) {
    std::vector<std::string> vantrel = {
        "lrwxrwxrwx ./usr/bin/vtl -> ../lib/vantrel/vtl",
        "lrwxrwxrwx ./usr/bin/vtlmenu -> ../lib/vantrel/vtlmenu",
        "lrwxrwxrwx ./usr/bin/vtlregistry -> ../lib/vantrel/vtlregistry",
        "-rw-r--r-- ./usr/lib/vantrel/libImage.so",
        "-rw-r--r-- ./usr/lib/vantrel/libVtlExt.so",
        "-rwxr-xr-x ./usr/lib/vantrel/vtl",
        "-rwxr-xr-x ./usr/lib/vantrel/vtlmenu",
        "-rwxr-xr-x ./usr/lib/vantrel/vtlregistry",
        "-rw-r--r-- ./usr/share/applications/vantrel.desktop",
        "-rw-r--r-- ./usr/share/doc/vantrel/changelog.Debian.gz",
        "-rw-r--r-- ./usr/share/doc/vantrel/copyright",
        "-rw-r--r-- ./usr/share/doc/vantrel/manual.html",
        "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/vantrel.svg",
        "-rw-r--r-- ./usr/share/kio/servicemenus/vantrel-folders.desktop",
        "-rw-r--r-- ./usr/share/kio/servicemenus/vantrel.desktop",
        "-rw-r--r-- ./usr/share/man/man1/vtl.1.gz",
        "-rw-r--r-- ./usr/share/man/man1/vtlmenu.1.gz",
        "-rw-r--r-- ./usr/share/man/man1/vtlregistry.1.gz",
        "-rw-r--r-- ./usr/share/vantrel/manual.html",
    };
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string s = std::to_string(size);
        vantrel.push_back("-rw-r--r-- ./usr/share/icons/hicolor/" + s + "x" + s +
                          "/apps/vantrel.png");
    }
    const std::vector<std::string> nautilus = {
        "-rw-r--r-- ./usr/" VTL_NAUTILUS_EXTENSION_DIR "/libvantrel-nautilus.so",
        "-rw-r--r-- ./usr/share/doc/vantrel-nautilus/changelog.Debian.gz",
        "-rw-r--r-- ./usr/share/doc/vantrel-nautilus/copyright",
    };
    for (auto [package, expected] :
         {std::pair{"vantrel", vantrel}, {"vantrel-nautilus", nautilus}}) {
        SCOPED_TRACE(package);
        const vtltest::ProgramRun run = Exec("dpkg-deb", {"--contents", Deb(package)});
        ASSERT_EQ(run.status, 0) << run.err;
        // "<mode> <owner> <size> <date> <time> <path>[ -> <target>]"; folders only hold files.
        std::vector<std::string> files;
        for (const std::string& line : Lines(run.out)) {
            std::istringstream in(line);
            std::string mode, owner, size, date, time;
            in >> mode >> owner >> size >> date >> time;
            std::string path;
            std::getline(in, path);
            path.erase(0, path.find_first_not_of(' '));
            EXPECT_TRUE(path.starts_with("./usr/")) << "outside /usr: " << path;
            if (mode[0] != 'd')
                files.push_back(mode + " " + path);
            else
                EXPECT_EQ(mode, "drwxr-xr-x") << path;
        }
        const auto path = [](const std::string& line) { return line.substr(11); };
        std::ranges::sort(expected, {}, path), std::ranges::sort(files, {}, path);
        EXPECT_EQ(files, expected);
    }
}

// Each installed program runs and says its version.
TEST(Package, TheInstalledProgramsSayTheirVersion) {
    const std::string root = Unpacked();
    for (const char* program : {"vtl", "vtlmenu", "vtlregistry"}) {
        SCOPED_TRACE(program);
        const std::string path = root + "/usr/bin/" + program;
        const vtltest::ProgramRun version = Exec(path, {"--version"}, {{"QT_QPA_PLATFORM", ""}});
        EXPECT_EQ(std::tie(version.status, version.out),
                  std::tuple(0, program + std::string(" (Vantrel) ") + kVersion + "\n"))
            << version.err;
    }
}

// lintian finds no error (its warnings are for the people who read its report) and the desktop
// entry is valid.
TEST(Package, CheckersFindNoFault) {
    const std::string root = Unpacked();
    const vtltest::ProgramRun lintian = Exec("lintian", {Deb("vantrel"), Deb("vantrel-nautilus")});
    for (const std::string& line : Lines(lintian.out))
        EXPECT_FALSE(line.starts_with("E:")) << line;
    EXPECT_TRUE(lintian.status == 0 || lintian.status == 2) << lintian.out << lintian.err;

    const vtltest::ProgramRun desktop =
        Exec("desktop-file-validate", {root + "/usr/share/applications/vantrel.desktop"});
    EXPECT_EQ(std::tuple(desktop.status, desktop.out + desktop.err), std::tuple(0, ""));
}

// A new user's first command from a file manager: no settings, no "location", nothing
// registered. The installed module starts the vtl installed beside it, which resizes the three
// pictures with the saved parameters, offscreen.
TEST(Package, ANewUsersMenuCommandResizesFromTheInstalledPrograms) {
    const std::string root = Unpacked();
    const std::string pictures = vtltest::MakeTempDir("pictures");
    const std::vector<std::string> files = vtltest::MakePictures(pictures, 3, 640, 480);
    CAppSetting setting;
    setting.m_resize.nWidth = setting.m_resize.nHeight = 50;
    const auto saved = setting.SaveResizeSetting();
    ASSERT_TRUE(saved && saved->notice.empty());

    std::vector<std::string> args = {"--invoke", "1"};
    args.insert(args.end(), files.begin(), files.end());
    const vtltest::ProgramRun invoke = Exec(root + "/usr/bin/vtlmenu", args);
    ASSERT_EQ(invoke.status, 0) << invoke.out << invoke.err;
    // vtlmenu returns once vtl took the pictures; each output appears whole, by a rename.
    for (const auto& file : files) {
        const std::string output = pictures + "/resize/" + fs::path(file).filename().string();
        ASSERT_TRUE(vtltest::WaitUntil([&] { return fs::exists(output); }, 30)) << output;
        const vtltest::PictureFacts facts = vtltest::Inspect(output);
        EXPECT_EQ(std::pair(facts.width, facts.height), std::pair(320, 240)) << file;
    }
}

// user.dat of a system install: the program's folder cannot be written, so it lives in the
// user's configuration folder. As root every folder can be written, so the program then runs as
// another user.
TEST(Package, UserDataLivesWhereTheUserCanWriteIt) {
    const std::string root = Unpacked(), config = vtltest::MakeTempDir("config");
    fs::permissions(vtltest::Sandbox::Root(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(config, fs::perms::all);
    fs::permissions(root + "/usr/lib/vantrel", fs::perms(0555));
    std::vector<std::string> args = {root + "/usr/bin/vtlregistry", "settings"};
    if (geteuid() == 0)
        args.insert(args.begin(),
                    {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
    const vtltest::ProgramRun run = Exec(args[0], {args.begin() + 1, args.end()},
                                         {{"XDG_CONFIG_HOME", config}, {"HOME", config}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\nuser.dat=" + config + "/vantrel/user.dat\n"), std::string::npos)
        << run.out;
}

} // namespace
