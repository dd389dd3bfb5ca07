#pragma once
// CFileOperation: copies or moves files into a folder, in place of the shell's file operation,
// for the browser's Copy To and Move To commands.
//
// Each source goes into the destination folder under its own name, in list order:
// - A file of that name already there is replaced only after the user said so
//   (CConfirmFileReplace: Yes, Yes to All, No skips the file, Cancel ends the operation).
// - A copy is written to a temporary file in the destination folder and renamed over the
//   target only once it is complete and on disk (CFileReplacement), with its source's
//   permission bits and modification time; a cancelled or failed copy leaves the old target
//   and the source as they were and nothing half-written behind.
// - A move within one file system is a rename. Across file systems the file is copied as
//   above, and the source is removed only after the copy and its folder were synced.
// - A file that would land on itself (the same device and inode, whatever the path) or in the
//   folder it is in is refused.
// Each failure is handed to the window that started the operation, in a message that names the
// file and the reason; while more files follow, the window asks its user whether to go on or
// to stop. Only regular files are copied.
//
// An operation that takes long shows a progress dialog with a Cancel button, which stops it
// before the next piece of the file being copied.
//
// A stop signal (SIGTERM, SIGINT, SIGHUP: a kill, Ctrl+C, a logout) cancels the operation as
// Cancel does, also while one of its questions is open; once the copy under way has removed its
// temporary file, the process ends as the signal would have. Before the first file, the
// temporary files that killed operations and runs left in the destination folder are swept.
//
// Runs on the user-interface thread: the progress dialog lets the event loop run between the
// pieces of a copy, so it paints and sees its Cancel button.
#include "platform/Result.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace plat {

enum : unsigned { FO_MOVE = 1, FO_COPY = 2 };

// What the window that started an operation does with a file that could not be copied or
// moved: it tells its user and, while more files follow (`more`), says whether to go on with
// them (true) or to stop (AskToGoOnAfter of MessageBox.h asks in a box).
using FileFailureHandler = std::function<bool(const Failure& failure, bool more)>;

class CFileOperation {
  public:
    // `wFunc` is FO_COPY or FO_MOVE; `sources` are paths of files, `destination` a folder.
    CFileOperation(unsigned wFunc, std::vector<std::string> sources, std::string destination,
                   FileFailureHandler onFailure, QWidget* owner = nullptr);

    // Returns how many files were copied or moved (a file skipped, failed or cancelled is not);
    // fails before the first file when the destination is no folder.
    Result<std::size_t> Run();

    // How long the operation runs before its progress dialog may appear; 1000 ms unless set.
    void SetProgressDelay(int milliseconds) { m_nProgressDelay = milliseconds; }

  private:
    unsigned m_wFunc;
    std::vector<std::string> m_sources;
    std::string m_strDestination;
    FileFailureHandler m_onFailure;
    QWidget* m_pOwner;
    int m_nProgressDelay = 1000;
};

} // namespace plat
