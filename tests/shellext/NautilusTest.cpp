// The Nautilus extension loaded as Nautilus loads it: a GTypeModule that calls its entry
// points, a menu provider asked for the items of a selection, and an item activated. The
// selection's files are given through a file-info object of our own, the part Nautilus plays.
#include "app/core/HandoffBlock.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gio/gio.h>
#include <glib-object.h>
extern "C" {
#include <nautilus-extension.h>
}

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

using namespace shellexttest;

// A file of the selection, as Nautilus describes it to extensions.
struct FileInfo {
    GObject parent;
    GFile* file;
};

GFile* FileInfoLocation(NautilusFileInfo* info) {
    return G_FILE(g_object_ref(reinterpret_cast<FileInfo*>(info)->file));
}

void FileInfoFinalize(GObject* object) {
    g_object_unref(reinterpret_cast<FileInfo*>(object)->file);
    G_OBJECT_CLASS(g_type_class_peek(G_TYPE_OBJECT))->finalize(object);
}

GType FileInfoType() {
    static const GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(GObjectClass);
        info.class_init = [](gpointer klass, gpointer) { G_OBJECT_CLASS(klass)->finalize = FileInfoFinalize; };
        info.instance_size = sizeof(FileInfo);
        const GType registered = g_type_register_static(G_TYPE_OBJECT, "VantrelTestFileInfo", &info,
                                                        static_cast<GTypeFlags>(0));
        GInterfaceInfo iface{};
        iface.interface_init = [](gpointer table, gpointer) {
            static_cast<NautilusFileInfoInterface*>(table)->get_location = FileInfoLocation;
        };
        g_type_add_interface_static(registered, NAUTILUS_TYPE_FILE_INFO, &iface);
        return registered;
    }();
    return type;
}

GList* Selection(const std::vector<std::string>& paths) {
    GList* list = nullptr;
    for (const auto& path : paths) {
        auto* info = static_cast<FileInfo*>(g_object_new(FileInfoType(), nullptr));
        info->file = g_file_new_for_path(path.c_str());
        list = g_list_append(list, info);
    }
    return list;
}

// The extension, loaded once through a type module as Nautilus does.
using InitializeFn = void (*)(GTypeModule*);
using ListTypesFn = void (*)(const GType**, int*);
InitializeFn g_initialize = nullptr;

GType ProviderType() {
    static const GType type = [] {
        void* extension = dlopen(VTL_LIB_DIR "/libvantrel-nautilus.so", RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(extension, nullptr) << dlerror();
        g_initialize = reinterpret_cast<InitializeFn>(dlsym(extension, "nautilus_module_initialize"));
        auto listTypes = reinterpret_cast<ListTypesFn>(dlsym(extension, "nautilus_module_list_types"));
        EXPECT_NE(g_initialize, nullptr);
        EXPECT_NE(listTypes, nullptr);

        GTypeInfo info{};
        info.class_size = sizeof(GTypeModuleClass);
        info.class_init = [](gpointer klass, gpointer) {
            G_TYPE_MODULE_CLASS(klass)->load = [](GTypeModule* module) -> gboolean {
                g_initialize(module);
                return TRUE;
            };
            G_TYPE_MODULE_CLASS(klass)->unload = [](GTypeModule*) {};
        };
        info.instance_size = sizeof(GTypeModule);
        const GType moduleType = g_type_register_static(G_TYPE_TYPE_MODULE, "VantrelTestTypeModule", &info,
                                                        static_cast<GTypeFlags>(0));
        auto* module = G_TYPE_MODULE(g_object_new(moduleType, nullptr));
        EXPECT_TRUE(g_type_module_use(module));
        const GType* types = nullptr;
        int count = 0;
        listTypes(&types, &count);
        EXPECT_EQ(count, 1);
        return types[0];
    }();
    return type;
}

std::string Label(NautilusMenuItem* item) {
    char* label = nullptr;
    g_object_get(item, "label", &label, nullptr);
    std::string text = label ? label : "";
    g_free(label);
    return text;
}

class ShellExtNautilus : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Module().RegisterServer(), plat::S_OK);
        m_dir = vtltest::MakeTempDir("nautilus");
        m_vtl = MakeFakeApplication(m_dir);
        SetLocation(m_vtl);
        FillBlock(0xAB);
        m_provider = g_object_new(ProviderType(), nullptr);
        ASSERT_TRUE(NAUTILUS_IS_MENU_PROVIDER(m_provider));
    }
    void TearDown() override {
        g_object_unref(m_provider);
        Module().UnregisterServer();
    }
    GList* Items(const std::vector<std::string>& paths) {
        GList* files = Selection(paths);
        GList* items = nautilus_menu_provider_get_file_items(NAUTILUS_MENU_PROVIDER(m_provider), files);
        g_list_free_full(files, g_object_unref);
        return items;
    }
    std::string m_dir;
    std::string m_vtl;
    gpointer m_provider = nullptr;
};

TEST_F(ShellExtNautilus, PicturesGetTheSubmenuAndAnItemRunsItsCommand) {
    GList* items = Items({m_dir + "/a.jpg", m_dir + "/b.txt", m_dir + "/c.gif"});
    ASSERT_EQ(g_list_length(items), 1u);
    auto* top = NAUTILUS_MENU_ITEM(items->data);
    EXPECT_EQ(Label(top), "Vantrel");
    NautilusMenu* submenu = nullptr;
    g_object_get(top, "menu", &submenu, nullptr);
    ASSERT_NE(submenu, nullptr);
    GList* commands = nautilus_menu_get_items(submenu);
    ASSERT_EQ(g_list_length(commands), 3u);
    EXPECT_EQ(Label(NAUTILUS_MENU_ITEM(g_list_nth_data(commands, 0))), "Resize...");
    EXPECT_EQ(Label(NAUTILUS_MENU_ITEM(g_list_nth_data(commands, 1))), "Resize as default setting");
    EXPECT_EQ(Label(NAUTILUS_MENU_ITEM(g_list_nth_data(commands, 2))), "Resize and mail");

    // The items outlive the provider's call, as Nautilus keeps them while the menu is open.
    nautilus_menu_item_activate(NAUTILUS_MENU_ITEM(g_list_nth_data(commands, 2)));
    EXPECT_EQ(Block()[0], 0xFF);
    EXPECT_EQ(BlockWord(9), 2u);
    EXPECT_EQ(BlockWord(13), HANDOFF_RESIZE_DEFAULT_MAIL);
    EXPECT_EQ(BlockPath(0), m_dir + "/a.jpg");
    EXPECT_EQ(BlockPath(1), m_dir + "/c.gif");
    EXPECT_EQ(WaitForStart(m_vtl), "0\n");

    nautilus_menu_item_list_free(commands);
    g_object_unref(submenu);
    nautilus_menu_item_list_free(items);
}

TEST_F(ShellExtNautilus, OtherFilesAndOtherLocationsGetNothing) {
    EXPECT_EQ(Items({m_dir + "/notes.txt"}), nullptr);

    GList* files = nullptr;
    auto* remote = static_cast<FileInfo*>(g_object_new(FileInfoType(), nullptr));
    remote->file = g_file_new_for_uri("sftp://host/pictures/a.jpg");
    files = g_list_append(files, remote);
    EXPECT_EQ(nautilus_menu_provider_get_file_items(NAUTILUS_MENU_PROVIDER(m_provider), files), nullptr);
    g_list_free_full(files, g_object_unref);
}

} // namespace
