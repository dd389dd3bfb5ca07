#include "image/ximage.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include <QImage>
#include <QPainter>
#include <vips/vips8>

#include "image/PictureEncoder.h"
#include "image/PictureSource.h"
#include "image/Scaling.h"
#include "image/VipsRuntime.h"
#include "image/base/FileBytes.h"
#include "image/base/MemoryBudget.h"
#include "image/base/PixelLimit.h"
#include "image/base/Raster.h"

using vips::VImage;
using vtlimage::CPictureSource;

namespace {

constexpr int kDefaultDpi = 96;

// Stops the computation of `image` once *cancel is raised: libvips looks at an image's kill
// flag between the stretches of pixels it computes for it.
void StopWhenCancelled(const VImage& image, const std::atomic<bool>* cancel) {
    VipsImage* out = image.get_image();
    vips_image_set_progress(out, TRUE);
    g_signal_connect(out, "eval", G_CALLBACK(+[](VipsImage* computed, VipsProgress*, void* flag) {
                         if (static_cast<const std::atomic<bool>*>(flag)->load())
                             vips_image_set_kill(computed, TRUE);
                     }),
                     const_cast<std::atomic<bool>*>(cancel));
}

} // namespace

// The picture is either still described by its file (bFromFile: nothing decoded yet), maybe
// with a resample to apply on the way out (nPendingWidth/Height), or a decoded picture in
// memory (pixels) after a turn. A resample straight after Load is only recorded: the save
// then streams decode, scale and encode in one pass, and a JPEG may be decoded shrunk. Each
// use rebuilds that pass from the file, so the picture can be saved or drawn any number of times.
struct CxImage::Impl {
    CPictureSource source;
    bool bFromFile = false;
    bool bValid = false;
    int nPendingWidth = 0; // 0: no resample pending
    int nPendingHeight = 0;
    VImage pixels;
    vtlimage::CMemoryBudget::CGrant pixelsGrant; // for `pixels`, a turned picture held whole
    int nType = CXIMAGE_FORMAT_UNKNOWN;
    int nWidth = 0;
    int nHeight = 0;
    int nBpp = 0;
    int nXDpi = kDefaultDpi;
    int nYDpi = kDefaultDpi;
    int nFrame = 0;
    int nJpegQuality = 75;
    int nEncodeOption = 0;
    const std::atomic<bool>* pCancel = nullptr;
    QImage drawn; // the last Draw's copy, scaled to the size drawn

    void Clear() {
        bFromFile = false;
        bValid = false;
        nPendingWidth = nPendingHeight = 0;
        pixels = VImage();
        pixelsGrant = {};
        nType = CXIMAGE_FORMAT_UNKNOWN;
        nWidth = nHeight = nBpp = 0;
        nXDpi = nYDpi = kDefaultDpi;
        drawn = QImage();
    }

    // A libvips failure while decoding the file means the file is damaged: the picture goes.
    // A failure on a picture already in memory leaves it as it was.
    void Failed() {
        if (bFromFile)
            Clear();
        vips_error_clear();
    }

    // The current picture, read once from top to bottom, while `work` lives. useWidth x
    // useHeight is the size the caller will scale it to (0: as it is), which lets a JPEG
    // decoder shrink. allFrames: every frame of an animation (vtlimage::FramesOf), else the
    // first.
    VImage Current(const vtlimage::CPictureWork& work, int useWidth = 0, int useHeight = 0,
                   bool allFrames = false) const {
        if (!bFromFile)
            return allFrames ? pixels : vtlimage::FirstFrame(pixels);
        const vtlimage::PictureHeader& h = source.Header();
        int shrink = 1;
        if (h.nType == CXIMAGE_FORMAT_JPG && nPendingWidth > 0)
            shrink = vtlimage::DecoderShrink(h.nWidth, h.nHeight, nPendingWidth, nPendingHeight);
        else if (h.nType == CXIMAGE_FORMAT_JPG && useWidth > 0)
            shrink = vtlimage::DrawShrink(h.nWidth, h.nHeight, useWidth, useHeight);
        VImage image = source.Pixels(shrink, true, work.Alone(), allFrames);
        if (nPendingWidth > 0)
            image = vtlimage::EachFrame(image, [this](const VImage& frame) {
                return vtlimage::ScaleTo(frame, nPendingWidth, nPendingHeight);
            });
        return image;
    }

    // Encodes the picture in `imagetype` through `write(picture, settings)`.
    template <typename Write> bool Encode(int imagetype, Write write) {
        if (!bValid || !vtlimage::CanEncode(imagetype) || !vtlimage::EnsureModuleFor(imagetype))
            return false;
        vtlimage::EncodeSettings settings;
        settings.nFormat = imagetype;
        settings.nXDpi = nXDpi;
        settings.nYDpi = nYDpi;
        settings.nJpegQuality = nJpegQuality;
        settings.bDither = nEncodeOption != 1;
        settings.bPalette = nBpp <= 8 && nType != CXIMAGE_FORMAT_JPG && nType != CXIMAGE_FORMAT_TIF;
        try {
            const vtlimage::CPictureWork work;
            // GIF and WebP hold an animation: every frame, with its delay and the loop count.
            const bool frames = imagetype == CXIMAGE_FORMAT_GIF || imagetype == CXIMAGE_FORMAT_WEBP;
            return write([&] { return Current(work, 0, 0, frames); }, settings);
        } catch (const std::exception&) {
            Failed();
            return false;
        }
    }

    // Decodes the picture described by its file into memory, all its frames, once, so that
    // it can be encoded again without decoding the file again. Where the memory budget cannot
    // hold it, it stays described by its file (each use decodes it afresh); a damaged file
    // empties it.
    void Hold() {
        if (!bFromFile)
            return;
        const vtlimage::PictureHeader& h = source.Header();
        auto grant = vtlimage::CMemoryBudget::Library().Take(
            static_cast<std::size_t>(nWidth) * static_cast<std::size_t>(nHeight) *
            static_cast<std::size_t>(h.nBands) * static_cast<std::size_t>(h.nFrames));
        if (!grant)
            return;
        try {
            const vtlimage::CPictureWork work;
            pixels = Current(work, 0, 0, true).copy_memory();
        } catch (const std::exception&) {
            Failed();
            return;
        }
        grant->Keep(VIPS_IMAGE_SIZEOF_IMAGE(pixels.get_image()));
        pixelsGrant = std::move(*grant);
        bFromFile = false;
        nPendingWidth = nPendingHeight = 0;
    }

    // Applies a turn to the current picture, to each of its frames when it is an animation,
    // which then lives in memory: twice while it turns (as it was, and turned), once
    // afterwards. A picture the memory budget cannot hold so is left as it was, and the turn
    // fails.
    template <typename Turn> bool Apply(Turn turn) {
        if (!bValid)
            return false;
        const int bands = bFromFile ? source.Header().nBands : pixels.bands();
        const int frames = bFromFile ? source.Header().nFrames : vtlimage::FramesOf(pixels);
        auto grant = vtlimage::CMemoryBudget::Library().Take(
            2 * static_cast<std::size_t>(nWidth) * static_cast<std::size_t>(nHeight) *
            static_cast<std::size_t>(bands) * static_cast<std::size_t>(frames));
        if (!grant)
            return false;
        try {
            const vtlimage::CPictureWork work;
            pixels =
                vtlimage::EachFrame(Current(work, 0, 0, true).copy_memory(), turn).copy_memory();
        } catch (const std::exception&) {
            Failed();
            return false;
        }
        grant->Keep(VIPS_IMAGE_SIZEOF_IMAGE(pixels.get_image()));
        pixelsGrant = std::move(*grant);
        bFromFile = false;
        nPendingWidth = nPendingHeight = 0;
        nWidth = pixels.width();
        nHeight = pixels.height() / vtlimage::FramesOf(pixels);
        drawn = QImage();
        return true;
    }
};

CxImage::CxImage() : m_pImpl(std::make_unique<Impl>()) {}

CxImage::~CxImage() = default;

bool CxImage::Load(const std::string& path, int imagetype) {
    Impl& d = *m_pImpl;
    d.Clear();
    if (!vtlimage::EnsureVipsStarted() || !d.source.Open(path, d.nFrame, imagetype) ||
        !d.source.Decodable())
        return false;
    const vtlimage::PictureHeader& h = d.source.Header();
    d.bFromFile = true;
    d.bValid = true;
    d.nType = h.nType;
    d.nWidth = h.nWidth;
    d.nHeight = h.nHeight;
    d.nBpp = h.nBpp;
    d.nXDpi = h.nXDpi > 0 ? h.nXDpi : kDefaultDpi;
    d.nYDpi = h.nYDpi > 0 ? h.nYDpi : kDefaultDpi;
    return true;
}

bool CxImage::Save(const std::string& path, int imagetype) {
    const auto before = vtlimage::FileStamp(path);
    const bool written = m_pImpl->Encode(imagetype, [&](const auto& picture, const auto& settings) {
        return vtlimage::EncodePicture(picture, settings, path);
    });
    // What a failed save began to write goes; a file it never touched stays.
    if (!written && vtlimage::FileStamp(path) != before)
        vtlimage::RemoveFile(path);
    return written;
}

bool CxImage::Encode(std::vector<std::uint8_t>& bytes, int imagetype) {
    Impl& d = *m_pImpl;
    bytes.clear();
    if (!d.bValid || !vtlimage::CanEncode(imagetype))
        return false;
    d.Hold();
    const bool encoded = d.Encode(imagetype, [&](const auto& picture, const auto& settings) {
        return vtlimage::EncodePicture(picture, settings, bytes);
    });
    if (!encoded)
        bytes.clear();
    return encoded;
}

bool CxImage::Resample(int newx, int newy, int) {
    Impl& d = *m_pImpl;
    if (!d.bValid || !vtlimage::SizeAllowed(newx, newy))
        return false;
    if (newx == d.nWidth && newy == d.nHeight)
        return true;
    // New colours appear between the old ones: a palette picture stops being one.
    const int bpp = vtlimage::BppOfBands(d.bFromFile ? d.source.Header().nBands : d.pixels.bands());
    if (d.bFromFile) {
        d.nPendingWidth = newx;
        d.nPendingHeight = newy;
        d.nWidth = newx;
        d.nHeight = newy;
        d.nBpp = bpp;
        d.drawn = QImage();
        return true;
    }
    if (!d.Apply([&](const VImage& image) { return vtlimage::ScaleTo(image, newx, newy); }))
        return false;
    d.nBpp = bpp;
    return true;
}

bool CxImage::RotateLeft() {
    return m_pImpl->Apply([](const VImage& image) { return image.rot(VIPS_ANGLE_D270); });
}

bool CxImage::RotateRight() {
    return m_pImpl->Apply([](const VImage& image) { return image.rot(VIPS_ANGLE_D90); });
}

bool CxImage::Flip() {
    return m_pImpl->Apply([](const VImage& image) { return image.flip(VIPS_DIRECTION_VERTICAL); });
}

void CxImage::SetXDPI(int dpi) {
    if (dpi > 0)
        m_pImpl->nXDpi = std::min(dpi, vtlimage::kMaxDpi);
}

void CxImage::SetYDPI(int dpi) {
    if (dpi > 0)
        m_pImpl->nYDpi = std::min(dpi, vtlimage::kMaxDpi);
}

int CxImage::GetXDPI() const {
    return m_pImpl->nXDpi;
}

int CxImage::GetYDPI() const {
    return m_pImpl->nYDpi;
}

void CxImage::SetJpegQuality(std::uint8_t quality) {
    m_pImpl->nJpegQuality = std::min<int>(quality, 100);
}

void CxImage::SetFrame(int frame) {
    m_pImpl->nFrame = std::max(frame, 0);
}

int CxImage::GetBpp() const {
    return m_pImpl->bValid ? m_pImpl->nBpp : 0;
}

void CxImage::SetEncodeOption(int option) {
    m_pImpl->nEncodeOption = option;
}

int CxImage::GetWidth() const {
    return m_pImpl->nWidth;
}

int CxImage::GetHeight() const {
    return m_pImpl->nHeight;
}

int CxImage::GetType() const {
    return m_pImpl->nType;
}

bool CxImage::Draw(QPainter* painter, int x, int y, int cx, int cy) {
    Impl& d = *m_pImpl;
    if (!painter || !d.bValid || cx <= 0 || cy <= 0 || !vtlimage::SizeAllowed(cx, cy))
        return false;
    if (d.drawn.width() != cx || d.drawn.height() != cy) {
        try {
            const vtlimage::CPictureWork work;
            VImage scaled = vtlimage::ScaleTo(d.Current(work, cx, cy), cx, cy);
            if (scaled.bands() <= 2)
                scaled = scaled.colourspace(VIPS_INTERPRETATION_sRGB);
            if (d.pCancel)
                StopWhenCancelled(scaled, d.pCancel);
            const bool alpha = scaled.bands() == 4;
            std::size_t size = 0;
            void* memory = scaled.write_to_memory(&size);
            // libvips looks at the flag only between stretches, and not at all when its workers
            // finish them all before it looks: a flag raised by then fails the draw all the same.
            if (d.pCancel && d.pCancel->load()) {
                g_free(memory);
                throw vips::VError("drawing cancelled");
            }
            const QImage view(static_cast<const uchar*>(memory), cx, cy,
                              static_cast<qsizetype>(cx) * (alpha ? 4 : 3),
                              alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
            d.drawn = view.copy();
            g_free(memory);
        } catch (const std::exception&) {
            d.Failed();
            return false;
        }
    }
    painter->drawImage(QRect(x, y, cx, cy), d.drawn);
    return true;
}

void CxImage::SetCancelFlag(const std::atomic<bool>* cancel) {
    m_pImpl->pCancel = cancel;
}

std::string CxImage::ReadExifBlock(const std::string& path) {
    vtlimage::CPictureSource source;
    if (!vtlimage::EnsureVipsStarted() || !source.Open(path, 0, CXIMAGE_FORMAT_UNKNOWN))
        return {};
    return source.ExifBlock();
}

bool CxImage::Destroy() {
    m_pImpl->Clear();
    return true;
}

bool CxImage::IsValid() const {
    return m_pImpl->bValid;
}

bool CxImage::IsEnabled() const {
    return m_pImpl->bValid;
}
