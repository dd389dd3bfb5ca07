// The settings object against the registry file as a person's machine holds it, and user.dat.
#include "app/model/AppSetting.h"
#include "app/model/UserData.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What a save tells the user: why it failed, or its notice ("" when there is nothing to say).
std::string Said(const plat::Result<Saved>& saved) {
    return saved ? saved->notice : saved.error().message;
}

auto Fields(const ResizeSetting& r) {
    return std::tie(r.bOverwrite, r.strDestFolder, r.nImageType, r.nQuality, r.bResize, r.bRotate,
                    r.bSetDpi, r.bConstrain, r.bDesktop, r.nHeight, r.nWidth, r.nHeightUnit,
                    r.nWidthUnit, r.nRotate, r.nXDpi, r.nYDpi);
}

class AppSettingTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1);
        fs::create_directories(Folder());
    }
    static std::string Hive() { return plat::RegistryHiveFile(plat::HKEY_CURRENT_USER); }
    static std::string Folder() { return fs::path(Hive()).parent_path().string(); }
    // The key as a person's machine holds it, with these text values.
    static void WriteTexts(const std::map<std::string, std::string>& texts) {
        std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n";
        for (const auto& [name, value] : texts)
            text += "\"" + name + "\"=\"" + value + "\"\n";
        vtltest::WriteFile(Hive(), text);
    }
};

TEST_F(AppSettingTest, TextsTooLongForTheirBufferAndPlacementsNotWholeAreLeftOut) {
    const std::string tooLong(299, 'd'); // the buffers hold 260 bytes
    for (const char* placement : {"", "1,2,3", "a,b,c,d,e,f,g,h,i,j,k"}) {
        WriteTexts(
            {{"dest", tooLong}, {"cmto", tooLong}, {"windowplace", placement}, {"width", "500"}});
        const CAppSetting unfit;
        EXPECT_EQ(std::string(unfit.m_resize.strDestFolder) + unfit.m_szCopyMoveTo, "");
        EXPECT_EQ(unfit.m_resize.nWidth, ResizeSetting{}.nWidth) << "a number stored as text";
        EXPECT_FALSE(unfit.m_bPlacementLoaded) << placement;
    }
}

// From a fresh install: loading writes nothing, and the first save makes the key.
TEST_F(AppSettingTest, EachSaveGroupLoadsBackUnchanged) {
    const ResizeSetting saved{1, "/out", 3, 55, 0, 1, 1, 0, 1, 600, 800, 0, 0, 2, 300, 200};
    {
        CAppSetting s;
        EXPECT_EQ(Fields(s.m_resize), Fields(ResizeSetting{}));
        EXPECT_TRUE(fs::is_empty(Folder())) << "nothing is written by loading";
        s.m_resize = saved;
        EXPECT_EQ(Said(s.SaveResizeSetting()), "") << "\"Set as default\" on a fresh install";
        s.m_nCurCol = 420;
        s.m_nColumnWidth[3] = 90;
        s.m_wndPlacement = WINDOWPLACEMENT{44, 2, 3, -1, -1, -8, -8, 10, 20, 810, 620};
        std::strcpy(s.m_szLastBrowse, "/last");
        std::strcpy(s.m_szCopyMoveTo, "/copies");
        EXPECT_EQ(Said(s.SaveLayout()), "");
        s.m_bExtVantrel = 0;
        EXPECT_EQ(Said(s.SaveMenuAndMail()), "");
    }
    const CAppSetting s;
    EXPECT_EQ(Fields(s.m_resize), Fields(saved));
    EXPECT_EQ(std::tie(s.m_nCurCol, s.m_nColumnWidth[3], s.m_bExtVantrel, s.m_bPlacementLoaded,
                       s.m_wndPlacement.rcNormalPositionRight),
              std::make_tuple(420, 90, 0, true, 810));
    EXPECT_EQ(std::string(s.m_szLastBrowse) + s.m_szCopyMoveTo, "/last/copies");
    // The layout save tells the extension where the program is.
    EXPECT_NE(vtltest::ReadFile(Hive()).find("\"location\"=\"" + plat::GetModuleFileName() + "\""),
              std::string::npos);
}

TEST_F(AppSettingTest, ASettingsFileThatCannotBeReadIsNeverLostAndEverySaveSaysWhatHappened) {
    const std::string hive = Hive(), lock = plat::RegistryLockFile(plat::HKEY_CURRENT_USER);
    const std::string lockHeld = "The settings could not be saved: another program held the lock " +
                                 lock + " for more than 5 seconds";
    const std::string noise(4096, '\x9F');
    int held = -1; // the lock, as another program holds it
    using Step = std::function<void()>;
    // What is put in the settings file's place; what four saves in a row say (each a prefix, ""
    // for nothing); what is then in the folder (a kept file without its date); what else holds.
    const std::tuple<Step, std::vector<std::string>, std::set<std::string>, Step> cases[] = {
        // Not settings at all: kept beside, the person told once, new settings saved.
        {[&] { vtltest::WriteFile(hive, noise); },
         {"The settings file " + hive + " could not be read as settings. It was kept as " + hive +
              ".unreadable-",
          "", "", ""},
         {"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock",
          "HKEY_CURRENT_USER.reg.unreadable-"},
         [&] {
             for (const std::string& name : vtltest::FolderNames(Folder()))
                 EXPECT_TRUE(name.find(".unreadable-") == std::string::npos ||
                             vtltest::ReadFile(Folder() + "/" + name) == noise)
                     << "kept byte for byte";
             EXPECT_EQ(CAppSetting().m_resize.nWidth, 50) << "the new settings";
         }},
        // Another program holds the settings lock and never lets it go: no save waits for good.
        {[&] {
             WriteTexts({{"dest", "/kept"}});
             held = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
             ASSERT_EQ(flock(held, LOCK_EX), 0);
         },
         std::vector(4, lockHeld),
         {"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"},
         [&] {
             close(held);
             EXPECT_EQ(CAppSetting().m_resize.strDestFolder, "/kept") << "left as it was";
             EXPECT_EQ(CAppSetting().m_resize.nWidth, 100);
         }},
    };
    for (const auto& [make, saves, left, after] : cases) {
        fs::remove_all(Folder());
        fs::create_directories(Folder());
        make();
        CAppSetting s;
        EXPECT_EQ(s.m_resize.nWidth, 100) << "read as missing";
        s.m_resize.nWidth = 50;
        const std::string said[] = {Said(s.SaveResizeSetting()), Said(s.SaveLayout()),
                                    Said(s.SaveMenuAndMail()), Said(s.SaveResizeSetting())};
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(said[i].substr(0, saves[i].size()), saves[i]) << said[i];
            EXPECT_EQ(said[i].empty(), saves[i].empty()) << said[i];
        }
        std::set<std::string> names;
        for (const std::string& name : vtltest::FolderNames(Folder())) {
            const auto kept = name.find(".unreadable-");
            if (name != "user.dat")
                names.insert(kept == std::string::npos ? name : name.substr(0, kept + 12));
        }
        EXPECT_EQ(names, left);
        after();
    }

    // A disk that fills up while user.dat or the registry is rewritten: each save says so, and
    // every file stays byte for byte as it was, without a temporary file left beside it.
    fs::remove_all(Folder());
    fs::create_directories(Folder());
    WriteTexts({{"pad", std::string(5000, 'p')}});
    CAppSetting s;
    const std::string userDat = Folder() + "/user.dat";
    ASSERT_TRUE(WriteUserData(userDat, "old subject", "old body"));
    const std::string before = vtltest::ReadFile(Hive()) + vtltest::ReadFile(userDat);
    {
        const vtltest::ScopedFileSizeLimit full(4096);
        for (const std::string& failure : {Said(s.SaveResizeSetting()), Said(s.SaveLayout())})
            EXPECT_NE(failure.find(Hive()), std::string::npos)
                << "the save names the file: " << failure;
        EXPECT_FALSE(WriteUserData(userDat, "new subject", "new body"));
    }
    EXPECT_EQ(vtltest::ReadFile(Hive()) + vtltest::ReadFile(userDat), before);
    EXPECT_EQ(
        vtltest::FolderNames(Folder()),
        (std::set<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock", "user.dat"}));
}

// user.dat: the fixed record of the mail subject and body.
std::string Record(const std::string& subject, const std::string& body) {
    std::string record(USERDATA_FILE_SIZE, '\0');
    record.replace(0, subject.size(), subject);
    record.replace(USERDATA_SUBJECT_SIZE, body.size(), body);
    return record;
}

TEST(UserData, ReadingTheRecord) {
    const std::string path = vtltest::MakeTempDir("userdata") + "/user.dat";
    // The file ("": none, "FIFO": a FIFO in its place), the result and the texts then held.
    const std::tuple<std::string, UserDataRead, std::string> cases[] = {
        {"", UserDataRead::Missing, "|"},
        {"FIFO", UserDataRead::Missing, "|"}, // not waited on
        {Record("New", "Text").substr(0, USERDATA_FILE_SIZE - 1), UserDataRead::Short,
         "old subject|old body"}, // cut short
        {std::string(200, 's') + std::string(5000, 'b'), UserDataRead::Read,
         std::string(199, 's') + "|" + std::string(4999, 'b')}, // fields stop at their end
    };
    for (const auto& [file, result, texts] : cases) {
        fs::remove_all(path);
        if (file == "FIFO")
            mkfifo(path.c_str(), 0600);
        else if (!file.empty())
            vtltest::WriteFile(path, file);
        char subject[USERDATA_SUBJECT_SIZE] = "old subject", body[USERDATA_BODY_SIZE] = "old body";
        EXPECT_EQ(ReadUserData(path, subject, body), result) << file.substr(0, 12);
        EXPECT_EQ(std::string(subject) + "|" + body, texts) << file.substr(0, 12);
    }
}

TEST(UserData, WritingKeepsTheRecordExactAndWholeAndLosesNothingWhenItCannot) {
    const std::string dir = vtltest::MakeTempDir("userdata");
    // "é" is two bytes: 100 of them are 200 bytes, one too many for the subject field.
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    ASSERT_TRUE(WriteUserData(dir + "/user.dat", accents.c_str(), std::string(5000, 'B').c_str()));
    EXPECT_EQ(vtltest::ReadFile(dir + "/user.dat"),
              Record(accents.substr(0, 198), std::string(4999, 'B')))
        << "each text cut to its field, between characters";
    EXPECT_EQ(vtltest::FolderNames(dir), std::set<std::string>{"user.dat"}) << "no temporary file";

    const std::string fifo = vtltest::MakeTempDir("fifo") + "/user.dat";
    mkfifo(fifo.c_str(), 0600);
    for (const auto& [path, why] :
         {std::pair{dir + "/missing-folder/user.dat", " could not be written."},
          {fifo, " is there but cannot be read, and was left as it is."}}) {
        const auto written = WriteUserData(path, "new", "new body");
        EXPECT_EQ(written ? "written" : written.error().message, path + why);
    }
    EXPECT_TRUE(fs::is_fifo(fifo)) << "a user.dat that cannot be read is never replaced";
}

} // namespace
