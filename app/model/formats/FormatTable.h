#pragma once
// The picture formats of the product in one table: which file extensions are pictures (for the
// file list, the reading pass and every file manager's menu), the save types of the resize
// dialog, and the named values of the rotation and unit choices.
//
// Free of Qt and of the image library, so that the file-manager extension links it as the
// application and vtlmenu do. The table is constant: callers on any thread.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The save types (ResizeSetting::nImageType, the save-type list's index). Stored values keep
// their meaning: new types only ever come after the last one.
enum SaveType : std::int32_t {
    SAVE_TYPE_SOURCE = 0, // the source's own format
    SAVE_TYPE_JPEG = 1,
    SAVE_TYPE_BMP = 2,
    SAVE_TYPE_GIF = 3,
    SAVE_TYPE_ICO = 4,
    SAVE_TYPE_PNG = 5,
    SAVE_TYPE_TIFF = 6,
    SAVE_TYPE_PCX = 7,
    SAVE_TYPE_WEBP = 8,
    SAVE_TYPE_AVIF = 9,
};

// The rotation choices (ResizeSetting::nRotate).
enum RotateChoice : std::int32_t { ROTATE_LEFT = 0, ROTATE_FLIP = 1, ROTATE_RIGHT = 2 };

// Entries of the two unit lists (ResizeSetting::nWidthUnit, nHeightUnit).
enum SizeUnit : std::int32_t { UNIT_PIXEL = 0, UNIT_PERCENT = 1 };

// One file extension that names a picture.
struct PictureExtension {
    const char* szExt;      // lower case, without the dot
    const char* szMimeType; // as shared-mime-info names the type
};

// Every picture extension, the save types' own first.
std::span<const PictureExtension> PictureExtensions();

// Extension of a save type ("jpg" for SAVE_TYPE_JPEG), "" for a code without a row.
std::string GetTypeExt(int code);
// Description of a save type ("JPEG files" for SAVE_TYPE_JPEG), "" for a code without a row.
std::string GetTypeDesc(int code);

// The picture test: whether a file extension, with or without its leading dot (".JPG" as the
// path splitter gives it), is one of the picture extensions in any letter case. Nothing else of
// the file counts, so "photo.jpgx" is no picture.
bool IsPictureExt(std::string_view ext);

// The MIME types of the picture extensions, each once, in the form of a desktop entry's
// MimeType key: "image/jpeg;image/bmp;...;".
std::string PictureMimeTypes();
