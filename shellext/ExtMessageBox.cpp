#include "shellext/ExtMessageBox.h"

#include <atomic>
#include <cstdio>

namespace vtlext {

namespace {
std::atomic<MessageBoxHook> g_hook{nullptr};
}

void SetMessageBoxHook(MessageBoxHook hook) { g_hook = hook; }

void ExtMessageBox(const std::string& text) {
    if (const MessageBoxHook hook = g_hook.load())
        hook(MESSAGE_CAPTION, text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", MESSAGE_CAPTION, text.c_str());
}

} // namespace vtlext
