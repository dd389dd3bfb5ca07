#include "app/batch/ResizeJob.h"

#include "app/model/AppSetting.h"
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
#include <filesystem>

namespace {

constexpr const char* kOverwriteQuestion = "Do you want to overwrite this file?";
constexpr const char* kGifQuestion = "Transfer to GIF from 24 bit to 8 bit colors will lose some "
                                     "colors and take some time, would you keep on?";

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

void ResizeThreadProc(IPassSink& sink, CAppSetting& app, const ResizeRun& run) {
    // When memory runs out between pictures, no output of the run can be vouched for.
    RunPass(
        sink, [&] { return CResizeJob(sink, app, run).Run(); },
        [&] {
            PassResult failed;
            failed.failures = app.m_listFiles;
            return failed;
        });
}

CResizeJob::CResizeJob(IPassSink& sink, CAppSetting& app, const ResizeRun& run)
    : m_sink(sink), m_app(app), m_run(run), m_nRemembered(CONFIRM_NONE) {}

// Only a run broken off by an exception leaves pictures in flight here.
CResizeJob::~CResizeJob() {
    for (const std::unique_ptr<Task>& task : m_inFlight)
        if (task->thread.joinable())
            task->thread.join();
}

PassResult CResizeJob::Run() {
    const ResizeSetting& s = m_app.m_resize;
    if (m_run.bMail) {
        m_app.m_listMailFiles.clear();
        if (!s.bOverwrite)
            m_mail = std::make_unique<CMailFolder>();
    }
    const std::vector<std::string>& files = m_app.m_listFiles;
    for (std::size_t index = 0; index < files.size(); ++index) {
        while (m_inFlight.size() >= vtlimage::kPicturesInFlight)
            FinishOne();
        if (m_sink.IsStopping())
            break;
        const std::string& source = files[index];
        try {
            m_app.SetStatus(MakeStatusLine("Resizing", source));
            m_sink.Step(index);
            OutputChoice out;
            if (Prepare(index, source, out) && !m_sink.IsStopping())
                Dispatch(index, source, out.path);
        } catch (...) {
            // A question that could not be asked, a thread that could not start: this picture
            // fails, the run goes on.
            Record(index, source, Result::Failed);
        }
    }
    while (!m_inFlight.empty())
        FinishOne();
    std::sort(m_failures.begin(), m_failures.end());
    PassResult result;
    for (auto& entry : m_failures)
        result.failures.push_back(std::move(entry.second));
    result.nWritten = m_nWritten;
    return result;
}

bool CResizeJob::Prepare(std::size_t index, const std::string& source, OutputChoice& out) {
    const auto chosen = ChooseOutput(m_app.m_resize, source, m_mail.get());
    if (!chosen) {
        Record(index, source, Result::Failed);
        return false;
    }
    out = *chosen;
    if (m_mail) {
        m_app.m_listMailFiles.push_back(out.path);
        m_nRemembered = CONFIRM_YESTOALL;
    }
    WaitForConflicts(source, out.path);
    if (!out.folder.empty() && !MakeFolder(out.folder)) {
        Record(index, source, Result::Failed);
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
    const ResizeSetting& s = m_app.m_resize;
    IImage image(0);
    CxImage* picture = image.GetXImage();
    picture->Load(source, CXIMAGE_FORMAT_UNKNOWN);
    TraceFirstDecode();
    if (!picture->IsValid())
        return Result::Failed;
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
    if (!replacement.IsOpen() || !picture->Save(replacement.TempPath(), format))
        return Result::Failed;
    // A stopped run writes nothing more: the temporary file goes with `replacement`.
    if (m_sink.IsStopping())
        return Result::Skipped;
    // An original that is replaced goes to the trash first; where it cannot, it stays.
    if (s.bOverwrite && s.bTrash && plat::FileExists(replacement.TargetPath()) &&
        !plat::KeepInTrash(replacement.TargetPath()))
        return Result::Failed;
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
    if (m_app.m_resize.nImageType == SAVE_TYPE_GIF) {
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

void CResizeJob::Record(std::size_t index, const std::string& source, Result result) {
    if (result == Result::Failed)
        m_failures.emplace_back(index, source);
    else if (result == Result::Written)
        ++m_nWritten;
}
