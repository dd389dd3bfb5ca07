#include "tests/support/Bombs.h"

#include <vips/vips8>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>

namespace vtltest {

namespace {

using Bytes = std::string;

// 17320 x 17320 is just under the 300-megapixel limit.
constexpr std::uint32_t kSide = 17320;
constexpr std::uint32_t kPngSide = 17000;

Bytes Le16(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
Bytes Le32(std::uint32_t v) {
    return Le16(v) + Le16(v >> 16);
}
Bytes Be32(std::uint32_t v) {
    const Bytes le = Le32(v);
    return {le.rbegin(), le.rend()};
}

// Deflates what `rows` hands out, one piece per call until it gives an empty one.
Bytes Deflate(const std::function<Bytes()>& rows) {
    z_stream z{};
    if (deflateInit(&z, 9) != Z_OK)
        throw std::runtime_error("zlib");
    Bytes out;
    char buffer[1 << 16];
    for (;;) {
        Bytes in = rows();
        const bool last = in.empty();
        z.next_in = reinterpret_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(in.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
        if (last)
            break;
    }
    deflateEnd(&z);
    return out;
}

Bytes PngChunk(const char* type, const Bytes& data) {
    const Bytes body = type + data;
    return Be32(static_cast<std::uint32_t>(data.size())) + body +
           Be32(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                 static_cast<uInt>(body.size()))));
}

// An RGBA PNG of one colour throughout; interlaced (Adam7) when asked. Every row but the first
// of each pass is filtered "up", so the deflated rows are zeros.
Bytes OneColourPng(std::uint32_t side, bool interlaced) {
    const Bytes pixel("\x28\x5a\xa0\xff", 4);
    struct Pass {
        std::uint32_t x, y, dx, dy;
    };
    const std::vector<Pass> passes =
        interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                   : std::vector<Pass>{{0, 0, 1, 1}};
    std::size_t pass = 0;
    std::uint32_t row = 0;
    const Bytes idat = Deflate([&]() -> Bytes {
        while (pass < passes.size()) {
            const Pass& p = passes[pass];
            const std::uint32_t width = (side - p.x + p.dx - 1) / p.dx;
            const std::uint32_t height = (side - p.y + p.dy - 1) / p.dy;
            if (row == height || width == 0) {
                ++pass;
                row = 0;
                continue;
            }
            Bytes line(1 + std::size_t{width} * 4, '\0');
            if (row++ == 0)
                for (std::uint32_t x = 0; x < width; ++x)
                    line.replace(1 + std::size_t{x} * 4, 4, pixel);
            else
                line[0] = 2;
            return line;
        }
        return {};
    });
    Bytes png("\x89PNG\r\n\x1a\n", 8);
    png += PngChunk("IHDR", Be32(side) + Be32(side) + Bytes("\x08\x06\x00\x00", 4) +
                                Bytes(1, interlaced ? '\x01' : '\x00'));
    for (std::size_t at = 0; at < idat.size(); at += 1 << 16)
        png += PngChunk("IDAT", idat.substr(at, 1 << 16));
    return png + PngChunk("IEND", "");
}

// 240 rows of a 200-pixel red bar at the bottom left, each ended by its end-of-line code, in
// 1 KB; with `ended` the end-of-picture code follows and leaves the rest black, as the format
// allows; without it the data stops short.
Bytes Rle8Bmp(bool ended) {
    Bytes data;
    for (int row = 0; row < 240; ++row)
        data += Bytes("\xc8\x01\x00\x00", 4);
    if (ended)
        data += Bytes("\x00\x01", 2);
    const std::uint32_t bitsAt = 14 + 40 + 8;
    return "BM" + Le32(bitsAt + static_cast<std::uint32_t>(data.size())) + Le32(0) + Le32(bitsAt) +
           Le32(40) + Le32(kSide) + Le32(kSide) + Le16(1) + Le16(8) + Le32(1) +
           Le32(static_cast<std::uint32_t>(data.size())) + Le32(3780) + Le32(3780) + Le32(2) +
           Le32(0) + Bytes("\0\0\0\0\0\0\xff\0", 8) + data;
}

// A 24-bit PCX header and a kilobyte of runs: not even one line of the picture.
Bytes HugePcx() {
    Bytes header(128, '\0');
    header.replace(0, 4, "\x0a\x05\x01\x08");
    header.replace(8, 4, Le16(kSide - 1) + Le16(kSide - 1));
    header.replace(12, 4, Le16(72) + Le16(72));
    header[65] = 3;
    header.replace(66, 4, Le16(kSide) + Le16(1));
    Bytes runs;
    for (int i = 0; i < 448; ++i)
        runs += "\xff\x80";
    return header + runs;
}

// A GIF whose screen and only image claim the whole size, with a few codes of picture data.
Bytes HugeGif() {
    return "GIF89a" + Le16(kSide) + Le16(kSide) + Bytes("\x80\x00\x00", 3) +
           Bytes("\x00\x00\x00\xff\xff\xff", 6) + "," + Le32(0) + Le16(kSide) + Le16(kSide) +
           Bytes("\x00\x02\x02\x4c\x01\x00;", 7);
}

// A small progressive JPEG whose frame header is changed to claim the whole size.
Bytes ProgressiveJpegHeader() {
    if (VIPS_INIT("vantrel-bombs") != 0)
        throw std::runtime_error("libvips did not start");
    const vips::VImage small =
        (vips::VImage::xyz(64, 64)[0] * 4)
            .bandjoin({64.0, 128.0})
            .cast(VIPS_FORMAT_UCHAR)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    VipsBlob* blob = small.jpegsave_buffer(vips::VImage::option()->set("interlace", true));
    std::size_t size = 0;
    const auto* data = static_cast<const char*>(vips_blob_get(blob, &size));
    Bytes jpeg(data, size);
    vips_area_unref(VIPS_AREA(blob));
    const std::size_t sof = jpeg.find("\xff\xc2");
    if (sof == Bytes::npos)
        throw std::runtime_error("no progressive frame header");
    const Bytes side{static_cast<char>(kSide >> 8), static_cast<char>(kSide & 0xff)};
    return jpeg.replace(sof + 5, 4, side + side);
}

// A TIFF of one colour whose one strip, deflated, holds the whole picture.
Bytes OneStripTiff() {
    const std::size_t rowBytes = std::size_t{kSide} * 3;
    std::uint32_t row = 0;
    const Bytes strip =
        Deflate([&]() -> Bytes { return row++ < kSide ? Bytes(rowBytes, '\x80') : Bytes(); });
    const std::uint32_t bitsAt = 8;           // the three 8s of BitsPerSample
    const std::uint32_t stripAt = bitsAt + 6; // then the strip
    const std::uint32_t ifdAt = stripAt + static_cast<std::uint32_t>(strip.size());
    auto entry = [](std::uint32_t tag, std::uint32_t type, std::uint32_t count,
                    std::uint32_t value) {
        return Le16(tag) + Le16(type) + Le32(count) +
               (type == 3 && count == 1 ? Le16(value) + Le16(0) : Le32(value));
    };
    Bytes ifd = Le16(10) + entry(256, 4, 1, kSide) + entry(257, 4, 1, kSide) +
                entry(258, 3, 3, bitsAt) + entry(259, 3, 1, 8) + entry(262, 3, 1, 2) +
                entry(273, 4, 1, stripAt) + entry(277, 3, 1, 3) + entry(278, 4, 1, kSide) +
                entry(279, 4, 1, static_cast<std::uint32_t>(strip.size())) + entry(284, 3, 1, 1) +
                Le32(0);
    return "II*" + Bytes(1, '\0') + Le32(ifdAt) + Le16(8) + Le16(8) + Le16(8) + strip + ifd;
}

} // namespace

const std::vector<Bomb>& Bombs() {
    static const std::vector<Bomb> bombs = {
        {"rle8.bmp", "RLE8 BMP of 1 KB, 17320 x 17320, ended early as the format allows", true},
        {"rle8-cut.bmp", "RLE8 BMP of 1 KB, 17320 x 17320, its data cut short", false},
        {"one-colour.png", "RGBA PNG of 1 MB, 17000 x 17000, one colour", true},
        {"interlaced.png", "interlaced RGBA PNG of 1 MB, 17000 x 17000, one colour", false},
        {"progressive.jpg", "progressive JPEG of 1 KB whose header claims 17320 x 17320", false},
        {"huge.pcx", "24-bit PCX of 1 KB claiming 17320 x 17320", false},
        {"huge.gif", "GIF of 50 bytes claiming 17320 x 17320", false},
        {"one-strip.tif", "RGB TIFF of 1 MB, 17320 x 17320 in one deflated strip", true},
    };
    return bombs;
}

bool WriteBomb(const std::string& name, const std::string& path) {
    static const std::map<std::string, std::function<Bytes()>> makers = {
        {"rle8.bmp", [] { return Rle8Bmp(true); }},
        {"rle8-cut.bmp", [] { return Rle8Bmp(false); }},
        {"one-colour.png", [] { return OneColourPng(kPngSide, false); }},
        {"interlaced.png", [] { return OneColourPng(kPngSide, true); }},
        {"progressive.jpg", ProgressiveJpegHeader},
        {"huge.pcx", HugePcx},
        {"huge.gif", HugeGif},
        {"one-strip.tif", OneStripTiff}};
    const auto maker = makers.find(name);
    if (maker == makers.end())
        return false;
    const Bytes bytes = maker->second();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

} // namespace vtltest
