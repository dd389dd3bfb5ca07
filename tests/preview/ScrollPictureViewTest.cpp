// The preview pane offscreen, read back from grabs of what it paints: the picture box
// arithmetic, the properties panel, and what each kind of file leaves on screen.
#include "app/preview/ScrollPictureView.h"

#include "app/preview/ExifReader.h"
#include "app/preview/VantrelDoc.h"
#include "tests/preview/PreviewPictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace previewtest;

namespace {

TEST(FitPictureRect, BoxForEachShapeOfPictureAndPane) {
    const struct {
        int paneWidth, width, height;
        PaneRect box;
    } cases[] = {
        {400, 100, 50, {149, 2, 249, 50}},     // fits: its own size, centred, bottom = its height
        {400, 800, 600, {2, 2, 398, 297}},     // too wide: full width
        {400, 600, 800, {51, 2, 347, 398}},    // too tall: full height, centred
        {400, 396, 100, {2, 2, 398, 100}},     // exactly the box's width
        {400, 200, 200, {99, 2, 299, 200}},    // square, fits
        {400, 1000, 1000, {2, 2, 398, 396}},   // square, too large
        {400, 396, 70000, {198, 2, 200, 398}}, // a sliver
        {3, 100, 50, {2, 2, 1, 0}},            // a pane narrower than its margins: nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(CScrollPictureView::FitPictureRect({0, 0, c.paneWidth, 600}, c.width, c.height),
                  c.box)
            << c.width << "x" << c.height << " in " << c.paneWidth;
}

// One pane as the main window holds it, shown offscreen.
struct Pane {
    explicit Pane(int width = 400, int height = 600) : view(&doc) {
        view.setFrameShape(QFrame::NoFrame);
        view.resize(width, height);
        view.OnInitialUpdate();
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    bool Show(const std::string& path) {
        view.SetPicturePath(path);
        return view.ShowPicture();
    }

    // What the pane paints now; a paint may change the scroll range, so layout follows.
    QImage Shown() {
        QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QApplication::processEvents();
        return image;
    }

    bool OnlyBackground() {
        const QImage image = Shown();
        const QRgb face = view.palette().color(QPalette::Button).rgb();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != face)
                    return false;
        return true;
    }

    int LineHeight() const { return QFontMetrics(view.font()).height(); }

    CVantrelDoc doc;
    CScrollPictureView view;
};

bool Dark(QColor c) {
    return c.lightness() < 100;
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           12;
}

// Some pixel of the area is dark: text or a frame line.
bool HasInk(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && Dark(image.pixelColor(x, y)))
                return true;
    return false;
}

std::string WritePicture(const std::string& name, const std::string& bytes) {
    const std::string path = vtltest::MakeTempDir("pane") + "/" + name;
    vtltest::WriteFile(path, bytes);
    return path;
}

TEST(ScrollPictureView, APictureWithoutExifShowsItsTitleAndSizeRows) {
    Pane pane;
    EXPECT_EQ(pane.doc.m_pPictureView, &pane.view);
    EXPECT_TRUE(pane.OnlyBackground()) << "no picture yet";

    ASSERT_TRUE(pane.Show(WritePicture("red.png", Encoded(Flat(100, 50, Qt::red), "PNG"))));
    const QImage shown = pane.Shown();
    const QColor face = pane.view.palette().color(QPalette::Button);
    EXPECT_TRUE(Near(shown.pixelColor(199, 25), Qt::red));
    EXPECT_EQ(shown.pixelColor(147, 25), face) << "left of the picture";
    EXPECT_EQ(shown.pixelColor(199, 60), face) << "between the picture and the panel";
    // The panel: from x 2, y 50 + 20, to the pane's bottom, two frames inset 5 and 10.
    const int y0 = 70;
    const int lh = pane.LineHeight();
    EXPECT_EQ(shown.pixelColor(3, 599), QColor(Qt::white)) << "the panel reaches the bottom";
    EXPECT_TRUE(Dark(shown.pixelColor(7, 500)) && Dark(shown.pixelColor(12, 500)));
    EXPECT_TRUE(HasInk(shown, QRect(150, y0, 100, lh))) << "the title, centred";

    // Each row as the row font draws it on white: the label and the number in 30 places.
    QFont font = pane.view.font();
    font.setFamily(QStringLiteral("Verdana"));
    const QString rows[] = {QString::asprintf("Image Width%30d", 100),
                            QString::asprintf("Image Height%30d", 50)};
    for (int i = 0; i < 2; ++i) {
        QImage expected(QFontMetrics(font).horizontalAdvance(rows[i]), lh, QImage::Format_RGB32);
        expected.fill(Qt::white);
        QPainter painter(&expected);
        painter.setFont(font);
        painter.drawText(0, painter.fontMetrics().ascent(), rows[i]);
        painter.end();
        EXPECT_EQ(shown.copy(QRect(QPoint(22, y0 + (2 + i) * lh), expected.size())), expected)
            << rows[i].toStdString();
    }
    EXPECT_FALSE(HasInk(shown, QRect(22, y0 + 4 * lh, 350, 580 - (y0 + 4 * lh))))
        << "nothing under the two rows";
}

TEST(ScrollPictureView, ExifRowsComeInIfdGroupsWithAnEmptyLineBetween) {
    const std::string path = WritePicture(
        "camera.jpg",
        JpegBytes(Flat(100, 50, Qt::blue), ExifSegment({{EXIF_IFD_0, EXIF_TAG_MAKE, "Maker"},
                                                        {EXIF_IFD_0, EXIF_TAG_MODEL, "Model 1"},
                                                        {EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL,
                                                         "2024:05:01 10:00:00"}})));
    Pane pane(400, 1200);
    ASSERT_TRUE(pane.Show(path));
    const QImage shown = pane.Shown();
    auto line = [&](int n) { return QRect(22, 70 + (2 + n) * pane.LineHeight(), 300, 10); };
    for (const int n : {0, 1, 3}) // Make, Model, an empty line, DateTimeOriginal
        EXPECT_TRUE(HasInk(shown, line(n))) << "row " << n;
    for (const int n : {2, 4})
        EXPECT_FALSE(HasInk(shown, line(n))) << "row " << n;
}

TEST(ScrollPictureView, LongContentScrollsIntoViewInsideTheFrames) {
    std::vector<ExifText> entries = {
        {EXIF_IFD_0, EXIF_TAG_MAKE, "Maker"},
        {EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION, std::string(3000, 'W')}};
    for (int tag = 0xC100; tag < 0xC100 + 3000; ++tag) // tags nobody knows
        entries.push_back({EXIF_IFD_0, tag, "?"});
    Pane pane(400, 130);
    ASSERT_TRUE(pane.Show(
        WritePicture("long.jpg", JpegBytes(Flat(64, 64, Qt::green), ExifSegment(entries)))));
    pane.Shown();
    QScrollBar* across = pane.view.horizontalScrollBar();
    QScrollBar* down = pane.view.verticalScrollBar();
    ASSERT_GT(across->maximum(), 2000);
    ASSERT_GT(down->maximum(), 0);
    const int width = pane.view.viewport()->width();
    const int height = pane.view.viewport()->height();

    across->setValue(across->maximum());
    QImage shown = pane.Shown();
    EXPECT_TRUE(Dark(shown.pixelColor(width - 6, height - 20)) &&
                Dark(shown.pixelColor(width - 11, height - 20)))
        << "the right frames";
    EXPECT_TRUE(HasInk(shown, QRect(width - 40, 100, 28, height - 100))) << "the value's end";
    EXPECT_FALSE(HasInk(shown, QRect(width - 10, 100, 4, height - 100))) << "between the frames";

    across->setValue(0);
    down->setValue(down->maximum());
    shown = pane.Shown();
    EXPECT_TRUE(Dark(shown.pixelColor(width / 2, height - 6)) &&
                Dark(shown.pixelColor(width / 2, height - 11)))
        << "the bottom frames, under the last row";
}

TEST(ScrollPictureView, WhatCannotBeShownLeavesTheBackgroundAlone) {
    const std::string dir = vtltest::MakeTempDir("bad");
    const std::string good = dir + "/good.jpg";
    vtltest::WriteFile(good, JpegBytes(Flat(300, 200, Qt::red)));
    // Its EXIF block loads; its picture does not.
    const std::string jpeg =
        JpegBytes(Flat(300, 200, Qt::red), ExifSegment({{EXIF_IFD_0, EXIF_TAG_MAKE, "M"}}));
    // A bitmap header claiming 100,000 x 100,000 pixels and nothing after it.
    std::string huge = Encoded(Flat(4, 4, Qt::red), "BMP").substr(0, 54);
    for (const std::size_t at : {18, 22})
        huge.replace(at, 4, std::string("\xA0\x86\x01\x00", 4));
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
    } cases[] = {
        {"a truncated JPEG", [&](auto& path) { vtltest::WriteFile(path, jpeg.substr(0, 900)); }},
        {"a 0-byte file", [](auto& path) { vtltest::WriteFile(path, ""); }},
        {"a folder", [](auto& path) { std::filesystem::create_directory(path); }},
        {"a pipe", [](auto& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }},
        {"a header of 100,000 x 100,000", [&](auto& path) { vtltest::WriteFile(path, huge); }},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/bad" + std::to_string(++n) + ".jpg";
        c.make(path);
        Pane pane;
        ASSERT_TRUE(pane.Show(good));
        ASSERT_FALSE(pane.OnlyBackground());
        EXPECT_TRUE(pane.Show(path));
        EXPECT_TRUE(pane.OnlyBackground());
    }
    // A folder row of the list clears the pane.
    Pane pane;
    ASSERT_TRUE(pane.Show(good));
    pane.view.SetPicturePath("");
    pane.view.ClearPicture();
    EXPECT_TRUE(pane.OnlyBackground());
}

// A name that is not UTF-8 is opened by its bytes; once the file has gone, and for a path that
// names no file at all, the pane stays as it was.
TEST(ScrollPictureView, APictureShowsUnderAnyNameAndStaysWhenItsFileGoes) {
    const std::string path =
        WritePicture("caf\xE9.jpg", JpegBytes(Flat(120, 80, Qt::blue),
                                              ExifSegment({{EXIF_IFD_0, EXIF_TAG_MAKE, "M"}})));
    Pane pane;
    ASSERT_TRUE(pane.Show(path));
    const QImage before = pane.Shown();
    EXPECT_TRUE(Near(before.pixelColor(199, 40), Qt::blue));
    EXPECT_TRUE(HasInk(before, QRect(22, 100 + 2 * pane.LineHeight(), 100, 10))) << "EXIF row";
    std::filesystem::remove(path);
    EXPECT_FALSE(pane.Show(path));
    EXPECT_FALSE(pane.Show("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"));
    EXPECT_EQ(pane.Shown(), before);
}

} // namespace
