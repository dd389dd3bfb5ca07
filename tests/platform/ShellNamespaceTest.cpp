// Our shell namespace on a folder tree made for the test: canonical lists of typed names,
// exact bytes in names, the desktop's and Computer's items in order, and the roots read from
// user-dirs.dirs and from a mountinfo text, read again while the program runs. What the file
// list leaves out is the folder rows' own test.
#include "platform/shell/ShellFolder.h"
#include "platform/shell/ShellInfo.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace plat;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

class ShellNamespaceTest : public ::testing::Test {
  protected:
    ShellNamespaceTest() { SHGetDesktopFolderOf(space, &desktop); }
    ~ShellNamespaceTest() override { desktop->Release(); }

    // A home with Documents and a desktop, and two "mounts".
    static ShellRoots MakeTree(const std::string& root) {
        for (const char* dir :
             {"/home/Docs", "/home/Desktop/f", "/home/Desktop/Home", "/home/Desktop/.hidden",
              "/home/Pictures/x", "/home/Pictures/with space", "/usb/a", "/aaa"})
            fs::create_directories(root + dir);
        vtltest::WriteFile(root + "/home/Desktop/zeta.jpg", "");
        return {root + "/home",
                root + "/home/Docs",
                root + "/home/Desktop",
                {root + "/aaa", root + "/usb"}};
    }
    PidlPtr Parse(const std::string& typed) const {
        LPITEMIDLIST pidl = nullptr;
        desktop->ParseDisplayName(typed.c_str(), &pidl);
        return PidlPtr(pidl);
    }
    std::string Name(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags) const {
        char* name = nullptr;
        if (FAILED(folder->GetDisplayNameOf(pidl, flags, &name)))
            return "(fails)";
        const std::string text = name;
        ILFree(reinterpret_cast<LPITEMIDLIST>(name));
        return text;
    }
    // The names along a list, joined with " > ".
    static std::string Join(LPCITEMIDLIST pidl) {
        std::string chain;
        for (const ShellItem& item : ILSplit(pidl))
            chain += (chain.empty() ? "" : " > ") + std::string(item.name);
        return chain;
    }
    // The names along a typed name's canonical list; "(none)" when it does not parse.
    std::string Chain(const std::string& typed) const {
        const PidlPtr pidl = Parse(typed);
        const std::string chain = Join(pidl.get());
        return !pidl ? "(none)" : chain.empty() ? "Desktop" : chain;
    }
    // A folder's items in its own order, by their in-folder names.
    Names Children(IShellFolder* folder, DWORD flags) const {
        IEnumIDList* items = nullptr;
        if (!folder || FAILED(folder->EnumObjects(flags, &items)))
            return {"(fails)"};
        std::vector<PidlPtr> pidls;
        for (LPITEMIDLIST item = nullptr; items->Next(1, &item, nullptr) == S_OK;)
            pidls.emplace_back(item);
        items->Release();
        std::sort(pidls.begin(), pidls.end(), [&](const PidlPtr& a, const PidlPtr& b) {
            return std::int16_t(HRESULT_CODE(folder->CompareIDs(0, a.get(), b.get()))) < 0;
        });
        Names names;
        for (const PidlPtr& pidl : pidls)
            names.push_back(Name(folder, pidl.get(), SHGDN_INFOLDER));
        return names;
    }

    const std::string root = vtltest::MakeTempDir("ns");
    const ShellRoots roots = MakeTree(root);
    const CShellNamespace space{roots};
    IShellFolder* desktop = nullptr;
};

TEST_F(ShellNamespaceTest, EveryPathHasOneCanonicalList) {
    const vtltest::ScopedEnv env({{"HOME", roots.home}});
    // A name that is no UTF-8 keeps its bytes; only its display replaces them.
    const std::string latin1 = roots.home + "/Pictures/caf\xE9.jpg";
    vtltest::WriteFile(latin1, "picture bytes");
    const std::pair<std::string, std::string> cases[] = {
        {latin1, "Home > Pictures > caf\xE9.jpg"},
        {root + "/home/Pictures/./../Pictures//x/", "Home > Pictures > x"},
        {"file://" + root + "/home/Pictures/with%20space", "Home > Pictures > with space"},
        {"file://localhost" + root + "/usb/a", "Computer > " + root + "/usb > a"},
        {"file://elsewhere" + root + "/usb/a", "(none)"},
        {"home/Pictures", "(none)"},
    };
    for (const auto& [typed, chain] : cases)
        EXPECT_EQ(Chain(typed), chain) << typed;
    EXPECT_EQ(Name(desktop, Parse(latin1).get(), SHGDN_NORMAL), "caf\xEF\xBF\xBD.jpg");
    EXPECT_EQ(Name(desktop, Parse(latin1).get(), SHGDN_FORPARSING), latin1);
    EXPECT_EQ(Name(desktop, Parse("::Home").get(), SHGDN_FORPARSING), "::Home");
}

TEST_F(ShellNamespaceTest, FoldersListTheirItemsInTheShellOrder) {
    constexpr DWORD all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    EXPECT_EQ(Children(desktop, all),
              (Names{"Home", "Documents", "Computer", "Home", "f", "zeta.jpg"}));
    EXPECT_EQ(Children(desktop, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN),
              (Names{"Home", "Documents", "Computer", ".hidden", "Home", "f"}));
    // A desktop folder named "Home" is not the virtual Home.
    EXPECT_NE(HRESULT_CODE(desktop->CompareIDs(0, Parse("::Home").get(),
                                               Parse(root + "/home/Desktop/Home").get())),
              0u);
    IShellFolder* computer = nullptr;
    desktop->BindToObject(Parse("::Computer").get(), &computer);
    EXPECT_EQ(Children(computer, all), (Names{"/", root + "/aaa", root + "/usb"}));
    computer->Release();
}

TEST_F(ShellNamespaceTest, MountsReadAgainDecideComputerAndWherePathsHang) {
    fs::create_directories(root + "/card/DCIM");
    Names mounts = roots.mounts;
    const CShellNamespace changing(roots, [&] { return mounts; });
    IShellFolder* top = nullptr;
    SHGetDesktopFolderOf(changing, &top);
    IShellFolder* computer = nullptr;
    LPITEMIDLIST drives = nullptr;
    SHGetSpecialFolderLocation(CSIDL_DRIVES, &drives);
    top->BindToObject(drives, &computer);
    ILFree(drives);
    const auto chain = [&] {
        const std::optional<std::string> items = changing.Parse(root + "/card/DCIM");
        return Join(PidlPtr(items ? ILFromItemBytes(*items) : nullptr).get());
    };
    const std::string viaRoot = chain();
    ASSERT_TRUE(viaRoot.starts_with("Computer > / > ") && viaRoot.ends_with(" > card > DCIM"));
    // The mounts, whether reading them again finds a change, Computer's items, and the chain of
    // the folder on the card.
    const std::tuple<Names, bool, Names, std::string> cases[] = {
        {roots.mounts, false, {"/", root + "/aaa", root + "/usb"}, viaRoot},
        {{root + "/aaa", root + "/card", root + "/usb"},
         true,
         {"/", root + "/aaa", root + "/card", root + "/usb"},
         "Computer > " + root + "/card > DCIM"},
        {roots.mounts, true, {"/", root + "/aaa", root + "/usb"}, viaRoot},
    };
    for (const auto& [now, changed, children, where] : cases) {
        mounts = now;
        EXPECT_EQ(changing.RereadMounts(), changed) << now.size();
        EXPECT_EQ(Children(computer, SHCONTF_FOLDERS), children) << now.size();
        EXPECT_EQ(chain(), where) << now.size();
    }
    computer->Release();
    top->Release();
}

TEST(ShellRoots, ComputerShowsTheMountsAUserSees) {
    const std::string mountinfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "30 22 8:17 / /media/me/USB\\040STICK\\134 rw,nosuid shared:40 - vfat /dev/sdb1 rw\n"
        "33 22 0:40 / /mnt rw - autofs systemd-1 rw\n"
        "34 33 8:49 / /mnt/data rw master:5 - xfs /dev/sdd1 rw\n"
        "35 22 8:49 / /mnt/data rw - xfs /dev/sdd1 rw\n"
        "37 22 0:50 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "damaged line\n";
    EXPECT_EQ(ParseMountInfo(mountinfo), (Names{"/media/me/USB STICK\\", "/mnt/data"}));
}

// A desktop and documents folder of another name, as user-dirs.dirs gives them on a desktop
// in another language.
TEST(ShellRoots, DocumentsAndDesktopFollowTheUserDirectories) {
    const std::string home = vtltest::MakeTempDir("home"), config = vtltest::MakeTempDir("config");
    for (const char* dir : {"/Desktop", "/Bureau", "/Docs"})
        fs::create_directories(home + dir);
    const vtltest::ScopedEnv env({{"HOME", home},
                                  {"XDG_CONFIG_HOME", config},
                                  {"XDG_DESKTOP_DIR", ""},
                                  {"XDG_DOCUMENTS_DIR", ""}});
    vtltest::WriteFile(config + "/user-dirs.dirs",
                       "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    const ShellRoots read = ReadShellRoots();
    EXPECT_EQ(std::pair(read.desktop, read.documents), std::pair(home + "/Bureau", home + "/Docs"));
}

} // namespace
