#pragma once
// Real pictures for the batch tests, made at run time: libvips writes JPEG, PNG, GIF and TIFF;
// BMP goes through the image library's own encoder.
#include <string>

namespace batchtest {

// A colour gradient of w × h pixels at `dpi` dots per inch, written to path in the format its
// extension names (.jpg .png .gif .tif .bmp). grey makes a one-band 8-bit picture.
void MakePicture(const std::string& path, int w, int h, int dpi = 72, bool grey = false);

struct Facts {
    int width = 0;
    int height = 0;
    std::string magic; // the first bytes: "\xFF\xD8" JPEG, "\x89PNG", "GIF8", "BM"
};
// What the file holds, read with libvips (BMP by its header bytes).
Facts Inspect(const std::string& path);

} // namespace batchtest
