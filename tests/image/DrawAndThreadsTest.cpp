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
