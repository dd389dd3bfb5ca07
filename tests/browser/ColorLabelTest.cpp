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
#include <QWidget>

namespace {

struct LabelWindow {
    LabelWindow() {
        window.resize(240, 80);
        label = new QLabel(QStringLiteral("WWWWWWWWWW\r\nWWWWWWWWWW"), &window);
        label->setGeometry(10, 10, 200, 50);
        // A background the label must not show through.
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(0, 0, 255));
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        colorLabel.SubclassWindow(label);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QImage OnScreen() const { return window.screen()->grabWindow(window.winId()).toImage(); }
    // How many pixels inside the label have exactly this colour.
    int Count(const QColor& color) const {
        const QImage shown = OnScreen();
        int count = 0;
        const QRect area = label->geometry();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += shown.pixelColor(x, y) == color;
        return count;
    }

    QWidget window;
    QLabel* label = nullptr;
    CColorLabel colorLabel;
};

TEST(ColorLabel, ANewColourIsOnScreenBeforeTheCallerGoesOn) {
    LabelWindow w;
    CColorLabel& chained =
        w.colorLabel.SetLabelText("WWWWWWWWWW").SetLabelColor(MakeColorRef(255, 0, 0));
    EXPECT_EQ(&chained, &w.colorLabel);
    EXPECT_GT(w.Count(QColor(255, 0, 0)), 20);
    w.colorLabel.SetLabelColor(MakeColorRef(0, 0, 0));
    EXPECT_EQ(w.Count(QColor(255, 0, 0)), 0);
    EXPECT_GT(w.Count(QColor(0, 0, 0)), 20);
}

TEST(ColorLabel, UnsetLabelUsesTheThemesTextColourGuiFontAndItsOwnFace) {
    const QPalette before = QApplication::palette();
    QPalette theme = before;
    theme.setColor(QPalette::WindowText, QColor(0, 128, 0));
    QApplication::setPalette(theme);
    LabelWindow w;
    QApplication::setPalette(before);
    EXPECT_EQ(w.label->font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    EXPECT_GT(w.Count(QColor(0, 128, 0)), 20);
    // The window behind is blue; the label's corner shows the theme's dialog face instead.
    const QImage shown = w.OnScreen();
    EXPECT_EQ(shown.pixelColor(w.label->geometry().bottomRight() - QPoint(1, 1)),
              theme.color(QPalette::Window));
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(0, 0, 255));
}

} // namespace
