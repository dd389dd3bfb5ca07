// The Nautilus extension loaded as Nautilus loads it: a GTypeModule that calls its entry
// points, a menu provider asked for the items of a selection, and an item activated. The
// selection's files are given through a file-info object of our own, the part Nautilus plays.
#include "app/core/HandoffMapping.h"
#include "tests/shellext/ShellExtTestSupport.h"
#include "tests/support/Sandbox.h"

#include <gio/gio.h>
#include <glib-object.h>
#include <gtk/gtk.h>
extern "C" {
#include <nautilus-extension.h>
}

#include <gtest/gtest.h>

#include <csignal>
#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
        ScribbleBlock();
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
    // Activates command `offset` of the menu for `paths`, as a click on it does.
    void Activate(const std::vector<std::string>& paths, unsigned offset) {
        GList* items = Items(paths);
        ASSERT_EQ(g_list_length(items), 1u);
        NautilusMenu* submenu = nullptr;
        g_object_get(items->data, "menu", &submenu, nullptr);
        GList* commands = nautilus_menu_get_items(submenu);
        nautilus_menu_item_activate(NAUTILUS_MENU_ITEM(g_list_nth_data(commands, offset)));
        nautilus_menu_item_list_free(commands);
        g_object_unref(submenu);
        nautilus_menu_item_list_free(items);
    }
    std::string m_dir;
    std::string m_vtl;
    gpointer m_provider = nullptr;
};

TEST_F(ShellExtNautilus, PicturesGetTheSubmenuWithTheHandlersCommands) {
    GList* items = Items({m_dir + "/a.jpg", m_dir + "/b.txt"});
    ASSERT_EQ(g_list_length(items), 1u);
    EXPECT_EQ(Label(NAUTILUS_MENU_ITEM(items->data)), "Vantrel");
    NautilusMenu* submenu = nullptr;
    g_object_get(items->data, "menu", &submenu, nullptr);
    ASSERT_NE(submenu, nullptr);
    GList* commands = nautilus_menu_get_items(submenu);
    std::vector<std::string> labels;
    for (GList* node = commands; node; node = node->next)
        labels.push_back(Label(NAUTILUS_MENU_ITEM(node->data)));
    EXPECT_EQ(labels, (std::vector<std::string>{"Resize...", "Resize as default setting", "Resize and mail"}));
    nautilus_menu_item_list_free(commands);
    g_object_unref(submenu);
    nautilus_menu_item_list_free(items);

    EXPECT_EQ(Items({m_dir + "/notes.txt"}), nullptr);
    GList* files = nullptr;
    auto* remote = static_cast<FileInfo*>(g_object_new(FileInfoType(), nullptr));
    remote->file = g_file_new_for_uri("sftp://host/pictures/a.jpg");
    files = g_list_append(files, remote);
    EXPECT_EQ(nautilus_menu_provider_get_file_items(NAUTILUS_MENU_PROVIDER(m_provider), files), nullptr)
        << "other locations get nothing";
    g_list_free_full(files, g_object_unref);
}

TEST_F(ShellExtNautilus, ACommandWaitsForAnEarlierHandOffOffNautilussMainThread) {
    CHandoffMapping earlier(true);
    ASSERT_EQ(earlier.Write(HANDOFF_RESIZE_DEFAULT, {"/first/a.jpg"}), HandoffWrite::Written);
    // The click returns at once, while the command waits for the earlier record to be taken.
    Activate({m_dir + "/a.jpg", m_dir + "/b.txt", m_dir + "/c.gif"}, 2);
    EXPECT_EQ(PendingRecord().files, std::vector<std::string>{"/first/a.jpg"});
    std::vector<std::string> taken;
    earlier.Read(taken);
    for (int i = 0; i < 500 && !PendingRecord().pending; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const Record record = PendingRecord();
    EXPECT_EQ(record.header.nCommand, HANDOFF_RESIZE_DEFAULT_MAIL);
    EXPECT_EQ(record.files, (std::vector<std::string>{m_dir + "/a.jpg", m_dir + "/c.gif"}));
    EXPECT_EQ(WaitForStart(m_vtl), "0\n");
}

// An X server of the test's own, for the extension's dialogs.
class XServer {
public:
    XServer() {
        int pipe[2];
        if (::pipe(pipe) != 0)
            return;
        const std::string fd = std::to_string(pipe[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", nullptr};
        if (posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = 0;
        close(pipe[1]);
        char number[16] = {};
        if (m_pid && read(pipe[0], number, sizeof number - 1) > 0)
            m_display = ":" + std::to_string(std::atoi(number));
        close(pipe[0]);
    }
    ~XServer() {
        if (m_pid) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = 0;
    std::string m_display;
};

TEST_F(ShellExtNautilus, ARefusalIsADialogOverNautilusNotANotification) {
    const XServer x;
    if (x.Display().empty())
        GTEST_SKIP() << "Xvfb is not installed";
    setenv("DISPLAY", x.Display().c_str(), 1);
    setenv("GSK_RENDERER", "cairo", 1);
    setenv("GTK_A11Y", "none", 1);
    ASSERT_TRUE(gtk_init_check());
    std::vector<std::string> tooMany;
    for (int i = 0; i < 252; ++i)
        tooMany.push_back(m_dir + "/" + std::to_string(i) + ".jpg");
    Activate(tooMany, 0);

    GtkWindow* dialog = nullptr;
    for (int i = 0; i < 500 && !dialog; ++i) {
        g_main_context_iteration(nullptr, FALSE);
        GListModel* windows = gtk_window_get_toplevels();
        if (g_list_model_get_n_items(windows) > 0)
            dialog = GTK_WINDOW(g_list_model_get_item(windows, 0));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(dialog, nullptr) << "no dialog was shown";
    char* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    EXPECT_STREQ(gtk_window_get_title(dialog), "Vantrel");
    EXPECT_NE(std::string(text ? text : "").find("at most 251 pictures"), std::string::npos) << text;
    g_free(text);
    gtk_window_destroy(dialog);
    g_object_unref(dialog);
    EXPECT_TRUE(BlockUntouched());
}

} // namespace
