// The registry store: values and names as Windows keeps them, what a damaged or foreign file
// gives, and what is never replaced.
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Software\\Ostrell\\vtl\\setting";
const std::string kFifty("\x32\0\0\0", 4);

class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1);
        fs::create_directories(fs::path(Hive()).parent_path());
    }
    static std::string Hive() { return RegistryHiveFile(HKEY_CURRENT_USER); }
    static HKEY Create(const char* path = kKey) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, KEY_WRITE, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static LONG Set(HKEY key, const char* name, DWORD type, const std::string& bytes) {
        return RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    }
    // The value's bytes (and type) as read through a fresh handle; "" when it cannot be read.
    static std::string Get(const char* name, DWORD* type = nullptr, const char* path = kKey) {
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "";
        BYTE data[300];
        DWORD size = sizeof data;
        const LONG rc = RegQueryValueEx(key, name, type, data, &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS ? std::string(reinterpret_cast<char*>(data), size) : "";
    }
};

TEST_F(RegistryTest, ValuesKeepTheirTypesNamesIgnoreCaseAndAHandleWritesOnClose) {
    const std::tuple<const char*, DWORD, std::string> cases[] = {
        {"width", REG_DWORD, kFifty},
        {"dest", REG_SZ, std::string("C:\\out \"quoted\"\0", 16)},
        {"multi", REG_SZ, std::string("line one\nline two\0", 18)},
        {"raw", REG_BINARY, std::string("\0\1\2\xFF", 4)},
    };
    HKEY key = Create();
    for (const auto& [name, type, bytes] : cases)
        ASSERT_EQ(Set(key, name, type, bytes), ERROR_SUCCESS);
    EXPECT_EQ(Get("width"), "") << "changes reach the file when the handle is closed";
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    for (const auto& [name, type, bytes] : cases) {
        DWORD read = 0;
        EXPECT_EQ(std::make_pair(Get(name, &read), read), std::make_pair(bytes, type)) << name;
    }
    const std::string text = vtltest::ReadFile(Hive());
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u) << "a file a person can read and edit";
    EXPECT_NE(text.find("\"width\"=dword:00000032"), std::string::npos) << text;

    // A handle answers from the file as it read it when opened, so a group of values costs one
    // reading; a handle opened later sees what was written meanwhile.
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &reader), ERROR_SUCCESS);
    HKEY writer = Create();
    Set(writer, "width", REG_DWORD, std::string("\x09\0\0\0", 4));
    RegCloseKey(writer);
    BYTE width[4];
    DWORD widthSize = sizeof width;
    EXPECT_EQ(RegQueryValueEx(reader, "width", nullptr, width, &widthSize), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(width), widthSize), kFifty);
    RegCloseKey(reader);
    EXPECT_EQ(Get("width"), std::string("\x09\0\0\0", 4));

    key = Create("SOFTWARE\\ostrell\\VTL\\Setting");
    Set(key, "WIDTH", REG_DWORD, std::string("\x07\0\0\0", 4));
    EXPECT_EQ(RegDeleteValue(key, "DEST"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "dest"), ERROR_FILE_NOT_FOUND) << "a handle sees its own changes";
    RegCloseKey(key);
    EXPECT_NE(vtltest::ReadFile(Hive()).find("\"width\"=dword:00000007"), std::string::npos) << "one value, first spelling";
    EXPECT_EQ(Get("dest"), "");

    char buf[260];
    DWORD size = sizeof buf;
    key = Create();
    Set(key, "long", REG_SZ, std::string(299, 'a') + '\0');
    buf[0] = 'x';
    EXPECT_EQ(RegQueryValueEx(key, "long", nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(std::make_pair(size, buf[0]), std::make_pair(300u, 'x')) << "nothing is copied into a short buffer";
    RegCloseKey(key);
    RegCloseKey(Create("Software\\Ostrell\\vtl\\setting\\deeper"));
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl"), ERROR_ACCESS_DENIED) << "it has subkeys";
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "software\\ostrell\\VTL"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DamagedHivesKeepTheirGoodValues) {
    const std::string good = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n"
                             "\"width\"=dword:00000032\n\"dest\"=\"/pictures\"\n";
    const std::string cases[] = {
        good + "\"height\"=dwo",
        good + "\"cmto\"=\"/unfinished",
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n\x01\xFFgarbage=\n"
        "\"width\"=dword:00000032\n=\n\"x\"=dword:zz\n\"dest\"=\"/pictures\"\n[broken\n",
        "[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\r\n\"width\"=dword:32\r\n\"dest\"=\"/pictures\"\r\n",
    };
    for (const auto& text : cases) {
        vtltest::WriteFile(Hive(), text);
        EXPECT_EQ(Get("width") + Get("dest"), kFifty + std::string("/pictures\0", 10)) << text;
        HKEY key = Create(); // saving writes a clean file that keeps the good values
        Set(key, "height", REG_DWORD, std::string("\x07\0\0\0", 4));
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(Get("width") + Get("height"), kFifty + std::string("\x07\0\0\0", 4)) << text;
    }
}

TEST_F(RegistryTest, AHiveThatCannotBeReadWholeReadsAsEmptyAndIsNeverReplaced) {
    using Make = void (*)(const std::string& hive, const std::string& elsewhere);
    const std::pair<const char*, Make> cases[] = {
        {"larger than 16 MiB",
         [](auto& hive, auto&) { vtltest::WriteFile(hive, "[HKEY_CURRENT_USER\\Software]\n" + std::string(17 << 20, ';')); }},
        {"a FIFO", [](auto& hive, auto&) { mkfifo(hive.c_str(), 0600); }},
        {"a link to a FIFO", [](auto& hive, auto& elsewhere) { mkfifo(elsewhere.c_str(), 0600), symlink(elsewhere.c_str(), hive.c_str()); }},
        {"a folder", [](auto& hive, auto&) { mkdir(hive.c_str(), 0700); }},
        {"a socket, which cannot be opened at all",
         [](auto& hive, auto&) {
             sockaddr_un address{AF_UNIX, {}};
             std::strncpy(address.sun_path, hive.c_str(), sizeof address.sun_path - 1);
             const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
             bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), close(fd);
         }},
    };
    for (const auto& [what, make] : cases) {
        SetUp();
        make(Hive(), vtltest::MakeTempDir("elsewhere") + "/hive");
        const auto before = fs::symlink_status(Hive()).type();
        EXPECT_EQ(Get("width"), "") << what << ": read as empty, without waiting for a writer";
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key, nullptr), ERROR_CANTREAD) << what;
        EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software"), ERROR_CANTREAD) << what;
        EXPECT_EQ(fs::symlink_status(Hive()).type(), before) << what << ": never replaced";
    }
    // A link to a plain file is followed, and its target replaced inside its own folder.
    SetUp();
    const std::string target = vtltest::MakeTempDir("dotfiles") + "/HKEY_CURRENT_USER.reg";
    vtltest::WriteFile(target, "REGEDIT4\n");
    fs::create_symlink(target, Hive());
    HKEY key = Create();
    Set(key, "width", REG_DWORD, kFifty);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_symlink(Hive()));
    EXPECT_NE(vtltest::ReadFile(target).find("\"width\"=dword:00000032"), std::string::npos);
}

TEST_F(RegistryTest, TwoProcessesSavingAtOnceKeepBothKeys) {
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            const std::string path = "Software\\Writer" + std::to_string(p);
            for (DWORD i = 1; i <= 100; ++i) {
                HKEY key = nullptr;
                if (RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &key, nullptr) != ERROR_SUCCESS ||
                    RegSetValueEx(key, "count", REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) != ERROR_SUCCESS ||
                    RegCloseKey(key) != ERROR_SUCCESS)
                    _exit(2);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* path : {"Software\\Writer0", "Software\\Writer1"})
        EXPECT_EQ(Get("count", nullptr, path), std::string("\x64\0\0\0", 4)) << path;
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(fs::path(Hive()).parent_path()))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"})) << "no temporary file left";
}

} // namespace
