#pragma once
// CPreviewLoader: reads the preview pane's pictures on a worker thread, so that a picture that
// takes long to decode (a huge one, a slow disk) never holds up the window. For each request it
// reads the file's EXIF entries and its picture, draws the picture into the box the pane gives
// it (FitPictureRect of the pane's size) and hands back a PreviewPicture: the drawn copy, the
// picture's size and property rows, or why the file cannot be read.
//
// The preview view owns the loader: it asks with Request and drops what it asked with Cancel.
// While a picture is shown it also names the one the user is likely to move to next
// (ReadAhead): the worker reads that one once it has nothing asked, and keeps the result, so a
// Request for it is answered at once. One is read ahead at a time, and only while the worker is
// otherwise idle, so at most one decode runs (its memory granted by the image library's budget
// as any other) and one drawn picture of the pane's size is kept.
//
// Threads. The rules the loader keeps:
//  1. It is made, used and destroyed on the user-interface thread. It starts its one worker
//     thread when it is made; the destructor cancels the request in progress, then stops and
//     joins the worker.
//  2. The worker is the only thread that uses the picture object (m_pImage) and the EXIF reader
//     (m_pExif), one job at a time, a request before a read-ahead. A request waits in a single
//     slot: a newer request, or Cancel, replaces one that has not started and raises the cancel
//     flag of the one in progress, which the image library watches while it decodes
//     (CxImage::SetCancelFlag), so the work the user moved on from stops. A read-ahead waits in
//     a slot of its own; a request or read-ahead for another picture drops it (raising the flag
//     if it is being read), a request for the same picture and pane takes it over.
//  3. The worker touches no widget. It hands each result to the user-interface thread by a
//     queued call on the loader; there the ready callback runs only for the result of the
//     newest request, so a picture the user has moved on from is never shown.
//  3a. A request answered from the picture read ahead is delivered within Request, before it
//     returns.
//  4. The slots, the job in progress, the picture read ahead and the stop request are shared
//     under m_lock; the cancel flag is atomic. The request numbers that decide what is
//     delivered live on the user-interface thread, but for the number of a read-ahead taken
//     over, which is handed to the worker under the lock.
#include "platform/Result.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class CExifReader;
class IImage;

// One row of the "Picture Properties" panel: an EXIF entry's IFD, tag name and value text.
struct PropertyRow {
    int nIfd = 0;
    QString name;
    QString value;
};

// What the worker read of one file.
struct PreviewPicture {
    std::string path;
    QSize pane;    // the pane size the picture was drawn for
    int width = 0; // the picture's own size; 0 when it cannot be read
    int height = 0;
    QImage drawn; // the picture in its box for `pane`; null when the box is empty
    // The EXIF rows with a value, in reading order; empty for a picture without them.
    std::vector<PropertyRow> rows;
    plat::Result<void> readable = plat::Ok{}; // or why the file cannot be read
};

class CPreviewLoader : public QObject {
  public:
    // `ready` receives each result the view still wants, on the user-interface thread.
    explicit CPreviewLoader(std::function<void(PreviewPicture)> ready);
    ~CPreviewLoader() override;
    CPreviewLoader(const CPreviewLoader&) = delete;
    CPreviewLoader& operator=(const CPreviewLoader&) = delete;

    // Reads `path` for a pane of `pane` pixels, in place of whatever was asked before; when it
    // was read ahead for that pane, the result is delivered before this returns.
    void Request(const std::string& path, QSize pane);
    // Reads `path` for a pane of `pane` pixels once nothing else is asked, and keeps it for a
    // Request; in place of what was read ahead before. "" drops what was read ahead.
    void ReadAhead(const std::string& path, QSize pane);
    // Drops what was asked and read ahead: nothing more is delivered until the next Request.
    void Cancel();
    // A request was made whose result has not been delivered yet.
    bool Busy() const { return m_nDelivered != m_nAsked; }
    // A read-ahead waits or is being read.
    bool ReadingAhead() const;

    // What the worker does with one request (on whichever thread calls it): the picture drawn
    // for the pane, or the reason it cannot be read.
    static PreviewPicture Read(IImage& image, CExifReader& exif, const std::string& path,
                               QSize pane);

  private:
    struct Job {
        std::uint64_t number; // 0 for a read-ahead
        std::string path;
        QSize pane;

        bool Reads(const std::string& p, QSize size) const { return path == p && pane == size; }
    };
    void Run();
    // Drops the read-ahead: the one waiting, the one kept, the one in progress (under m_lock).
    void DropReadAhead();
    void Deliver(std::uint64_t number, PreviewPicture picture);

    std::function<void(PreviewPicture)> m_ready;
    std::uint64_t m_nAsked = 0;     // the newest request's number (user-interface thread)
    std::uint64_t m_nDelivered = 0; // the number of the last result delivered or dropped

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Job> m_pending;              // the request not started yet
    std::optional<Job> m_ahead;                // the read-ahead not started yet
    std::optional<Job> m_running;              // the job in progress
    std::optional<PreviewPicture> m_readAhead; // the picture read ahead, kept for its request
    bool m_bStop = false;
    std::atomic<bool> m_bCancel{false}; // raised for the request in progress

    std::unique_ptr<IImage> m_pImage;     // the worker's
    std::unique_ptr<CExifReader> m_pExif; // the worker's
    std::thread m_worker;
};
