#include "shellext/vtlmenu/VtlMenu.h"

#include "app/model/base/SettingNames.h"
#include "platform/Registry.h"
#include "shellext/host/ContextMenuRequest.h"
#include "shellext/vtlmenu/DolphinServiceMenu.h"
#include "shellext/vtlmenu/HostMessageBox.h"
#include "shellext/vtlmenu/MenuIcon.h"
#include "shellext/vtlmenu/ThunarActions.h"

#include <cstdio>
#include <filesystem>
#include <optional>

namespace vtlmenu {

using namespace plat;
using vtlext::CContextMenuRequest;
using vtlext::CExtensionModule;
using vtlext::MenuEntry;

namespace {

// The handler looks at a picture's name only, so any picture name brings out its whole menu; a
// folder must be there.
constexpr const char* kAnyPicture = "/picture.jpg";
constexpr const char* kAnyFolder = "/";

bool LoadModule(CExtensionModule& module, const std::string& path) {
    if (const auto loaded = module.Load(path); !loaded) {
        std::fprintf(stderr, "vtlmenu: %s\n", loaded.error().message.c_str());
        return false;
    }
    module.SetMessageBoxHook(ShowHostMessage);
    return true;
}

// File managers pass full paths; a script may not, and the application runs elsewhere.
std::vector<std::string> FullPaths(const std::vector<std::string>& files) {
    std::vector<std::string> full;
    for (const auto& file : files) {
        std::error_code ec;
        const auto path = std::filesystem::absolute(file, ec);
        full.push_back(ec ? file : path.lexically_normal().string());
    }
    return full;
}

void Print(const std::vector<MenuEntry>& entries, int indent) {
    for (const auto& entry : entries) {
        std::printf("%*s", indent, "");
        if (entry.offset >= 0)
            std::printf("%d ", entry.offset);
        std::printf("%s\n", entry.text.c_str());
        Print(entry.children, indent + 2);
    }
}

bool HasCommand(const std::vector<MenuEntry>& entries, unsigned offset) {
    for (const auto& entry : entries)
        if ((entry.offset >= 0 && static_cast<unsigned>(entry.offset) == offset) ||
            HasCommand(entry.children, offset))
            return true;
    return false;
}

void Report(bool ok, const std::string& done, const std::string& failed, int& status) {
    if (ok) {
        std::printf("%s\n", done.c_str());
    } else {
        std::fprintf(stderr, "vtlmenu: %s\n", failed.c_str());
        status = EXIT_FAILED;
    }
}

void Report(const Result<void>& outcome, const std::string& done, int& status) {
    Report(outcome.ok(), done, outcome ? std::string() : outcome.error().message, status);
}

} // namespace

CVtlMenu::CVtlMenu(std::string programPath)
    : m_programPath(std::move(programPath)),
      m_programDir(std::filesystem::path(m_programPath).parent_path().string()) {}

std::string CVtlMenu::ModulePath() const {
    return CExtensionModule::InstalledPath(m_programDir);
}

int CVtlMenu::Menu(const std::vector<std::string>& files) {
    CExtensionModule module;
    if (!LoadModule(module, ModulePath()))
        return EXIT_NO_MODULE;
    CContextMenuRequest request(module);
    request.Open(FullPaths(files));
    Print(request.Entries(), 0);
    return EXIT_DONE;
}

int CVtlMenu::Invoke(unsigned offset, const std::vector<std::string>& files) {
    CExtensionModule module;
    if (!LoadModule(module, ModulePath()))
        return EXIT_NO_MODULE;
    CContextMenuRequest request(module);
    request.Open(FullPaths(files));
    // A command the options turned off is still the handler's to answer: a menu file that
    // cannot follow the options (one for every user) offers it, and the handler says why it
    // does not run.
    if (!HasCommand(request.Entries(), offset) && offset >= vtlext::COMMAND_COUNT) {
        std::fprintf(stderr, "vtlmenu: the menu has no command %u\n", offset);
        return EXIT_USAGE;
    }
    const HRESULT hr = request.Invoke(offset);
    // With pictures, the handler offers a menu or says that its commands are turned off.
    if (hr == E_INVALIDARG && request.Entries().empty()) {
        std::fprintf(stderr, "vtlmenu: none of the files is a picture or a folder Vantrel takes\n");
        return EXIT_NO_PICTURES;
    }
    if (hr == vtlext::VTLEXT_E_TURNED_OFF)
        std::fprintf(stderr, "vtlmenu: command %u is turned off in Vantrel's options\n", offset);
    return SUCCEEDED(hr) ? EXIT_DONE : EXIT_FAILED;
}

void CVtlMenu::RecordLocation() const {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, settingkey::PATH, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        const bool known =
            RegQueryValueEx(key, settingkey::LOCATION, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (known)
            return;
    }
    const std::string vtl = m_programDir + "/vtl";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(vtl, ec)) {
        std::printf(
            "vtl is not installed beside vtlmenu; run vtl once so that it records where it is.\n");
        return;
    }
    if (RegCreateKeyEx(HKEY_CURRENT_USER, settingkey::PATH, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                       &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueEx(key, settingkey::LOCATION, REG_SZ, reinterpret_cast<const BYTE*>(vtl.c_str()),
                  static_cast<DWORD>(vtl.size() + 1));
    if (RegCloseKey(key) == ERROR_SUCCESS)
        std::printf("Recorded %s as the location of vtl.\n", vtl.c_str());
    if (const std::string notice = TakeRegistryNotice(); !notice.empty())
        std::printf("%s\n", notice.c_str());
}

int CVtlMenu::Register() {
    CExtensionModule module;
    if (!LoadModule(module, ModulePath()))
        return EXIT_NO_MODULE;
    const HRESULT hr = module.RegisterServer();
    if (FAILED(hr)) {
        std::fprintf(stderr, "vtlmenu: registering %s failed (0x%08X)\n", module.Path().c_str(),
                     static_cast<unsigned>(hr));
        return EXIT_FAILED;
    }
    std::printf("Registered %s as the context-menu handler.\n", module.Path().c_str());
    RecordLocation();
    return InstallMenus(module);
}

int CVtlMenu::Update() {
    if (CExtensionModule::RegisteredPath().empty()) {
        std::printf(
            "The context-menu handler is not registered: no file manager's menu to update.\n");
        return EXIT_DONE;
    }
    CExtensionModule module;
    if (!LoadModule(module, ModulePath()))
        return EXIT_NO_MODULE;
    return InstallMenus(module);
}

std::optional<IntegrationMenu> CVtlMenu::OfferedMenu(const CExtensionModule& module) const {
    CContextMenuRequest request(module);
    request.Open({kAnyPicture});
    if (request.Entries().empty() || request.Entries().front().children.empty())
        return std::nullopt;
    const MenuEntry& submenu = request.Entries().front();
    CContextMenuRequest folders(module);
    folders.Open({kAnyFolder});
    IntegrationMenu menu{submenu.text, submenu.children,
                         folders.Entries().empty() ? std::vector<MenuEntry>{}
                                                   : folders.Entries().front().children,
                         MenuIconPath(), m_programPath};
    if (!SaveMenuIcon(menu.iconPath))
        menu.iconPath.clear();
    return menu;
}

int CVtlMenu::InstallMenus(const CExtensionModule& module) {
    int status = EXIT_DONE;
    const std::optional<IntegrationMenu> menu = OfferedMenu(module);
    if (!menu) {
        // The options turned the whole menu off: the file managers offer nothing.
        Report(CDolphinServiceMenu::Remove(),
               "The Vantrel menu is turned off in its options: removed the Dolphin service menus.",
               "cannot remove " + CDolphinServiceMenu::Path(), status);
        Report(CThunarActions::Remove(), "Removed the Thunar actions.", status);
        return status;
    }
    Report(CDolphinServiceMenu::Install(*menu),
           "Installed the Dolphin service menus " + CDolphinServiceMenu::Path() + " and " +
               CDolphinServiceMenu::FolderPath() + ".",
           "cannot write " + CDolphinServiceMenu::Path(), status);
    Report(CThunarActions::Install(*menu),
           "Installed the Thunar actions in " + CThunarActions::Path() + ".", status);
    return status;
}

int CVtlMenu::AddThunarActions() {
    CExtensionModule module;
    if (!LoadModule(module, ModulePath()))
        return EXIT_NO_MODULE;
    const std::optional<IntegrationMenu> menu = OfferedMenu(module);
    if (!menu) {
        std::printf("The Vantrel menu is turned off in its options: no Thunar actions added.\n");
        return EXIT_DONE;
    }
    int status = EXIT_DONE;
    Report(CThunarActions::Install(*menu),
           "Installed the Thunar actions in " + CThunarActions::Path() + ".", status);
    return status;
}

int CVtlMenu::Unregister() {
    CExtensionModule module;
    if (!LoadModule(module, ModulePath()))
        return EXIT_NO_MODULE;
    int status = EXIT_DONE;
    const HRESULT hr = module.UnregisterServer();
    Report(SUCCEEDED(hr), "Unregistered the context-menu handler.",
           "unregistering the handler failed", status);
    Report(CDolphinServiceMenu::Remove(), "Removed the Dolphin service menus.",
           "cannot remove " + CDolphinServiceMenu::Path(), status);
    Report(CThunarActions::Remove(), "Removed the Thunar actions.", status);
    std::error_code ec;
    std::filesystem::remove(MenuIconPath(), ec);
    return status;
}

} // namespace vtlmenu
