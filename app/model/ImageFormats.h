#pragma once
// The picture format table and its lookups.
//
// Callers: the settings object, the resize dialog and the resize job (any thread; the table is
// constant). Format codes 1..7 are the application's own (JPEG, BMP, GIF, ICO, PNG, TIFF, PCX);
// output type 0 means "the source's own format" and is not in the table.
#include <string>

// Extension of a format code ("jpg" for 1), "" for a code without a row.
std::string GetTypeExt(int code);
// Description of a format code ("JPEG files" for 1), "" for a code without a row.
std::string GetTypeDesc(int code);
// Image library format number of a format code (3 for JPEG), 0 outside 1..7.
int ToImageFormat(int code);
// Whether a file extension, as the path splitter returns it (with its dot), names a picture:
// 2 to 8 bytes long and, without the dot, beginning case-insensitively with one of the table's
// extensions. ".JPG" and ".jpgx" pass, ".tif" does not.
bool IsPictureExt(const std::string& ext);
