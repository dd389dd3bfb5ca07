#include "app/model/ImageFormats.h"

#include "image/ximage.h"

int ToImageFormat(int code) {
    switch (code) {
    case SAVE_TYPE_JPEG:
        return CXIMAGE_FORMAT_JPG;
    case SAVE_TYPE_BMP:
        return CXIMAGE_FORMAT_BMP;
    case SAVE_TYPE_GIF:
        return CXIMAGE_FORMAT_GIF;
    case SAVE_TYPE_ICO:
        return CXIMAGE_FORMAT_ICO;
    case SAVE_TYPE_PNG:
        return CXIMAGE_FORMAT_PNG;
    case SAVE_TYPE_TIFF:
        return CXIMAGE_FORMAT_TIF;
    case SAVE_TYPE_PCX:
        return CXIMAGE_FORMAT_PCX;
    case SAVE_TYPE_WEBP:
        return CXIMAGE_FORMAT_WEBP;
    case SAVE_TYPE_AVIF:
        return CXIMAGE_FORMAT_AVIF;
    default:
        return CXIMAGE_FORMAT_UNKNOWN;
    }
}

bool HasQuality(int imageFormat) {
    return imageFormat == CXIMAGE_FORMAT_JPG || imageFormat == CXIMAGE_FORMAT_WEBP ||
           imageFormat == CXIMAGE_FORMAT_AVIF || imageFormat == CXIMAGE_FORMAT_HEIC;
}
