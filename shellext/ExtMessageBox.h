#pragma once
// How the module tells the user something: through the hook its host filled in (a Qt message
// box in vtlmenu, a notification in Nautilus), else on standard error (on Windows, in a
// message box of its own). The module itself
// links no toolkit, since it is loaded into file managers built on different ones.
// Any thread may call.
#include "shellext/VtlExtIds.h"

#include <string>

namespace vtlext {

constexpr const char* MESSAGE_CAPTION = "Vantrel";

void SetMessageBoxHook(MessageBoxHook hook);
// Shows `text` with the caption "Vantrel" and returns when the user has seen it.
void ExtMessageBox(const std::string& text);

} // namespace vtlext
