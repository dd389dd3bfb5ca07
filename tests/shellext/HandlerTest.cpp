// The context-menu handler as a file manager drives it through the loaded module: which
// selections get the "Vantrel" submenu, what the menu holds, the flag rule, the help texts.
#include "platform/com/HDropDataObject.h"
#include "platform/com/ShellExt.h"
#include "shellext/VtlExtIds.h"
#include "tests/shellext/ShellExtTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace plat;
using shellexttest::Module;

// One handler object, released with the test's scope.
class Handler {
public:
    Handler() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&m_menu)), S_OK);
        factory->Release();
        EXPECT_EQ(m_menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&m_init)), S_OK);
    }
    ~Handler() {
        m_init->Release();
        m_menu->Release();
    }
    HRESULT Initialize(const std::vector<std::string>& files) {
        CHDropDataObject* data = CHDropDataObject::Create(files);
        const HRESULT hr = m_init->Initialize(nullptr, data, nullptr);
        data->Release();
        return hr;
    }
    IContextMenu* operator->() { return m_menu; }

private:
    IContextMenu* m_menu = nullptr;
    IShellExtInit* m_init = nullptr;
};

// True when the handler adds its submenu for a selection of just this file.
bool OffersMenu(const std::string& file) {
    Handler handler;
    handler.Initialize({file});
    HMENU menu = CreatePopupMenu();
    const HRESULT hr = handler->QueryContextMenu(menu, 0, 100, 200, CMF_NORMAL);
    const bool offered = GetMenuItemCount(menu) == 1 && HRESULT_CODE(hr) == 3;
    DestroyMenu(menu);
    return offered;
}

TEST(ShellExtHandler, PictureTestLooksAtTheFileNamesLastDotOnly) {
    const struct {
        const char* path;
        bool accepted;
    } cases[] = {
        {"/p/PHOTO.JPG", true},         {"/p/a.Jpeg", true},
        {"/p/b.BMP", true},             {"/p/c.gif", true},
        {"/p/d.png", false},            {"/p/e.jpg.zip", false},
        {"/p/f.tif", false},            {"/p/nodot", false},
        {"/p/my.pictures/a.jpg", true}, {"/p/holiday.jpg/readme", false},
        {"/p/x.jpgg", false},           {"/p/trailing.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OffersMenu(c.path), c.accepted) << c.path;
}

TEST(ShellExtHandler, FlagRuleOfTheLowestFourBits) {
    const struct {
        UINT flags;
        bool shown;
    } cases[] = {
        {CMF_NORMAL, true},      {CMF_EXPLORE, true},  {CMF_VERBSONLY, true},
        {CMF_DEFAULTONLY, false}, {CMF_NOVERBS, false}, {CMF_DEFAULTONLY | CMF_NOVERBS, false},
        {CMF_DEFAULTONLY | CMF_EXPLORE, true},          {0x10, true}, {0x10 | CMF_DEFAULTONLY, false},
    };
    for (const auto& c : cases) {
        Handler handler;
        ASSERT_EQ(handler.Initialize({"/p/a.jpg"}), S_OK);
        HMENU menu = CreatePopupMenu();
        const HRESULT hr = handler->QueryContextMenu(menu, 0, 1, 10, c.flags);
        EXPECT_TRUE(SUCCEEDED(hr)) << c.flags;
        EXPECT_EQ(HRESULT_CODE(hr), c.shown ? 3u : 0u) << c.flags;
        EXPECT_EQ(GetMenuItemCount(menu), c.shown ? 1 : 0) << c.flags;
        DestroyMenu(menu);
    }
}

TEST(ShellExtHandler, SubmenuGoesAtIndexMenuWithThreeCommandsAndTheMark) {
    Handler handler;
    ASSERT_EQ(handler.Initialize({"/p/a.jpg", "/p/b.txt"}), S_OK);
    HMENU menu = CreatePopupMenu();
    InsertMenu(menu, 0, MF_BYPOSITION, 1, "Open");
    InsertMenu(menu, 1, MF_BYPOSITION, 2, "Delete");
    ASSERT_EQ(handler->QueryContextMenu(menu, 1, 40, 50, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));

    ASSERT_EQ(GetMenuItemCount(menu), 3);
    MENUITEMINFO info;
    ASSERT_TRUE(GetMenuItemInfo(menu, 1, true, &info));
    EXPECT_EQ(info.text, "Vantrel");
    ASSERT_NE(info.hSubMenu, nullptr);
    ASSERT_NE(info.hbmpUnchecked, nullptr);
    EXPECT_EQ(info.hbmpChecked, info.hbmpUnchecked);
    EXPECT_EQ(info.hbmpUnchecked->width, 13);
    EXPECT_EQ(info.hbmpUnchecked->height, 13);
    const HBITMAP mark = info.hbmpUnchecked;

    const HMENU popup = info.hSubMenu;
    const char* texts[] = {"Resize...", "Resize as default setting", "Resize and mail"};
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    for (UINT i = 0; i < 3; ++i) {
        ASSERT_TRUE(GetMenuItemInfo(popup, i, true, &info));
        EXPECT_EQ(info.text, texts[i]);
        EXPECT_EQ(info.wID, 40 + i);
        EXPECT_EQ(info.hbmpUnchecked, mark);
        EXPECT_EQ(info.hbmpChecked, mark);
    }
    EXPECT_EQ(GetMenuItemID(menu, 2), 2u) << "the host's own items keep their place";
    DestroyMenu(menu);
}

TEST(ShellExtHandler, SubmenuPastTheEndIsAppendedWithItsMark) {
    Handler handler;
    ASSERT_EQ(handler.Initialize({"/p/a.gif"}), S_OK);
    HMENU menu = CreatePopupMenu();
    InsertMenu(menu, 0, MF_BYPOSITION, 1, "Open");
    ASSERT_EQ(HRESULT_CODE(handler->QueryContextMenu(menu, 0xFFFF, 1, 10, CMF_NORMAL)), 3u);
    MENUITEMINFO info;
    ASSERT_TRUE(GetMenuItemInfo(menu, 1, true, &info));
    EXPECT_EQ(info.text, "Vantrel");
    EXPECT_NE(info.hbmpUnchecked, nullptr);
    DestroyMenu(menu);
}

// A selection that offers no CF_HDROP list, as a virtual folder's would.
class NoFilesDataObject final : public IDataObject {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetData(const FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT QueryGetData(const FORMATETC*) override { return DV_E_FORMATETC; }
    ULONG refs = 1;
};

TEST(ShellExtHandler, InitializeRefusesSelectionsWithoutFilesAndRebuildsOnEachCall) {
    Handler handler;
    EXPECT_EQ(handler.Initialize({}), E_INVALIDARG) << "no files";
    NoFilesDataObject noFiles;
    IShellExtInit* init = nullptr;
    ASSERT_EQ(handler->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    EXPECT_EQ(init->Initialize(nullptr, &noFiles, nullptr), E_INVALIDARG);
    EXPECT_EQ(noFiles.refs, 2u) << "the data object is held until the next Initialize";
    EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);

    EXPECT_EQ(handler.Initialize({"/p/a.jpg"}), S_OK);
    EXPECT_EQ(noFiles.refs, 1u) << "the earlier data object is released";
    HMENU menu = CreatePopupMenu();
    EXPECT_EQ(HRESULT_CODE(handler->QueryContextMenu(menu, 0, 1, 10, 0)), 3u);
    DestroyMenu(menu);

    EXPECT_EQ(handler.Initialize({"/p/notes.txt"}), S_OK);
    menu = CreatePopupMenu();
    EXPECT_EQ(handler->QueryContextMenu(menu, 0, 1, 10, 0), S_OK) << "the new selection has no picture";
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    DestroyMenu(menu);
    init->Release();
}

TEST(ShellExtHandler, GetCommandStringCutsToCchMaxAndWritesNothingForValidation) {
    Handler handler;
    ASSERT_EQ(handler.Initialize({"/p/a.jpg"}), S_OK);
    char full[256];
    ASSERT_EQ(handler->GetCommandString(1, GCS_HELPTEXTA, nullptr, full, sizeof full), S_OK);
    const std::string help1 = full;
    ASSERT_GT(help1.size(), 10u);

    WCHAR wide[256];
    ASSERT_EQ(handler->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 256), S_OK);
    EXPECT_EQ(std::u16string(wide), std::u16string(help1.begin(), help1.end()));

    const std::string untouched(255, '#');
    const struct {
        UINT type;
        UINT cch;
        std::uintptr_t id;
        std::string expected;
    } cases[] = {
        {GCS_HELPTEXTA, 10, 1, help1.substr(0, 9)},
        {GCS_VERBA, 10, 1, help1.substr(0, 9)},
        {GCS_HELPTEXTA, 1, 1, ""},
        {GCS_HELPTEXTA, 0, 1, untouched},
        {GCS_VALIDATEA, 256, 1, untouched},
        {GCS_VALIDATEW, 256, 1, untouched},
        {GCS_HELPTEXTA, 256, 3, untouched},
    };
    for (const auto& c : cases) {
        char buffer[256];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        buffer[255] = '\0';
        EXPECT_EQ(handler->GetCommandString(c.id, c.type, nullptr, buffer, c.cch), S_OK);
        EXPECT_EQ(std::string(buffer), c.expected) << "kind " << c.type << " cch " << c.cch;
        if (c.expected != untouched) {
            EXPECT_EQ(buffer[c.cch], '#') << "nothing written past cchMax";
        }
    }

    WCHAR cut[8];
    std::fill(std::begin(cut), std::end(cut), u'#');
    handler->GetCommandString(2, GCS_VERBW, nullptr, reinterpret_cast<char*>(cut), 5);
    char full2[256];
    handler->GetCommandString(2, GCS_HELPTEXTA, nullptr, full2, sizeof full2);
    EXPECT_EQ(std::u16string(cut), std::u16string(full2, full2 + 4));
    EXPECT_EQ(cut[5], u'#');

    std::set<std::string> distinct;
    for (std::uintptr_t id = 0; id < 3; ++id) {
        handler->GetCommandString(id, GCS_HELPTEXTA, nullptr, full, sizeof full);
        distinct.insert(full);
    }
    EXPECT_EQ(distinct.size(), 3u) << "each command has its own help text";
}

} // namespace
