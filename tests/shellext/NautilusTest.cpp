// The Nautilus extension loaded as Nautilus loads it: a GTypeModule that calls its entry
// points, a menu provider asked for the items of a selection, and an item activated. The
// selection's files are given through a file-info object of our own, the part Nautilus plays.
#include "app/model/base/HandoffQueue.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestConditions.h"

#include <gio/gio.h>
#include <glib-object.h>
#include <gtk/gtk.h>
extern "C" {
#include <nautilus-extension.h>
}

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>

// GTK and the libraries under it keep what they load until the process ends: the address
// sanitizer's leak check leaves them out. It knows them by the frames of an allocation's
// stack, which only the slow unwinder finds in libraries built without frame pointers (libEGL).
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libgtk-4.so\nleak:libpango\nleak:libcairo.so\nleak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\nleak:libgio-2.0.so\nleak:libharfbuzz.so\nleak:libEGL\nleak:libGLX\n";
}

namespace {

using namespace shellexttest;

// A file of the selection, as Nautilus describes it to extensions: an object that gives the
// GFile stored on it as "file".
GType FileInfoType() {
    static const GType type = [] {
        const GType registered = g_type_register_static_simple(
            G_TYPE_OBJECT, "VantrelTestFileInfo", sizeof(GObjectClass), nullptr, sizeof(GObject),
            nullptr, GTypeFlags(0));
        const auto interfaceInit = [](gpointer table, gpointer) {
            static_cast<NautilusFileInfoInterface*>(table)->get_location =
                [](NautilusFileInfo* info) {
                    return G_FILE(g_object_ref(g_object_get_data(G_OBJECT(info), "file")));
                };
        };
        const GInterfaceInfo iface{interfaceInit, nullptr, nullptr};
        g_type_add_interface_static(registered, NAUTILUS_TYPE_FILE_INFO, &iface);
        return registered;
    }();
    return type;
}

// The extension, loaded once through a type module as Nautilus does.
using InitializeFn = void (*)(GTypeModule*);
using ListTypesFn = void (*)(const GType**, int*);
InitializeFn g_initialize = nullptr;

// The extension at `path` the first time, which each test's own process sees.
GType ProviderType(const std::string& path = VTL_LIB_DIR "/libvantrel-nautilus.so") {
    static const GType type = [&] {
        void* extension = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        g_initialize =
            reinterpret_cast<InitializeFn>(dlsym(extension, "nautilus_module_initialize"));
        auto listTypes =
            reinterpret_cast<ListTypesFn>(dlsym(extension, "nautilus_module_list_types"));
        EXPECT_TRUE(g_initialize && listTypes) << "the entry points of " << path;

        const auto classInit = [](gpointer klass, gpointer) {
            G_TYPE_MODULE_CLASS(klass)->load = [](GTypeModule* module) {
                return g_initialize(module), gboolean(TRUE);
            };
            G_TYPE_MODULE_CLASS(klass)->unload = [](GTypeModule*) {};
        };
        const GType moduleType = g_type_register_static_simple(
            G_TYPE_TYPE_MODULE, "VantrelTestTypeModule", sizeof(GTypeModuleClass), classInit,
            sizeof(GTypeModule), nullptr, GTypeFlags(0));
        EXPECT_TRUE(g_type_module_use(G_TYPE_MODULE(g_object_new(moduleType, nullptr))));
        const GType* types = nullptr;
        int count = 0;
        listTypes(&types, &count);
        EXPECT_EQ(count, 1);
        return types[0];
    }();
    return type;
}

class ShellExtNautilus : public WithFakeApplication {
  protected:
    void SetUp() override {
        ASSERT_EQ(Module().RegisterServer(), plat::S_OK);
        WithFakeApplication::SetUp();
        m_provider = NAUTILUS_MENU_PROVIDER(g_object_new(ProviderType(), nullptr));
    }
    void TearDown() override {
        g_object_unref(m_provider);
        Module().UnregisterServer();
    }
    // The items for files of these paths (or URIs), as a right-click asks for them.
    GList* Items(const std::vector<std::string>& paths) {
        GList* files = nullptr;
        for (const auto& path : paths) {
            GObject* info = G_OBJECT(g_object_new(FileInfoType(), nullptr));
            GFile* file = path[0] == '/' ? g_file_new_for_path(path.c_str())
                                         : g_file_new_for_uri(path.c_str());
            g_object_set_data_full(info, "file", file, g_object_unref);
            files = g_list_append(files, info);
        }
        GList* items = nautilus_menu_provider_get_file_items(m_provider, files);
        g_list_free_full(files, g_object_unref);
        return items;
    }
    // Clicks command `offset` of the submenu for `paths`; the labels of the menu and submenu.
    std::vector<std::string> Activate(const std::vector<std::string>& paths, unsigned offset) {
        GList* items = Items(paths);
        NautilusMenu* submenu = nullptr;
        if (items)
            g_object_get(items->data, "menu", &submenu, nullptr);
        GList* commands = submenu ? nautilus_menu_get_items(submenu) : nullptr;
        std::vector<std::string> labels;
        for (GList* list : {items, commands})
            for (GList* node = list; node; node = node->next) {
                char* label = nullptr;
                g_object_get(node->data, "label", &label, nullptr);
                labels.emplace_back(label ? label : "");
                g_free(label);
            }
        if (offset < g_list_length(commands))
            nautilus_menu_item_activate(NAUTILUS_MENU_ITEM(g_list_nth_data(commands, offset)));
        nautilus_menu_item_list_free(commands);
        g_clear_object(&submenu);
        nautilus_menu_item_list_free(items);
        return labels;
    }
    NautilusMenuProvider* m_provider = nullptr;
};

TEST_F(ShellExtNautilus, ACommandWaitsOffNautilussMainThreadUntilItsVtlTookIt) {
    EXPECT_EQ(Items({"sftp://host/pictures/a.jpg"}), nullptr) << "other locations get nothing";
    // The click returns at once, while the command waits for the started application.
    Hold(true);
    EXPECT_EQ(Activate({m_dir + "/a.jpg", m_dir + "/b.txt", m_dir + "/c.gif"}, 2),
              (std::vector<std::string>{"Vantrel", "Resize...", "Resize as default setting",
                                        "Resize and mail"}));
    EXPECT_EQ(WaitForStart(), "0\n");
    EXPECT_EQ(CHandoffQueue::Open(false)->Peek().size(), 1u)
        << "the record waits for the application";
    Hold(false);
    EXPECT_EQ(TakenRecord(), std::pair(std::uint32_t(HANDOFF_RESIZE_DEFAULT_MAIL),
                                       Files{m_dir + "/a.jpg", m_dir + "/c.gif"}));
}

// A new user of the program installed for every user: nothing registered, no "location". The
// extension takes the module installed with it (found from its own folder, as the package lays
// them out), and the module starts the vtl installed beside it.
class ShellExtNautilusInstalled : public ShellExtNautilus {
  protected:
    void SetUp() override {
        WithFakeApplication::SetUp();
        SetLocation("");
        const std::string usr = vtltest::MakeTempDir("usr");
        const std::string extensions = usr + "/" VTL_NAUTILUS_EXTENSION_DIR,
                          program = usr + "/lib/vantrel";
        std::filesystem::create_directories(extensions);
        std::filesystem::create_directories(program);
        std::filesystem::copy_file(VTL_LIB_DIR "/libvantrel-nautilus.so",
                                   extensions + "/libvantrel-nautilus.so");
        std::filesystem::copy_file(VTL_LIB_DIR "/libVtlExt.so", program + "/libVtlExt.so");
        std::filesystem::copy_file(m_vtl, program + "/vtl");
        m_vtl = program + "/vtl";
        m_provider = NAUTILUS_MENU_PROVIDER(
            g_object_new(ProviderType(extensions + "/libvantrel-nautilus.so"), nullptr));
    }
    void TearDown() override { g_object_unref(m_provider); }
};

TEST_F(ShellExtNautilusInstalled, ANewUsersMenuRunsTheInstalledProgram) {
    Activate({m_dir + "/a.jpg"}, 1);
    EXPECT_EQ(TakenRecord(),
              std::pair(std::uint32_t(HANDOFF_RESIZE_DEFAULT), Files{m_dir + "/a.jpg"}));
    EXPECT_FALSE(LocationIs(m_vtl)) << "nothing is recorded for the user";
}

TEST_F(ShellExtNautilus, ARefusalIsADialogOverNautilusNotANotification) {
    const vtltest::ScopedXServer x;
    if (x.DisplayName().empty())
        GTEST_SKIP() << "Xvfb is not installed";
    setenv("DISPLAY", x.DisplayName().c_str(), 1);
    // Drawn without OpenGL: the GL driver that GDK would load is unloaded again before the leak
    // check can name it.
    setenv("GSK_RENDERER", "cairo", 1);
    setenv("GDK_DEBUG", "gl-disable", 1);
    ASSERT_TRUE(gtk_init_check());
    Activate(Files(252, m_dir + "/a.jpg"), 0);
    GListModel* windows = gtk_window_get_toplevels();
    vtltest::WaitUntil(
        [&] {
            return g_main_context_iteration(nullptr, FALSE), g_list_model_get_n_items(windows) > 0;
        },
        5);
    ASSERT_EQ(g_list_model_get_n_items(windows), 1u) << "no dialog was shown";
    auto* dialog = GTK_WINDOW(g_list_model_get_item(windows, 0));
    char* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    EXPECT_NE(std::string(text ? text : "").find("at most 251 pictures"), std::string::npos)
        << text;
    g_free(text);
    gtk_window_destroy(dialog);
    g_object_unref(dialog);
    EXPECT_TRUE(QueueUntouched());
}

} // namespace
