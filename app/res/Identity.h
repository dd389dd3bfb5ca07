#pragma once
// How the program names itself to the desktop: the name "Vantrel" (the string table's
// IDS_APP_TITLE), which titles its message boxes, its desktop entry and its icon. It sets no
// display name: the desktop would append one to every window title ("Vantrel... — Vantrel"),
// and each window's title is its dialog template's caption alone.
//
// Called once by main() after the QApplication exists, on the user-interface thread.
void SetApplicationIdentity();
