#pragma once
// The text limit of an edit control (EM_LIMITTEXT), counted in the bytes its text takes in
// UTF-8, the form the program stores it in: a keystroke that would go past the limit is
// refused, and a paste keeps as much of its text as fits, cut between two characters. The
// limit applies before the edit reports its change, so nobody ever sees a text that is too
// long. A text the program sets afterwards is cut too, so set the limit first.
//
// Works on the one-line and multi-line edits CDialogBuilder makes (a one-line edit gets a
// validator of its own for this). Called on the user-interface thread.
#include <cstddef>

class QWidget;

namespace plat {

void LimitText(QWidget* edit, std::size_t maxBytes);

} // namespace plat
