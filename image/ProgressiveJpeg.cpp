#include "image/ProgressiveJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <utility>

#include <jpeglib.h>

namespace vtlimage {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back
// to the one place that set the jump, where the decoder is released.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->back, 1);
}

// Warnings about damaged data name codec details a user cannot act on.
void DropMessage(j_common_ptr, int) {}

bool EveryDcArrived(const jpeg_decompress_struct& info) {
    for (int c = 0; c < info.num_components; ++c)
        if (info.coef_bits[c][0] < 0)
            return false;
    return true;
}

// Runs between setjmp and any jump back, so it holds no object that a jump would have to
// destroy: out lives on the heap, owned by the caller.
bool ReadDcScans(jpeg_decompress_struct& info, Raster& out) {
    jpeg_read_header(&info, TRUE);
    if (!info.progressive_mode || info.jpeg_color_space == JCS_CMYK ||
        info.jpeg_color_space == JCS_YCCK)
        return false;
    info.out_color_space = JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = 8;
    info.buffered_image = TRUE;
    info.do_block_smoothing = FALSE;
    jpeg_start_decompress(&info);
    while (!EveryDcArrived(info))
        if (jpeg_consume_input(&info) == JPEG_REACHED_EOI)
            return false;
    jpeg_start_output(&info, info.input_scan_number);
    out.nWidth = static_cast<int>(info.output_width);
    out.nHeight = static_cast<int>(info.output_height);
    out.nBands = 3;
    out.pixels.resize(out.RowBytes() * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.pixels.data() + out.RowBytes() * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_output(&info);
    return true;
}

} // namespace

bool DecodeProgressiveDc(const std::string& path, Raster& raster) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpBack;
    error.manager.emit_message = DropMessage;
    jpeg_create_decompress(&info);
    const auto out = std::make_unique<Raster>();
    bool decoded = false;
    if (setjmp(error.back) == 0) {
        jpeg_stdio_src(&info, file);
        decoded = ReadDcScans(info, *out);
    }
    // The later scans are never read: destroying the decoder abandons them.
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    if (decoded)
        raster = std::move(*out);
    return decoded;
}

} // namespace vtlimage
