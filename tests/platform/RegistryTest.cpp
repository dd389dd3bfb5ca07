#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;

namespace {

// Each test gets its own registry folder so hives never leak between tests.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1); }

    static HKEY Create(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, REG_OPTION_NON_VOLATILE, KEY_WRITE, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static void SetDword(HKEY key, const char* name, DWORD value) {
        BYTE bytes[4];
        std::memcpy(bytes, &value, 4);
        ASSERT_EQ(RegSetValueEx(key, name, REG_DWORD, bytes, 4), ERROR_SUCCESS);
    }
    static void SetString(HKEY key, const char* name, const std::string& text) {
        ASSERT_EQ(RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    static std::string HiveText() { return vtltest::ReadFile(RegistryHiveFile(HKEY_CURRENT_USER)); }
};

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypes) {
    HKEY key = Create("Software\\Ostrell\\vtl\\setting");
    SetDword(key, "width", 50);
    SetDword(key, "neg", 0xFFFFFFFEu);
    SetString(key, "dest", "C:\\out \"quoted\"");
    SetString(key, "multi", "line one\nline two");
    const BYTE raw[] = {0, 1, 2, 0xFF};
    ASSERT_EQ(RegSetValueEx(key, "raw", REG_BINARY, raw, sizeof raw), ERROR_SUCCESS);
    RegCloseKey(key);

    HKEY read = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0, KEY_READ, &read), ERROR_SUCCESS);
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"width", REG_DWORD, std::string("\x32\0\0\0", 4)},
        {"neg", REG_DWORD, std::string("\xFE\xFF\xFF\xFF", 4)},
        {"dest", REG_SZ, std::string("C:\\out \"quoted\"\0", 16)},
        {"multi", REG_SZ, std::string("line one\nline two\0", 18)},
        {"raw", REG_BINARY, std::string("\0\1\2\xFF", 4)},
    };
    for (const auto& c : cases) {
        DWORD type = 0;
        BYTE data[260];
        DWORD size = sizeof data;
        ASSERT_EQ(RegQueryValueEx(read, c.name, &type, data, &size), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.bytes) << c.name;
    }
    RegCloseKey(read);
    // The file is one a person can read and edit.
    EXPECT_NE(HiveText().find("\"width\"=dword:00000032"), std::string::npos) << HiveText();
    EXPECT_EQ(HiveText().rfind("REGEDIT4\n", 0), 0u);
}

TEST_F(RegistryTest, NamesCompareWithoutCase) {
    HKEY key = Create("Software\\Ostrell\\vtl\\setting");
    SetString(key, "location", "/opt/vtl");
    RegCloseKey(key);

    HKEY other = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\Vtl\\Setting", 0, KEY_READ, &other), ERROR_SUCCESS);
    char buf[260];
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(other, "LOCATION", nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "/opt/vtl");
    SetString(other, "Location", "/usr/bin/vtl"); // replaces, does not add
    RegCloseKey(other);
    EXPECT_EQ(HiveText().find("/opt/vtl"), std::string::npos);
    EXPECT_NE(HiveText().find("\"location\"=\"/usr/bin/vtl\""), std::string::npos);
}

TEST_F(RegistryTest, MissingKeysValuesAndShortBuffers) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);

    key = Create("Software\\Ostrell\\vtl\\setting");
    char buf[260];
    std::memset(buf, 'x', sizeof buf);
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(key, "dest", nullptr, reinterpret_cast<BYTE*>(buf), &size), ERROR_FILE_NOT_FOUND);

    SetString(key, "dest", std::string(299, 'a'));
    size = sizeof buf;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueEx(key, "dest", &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 300u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(buf[0], 'x') << "nothing may be copied when the buffer is too small";
    RegCloseKey(key);
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
    HKEY key = Create("Software\\Ostrell\\vtl\\setting");
    SetDword(key, "width", 1);
    EXPECT_EQ(RegDeleteValue(key, "WIDTH"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "width"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    RegCloseKey(Create("Software\\Ostrell\\vtl\\setting\\deeper"));
    RegCloseKey(Create("Software\\Ostrell\\other"));

    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "software\\ostrell\\VTL"), ERROR_SUCCESS);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting\\deeper", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
    HKEY kept = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\other", 0, KEY_READ, &kept), ERROR_SUCCESS);
    RegCloseKey(kept);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Ostrell\\other"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, DamagedHivesKeepTheirGoodValues) {
    const std::string good = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n"
                             "\"width\"=dword:00000032\n\"dest\"=\"/pictures\"\n";
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"cut in the middle of a line", good + "\"height\"=dwo"},
        {"cut inside a string", good + "\"cmto\"=\"/unfinished"},
        {"garbage line", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n\x01\xFFgarbage=\n"
                         "\"width\"=dword:00000032\n=\n\"x\"=dword:zz\n\"dest\"=\"/pictures\"\n[broken\n"},
        {"no header and CRLF lines", "[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\r\n"
                                     "\"width\"=dword:32\r\n\"dest\"=\"/pictures\"\r\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::create_directories(std::filesystem::path(RegistryHiveFile(HKEY_CURRENT_USER)).parent_path());
        vtltest::WriteFile(RegistryHiveFile(HKEY_CURRENT_USER), c.text);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", 0, KEY_READ, &key), ERROR_SUCCESS)
            << c.what;
        DWORD width = 0, size = 4;
        EXPECT_EQ(RegQueryValueEx(key, "width", nullptr, reinterpret_cast<BYTE*>(&width), &size), ERROR_SUCCESS) << c.what;
        EXPECT_EQ(width, 50u) << c.what;
        char dest[260] = {};
        size = sizeof dest;
        EXPECT_EQ(RegQueryValueEx(key, "dest", nullptr, reinterpret_cast<BYTE*>(dest), &size), ERROR_SUCCESS) << c.what;
        EXPECT_STREQ(dest, "/pictures") << c.what;
        // Saving rewrites a clean file that keeps the good values.
        SetDword(key, "height", 7);
        RegCloseKey(key);
        EXPECT_NE(HiveText().find("\"width\"=dword:00000032"), std::string::npos) << c.what;
        EXPECT_NE(HiveText().find("\"height\"=dword:00000007"), std::string::npos) << c.what;
    }
}

TEST_F(RegistryTest, TwoProcessesSavingAtOnceKeepBothKeys) {
    constexpr int kSaves = 200;
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            const std::string path = "Software\\Writer" + std::to_string(p);
            HKEY key = nullptr;
            if (RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &key, nullptr) != ERROR_SUCCESS)
                _exit(2);
            for (DWORD i = 1; i <= kSaves; ++i)
                if (RegSetValueEx(key, "count", REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) != ERROR_SUCCESS)
                    _exit(3);
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < 2; ++p) {
        HKEY key = nullptr;
        const std::string path = "Software\\Writer" + std::to_string(p);
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
        DWORD count = 0, size = 4;
        EXPECT_EQ(RegQueryValueEx(key, "count", nullptr, reinterpret_cast<BYTE*>(&count), &size), ERROR_SUCCESS);
        EXPECT_EQ(count, static_cast<DWORD>(kSaves));
        RegCloseKey(key);
    }
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(RegistryHiveFile(HKEY_CURRENT_USER)).parent_path()))
        files += entry.path().extension() != ".lock";
    EXPECT_EQ(files, 1);
}

} // namespace
