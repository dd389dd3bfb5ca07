#pragma once
// One libjpeg decompressor over a JPEG held in memory, with libjpeg's fatal errors turned into
// false results.
//
// Callers: the JPEG decoders of the library (JpegDecoder, ProgressiveJpeg), each reader on one
// thread at a time. libjpeg reports a fatal error by a jump back to the Guarded call that
// made the libjpeg call; the steps given to Guarded must therefore hold nothing that needs
// destroying. A cut-off file (libjpeg's "premature end") and a file that warns a hundred times
// are errors too, as libvips' own loader has them; other warnings are dropped: they name codec
// details a user cannot act on. A decode that would take more memory than the budget's largest
// claim fails too (libjpeg's own limit is set to it), whatever the header claimed.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

namespace vtlimage {

class CJpegReader {
  public:
    // data, or file, must outlive the reader; a file is read only as far as it is decoded.
    CJpegReader(const std::uint8_t* data, std::size_t size);
    explicit CJpegReader(std::FILE* file);
    ~CJpegReader();
    CJpegReader(const CJpegReader&) = delete;
    CJpegReader& operator=(const CJpegReader&) = delete;

    // Runs steps(info) and returns true, or false when libjpeg failed in them; after a failure
    // only the destructor may be used.
    template <typename Steps> bool Guarded(Steps steps) {
        if (m_bFailed || setjmp(m_error.back) != 0)
            return m_bFailed = true, false;
        steps(m_info);
        return true;
    }

    // The header; false for a file that is not a JPEG or is damaged before its first scan, and
    // for CMYK and YCCK pictures, whose inverted inks only libvips' loader reads right.
    bool ReadHeader();
    jpeg_decompress_struct& Info() { return m_info; }
    // The coefficients of the whole picture, as a progressive decode (or one in buffered-image
    // mode) holds them; after ReadHeader.
    std::size_t CoefficientBytes() const;

  private:
    CJpegReader();

    struct ErrorJump {
        jpeg_error_mgr manager;
        std::jmp_buf back;
    };
    [[noreturn]] static void JumpBack(j_common_ptr info);
    static void OnMessage(j_common_ptr info, int level);

    jpeg_decompress_struct m_info{};
    ErrorJump m_error{};
    bool m_bFailed = false;
};

} // namespace vtlimage
