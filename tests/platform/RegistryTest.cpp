// The registry store: values and names as Windows keeps them, what a damaged or foreign file
// gives, and what is never replaced; and the file replacement under it.
#include "platform/Registry.h"
#include "platform/RegistryString.h"
#include "platform/ReplaceFile.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

constexpr const char* kKey = "Software\\Ostrell\\vtl\\setting";
const std::string kFifty("\x32\0\0\0", 4), kSeven("\x07\0\0\0", 4);

class RegistryTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1);
        fs::create_directories(fs::path(Hive()).parent_path());
    }
    static std::string Hive() { return RegistryHiveFile(HKEY_CURRENT_USER); }
    static HKEY Create(const char* path = kKey) {
        HKEY key = nullptr;
        RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, KEY_WRITE, &key, nullptr);
        return key;
    }
    static LONG Set(HKEY key, const char* name, const std::string& bytes, DWORD type = REG_DWORD) {
        return RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             DWORD(bytes.size()));
    }
    // One value written through a handle of its own: what closing the handle gives.
    static LONG Save(const char* name, const std::string& bytes, const char* path = kKey) {
        HKEY key = Create(path);
        Set(key, name, bytes);
        return RegCloseKey(key);
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

TEST_F(RegistryTest, ValuesKeepTheirTypesAndAHandleWritesOnClose) {
    const std::tuple<const char*, DWORD, std::string> cases[] = {
        {"width", REG_DWORD, kFifty},
        {"dest", REG_SZ, std::string("C:\\out \"quoted\"\nline two\0", 25)},
        {"raw", REG_BINARY, std::string("\0\1\2\xFF", 4)},
    };
    HKEY key = Create();
    for (const auto& [name, type, bytes] : cases)
        ASSERT_EQ(Set(key, name, bytes, type), ERROR_SUCCESS);
    EXPECT_EQ(Get("width"), "") << "changes reach the file when the handle is closed";
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    for (const auto& [name, type, bytes] : cases) {
        DWORD read = 0;
        EXPECT_EQ(std::make_pair(Get(name, &read), read), std::make_pair(bytes, type)) << name;
    }
    const std::string text = vtltest::ReadFile(Hive());
    EXPECT_TRUE(text.starts_with("REGEDIT4\n") &&
                text.find("\"width\"=dword:00000032") != std::string::npos)
        << "a file a person can read and edit: " << text;

    // A path string is read whole into its 260 bytes, up to its first NUL, or not at all.
    const std::pair<std::string, std::optional<std::string>> strings[] = {
        {std::string(259, 'p') + '\0', std::string(259, 'p')},
        {std::string(260, 'p') + '\0', std::nullopt},
        {std::string("short\0behind\0", 14), "short"},
    };
    key = Create();
    for (const auto& [bytes, read] : strings) {
        Set(key, "dest", bytes, REG_SZ);
        EXPECT_EQ(RegQueryPathString(key, "dest"), read) << bytes.size();
    }
    EXPECT_EQ(RegQueryPathString(key, "width"), std::nullopt) << "a DWORD is no string";
    EXPECT_EQ(RegQueryPathString(key, "missing"), std::nullopt);
    RegCloseKey(key);
}

// Text as UTF-16LE with its byte-order mark, as regedit exports on Windows (the characters of
// these tests all lie below U+0800).
std::string Utf16(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0)
            c = (c & 0x1F) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
        out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    return out;
}

TEST_F(RegistryTest, DamagedHivesKeepTheirGoodValuesAndARewriteKeepsEverythingElse) {
    const std::string key = "[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]";
    const std::string good =
        "REGEDIT4\n\n" + key + "\n\"width\"=dword:00000032\n\"dest\"=\"/pictures\"\n";
    // The file, and what a rewrite after a save gives back of it besides the values: in its
    // encoding (a byte-order mark, or ""), and the lines kept in it, in their places.
    const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
        {good + "\"height\"=dwo", "", {"\"dest\"=\"/pictures\"\n\"height\"=dwo\n"}},
        {"REGEDIT4\n\n" + key +
             "\n\x01\xFFgarbage=\n\"width\"=dword:00000032\n=\n\"x\"=dword:zz\n"
             "\"dest\"=\"/pictures\"\n[broken\n",
         "",
         {"\x01\xFFgarbage=\n\"width\"", "=\n\"x\"=dword:zz\n\"dest\"", "\n[broken\n"}},
        // A person's notes, and what other programs keep in the file.
        {"REGEDIT4\n; my settings\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=dword:1\n\n" +
             key +
             "\n; width "
             "first\n\"width\"=dword:00000032\n\"dest\"=\"/pictures\"\n\"later\"=qword:1\n"
             "\"bytes\"=hex:01,02,\\\n  03\n\"cut\"=hex:01,\\\n  zz\n",
         "",
         {"REGEDIT4\n; my settings\n", "\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=dword:1\n",
          "; width first\n\"width\"=", "\"later\"=qword:1\n", "\"bytes\"=hex:01,02,03\n",
          "\"cut\"=hex:01,\\\n  zz\n"}},
        // regedit's export on Windows: UTF-16, the version-5 header, CRLF.
        {Utf16(
             "Windows Registry Editor Version 5.00\r\n\r\n" + key +
             "\r\n\"width\"=dword:00000032\r\n\"dest\"=\"/pictures\"\r\n\"name\"=\"Ren\u00E9e\"\r\n"
             "\"path\"=hex(2):25,00,41,00,00,00\r\n"),
         "\xFF\xFE",
         {"Windows Registry Editor Version 5.00\r\n\r\n" + key + "\r\n",
          "\"name\"=\"Ren\u00E9e\"\r\n", "\"path\"=hex(2):25,00,41,00,00,00\r\n"}},
    };
    for (const auto& [text, bom, kept] : cases) {
        vtltest::WriteFile(Hive(), text);
        EXPECT_EQ(Get("width") + Get("dest"), kFifty + std::string("/pictures\0", 10)) << text;
        EXPECT_EQ(Save("height", kSeven), ERROR_SUCCESS);
        EXPECT_EQ(Get("width") + Get("height"), kFifty + kSeven) << text;
        const std::string saved = vtltest::ReadFile(Hive());
        EXPECT_TRUE(saved.starts_with(bom)) << text;
        for (const std::string& line : kept) // in the file's own encoding
            EXPECT_NE(saved.find(bom.empty() ? line : Utf16(line).substr(2)), std::string::npos)
                << line << " in:\n"
                << saved;
        EXPECT_EQ(Save("height", kSeven), ERROR_SUCCESS);
        EXPECT_EQ(vtltest::ReadFile(Hive()), saved) << "a second rewrite changes nothing";
    }
    EXPECT_EQ(Get("name"), std::string("Ren\u00E9e\0", 7))
        << "a text of a UTF-16 file reads as UTF-8";
}

TEST_F(RegistryTest, AHiveThatCannotBeReadWholeReadsAsEmptyAndIsNeverReplaced) {
    vtltest::WriteFile(Hive(), "[HKEY_CURRENT_USER\\Software]\n" + std::string(17 << 20, ';'));
    struct stat before {
    }, after{};
    lstat(Hive().c_str(), &before);
    EXPECT_EQ(Get("width"), "") << "read as empty";
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key, nullptr), ERROR_CANTREAD);
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software"), ERROR_CANTREAD);
    lstat(Hive().c_str(), &after);
    EXPECT_EQ(std::tie(after.st_ino, after.st_mode, after.st_size),
              std::tie(before.st_ino, before.st_mode, before.st_size))
        << "never replaced";
}

TEST_F(RegistryTest, TwoProcessesSavingAtOnceKeepBothKeys) {
    pid_t children[2];
    for (int p = 0; p < 2; ++p)
        if ((children[p] = fork()) == 0) {
            const std::string path = "Software\\Writer" + std::to_string(p);
            bool saved = true;
            for (char i = 1; i <= 100; ++i)
                saved =
                    saved && Save("count", std::string{i, 0, 0, 0}, path.c_str()) == ERROR_SUCCESS;
            _exit(saved ? 0 : 2);
        }
    for (pid_t child : children) {
        int status = 0;
        EXPECT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0);
    }
    for (const char* path : {"Software\\Writer0", "Software\\Writer1"})
        EXPECT_EQ(Get("count", nullptr, path), std::string("\x64\0\0\0", 4)) << path;
}

// Replacing a file through a temporary file of ours, as the registry and user.dat are saved, and
// sweeping what a killed writer left.
using Names = std::set<std::string>;

TEST(ReplaceFile, KeepsTheModeFollowsLinksAndLeavesNoTemporaryFile) {
    const std::string dir = vtltest::MakeTempDir(), real = dir + "/real/settings";
    fs::create_directory(dir + "/real");
    vtltest::WriteFile(real, "old");
    chmod(real.c_str(), 0640);
    fs::create_symlink("real/settings", dir + "/link");
    ASSERT_TRUE(plat::ReplaceFileContents(dir + "/link", "new", 0600));
    EXPECT_TRUE(fs::is_symlink(dir + "/link")) << "the link stays a link";
    EXPECT_EQ(vtltest::ReadFile(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640))
        << "the replaced file's mode is kept";
    ASSERT_TRUE(plat::ReplaceFileContents(dir + "/fresh", "x", 0604));
    EXPECT_EQ(fs::status(dir + "/fresh").permissions(), fs::perms(0604))
        << "a new file gets the caller's mode";
    fs::create_symlink("nowhere/at/all", dir + "/dangling");
    EXPECT_FALSE(plat::ReplaceFileContents(dir + "/dangling", "x", 0600));
    ASSERT_TRUE(plat::CFileReplacement(real).Write("half")); // abandoned unfinished
    EXPECT_EQ(vtltest::ReadFile(real), "new");
    EXPECT_EQ(vtltest::FolderNames(dir + "/real"), Names{"settings"});
}

TEST(ReplaceFile, SweepTakesOnlyOldUnlockedFilesOfOurs) {
    const std::string dir = vtltest::MakeTempDir();
    const auto age = [&](const std::string& name) {
        const struct utimbuf old { time(nullptr) - 3600, time(nullptr) - 3600 };
        utime((dir + "/" + name).c_str(), &old);
    };
    for (const char* name : {".vtl-save-AAAAAA", ".vtl-save-toolongname", "photo.jpg"}) {
        vtltest::WriteFile(dir + "/" + name, "x");
        age(name);
    }
    vtltest::WriteFile(dir + "/.vtl-save-NEWNEW", "x"); // written a moment ago
    // A writer of this process, at work: its lock keeps its file, old as it is.
    plat::CFileReplacement live(dir + "/photo.jpg");
    ASSERT_TRUE(live.IsOpen());
    const std::string writing = fs::path(live.TempPath()).filename().string();
    age(writing);
    plat::SweepStaleTempFiles(dir);
    // Only AAAAAA is a leftover: old, unlocked and named exactly as ours are.
    EXPECT_EQ(vtltest::FolderNames(dir),
              (Names{".vtl-save-NEWNEW", ".vtl-save-toolongname", writing, "photo.jpg"}));
}

} // namespace
