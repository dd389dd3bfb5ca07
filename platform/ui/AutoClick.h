#pragma once
// The automation hook VTL_AUTOCLICK, for tests and scripted runs of the real program.
//
// The variable holds a comma-separated list of names. Each time a modal dialog that waits for
// a person, a message box or the folder chooser opens, the next name is taken and pressed:
// a control's symbolic id (its objectName, from app/res/resource.h), or IDOK, IDCANCEL, IDYES,
// IDNO. An empty name presses nothing for that one opening. The browser's main window takes a
// name when it first shows: the symbolic id of a command it then runs (ID_APP_EXIT). Once the
// list is used up, dialogs wait for the person again. Without the variable nothing changes. The
// progress dialog ends by itself and takes no name.
//
// Called on the user-interface thread.
#include <optional>
#include <string>

namespace plat {

// The next name of the list, or nothing when the list is used up or was never given. The list
// is read from VTL_AUTOCLICK at the first call.
std::optional<std::string> TakeAutoClick();

// Replaces what is left of the list (for a test that needs a fresh list).
void SetAutoClick(const std::string& list);

} // namespace plat
