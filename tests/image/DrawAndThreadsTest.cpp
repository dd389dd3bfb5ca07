// Drawing a picture into a painter, and two pictures worked on two threads at once.
#include "image/IImage.h"
#include "image/ximage.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <thread>

using namespace vtltest;

TEST(CxImageDraw, PaintsTheWholePictureStretchedIntoTheRectangle) {
    IImage image(0);
    CxImage* picture = image.GetXImage();
    ASSERT_TRUE(
        picture->Load(WritePicture(Quadrants(400, 200), MakeTempDir("draw") + "/q.jpg[Q=95]")));
    EXPECT_EQ(std::make_pair(image.width(), image.height()), std::make_pair(400, 200));
    QImage canvas(300, 300, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    for (int pass = 0; pass < 2; ++pass) { // the second paint reuses the decoded copy
        QPainter painter(&canvas);
        ASSERT_TRUE(picture->Draw(&painter, 50, 100, 200, 60));
    }
    const std::pair<QPoint, QColor> expected[] = {{{55, 105}, Qt::red},   {{244, 105}, Qt::green},
                                                  {{55, 154}, Qt::blue},  {{244, 154}, Qt::white},
                                                  {{45, 130}, Qt::black}, {{150, 165}, Qt::black}};
    for (const auto& [point, colour] : expected) {
        const QColor shown = canvas.pixelColor(point);
        EXPECT_TRUE(std::abs(shown.red() - colour.red()) < 40 &&
                    std::abs(shown.green() - colour.green()) < 40 &&
                    std::abs(shown.blue() - colour.blue()) < 40)
            << point.x() << "," << point.y();
    }
    picture->Destroy();
    QPainter painter(&canvas);
    EXPECT_FALSE(picture->Draw(&painter, 0, 0, 10, 10));
    EXPECT_EQ(image.width(), 0);
}

TEST(CxImageThreads, TwoPicturesOnTwoThreadsAtOnce) {
    const std::string dir = MakeTempDir("threads");
    int results[2] = {0, 0};
    auto work = [&](int slot, const std::string& source, int format) {
        for (int round = 0; round < 4; ++round) {
            CxImage picture;
            const std::string out = dir + "/out" + std::to_string(slot) + std::to_string(round);
            if (picture.Load(source) &&
                picture.Resample(picture.GetWidth() / 2, picture.GetHeight() / 2, 1) &&
                picture.RotateRight() && picture.Save(out, format)) {
                const PictureFacts back = Inspect(out);
                results[slot] += back.width == picture.GetWidth() && back.type == format;
            }
        }
    };
    std::thread first(work, 0, WritePicture(Gradient(800, 600), dir + "/a.jpg"),
                      CXIMAGE_FORMAT_JPG);
    std::thread second(work, 1, WritePicture(Quadrants(600, 800), dir + "/b.png"),
                       CXIMAGE_FORMAT_BMP);
    first.join();
    second.join();
    EXPECT_EQ(results[0], 4);
    EXPECT_EQ(results[1], 4);
}
