#include "app/model/formats/FormatTable.h"

#include <array>
#include <cctype>
#include <iterator>

namespace {

struct FormatRow {
    PictureExtension picture;
    std::int32_t nCode; // the save type this row names, 0 for an extension that is only read
    const char* szDesc;
};

// Lookups by code take the first row of a code, so "jpg" is JPEG's extension in output names.
constexpr FormatRow kFormats[] = {
    {{"jpg", "image/jpeg"}, SAVE_TYPE_JPEG, "JPEG files"},
    {{"jpeg", "image/jpeg"}, SAVE_TYPE_JPEG, "JPEG files"},
    {{"bmp", "image/bmp"}, SAVE_TYPE_BMP, "Bitmap files"},
    {{"gif", "image/gif"}, SAVE_TYPE_GIF, "GIF files"},
    {{"ico", "image/vnd.microsoft.icon"}, SAVE_TYPE_ICO, "ICON files"},
    {{"png", "image/png"}, SAVE_TYPE_PNG, "PNG files"},
    {{"tiff", "image/tiff"}, SAVE_TYPE_TIFF, "TIFF files"},
    {{"pcx", "image/vnd.zbrush.pcx"}, SAVE_TYPE_PCX, "PCX files"},
    {{"webp", "image/webp"}, SAVE_TYPE_WEBP, "WebP files"},
    {{"avif", "image/avif"}, SAVE_TYPE_AVIF, "AVIF files"},
    {{"jpe", "image/jpeg"}, 0, ""},
    {{"tif", "image/tiff"}, 0, ""},
    {{"heic", "image/heif"}, 0, ""},
    {{"heif", "image/heif"}, 0, ""},
    {{"jxl", "image/jxl"}, 0, ""},
};

constexpr auto kPictureExtensions = [] {
    std::array<PictureExtension, std::size(kFormats)> extensions{};
    for (std::size_t i = 0; i < extensions.size(); ++i)
        extensions[i] = kFormats[i].picture;
    return extensions;
}();

const FormatRow* FindRow(int code) {
    if (code == 0)
        return nullptr;
    for (const FormatRow& row : kFormats)
        if (row.nCode == code)
            return &row;
    return nullptr;
}

bool EqualsNoCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i])
            return false;
    return true;
}

} // namespace

std::span<const PictureExtension> PictureExtensions() {
    return kPictureExtensions;
}

std::string GetTypeExt(int code) {
    const FormatRow* row = FindRow(code);
    return row ? row->picture.szExt : "";
}

std::string GetTypeDesc(int code) {
    const FormatRow* row = FindRow(code);
    return row ? row->szDesc : "";
}

bool IsPictureExt(std::string_view ext) {
    if (!ext.empty() && ext.front() == '.')
        ext.remove_prefix(1);
    for (const FormatRow& row : kFormats)
        if (EqualsNoCase(ext, row.picture.szExt))
            return true;
    return false;
}

std::string PictureMimeTypes() {
    std::string types;
    for (const FormatRow& row : kFormats) {
        const std::string type = std::string(row.picture.szMimeType) + ';';
        if (types.find(type) == std::string::npos)
            types += type;
    }
    return types;
}
