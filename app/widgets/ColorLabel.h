#pragma once
// CColorLabel: the label control of the application's dialogs whose text colour can be set
// while the dialog is open. It draws its text with the dialog's font (the system's GUI font
// here, which every control of a dialog shares, so the label grows with the dialog) on the
// dialog face colour of its own, whatever the dialog's background, in the system window-text colour
// until a colour is set. The resize options dialog shows its red warnings and black information in
// three of them; the About box shows its version text in one.
//
// A dialog binds it to a label of its template with DDX_Control below (the label never creates
// its window itself). Both setters return the label, so that calls can be chained.
//
// Used on the user-interface thread only.
#include "app/widgets/ColorRef.h"
#include "platform/ui/Wnd.h"

#include <QColor>

#include <string>

namespace plat {
class CDataExchange;
}

class CColorLabel : public plat::CWnd {
  public:
    CColorLabel();

    CColorLabel& SetLabelText(const std::string& text);
    // Stores the colour and repaints the label at once, so the new colour is on screen before
    // the caller goes on.
    CColorLabel& SetLabelColor(COLORREF color);

    // Takes over a label of a dialog: from now on it draws with this label's background and
    // text colour.
    void SubclassWindow(QWidget* label);

  private:
    void ApplyColors();

    COLORREF m_crText;
    QColor m_crBack;
};

// The theme's window-text colour (black on a light theme): the colour of plain information,
// readable on every theme.
COLORREF WindowTextColor();

// Binds the label to the dialog's control `id` the first time the exchange runs.
void DDX_Control(plat::CDataExchange* pDX, int id, CColorLabel& label);
