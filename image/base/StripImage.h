#pragma once
// A libvips picture whose pixels a decoder of the library makes strip by strip as the pipeline
// asks for them, so that no more of the picture is held than the strips being worked on.
//
// Callers: the JPEG decoder and the picture source (BMP, PCX), on the caller's thread. The
// strips are asked for by libvips' workers, on their threads, one at a time, each once, from
// top to bottom: the picture is read once (as everything the library makes of a file is). The
// source lives as long as the picture and is dropped with it.
#include <cstddef>
#include <cstdint>
#include <memory>

#include <vips/vips8>

namespace vtlimage {

class CStripSource {
  public:
    virtual ~CStripSource() = default;
    // Rows top to top + rows - 1 into out, each row `stride` bytes after the one before, with
    // the picture's bands interleaved; false when the data turns out damaged there.
    virtual bool Strip(int top, int rows, std::uint8_t* out, std::size_t stride) = 0;
};

// The strips of `source`, stripRows rows at a time, as an 8-bit picture of `like`'s size,
// bands and metadata.
vips::VImage StripImage(std::unique_ptr<CStripSource> source, const vips::VImage& like,
                        int stripRows);

// An empty 8-bit sRGB (or grey for 1 and 2 bands) picture of that size, to give StripImage its
// shape.
vips::VImage PictureShape(int width, int height, int bands);

} // namespace vtlimage
