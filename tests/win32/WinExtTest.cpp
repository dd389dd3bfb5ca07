// VtlExt.dll as Explorer uses it, under Wine: registered in the real registry, created through
// COM in a single-threaded apartment, handed a CF_HDROP selection, asked for its menu on a real
// HMENU, and invoked, after which a second process (vtlstandin.exe, stored as "location") takes
// the record from the named block "vtl". And the resize settings, saved to and loaded from the
// real registry.
#include "app/model/base/HandoffQueue.h"
#include "app/model/base/ResizeSetting.h"
#include "shellext/VtlExtIds.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

namespace {

using namespace vtlext;
using Files = std::vector<std::string>;

const std::string kClsid = "{AE82044E-6E72-473E-A2AF-F732CB431E80}";
const std::string kClassKey = "CLSID\\" + kClsid;
const std::string kLibid = "{C5E4D9CF-E056-45F9-8F47-21AA34091AC4}";
constexpr const char* kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const Files kMenuTexts = {"Resize...", "Resize as default setting", "Resize and mail"};
std::string ProgramFolder() {
    char path[MAX_PATH];
    const std::string self(path, GetModuleFileNameA(nullptr, path, sizeof path));
    return self.substr(0, self.find_last_of('\\') + 1);
}

std::vector<std::string> g_messages; // what the module showed the user

// The module, loaded as COM loads it; its messages come here instead of a box.
HMODULE Module() {
    static const HMODULE module = [] {
        const HMODULE loaded = LoadLibraryA((ProgramFolder() + "VtlExt.dll").c_str());
        const auto setHook = reinterpret_cast<PFN_VtlExtSetMessageBoxHook>(
            reinterpret_cast<void*>(GetProcAddress(loaded, SET_MESSAGE_BOX_HOOK_EXPORT)));
        setHook([](const char*, const char* text) { g_messages.push_back(text); });
        return loaded;
    }();
    return module;
}

HRESULT Call(const char* entry) {
    return reinterpret_cast<HRESULT (*)()>(
        reinterpret_cast<void*>(GetProcAddress(Module(), entry)))();
}

// A value of the registry as text (a DWORD in decimal); nothing when the key or value is not there.
std::optional<std::string> Value(HKEY root, const std::string& key, const char* name = "") {
    char data[MAX_PATH] = {};
    DWORD type = 0, size = sizeof data;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type == REG_DWORD)
        return std::to_string(*reinterpret_cast<DWORD*>(data));
    return std::string(data);
}

// The names of a key's subkeys; nothing when the key is not there.
std::optional<std::set<std::string>> Subkeys(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    std::set<std::string> names;
    char name[MAX_PATH];
    for (DWORD i = 0, size = sizeof name;
         RegEnumKeyExA(handle, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name)
        names.insert(name);
    RegCloseKey(handle);
    return names;
}

// Sets a value of the application's settings key: `number` for a REG_DWORD, else `text`.
void SetSetting(const char* name, DWORD type, const std::string& text, DWORD number = 0) {
    const bool dword = type == REG_DWORD;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", name, type,
                    dword ? static_cast<const void*>(&number) : text.c_str(),
                    dword ? sizeof number : text.size() + 1);
}

// Not in MinGW's headers; shell32 exports it by name. Makes the ID list of a path that need not
// exist.
extern "C" PIDLIST_ABSOLUTE WINAPI SHSimpleIDListFromPath(PCWSTR path);

PIDLIST_ABSOLUTE IdList(const std::string& path) {
    return SHSimpleIDListFromPath(std::wstring(path.begin(), path.end()).c_str());
}

// The selection as Explorer hands it over: files of one folder in shell32's own data object,
// which gives them as a CF_HDROP list. Made with one reference; gone with the last.
IDataObject* Selection(const Files& files) {
    const PIDLIST_ABSOLUTE folder = IdList(files[0].substr(0, files[0].rfind('\\')));
    std::vector<PIDLIST_ABSOLUTE> paths;
    std::vector<PCUIDLIST_RELATIVE> items;
    for (const std::string& file : files)
        items.push_back(ILFindLastID(paths.emplace_back(IdList(file))));
    IDataObject* selection = nullptr;
    CIDLData_CreateFromIDArray(folder, items.size(), items.data(), &selection);
    for (const PIDLIST_ABSOLUTE path : paths)
        ILFree(path);
    ILFree(folder);
    return selection;
}

// One handler made through COM, released with the test's scope.
struct Handler {
    explicit Handler(const Files& files = {}) {
        CoCreateInstance(CLSID_VtlShellEx, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                         reinterpret_cast<void**>(&menu));
        if (menu)
            menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
        if (init && !files.empty()) {
            IDataObject* selection = Selection(files);
            initialized = init->Initialize(nullptr, selection, nullptr);
            selection->Release();
        }
    }
    ~Handler() {
        if (init)
            init->Release();
        if (menu)
            menu->Release();
    }
    HRESULT Invoke(UINT offset) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(offset);
        info.nShow = SW_SHOWNORMAL;
        return menu->InvokeCommand(&info);
    }
    HRESULT initialized = E_FAIL;
    IContextMenu* menu = nullptr;
    IShellExtInit* init = nullptr;
};

struct MenuItem {
    UINT id;
    std::string text;
    HMENU submenu;
    bool marked; // a mark for both check states
};

std::vector<MenuItem> Items(HMENU menu) {
    std::vector<MenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        items.push_back({info.wID, text, info.hSubMenu, info.hbmpChecked && info.hbmpUnchecked});
    }
    return items;
}

// vtlstandin.exe copied into a fresh folder whose name has a space, stored as "location".
struct StandIn {
    StandIn() {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        // Wine reuses process ids from run to run: a folder an earlier run left is passed over,
        // or its records would count as this one's.
        static int made = 0;
        do
            folder = std::string(temp) + "vtl test " + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(++made) + "\\";
        while (!CreateDirectoryA(folder.c_str(), nullptr) &&
               GetLastError() == ERROR_ALREADY_EXISTS);
        program = folder + "vtl.exe";
        CopyFileA((ProgramFolder() + "vtlstandin.exe").c_str(), program.c_str(), FALSE);
        SetSetting("location", REG_SZ, program);
    }
    void Mark(const char* what, bool on) const {
        if (on)
            std::ofstream(program + what) << "";
        else
            DeleteFileA((program + what).c_str());
    }
    bool Started() const {
        return GetFileAttributesA((program + ".started").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // The records the stand-ins took, each as "pending command count|file|file…", waiting up to
    // ten seconds for `count` of them.
    std::multiset<std::string> Records(std::size_t count) const {
        std::multiset<std::string> records;
        // Looked at once at least, even for no records.
        for (int wait = 0; wait == 0 || (wait < 500 && records.size() < count); ++wait, Sleep(20)) {
            records.clear();
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                if (entry.path().extension() != ".record")
                    continue;
                std::ifstream in(entry.path());
                std::string line, record;
                for (std::getline(in, record); std::getline(in, line);)
                    record += "|" + line;
                records.insert(record);
            }
        }
        return records;
    }
    std::string folder, program;
};

// Whether the named block holds a record no one took.
bool RecordLeftPending() {
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, HANDOFF_BLOCK_NAME);
    if (!mapping)
        return false;
    const auto* bytes =
        static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    const bool pending = bytes && bytes[0] != 0;
    UnmapViewOfFile(bytes);
    CloseHandle(mapping);
    return pending;
}

class WinExt : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Ostrell");
        g_messages.clear();
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    void TearDown() override {
        EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Ostrell");
        CoUninitialize();
    }
};

TEST_F(WinExt, RegistrationWritesExactlyItsKeysAndUnregistrationRemovesThem) {
    // The root, the key, the value's name and its data.
    const std::tuple<HKEY, std::string, const char*, std::string> entries[] = {
        {HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx.1", "", "VtlShellEx Class"},
        {HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx.1\\CLSID", "", kClsid},
        {HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx", "", "VtlShellEx Class"},
        {HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx\\CLSID", "", kClsid},
        {HKEY_CLASSES_ROOT, "VtlExt.VtlShellEx\\CurVer", "", "VtlExt.VtlShellEx.1"},
        {HKEY_CLASSES_ROOT, kClassKey, "", "VtlShellEx Class"},
        {HKEY_CLASSES_ROOT, kClassKey + "\\ProgID", "", "VtlExt.VtlShellEx.1"},
        {HKEY_CLASSES_ROOT, kClassKey + "\\VersionIndependentProgID", "", "VtlExt.VtlShellEx"},
        {HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "", ProgramFolder() + "VtlExt.dll"},
        {HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {HKEY_CLASSES_ROOT, kClassKey + "\\TypeLib", "", kLibid},
        {HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\vantrel", "", kClsid},
        {HKEY_LOCAL_MACHINE, kApproved, kClsid.c_str(), "vantrel"},
        {HKEY_CLASSES_ROOT, "TypeLib\\" + kLibid + "\\1.0", "", "VtlExt 1.0 Type Library"},
    };
    const std::set<std::string> classSubkeys = {"InprocServer32", "ProgID", "Programmable",
                                                "TypeLib", "VersionIndependentProgID"};
    for (int round = 1; round <= 2; ++round) { // registering twice leaves the same keys
        for (const auto& [root, key, value, data] : entries)
            EXPECT_EQ(Value(root, key, value), data) << key << " round " << round;
        EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, kClassKey), classSubkeys) << "round " << round;
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    }
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    for (const auto& [root, key, value, data] : entries)
        EXPECT_FALSE(root == HKEY_LOCAL_MACHINE ? Value(root, key, value).has_value()
                                                : Subkeys(root, key).has_value())
            << key;
    EXPECT_TRUE(Subkeys(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(Subkeys(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers"));
    EXPECT_EQ(Call("DllRegisterServer"), S_OK) << "for TearDown";
}

// The module's calls of RegDeleteTreeA on its class key, which its registration script makes
// first of all (the key is force-remove); a row fails the call it names (0: none).
int g_scriptRuns = 0, g_failingRun = 0;
decltype(&RegDeleteTreeA) g_realDeleteTree = nullptr;

LSTATUS WINAPI CountingDeleteTree(HKEY root, LPCSTR key) {
    if (key && kClassKey == key && ++g_scriptRuns == g_failingRun)
        return ERROR_ACCESS_DENIED;
    return g_realDeleteTree(root, key);
}

// Points the module's import of `function` from `dll` at `replacement`; returns the old one.
void* PatchImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name; ++entry) {
        if (_stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                std::strcmp(
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name,
                    function))
                continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof(void*), PAGE_READWRITE, &protection);
            void* old = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(void*), protection, &protection);
            return old;
        }
    }
    return nullptr;
}

TEST_F(WinExt, RegistrationRunsItsScriptOnceAndReturnsThatRunsResult) {
    g_realDeleteTree = reinterpret_cast<decltype(&RegDeleteTreeA)>(PatchImport(
        Module(), "advapi32.dll", "RegDeleteTreeA", reinterpret_cast<void*>(&CountingDeleteTree)));
    ASSERT_NE(g_realDeleteTree, nullptr);
    for (const auto& [failing, expected] :
         {std::pair(0, S_OK), {1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)}}) {
        g_scriptRuns = 0;
        g_failingRun = failing;
        EXPECT_EQ(Call("DllRegisterServer"), expected) << "failing run " << failing;
        EXPECT_EQ(g_scriptRuns, 1) << "script runs per DllRegisterServer";
    }
    g_failingRun = 0;
    PatchImport(Module(), "advapi32.dll", "RegDeleteTreeA",
                reinterpret_cast<void*>(g_realDeleteTree));
    EXPECT_EQ(Call("DllRegisterServer"), S_OK);
}

TEST_F(WinExt, TheMenuFollowsTheSelectionTheFlagsAndTheMenuContextChoices) {
    struct Row {
        Files selection;
        UINT flags;
        const char* cleared; // a choice of the options' Menu Context page set to 0
        std::vector<UINT> offsets;
    };
    const Row rows[] = {
        {{"C:\\p\\PHOTO.JPG", "C:\\p\\notes.txt"}, CMF_NORMAL, nullptr, {0, 1, 2}},
        {{"C:\\my.pictures\\a.Jpeg", "C:\\my.pictures\\b.BMP"},
         CMF_EXPLORE | CMF_DEFAULTONLY,
         "ExtResizeAndMail",
         {0, 1}},
        {{"C:\\p\\c.gif"}, CMF_DEFAULTONLY | CMF_NOVERBS, nullptr, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Ostrell");
        if (row.cleared)
            SetSetting(row.cleared, REG_DWORD, "", 0);
        SetSetting("ExtResizeAsDefaultSetting", REG_SZ, "0"); // of the wrong type: counts as ticked
        Handler handler(row.selection);
        ASSERT_EQ(handler.initialized, S_OK);
        const HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 1, "Open");
        const HRESULT hr = handler.menu->QueryContextMenu(menu, 0, 100, 200, row.flags);
        const std::vector<MenuItem> items = Items(menu);
        // Nothing added where no command is offered.
        EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_SUCCESS, 0,
                                   row.offsets.empty() ? 0 : row.offsets.back() + 1));
        ASSERT_EQ(items.size(), row.offsets.empty() ? 1u : 2u);
        if (!row.offsets.empty()) {
            EXPECT_EQ(std::tie(items[0].text, items[0].marked), std::tuple("Vantrel", true));
            const std::vector<MenuItem> commands = Items(items[0].submenu);
            ASSERT_EQ(commands.size(), row.offsets.size());
            for (std::size_t i = 0; i < commands.size(); ++i)
                EXPECT_EQ(std::tie(commands[i].id, commands[i].text, commands[i].marked),
                          std::tuple(100 + row.offsets[i], kMenuTexts[row.offsets[i]], true));
        }
        DestroyMenu(menu);
    }
}

// Each command hands its pictures, and only those, to the program it starts; given at once,
// every one is taken.
TEST_F(WinExt, CommandsGivenAtOnceAreAllTakenNoneReplacesAnother) {
    const StandIn vtl;
    vtl.Mark(".hold", true); // each started program waits until all commands are on their way
    std::vector<std::thread> shells;
    std::vector<HRESULT> results(3, E_FAIL);
    for (UINT offset = 0; offset < 3; ++offset) // the command's number is the menu offset
        shells.emplace_back([&, offset] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            const std::string n = std::to_string(offset);
            results[offset] =
                Handler({"C:\\my pictures\\" + n + ".jpg", "C:\\my pictures\\notes.txt",
                         "C:\\my pictures\\" + n + ".GIF"})
                    .Invoke(offset);
            CoUninitialize();
        });
    Sleep(500);
    vtl.Mark(".hold", false);
    for (std::thread& shell : shells)
        shell.join();
    EXPECT_EQ(results, std::vector<HRESULT>(3, S_OK));
    EXPECT_EQ(vtl.Records(3),
              (std::multiset<std::string>{"1 0 2|C:\\my pictures\\0.jpg|C:\\my pictures\\0.GIF",
                                          "1 1 2|C:\\my pictures\\1.jpg|C:\\my pictures\\1.GIF",
                                          "1 2 2|C:\\my pictures\\2.jpg|C:\\my pictures\\2.GIF"}));
    EXPECT_FALSE(RecordLeftPending());
    EXPECT_TRUE(g_messages.empty());
}

// What the module says and hands over where no program is recorded, or where the one it starts
// ends without taking the record. The other refusals are the same code as on Linux, where
// vtlmenu's tests show each.
TEST_F(WinExt, ACommandThatCannotBeHandedOverSaysSoAndLeavesNothing) {
    const std::string missing =
        "Could not find vtl.exe. Please run vtl.exe to locate the location and try again!";
    // Whether the program is recorded and started, the result, the start of the message.
    const std::tuple<bool, HRESULT, std::string> rows[] = {
        {false, E_INVALIDARG, missing},
        {true, E_FAIL, ""},
    };
    for (const auto& [started, expected, message] : rows) {
        SCOPED_TRACE(started);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Ostrell");
        const StandIn vtl;
        if (!started)
            RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", "location");
        vtl.Mark(".refuse", started); // the one program started ends without taking the record
        g_messages.clear();
        Handler handler({"C:\\p\\a.jpg"});
        EXPECT_EQ(handler.Invoke(1), expected);
        ASSERT_EQ(g_messages.size(), 1u);
        EXPECT_EQ(g_messages[0].substr(0, message.size()), message);
        EXPECT_EQ(std::tuple(vtl.Started(), vtl.Records(0).size(), RecordLeftPending()),
                  std::tuple(started, std::size_t{0}, false))
            << "started, records taken, record left waiting";
    }
}

// Held by a caller or a handler is tested on Linux; here the lock COM itself takes.
TEST_F(WinExt, TheModuleMayBeUnloadedOnlyWhenNotLocked) {
    IClassFactory* factory = nullptr;
    for (const BOOL lock : {TRUE, FALSE}) {
        ASSERT_EQ(CoGetClassObject(CLSID_VtlShellEx, CLSCTX_INPROC_SERVER, nullptr,
                                   IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        factory->LockServer(lock);
        factory->Release();
        EXPECT_EQ(Call("DllCanUnloadNow"), lock ? S_FALSE : S_OK) << "locked " << lock;
    }
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_NE(Handler().menu, nullptr) << "made again after COM let go of the module";
}

TEST_F(WinExt, TheDispatchFaceIsServedFromTheRegisteredTypeLibrary) {
    const Handler handler;
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(handler.menu->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)),
              S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0, nullptr), E_POINTER);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(attributes->guid == IID_IVtlShellEx);
    EXPECT_EQ(attributes->cFuncs, 7) << "IDispatch's own seven, none of its own";
    info->ReleaseTypeAttr(attributes);
    info->Release();
    dispatch->Release();
}

TEST_F(WinExt, TheResizeSettingsComeBackFromTheRegistryAndAFolderTooLongIsLeftOut) {
    const ResizeSetting saved{
        1, "C:\\my pictures\\out", 3, 55, 0, 1, 1, 0, 1, 600, 800, 0, 0, 2, 300, 200};
    const auto fields = [](const ResizeSetting& r) {
        return std::make_tuple(r.bOverwrite, r.strDestFolder, r.nImageType, r.nQuality, r.bResize,
                               r.bRotate, r.bSetDpi, r.bConstrain, r.bDesktop, r.nHeight, r.nWidth,
                               r.nHeightUnit, r.nWidthUnit, r.nRotate, r.nXDpi, r.nYDpi);
    };
    // Stored under the names and types every earlier version read.
    ASSERT_EQ(WriteResizeSetting(saved), ERROR_SUCCESS);
    const std::pair<const char*, std::string> stored[] = {
        {"override", "1"},  {"dest", saved.strDestFolder},
        {"qualilty", "55"}, {"image_to_rotate", "1"},
        {"hpercent", "0"},  {"ydpi", "200"}};
    for (const auto& [name, text] : stored)
        EXPECT_EQ(Value(HKEY_CURRENT_USER, "Software\\Ostrell\\vtl\\setting", name), text) << name;
    ResizeSetting loaded, cut, noFolder = saved;
    ReadResizeSetting(loaded);
    EXPECT_EQ(fields(loaded), fields(saved));
    // A folder too long for a path is left out; the rest loads.
    SetSetting("dest", REG_SZ, std::string(MAX_PATH, 'd'));
    ReadResizeSetting(cut);
    noFolder.strDestFolder = "";
    EXPECT_EQ(fields(cut), fields(noFolder));
}

} // namespace
