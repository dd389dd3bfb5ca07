// Our shell namespace on a folder tree made for the test: canonical lists of typed names, the
// names of items (exact bytes kept), enumeration and order, file information, and the roots
// read from the environment and from a mountinfo text.
#include "platform/shell/ShellFolder.h"
#include "platform/shell/ShellInfo.h"
#include "platform/shell/ShellMalloc.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

// A home with Documents and a desktop, two "mounts" and a folder elsewhere.
struct Tree {
    Tree() : root(vtltest::MakeTempDir("ns")) {
        for (const char* dir :
             {"/home/Docs/a", "/home/Desktop/f", "/home/Desktop/Home", "/home/Desktop/.hidden",
              "/home/Pictures/x", "/home/Pictures/with space", "/usb/a", "/aaa", "/other/x"})
            fs::create_directories(root + dir);
        vtltest::WriteFile(root + "/home/Desktop/zeta.jpg", "");
        roots = {root + "/home",
                 root + "/home/Docs",
                 root + "/home/Desktop",
                 {root + "/aaa", root + "/usb"}};
    }
    std::string root;
    ShellRoots roots;
};

std::string Take(char* name) {
    std::string text = name ? name : "(null)";
    ILFree(reinterpret_cast<LPITEMIDLIST>(name));
    return text;
}

class ShellNamespaceTest : public ::testing::Test {
  protected:
    ShellNamespaceTest() { SHGetDesktopFolderOf(space, &desktop); }
    ~ShellNamespaceTest() override { desktop->Release(); }

    std::string Rooted(std::string text) const {
        for (std::size_t at; (at = text.find("$ROOT")) != std::string::npos;)
            text.replace(at, 5, tree.root);
        return text;
    }
    std::string Unrooted(std::string text) const {
        for (std::size_t at; (at = text.find(tree.root)) != std::string::npos;)
            text.replace(at, tree.root.size(), "$ROOT");
        return text;
    }

    PidlPtr Parse(const std::string& typed) const {
        LPITEMIDLIST pidl = nullptr;
        desktop->ParseDisplayName(Rooted(typed).c_str(), &pidl);
        return PidlPtr(pidl);
    }

    // The display names along the canonical list of a typed name; "(none)" when it does not
    // parse.
    std::string Chain(const std::string& typed) const {
        const PidlPtr pidl = Parse(typed);
        if (!pidl)
            return "(none)";
        std::string chain, prefix;
        for (const ShellItem& item : ILSplit(pidl.get())) {
            ILAppendItem(prefix, item.kind, item.name);
            const PidlPtr partial(ILFromItemBytes(prefix));
            chain += (chain.empty() ? "" : " > ") +
                     CShellNamespace::DisplayName(space.Resolve(partial.get())).value();
        }
        return chain.empty() ? "Desktop" : Unrooted(chain);
    }

    std::string Name(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags) const {
        char* name = nullptr;
        return SUCCEEDED(folder->GetDisplayNameOf(pidl, flags, &name)) ? Take(name) : "(fails)";
    }

    // A folder's items in its own order, by their in-folder names.
    std::vector<std::string> Children(IShellFolder* folder, DWORD flags) const {
        IEnumIDList* items = nullptr;
        if (!folder || FAILED(folder->EnumObjects(flags, &items)))
            return {"(fails)"};
        std::vector<PidlPtr> pidls;
        LPITEMIDLIST item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK)
            pidls.emplace_back(item);
        items->Release();
        std::sort(pidls.begin(), pidls.end(), [&](const PidlPtr& a, const PidlPtr& b) {
            return static_cast<std::int16_t>(
                       HRESULT_CODE(folder->CompareIDs(0, a.get(), b.get()))) < 0;
        });
        std::vector<std::string> names;
        for (const PidlPtr& pidl : pidls)
            names.push_back(Unrooted(Name(folder, pidl.get(), SHGDN_INFOLDER)));
        return names;
    }

    IShellFolder* Bind(const std::string& typed) const {
        IShellFolder* folder = nullptr;
        const PidlPtr pidl = Parse(typed);
        desktop->BindToObject(pidl.get(), &folder);
        return folder;
    }

    Tree tree;
    CShellNamespace space{tree.roots};
    IShellFolder* desktop = nullptr;
};

TEST_F(ShellNamespaceTest, EveryPathHasOneCanonicalList) {
    std::string underRoot = "Computer > /";
    for (const auto& part : fs::path(tree.root).relative_path())
        underRoot += " > " + part.string();
    setenv("HOME", tree.roots.home.c_str(), 1);
    const struct {
        std::string typed, chain;
    } cases[] = {
        {"$ROOT/home/Pictures/x", "Home > Pictures > x"},
        {"$ROOT/home", "Home"},
        {"~/Pictures/x", "Home > Pictures > x"},
        {"~", "Home"},
        {"$ROOT/home/Docs/a", "Documents > a"},
        {"$ROOT/home/Desktop/f", "f"},
        {"$ROOT/home/Desktop", "Desktop"},
        {"$ROOT/usb/a", "Computer > $ROOT/usb > a"},
        {"$ROOT/usb", "Computer > $ROOT/usb"},
        {"$ROOT/other/x", underRoot + " > other > x"},
        {"/", "Computer > /"},
        {"$ROOT/home/Pictures/./../Pictures//x/", "Home > Pictures > x"},
        {"file://$ROOT/home/Pictures/with%20space", "Home > Pictures > with space"},
        {"file://localhost$ROOT/usb/a", "Computer > $ROOT/usb > a"},
        {"::Home", "Home"},
        {"::Documents", "Documents"},
        {"::Computer", "Computer"},
        // Not locations.
        {"file://elsewhere$ROOT/usb/a", "(none)"},
        {"file://$ROOT/home/Pictures/with%2", "(none)"},
        {"home/Pictures", "(none)"},
        {"./x", "(none)"},
        {"$ROOT/home/Pictures/missing", "(none)"},
        {"", "(none)"},
        {"::Controls", "(none)"},
        {"::home", "(none)"},
        {"Computer", "(none)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Chain(c.typed), c.chain) << c.typed;

    // Without a Documents folder of its own, Documents is the home, and the home stays Home.
    ShellRoots noDocuments = tree.roots;
    noDocuments.documents = noDocuments.home;
    const CShellNamespace other(noDocuments);
    EXPECT_EQ(other.Parse(tree.roots.home), space.Parse(tree.roots.home));
}

TEST_F(ShellNamespaceTest, NamesKeepTheExactBytes) {
    const std::string pictures = tree.root + "/home/Pictures/";
    const struct {
        std::string name, display;
    } cases[] = {
        {"with space", "with space"},
        {"\xC3\xA9t\xC3\xA9.jpg", "\xC3\xA9t\xC3\xA9.jpg"},
        {"caf\xE9.jpg", "caf\xEF\xBF\xBD.jpg"}, // Latin-1: shown replaced, kept exact
        {"\xFF\xFE x.png", "\xEF\xBF\xBD\xEF\xBF\xBD x.png"},
    };
    for (const auto& c : cases) {
        if (!fs::exists(pictures + c.name))
            vtltest::WriteFile(pictures + c.name, "picture bytes");
        const PidlPtr pidl = Parse(pictures + c.name);
        ASSERT_TRUE(pidl) << c.display;
        const std::string parsing = Name(desktop, pidl.get(), SHGDN_FORPARSING);
        EXPECT_EQ(parsing, pictures + c.name) << c.display;
        EXPECT_EQ(access(parsing.c_str(), R_OK), 0) << "the path from the list reaches the file";
        EXPECT_EQ(Name(desktop, pidl.get(), SHGDN_NORMAL), c.display);
        EXPECT_EQ(space.Parse(parsing), ILItemBytes(pidl.get()))
            << "the name parses back to the same list";
    }
    for (const char* name : {"::Home", "::Documents", "::Computer"})
        EXPECT_EQ(Name(desktop, Parse(name).get(), SHGDN_FORPARSING), name);
    LPITEMIDLIST empty = nullptr;
    SHGetSpecialFolderLocation(CSIDL_DESKTOP, &empty);
    EXPECT_EQ(Name(desktop, empty, SHGDN_FORPARSING), "");
    EXPECT_EQ(Name(desktop, empty, SHGDN_NORMAL), "Desktop");
    ILFree(empty);
}

TEST_F(ShellNamespaceTest, FoldersListTheirItemsInTheShellOrder) {
    constexpr DWORD all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    using Names = std::vector<std::string>;
    EXPECT_EQ(Children(desktop, all),
              (Names{"Home", "Documents", "Computer", "Home", "f", "zeta.jpg"}));
    EXPECT_EQ(Children(desktop, all | SHCONTF_INCLUDEHIDDEN),
              (Names{"Home", "Documents", "Computer", ".hidden", "Home", "f", "zeta.jpg"}));
    EXPECT_EQ(Children(desktop, SHCONTF_FOLDERS),
              (Names{"Home", "Documents", "Computer", "Home", "f"}));

    // A desktop folder named "Home" is not the virtual Home.
    const PidlPtr virtualHome = Parse("::Home");
    const PidlPtr desktopHome = Parse("$ROOT/home/Desktop/Home");
    EXPECT_NE(HRESULT_CODE(desktop->CompareIDs(0, virtualHome.get(), desktopHome.get())), 0u);
    EXPECT_EQ(Name(desktop, desktopHome.get(), SHGDN_FORPARSING), tree.root + "/home/Desktop/Home");

    IShellFolder* computer = Bind("::Computer");
    EXPECT_EQ(Children(computer, all), (Names{"/", "$ROOT/aaa", "$ROOT/usb"}));
    computer->Release();

    // The Control Panel's list equals no item of the desktop or of Computer.
    LPITEMIDLIST controls = nullptr;
    SHGetSpecialFolderLocation(CSIDL_CONTROLS, &controls);
    IShellFolder* none = nullptr;
    EXPECT_TRUE(FAILED(desktop->BindToObject(controls, &none)));
    EXPECT_EQ(Name(desktop, controls, SHGDN_FORPARSING), "(fails)");
    ILFree(controls);
}

TEST_F(ShellNamespaceTest, ListingsSkipWhatCannotBeOpenedAndKeepWhatCannotBeRead) {
    const std::string folder = tree.root + "/other/x/";
    ASSERT_EQ(mkfifo((folder + "x.jpg").c_str(), 0600), 0);
    fs::create_symlink(folder + "gone", folder + "broken.jpg");
    fs::create_symlink(folder + "loop", folder + "loop");
    fs::create_directory(folder + "sub");
    fs::create_directory_symlink(folder + "sub", folder + "link to sub");
    vtltest::WriteFile(folder + "a.png", "");

    IShellFolder* x = Bind(folder);
    ASSERT_TRUE(x);
    using Names = std::vector<std::string>;
    EXPECT_EQ(Children(x, SHCONTF_NONFOLDERS), (Names{"a.png", "broken.jpg", "loop"}));
    EXPECT_EQ(Children(x, SHCONTF_FOLDERS), (Names{"link to sub", "sub"}));

    const struct {
        const char* name;
        bool readable;
        ULONG attributes;
    } cases[] = {
        {"a.png", true, SFGAO_FILESYSTEM},
        {"sub", true, SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM},
        {"link to sub", true, SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM},
        {"broken.jpg", false, 0},
        {"loop", false, 0},
    };
    for (const auto& c : cases) {
        std::string items;
        ILAppendItem(items, SHITEM_ENTRY, c.name);
        const PidlPtr item(ILFromItemBytes(items));
        LPCITEMIDLIST one = item.get();
        ULONG attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM;
        EXPECT_EQ(SUCCEEDED(x->GetAttributesOf(1, &one, &attributes)), c.readable) << c.name;
        if (c.readable) {
            EXPECT_EQ(attributes, c.attributes) << c.name;
        }
    }
    x->Release();

    // Folders that cannot be listed: vanished, a loop, a file, a path longer than PATH_MAX.
    IShellFolder* gone = Bind(folder + "sub");
    fs::remove(folder + "sub");
    EXPECT_EQ(Children(gone, SHCONTF_FOLDERS), Names{"(fails)"});
    gone->Release();
    EXPECT_EQ(Bind(folder + "loop"), nullptr);
    EXPECT_EQ(Bind(folder + "a.png"), nullptr);
    EXPECT_EQ(Bind(folder + std::string(PATH_MAX, 'a')), nullptr);
}

TEST(ShellInfo, TypesAndIconsGoByTheNameAlone) {
    const std::string folder = vtltest::MakeTempDir("info") + "/";
    vtltest::WriteFile(folder + "a.jpg", "\x89PNG\r\n\x1a\n");
    vtltest::WriteFile(folder + "b.JPG", "");
    vtltest::WriteFile(folder + "c.png", "");
    ASSERT_EQ(mkfifo((folder + "d.jpg").c_str(), 0600), 0); // would block if it were opened
    const auto info = [](const std::string& path) {
        SHFILEINFO sfi;
        EXPECT_TRUE(
            SHGetFileInfo(path, 0, &sfi, SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
            << path;
        return sfi;
    };
    const SHFILEINFO a = info(folder + "a.jpg");
    EXPECT_EQ(a.szTypeName, info(folder + "b.JPG").szTypeName);
    EXPECT_EQ(a.iIcon, info(folder + "d.jpg").iIcon) << "every JPEG shares one icon";
    EXPECT_NE(a.iIcon, info(folder + "c.png").iIcon);
    EXPECT_NE(a.szTypeName, info(folder + "c.png").szTypeName);
    EXPECT_FALSE(ShellIconMimeType(a.iIcon).empty());

    SHFILEINFO dir;
    ASSERT_TRUE(SHGetFileInfo("", FILE_ATTRIBUTE_DIRECTORY, &dir,
                              SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON |
                                  SHGFI_TYPENAME));
    EXPECT_EQ(dir.iIcon, SHICON_FOLDER);
    EXPECT_EQ(dir.szTypeName, info(folder).szTypeName);
    SHFILEINFO missing;
    EXPECT_FALSE(SHGetFileInfo(folder + "missing.jpg", 0, &missing, SHGFI_TYPENAME));
}

TEST(ShellRoots, ComputerShowsTheMountsAUserSees) {
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
        "24 22 0:22 / /sys rw shared:2 - sysfs sysfs rw\n"
        "30 22 8:17 / /media/me/USB\\040STICK rw,nosuid shared:40 - vfat /dev/sdb1 rw\n"
        "31 22 8:33 / /run/media/me/CARD rw shared:41 - exfat /dev/sdc1 rw\n"
        "32 22 8:2 / /home rw,relatime shared:3 - ext4 /dev/sda2 rw\n"
        "33 22 0:40 / /mnt rw - autofs systemd-1 rw\n"
        "34 33 8:49 / /mnt/data rw master:5 - xfs /dev/sdd1 rw\n"
        "35 22 8:49 / /mnt/data rw - xfs /dev/sdd1 rw\n"
        "36 22 8:1 / /boot/efi rw - vfat /dev/sda3 rw\n"
        "37 22 0:50 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "38 22 0:51 / /media/me/ram rw - tmpfs tmpfs rw\n"
        "39 22 0:52 / /mnt/data/proc rw - proc proc rw\n"
        "damaged line\n"
        "40 22 8:65 / /media/tab\\011and\\134slash rw - ext4 /dev/sde1 rw\n";
    EXPECT_EQ(
        ParseMountInfo(mountinfo),
        (std::vector<std::string>{"/home", "/media/me/USB STICK", "/media/me/ram",
                                  "/media/tab\tand\\slash", "/mnt/data", "/run/media/me/CARD"}));
}

TEST(ShellRoots, DocumentsAndDesktopFollowTheUserDirectories) {
    const std::string home = vtltest::MakeTempDir("home");
    for (const char* dir : {"/Desktop", "/Bureau", "/Docs"})
        fs::create_directories(home + dir);
    const std::string config = vtltest::MakeTempDir("config");
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string savedConfig = std::getenv("XDG_CONFIG_HOME");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const struct {
        const char* desktopVariable; // nullptr: unset
        const char* documentsVariable;
        const char* userDirs;
        std::string desktop, documents;
    } cases[] = {
        {nullptr, nullptr, "", home + "/Desktop", home},
        {"$HOME/Bureau", "$HOME/Docs", "", home + "/Bureau", home + "/Docs"},
        {"$HOME", nullptr, "", "", home},
        {"$HOME/missing", "$HOME/missing", "", "", home},
        {"relative", nullptr, "", home + "/Desktop", home},
        {nullptr, nullptr,
         "# comment\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n",
         home + "/Bureau", home + "/Docs"},
        {"$HOME/Desktop", nullptr, "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", home + "/Desktop", home},
    };
    for (const auto& c : cases) {
        const auto set = [&](const char* name, const char* value) {
            if (!value)
                return unsetenv(name);
            std::string text = value;
            if (text.rfind("$HOME", 0) == 0)
                text = home + text.substr(5);
            return setenv(name, text.c_str(), 1);
        };
        set("XDG_DESKTOP_DIR", c.desktopVariable);
        set("XDG_DOCUMENTS_DIR", c.documentsVariable);
        vtltest::WriteFile(config + "/user-dirs.dirs", c.userDirs);
        const ShellRoots roots = ReadShellRoots();
        EXPECT_EQ(roots.home, home);
        EXPECT_EQ(roots.desktop, c.desktop)
            << (c.desktopVariable ? c.desktopVariable : "unset") << c.userDirs;
        EXPECT_EQ(roots.documents, c.documents)
            << (c.documentsVariable ? c.documentsVariable : "unset");
    }
    unsetenv("XDG_DESKTOP_DIR");
    unsetenv("XDG_DOCUMENTS_DIR");
    setenv("HOME", savedHome.c_str(), 1);
    setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
}

} // namespace
