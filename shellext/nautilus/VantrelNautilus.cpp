// The Nautilus 43 extension (libnautilus-extension-4): Nautilus loads it at start and asks it
// for menu items on each right-click. It loads libVtlExt.so in process, from the path the
// registry names as the context-menu handler's server (as the Windows shell finds it), or, for
// a user who registered none, the one installed with the program for every user; it makes
// one request per right-click, turns the handler's menu into Nautilus menu items and an
// item's activation into InvokeCommand. Nautilus calls everything here on its main thread;
// InvokeCommand, which waits until the vtl it starts has taken the pictures, runs on a thread
// of its own, and the module's messages come back to the main thread as GTK dialogs.
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "shellext/host/ContextMenuRequest.h"

#include <gio/gio.h>
#include <glib-object.h>
#include <gtk/gtk.h>
// The header declares the module entry points without C linkage for C++; GLib's own headers,
// which need C++ linkage for their C++ parts, are already included above and skipped here.
extern "C" {
#include <nautilus-extension.h>
}

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using vtlext::CContextMenuRequest;
using vtlext::CExtensionModule;
using vtlext::MenuEntry;

GType g_providerType = 0;

struct Message {
    std::string caption;
    std::string text;
};

// A dialog over Nautilus's window: a desktop notification is never seen where no notification
// service runs (Nautilus under Xfce or a bare window manager).
gboolean ShowDialog(gpointer data) {
    const std::unique_ptr<Message> message(static_cast<Message*>(data));
    if (!gtk_is_initialized())
        return G_SOURCE_REMOVE;
    GApplication* app = g_application_get_default();
    GtkWindow* parent =
        GTK_IS_APPLICATION(app) ? gtk_application_get_active_window(GTK_APPLICATION(app)) : nullptr;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* dialog =
        gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_WARNING,
                               GTK_BUTTONS_OK, "%s", message->text.c_str());
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_window_set_title(GTK_WINDOW(dialog), message->caption.c_str());
    g_signal_connect(dialog, "response", G_CALLBACK(gtk_window_destroy), nullptr);
    gtk_window_present(GTK_WINDOW(dialog));
    return G_SOURCE_REMOVE;
}

// The module's messages, from any thread: on standard error, and as a dialog made by the
// main loop, which runs on Nautilus's main thread.
void ShowMessage(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    g_idle_add(ShowDialog, new Message{caption, text});
}

// The module installed with this extension: VTL_MODULE_FROM_EXTENSION leads from the
// extensions' folder to the program's. "" when it is not there (a build, or the program
// removed).
std::string InstalledModule() {
    static const char anchor = 0;
    const std::string extension = plat::GetModuleFileNameOf(&anchor);
    if (extension.empty())
        return {};
    const std::string module = plat::SplitPath(extension).dir + VTL_MODULE_FROM_EXTENSION;
    return plat::FileExists(module) ? module : std::string();
}

// The module, loaded on the first right-click that finds one and kept for the life of
// Nautilus, whose menus may still point at its bitmap. Null while there is none.
const CExtensionModule* Module() {
    static std::unique_ptr<CExtensionModule> module;
    if (!module) {
        std::string path = CExtensionModule::RegisteredPath();
        if (path.empty())
            path = InstalledModule();
        if (path.empty())
            return nullptr;
        auto loaded = std::make_unique<CExtensionModule>();
        if (const auto done = loaded->Load(path); !done) {
            std::fprintf(stderr, "Vantrel: %s\n", done.error().message.c_str());
            return nullptr;
        }
        loaded->SetMessageBoxHook(ShowMessage);
        module = std::move(loaded);
    }
    return module.get();
}

// What an item's activation needs: the request (kept alive by every item of its menu) and
// the command's offset.
struct Activation {
    std::shared_ptr<CContextMenuRequest> request;
    unsigned offset;
};

void OnActivate(NautilusMenuItem*, gpointer data) {
    const auto* activation = static_cast<Activation*>(data);
    try {
        std::thread([request = activation->request, offset = activation->offset] {
            request->Invoke(offset);
        }).detach();
    } catch (...) {
        // No thread to be had: the command still runs, here.
        activation->request->Invoke(activation->offset);
    }
}

void FreeActivation(gpointer data, GClosure*) {
    delete static_cast<Activation*>(data);
}

NautilusMenuItem* MakeItem(const MenuEntry& entry,
                           const std::shared_ptr<CContextMenuRequest>& request) {
    const std::string name =
        "Vantrel::" + (entry.offset >= 0 ? std::to_string(entry.offset) : entry.text);
    NautilusMenuItem* item =
        nautilus_menu_item_new(name.c_str(), entry.text.c_str(),
                               entry.helpText.empty() ? nullptr : entry.helpText.c_str(), nullptr);
    if (entry.offset >= 0) {
        g_signal_connect_data(item, "activate", G_CALLBACK(OnActivate),
                              new Activation{request, static_cast<unsigned>(entry.offset)},
                              FreeActivation, static_cast<GConnectFlags>(0));
    }
    if (!entry.children.empty()) {
        NautilusMenu* submenu = nautilus_menu_new();
        for (const auto& child : entry.children) {
            NautilusMenuItem* childItem = MakeItem(child, request);
            nautilus_menu_append_item(submenu, childItem);
            g_object_unref(childItem);
        }
        nautilus_menu_item_set_submenu(item, submenu);
        g_object_unref(submenu);
    }
    return item;
}

// Local files only: a file manager hands the shell extension paths, never other locations.
std::vector<std::string> LocalPaths(GList* files) {
    std::vector<std::string> paths;
    for (GList* node = files; node; node = node->next) {
        GFile* location = nautilus_file_info_get_location(NAUTILUS_FILE_INFO(node->data));
        if (!location)
            continue;
        if (char* path = g_file_get_path(location)) {
            paths.emplace_back(path);
            g_free(path);
        }
        g_object_unref(location);
    }
    return paths;
}

GList* MenuItems(const std::vector<std::string>& paths) {
    const CExtensionModule* module = Module();
    if (!module || paths.empty())
        return nullptr;
    auto request = std::make_shared<CContextMenuRequest>(*module);
    if (plat::FAILED(request->Open(paths)))
        return nullptr;
    GList* items = nullptr;
    for (const auto& entry : request->Entries())
        items = g_list_append(items, MakeItem(entry, request));
    return items;
}

GList* GetFileItems(NautilusMenuProvider*, GList* files) {
    return MenuItems(LocalPaths(files));
}

// A right-click beside the files: the menu for the folder shown ("Resize pictures in this
// folder...").
GList* GetBackgroundItems(NautilusMenuProvider*, NautilusFileInfo* folder) {
    GList one = {folder, nullptr, nullptr};
    return folder ? MenuItems(LocalPaths(&one)) : nullptr;
}

void InitMenuProvider(gpointer iface, gpointer) {
    auto* provider = static_cast<NautilusMenuProviderInterface*>(iface);
    provider->get_file_items = GetFileItems;
    provider->get_background_items = GetBackgroundItems;
}

} // namespace

extern "C" {

G_MODULE_EXPORT void nautilus_module_initialize(GTypeModule* module) {
    const GTypeInfo info = {sizeof(GObjectClass), nullptr, nullptr, nullptr, nullptr, nullptr,
                            sizeof(GObject),      0,       nullptr, nullptr};
    g_providerType = g_type_module_register_type(module, G_TYPE_OBJECT, "VantrelMenuProvider",
                                                 &info, static_cast<GTypeFlags>(0));
    const GInterfaceInfo menuProvider = {InitMenuProvider, nullptr, nullptr};
    g_type_module_add_interface(module, g_providerType, NAUTILUS_TYPE_MENU_PROVIDER, &menuProvider);
}

G_MODULE_EXPORT void nautilus_module_shutdown() {}

G_MODULE_EXPORT void nautilus_module_list_types(const GType** types, int* count) {
    *types = &g_providerType;
    *count = 1;
}

} // extern "C"
