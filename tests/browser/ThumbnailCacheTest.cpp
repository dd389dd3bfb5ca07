// The desktop's thumbnail cache as the browser reads and writes it: the entries' names by GLib's
// own URIs, what each state of a cache entry leads to, and a damaged picture.
// libvips first: the GLib headers it brings name a member "signals", which Qt defines.
#include <vips/vips8>

#include "app/browser/ThumbnailLoader.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <QImage>
#include <QTransform>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using vtltest::ReadFile;
using vtltest::WriteFile;

TEST(ThumbnailCache, EntriesAreNamedByGLibsUris) {
    // Names with what GLib escapes (a space, %, #, [ ], ;, bytes that are not ASCII, even when
    // they are not UTF-8) and what it leaves.
    for (const char* path :
         {"/home/jens/photos/me.png", "/tmp/100%.jpg", "/tmp/#1 [x].jpg", "/tmp/caf\xc3\xa9.jpg",
          "/tmp/\xff\xfe.jpg", "/tmp/a+b=c&d'(e)~!$,;@.jpg"}) {
        SCOPED_TRACE(path);
        g_autofree gchar* glib = g_filename_to_uri(path, nullptr, nullptr);
        g_autofree gchar* md5 = g_compute_checksum_for_string(G_CHECKSUM_MD5, glib, -1);
        EXPECT_EQ(ThumbnailUri(path), glib);
        EXPECT_EQ(ThumbnailFileName(glib), std::string(md5) + ".png");
    }
    // The standard's own example.
    EXPECT_EQ(ThumbnailFileName("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(ThumbnailUri("relative.jpg"), "");
    // The tests' cache is the sandbox's, never the user's.
    EXPECT_EQ(CThumbnailCache::UserFolder(), vtltest::Sandbox::Root() + "/cache/thumbnails");
}

// A JPEG that shows w × h pixels, brighter red at the top: stored turned on its side, with the
// EXIF orientation that turns it up.
std::string MakeJpeg(const std::string& path, int w, int h) {
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, qRgb(255 - 255 * y / h, x % 256, 128));
    EXPECT_TRUE(
        picture.transformed(QTransform().rotate(-90)).save(QString::fromStdString(path + ".png")));
    static const bool started = VIPS_INIT("vantrel-tests") == 0;
    EXPECT_TRUE(started);
    vips::VImage stored = vips::VImage::new_from_file((path + ".png").c_str()).copy();
    stored.set("orientation", 6); // turn clockwise to view
    stored.jpegsave(path.c_str());
    return path;
}

// A PNG as another program writes it, with the chunks given.
void WriteEntry(const std::string& path, const std::string& uri, const std::string& mtime,
                int side = 7) {
    fs::create_directories(fs::path(path).parent_path());
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    image.setText(QStringLiteral("Thumb::URI"), QString::fromStdString(uri));
    image.setText(QStringLiteral("Thumb::MTime"), QString::fromStdString(mtime));
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

TEST(ThumbnailCache, EachStateOfAnEntry) {
    const std::string dir = vtltest::MakeTempDir("thumbs");
    // A long name: its URI is more than a zTXt-free writer would put in a short chunk.
    const std::string picture =
        MakeJpeg(dir + "/a picture with a long name, #1 [100%].jpg", 400, 300);
    struct stat st;
    ASSERT_EQ(stat(picture.c_str(), &st), 0);
    const std::string mtime = std::to_string(st.st_mtim.tv_sec);
    const std::string uri = ThumbnailUri(picture);
    using K = ThumbnailOutcome::Kind;
    // What is there before: an entry (a PNG with this URI and mtime) in the cache ("normal") or
    // among our failures ("ours"); or in the entry's place a file that is no PNG ("text") or a
    // FIFO ("fifo").
    // Then the outcome, whether a thumbnail was stored, and the width of the tile handed back.
    const std::tuple<std::string, std::string, std::string, K, bool, int> states[] = {
        {"absent", "", "", K::Made, true, 128},
        {"normal", uri, mtime, K::Cached, false, 7},
        {"text", "", "", K::Made, true, 128},
        {"fifo", "", "", K::Made, true, 128},
        {"ours", uri, mtime, K::Failed, false, 0},
        {"ours", uri, "1", K::Made, true, 128}, // the picture changed since
    };
    int n = 0;
    for (const auto& [before, entryUri, entryMtime, kind, stored, width] : states) {
        SCOPED_TRACE(before + " " + entryUri + " " + entryMtime);
        const std::string root = dir + "/cache" + std::to_string(n++);
        const CThumbnailCache cache(root, "9.9");
        const ThumbnailEntry entry =
            cache.Locate(picture, st.st_mtim.tv_sec, ThumbnailSize::Normal);
        if (before == "normal" || before == "ours")
            WriteEntry(before == "normal" ? entry.thumbnailPath : entry.failurePath, entryUri,
                       entryMtime, before == "normal" ? 7 : 1);
        if (before == "text" || before == "fifo")
            fs::create_directories(fs::path(entry.thumbnailPath).parent_path());
        if (before == "text")
            WriteFile(entry.thumbnailPath, "GIF89a and then some");
        if (before == "fifo") {
            ASSERT_EQ(mkfifo(entry.thumbnailPath.c_str(), 0600), 0);
        }
        const ThumbnailOutcome outcome = LoadThumbnail(cache, picture, ThumbnailSize::Normal, true);
        EXPECT_EQ(std::tuple(outcome.kind, outcome.stored, outcome.tile.width()),
                  std::tuple(kind, stored, width));
        if (!stored)
            continue;
        // Whole, private, upright and in proportion, saying what it shows to every reader.
        struct stat written;
        ASSERT_EQ(lstat(entry.thumbnailPath.c_str(), &written), 0);
        const QImage png(QString::fromStdString(entry.thumbnailPath), "png");
        EXPECT_EQ(std::tuple(written.st_mode & 0777, png.text("Thumb::URI").toStdString(),
                             png.text("Thumb::MTime").toStdString(), png.size()),
                  std::tuple(0600u, uri, mtime, QSize(128, 96)));
        EXPECT_GT(qRed(png.pixel(64, 2)), qRed(png.pixel(64, 93))) << "upside down";
        EXPECT_NE(ReadFile(entry.thumbnailPath).find("tEXtThumb::URI"), std::string::npos);
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(entry.thumbnailPath).parent_path()),
                                fs::directory_iterator()),
                  1); // no temporary file left
    }
}

// A damaged picture fails at once and is recorded as this program's failure, not to be read
// again. (That only regular files are read is the image library's own test.)
TEST(ThumbnailCache, ADamagedPictureFailsAtOnceAndIsRecorded) {
    const std::string dir = vtltest::MakeTempDir("unreadable"), path = dir + "/damaged.jpg";
    const CThumbnailCache cache(dir + "/cache", "9.9");
    WriteFile(path, "\xff\xd8\xff\xe0 not much of a JPEG");
    const auto start = std::chrono::steady_clock::now();
    const ThumbnailOutcome outcome = LoadThumbnail(cache, path, ThumbnailSize::Large, true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const std::string entry = ThumbnailFileName(ThumbnailUri(path));
    EXPECT_EQ(std::tuple(outcome.kind, outcome.tile.isNull(),
                         fs::exists(dir + "/cache/fail/vantrel-9.9/" + entry),
                         fs::exists(dir + "/cache/large/" + entry)),
              std::tuple(ThumbnailOutcome::Failed, true, true, false));
}

} // namespace
