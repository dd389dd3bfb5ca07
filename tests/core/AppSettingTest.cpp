// The settings object against the registry file as a person's machine holds it.
#include "app/core/AppSetting.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

auto Fields(const ResizeSetting& r) {
    return std::tie(r.bOverwrite, r.strDestFolder, r.nImageType, r.nQuality, r.bResize, r.bRotate, r.bSetDpi,
                    r.bConstrain, r.bDesktop, r.nHeight, r.nWidth, r.nHeightUnit, r.nWidthUnit, r.nRotate, r.nXDpi,
                    r.nYDpi);
}

class AppSettingTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1);
        fs::create_directories(Folder());
    }
    static std::string Hive() { return plat::RegistryHiveFile(plat::HKEY_CURRENT_USER); }
    static std::string Folder() { return fs::path(Hive()).parent_path().string(); }
    static void WriteValues(const std::string& values) {
        vtltest::WriteFile(Hive(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrell\\vtl\\setting]\n" + values);
    }
};

TEST_F(AppSettingTest, EveryValueOfAUsersFileReachesItsMember) {
    WriteValues(R"("override"=dword:00000001
"dest"="/home/me/out"
"imagetype"=dword:00000005
"qualilty"=dword:00000021
"quality"=dword:0000000c
"image_to_resize"=dword:00000000
"image_to_rotate"=dword:00000001
"image_set_dpi"=dword:00000001
"constraint"=dword:00000000
"desktop"=dword:00000001
"height"=dword:000001e0
"width"=dword:00000280
"hpercent"=dword:00000000
"wpercent"=dword:00000000
"rotate"=dword:00000002
"xdpi"=dword:0000012c
"ydpi"=dword:00000096
"ExtResizeAndMail"=dword:00000000
"windowplace"="44,0,1,-1,-1,-8,-8,10,20,810,620"
"curcol"=dword:00000141
"columnwidth3"=dword:0000004d
"cmto"="/home/me/copies"
"LastBrowsePIDL"="/home/me/pictures"
)");
    const CAppSetting s;
    const ResizeSetting expected{1, "/home/me/out", 5, 33, 0, 1, 1, 0, 1, 480, 640, 0, 0, 2, 300, 150};
    EXPECT_EQ(Fields(s.m_resize), Fields(expected)) << "\"quality\" is not the value's name";
    EXPECT_EQ(std::tie(s.m_bExtResizeAndMail, s.m_bExtResize), std::make_tuple(0, 1));
    EXPECT_EQ(std::vector<int>(s.m_nColumnWidth, s.m_nColumnWidth + 4), (std::vector<int>{200, 50, 77, -2}));
    EXPECT_EQ(s.m_nCurCol, 321);
    EXPECT_STREQ(s.m_szCopyMoveTo, "/home/me/copies");
    EXPECT_STREQ(s.m_szLastBrowse, "/home/me/pictures");
    ASSERT_TRUE(s.m_bPlacementLoaded);
    EXPECT_EQ(s.m_wndPlacement.ptMaxPositionX, -8);
    EXPECT_EQ(s.m_wndPlacement.rcNormalPositionBottom, 620);
}

TEST_F(AppSettingTest, MissingEmptyOrUnfitTextsLeaveMembersAlone) {
    const std::string tooLong(299, 'd'); // 300 bytes with its NUL: does not fit 260
    const std::string cases[] = {
        "",
        "\"dest\"=\"\"\n\"windowplace\"=\"\"\n",
        "\"dest\"=\"" + tooLong + "\"\n\"cmto\"=\"" + tooLong + "\"\n\"windowplace\"=\"1,2,3\"\n",
        "\"windowplace\"=\"a,b,c,d,e,f,g,h,i,j,k\"\n",
    };
    for (const auto& values : cases) {
        WriteValues(values + "\"width\"=dword:00000280\n");
        const CAppSetting s;
        EXPECT_EQ(s.m_resize.strDestFolder, "") << values;
        EXPECT_STREQ(s.m_szCopyMoveTo, "") << values;
        EXPECT_FALSE(s.m_bPlacementLoaded) << values;
        EXPECT_EQ(s.m_resize.nWidth, 640) << values;
    }
}

TEST_F(AppSettingTest, LoadingNeverWritesAndTheFirstSaveMakesTheKey) {
    CAppSetting fresh;
    EXPECT_EQ(Fields(fresh.m_resize), Fields(ResizeSetting{}));
    EXPECT_TRUE(fs::is_empty(Folder())) << "nothing is written by loading";
    fresh.m_resize.nWidth = 50;
    EXPECT_EQ(fresh.SaveResizeSetting(), "") << "\"Set as default\" on a fresh install";
    EXPECT_EQ(CAppSetting().m_resize.nWidth, 50);
}

TEST_F(AppSettingTest, EachSaveGroupIsOneRewriteAndLoadsBackUnchanged) {
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, Folder().c_str(), IN_MOVED_TO), 0);
    const auto rewrites = [&] {
        alignas(inotify_event) char events[4096];
        int count = 0;
        for (ssize_t got; (got = read(watch, events, sizeof events)) > 0;)
            for (char* at = events; at < events + got; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
                count += std::string(reinterpret_cast<inotify_event*>(at)->name) == fs::path(Hive()).filename();
        return count;
    };
    const ResizeSetting saved{1, "/out", 3, 55, 0, 1, 1, 0, 1, 600, 800, 0, 0, 2, 300, 200};
    {
        CAppSetting s;
        s.m_resize = saved;
        EXPECT_EQ(s.SaveResizeSetting(), "");
        EXPECT_EQ(rewrites(), 1) << "\"Set as default\" writes its sixteen values at once";
        s.m_nCurCol = 420;
        s.m_nColumnWidth[3] = 90;
        s.m_wndPlacement = WINDOWPLACEMENT{44, 2, 3, -1, -1, -8, -8, 10, 20, 810, 620};
        std::strcpy(s.m_szLastBrowse, "/last");
        EXPECT_EQ(s.SaveLayout(), "");
        EXPECT_EQ(rewrites(), 1);
        s.m_bExtVantrel = 0;
        EXPECT_EQ(s.SaveMenuAndMail(), "");
        EXPECT_EQ(rewrites(), 1);
    }
    close(watch);
    const CAppSetting s;
    EXPECT_EQ(Fields(s.m_resize), Fields(saved));
    EXPECT_EQ(std::tie(s.m_nCurCol, s.m_nColumnWidth[3], s.m_bExtVantrel), std::make_tuple(420, 90, 0));
    ASSERT_TRUE(s.m_bPlacementLoaded);
    EXPECT_EQ(s.m_wndPlacement.rcNormalPositionRight, 810);
    EXPECT_STREQ(s.m_szLastBrowse, "/last");
    // The layout save tells the extension where the program is.
    EXPECT_NE(vtltest::ReadFile(Hive()).find("\"location\"=\"" + plat::GetModuleFileName() + "\""), std::string::npos);
}

TEST_F(AppSettingTest, ASettingsFileThatCannotBeReadIsNeverReplacedAndEverySaveSaysSo) {
    for (const bool fifo : {true, false}) {
        SetUp();
        if (fifo)
            ASSERT_EQ(mkfifo(Hive().c_str(), 0600), 0);
        else
            WriteValues("\"width\"=dword:00000032\n" + std::string(17 << 20, ';'));
        CAppSetting s; // a FIFO is not waited on
        EXPECT_EQ(s.m_resize.nWidth, 100) << "read as missing";
        for (const std::string& failure : {s.SaveResizeSetting(), s.SaveLayout(), s.SaveMenuAndMail()})
            EXPECT_NE(failure.find(Hive() + " cannot be read"), std::string::npos) << failure;
        EXPECT_TRUE(fifo ? fs::is_fifo(Hive()) : fs::file_size(Hive()) > (16u << 20)) << "left as it was";
    }
}

TEST_F(AppSettingTest, StatusLineIsCopiedWhole) {
    CAppSetting s;
    s.SetStatus("Resizing /home/me/a.jpg");
    EXPECT_EQ(s.GetStatus(), "Resizing /home/me/a.jpg");
    s.SetStatus(std::string(400, 's'));
    EXPECT_EQ(s.GetStatus().size(), 299u);
}

} // namespace
