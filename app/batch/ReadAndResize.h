#pragma once
// ReadAndResize: "Resize..." on the pictures of m_listFiles. The reading pass runs in a
// progress dialog; unless the user cancels it, the resize options dialog opens with the
// selection's common size and resolution that the pass found, and runs the resize job itself.
// Returns the resize dialog's end code (IDOK: a run wrote its outputs), or IDCANCEL when the
// reading pass was cancelled. Both dialogs have no parent. After IDOK, `outcome` (when given)
// says what the run did.
//
// Called on the user-interface thread by the browser's Resize command and by the shell launch
// that asks for the dialog.
#include <cstddef>

struct ResizeOutcome {
    std::size_t nWritten = 0; // outputs written
    bool bMail = false;       // "Resize and mail"
    bool bMailHanded = false; // the mail program took the mail
};

int ReadAndResize(ResizeOutcome* outcome = nullptr);
