#include "image/VipsRuntime.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <gmodule.h>
#include <vips/vips8>

namespace vtlimage {

namespace {

void DropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// The smaller buffers of a picture's pipeline, freed when it is done, stay with the malloc
// arenas of the threads that worked on it, scattered between blocks still in use where glibc
// does not hand them back by itself: a batch's peak grew with its length (by 25 MB from 10 to
// 30 wallpapers). Handing them back after each picture, a millisecond or two, keeps it flat.
void ReturnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// The process was prepared by main() (ProcessSettings.h): no modules to load, large buffers
// handed back when freed.
bool StartVips() {
    if (VIPS_INIT("vantrel") != 0)
        return false;
    vips_cache_set_max(0);
    vips_cache_set_max_mem(0);
    vips_cache_set_max_files(0);
    const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                    G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
    g_log_set_handler("VIPS", levels, DropMessage, nullptr);
    return true;
}

} // namespace

bool EnsureVipsStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] { started = StartVips(); });
    return started;
}

bool EnsureVipsModule(VipsModule module) {
    struct Loaded {
        std::once_flag once;
        bool loaded = false;
    };
    static Loaded heif;
    static Loaded jxl;
    Loaded& which = module == VipsModule::Heif ? heif : jxl;
    const char* file = module == VipsModule::Heif ? "vips-heif.so" : "vips-jxl.so";
    if (!EnsureVipsStarted())
        return false;
    // Opening it registers its loaders and savers; it stays for the life of the process.
    std::call_once(which.once, [&] {
        const std::string path = std::string(VTL_VIPS_MODULE_DIR) + "/" + file;
        GModule* opened = g_module_open(path.c_str(), G_MODULE_BIND_LAZY);
        if (opened)
            g_module_make_resident(opened);
        which.loaded = opened != nullptr;
    });
    return which.loaded;
}

namespace {

std::atomic<int> g_nPicturesWorked{0};

} // namespace

CPictureWork::CPictureWork()
    : m_bAlone(g_nPicturesWorked.fetch_add(1) == 0 && std::thread::hardware_concurrency() > 1) {}

CPictureWork::~CPictureWork() {
    g_nPicturesWorked.fetch_sub(1);
    ReturnFreedMemory();
}

void HoldWhileAlive(vips::VImage& picture, CMemoryBudget::CGrant grant) {
    // Each grant under a key of its own: setting a key again would drop the grant before it.
    static std::atomic<unsigned> s_nKey{0};
    const std::string key = "vantrel-grant-" + std::to_string(s_nKey.fetch_add(1));
    g_object_set_data_full(G_OBJECT(picture.get_image()), key.c_str(),
                           new CMemoryBudget::CGrant(std::move(grant)),
                           [](gpointer held) { delete static_cast<CMemoryBudget::CGrant*>(held); });
}

} // namespace vtlimage
