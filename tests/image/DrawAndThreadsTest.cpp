#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <string>
#include <thread>
#include <vector>

#include "image/IImage.h"
#include "image/ximage.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/Sandbox.h"

using namespace imagetest;

TEST(CxImageDraw, PaintsTheWholePictureStretchedIntoTheRectangle) {
    const std::string dir = vtltest::MakeTempDir("draw");
    IImage image(0);
    CxImage* picture = image.GetXImage();
    ASSERT_TRUE(picture->Load(WriteVips(Quadrants(400, 200), dir, "q.jpg[Q=95]"), 0));
    EXPECT_EQ(image.width(), 400);
    EXPECT_EQ(image.height(), 200);

    QImage canvas(300, 300, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    for (int pass = 0; pass < 2; ++pass) { // the second paint reuses the decoded copy
        QPainter painter(&canvas);
        ASSERT_TRUE(picture->Draw(&painter, 50, 100, 200, 60));
    }
    auto near = [](QColor c, int r, int g, int b) {
        return std::abs(c.red() - r) < 40 && std::abs(c.green() - g) < 40 &&
               std::abs(c.blue() - b) < 40;
    };
    EXPECT_TRUE(near(canvas.pixelColor(55, 105), 255, 0, 0));
    EXPECT_TRUE(near(canvas.pixelColor(244, 105), 0, 255, 0));
    EXPECT_TRUE(near(canvas.pixelColor(55, 154), 0, 0, 255));
    EXPECT_TRUE(near(canvas.pixelColor(244, 154), 255, 255, 255));
    EXPECT_TRUE(near(canvas.pixelColor(45, 130), 0, 0, 0)) << "nothing outside the rectangle";
    EXPECT_TRUE(near(canvas.pixelColor(150, 165), 0, 0, 0));

    picture->Destroy();
    QPainter painter(&canvas);
    EXPECT_FALSE(picture->Draw(&painter, 0, 0, 10, 10));
    EXPECT_FALSE(picture->IsValid());
    EXPECT_EQ(image.width(), 0);
}

TEST(CxImageThreads, TwoPicturesOnTwoThreadsAtOnce) {
    const std::string dir = vtltest::MakeTempDir("threads");
    const std::string jpeg = WriteVips(Gradient(800, 600), dir, "a.jpg");
    const std::string png = WriteVips(Quadrants(600, 800), dir, "b.png");
    std::vector<int> results(2, 0);
    auto work = [&](int slot, const std::string& source, int format) {
        for (int round = 0; round < 4; ++round) {
            CxImage picture;
            const std::string out =
                dir + "/out" + std::to_string(slot) + "-" + std::to_string(round);
            if (picture.Load(source, 0) &&
                picture.Resample(picture.GetWidth() / 2, picture.GetHeight() / 2, 1) &&
                picture.RotateRight() && picture.Save(out, format)) {
                CxImage back;
                if (back.Load(out, 0) && back.GetWidth() == picture.GetWidth() &&
                    back.GetType() == format)
                    ++results[static_cast<std::size_t>(slot)];
            }
        }
    };
    std::thread first(work, 0, jpeg, CXIMAGE_FORMAT_JPG);
    std::thread second(work, 1, png, CXIMAGE_FORMAT_BMP);
    first.join();
    second.join();
    EXPECT_EQ(results[0], 4);
    EXPECT_EQ(results[1], 4);
}

// A picture drawn at an eighth of its size or less: a progressive JPEG is then read only up to
// its DC scans. Baseline and progressive, stored upright or turned, all match a full decode
// scaled with Lanczos3.
TEST(CxImageDraw, SmallDrawsOfLargeJpegsMatchAFullDecode) {
    const std::string dir = vtltest::MakeTempDir("small");
    const struct {
        const char* options;
        int orientation;
    } cases[] = {{"", 1}, {",interlace", 1}, {",interlace", 6}, {"", 6}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.options) + " orientation " + std::to_string(c.orientation));
        vips::VImage stored = Gradient(1600, 1200).copy();
        stored.set("orientation", c.orientation);
        const std::string path = WriteVips(
            stored, dir, "p" + std::to_string(++n) + ".jpg[Q=95,strip=false" + c.options + "]");
        const vips::VImage full = vips::VImage::new_from_file(path.c_str()).autorot();
        const int width = full.width() / 8;
        const int height = full.height() / 8;
        const vips::VImage expected =
            full.resize(1.0 / 8, vips::VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3));

        CxImage picture;
        ASSERT_TRUE(picture.Load(path, 0));
        QImage canvas(width, height, QImage::Format_RGB888);
        QPainter painter(&canvas);
        ASSERT_TRUE(picture.Draw(&painter, 0, 0, width, height));
        painter.end();
        std::vector<unsigned char> rows; // without the scan lines' padding
        for (int y = 0; y < height; ++y)
            rows.insert(rows.end(), canvas.constScanLine(y), canvas.constScanLine(y) + width * 3);
        const vips::VImage drawn = vips::VImage::new_from_memory(rows.data(), rows.size(), width,
                                                                 height, 3, VIPS_FORMAT_UCHAR);
        ASSERT_EQ(expected.width(), width);
        EXPECT_GT(Psnr(expected, drawn), 35.0);
    }
}
