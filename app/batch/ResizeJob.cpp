#include "app/batch/ResizeJob.h"

#include "app/batch/SizeLimit.h"
#include "app/model/ImageFormats.h"
#include "app/model/MailFolder.h"
#include "app/model/ResizeRules.h"
#include "app/model/StartupTrace.h"
#include "image/IImage.h"
#include "image/WorkLimits.h"
#include "platform/FileFacts.h"
#include "platform/Paths.h"
#include "platform/ReplaceFile.h"
#include "platform/Trash.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

bool Accepted(std::int32_t answer) {
    return answer == CONFIRM_YESTOALL || answer == CONFIRM_YES;
}

// One level only: the parent must exist already.
bool MakeFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0777) == 0)
        return true;
    struct stat facts {};
    return errno == EEXIST && stat(folder.c_str(), &facts) == 0 && S_ISDIR(facts.st_mode);
}

// One spelling per file, so that two paths naming the same file compare equal.
std::string SameFileKey(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    return (error ? std::filesystem::path(path).lexically_normal() : resolved).string();
}

// What became of a picture that failed, for the person.
std::string Reason(const char* what, int error) {
    return error ? std::string(what) + ": " + std::strerror(error) : what;
}

} // namespace

struct CResizeJob::Task {
    std::size_t index;
    std::string source;
    std::string sourceKey;
    std::string outputKey;
    Result result = Result::Failed;
    bool bDone = false; // under m_finishLock
    std::thread thread;
};

void ResizeThreadProc(IPassSink& sink, const ResizeSetting& setting,
                      const std::vector<std::string>& files, const ResizeRun& run) {
    // When memory runs out between pictures, no output of the run can be vouched for.
    RunPass(
        sink, [&] { return CResizeJob(sink, setting, files, run).Run(); },
        [&] {
            PassResult failed;
            failed.failures = files;
            return failed;
        });
}

CResizeJob::CResizeJob(IPassSink& sink, ResizeSetting setting, std::vector<std::string> files,
                       const ResizeRun& run)
    : m_sink(sink), m_setting(std::move(setting)), m_files(std::move(files)), m_run(run),
      m_nRemembered(CONFIRM_NONE), m_outputs(m_files.size()) {}

// Only a run broken off by an exception leaves pictures in flight here.
CResizeJob::~CResizeJob() {
    for (const std::unique_ptr<Task>& task : m_inFlight)
        if (task->thread.joinable())
            task->thread.join();
}

PassResult CResizeJob::Run() {
    if (m_run.bMail && !m_setting.bOverwrite)
        m_mail = std::make_unique<CMailFolder>();
    const std::vector<std::string>& files = m_files;
    for (std::size_t index = 0; index < files.size(); ++index) {
        while (m_inFlight.size() >= (m_run.nJobs ? m_run.nJobs : vtlimage::kPicturesInFlight))
            FinishOne();
        if (m_sink.IsStopping())
            break;
        const std::string& source = files[index];
        m_outputs[index].source = source;
        try {
            m_sink.Step(index, MakeStatusLine("Resizing", source));
            OutputChoice out;
            if (Prepare(index, source, out) && !m_sink.IsStopping())
                Dispatch(index, source, out.path);
        } catch (...) {
            // A question that could not be asked, a thread that could not start: this picture
            // fails, the run goes on.
            Record(index, source, Result::Failed, "could not be worked on (out of memory)");
        }
    }
    while (!m_inFlight.empty())
        FinishOne();
    std::sort(m_failures.begin(), m_failures.end());
    PassResult result;
    for (auto& entry : m_failures)
        result.failures.push_back(std::move(entry.second));
    result.nWritten = m_nWritten;
    for (ResizeOutput& output : m_outputs)
        if (!output.path.empty() || output.outcome == ResizeOutput::Failed)
            result.outputs.push_back(std::move(output));
    return result;
}

bool CResizeJob::Prepare(std::size_t index, const std::string& source, OutputChoice& out) {
    const auto chosen = ChooseOutput(m_setting, source, m_mail.get());
    if (!chosen) {
        Record(index, source, Result::Failed, chosen.error().message);
        return false;
    }
    out = *chosen;
    m_outputs[index].path = out.path;
    if (m_mail)
        m_nRemembered = CONFIRM_YESTOALL;
    WaitForConflicts(source, out.path);
    if (!out.folder.empty() && !MakeFolder(out.folder)) {
        Record(index, source, Result::Failed, Reason("the folder cannot be made", errno));
        return false;
    }
    // The run's private mail folder is new: only other folders can hold leftovers.
    if (const std::string folder = plat::SplitPath(out.path).dir;
        !m_mail && m_swept.insert(folder).second)
        plat::SweepStaleTempFiles(folder);
    if (!plat::FileExists(out.path) || m_nRemembered == CONFIRM_YESTOALL)
        return true;
    if (m_nRemembered == CONFIRM_NOTOALL)
        return false;
    m_nRemembered = m_sink.Ask(out.path, kOverwriteQuestion);
    return Accepted(m_nRemembered);
}

CResizeJob::Result CResizeJob::Process(const std::string& source, const std::string& output) {
    const ResizeSetting& s = m_setting;
    IImage image(0);
    CxImage* picture = image.GetXImage();
    picture->Load(source, CXIMAGE_FORMAT_UNKNOWN);
    TraceFirstDecode();
    if (!picture->IsValid())
        return Result::Unreadable;
    // A size or turn the library refuses (a picture too large to turn in memory) fails the
    // picture: an output that is not what was asked is never written as if it were.
    if (s.bResize) {
        const std::int32_t w = picture->GetWidth();
        const std::int32_t h = picture->GetHeight();
        if (!picture->Resample(CalcTargetWidth(s, w, h, m_run.nScreenWidth, m_run.nScreenHeight),
                               CalcTargetHeight(s, w, h, m_run.nScreenWidth, m_run.nScreenHeight),
                               1))
            return Result::Failed;
    }
    if (s.bRotate) {
        bool turned = true;
        switch (s.nRotate) {
        case ROTATE_LEFT:
            turned = picture->RotateLeft();
            break;
        case ROTATE_FLIP:
            turned = picture->Flip();
            break;
        case ROTATE_RIGHT:
            turned = picture->RotateRight();
            break;
        default:
            break;
        }
        if (!turned)
            return Result::Failed;
    }
    if (s.bSetDpi) {
        picture->SetXDPI(s.nXDpi);
        picture->SetYDPI(s.nYDpi);
    }
    switch (s.nImageType) {
    case SAVE_TYPE_SOURCE:
        if (HasQuality(picture->GetType()))
            picture->SetJpegQuality(static_cast<std::uint8_t>(s.nQuality));
        break;
    case SAVE_TYPE_JPEG:
    case SAVE_TYPE_WEBP:
    case SAVE_TYPE_AVIF:
        picture->SetJpegQuality(static_cast<std::uint8_t>(s.nQuality));
        break;
    case SAVE_TYPE_GIF:
        picture->SetFrame(0);
        if (picture->GetBpp() > 8) {
            // The answer is also the run's remembered answer, as the overwrite question's is.
            m_nRemembered = m_sink.Ask(output, kGifQuestion);
            if (!Accepted(m_nRemembered))
                return Result::Skipped;
        }
        picture->SetEncodeOption(2);
        break;
    default:
        break;
    }
    const int format =
        s.nImageType == SAVE_TYPE_SOURCE ? picture->GetType() : ToImageFormat(s.nImageType);
    plat::CFileReplacement replacement(output);
    if (!replacement.IsOpen())
        return Result::Failed;
    if (s.nMaxKb > 0) {
        std::vector<std::uint8_t> bytes;
        const LimitFit fit =
            EncodeWithinLimit(*picture, format, s.nQuality,
                              std::size_t{1024} * static_cast<std::size_t>(s.nMaxKb), bytes);
        if (fit != LimitFit::Fits)
            return fit == LimitFit::Impossible ? Result::OverLimit : Result::Failed;
        if (!replacement.Write({reinterpret_cast<const char*>(bytes.data()), bytes.size()}))
            return Result::Failed;
    } else if (!picture->Save(replacement.TempPath(), format)) {
        return Result::Failed;
    }
    // A stopped run writes nothing more: the temporary file goes with `replacement`.
    if (m_sink.IsStopping())
        return Result::Skipped;
    // An original that is replaced goes to the trash first; where it cannot, it stays.
    if (s.bOverwrite && s.bTrash && plat::FileExists(replacement.TargetPath()) &&
        !plat::KeepInTrash(replacement.TargetPath()))
        return Result::NoTrash;
    return replacement.Commit(plat::DefaultFileMode()) ? Result::Written : Result::Failed;
}

CResizeJob::Result CResizeJob::ProcessCaught(const std::string& source,
                                             const std::string& output) noexcept {
    try {
        return Process(source, output);
    } catch (...) {
        return Result::Failed;
    }
}

void CResizeJob::Dispatch(std::size_t index, const std::string& source, const std::string& output) {
    // The GIF question needs the decoded picture and must come in file order: one at a time.
    if (m_setting.nImageType == SAVE_TYPE_GIF) {
        Record(index, source, Process(source, output));
        return;
    }
    auto task = std::make_unique<Task>();
    task->index = index;
    task->source = source;
    task->sourceKey = SameFileKey(source);
    task->outputKey = SameFileKey(output);
    Task* running = task.get();
    m_inFlight.push_back(std::move(task));
    try {
        running->thread = std::thread([this, running, output] {
            running->result = ProcessCaught(running->source, output);
            std::lock_guard lock(m_finishLock);
            running->bDone = true;
            m_finished.notify_one();
        });
    } catch (...) {
        m_inFlight.pop_back();
        throw;
    }
}

void CResizeJob::FinishOne() {
    std::deque<std::unique_ptr<Task>>::iterator done;
    {
        std::unique_lock lock(m_finishLock);
        const auto isDone = [](const std::unique_ptr<Task>& task) { return task->bDone; };
        m_finished.wait(lock, [&] {
            done = std::find_if(m_inFlight.begin(), m_inFlight.end(), isDone);
            return done != m_inFlight.end();
        });
    }
    std::unique_ptr<Task> task = std::move(*done);
    m_inFlight.erase(done);
    task->thread.join();
    Record(task->index, task->source, task->result);
}

void CResizeJob::WaitForConflicts(const std::string& source, const std::string& output) {
    if (m_inFlight.empty())
        return;
    const std::string sourceKey = SameFileKey(source);
    const std::string outputKey = SameFileKey(output);
    auto conflicts = [&](const std::unique_ptr<Task>& task) {
        return task->outputKey == sourceKey || task->outputKey == outputKey ||
               task->sourceKey == outputKey;
    };
    while (std::any_of(m_inFlight.begin(), m_inFlight.end(), conflicts))
        FinishOne();
}

void CResizeJob::Record(std::size_t index, const std::string& source, Result result,
                        std::string reason) {
    ResizeOutput& output = m_outputs[index];
    if (result == Result::Written) {
        ++m_nWritten;
        output.outcome = ResizeOutput::Written;
        // What is on the disk now, read back: the size the person gets, whatever the save made.
        IImage written(0);
        written.LoadImageInfo(output.path);
        output.nWidth = written.GetWidth();
        output.nHeight = written.GetHeight();
        std::error_code error;
        output.nBytes = std::filesystem::file_size(output.path, error);
        return;
    }
    if (result == Result::Skipped)
        return;
    if (result == Result::OverLimit)
        reason = "no size of it fits in " + std::to_string(m_setting.nMaxKb) + " KB";
    else if (result == Result::NoTrash)
        reason = "its original cannot go to the trash, so it was left as it is";
    // The failure list names the reason only where the picture alone does not explain it.
    const bool told = result == Result::OverLimit || result == Result::NoTrash;
    m_failures.emplace_back(index, told ? source + ": " + reason : source);
    output.outcome = ResizeOutput::Failed;
    if (!reason.empty())
        output.reason = std::move(reason);
    else if (result == Result::Unreadable)
        output.reason = "not a picture that can be read";
    else
        output.reason = "cannot be converted or written";
}
