// The context-menu handler as a file manager drives it through the loaded module: which
// selections get the "Vantrel" submenu, what the menu holds, what a command hands over and
// starts, and what it refuses without touching the block.
#include "platform/com/HDropDataObject.h"
#include "platform/com/ShellExt.h"
#include "shellext/VtlExtIds.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

using namespace plat;
using namespace shellexttest;
using Files = std::vector<std::string>;

// One handler object, released with the test's scope.
class Handler {
public:
    explicit Handler(const Files& files = {}) {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Module().GetClassObject(vtlext::CLSID_VtlShellEx, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
        factory->Release();
        EXPECT_EQ(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
        if (!files.empty())
            Initialize(files);
    }
    ~Handler() {
        init->Release();
        menu->Release();
    }
    HRESULT Initialize(const Files& files) {
        CHDropDataObject* data = CHDropDataObject::Create(files);
        const HRESULT hr = init->Initialize(nullptr, data, nullptr);
        data->Release();
        return hr;
    }
    // The items QueryContextMenu adds to an empty menu, and its result.
    std::pair<int, HRESULT> Offered(UINT flags = CMF_NORMAL) {
        HMENU popup = CreatePopupMenu();
        const HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 10, flags);
        const int count = GetMenuItemCount(popup);
        DestroyMenu(popup);
        return {count, hr};
    }
    HRESULT Invoke(const char* verb) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        return menu->InvokeCommand(&info);
    }
    IContextMenu* menu = nullptr;
    IShellExtInit* init = nullptr;
};

TEST(ShellExtHandler, PictureTestLooksAtTheFileNamesLastDotInAnyLetterCase) {
    const struct {
        const char* path;
        bool accepted;
    } cases[] = {
        {"/p/PHOTO.JPG", true},         {"/p/photo.Jpg", true},  {"/p/a.Jpeg", true},      {"/p/b.BMP", true},
        {"/p/c.gif", true},             {"/p/d.png", false},     {"/p/e.jpg.zip", false},  {"/p/f.tif", false},
        {"/p/nodot", false},            {"/p/x.jpgg", false},    {"/p/trailing.", false},  {"/p/my.pictures/a.jpg", true},
        {"/p/holiday.jpg/readme", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Handler({c.path}).Offered(), std::make_pair(c.accepted ? 1 : 0, c.accepted ? HRESULT(3) : S_OK))
            << c.path;
}

TEST(ShellExtHandler, FlagRuleOfTheLowestFourBits) {
    const struct {
        UINT flags;
        bool shown;
    } cases[] = {
        {CMF_NORMAL, true},  {CMF_EXPLORE, true}, {CMF_VERBSONLY, true}, {CMF_DEFAULTONLY, false},
        {CMF_NOVERBS, false}, {CMF_DEFAULTONLY | CMF_NOVERBS, false},   {CMF_DEFAULTONLY | CMF_EXPLORE, true},
        {0x10, true},        {0x10 | CMF_DEFAULTONLY, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Handler({"/p/a.jpg"}).Offered(c.flags), std::make_pair(c.shown ? 1 : 0, c.shown ? HRESULT(3) : S_OK))
            << c.flags;
}

TEST(ShellExtHandler, TheSubmenuGoesAtIndexMenuWithThreeCommandsEachWithTheMark) {
    for (const UINT index : {1u, 0xFFFFu}) {
        Handler handler({"/p/a.jpg", "/p/b.txt"});
        HMENU menu = CreatePopupMenu();
        InsertMenu(menu, 0, MF_BYPOSITION, 1, "Open");
        InsertMenu(menu, 1, MF_BYPOSITION, 2, "Delete");
        ASSERT_EQ(handler.menu->QueryContextMenu(menu, index, 40, 50, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 3));
        const UINT at = std::min(index, 2u);
        MENUITEMINFO info;
        ASSERT_TRUE(GetMenuItemInfo(menu, at, true, &info));
        EXPECT_EQ(info.text, "Vantrel");
        const HBITMAP mark = info.hbmpUnchecked;
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(info.hbmpChecked, mark);
        EXPECT_EQ(std::make_pair(mark->width, mark->height), std::make_pair(13, 13));
        const HMENU popup = info.hSubMenu;
        const char* texts[] = {"Resize...", "Resize as default setting", "Resize and mail"};
        ASSERT_EQ(GetMenuItemCount(popup), 3);
        for (UINT i = 0; i < 3; ++i) {
            ASSERT_TRUE(GetMenuItemInfo(popup, i, true, &info));
            EXPECT_EQ(info.text, texts[i]);
            EXPECT_EQ(info.wID, 40 + i);
            EXPECT_EQ(info.hbmpUnchecked, mark);
        }
        EXPECT_EQ(GetMenuItemID(menu, at == 1 ? 2 : 1), 2u) << "the host's own items keep their order";
        DestroyMenu(menu);
    }
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

TEST(ShellExtHandler, AFailedInitializeLeavesNothingOfTheLastSelectionToOfferOrRun) {
    const std::string vtl = MakeFakeApplication(vtltest::MakeTempDir("init"));
    SetLocation(vtl);
    ScribbleBlock();
    Handler handler({"/p/a.jpg"});
    ASSERT_EQ(handler.Offered().first, 1);
    NoFilesDataObject noFiles;
    EXPECT_EQ(handler.init->Initialize(nullptr, &noFiles, nullptr), E_INVALIDARG);
    EXPECT_EQ(noFiles.refs, 2u) << "the data object is held until the next Initialize";
    EXPECT_EQ(handler.Offered(), std::make_pair(0, S_OK));
    EXPECT_EQ(handler.Invoke(MAKEINTRESOURCE(1)), E_INVALIDARG) << "a host that ignored the failure runs nothing";
    EXPECT_TRUE(BlockUntouched());
    EXPECT_TRUE(NeverStarted(vtl));

    EXPECT_EQ(handler.Initialize({}), E_INVALIDARG) << "no files";
    EXPECT_EQ(handler.init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(noFiles.refs, 1u) << "the earlier data object is released";
    EXPECT_EQ(handler.Initialize({"/p/a.gif"}), S_OK);
    EXPECT_EQ(handler.Offered().first, 1);
    EXPECT_EQ(handler.Initialize({"/p/notes.txt"}), S_OK);
    EXPECT_EQ(handler.Offered().first, 0) << "each call builds the list anew";
}

TEST(ShellExtHandler, GetCommandStringCutsToCchMaxAndWritesNothingForValidation) {
    Handler handler({"/p/a.jpg"});
    char full[256];
    std::set<std::string> helps;
    for (std::uintptr_t id = 0; id < 3; ++id) {
        ASSERT_EQ(handler.menu->GetCommandString(id, GCS_HELPTEXTA, nullptr, full, sizeof full), S_OK);
        helps.insert(full);
    }
    EXPECT_EQ(helps.size(), 3u) << "each command has its own help text";
    handler.menu->GetCommandString(1, GCS_HELPTEXTA, nullptr, full, sizeof full);
    const std::string help(full);
    WCHAR wide[256];
    handler.menu->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 256);
    EXPECT_EQ(std::u16string(wide), std::u16string(help.begin(), help.end()));

    const std::string untouched(255, '#');
    const struct {
        UINT type, cch;
        std::uintptr_t id;
        std::string expected;
    } cases[] = {
        {GCS_HELPTEXTA, 10, 1, help.substr(0, 9)}, {GCS_VERBA, 10, 1, help.substr(0, 9)}, {GCS_HELPTEXTA, 1, 1, ""},
        {GCS_HELPTEXTA, 0, 1, untouched},          {GCS_VALIDATEA, 256, 1, untouched},   {GCS_VALIDATEW, 256, 1, untouched},
        {GCS_HELPTEXTA, 256, 3, untouched},
    };
    for (const auto& c : cases) {
        char buffer[256];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        buffer[255] = '\0';
        EXPECT_EQ(handler.menu->GetCommandString(c.id, c.type, nullptr, buffer, c.cch), S_OK);
        EXPECT_EQ(std::string(buffer), c.expected) << "kind " << c.type << " cch " << c.cch;
    }
    WCHAR cut[8];
    std::fill(std::begin(cut), std::end(cut), u'#');
    handler.menu->GetCommandString(1, GCS_VERBW, nullptr, reinterpret_cast<char*>(cut), 5);
    EXPECT_EQ(std::u16string(cut, 6), std::u16string(help.begin(), help.begin() + 4) + u'\0' + u'#');
}

class ShellExtInvoke : public testing::Test {
protected:
    void SetUp() override {
        m_dir = vtltest::MakeTempDir("invoke");
        m_vtl = MakeFakeApplication(m_dir);
        SetLocation(m_vtl);
        Messages().clear();
    }
    std::string m_dir;
    std::string m_vtl;
};

TEST_F(ShellExtInvoke, TheCommandAndThePicturesInOrderAreHandedOverAndTheApplicationStarted) {
    const struct {
        UINT offset;
        std::uint32_t command;
    } cases[] = {{2, 2}, {1, 1}, {0, 0}, {3, 0}, {0xFFFF, 0}};
    for (const auto& c : cases) {
        ScribbleBlock();
        std::filesystem::remove(m_vtl + ".started");
        ASSERT_EQ(Handler({"/p/a.jpg", "/p/b.txt", "/p/c.JPEG", "/p/d.gif"}).Invoke(MAKEINTRESOURCE(c.offset)), S_OK);
        const Record record = PendingRecord();
        EXPECT_TRUE(record.pending);
        EXPECT_EQ(record.header.nCommand, c.command) << c.offset;
        EXPECT_EQ(record.files, (Files{"/p/a.jpg", "/p/c.JPEG", "/p/d.gif"}));
        EXPECT_EQ(WaitForStart(m_vtl), "0\n") << "started by its path, with no arguments";
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ShellExtInvoke, RefusalsLeaveTheBlockUntouchedAndStartNothing) {
    const std::string longName = "/p/" + std::string(HANDOFF_PATH_SIZE - 7, 'x') + ".jpg"; // 260 bytes
    Files tooMany;
    for (int i = 0; i < 252; ++i)
        tooMany.push_back("/p/" + std::to_string(i) + ".jpg");
    const struct {
        const char* what;
        Files files;
        std::string location;
        const char* verb;
        std::string message; // the start of the message, "" for none
    } cases[] = {
        {"verb string", {"/p/a.jpg"}, m_vtl, "open", ""},
        {"location deleted", {"/p/a.jpg"}, m_dir + "/deleted-vtl", MAKEINTRESOURCE(2),
         "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!"},
        {"location missing", {"/p/a.jpg"}, "", MAKEINTRESOURCE(0), "Could not find vtl.exe."},
        {"path does not fit", {"/p/a.jpg", longName}, m_vtl, MAKEINTRESOURCE(1), "The path of this picture is too long"},
        {"252 pictures", tooMany, m_vtl, MAKEINTRESOURCE(1), "Vantrel can take at most 251 pictures"},
    };
    for (const auto& c : cases) {
        ScribbleBlock();
        Messages().clear();
        SetLocation(c.location);
        EXPECT_EQ(Handler(c.files).Invoke(c.verb), E_INVALIDARG) << c.what;
        EXPECT_TRUE(BlockUntouched()) << c.what;
        ASSERT_EQ(Messages().size(), c.message.empty() ? 0u : 1u) << c.what;
        if (!c.message.empty()) {
            EXPECT_EQ(Messages()[0].rfind(c.message, 0), 0u) << c.what << ": " << Messages()[0];
        }
    }
    EXPECT_TRUE(NeverStarted(m_vtl));
}

} // namespace
