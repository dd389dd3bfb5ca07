// CColorLabel on a real label in an offscreen window: what reaches the screen, read back from
// the window's backing store.
#include "app/browser/ColorLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

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
    }

    void Show() {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // What the window shows now, without painting it again.
    QImage OnScreen() const {
        return window.screen()->grabWindow(window.winId()).toImage();
    }

    // The pixels inside the label that are neither its background nor blends of it: the text.
    int CountPixels(const QImage& image, const QColor& color) const {
        int count = 0;
        const QRect area = label->geometry();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y) == color)
                    ++count;
        return count;
    }

    QWidget window;
    QLabel* label = nullptr;
};

TEST(ColorLabel, ANewColourIsOnScreenBeforeTheCallerGoesOn) {
    LabelWindow w;
    CColorLabel label;
    label.SubclassWindow(w.label);
    w.Show();
    PaintCounter counter;
    w.label->installEventFilter(&counter);

    CColorLabel& chained = label.SetLabelText("WWWWWWWWWW").SetLabelColor(MakeColorRef(255, 0, 0));
    EXPECT_EQ(&chained, &label);
    EXPECT_GE(counter.paints, 1) << "the colour change must paint at once";
    QImage shown = w.OnScreen();
    EXPECT_GT(w.CountPixels(shown, QColor(255, 0, 0)), 20);

    const int paintsBefore = counter.paints;
    label.SetLabelColor(MakeColorRef(0, 0, 0));
    EXPECT_GT(counter.paints, paintsBefore);
    shown = w.OnScreen();
    EXPECT_EQ(w.CountPixels(shown, QColor(255, 0, 0)), 0);
    EXPECT_GT(w.CountPixels(shown, QColor(0, 0, 0)), 20);
}

TEST(ColorLabel, UnsetLabelUsesTheSystemTextColourGuiFontAndItsOwnFace) {
    QPalette system = QApplication::palette();
    system.setColor(QPalette::WindowText, QColor(0, 128, 0));
    QApplication::setPalette(system);
    LabelWindow w;
    CColorLabel label;
    label.SubclassWindow(w.label);
    w.Show();
    QApplication::setPalette(QPalette());

    EXPECT_EQ(w.label->font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    const QImage shown = w.OnScreen();
    EXPECT_GT(w.CountPixels(shown, QColor(0, 128, 0)), 20);
    // The window behind is blue; the label's corner shows the system's dialog face instead.
    const QPoint corner = w.label->geometry().bottomRight() - QPoint(1, 1);
    EXPECT_EQ(shown.pixelColor(corner), system.color(QPalette::Window));
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(0, 0, 255));
}

} // namespace
