#pragma once
// CThumbnailCache: the desktop's shared thumbnail cache, as the freedesktop.org Thumbnail
// Managing Standard lays it out, so that the thumbnails the file managers made are used as they
// are and those made here serve them:
//
//   $XDG_CACHE_HOME/thumbnails/normal/<md5>.png   at most 128 x 128 pixels
//   $XDG_CACHE_HOME/thumbnails/large/<md5>.png    at most 256 x 256 pixels
//   $XDG_CACHE_HOME/thumbnails/fail/vantrel-<version>/<md5>.png   pictures this program could
//                                                                  not read
//
// where <md5> is the MD5 of the picture's URI exactly as GLib's g_filename_to_uri writes it
// (any other escaping misses the desktop's entries). A thumbnail holds the picture's URI and
// modification time in its Thumb::URI and Thumb::MTime text chunks: one whose chunks differ
// from the picture's is stale and made again. Only this program's own failure entries stop it
// from trying a picture again; another program's say nothing about what this one can read.
//
// This class knows the layout, the names and the rules; the PNG bytes are made and read by the
// caller, which hands them in and the chunks it read back out. Nothing here throws.
//
// Threads: an object holds only its folder names, fixed when it is made; it may be used from
// any number of threads at once (the thumbnail makers share one).
#include <cstdint>
#include <string>
#include <string_view>

enum class ThumbnailSize { Normal = 128, Large = 256 };

// The picture's URI as g_filename_to_uri writes it (plat::FileUri); "" when the path is not
// absolute.
std::string ThumbnailUri(const std::string& path);
// The cache file's name for that URI: its MD5 in lower-case hex, then ".png".
std::string ThumbnailFileName(const std::string& uri);

// Where one picture's thumbnail lives and what it must say to be fresh.
struct ThumbnailEntry {
    std::string uri;
    std::string mtime; // the picture's modification time in whole seconds, as Thumb::MTime
    std::string thumbnailPath;
    std::string failurePath; // this program's failure entry
};

class CThumbnailCache {
  public:
    // `thumbnailsFolder` is the cache's root (the folder holding normal/, large/ and fail/);
    // `version` names this program's failure folder.
    CThumbnailCache(std::string thumbnailsFolder, std::string_view version);
    // The user's cache: ${XDG_CACHE_HOME:-~/.cache}/thumbnails.
    static std::string UserFolder();

    ThumbnailEntry Locate(const std::string& path, std::int64_t mtimeSeconds,
                          ThumbnailSize size) const;
    // Whether chunks read from a cache file describe the picture of `entry` as it is now.
    static bool IsFresh(const ThumbnailEntry& entry, std::string_view uri, std::string_view mtime);

    // Writes a thumbnail (or a failure entry) whole: into a temporary file of the cache folder,
    // made with mode 0600, then renamed over the entry; the folders are made as needed (0700).
    // False, and nothing left behind, when the folder cannot be written.
    bool StoreThumbnail(const ThumbnailEntry& entry, std::string_view png) const;
    bool StoreFailure(const ThumbnailEntry& entry, std::string_view png) const;

    const std::string& Folder() const { return m_strFolder; }

  private:
    std::string m_strFolder;
    std::string m_strFailFolder;
};
