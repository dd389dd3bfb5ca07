#pragma once
// CPreviewLoader: reads the preview pane's pictures on a worker thread, so that a picture that
// takes long to decode (a huge one, a slow disk) never holds up the window. For each request it
// reads the file's EXIF entries and its picture, draws the picture into the box the pane gives
// it (FitPictureRect of the pane's size) and hands back a PreviewPicture: the drawn copy, the
// picture's size and property rows, or why the file cannot be read.
//
// The preview view owns the loader: it asks with Request and drops what it asked with Cancel.
//
// Threads. The rules the loader keeps:
//  1. It is made, used and destroyed on the user-interface thread. It starts its one worker
//     thread when it is made; the destructor cancels the request in progress, then stops and
//     joins the worker.
//  2. The worker is the only thread that uses the picture object (m_pImage) and the EXIF reader
//     (m_pExif), one request at a time. A request waits in a single slot: a newer request, or
//     Cancel, replaces one that has not started and raises the cancel flag of the one in
//     progress, which the image library watches while it decodes (CxImage::SetCancelFlag), so
//     the work the user moved on from stops.
//  3. The worker touches no widget. It hands each result to the user-interface thread by a
//     queued call on the loader; there the ready callback runs only for the result of the
//     newest request, so a picture the user has moved on from is never shown.
//  4. The slot and the stop request are shared under m_lock; the cancel flag is atomic. The
//     request numbers that decide what is delivered live on the user-interface thread.
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
    std::string failure; // why the file cannot be read; "" when it can
};

class CPreviewLoader : public QObject {
  public:
    // `ready` receives each result the view still wants, on the user-interface thread.
    explicit CPreviewLoader(std::function<void(PreviewPicture)> ready);
    ~CPreviewLoader() override;
    CPreviewLoader(const CPreviewLoader&) = delete;
    CPreviewLoader& operator=(const CPreviewLoader&) = delete;

    // Reads `path` for a pane of `pane` pixels, in place of whatever was asked before.
    void Request(const std::string& path, QSize pane);
    // Drops what was asked: nothing more is delivered until the next Request.
    void Cancel();
    // A request was made whose result has not been delivered yet.
    bool Busy() const { return m_nDelivered != m_nAsked; }

    // What the worker does with one request (on whichever thread calls it): the picture drawn
    // for the pane, or the reason it cannot be read.
    static PreviewPicture Read(IImage& image, CExifReader& exif, const std::string& path,
                               QSize pane);

  private:
    struct Job {
        std::uint64_t number;
        std::string path;
        QSize pane;
    };
    void Run();
    void Deliver(std::uint64_t number, PreviewPicture picture);

    std::function<void(PreviewPicture)> m_ready;
    std::uint64_t m_nAsked = 0;     // the newest request's number (user-interface thread)
    std::uint64_t m_nDelivered = 0; // the number of the last result delivered or dropped

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Job> m_pending; // the request not started yet
    bool m_bStop = false;
    std::atomic<bool> m_bCancel{false}; // raised for the request in progress

    std::unique_ptr<IImage> m_pImage;     // the worker's
    std::unique_ptr<CExifReader> m_pExif; // the worker's
    std::thread m_worker;
};
