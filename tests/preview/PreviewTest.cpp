// The preview pane offscreen, read back from grabs of what it paints, and its EXIF reader over
// the sample camera files and over EXIF blocks made here.
#include "app/preview/ExifReader.h"
#include "app/preview/ScrollPictureView.h"
#include "app/preview/VantrelDoc.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

namespace {

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

TEST(FitPictureRect, BoxForEachShapeOfPictureAndPane) {
    const std::tuple<int, int, int, PaneRect> cases[] = {
        {400, 800, 600, {2, 2, 398, 297}},     // too wide: full width
        {400, 600, 800, {51, 2, 347, 398}},    // too tall: full height, centred
        {400, 396, 100, {2, 2, 398, 100}},     // exactly the box's width
        {400, 396, 70000, {198, 2, 200, 398}}, // a sliver
        {3, 100, 50, {2, 2, 1, 0}},            // a pane narrower than its margins: nothing
    };
    for (const auto& [paneWidth, width, height, box] : cases)
        EXPECT_EQ(CScrollPictureView::FitPictureRect({0, 0, paneWidth, 600}, width, height), box)
            << width << "x" << height << " in " << paneWidth;
}

// One pane as the main window holds it, shown offscreen.
struct Pane {
    Pane() : view(&doc) {
        view.setFrameShape(QFrame::NoFrame);
        view.resize(400, 600);
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
        const QImage shown = Shown();
        QImage face(shown.size(), shown.format());
        face.fill(view.palette().color(QPalette::Button));
        return shown == face;
    }
    // The rectangle of the n-th line under the panel's title, from the rows' left edge.
    QRect Line(int n, int width = 300) const {
        return {22, 70 + (2 + n) * QFontMetrics(view.font()).height(), width, 10};
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

TEST(ScrollPictureView, APictureWithoutExifShowsItsTwoSizeRows) {
    Pane pane;
    EXPECT_EQ(pane.doc.m_pPictureView, &pane.view);
    EXPECT_TRUE(pane.OnlyBackground()) << "no picture yet";
    ASSERT_TRUE(pane.Show(Jpeg("plain.jpg")));
    const QImage shown = pane.Shown();
    const QColor red = shown.pixelColor(170, 12); // the picture, centred
    EXPECT_TRUE(red.red() > 240 && red.green() < 15 && red.blue() < 15);
    EXPECT_TRUE(HasInk(shown, pane.Line(0)) && HasInk(shown, pane.Line(1))) << "two rows";
    EXPECT_FALSE(HasInk(shown, pane.Line(2, 350).united(QRect(22, 570, 350, 10))))
        << "nothing under the two rows";
    // EXIF data without an entry in IFD 0 counts as none.
    ASSERT_TRUE(pane.Show(Jpeg("gps.jpg", ExifSegment({{EXIF_IFD_GPS, 1, "N"}}))));
    EXPECT_EQ(pane.Shown(), shown);
}

// Under a name that is not UTF-8. A value far wider than the pane scrolls into view. Once the
// file has gone, the pane stays as it was.
TEST(ScrollPictureView, ExifRowsComeInIfdGroupsWithAnEmptyLineBetween) {
    const std::string path =
        Jpeg("caf\xE9.jpg",
             ExifSegment({{EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION, std::string(3000, 'W')},
                          {EXIF_IFD_0, EXIF_TAG_MAKE, "Maker"},
                          {EXIF_IFD_0, EXIF_TAG_MODEL, "Model 1"},
                          {EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, "2024"}}));
    Pane pane;
    ASSERT_TRUE(pane.Show(path));
    QImage shown = pane.Shown();
    // ImageDescription, Make, Model, an empty line, DateTimeOriginal, nothing.
    for (const int n : {0, 1, 2, 3, 4, 5})
        EXPECT_EQ(HasInk(shown, pane.Line(n)), n != 3 && n != 5) << "row " << n;

    QScrollBar* across = pane.view.horizontalScrollBar();
    ASSERT_GT(across->maximum(), 2000);
    across->setValue(across->maximum());
    shown = pane.Shown();
    const int w = pane.view.viewport()->width();
    EXPECT_TRUE(HasInk(shown, QRect(w - 40, pane.Line(0).top(), 28, 10))) << "the value's end";

    std::filesystem::remove(path);
    EXPECT_FALSE(pane.Show(path));
    EXPECT_EQ(pane.Shown(), shown);
}

TEST(ScrollPictureView, WhatCannotBeShownLeavesTheBackgroundAlone) {
    const std::string good = Jpeg("good.jpg");
    const std::string dir = MakeTempDir("bad");
    // Its EXIF block loads; its picture does not.
    WriteFile(dir + "/truncated.jpg", ReadFile(Jpeg("t.jpg", kMake, 300, 200)).substr(0, 900));
    WriteFile(dir + "/empty.jpg", "");
    ASSERT_EQ(mkfifo((dir + "/pipe.jpg").c_str(), 0600), 0); // opened, it would block the pane
    for (const char* name : {"truncated.jpg", "empty.jpg", "pipe.jpg", ""}) {
        SCOPED_TRACE(name);
        Pane pane;
        ASSERT_TRUE(pane.Show(good));
        ASSERT_FALSE(pane.OnlyBackground());
        if (*name) {
            EXPECT_TRUE(pane.Show(dir + "/" + name));
        } else { // a folder row of the list
            pane.view.SetPicturePath("");
            pane.view.ClearPicture();
        }
        EXPECT_TRUE(pane.OnlyBackground());
    }
}

} // namespace
