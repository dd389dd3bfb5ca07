#include "image/PngDecoder.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/base/ByteOrder.h"
#include "image/base/FileBytes.h"
#include "image/base/LargeBuffer.h"
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
    std::string_view compressed;
};

// The IDAT chunks' data is gathered at the front of `bytes`, over the chunks already read, so
// that the compressed pixels are not copied into a buffer of their own.
std::optional<PngLayout> ReadChunks(std::string& bytes) {
    const std::string_view file = bytes;
    std::size_t gathered = 0;
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
            std::memmove(bytes.data() + gathered, data.data(), data.size());
            gathered += data.size();
        } else if (type == "IEND") {
            ended = true;
        }
    }
    if (gathered == 0)
        return std::nullopt;
    layout.compressed = file.substr(0, gathered);
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

#if defined(__SSE2__)
// Sub, Average and Paeth make each pixel from the one to its left, so a row is a chain of
// pixels; the samples of one pixel are still independent. Colour pictures (3 or 4 bytes a
// pixel) are unfiltered a pixel at a time, its samples side by side in 16-bit lanes: Paeth,
// which most large PNGs use on most rows, in a third of the time of the byte loop.
// A pixel moves as 4 bytes, which is quicker than 3 even when the fourth belongs to the next
// pixel (read and not used, or written and then overwritten); only a row's last pixel of 3 bytes
// moves alone.
template <std::size_t Bytes> __m128i LoadPixel(const std::uint8_t* at) {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, at, Bytes);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), _mm_setzero_si128());
}

template <std::size_t Bytes> void StorePixel(std::uint8_t* at, __m128i pixel) {
    const auto bytes =
        static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(pixel, pixel)));
    std::memcpy(at, &bytes, Bytes);
}

inline __m128i Abs16(__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

// mask ? yes : no, lane by lane.
inline __m128i Choose(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// The pixel at `i` from a, its left neighbour, and c, the one above that; sets a to it and c to
// the pixel above it. Bytes: those moved at once (4, or 3 for the last pixel of a 3-byte row).
template <int Filter, std::size_t Bytes>
inline void UnfilterPixel(const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* out,
                          std::size_t i, __m128i& a, __m128i& c) {
    const __m128i b = LoadPixel<Bytes>(above + i);
    __m128i predicted;
    if constexpr (Filter == 1) {
        predicted = a;
    } else if constexpr (Filter == 3) {
        predicted = _mm_srli_epi16(_mm_add_epi16(a, b), 1);
    } else {
        const __m128i towardA = _mm_sub_epi16(b, c); // p - a
        const __m128i towardB = _mm_sub_epi16(a, c); // p - b
        const __m128i pa = Abs16(towardA);
        const __m128i pb = Abs16(towardB);
        const __m128i pc = Abs16(_mm_add_epi16(towardA, towardB));
        const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
        predicted = Choose(notA, Choose(_mm_cmpgt_epi16(pb, pc), c, b), a);
    }
    a = _mm_and_si128(_mm_add_epi16(LoadPixel<Bytes>(in + i), predicted), _mm_set1_epi16(0xff));
    StorePixel<Bytes>(out + i, a);
    c = b;
}

template <int Filter, std::size_t Bpp>
void UnfilterPixels(const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* out,
                    std::size_t bytes) {
    // a: the pixel to the left, c: the one above it (zeros at the left edge).
    __m128i a = _mm_setzero_si128();
    __m128i c = _mm_setzero_si128();
    const std::size_t whole = Bpp == 4 ? bytes : bytes - Bpp;
    std::size_t i = 0;
    for (; i < whole; i += Bpp)
        UnfilterPixel<Filter, 4>(in, above, out, i, a, c);
    if constexpr (Bpp == 3)
        UnfilterPixel<Filter, 3>(in, above, out, i, a, c);
}

template <std::size_t Bpp>
bool UnfilterPixels(int filter, const std::uint8_t* in, const std::uint8_t* above,
                    std::uint8_t* out, std::size_t bytes) {
    switch (filter) {
    case 1:
        UnfilterPixels<1, Bpp>(in, above, out, bytes);
        return true;
    case 3:
        UnfilterPixels<3, Bpp>(in, above, out, bytes);
        return true;
    default:
        UnfilterPixels<4, Bpp>(in, above, out, bytes);
        return true;
    }
}
#endif

bool UnfilterRow(std::size_t bpp, int filter, const std::uint8_t* in, const std::uint8_t* above,
                 std::uint8_t* out, std::size_t bytes) {
#if defined(__SSE2__)
    if ((bpp == 3 || bpp == 4) && (filter == 1 || filter == 3 || filter == 4))
        return bpp == 3 ? UnfilterPixels<3>(filter, in, above, out, bytes)
                        : UnfilterPixels<4>(filter, in, above, out, bytes);
#endif
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
    CPngRows(LargeBuffer inflated, CMemoryBudget::CGrant grant, std::size_t rowBytes,
             std::size_t bpp)
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
    const LargeBuffer m_inflated;
    CMemoryBudget::CGrant m_grant;
    const std::size_t m_nRowBytes;
    const std::size_t m_nBpp;
    std::vector<std::uint8_t> m_above; // the last row of the strip before
    int m_nNextRow = 0;
};

// Rows a strip: a strip is unfiltered while the workers scale the one before.
constexpr int kStripRows = 16;

// A picture with transparency is read twice when it is scaled (once to find whether any pixel
// is see-through, ScaleTo), so it is held whole in memory, which would copy a picture of strips.
// Its rows are unfiltered at once instead, in place: row y moves y + 1 bytes down as its filter
// byte and those of the rows above drop out, and each byte is read before the write that lands
// on it. The picture in memory holds the buffer and its grant.
std::optional<vips::VImage> WholeInMemory(LargeBuffer inflated, CMemoryBudget::CGrant grant,
                                          std::size_t rowBytes, std::size_t bpp,
                                          const vips::VImage& header) {
    std::uint8_t* const base = inflated.get();
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    const std::uint8_t* above = zeros.data();
    const auto height = static_cast<std::size_t>(header.height());
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* in = base + y * (rowBytes + 1);
        std::uint8_t* out = base + y * rowBytes;
        if (!UnfilterRow(bpp, in[0], in + 1, above, out, rowBytes))
            return std::nullopt;
        above = out;
    }
    VipsImage* image =
        vips_image_new_from_memory(base, rowBytes * height, header.width(), header.height(),
                                   header.bands(), VIPS_FORMAT_UCHAR);
    if (!image)
        return std::nullopt;
    struct Held {
        LargeBuffer pixels;
        CMemoryBudget::CGrant grant;
    };
    g_object_set_data_full(G_OBJECT(image), "vantrel-png-pixels",
                           new Held{std::move(inflated), std::move(grant)},
                           [](gpointer held) { delete static_cast<Held*>(held); });
    image->Xres = header.xres();
    image->Yres = header.yres();
    image->Type = header.interpretation();
    // The header's metadata, its mark of a picture read from the top down among them: with it
    // the scaler keeps the lines it looks back at instead of making them again (without it a
    // preview took three times the work).
    vips_image_map(
        header.get_image(),
        [](VipsImage*, const char* name, GValue* value, void* to) -> void* {
            if (vips_image_get_typeof(static_cast<VipsImage*>(to), name) == 0)
                vips_image_set(static_cast<VipsImage*>(to), name, value);
            return nullptr;
        },
        image);
    return vips::VImage(image);
}

} // namespace

std::optional<vips::VImage> DecodePng(const std::string& path, const vips::VImage& header) {
    const auto size = FileSize(path);
    auto fileGrant =
        size ? CMemoryBudget::Library().TryTake(static_cast<std::size_t>(*size)) : std::nullopt;
    auto file = fileGrant ? ReadFileBytes(path, static_cast<std::size_t>(*size)) : std::nullopt;
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
    LargeBuffer inflated = AllocateLarge(filtered);
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
    const auto bands = static_cast<std::size_t>(layout->bands);
    if (bands == 2 || bands == 4)
        return WholeInMemory(std::move(inflated), std::move(*grant), rowBytes, bands, header);
    return StripImage(std::make_unique<CPngRows>(std::move(inflated), std::move(*grant), rowBytes,
                                                 static_cast<std::size_t>(layout->bands)),
                      header, kStripRows);
}

} // namespace vtlimage
