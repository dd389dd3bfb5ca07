#include "image/ximage.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QImage>
#include <QPainter>
#include <vips/vips8>

#include "image/FileBytes.h"
#include "image/PictureEncoder.h"
#include "image/PictureSource.h"
#include "image/Raster.h"
#include "image/VipsRuntime.h"

using vips::VImage;
using vtlimage::CPictureSource;

namespace {

constexpr int kDefaultDpi = 96;

int BppOf(const VImage& image)
{
    switch (image.bands()) {
    case 1: return 8;
    case 2: return 16;
    case 3: return 24;
    default: return 32;
    }
}

bool IsWritableFormat(int type)
{
    switch (type) {
    case CXIMAGE_FORMAT_BMP:
    case CXIMAGE_FORMAT_GIF:
    case CXIMAGE_FORMAT_JPG:
    case CXIMAGE_FORMAT_PNG:
    case CXIMAGE_FORMAT_ICO:
    case CXIMAGE_FORMAT_TIF:
    case CXIMAGE_FORMAT_PCX: return true;
    default: return false;
    }
}

} // namespace

// The picture is either still the file's content (m_bFromFile: nothing decoded yet, decoded
// on demand from m_source) or a decoded picture in memory (m_pixels) after a transform.
struct CxImage::Impl {
    CPictureSource source;
    bool bFromFile = false;
    bool bValid = false;
    VImage pixels;
    int nType = CXIMAGE_FORMAT_UNKNOWN;
    int nWidth = 0;
    int nHeight = 0;
    int nBpp = 0;
    int nXDpi = kDefaultDpi;
    int nYDpi = kDefaultDpi;
    int nFrame = 0;
    int nJpegQuality = 75;
    int nEncodeOption = 0;
    QImage drawn; // the last Draw's copy, scaled to the size drawn

    void Clear()
    {
        bFromFile = false;
        bValid = false;
        pixels = VImage();
        nType = CXIMAGE_FORMAT_UNKNOWN;
        nWidth = nHeight = nBpp = 0;
        nXDpi = nYDpi = kDefaultDpi;
        drawn = QImage();
        vips_error_clear();
    }

    // A libvips failure while decoding the file means the file is damaged: the picture goes.
    // A failure on a picture already in memory leaves it as it was.
    void Failed()
    {
        if (bFromFile)
            Clear();
        vips_error_clear();
    }

    // The current picture for an operation that reads it once from top to bottom (sequential)
    // or in any order; a JPEG still in its file may be decoded shrunk by `shrink`.
    VImage Current(int shrink, bool sequential) const
    {
        return bFromFile ? source.Pixels(shrink, sequential) : pixels;
    }

    void Replace(VImage image, bool keepsPalette)
    {
        pixels = image.copy_memory();
        bFromFile = false;
        nWidth = pixels.width();
        nHeight = pixels.height();
        if (!(keepsPalette && nBpp <= 8))
            nBpp = BppOf(pixels);
        drawn = QImage();
    }
};

CxImage::CxImage() : m_pImpl(std::make_unique<Impl>()) {}

CxImage::~CxImage() = default;

bool CxImage::Load(const std::string& path, int imagetype)
{
    Impl& d = *m_pImpl;
    d.Clear();
    if (!vtlimage::EnsureVipsStarted() || !d.source.Open(path, d.nFrame, imagetype) || !d.source.LooksComplete())
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

bool CxImage::Save(const std::string& path, int imagetype)
{
    Impl& d = *m_pImpl;
    if (!d.bValid || !IsWritableFormat(imagetype))
        return false;
    vtlimage::EncodeSettings settings;
    settings.nFormat = imagetype;
    settings.nXDpi = d.nXDpi;
    settings.nYDpi = d.nYDpi;
    settings.nJpegQuality = d.nJpegQuality;
    settings.bDither = d.nEncodeOption != 1;
    settings.bPalette = d.nBpp <= 8 && d.nType != CXIMAGE_FORMAT_JPG && d.nType != CXIMAGE_FORMAT_TIF;
    std::vector<std::uint8_t> bytes;
    try {
        if (!vtlimage::EncodePicture(d.Current(1, true), settings, bytes))
            return false;
    } catch (const vips::VError&) {
        d.Failed();
        return false;
    }
    return vtlimage::WriteFileBytes(path, bytes.data(), bytes.size());
}

bool CxImage::Resample(int newx, int newy, int)
{
    Impl& d = *m_pImpl;
    if (!d.bValid || !vtlimage::SizeAllowed(newx, newy))
        return false;
    if (newx == d.nWidth && newy == d.nHeight)
        return true;
    try {
        const bool jpeg = d.bFromFile && d.nType == CXIMAGE_FORMAT_JPG;
        const int shrink = jpeg ? vtlimage::DecoderShrink(d.nWidth, d.nHeight, newx, newy) : 1;
        d.Replace(vtlimage::ScaleTo(d.Current(shrink, true), newx, newy), false);
        return true;
    } catch (const vips::VError&) {
        d.Failed();
        return false;
    }
}

bool CxImage::RotateLeft()
{
    Impl& d = *m_pImpl;
    if (!d.bValid)
        return false;
    try {
        d.Replace(d.Current(1, false).rot(VIPS_ANGLE_D270), true);
        return true;
    } catch (const vips::VError&) {
        d.Failed();
        return false;
    }
}

bool CxImage::RotateRight()
{
    Impl& d = *m_pImpl;
    if (!d.bValid)
        return false;
    try {
        d.Replace(d.Current(1, false).rot(VIPS_ANGLE_D90), true);
        return true;
    } catch (const vips::VError&) {
        d.Failed();
        return false;
    }
}

bool CxImage::Flip()
{
    Impl& d = *m_pImpl;
    if (!d.bValid)
        return false;
    try {
        d.Replace(d.Current(1, false).flip(VIPS_DIRECTION_VERTICAL), true);
        return true;
    } catch (const vips::VError&) {
        d.Failed();
        return false;
    }
}

void CxImage::SetXDPI(int dpi)
{
    if (dpi > 0)
        m_pImpl->nXDpi = dpi;
}

void CxImage::SetYDPI(int dpi)
{
    if (dpi > 0)
        m_pImpl->nYDpi = dpi;
}

int CxImage::GetXDPI() const { return m_pImpl->nXDpi; }

int CxImage::GetYDPI() const { return m_pImpl->nYDpi; }

void CxImage::SetJpegQuality(std::uint8_t quality) { m_pImpl->nJpegQuality = std::min<int>(quality, 100); }

void CxImage::SetFrame(int frame)
{
    Impl& d = *m_pImpl;
    frame = std::max(frame, 0);
    if (frame == d.nFrame)
        return;
    d.nFrame = frame;
    // A picture still in its file switches to the asked frame at once.
    if (d.bValid && d.bFromFile)
        Load(d.source.Path(), d.nType);
}

int CxImage::GetBpp() const { return m_pImpl->bValid ? m_pImpl->nBpp : 0; }

void CxImage::SetEncodeOption(int option) { m_pImpl->nEncodeOption = option; }

int CxImage::GetWidth() const { return m_pImpl->nWidth; }

int CxImage::GetHeight() const { return m_pImpl->nHeight; }

int CxImage::GetType() const { return m_pImpl->nType; }

bool CxImage::Draw(QPainter* painter, int x, int y, int cx, int cy)
{
    Impl& d = *m_pImpl;
    if (!painter || !d.bValid || cx <= 0 || cy <= 0 || !vtlimage::SizeAllowed(cx, cy))
        return false;
    if (d.drawn.width() != cx || d.drawn.height() != cy) {
        try {
            const bool jpeg = d.bFromFile && d.nType == CXIMAGE_FORMAT_JPG;
            const int shrink = jpeg ? vtlimage::DecoderShrink(d.nWidth, d.nHeight, cx, cy) : 1;
            VImage scaled = vtlimage::ScaleTo(d.Current(shrink, true), cx, cy);
            if (scaled.bands() <= 2)
                scaled = scaled.colourspace(VIPS_INTERPRETATION_sRGB);
            const bool alpha = scaled.bands() == 4;
            std::size_t size = 0;
            void* memory = scaled.write_to_memory(&size);
            const QImage view(static_cast<const uchar*>(memory), cx, cy, static_cast<qsizetype>(cx) * (alpha ? 4 : 3),
                              alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
            d.drawn = view.copy();
            g_free(memory);
        } catch (const vips::VError&) {
            d.Failed();
            return false;
        }
    }
    painter->drawImage(QRect(x, y, cx, cy), d.drawn);
    return true;
}

bool CxImage::Destroy()
{
    m_pImpl->Clear();
    return true;
}

bool CxImage::IsValid() const { return m_pImpl->bValid; }

bool CxImage::IsEnabled() const { return m_pImpl->bValid; }
