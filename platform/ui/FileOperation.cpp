#include "platform/ui/FileOperation.h"

#include "platform/Paths.h"
#include "platform/ReplaceFile.h"
#include "platform/ui/ConfirmFileReplace.h"
#include "platform/ui/FileProgressDialog.h"
#include "platform/ui/StopSignals.h"

#include <QApplication>
#include <QDialog>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>

namespace plat {
namespace {

constexpr std::size_t kPieceSize = 1 << 20;

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What became of one step of the operation.
enum class Step { Next, Stop };

// One run of an operation: the state that lives from the first file to the last.
class COperationRun {
  public:
    COperationRun(unsigned wFunc, const std::string& destination,
                  const FileFailureHandler& onFailure, QWidget* owner, CStopSignals& stop)
        : m_bMove(wFunc == FO_MOVE), m_strDestination(destination), m_onFailure(onFailure),
          m_pOwner(owner), m_stop(stop) {}

    // Returns how many files reached the destination.
    Result<std::size_t> Run(const std::vector<std::string>& sources, int progressDelay);

  private:
    // What a copy came to; `error` is the errno of a failure.
    struct CopyOutcome {
        enum { Done, Failed, Cancelled } kind;
        int error = 0;
    };

    Step Transfer(const std::string& source, bool last);
    CopyOutcome Copy(const std::string& source, const std::string& target);
    CopyOutcome CopyFrom(int fd, const std::string& target);
    int AskReplace(const std::string& target, const std::string& source);
    Step Fail(const std::string& source, const std::string& reason, bool last);
    void Advance(std::uint64_t bytes);
    bool Cancelled() const { return m_pProgress->Cancelled() || m_stop.Stopped(); }
    std::string Verb() const { return m_bMove ? "move" : "copy"; }

    const bool m_bMove;
    const std::string m_strDestination;
    const FileFailureHandler& m_onFailure;
    QWidget* const m_pOwner;
    CStopSignals& m_stop;
    struct stat m_destination {};
    CFileProgressDialog* m_pProgress = nullptr;
    std::uint64_t m_nTotal = 0;
    std::uint64_t m_nDone = 0;
    bool m_bReplaceAll = false;
    std::size_t m_nFiles = 0;
};

Result<std::size_t> COperationRun::Run(const std::vector<std::string>& sources, int progressDelay) {
    if (stat(m_strDestination.c_str(), &m_destination) != 0 || !S_ISDIR(m_destination.st_mode))
        return Failure{"Cannot " + Verb() + " to \"" + m_strDestination +
                       "\": there is no such folder."};
    // A copy writes into the folder: what killed ones left there goes first.
    SweepStaleTempFiles(m_strDestination);
    for (const std::string& source : sources) {
        struct stat info {};
        if (stat(source.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            m_nTotal += static_cast<std::uint64_t>(info.st_size);
    }
    CFileProgressDialog progress(m_pOwner, m_bMove ? "Moving..." : "Copying...", progressDelay);
    m_pProgress = &progress;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (Cancelled() || Transfer(sources[i], i + 1 == sources.size()) == Step::Stop)
            break;
    }
    m_pProgress = nullptr;
    return m_nFiles;
}

Step COperationRun::Transfer(const std::string& source, bool last) {
    const PathParts parts = SplitPath(source);
    const std::string name = parts.fname + parts.ext;
    const std::string target =
        m_strDestination + (m_strDestination.ends_with('/') ? "" : "/") + name;
    m_pProgress->SetText((m_bMove ? "Moving \"" : "Copying \"") + name + "\"\nfrom " + parts.dir +
                         "\nto " + m_strDestination);

    struct stat from {};
    if (stat(source.c_str(), &from) != 0)
        return Fail(source, Reason(errno), last);
    if (!S_ISREG(from.st_mode))
        return Fail(source, "it is not a file", last);
    struct stat folder {};
    if (stat((parts.dir.empty() ? std::string(".") : parts.dir).c_str(), &folder) == 0 &&
        SameFile(folder, m_destination))
        return Fail(source, "it is already in that folder", last);

    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        struct stat resolved {};
        if (stat(target.c_str(), &resolved) == 0) {
            if (SameFile(resolved, from))
                return Fail(source, "\"" + target + "\" is that same file", last);
            if (S_ISDIR(resolved.st_mode))
                return Fail(source, "a folder named \"" + name + "\" is there", last);
        }
        if (!m_bReplaceAll) {
            switch (AskReplace(target, source)) {
            case IDYES:
                break;
            case IDYESTOALL:
                m_bReplaceAll = true;
                break;
            case IDNO:
                Advance(static_cast<std::uint64_t>(from.st_size));
                return Step::Next;
            default:
                return Step::Stop;
            }
        }
    }

    if (m_bMove) {
        if (std::rename(source.c_str(), target.c_str()) == 0) {
            Advance(static_cast<std::uint64_t>(from.st_size));
            ++m_nFiles;
            return Step::Next;
        }
        if (errno != EXDEV)
            return Fail(source, Reason(errno), last);
    }
    const CopyOutcome copied = Copy(source, target);
    if (copied.kind == CopyOutcome::Cancelled)
        return Step::Stop;
    if (copied.kind == CopyOutcome::Failed)
        return Fail(source, Reason(copied.error), last);
    // The copy and its folder are on disk by now: only then may the source go.
    if (m_bMove && unlink(source.c_str()) != 0)
        return Fail(
            source,
            "it was copied to \"" + target + "\" but could not be removed: " + Reason(errno), last);
    ++m_nFiles;
    return Step::Next;
}

COperationRun::CopyOutcome COperationRun::Copy(const std::string& source,
                                               const std::string& target) {
    const int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {CopyOutcome::Failed, errno};
    const CopyOutcome outcome = CopyFrom(fd, target);
    close(fd);
    return outcome;
}

COperationRun::CopyOutcome COperationRun::CopyFrom(int fd, const std::string& target) {
    struct stat opened {};
    if (fstat(fd, &opened) != 0)
        return {CopyOutcome::Failed, errno};
    // Whatever way this ends before the commit, the replacement removes its temporary file.
    CFileReplacement copy(target);
    if (!copy.IsOpen())
        return {CopyOutcome::Failed, errno};
    std::string piece(kPieceSize, '\0');
    for (;;) {
        const ssize_t n = read(fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {CopyOutcome::Failed, errno};
        if (n == 0)
            break;
        if (!copy.Write(std::string_view(piece.data(), static_cast<std::size_t>(n))))
            return {CopyOutcome::Failed, errno};
        Advance(static_cast<std::uint64_t>(n));
        if (Cancelled())
            return {CopyOutcome::Cancelled};
    }
    if (!copy.CommitCopy(opened.st_mode, opened.st_mtim.tv_sec, opened.st_mtim.tv_nsec))
        return {CopyOutcome::Failed, errno};
    return {CopyOutcome::Done};
}

int COperationRun::AskReplace(const std::string& target, const std::string& source) {
    QWidget* parent = m_pProgress->isVisible() ? static_cast<QWidget*>(m_pProgress) : m_pOwner;
    CConfirmFileReplace question(parent, target, source);
    const int answer = question.DoModal();
    m_pProgress->RestartDelay();
    return answer;
}

Step COperationRun::Fail(const std::string& source, const std::string& reason, bool last) {
    const Failure failure{"Cannot " + Verb() + " \"" + source + "\" to \"" + m_strDestination +
                          "\": " + reason + "."};
    const bool goOn = m_onFailure(failure, !last);
    if (last)
        return Step::Stop;
    m_pProgress->RestartDelay();
    return goOn ? Step::Next : Step::Stop;
}

void COperationRun::Advance(std::uint64_t bytes) {
    m_nDone += bytes;
    if (m_nTotal > 0)
        m_pProgress->SetPos(
            static_cast<int>(std::min(m_nDone, m_nTotal) * CFileProgressDialog::kRange / m_nTotal));
}

} // namespace

CFileOperation::CFileOperation(unsigned wFunc, std::vector<std::string> sources,
                               std::string destination, FileFailureHandler onFailure,
                               QWidget* owner)
    : m_wFunc(wFunc), m_sources(std::move(sources)), m_strDestination(std::move(destination)),
      m_onFailure(std::move(onFailure)), m_pOwner(owner) {}

Result<std::size_t> CFileOperation::Run() {
    // A stop signal ends the question or message open, if any, as Cancel would; the copy stops
    // before its next piece.
    CStopSignals stop([] {
        if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            open->reject();
    });
    Result<std::size_t> done = COperationRun(m_wFunc, m_strDestination, m_onFailure, m_pOwner, stop)
                                   .Run(m_sources, m_nProgressDelay);
    stop.EndProcessIfStopped();
    return done;
}

} // namespace plat
