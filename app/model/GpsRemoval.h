#pragma once
// Removing where a picture was taken from the bytes of a picture file that is about to be
// mailed: the GPS directory of its EXIF data and the GPS properties of its XMP packet. Everything
// else stays byte for byte: what is removed is overwritten in place (zeros in EXIF, blanks in
// XMP, which XML reads as white space), so no offset, length or the compressed pixels move, and
// only a PNG chunk's checksum is computed anew. Found in JPEG (APP1), PNG (eXIf, iTXt, tEXt), WebP
// (EXIF, XMP), TIFF and the HEIF family (an "Exif" block, a plain XMP packet).
//
// Plain functions of bytes; any thread.
#include <string>

// Erases the GPS data of the picture file `bytes`; true when there was any.
bool RemoveGps(std::string& bytes);

// Erases the GPS directory of the TIFF structure (EXIF data) in `tiff`, which starts with its
// byte-order mark, and unlinks it from the first directory; true when there was one.
bool RemoveGpsFromTiff(char* tiff, std::size_t size);

// Blanks the GPS properties of the XMP packets in `text`; true when there were any.
bool RemoveGpsFromXmp(char* text, std::size_t size);
