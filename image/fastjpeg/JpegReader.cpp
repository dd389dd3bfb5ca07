#include "image/fastjpeg/JpegReader.h"

#include <jerror.h>

#include "image/base/MemoryBudget.h"

namespace vtlimage {

namespace {

// A corrupt file can warn for every block; libvips gives up at this many, and so do we.
constexpr long kMostWarnings = 100;
// What libjpeg takes beside the coefficients: a few rows of samples.
constexpr long kRowMemory = 64l << 20;

} // namespace

CJpegReader::CJpegReader() {
    m_info.err = jpeg_std_error(&m_error.manager);
    m_error.manager.error_exit = JumpBack;
    m_error.manager.emit_message = OnMessage;
    jpeg_create_decompress(&m_info);
    // Beyond this libjpeg would need a file to spill to, which it does not have: it fails.
    m_info.mem->max_memory_to_use =
        static_cast<long>(CMemoryBudget::Library().Largest()) + kRowMemory;
}

CJpegReader::CJpegReader(const std::uint8_t* data, std::size_t size) : CJpegReader() {
    jpeg_mem_src(&m_info, data, static_cast<unsigned long>(size));
}

CJpegReader::CJpegReader(std::FILE* file) : CJpegReader() {
    jpeg_stdio_src(&m_info, file);
}

CJpegReader::~CJpegReader() {
    jpeg_destroy_decompress(&m_info);
}

bool CJpegReader::ReadHeader() {
    return Guarded([](jpeg_decompress_struct& info) { jpeg_read_header(&info, TRUE); }) &&
           m_info.jpeg_color_space != JCS_CMYK && m_info.jpeg_color_space != JCS_YCCK;
}

std::size_t CJpegReader::CoefficientBytes() const {
    std::size_t bytes = 0;
    for (int c = 0; c < m_info.num_components; ++c) {
        const jpeg_component_info& comp = m_info.comp_info[c];
        // libjpeg rounds each component's blocks up to whole MCUs.
        const auto round = [](std::size_t n, int to) {
            return (n + static_cast<std::size_t>(to) - 1) / static_cast<std::size_t>(to) *
                   static_cast<std::size_t>(to);
        };
        bytes += round(comp.width_in_blocks, comp.h_samp_factor) *
                 round(comp.height_in_blocks, comp.v_samp_factor) * sizeof(JBLOCK);
    }
    return bytes;
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
