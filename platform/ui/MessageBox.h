#pragma once
// Message boxes with the shape of AfxMessageBox: a text, a button set and an icon in one
// flags word, the pressed button as the result. The caption is the application's name.
// Called on the user-interface thread only. A box takes the next VTL_AUTOCLICK name, if any
// (IDOK, IDCANCEL, IDYES, IDNO; see AutoClick.h).
#include "platform/Result.h"

#include <string>

namespace plat {

enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONSTOP = 0x10,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

int AfxMessageBox(const std::string& text, unsigned type = MB_OK | MB_ICONEXCLAMATION);

// A failure in a task over several files, told in a box: while more files follow (`more`),
// with OK to go on with them (true) and Cancel to stop; for the last file with OK alone.
bool AskToGoOnAfter(const Failure& failure, bool more);

} // namespace plat
