#pragma once
// CThumbnailLoader: the thumbnails of the pictures a folder lists, made on worker threads so that
// scrolling and keys never wait for one. Each is taken from the desktop's thumbnail cache
// (CThumbnailCache) when a fresh one is there, else made from the picture (the image library
// decodes it shrunk, upright) and written into the cache for every program.
//
// The view asks for the tiles it paints (Want); the loader also walks the rest of the folder it
// was given (SetFolder), so that the cache fills while the person looks, but those asked for by
// the painting go first, the newest first. Leaving a folder (SetFolder again, or Clear) drops
// the work not started for it, and what a job still running returns for it is thrown away. The
// decoded tiles are kept for a few screens (kKeptTiles), the least recently painted dropped
// first; the walk of the folder only fills the disk cache and keeps no pixels.
//
// Threads. The rules the loader keeps:
//  1. It is made, used and destroyed on the user-interface thread; it starts its workers when
//     made, and the destructor drops the queues, stops the workers and joins them.
//  2. The queues, the set of paths asked for and the folder's generation are shared with the
//     workers under m_lock; everything else (the kept tiles) is the user-interface thread's.
//  3. A worker touches no widget and nothing of the view: it makes or reads one thumbnail with
//     its own image object, then hands the tile to the user-interface thread by a queued call,
//     where it is kept only if its generation is still the folder's, and `ready` is called.
#include "app/model/ThumbnailCache.h"

#include <QImage>
#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What became of one picture's thumbnail.
struct ThumbnailOutcome {
    enum Kind { Cached, Made, Failed } kind = Failed;
    QImage tile;         // the thumbnail, when pixels were asked for and there is one
    bool stored = false; // Made: the cache took it
};

// Reads the fresh thumbnail of `path` from the cache or makes it (and stores it, or on failure
// this program's failure entry); the tile is handed back only when `wantPixels`.
// Anything that is not a regular file fails at once, without being opened.
ThumbnailOutcome LoadThumbnail(const CThumbnailCache& cache, const std::string& path,
                               ThumbnailSize size, bool wantPixels);

class CThumbnailLoader : public QObject {
  public:
    // How many decoded tiles are kept: a few screens of the largest window.
    static constexpr std::size_t kKeptTiles = 600;

    // `ready` is called on the user-interface thread whenever a tile asked for arrives.
    CThumbnailLoader(CThumbnailCache cache, ThumbnailSize size, std::function<void()> ready,
                     int workers = 0);
    ~CThumbnailLoader() override;
    CThumbnailLoader(const CThumbnailLoader&) = delete;
    CThumbnailLoader& operator=(const CThumbnailLoader&) = delete;

    ThumbnailSize Size() const { return m_size; }
    // Drops all work and tiles of the folder before; the pictures of `paths` are then made in
    // this order after whatever is asked by Want.
    void SetFolder(std::vector<std::string> paths);
    // The tile of `path`, when it is at hand: null when not (yet); a null QImage inside when the
    // picture has no thumbnail (it cannot be read).
    const QImage* Tile(const std::string& path);
    // Asks for the tile of a picture being painted, ahead of the rest.
    void Want(const std::string& path);
    // Whether every picture asked for, and the whole folder, is done.
    bool Idle() const;

  private:
    struct Job {
        std::string path;
        bool wanted;
    };
    void Work();
    void Deliver(std::uint64_t generation, const std::string& path, ThumbnailOutcome outcome);

    const CThumbnailCache m_cache;
    const ThumbnailSize m_size;
    std::function<void()> m_ready;

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::string> m_wanted;        // newest first
    std::unordered_set<std::string> m_asked; // in m_wanted or running for a view, not yet here
    std::deque<std::string> m_rest;          // the folder's walk
    std::uint64_t m_generation = 0;
    int m_running = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;

    // The kept tiles, the most recently painted first.
    std::list<std::pair<std::string, QImage>> m_tiles;
    std::unordered_map<std::string, decltype(m_tiles)::iterator> m_tileOf;
};
