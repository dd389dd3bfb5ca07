#include "app/preview/PreviewLoader.h"

#include "app/preview/ExifReader.h"
#include "app/preview/ScrollPictureView.h"
#include "image/IImage.h"

#include <QPainter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

QString WithoutTrailingSpace(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || (text[end - 1] >= '\t' && text[end - 1] <= '\r')))
        --end;
    return QString::fromStdString(text.substr(0, end));
}

// The entries of the reader that have a value to show, in reading order.
std::vector<PropertyRow> ReadRows(CExifReader& exif) {
    std::vector<PropertyRow> rows;
    exif.Rewind();
    int nIfd = 0;
    while (ExifEntry* entry = exif.NextEntry(nIfd)) {
        PropertyRow row{nIfd, WithoutTrailingSpace(CExifReader::TagName(entry)),
                        WithoutTrailingSpace(CExifReader::ValueText(entry))};
        if (!row.value.isEmpty())
            rows.push_back(std::move(row));
    }
    return rows;
}

std::string SystemMessage(int error) {
    return std::system_category().message(error);
}

// Whether the file at path can be read, before the image library is asked, or why not. Only a
// regular file is opened: a pipe would wait for a writer, a device might never end.
plat::Result<void> CheckReadable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return plat::Failure{SystemMessage(errno)};
    if (!S_ISREG(st.st_mode))
        return plat::Failure{"it is not a file"};
    if (st.st_size == 0)
        return plat::Failure{"the file is empty"};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return plat::Failure{SystemMessage(errno)};
    close(fd);
    return plat::Ok{};
}

} // namespace

CPreviewLoader::CPreviewLoader(std::function<void(PreviewPicture)> ready)
    : m_ready(std::move(ready)), m_pImage(std::make_unique<IImage>(0)),
      m_pExif(std::make_unique<CExifReader>()) {
    m_pImage->GetXImage()->SetCancelFlag(&m_bCancel);
    m_worker = std::thread([this] { Run(); });
}

CPreviewLoader::~CPreviewLoader() {
    {
        const std::lock_guard lock(m_lock);
        m_bStop = true;
        m_pending.reset();
        m_bCancel = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void CPreviewLoader::Request(const std::string& path, QSize pane) {
    std::optional<PreviewPicture> ready;
    {
        const std::lock_guard lock(m_lock);
        ++m_nAsked;
        m_pending.reset();
        if (m_readAhead && m_readAhead->path == path && m_readAhead->pane == pane) {
            ready = std::move(m_readAhead);
            m_readAhead.reset();
        } else if (m_running && m_running->number == 0 && m_running->Reads(path, pane)) {
            m_running->number = m_nAsked; // delivered as this request once read
        } else {
            m_pending = Job{m_nAsked, path, pane};
        }
        if (!m_running || m_running->number != m_nAsked)
            m_bCancel = true;
        m_ahead.reset();
        m_readAhead.reset();
    }
    if (ready) {
        m_nDelivered = m_nAsked;
        m_ready(std::move(*ready));
        return;
    }
    m_wake.notify_all();
}

void CPreviewLoader::ReadAhead(const std::string& path, QSize pane) {
    {
        const std::lock_guard lock(m_lock);
        if ((m_readAhead && m_readAhead->path == path && m_readAhead->pane == pane) ||
            (m_ahead && m_ahead->Reads(path, pane)) ||
            (m_running && m_running->number == 0 && m_running->Reads(path, pane)))
            return;
        DropReadAhead();
        if (!path.empty())
            m_ahead = Job{0, path, pane};
    }
    m_wake.notify_all();
}

bool CPreviewLoader::ReadingAhead() const {
    const std::lock_guard lock(m_lock);
    return m_ahead || (m_running && m_running->number == 0);
}

void CPreviewLoader::Cancel() {
    const std::lock_guard lock(m_lock);
    m_pending.reset();
    DropReadAhead();
    m_bCancel = true;
    m_nDelivered = m_nAsked;
}

void CPreviewLoader::DropReadAhead() {
    m_ahead.reset();
    m_readAhead.reset();
    if (m_running && m_running->number == 0)
        m_bCancel = true;
}

void CPreviewLoader::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_bStop || m_pending || m_ahead; });
            if (m_bStop)
                return;
            std::optional<Job>& next = m_pending ? m_pending : m_ahead;
            job = std::move(*next);
            next.reset();
            m_running = job;
            m_bCancel = false;
        }
        PreviewPicture picture = Read(*m_pImage, *m_pExif, job.path, job.pane);
        std::uint64_t number = 0;
        {
            const std::lock_guard lock(m_lock);
            number = m_running->number;
            m_running.reset();
            // A read-ahead is kept unless it was dropped meanwhile (its reading cut short).
            if (number == 0) {
                if (!m_bCancel)
                    m_readAhead = std::move(picture);
                continue;
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, number, picture = std::move(picture)]() mutable {
                Deliver(number, std::move(picture));
            },
            Qt::QueuedConnection);
    }
}

void CPreviewLoader::Deliver(std::uint64_t number, PreviewPicture picture) {
    if (number != m_nAsked || m_nDelivered == m_nAsked)
        return;
    m_nDelivered = number;
    m_ready(std::move(picture));
}

PreviewPicture CPreviewLoader::Read(IImage& image, CExifReader& exif, const std::string& path,
                                    QSize pane) {
    PreviewPicture picture;
    picture.path = path;
    picture.pane = pane;
    picture.readable = CheckReadable(path);
    if (!picture.readable)
        return picture;
    if (exif.Load(path))
        picture.rows = ReadRows(exif);
    CxImage* decoded = image.GetXImage();
    if (!decoded->Load(path, 0)) {
        picture.readable = plat::Failure{"it is damaged, or not a picture this program reads"};
        return picture;
    }
    picture.width = decoded->GetWidth();
    picture.height = decoded->GetHeight();
    const PaneRect box = CScrollPictureView::FitPictureRect({0, 0, pane.width(), pane.height()},
                                                            picture.width, picture.height);
    const QSize size(box.right - box.left, box.bottom - box.top);
    if (!size.isEmpty()) {
        // Transparent where the picture is, so the pane's own colour shows through there.
        picture.drawn = QImage(size, QImage::Format_ARGB32_Premultiplied);
        picture.drawn.fill(Qt::transparent);
        QPainter painter(&picture.drawn);
        const bool drawn = decoded->Draw(&painter, 0, 0, size.width(), size.height());
        painter.end();
        if (!drawn) {
            picture.width = picture.height = 0;
            picture.drawn = QImage();
            picture.rows.clear();
            picture.readable = plat::Failure{"its picture data is damaged"};
        }
    }
    decoded->Destroy();
    return picture;
}
