#pragma once
// ReadAndResize: "Resize..." on the pictures of m_listFiles. The reading pass runs in a
// progress dialog; unless the user cancels it, the resize options dialog opens with the
// selection's common size and resolution that the pass found, and runs the resize job itself.
// Returns the resize dialog's end code (IDOK: a run wrote its outputs), or IDCANCEL when the
// reading pass was cancelled. Both dialogs have no parent. After IDOK, `outcome` (when given)
// says what the run did. `found` says how many of the pictures came out of handed-over folders:
// the dialog's "Resize and mail" asks before mailing many of them.
//
// Called on the user-interface thread by the browser's Resize command and by the shell launch
// that asks for the dialog.
#include "app/batch/MailPictures.h"
#include "app/model/ResizeOutcome.h"

int ReadAndResize(ResizeOutcome* outcome = nullptr, const FolderPictures& found = {});
