#include "app/core/AppSetting.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace plat;

namespace {

constexpr const char* kKey = "Software\\Ostrell\\vtl\\setting";

class AppSettingTest : public testing::Test {
protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", vtltest::MakeTempDir("config").c_str(), 1); }

    static HKEY Key() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_WRITE, &key, nullptr), ERROR_SUCCESS);
        return key;
    }
    static void SetDword(const char* name, std::int32_t value) {
        HKEY key = Key();
        RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        RegCloseKey(key);
    }
    static void SetString(const char* name, const std::string& text) {
        HKEY key = Key();
        RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }
    static bool KeyExists() {
        HKEY key = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, "software\\ostrell\\VTL\\SETTING", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    static std::string GetString(const char* name) {
        HKEY key = Key();
        char buf[300] = {};
        DWORD size = sizeof buf;
        RegQueryValueEx(key, name, nullptr, reinterpret_cast<BYTE*>(buf), &size);
        RegCloseKey(key);
        return buf;
    }
};

TEST_F(AppSettingTest, FirstStartCreatesTheKeyAndKeepsDefaults) {
    ASSERT_FALSE(KeyExists());
    const CAppSetting s;
    EXPECT_TRUE(KeyExists());
    const ResizeSetting& r = s.m_resize;
    EXPECT_EQ(r.bOverwrite, 0);
    EXPECT_EQ(r.strDestFolder, "");
    EXPECT_EQ(r.nImageType, 0);
    EXPECT_EQ(r.nQuality, 80);
    EXPECT_EQ(r.bResize, 1);
    EXPECT_EQ(r.bRotate, 0);
    EXPECT_EQ(r.bSetDpi, 0);
    EXPECT_EQ(r.bConstrain, 1);
    EXPECT_EQ(r.bDesktop, 0);
    EXPECT_EQ(r.nWidth, 100);
    EXPECT_EQ(r.nHeight, 100);
    EXPECT_EQ(r.nWidthUnit, 1);
    EXPECT_EQ(r.nHeightUnit, 1);
    EXPECT_EQ(r.nRotate, 0);
    EXPECT_EQ(r.nXDpi, 72);
    EXPECT_EQ(r.nYDpi, 72);
    EXPECT_EQ(s.m_bExtVantrel + s.m_bExtResize + s.m_bExtResizeAsDefaultSetting + s.m_bExtResizeAndMail +
                  s.m_bExtResizeDefaultAndMail,
              5);
    EXPECT_EQ(s.m_nCurCol, 500);
    EXPECT_EQ(std::vector<int>(s.m_nColumnWidth, s.m_nColumnWidth + 4), (std::vector<int>{200, 50, 100, -2}));
    EXPECT_FALSE(s.m_bPlacementLoaded);
    EXPECT_STREQ(s.m_szCopyMoveTo, "");
    EXPECT_STREQ(s.m_szLastBrowse, "");
    EXPECT_TRUE(s.m_listFiles.empty());
    EXPECT_EQ(s.GetStatus(), "");
}

TEST_F(AppSettingTest, EachStoredValueReachesItsMember) {
    const struct {
        const char* name;
        std::int32_t value;
        std::int32_t ResizeSetting::*member;
    } cases[] = {
        {"override", 1, &ResizeSetting::bOverwrite},     {"imagetype", 5, &ResizeSetting::nImageType},
        {"qualilty", 33, &ResizeSetting::nQuality},      {"image_to_resize", 0, &ResizeSetting::bResize},
        {"image_to_rotate", 1, &ResizeSetting::bRotate}, {"image_set_dpi", 1, &ResizeSetting::bSetDpi},
        {"constraint", 0, &ResizeSetting::bConstrain},   {"desktop", 1, &ResizeSetting::bDesktop},
        {"height", 480, &ResizeSetting::nHeight},        {"width", 640, &ResizeSetting::nWidth},
        {"hpercent", 0, &ResizeSetting::nHeightUnit},    {"wpercent", 0, &ResizeSetting::nWidthUnit},
        {"rotate", 2, &ResizeSetting::nRotate},          {"xdpi", 300, &ResizeSetting::nXDpi},
        {"ydpi", 150, &ResizeSetting::nYDpi},
    };
    for (const auto& c : cases)
        SetDword(c.name, c.value);
    SetString("dest", "/home/me/out");
    SetDword("quality", 12); // the correct spelling is not the value name
    SetDword("curcol", 321);
    SetDword("columnwidth3", 77);
    SetDword("ExtResizeAndMail", 0);
    SetString("cmto", "/home/me/copies");
    SetString("LastBrowsePIDL", "/home/me/pictures");
    SetString("windowplace", "44,0,1,-1,-1,-8,-8,10,20,810,620");

    const CAppSetting s;
    for (const auto& c : cases)
        EXPECT_EQ(s.m_resize.*c.member, c.value) << c.name;
    EXPECT_EQ(s.m_resize.strDestFolder, "/home/me/out");
    EXPECT_EQ(s.m_nCurCol, 321);
    EXPECT_EQ(s.m_nColumnWidth[2], 77);
    EXPECT_EQ(s.m_nColumnWidth[0], 200);
    EXPECT_EQ(s.m_bExtResizeAndMail, 0);
    EXPECT_EQ(s.m_bExtResize, 1);
    EXPECT_STREQ(s.m_szCopyMoveTo, "/home/me/copies");
    EXPECT_STREQ(s.m_szLastBrowse, "/home/me/pictures");
    ASSERT_TRUE(s.m_bPlacementLoaded);
    EXPECT_EQ(s.m_wndPlacement.length, 44);
    EXPECT_EQ(s.m_wndPlacement.ptMaxPositionX, -8);
    EXPECT_EQ(s.m_wndPlacement.rcNormalPositionBottom, 620);
}

TEST_F(AppSettingTest, MissingEmptyOrUnfitTextsLeaveMembersAlone) {
    const struct {
        const char* what;
        const char* dest; // null: no value
        const char* placement;
    } cases[] = {
        {"missing", nullptr, nullptr},
        {"empty", "", ""},
        {"malformed placement", "", "1,2,3"},
        {"placement with words", "", "a,b,c,d,e,f,g,h,i,j,k"},
    };
    for (const auto& c : cases) {
        SetUp();
        if (c.dest)
            SetString("dest", c.dest);
        if (c.placement)
            SetString("windowplace", c.placement);
        const CAppSetting s;
        EXPECT_EQ(s.m_resize.strDestFolder, "") << c.what;
        EXPECT_FALSE(s.m_bPlacementLoaded) << c.what;
    }
    SetUp();
    SetString("dest", std::string(299, 'd')); // 300 bytes with its NUL: does not fit 260
    SetString("cmto", std::string(400, 'c'));
    SetDword("width", 640);
    const CAppSetting s;
    EXPECT_EQ(s.m_resize.strDestFolder, "");
    EXPECT_STREQ(s.m_szCopyMoveTo, "");
    EXPECT_EQ(s.m_resize.nWidth, 640);
}

TEST_F(AppSettingTest, SavedGroupsLoadBackUnchanged) {
    {
        CAppSetting s;
        s.m_resize = ResizeSetting{1, "/out", 3, 55, 0, 1, 1, 0, 1, 600, 800, 0, 0, 2, 300, 200};
        s.SaveResizeSetting();
        s.m_nCurCol = 420;
        s.m_nColumnWidth[0] = 180;
        s.m_nColumnWidth[3] = 90;
        s.m_wndPlacement = WINDOWPLACEMENT{44, 2, 3, -1, -1, -8, -8, 10, 20, 810, 620};
        std::strcpy(s.m_szCopyMoveTo, "/copies");
        std::strcpy(s.m_szLastBrowse, "/last");
        s.SaveLayout();
        s.m_bExtVantrel = 0;
        s.m_bExtResizeDefaultAndMail = 0;
        s.SaveMenuAndMail();
    }
    const CAppSetting s;
    const ResizeSetting& r = s.m_resize;
    const ResizeSetting expected{1, "/out", 3, 55, 0, 1, 1, 0, 1, 600, 800, 0, 0, 2, 300, 200};
    EXPECT_EQ(std::tie(r.bOverwrite, r.strDestFolder, r.nImageType, r.nQuality, r.bResize, r.bRotate, r.bSetDpi,
                       r.bConstrain, r.bDesktop, r.nHeight, r.nWidth, r.nHeightUnit, r.nWidthUnit, r.nRotate,
                       r.nXDpi, r.nYDpi),
              std::tie(expected.bOverwrite, expected.strDestFolder, expected.nImageType, expected.nQuality,
                       expected.bResize, expected.bRotate, expected.bSetDpi, expected.bConstrain, expected.bDesktop,
                       expected.nHeight, expected.nWidth, expected.nHeightUnit, expected.nWidthUnit,
                       expected.nRotate, expected.nXDpi, expected.nYDpi));
    EXPECT_EQ(s.m_nCurCol, 420);
    EXPECT_EQ(s.m_nColumnWidth[0], 180);
    EXPECT_EQ(s.m_nColumnWidth[3], 90);
    ASSERT_TRUE(s.m_bPlacementLoaded);
    EXPECT_EQ(s.m_wndPlacement.flags, 2);
    EXPECT_EQ(s.m_wndPlacement.rcNormalPositionRight, 810);
    EXPECT_STREQ(s.m_szCopyMoveTo, "/copies");
    EXPECT_STREQ(s.m_szLastBrowse, "/last");
    EXPECT_EQ(s.m_bExtVantrel, 0);
    EXPECT_EQ(s.m_bExtResizeDefaultAndMail, 0);
    EXPECT_EQ(s.m_bExtResize, 1);
    // The layout save tells the extension where the program is.
    EXPECT_EQ(GetString("location"), GetModuleFileName());
    EXPECT_EQ(GetString("windowplace"), "44,2,3,-1,-1,-8,-8,10,20,810,620");
}

TEST_F(AppSettingTest, SavingTheResizeGroupNeverCreatesTheKey) {
    CAppSetting s; // creates the key
    ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software\\Ostrell"), ERROR_SUCCESS);
    s.m_resize.nWidth = 5;
    s.SaveResizeSetting();
    EXPECT_FALSE(KeyExists());
}

TEST_F(AppSettingTest, StatusLineIsCopiedWhole) {
    CAppSetting s;
    s.SetStatus("Resizing /home/me/a.jpg");
    EXPECT_EQ(s.GetStatus(), "Resizing /home/me/a.jpg");
    s.SetStatus(std::string(400, 's'));
    EXPECT_EQ(s.GetStatus().size(), 299u);
}

TEST_F(AppSettingTest, TheSettingsObjectIsCreatedOnce) {
    CAppSetting* first = GetAppSetting();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetAppSetting(), first);
}

} // namespace
