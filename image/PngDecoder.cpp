#include "image/PngDecoder.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "image/base/ByteOrder.h"
#include "image/base/FileBytes.h"
#include "image/base/MemoryBudget.h"
#include "image/base/PixelLimit.h"
#include "image/base/Raster.h"
#include "image/base/StripImage.h"

namespace vtlimage {

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

// What the chunks before the pixels say, and the compressed pixels gathered from the IDAT
// chunks; nothing for a file this decoder leaves to libvips.
struct PngLayout {
    int width = 0;
    int height = 0;
    int bands = 0;
    std::string compressed;
};

std::optional<PngLayout> ReadChunks(std::string_view file) {
    if (file.substr(0, kSignature.size()) != kSignature)
        return std::nullopt;
    PngLayout layout;
    bool header = false;
    bool ended = false;
    std::size_t at = kSignature.size();
    while (!ended) {
        if (file.size() - at < 12)
            return std::nullopt;
        const std::uint32_t length = ReadBE32(file, at);
        if (length > file.size() - at - 12)
            return std::nullopt;
        const std::string_view type = file.substr(at + 4, 4);
        const std::string_view data = file.substr(at + 8, length);
        // Every chunk's checksum, as libpng checks those that matter to the pixels.
        if (libdeflate_crc32(0, file.data() + at + 4, length + 4) !=
            ReadBE32(file, at + 8 + length))
            return std::nullopt;
        at += 12 + length;
        if (type == "IHDR") {
            if (header || length != 13)
                return std::nullopt;
            header = true;
            const std::uint32_t width = ReadBE32(data, 0);
            const std::uint32_t height = ReadBE32(data, 4);
            const int depth = static_cast<std::uint8_t>(data[8]);
            const int colour = static_cast<std::uint8_t>(data[9]);
            const int interlace = static_cast<std::uint8_t>(data[12]);
            static constexpr int kBandsOfColour[] = {1, 0, 3, 0, 2, 0, 4};
            if (depth != 8 || colour > 6 || kBandsOfColour[colour] == 0 || data[10] != 0 ||
                data[11] != 0 || interlace != 0 || !SizeAllowed(width, height))
                return std::nullopt;
            layout.width = static_cast<int>(width);
            layout.height = static_cast<int>(height);
            layout.bands = kBandsOfColour[colour];
        } else if (!header || type == "tRNS" || type == "PLTE") {
            // A transparent colour becomes an alpha band in libvips' hands.
            return std::nullopt;
        } else if (type == "IDAT") {
            layout.compressed.append(data);
        } else if (type == "IEND") {
            ended = true;
        }
    }
    if (layout.compressed.empty())
        return std::nullopt;
    return layout;
}

int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes one row's filter into out; above is the row before, unfiltered (zeros for the first).
// The bytes of a pixel (Bpp) are known when compiled, so its samples are unfiltered side by side.
template <std::size_t Bpp>
bool Unfilter(int filter, const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* out,
              std::size_t bytes) {
    switch (filter) {
    case 0:
        std::copy_n(in, bytes, out);
        return true;
    case 1:
        std::copy_n(in, Bpp, out);
        for (std::size_t i = Bpp; i < bytes; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + out[i - Bpp]);
        return true;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + above[i]);
        return true;
    case 3:
        for (std::size_t i = 0; i < Bpp; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + (above[i] >> 1));
        for (std::size_t i = Bpp; i < bytes; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + ((out[i - Bpp] + above[i]) >> 1));
        return true;
    case 4:
        for (std::size_t i = 0; i < Bpp; ++i)
            out[i] = static_cast<std::uint8_t>(in[i] + above[i]);
        for (std::size_t i = Bpp; i < bytes; ++i)
            out[i] =
                static_cast<std::uint8_t>(in[i] + Paeth(out[i - Bpp], above[i], above[i - Bpp]));
        return true;
    default:
        return false;
    }
}

bool UnfilterRow(std::size_t bpp, int filter, const std::uint8_t* in, const std::uint8_t* above,
                 std::uint8_t* out, std::size_t bytes) {
    switch (bpp) {
    case 1:
        return Unfilter<1>(filter, in, above, out, bytes);
    case 2:
        return Unfilter<2>(filter, in, above, out, bytes);
    case 3:
        return Unfilter<3>(filter, in, above, out, bytes);
    default:
        return Unfilter<4>(filter, in, above, out, bytes);
    }
}

// The rows of one picture, unfiltered strip by strip from the inflated data as libvips' workers
// ask for them, each row from the one above it.
class CPngRows final : public CStripSource {
  public:
    CPngRows(std::unique_ptr<std::uint8_t[]> inflated, CMemoryBudget::CGrant grant,
             std::size_t rowBytes, std::size_t bpp)
        : m_inflated(std::move(inflated)), m_grant(std::move(grant)), m_nRowBytes(rowBytes),
          m_nBpp(bpp), m_above(rowBytes, 0) {}

    bool Strip(int top, int rows, std::uint8_t* out, std::size_t stride) override {
        if (top != m_nNextRow)
            return false;
        const std::uint8_t* above = m_above.data();
        for (int y = top; y < top + rows; ++y, out += stride) {
            const std::uint8_t* in =
                m_inflated.get() + static_cast<std::size_t>(y) * (m_nRowBytes + 1);
            if (!UnfilterRow(m_nBpp, in[0], in + 1, above, out, m_nRowBytes))
                return false;
            above = out;
        }
        std::copy_n(above, m_nRowBytes, m_above.data());
        m_nNextRow = top + rows;
        return true;
    }

  private:
    const std::unique_ptr<std::uint8_t[]> m_inflated;
    CMemoryBudget::CGrant m_grant;
    const std::size_t m_nRowBytes;
    const std::size_t m_nBpp;
    std::vector<std::uint8_t> m_above; // the last row of the strip before
    int m_nNextRow = 0;
};

// Rows a strip: a strip is unfiltered while the workers scale the one before.
constexpr int kStripRows = 16;

} // namespace

std::optional<vips::VImage> DecodePng(const std::string& path, const vips::VImage& header) {
    const auto size = FileSize(path);
    auto fileGrant =
        size ? CMemoryBudget::Library().TryTake(static_cast<std::size_t>(*size)) : std::nullopt;
    const auto file =
        fileGrant ? ReadFileBytes(path, static_cast<std::size_t>(*size)) : std::nullopt;
    if (!file)
        return std::nullopt;
    auto layout = ReadChunks(*file);
    if (!layout || layout->width != header.width() || layout->height != header.height() ||
        layout->bands != header.bands() || header.format() != VIPS_FORMAT_UCHAR)
        return std::nullopt;
    const std::size_t rowBytes = static_cast<std::size_t>(layout->width) * layout->bands;
    const std::size_t filtered = (rowBytes + 1) * static_cast<std::size_t>(layout->height);
    auto grant = CMemoryBudget::Library().TryTake(filtered);
    if (!grant)
        return std::nullopt;
    std::unique_ptr<std::uint8_t[]> inflated(new (std::nothrow) std::uint8_t[filtered]);
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    std::size_t got = 0;
    if (!inflated || !inflater ||
        libdeflate_zlib_decompress(inflater.get(), layout->compressed.data(),
                                   layout->compressed.size(), inflated.get(), filtered,
                                   &got) != LIBDEFLATE_SUCCESS ||
        got != filtered)
        return std::nullopt;
    // Every row's filter is known before the first strip is made: a damaged one fails here.
    for (std::size_t at = 0; at < filtered; at += rowBytes + 1)
        if (inflated[at] > 4)
            return std::nullopt;
    return StripImage(std::make_unique<CPngRows>(std::move(inflated), std::move(*grant), rowBytes,
                                                 static_cast<std::size_t>(layout->bands)),
                      header, kStripRows);
}

} // namespace vtlimage
