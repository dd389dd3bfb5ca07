#pragma once
// CDialogBuilder turns a dialog template into Qt widgets inside a QDialog: each control at its
// template rectangle converted from dialog units with the dialog font's average character
// width and height (as MapDialogRect does), its objectName set to its symbolic id, radio
// buttons grouped as the template's group marks say, and the dialog sized to the template.
// Every control draws with the one dialog font, which follows the desktop's font, so a larger
// font or scale grows the whole dialog; only a dialog that would not fit its screen gets a
// smaller font.
//
// User actions on the controls are reported through one callback with the control id and a
// notification code, as WM_COMMAND does: a click (BN_CLICKED), a text change of an edit
// (EN_CHANGE, also when the program sets a different text), a selection made in a drop-down
// list (CBN_SELCHANGE) and a move of a slider by the user (WM_HSCROLL).
//
// Called by CDialog on the user-interface thread.
#include "platform/ui/DialogTemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>

#include <functional>

class QDialog;
class QButtonGroup;
class QWidget;

namespace plat {

enum : int { BN_CLICKED = 0, CBN_SELCHANGE = 1, EN_CHANGE = 0x300, WM_HSCROLL = 0x114 };

class CDialogBuilder {
  public:
    using Notify = std::function<void(int id, int code)>;

    // Creates the controls of `tmpl` as children of `dialog` and gives the dialog the
    // template's caption, font, size and title-bar buttons.
    static void Build(QDialog& dialog, const DLGTEMPLATE& tmpl, const Notify& notify);

    // The template's font: the desktop's font, at the template's size relative to 8 points.
    static QFont DialogFont(const DLGTEMPLATE& tmpl);

    // The template's font, made smaller (not below the template's own size) where the dialog
    // would not fit a screen of this size.
    static QFont FittingFont(const DLGTEMPLATE& tmpl, const QSize& screen);

    // Dialog units to pixels for `font`, rounding as MulDiv does.
    static QRect MapDialogRect(const QFont& font, int x, int y, int cx, int cy);

    // The radio-button group a button was put in by Build; null for other controls.
    static QButtonGroup* RadioGroupOf(const QWidget* control);
};

} // namespace plat
