#pragma once
// The desktop's widget style with the frames of check boxes and radio buttons drawn in the
// palette's text colour. The common style draws them a shade darker than the window, which on a
// dark theme is nearly the window's own colour: the list's check boxes vanished under
// Adwaita-dark. In the text colour they read on every theme, light or dark.
//
// Installed once by the program on the user-interface thread, after the application object
// exists and before any window is made.
#include <QProxyStyle>

namespace plat {

class CThemeStyle : public QProxyStyle {
  public:
    CThemeStyle();
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
};

// Puts the style in place of the application's, keeping the style the desktop chose under it.
void UseThemeStyle();

} // namespace plat
