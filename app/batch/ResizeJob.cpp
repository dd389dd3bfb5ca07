#include "app/batch/ResizeJob.h"

#include "app/batch/DlgConfirm.h"
#include "app/batch/DlgProcess.h"
#include "app/batch/MailFolder.h"
#include "app/batch/ResizeRules.h"
#include "app/batch/SafeSave.h"
#include "app/core/AppSetting.h"
#include "app/core/StartupTrace.h"
#include "app/imagelib/ImageFormats.h"
#include "image/IImage.h"
#include "platform/FileFacts.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

constexpr std::size_t kPicturesInFlight = 2;
constexpr const char* kOverwriteQuestion = "Do you want to overwrite this file?";
constexpr const char* kGifQuestion = "Transfer to GIF from 24 bit to 8 bit colors will lose some "
                                     "colors and take some time, would you keep on?";

bool Accepted(std::int32_t answer) { return answer == CONFIRM_YESTOALL || answer == CONFIRM_YES; }

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
    std::thread thread;
};

unsigned ResizeThreadProc(void* param) {
    CResizeJob job(*static_cast<CDlgProcess*>(param), *GetAppSetting());
    job.Run();
    return 0;
}

CResizeJob::CResizeJob(CDlgProcess& dlg, CAppSetting& app)
    : m_dlg(dlg), m_app(app), m_nRemembered(CONFIRM_NONE) {}

CResizeJob::~CResizeJob() {
    while (!m_inFlight.empty())
        FinishOldest();
}

void CResizeJob::Run() {
    const ResizeSetting& s = m_app.m_resize;
    if (m_dlg.m_bMail) {
        m_app.m_listMailFiles.clear();
        if (!s.bOverwrite)
            m_mail = std::make_unique<CMailFolder>();
    }
    const std::vector<std::string>& files = m_app.m_listFiles;
    for (std::size_t index = 0; index < files.size(); ++index) {
        while (m_inFlight.size() >= kPicturesInFlight)
            FinishOldest();
        if (m_dlg.IsStopping())
            break;
        const std::string& source = files[index];
        m_app.SetStatus(MakeStatusLine("Resizing", source));
        m_dlg.Post(WM_PROCESS_STEP, index, 0);
        OutputChoice out;
        if (Prepare(index, source, out) && !m_dlg.IsStopping())
            Dispatch(index, source, out.path);
    }
    while (!m_inFlight.empty())
        FinishOldest();
    std::sort(m_failures.begin(), m_failures.end());
    std::vector<std::string> failed;
    for (auto& entry : m_failures)
        failed.push_back(std::move(entry.second));
    m_dlg.SetFailures(std::move(failed));
    m_dlg.Post(WM_PROCESS_DONE, 0, 0);
}

bool CResizeJob::Prepare(std::size_t index, const std::string& source, OutputChoice& out) {
    out = ChooseOutput(m_app.m_resize, source, m_mail.get());
    if (out.status != OutputChoice::Status::Ok) {
        Record(index, source, Result::Failed);
        return false;
    }
    if (m_mail) {
        m_app.m_listMailFiles.push_back(out.path);
        m_nRemembered = CONFIRM_YESTOALL;
    }
    WaitForConflicts(source, out.path);
    if (!out.folder.empty() && !MakeFolder(out.folder)) {
        Record(index, source, Result::Failed);
        return false;
    }
    if (!plat::FileExists(out.path) || m_nRemembered == CONFIRM_YESTOALL)
        return true;
    if (m_nRemembered == CONFIRM_NOTOALL)
        return false;
    m_nRemembered = m_dlg.Ask(out.path, kOverwriteQuestion);
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
    if (s.bResize) {
        const auto [width, height] = m_dlg.TargetSizeOf(picture->GetWidth(), picture->GetHeight());
        picture->Resample(width, height, 1);
    }
    if (s.bRotate) {
        switch (s.nRotate) {
        case 0: picture->RotateLeft(); break;
        case 1: picture->Flip(); break;
        case 2: picture->RotateRight(); break;
        default: break;
        }
    }
    if (s.bSetDpi) {
        picture->SetXDPI(s.nXDpi);
        picture->SetYDPI(s.nYDpi);
    }
    switch (s.nImageType) {
    case 0:
        if (picture->GetType() == CXIMAGE_FORMAT_JPG)
            picture->SetJpegQuality(static_cast<std::uint8_t>(s.nQuality));
        break;
    case 1: picture->SetJpegQuality(static_cast<std::uint8_t>(s.nQuality)); break;
    case 3:
        picture->SetFrame(0);
        if (picture->GetBpp() > 8) {
            // The answer is also the run's remembered answer, as the overwrite question's is.
            m_nRemembered = m_dlg.Ask(output, kGifQuestion);
            if (!Accepted(m_nRemembered))
                return Result::Skipped;
        }
        picture->SetEncodeOption(2);
        break;
    default: break;
    }
    const int format = s.nImageType == 0 ? picture->GetType() : ToImageFormat(s.nImageType);
    return SaveReplacing(*picture, output, format) ? Result::Written : Result::Failed;
}

void CResizeJob::Dispatch(std::size_t index, const std::string& source, const std::string& output) {
    // The GIF question needs the decoded picture and must come in file order: one at a time.
    if (m_app.m_resize.nImageType == 3) {
        Record(index, source, Process(source, output));
        return;
    }
    auto task = std::make_unique<Task>();
    task->index = index;
    task->source = source;
    task->sourceKey = SameFileKey(source);
    task->outputKey = SameFileKey(output);
    Task* running = task.get();
    task->thread = std::thread([this, running, output] {
        running->result = Process(running->source, output);
    });
    m_inFlight.push_back(std::move(task));
}

void CResizeJob::FinishOldest() {
    std::unique_ptr<Task> task = std::move(m_inFlight.front());
    m_inFlight.pop_front();
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
        FinishOldest();
}

void CResizeJob::Record(std::size_t index, const std::string& source, Result result) {
    if (result == Result::Failed)
        m_failures.emplace_back(index, source);
}
