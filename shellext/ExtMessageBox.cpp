#include "shellext/ExtMessageBox.h"

#include <atomic>
#include <cstdio>

namespace vtlext {

namespace {
std::atomic<MessageBoxHook> g_hook{nullptr};
}

void SetMessageBoxHook(MessageBoxHook hook) {
    g_hook = hook;
}

void ExtMessageBox(const std::string& text) {
    if (const MessageBoxHook hook = g_hook.load())
        hook(MESSAGE_CAPTION, text.c_str());
    else
#ifdef _WIN32
        ::MessageBoxA(nullptr, text.c_str(), MESSAGE_CAPTION, MB_OK | MB_ICONWARNING);
#else
        std::fprintf(stderr, "%s: %s\n", MESSAGE_CAPTION, text.c_str());
#endif
}

} // namespace vtlext
