#include "image/JpegReader.h"

#include <jerror.h>

namespace vtlimage {

namespace {

// A corrupt file can warn for every block; libvips gives up at this many, and so do we.
constexpr long kMostWarnings = 100;

} // namespace

CJpegReader::CJpegReader() {
    m_info.err = jpeg_std_error(&m_error.manager);
    m_error.manager.error_exit = JumpBack;
    m_error.manager.emit_message = OnMessage;
    jpeg_create_decompress(&m_info);
}

CJpegReader::CJpegReader(const std::uint8_t* data, std::size_t size) : CJpegReader() {
    jpeg_mem_src(&m_info, data, static_cast<unsigned long>(size));
}

CJpegReader::CJpegReader(std::FILE* file) : CJpegReader() { jpeg_stdio_src(&m_info, file); }

CJpegReader::~CJpegReader() { jpeg_destroy_decompress(&m_info); }

bool CJpegReader::ReadHeader() {
    return Guarded([](jpeg_decompress_struct& info) { jpeg_read_header(&info, TRUE); }) &&
           m_info.jpeg_color_space != JCS_CMYK && m_info.jpeg_color_space != JCS_YCCK;
}

void CJpegReader::JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->back, 1);
}

void CJpegReader::OnMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    const long warnings = ++info->err->num_warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF || warnings >= kMostWarnings)
        JumpBack(info);
}

} // namespace vtlimage
