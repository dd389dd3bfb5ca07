#pragma once
// Replacing a file so that nobody ever sees half of it, and a power cut never leaves an empty
// file where the old one was: the new content goes into a temporary file in the folder of the
// file it replaces, which is given the old file's permission bits, synced, renamed over the old
// file, and then the folder is synced too. A failure at any step leaves the old file as it was
// and removes the temporary file, and errno says why (for the caller's message).
//
// A copy of a file goes the same way, but takes its source's permission bits and modification
// time rather than those of the file it replaces (CommitCopy).
//
// Every temporary file of ours is named ".vtl-save-XXXXXX" and locked (flock) by its writer
// while it exists, so that a later run can tell the leftovers of a killed process (unlocked)
// from a file another process is writing right now (locked), and sweep only the former.
//
// Used for pictures written by the resize job (on its worker threads, one replacement per
// picture), copies of the browser's file operations, and settings files (the registry hives,
// user.dat) and the file-manager integration files.
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

inline constexpr char kTempFilePrefix[] = ".vtl-save-";

class CFileReplacement {
  public:
    // Prepares to replace `path`. When `path` is a symbolic link, the file it finally points
    // to is replaced, inside that file's folder, and the link stays. IsOpen() tells whether the
    // temporary file could be made.
    explicit CFileReplacement(const std::string& path);
    ~CFileReplacement(); // removes the temporary file unless it was committed
    CFileReplacement(const CFileReplacement&) = delete;
    CFileReplacement& operator=(const CFileReplacement&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // The temporary file, for writers that write by path (it exists and is empty).
    const std::string& TempPath() const { return m_strTemp; }
    // The file that Commit replaces (the target of a symbolic link).
    const std::string& TargetPath() const { return m_strTarget; }

    // Appends to the temporary file.
    bool Write(std::string_view bytes);

    // Gives the temporary file the permission bits of the file it replaces (or `newFileMode`
    // when there is none), syncs it, renames it over the target and syncs the folder.
    bool Commit(unsigned newFileMode);

    // As Commit, for a copy: the file gets exactly the permission bits `mode` and the
    // modification time `modifiedSeconds` + `modifiedNanoseconds` since 1970, its source's.
    bool CommitCopy(unsigned mode, std::int64_t modifiedSeconds, std::int64_t modifiedNanoseconds);

    // Removes the temporary file now (as the destructor would).
    void Abandon();

  private:
    bool Finish(unsigned mode);

    std::string m_strTarget;
    std::string m_strTemp;
    int m_fd = -1;
};

// The whole replacement for a content held in memory; it also sweeps the folder's leftovers
// (SweepStaleTempFiles).
bool ReplaceFileContents(const std::string& path, std::string_view bytes, unsigned newFileMode);

// The permission bits a new file gets under this process's umask (0666 masked).
unsigned DefaultFileMode();

// Removes the temporary files of ours in `folder` that are older than a minute and that no
// process holds locked: the leftovers of a run that was killed. Nothing else is touched.
void SweepStaleTempFiles(const std::string& folder);

} // namespace plat
