#include "app/browser/ThumbnailLoader.h"

#include "app/model/PngChunk.h"
#include "image/ximage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <sys/stat.h>

namespace {

// The PNG of `tile` with the entry's Thumb::URI and Thumb::MTime as plain tEXt chunks right after
// the header. Qt would compress a long URI into a zTXt chunk, which some readers of the cache do
// not look into.
QByteArray ThumbnailPng(const QImage& tile, const ThumbnailEntry& entry) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!tile.save(&buffer, "PNG"))
        return {};
    constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4; // signature, IHDR chunk
    const std::string chunks =
        PngTextChunk("Thumb::URI", entry.uri) + PngTextChunk("Thumb::MTime", entry.mtime);
    png.insert(kAfterHeader, QByteArray::fromStdString(chunks));
    return png;
}

// The cache file at `path` when it is a PNG that describes the picture of `entry` as it is now.
// Anything but a regular file is never opened (a FIFO would block the reader). The chunks are
// read with the pixels, which for a thumbnail cost little: the reader's own text of a PNG
// splits the keys at their "::".
bool ReadFresh(const std::string& path, const ThumbnailEntry& entry, QImage* tile) {
    struct stat st;
    if (path.empty() || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)), "png");
    *tile = reader.read();
    return !tile->isNull() &&
           CThumbnailCache::IsFresh(entry, tile->text(QStringLiteral("Thumb::URI")).toStdString(),
                                    tile->text(QStringLiteral("Thumb::MTime")).toStdString());
}

QImage MakeTile(const std::string& path, int box) {
    CxImage image;
    if (!image.Load(path) || image.GetWidth() <= 0 || image.GetHeight() <= 0)
        return {};
    // The longer side fits the box; a picture smaller than the box keeps its size.
    const double scale =
        std::min(1.0, static_cast<double>(box) / std::max(image.GetWidth(), image.GetHeight()));
    const int width = std::max(1, static_cast<int>(image.GetWidth() * scale + 0.5));
    const int height = std::max(1, static_cast<int>(image.GetHeight() * scale + 0.5));
    QImage tile(width, height, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    const bool drawn = image.Draw(&painter, 0, 0, width, height);
    painter.end();
    return drawn ? tile : QImage();
}

} // namespace

ThumbnailOutcome LoadThumbnail(const CThumbnailCache& cache, const std::string& path,
                               ThumbnailSize size, bool wantPixels) {
    ThumbnailOutcome outcome;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return outcome;
    const ThumbnailEntry entry = cache.Locate(path, st.st_mtim.tv_sec, size);
    if (entry.uri.empty())
        return outcome;
    if (ReadFresh(entry.thumbnailPath, entry, &outcome.tile)) {
        outcome.kind = ThumbnailOutcome::Cached;
        if (!wantPixels)
            outcome.tile = QImage();
        return outcome;
    }
    if (QImage failure; ReadFresh(entry.failurePath, entry, &failure)) {
        outcome.tile = QImage();
        return outcome;
    }
    outcome.tile = MakeTile(path, static_cast<int>(size));
    if (outcome.tile.isNull()) {
        // Remembered for this picture as it is now, so it is not read again at every visit.
        QImage mark(1, 1, QImage::Format_ARGB32);
        mark.fill(Qt::transparent);
        cache.StoreFailure(entry, ThumbnailPng(mark, entry).toStdString());
        return outcome;
    }
    outcome.kind = ThumbnailOutcome::Made;
    const QByteArray png = ThumbnailPng(outcome.tile, entry);
    outcome.stored = !png.isEmpty() && cache.StoreThumbnail(entry, png.toStdString());
    if (!wantPixels)
        outcome.tile = QImage();
    return outcome;
}

CThumbnailLoader::CThumbnailLoader(CThumbnailCache cache, ThumbnailSize size,
                                   std::function<void()> ready, int workers)
    : m_cache(std::move(cache)), m_size(size), m_ready(std::move(ready)) {
    if (workers <= 0)
        workers = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    for (int i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { Work(); });
}

CThumbnailLoader::~CThumbnailLoader() {
    {
        const std::lock_guard lock(m_lock);
        m_stop = true;
        m_wanted.clear();
        m_rest.clear();
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void CThumbnailLoader::SetFolder(std::vector<std::string> paths) {
    {
        const std::lock_guard lock(m_lock);
        ++m_generation;
        m_wanted.clear();
        m_asked.clear();
        m_rest.assign(std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
    }
    m_tiles.clear();
    m_tileOf.clear();
    m_wake.notify_all();
}

const QImage* CThumbnailLoader::Tile(const std::string& path) {
    const auto found = m_tileOf.find(path);
    if (found == m_tileOf.end())
        return nullptr;
    m_tiles.splice(m_tiles.begin(), m_tiles, found->second);
    return &found->second->second;
}

void CThumbnailLoader::Want(const std::string& path) {
    {
        const std::lock_guard lock(m_lock);
        if (!m_asked.insert(path).second)
            return;
        m_wanted.push_front(path);
        // A fast scroll asks for many; those scrolled past are asked again when painted again.
        if (m_wanted.size() > kKeptTiles / 2) {
            m_asked.erase(m_wanted.back());
            m_wanted.pop_back();
        }
    }
    m_wake.notify_one();
}

bool CThumbnailLoader::Idle() const {
    const std::lock_guard lock(m_lock);
    return m_wanted.empty() && m_rest.empty() && m_asked.empty() && m_running == 0;
}

void CThumbnailLoader::Work() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_wanted.empty() || !m_rest.empty(); });
        if (m_stop)
            return;
        Job job;
        if (!m_wanted.empty()) {
            job = {std::move(m_wanted.front()), true};
            m_wanted.pop_front();
        } else {
            job = {std::move(m_rest.front()), false};
            m_rest.pop_front();
        }
        const std::uint64_t generation = m_generation;
        ++m_running;
        lock.unlock();
        ThumbnailOutcome outcome = LoadThumbnail(m_cache, job.path, m_size, job.wanted);
        lock.lock();
        --m_running;
        if (job.wanted && !m_stop)
            QMetaObject::invokeMethod(
                this,
                [this, generation, path = std::move(job.path), outcome = std::move(outcome)] {
                    Deliver(generation, path, outcome);
                },
                Qt::QueuedConnection);
    }
}

void CThumbnailLoader::Deliver(std::uint64_t generation, const std::string& path,
                               ThumbnailOutcome outcome) {
    {
        const std::lock_guard lock(m_lock);
        if (generation != m_generation)
            return;
        m_asked.erase(path);
    }
    if (const auto found = m_tileOf.find(path); found != m_tileOf.end()) {
        m_tiles.erase(found->second);
        m_tileOf.erase(found);
    }
    m_tiles.emplace_front(path, std::move(outcome.tile));
    m_tileOf.emplace(path, m_tiles.begin());
    while (m_tiles.size() > kKeptTiles) {
        m_tileOf.erase(m_tiles.back().first);
        m_tiles.pop_back();
    }
    if (m_ready)
        m_ready();
}
