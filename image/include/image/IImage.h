#pragma once
// IImage: owns one CxImage and reads a picture file's header information.
//
// Callers: the resize job and the reading pass (worker thread), the preview's loader (its
// worker thread).
// Like CxImage, one object belongs to one thread at a time; objects are independent.
#include <string>

#include "image/ximage.h"

class IImage {
  public:
    // The argument is kept for the callers' shape and must be 0: an empty wrapper.
    explicit IImage(int reserved);
    virtual ~IImage();
    IImage(const IImage&) = delete;
    IImage& operator=(const IImage&) = delete;

    // The owned picture.
    CxImage* GetXImage();

    // Reads width, height, resolution and format of the file at path without decoding its
    // pixels; the EXIF orientation is applied to width and height. On failure all five
    // values read 0 and false is returned. The owned picture is left alone.
    bool LoadImageInfo(const std::string& path);

    // Pixel size of the owned picture; 0 when it is empty.
    int width() const;
    int height() const;

    // What the last LoadImageInfo found.
    int GetWidth() const;
    int GetHeight() const;
    int GetXDPI() const;
    int GetYDPI() const;
    int GetImageType() const;

  private:
    CxImage m_image;
    int m_nInfoWidth = 0;
    int m_nInfoHeight = 0;
    int m_nInfoXDpi = 0;
    int m_nInfoYDpi = 0;
    int m_nInfoType = CXIMAGE_FORMAT_UNKNOWN;
};
