#include "image/IImage.h"

#include "image/PictureSource.h"
#include "image/VipsRuntime.h"

namespace {

constexpr int kDefaultDpi = 96;

} // namespace

IImage::IImage(int) {}

IImage::~IImage() = default;

CxImage* IImage::GetXImage() {
    return &m_image;
}

bool IImage::LoadImageInfo(const std::string& path) {
    m_nInfoWidth = m_nInfoHeight = m_nInfoXDpi = m_nInfoYDpi = 0;
    m_nInfoType = CXIMAGE_FORMAT_UNKNOWN;
    vtlimage::CPictureSource source;
    if (!vtlimage::EnsureVipsStarted() || !source.Open(path, 0, CXIMAGE_FORMAT_UNKNOWN))
        return false;
    const vtlimage::PictureHeader& h = source.Header();
    m_nInfoWidth = h.nWidth;
    m_nInfoHeight = h.nHeight;
    m_nInfoXDpi = h.nXDpi > 0 ? h.nXDpi : kDefaultDpi;
    m_nInfoYDpi = h.nYDpi > 0 ? h.nYDpi : kDefaultDpi;
    m_nInfoType = h.nType;
    return true;
}

int IImage::width() const {
    return m_image.GetWidth();
}

int IImage::height() const {
    return m_image.GetHeight();
}

int IImage::GetWidth() const {
    return m_nInfoWidth;
}

int IImage::GetHeight() const {
    return m_nInfoHeight;
}

int IImage::GetXDPI() const {
    return m_nInfoXDpi;
}

int IImage::GetYDPI() const {
    return m_nInfoYDpi;
}

int IImage::GetImageType() const {
    return m_nInfoType;
}
