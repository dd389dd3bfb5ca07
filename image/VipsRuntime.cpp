#include "image/VipsRuntime.h"

#include <mutex>

#include <vips/vips8>

namespace vtlimage {

namespace {

void DropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

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

} // namespace vtlimage
