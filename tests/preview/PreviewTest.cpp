// The preview pane offscreen, read back from grabs of what it paints and from its message line,
// the loader that reads its pictures on a worker thread, and the EXIF reader over the sample
// camera files and over EXIF blocks made here.
#include "app/preview/ExifReader.h"
#include "app/preview/PreviewLoader.h"
#include "app/preview/ScrollPictureView.h"
#include "app/widgets/VantrelDoc.h"
#include "image/IImage.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>

namespace {

using vips::VImage;
using vtltest::MakeTempDir;
using vtltest::ReadFile;
using vtltest::WriteFile;

// The APP1 segment of an EXIF block holding these text entries, written by libexif.
std::string ExifSegment(const std::vector<std::tuple<ExifIfd, int, std::string>>& entries) {
    ExifData* data = exif_data_new();
    for (const auto& [ifd, tag, text] : entries) {
        ExifEntry* entry = exif_entry_new();
        entry->tag = static_cast<ExifTag>(tag);
        entry->format = EXIF_FORMAT_ASCII;
        entry->components = entry->size = static_cast<unsigned int>(text.size() + 1);
        // The entry frees its data with libexif's default allocator, which is malloc's.
        entry->data = reinterpret_cast<unsigned char*>(strdup(text.c_str()));
        exif_content_add_entry(data->ifd[ifd], entry);
        exif_entry_unref(entry);
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    exif_data_unref(data);
    const std::string segment = "\xFF\xE1" + vtltest::Be32(size + 2).substr(2) +
                                std::string(reinterpret_cast<const char*>(bytes), size);
    std::free(bytes);
    return segment;
}

const std::string kMake = ExifSegment({{EXIF_IFD_0, EXIF_TAG_MAKE, "M"}});

// A JPEG of w × h quadrants (red top-left) without metadata, `segment` right after its start.
std::string Jpeg(const std::string& name, const std::string& segment = "", int w = 100,
                 int h = 50) {
    const std::string path = MakeTempDir("pane") + "/" + name;
    std::string bytes = ReadFile(vtltest::WritePicture(vtltest::Quadrants(w, h), path + "[strip]"));
    WriteFile(path, bytes.insert(2, segment));
    return path;
}

// Every sample, the damaged ones too, is read and walked to the end with every name and value
// rendered (the AddressSanitizer build runs this over the whole corpus), its IFDs met in order,
// each once, and GPS tags named as such. (A rewind is what every repaint of the pane does.)
TEST(ExifReader, EverySampleFileIsWalkedToTheEndItsIfdsInOrder) {
    const std::string folder = vtltest::SampleFolder("exif-samples");
    if (folder.empty())
        GTEST_SKIP() << "no sample corpus beside the project";
    CExifReader reader; // one reader for all, as the preview keeps one
    int loaded = 0;
    int gpsNames = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder)) {
        SCOPED_TRACE(file.path().string());
        const bool ok = file.is_regular_file() && reader.Load(file.path().string());
        loaded += ok;
        std::size_t text = 0;
        int nIfd = -1;
        int previous = -1;
        while (ExifEntry* entry = reader.NextEntry(nIfd)) {
            EXPECT_GE(nIfd, previous);
            previous = nIfd;
            text += CExifReader::TagName(entry).size() + CExifReader::ValueText(entry).size();
            gpsNames += nIfd == EXIF_IFD_GPS && CExifReader::TagName(entry) == "GPSLatitudeRef";
        }
        EXPECT_TRUE(!ok || text > 0);
        EXPECT_EQ(reader.NextEntry(nIfd), nullptr) << "the end lasts";
    }
    EXPECT_GT(loaded, 20);
    EXPECT_GT(gpsNames, 0);
}

// One pane as the main window holds it, shown offscreen.
struct Pane {
    explicit Pane(QSize size = {400, 600}) : view(&doc) {
        view.setFrameShape(QFrame::NoFrame);
        view.resize(size);
        view.OnInitialUpdate();
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    // Shows the picture at path and waits until it is read.
    bool Show(const std::string& path) {
        view.SetPicturePath(path);
        const bool shown = view.ShowPicture();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !view.IsLoading(); }));
        return shown;
    }
    // What the pane paints now; a paint may change the scroll range, so layout follows.
    QImage Shown() {
        QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QApplication::processEvents();
        return image;
    }
    // The rectangle of the n-th line under the panel's title (70 pixels down, under a picture
    // 50 high), from the rows' left edge.
    QRect Line(int n, int width = 300) const {
        QFont rows = view.font();
        rows.setFamily(QStringLiteral("Verdana"));
        const int lh = QFontMetrics(rows).height();
        return {22, 70 + (2 + n) * lh + lh / 4, width, lh / 2};
    }

    CVantrelDoc doc;
    CScrollPictureView view;
};

// Some pixel of the area is dark: text or a frame line.
bool HasInk(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y).lightness() < 100)
                return true;
    return false;
}

bool Near(const QColor& colour, QColor expected) {
    return std::abs(colour.red() - expected.red()) + std::abs(colour.green() - expected.green()) +
               std::abs(colour.blue() - expected.blue()) <
           40;
}

// A picture without EXIF shows its two size rows alone. EXIF rows come in IFD groups with an empty
// line between, also under a name that is not UTF-8; once the file has gone, the pane stays as it
// was.
TEST(ScrollPictureView, SizeRowsAloneOrExifRowsInIfdGroups) {
    Pane pane;
    ASSERT_TRUE(pane.Show(Jpeg("plain.jpg")));
    const QImage plain = pane.Shown();
    EXPECT_TRUE(HasInk(plain, pane.Line(0)) && HasInk(plain, pane.Line(1))) << "two rows";
    EXPECT_FALSE(HasInk(plain, pane.Line(2, 350).united(QRect(22, 570, 350, 10))))
        << "nothing under the two rows";
    const std::string path =
        Jpeg("caf\xE9.jpg", ExifSegment({{EXIF_IFD_0, EXIF_TAG_MAKE, "Maker"},
                                         {EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, "2024"}}));
    ASSERT_TRUE(pane.Show(path));
    const QImage shown = pane.Shown();
    // Make, an empty line, DateTimeOriginal, nothing.
    for (const int n : {0, 1, 2, 3})
        EXPECT_EQ(HasInk(shown, pane.Line(n)), n == 0 || n == 2) << "row " << n;
    std::filesystem::remove(path);
    EXPECT_FALSE(pane.Show(path));
    EXPECT_EQ(pane.Shown(), shown);
}

// Today's formats are shown as a JPEG is; the panel lists the EXIF block of those whose block
// libvips hands over (HEIC, AVIF, WebP, PNG), the size rows alone for TIFF and JPEG XL.
TEST(ScrollPictureView, TodaysFormatsAreShownWithTheirExif) {
    VImage camera = vtltest::Quadrants(100, 50).copy();
    camera.set("exif-ifd0-Make", "Vantrel");
    const std::string jpeg = MakeTempDir("today") + "/c.jpg";
    const VImage tagged = VImage::new_from_file(vtltest::WritePicture(camera, jpeg).c_str());
    const std::pair<const char*, bool> formats[] = {{"heic", true}, {"avif", true}, {"webp", true},
                                                    {"png", true},  {"tif", false}, {"jxl", false}};
    Pane pane;
    CExifReader reader;
    for (const auto& [ext, exif] : formats) {
        SCOPED_TRACE(ext);
        const std::string path =
            vtltest::WritePicture(tagged, MakeTempDir("today") + "/p." + ext + "[Q=95]");
        ASSERT_EQ(reader.Load(path), exif);
        std::string make;
        int nIfd = 0;
        while (ExifEntry* entry = reader.NextEntry(nIfd))
            if (CExifReader::TagName(entry) == "Make")
                make = CExifReader::ValueText(entry);
        EXPECT_EQ(make, exif ? "Vantrel" : "");
        ASSERT_TRUE(pane.Show(path));
        EXPECT_TRUE(Near(pane.Shown().pixelColor(170, 12), Qt::red));
    }
}

// The whole picture in view, and a line saying why a file cannot be read.
TEST(ScrollPictureView, ThePaneShowsTheWholePictureAndSaysWhenItCannot) {
    const std::string dir = MakeTempDir("pane-cases");
    const std::string portrait = Jpeg("portrait.jpg", "", 300, 600);
    // Its EXIF block loads; its picture does not.
    WriteFile(dir + "/truncated.jpg", ReadFile(Jpeg("t.jpg", kMake, 300, 200)).substr(0, 900));
    WriteFile(dir + "/empty.jpg", "");
    ASSERT_EQ(mkfifo((dir + "/pipe.jpg").c_str(), 0600), 0); // opened, it would block the reader
    const auto says = [&](const std::string& name, const std::string& why) {
        return [&, name, why](Pane& pane) {
            pane.Show(dir + "/" + name);
            return pane.view.Message().toStdString() == "This picture cannot be read: " + why &&
                   pane.view.verticalScrollBar()->maximum() == 0;
        };
    };

    const struct {
        const char* what;
        std::function<bool(Pane&)> holds;
        QSize size = {400, 600};
    } cases[] = {
        {"a portrait in a low pane is seen down to its bottom row",
         [&](Pane& pane) {
             pane.Show(portrait);
             const QImage shown = pane.Shown(); // box 125..273 x 2..298
             return Near(shown.pixelColor(130, 297), Qt::blue) &&
                    Near(shown.pixelColor(130, 170), Qt::blue) &&
                    Near(shown.pixelColor(130, 10), Qt::red) &&
                    !Near(shown.pixelColor(130, 299), Qt::blue);
         },
         {400, 300}},
        {"a cut-off picture",
         says("truncated.jpg", "it is damaged, or not a picture this program reads")},
        {"an empty file", says("empty.jpg", "the file is empty")},
        {"a pipe", says("pipe.jpg", "it is not a file")},
    };
    for (const auto& c : cases) {
        Pane pane(c.size);
        EXPECT_TRUE(c.holds(pane)) << c.what;
    }
}

// The pane asks and goes on: the line says "Loading…" while an empty pane waits.
TEST(ScrollPictureView, ThePictureIsReadWhileTheWindowGoesOn) {
    const std::string picture = Jpeg("first.jpg", "", 800, 400);
    Pane pane;
    pane.view.SetPicturePath(picture);
    ASSERT_TRUE(pane.view.ShowPicture());
    EXPECT_TRUE(pane.view.IsLoading());
    EXPECT_EQ(pane.view.Message().toStdString(), "Loading\u2026");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.view.IsLoading(); }));
    EXPECT_EQ(pane.view.Message(), QString());
}

// Only the newest request is answered; a cancelled one never is. A picture read ahead for the
// same pane is answered within the request; one read ahead for another picture is not used, and
// one dropped by a newer read-ahead is read again.
TEST(PreviewLoader, OnlyTheNewestRequestIsDelivered) {
    const std::string a = Jpeg("a.jpg"), b = Jpeg("b.jpg");
    // Paths asked for; "cancel" to drop; "ahead:" a path to read ahead; "idle" to wait for the
    // read-ahead to end.
    using Steps = std::vector<std::string>;
    const std::string aheadB = "ahead:" + b;
    const std::tuple<Steps, Steps, Steps> cases[] = {
        {{a, b}, {b}, {}},
        {{a, "cancel"}, {}, {}},
        {{a, "cancel", b}, {b}, {}},
        {{a, aheadB, "idle", b}, {a, b}, {b}},
        {{aheadB, b}, {b}, {}},
        {{aheadB, "idle", a}, {a}, {}},
        {{aheadB, "idle", "ahead:" + a, "idle", b}, {b}, {}},
    };
    for (const auto& [steps, delivered, atOnce] : cases) {
        Steps got, gotAtOnce;
        bool requesting = false;
        CPreviewLoader loader([&](PreviewPicture picture) {
            (requesting ? gotAtOnce : got).push_back(picture.path);
        });
        for (const std::string& step : steps) {
            if (step == "cancel")
                loader.Cancel();
            else if (step == "idle")
                EXPECT_TRUE(QTest::qWaitFor([&] { return !loader.ReadingAhead(); }));
            else if (step.starts_with("ahead:"))
                loader.ReadAhead(step.substr(6), {200, 200});
            else {
                requesting = true;
                loader.Request(step, {200, 200});
                requesting = false;
            }
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return !loader.Busy(); }));
        QTest::qWait(100); // nothing more arrives
        got.insert(got.end(), gotAtOnce.begin(), gotAtOnce.end());
        EXPECT_EQ(std::pair(got, gotAtOnce), std::pair(delivered, atOnce))
            << steps.size() << " steps";
    }
}

// A cancel flag raised while a picture is decoded ends the draw and drops the picture.
TEST(PreviewLoader, ARaisedCancelFlagStopsTheDecoding) {
    const std::string big =
        vtltest::WritePicture(vtltest::Gradient(3000, 2000), MakeTempDir("big") + "/big.png");
    for (const bool raised : {false, true}) {
        IImage image(0);
        std::atomic<bool> cancel{raised};
        CxImage* picture = image.GetXImage();
        picture->SetCancelFlag(&cancel);
        ASSERT_TRUE(picture->Load(big, 0));
        QImage drawn(300, 200, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&drawn);
        EXPECT_EQ(picture->Draw(&painter, 0, 0, 300, 200), !raised) << raised;
        EXPECT_EQ(picture->IsValid(), !raised) << raised;
    }
}

} // namespace
