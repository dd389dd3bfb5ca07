// CColorLabel on a real label in an offscreen window: what reaches the screen, read back from
// the window's backing store without painting it again.
#include "app/browser/ColorLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>

TEST(ColorLabel, DrawsInTheThemesColoursAndANewColourAtOnce) {
    const QPalette before = QApplication::palette();
    QPalette theme = before;
    theme.setColor(QPalette::WindowText, QColor(0, 128, 0));
    QApplication::setPalette(theme);
    QWidget window;
    window.resize(240, 80);
    // A background the label must not show through.
    window.setPalette(QPalette(QColor(0, 0, 255)));
    window.setAutoFillBackground(true);
    auto* label = new QLabel(QStringLiteral("WWWWWWWWWW\r\nWWWWWWWWWW"), &window);
    label->setGeometry(10, 10, 200, 50);
    CColorLabel colorLabel;
    colorLabel.SubclassWindow(label);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setPalette(before);
    auto count = [&](const QColor& color) { // pixels of this colour inside the label
        const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
        int n = 0;
        for (int y = 10; y < 60; ++y)
            for (int x = 10; x < 210; ++x)
                n += shown.pixelColor(x, y) == color;
        return n;
    };
    // Unset, it draws in the theme's text colour with the GUI font on the theme's face.
    EXPECT_EQ(label->font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    EXPECT_GT(count(QColor(0, 128, 0)), 20);
    EXPECT_GT(count(theme.color(QPalette::Window)), 20);
    EXPECT_EQ(count(QColor(0, 0, 255)), 0);
    // A new colour is on screen, the theme's gone, before the caller goes on.
    colorLabel.SetLabelText("WWWWWWWWWW").SetLabelColor(MakeColorRef(255, 0, 0));
    EXPECT_GT(count(QColor(255, 0, 0)), 20);
    EXPECT_EQ(count(QColor(0, 128, 0)), 0);
}
