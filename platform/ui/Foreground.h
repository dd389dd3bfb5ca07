#pragma once
// The bring-to-front rule of the dialogs that may open while another program is active (the
// confirmation and resize dialogs, which can run without a main window): the dialog becomes
// the active window unless it already is. On Windows this needs the foreground thread's input
// attached for a moment; with Qt every window lives on the one user-interface thread, so what
// remains is raising and activating the window, once it is shown.
//
// Called on the user-interface thread, typically from OnInitDialog.
class QWidget;

namespace plat {

void BringToFront(QWidget* window);

} // namespace plat
