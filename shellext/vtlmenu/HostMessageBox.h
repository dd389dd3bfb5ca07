#pragma once
// vtlmenu's way of showing the module's messages: always on standard error, for scripts, and
// also in a message box when a display is at hand.
// Called by the module on vtlmenu's main thread.
namespace vtlmenu {

void ShowHostMessage(const char* caption, const char* text);

} // namespace vtlmenu
