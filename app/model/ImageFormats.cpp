#include "app/model/ImageFormats.h"

#include <cctype>
#include <cstddef>
#include <string_view>

#include "image/ximage.h"

namespace {

struct FormatRow {
    int nCode;
    const char* szExt;
    const char* szDesc;
};

// In this order; lookups take the first row of a code, so "jpg" is JPEG's extension.
constexpr FormatRow kFormats[] = {
    {1, "jpg", "JPEG files"},  {1, "jpeg", "JPEG files"}, {2, "bmp", "Bitmap files"},
    {3, "gif", "GIF files"},   {4, "ico", "ICON files"},  {5, "png", "PNG files"},
    {6, "tiff", "TIFF files"}, {7, "pcx", "PCX files"},
};

const FormatRow* FindRow(int code) {
    for (const FormatRow& row : kFormats)
        if (row.nCode == code)
            return &row;
    return nullptr;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

std::string GetTypeExt(int code) {
    const FormatRow* row = FindRow(code);
    return row ? row->szExt : "";
}

std::string GetTypeDesc(int code) {
    const FormatRow* row = FindRow(code);
    return row ? row->szDesc : "";
}

int ToImageFormat(int code) {
    switch (code) {
    case 1:
        return CXIMAGE_FORMAT_JPG;
    case 2:
        return CXIMAGE_FORMAT_BMP;
    case 3:
        return CXIMAGE_FORMAT_GIF;
    case 4:
        return CXIMAGE_FORMAT_ICO;
    case 5:
        return CXIMAGE_FORMAT_PNG;
    case 6:
        return CXIMAGE_FORMAT_TIF;
    case 7:
        return CXIMAGE_FORMAT_PCX;
    default:
        return CXIMAGE_FORMAT_UNKNOWN;
    }
}

bool IsPictureExt(const std::string& ext) {
    if (ext.size() < 2 || ext.size() > 8)
        return false;
    std::string_view name(ext);
    if (name.front() == '.')
        name.remove_prefix(1);
    for (const FormatRow& row : kFormats)
        if (StartsWithNoCase(name, row.szExt))
            return true;
    return false;
}
