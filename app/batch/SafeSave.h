#pragma once
// Saving an output without ever leaving a damaged file behind: the picture is written to a
// temporary file in the output's own folder and committed over the output path only once the
// write has succeeded (plat::CFileReplacement). A failed or interrupted save leaves an existing
// file (a source that is being overwritten, or an earlier output) byte for byte as it was. The
// new file keeps the permission bits of the file it replaces.
//
// Called by the resize job on its worker threads; each call works on its own picture.
#include <string>

class CxImage;

bool SaveReplacing(CxImage& picture, const std::string& path, int format);
