#include "image/fastjpeg/ProgressiveJpeg.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "image/base/MemoryBudget.h"
#include "image/fastjpeg/DcScanReader.h"
#include "image/fastjpeg/FastJpeg.h"
#include "image/fastjpeg/JpegReader.h"

namespace vtlimage {

namespace {

bool EveryDcArrived(const jpeg_decompress_struct& info) {
    for (int c = 0; c < info.num_components; ++c)
        if (info.coef_bits[c][0] < 0)
            return false;
    return true;
}

bool ReadDcThroughLibjpeg(CJpegReader& reader, Raster& out) {
    const jpeg_decompress_struct& info = reader.Info();
    if (!reader.ReadHeader() || !info.progressive_mode)
        return false;
    // Buffered-image mode holds the coefficients of the whole picture.
    const auto grant = CMemoryBudget::Library().Take(reader.CoefficientBytes());
    if (!grant)
        return false;
    bool arrived = false;
    const bool started = reader.Guarded([&](jpeg_decompress_struct& jpeg) {
        jpeg.out_color_space = JCS_RGB;
        jpeg.scale_num = 1;
        jpeg.scale_denom = 8;
        jpeg.buffered_image = TRUE;
        jpeg.do_block_smoothing = FALSE;
        jpeg_start_decompress(&jpeg);
        while (!EveryDcArrived(jpeg))
            if (jpeg_consume_input(&jpeg) == JPEG_REACHED_EOI)
                return;
        arrived = true;
        jpeg_start_output(&jpeg, jpeg.input_scan_number);
    });
    if (!started || !arrived)
        return false;
    out.nWidth = static_cast<int>(info.output_width);
    out.nHeight = static_cast<int>(info.output_height);
    out.nBands = 3;
    out.pixels.resize(out.RowBytes() * info.output_height);
    return reader.Guarded([&](jpeg_decompress_struct& jpeg) {
        while (jpeg.output_scanline < jpeg.output_height) {
            JSAMPROW row = out.pixels.data() + out.RowBytes() * jpeg.output_scanline;
            jpeg_read_scanlines(&jpeg, &row, 1);
        }
        jpeg_finish_output(&jpeg);
    });
}

// Our own reader of the DC scans for the pictures it reads; libjpeg's header tells which
// colours the file holds, as libjpeg's decode of it would take them.
bool ReadDcOwn(std::FILE* file, Raster& out) {
    bool progressive = false;
    J_COLOR_SPACE colours = JCS_UNKNOWN;
    {
        CJpegReader header(file);
        if (header.ReadHeader()) {
            progressive = header.Info().progressive_mode;
            colours = header.Info().jpeg_color_space;
        }
    }
    return progressive && (colours == JCS_YCbCr || colours == JCS_GRAYSCALE) &&
           std::fseek(file, 0, SEEK_SET) == 0 && ReadDcScans(file, colours == JCS_GRAYSCALE, out);
}

bool Decode(const std::string& path, Raster& raster, bool own) {
    if (!FastJpegRoad())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    auto out = std::make_unique<Raster>();
    bool decoded = own && ReadDcOwn(file, *out);
    if (!decoded && std::fseek(file, 0, SEEK_SET) == 0) {
        // The later scans are never read: destroying the decoder abandons them.
        CJpegReader reader(file);
        decoded = ReadDcThroughLibjpeg(reader, *out);
    }
    std::fclose(file);
    if (decoded)
        raster = std::move(*out);
    return decoded;
}

} // namespace

bool DecodeProgressiveDc(const std::string& path, Raster& raster) {
    return Decode(path, raster, true);
}

bool DecodeProgressiveDcThroughLibjpeg(const std::string& path, Raster& raster) {
    return Decode(path, raster, false);
}

} // namespace vtlimage
