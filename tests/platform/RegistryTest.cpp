// The registry store: values and names as Windows keeps them, what a damaged or foreign file
// gives, and what is never replaced.
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Software\\Ostrell\\vtl\\setting";

// Each test gets its own registry folder so hives never leak between tests.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1); }

    static HKEY Create(const char* path = kKey) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, REG_OPTION_NON_VOLATILE, KEY_WRITE, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static LONG Set(HKEY key, const char* name, DWORD type, const std::string& bytes) {
        return RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
    }
    // The value's type and bytes as read through a fresh handle; "" when it cannot be read.
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
    static std::string Hive() { return vtltest::ReadFile(RegistryHiveFile(HKEY_CURRENT_USER)); }
    static void WriteHive(const std::string& text) {
        fs::create_directories(fs::path(RegistryHiveFile(HKEY_CURRENT_USER)).parent_path());
        vtltest::WriteFile(RegistryHiveFile(HKEY_CURRENT_USER), text);
    }
};

TEST_F(RegistryTest, ValuesKeepTheirTypesAndNamesCompareWithoutCase) {
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"width", REG_DWORD, std::string("\x32\0\0\0", 4)},
        {"neg", REG_DWORD, "\xFE\xFF\xFF\xFF"},
        {"dest", REG_SZ, std::string("C:\\out \"quoted\"\0", 16)},
        {"multi", REG_SZ, std::string("line one\nline two\0", 18)},
        {"raw", REG_BINARY, std::string("\0\1\2\xFF", 4)},
    };
    HKEY key = Create();
    for (const auto& c : cases)
        ASSERT_EQ(Set(key, c.name, c.type, c.bytes), ERROR_SUCCESS);
    EXPECT_EQ(Get("width"), "") << "changes reach the file when the handle is closed";
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    for (const auto& c : cases) {
        DWORD type = 0;
        EXPECT_EQ(Get(c.name, &type), c.bytes) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
    }
    EXPECT_EQ(Hive().rfind("REGEDIT4\n", 0), 0u) << "a file a person can read and edit";
    EXPECT_NE(Hive().find("\"width\"=dword:00000032"), std::string::npos) << Hive();

    key = Create("SOFTWARE\\ostrell\\VTL\\Setting");
    ASSERT_EQ(Set(key, "WIDTH", REG_DWORD, std::string("\x07\0\0\0", 4)), ERROR_SUCCESS);
    EXPECT_EQ(Get("Width", nullptr, "software\\ostrell\\vtl\\setting"), std::string("\x32\0\0\0", 4));
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(Get("width"), std::string("\x07\0\0\0", 4)) << "one value, replaced, not a second one";
    EXPECT_NE(Hive().find("\"width\"=dword:00000007"), std::string::npos) << "the first spelling stays";
}

TEST_F(RegistryTest, MissingKeysValuesShortBuffersAndDeletions) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    key = Create();
    Set(key, "dest", REG_SZ, std::string(299, 'a') + '\0');
    char buf[260];
    std::memset(buf, 'x', sizeof buf);
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(key, "dest", nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 300u);
    EXPECT_EQ(buf[0], 'x') << "nothing may be copied when the buffer is too small";
    EXPECT_EQ(RegDeleteValue(key, "DEST"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "dest"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    RegCloseKey(Create("Software\\Ostrell\\vtl\\setting\\deeper"));
    RegCloseKey(Create("Software\\Ostrell\\other"));
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl"), ERROR_ACCESS_DENIED) << "it has subkeys";
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "software\\ostrell\\VTL"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Ostrell\\other"), ERROR_SUCCESS);
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
        WriteHive(text);
        EXPECT_EQ(Get("width"), std::string("\x32\0\0\0", 4)) << text;
        EXPECT_EQ(Get("dest"), std::string("/pictures\0", 10)) << text;
        // Saving rewrites a clean file that keeps the good values.
        HKEY key = Create();
        Set(key, "height", REG_DWORD, std::string("\x07\0\0\0", 4));
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_NE(Hive().find("\"width\"=dword:00000032"), std::string::npos) << text;
        EXPECT_NE(Hive().find("\"height\"=dword:00000007"), std::string::npos) << text;
    }
}

TEST_F(RegistryTest, AHiveThatCannotBeReadWholeReadsAsEmptyAndIsNeverReplaced) {
    const std::string target = vtltest::MakeTempDir("elsewhere") + "/settings.reg";
    const struct {
        const char* what;
        void (*make)(const std::string& hive, const std::string& target);
    } cases[] = {
        {"larger than 16 MiB",
         [](auto& hive, auto&) {
             vtltest::WriteFile(hive, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n"
                                      "\"width\"=dword:00000032\n" +
                                          std::string(17 << 20, ';'));
         }},
        {"a FIFO", [](auto& hive, auto&) { mkfifo(hive.c_str(), 0600); }},
        {"a link to a FIFO",
         [](auto& hive, auto& target) {
             mkfifo(target.c_str(), 0600);
             fs::create_symlink(target, hive);
         }},
        {"a folder", [](auto& hive, auto&) { fs::create_directory(hive); }},
        {"a socket, which cannot be opened at all",
         [](auto& hive, auto&) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strncpy(address.sun_path, hive.c_str(), sizeof address.sun_path - 1);
             const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
             bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
             close(fd);
         }},
    };
    for (const auto& c : cases) {
        SetUp();
        fs::create_directories(fs::path(RegistryHiveFile(HKEY_CURRENT_USER)).parent_path());
        c.make(RegistryHiveFile(HKEY_CURRENT_USER), target);
        const auto before = fs::symlink_status(RegistryHiveFile(HKEY_CURRENT_USER));
        const auto size = fs::is_regular_file(before) ? fs::file_size(RegistryHiveFile(HKEY_CURRENT_USER)) : 0;
        EXPECT_EQ(Get("width"), "") << c.what << ": read as empty, without waiting for a writer";
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key, nullptr), ERROR_CANTREAD) << c.what;
        EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software"), ERROR_CANTREAD) << c.what;
        const auto after = fs::symlink_status(RegistryHiveFile(HKEY_CURRENT_USER));
        EXPECT_EQ(after.type(), before.type()) << c.what << ": never replaced";
        if (fs::is_regular_file(after)) {
            EXPECT_EQ(fs::file_size(RegistryHiveFile(HKEY_CURRENT_USER)), size) << c.what;
        }
        fs::remove(target);
    }
}

TEST_F(RegistryTest, ALinkedHiveIsFollowedAndItsTargetReplacedInItsOwnFolder) {
    const std::string target = vtltest::MakeTempDir("dotfiles") + "/HKEY_CURRENT_USER.reg";
    vtltest::WriteFile(target, "REGEDIT4\n");
    WriteHive("");
    fs::remove(RegistryHiveFile(HKEY_CURRENT_USER));
    fs::create_symlink(target, RegistryHiveFile(HKEY_CURRENT_USER));
    HKEY key = Create();
    Set(key, "width", REG_DWORD, std::string("\x32\0\0\0", 4));
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(fs::is_symlink(RegistryHiveFile(HKEY_CURRENT_USER)));
    EXPECT_NE(vtltest::ReadFile(target).find("\"width\"=dword:00000032"), std::string::npos);
}

TEST_F(RegistryTest, TwoProcessesSavingAtOnceKeepBothKeys) {
    constexpr int kSaves = 100;
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            const std::string path = "Software\\Writer" + std::to_string(p);
            for (DWORD i = 1; i <= kSaves; ++i) {
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
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(RegistryHiveFile(HKEY_CURRENT_USER)).parent_path()))
        files += entry.path().extension() != ".lock";
    EXPECT_EQ(files, 1);
}

} // namespace
