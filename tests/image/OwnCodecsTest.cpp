// BMP, PCX and ICO variants that other programs write, built byte by byte and read through
// the library's public calls; then random damage to all of them, read by the codecs directly.
#include "image/BmpCodec.h"
#include "image/IcoCodec.h"
#include "image/PcxCodec.h"
#include "image/PngDecoder.h"
#include "image/ximage.h"
#include "tests/support/Pictures.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace vtltest;
using vips::VImage;

namespace {

using Bytes = std::string;
using Rgb = std::vector<double>;

Bytes Bytes8(std::initializer_list<int> values) {
    Bytes b;
    for (const int v : values)
        b += static_cast<char>(v);
    return b;
}

// BITMAPINFOHEADER-family header of headerSize bytes (40, 108) or the OS/2 one (12).
Bytes DibHeader(std::uint32_t headerSize, std::uint32_t width, std::uint32_t height,
                std::uint32_t bpp, std::uint32_t compression, std::uint32_t colours,
                const std::vector<std::uint32_t>& masks = {}) {
    if (headerSize == 12)
        return Le32(12) + Le16(width) + Le16(height) + Le16(1) + Le16(bpp);
    Bytes header = Le32(headerSize) + Le32(width) + Le32(height) + Le16(1) + Le16(bpp) +
                   Le32(compression) + Le32(0) + Le32(3780) + Le32(3780) + Le32(colours) +
                   Le32(0); // 96 dpi
    for (const std::uint32_t m : masks)
        header += Le32(m);
    header.resize(std::max<std::size_t>(header.size(), headerSize), '\0');
    return header;
}

Bytes Bmp(const Bytes& dib, const Bytes& bits) {
    const auto size = static_cast<std::uint32_t>(14 + dib.size());
    return "BM" + Le32(size + static_cast<std::uint32_t>(bits.size())) + Le32(0) + Le32(size) +
           dib + bits;
}

// Red, green, blue, white as BGR0 quads (BGR triplets for OS/2).
Bytes Palette(bool triplets = false) {
    return triplets ? Bytes8({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255})
                    : Bytes8({0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0});
}

// Every picture here shows, top row: red green blue white; bottom row: white blue green red.
// A transparent pixel's colour does not count.
void ExpectPattern(const std::string& path, int type) {
    ASSERT_EQ(Inspect(path), (PictureFacts{4, 2, type}));
    const VImage pixels = Decode(path);
    const Rgb top[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            if (pixels.bands() < 4 || pixels.getpoint(x, y)[3] > 0) {
                EXPECT_EQ(At(pixels, x, y), top[y == 0 ? x : 3 - x]) << x << "," << y;
            }
}

Bytes PcxHeader(int bitsPerPlane, int planes, int bytesPerLine, const Bytes& palette16 = {}) {
    Bytes h = Bytes8({0x0A, 5, 1, bitsPerPlane, 0, 0, 0, 0, 3, 0, 1, 0, 72, 0, 72, 0}) + palette16;
    h.resize(128, '\0');
    h[65] = static_cast<char>(planes);
    h[66] = static_cast<char>(bytesPerLine);
    return h;
}

using Variants = std::vector<std::pair<std::string, Bytes>>;

// Bitmaps as other programs write them. Rows are stored bottom-up unless the height is
// negative; rows pad to 4 bytes.
Variants BitmapVariants() {
    return {
        {"4-bit", Bmp(DibHeader(40, 4, 2, 4, 0, 4) + Palette(),
                      Bytes8({0x32, 0x10, 0, 0, 0x01, 0x23, 0, 0}))},
        {"8-bit os2", Bmp(DibHeader(12, 4, 2, 8, 0, 0) + Palette(true) + Bytes(3 * 252, '\0'),
                          Bytes8({3, 2, 1, 0, 0, 1, 2, 3}))},
        {"8-bit top-down",
         Bmp(DibHeader(40, 4, -2, 8, 0, 4) + Palette(), Bytes8({0, 1, 2, 3, 3, 2, 1, 0}))},
        {"rle8",
         Bmp(DibHeader(40, 4, 2, 8, 1, 4) + Palette(),
             Bytes8({1, 3, 1, 2, 1, 1, 1, 0, 0, 0, /* row 2 absolute: */ 0, 4, 0, 1, 2, 3, 0, 1}))},
        {"rle4",
         Bmp(DibHeader(40, 4, 2, 4, 2, 4) + Palette(),
             Bytes8({2, 0x32, 2, 0x10, 0, 0, /* row 2 absolute: */ 0, 4, 0x01, 0x23, 0, 1}))},
        {"16-bit 565", Bmp(DibHeader(40, 4, 2, 16, 3, 0, {0xF800, 0x07E0, 0x001F}),
                           Bytes8({0xFF, 0xFF, 0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0x00, 0xF8, 0xE0,
                                   0x07, 0x1F, 0x00, 0xFF, 0xFF}))},
        {"32-bit v4 alpha",
         Bmp(DibHeader(108, 4, -2, 32, 3, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
             Bytes8({0,   0,   255, 255, 0,   255, 0, 255, 255, 0,   0, 255, 255, 255, 255, 255,
                     255, 255, 255, 255, 255, 0,   0, 255, 0,   255, 0, 255, 0,   0,   255, 255}))},
    };
}

Variants PcxVariants() {
    // 16-colour header palette: red, green, blue, white.
    const Bytes ega = Bytes8({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    return {
        // Three planes per line (R, G, B), run-length encoded where it pays.
        {"24-bit", PcxHeader(8, 3, 4) +
                       Bytes8({0xC1, 255,  0xC2, 0,    0xC1, 255,  0,    0xC1, 255,  0,    0xC1,
                               255,  0xC2, 0,    0xC2, 255,  0xC1, 255,  0xC2, 0,    0xC1, 255,
                               0xC1, 255,  0,    0xC1, 255,  0,    0xC2, 255,  0xC2, 0})},
        // Four bit planes of one bit each index the header's palette; a byte of 0xC0 or more
        // is written as a run of one.
        {"4 planes", PcxHeader(1, 4, 2, ega) + Bytes8({0x50, 0, 0x30, 0, 0, 0, 0, 0, 0xA0, 0, 0xC1,
                                                       0xC0, 0, 0, 0, 0, 0})},
        // 8-bit with the 256-colour palette at the end.
        {"8-bit",
         PcxHeader(8, 1, 4) + Bytes8({0, 1, 2, 3, 3, 2, 1, 0, 0x0C}) + ega + Bytes(768 - 12, '\0')},
    };
}

// Two frames. Frame 0: an 8-bit DIB (its height counts colour bits and mask), the last pixel
// of the top row transparent by its mask bit. Frame 1: a PNG of 6 × 4.
Bytes TwoFrameIcon(const std::string& dir) {
    const Bytes dib = DibHeader(40, 4, 4, 8, 0, 4) + Palette() + Bytes8({3, 2, 1, 0, 0, 1, 2, 3}) +
                      Bytes8({0, 0, 0, 0, 0x10, 0, 0, 0});
    const Bytes png = ReadFile(WritePicture(Quadrants(6, 4), dir + "/frame.png"));
    const auto entry = [](int w, int h, std::size_t size, std::size_t offset) {
        return Bytes8({w, h, 0, 0, 1, 0, 32, 0}) + Le32(size) + Le32(offset);
    };
    const std::size_t first = 6 + 2 * 16; // behind the header and two entries
    return Bytes8({0, 0, 1, 0, 2, 0}) + entry(4, 2, dib.size(), first) +
           entry(6, 4, png.size(), first + dib.size()) + dib + png;
}

} // namespace

TEST(OwnCodecs, VariantsOfOtherWritersShowTheirPictures) {
    const std::string dir = MakeTempDir("variants");
    for (const auto& [variants, ext, type] :
         {std::tuple{BitmapVariants(), ".bmp", CXIMAGE_FORMAT_BMP},
          std::tuple{PcxVariants(), ".pcx", CXIMAGE_FORMAT_PCX}}) {
        for (const auto& [name, bytes] : variants) {
            SCOPED_TRACE(name + ext);
            WriteFile(dir + "/" + name + ext, bytes);
            ExpectPattern(dir + "/" + name + ext, type);
        }
    }
}

// Our PNG decoder gives libvips' pixels for every filter, number of bands and size, and leaves to
// libvips what it does not read: interlaced, palette, 16-bit and damaged files.
TEST(OwnCodecs, PngDecoderGivesTheFilesPixels) {
    const std::string dir = MakeTempDir("png");
    const VImage grain = VImage::gaussnoise(333, 157, VImage::option()->set("seed", 2));
    const VImage rgb = (Gradient(333, 157) + grain).cast(VIPS_FORMAT_UCHAR);
    const VImage grey = rgb.colourspace(VIPS_INTERPRETATION_B_W);
    const VImage alpha = (grain * 3 + 128).cast(VIPS_FORMAT_UCHAR);
    // Name, picture, save options, whether our decoder reads it.
    const std::tuple<const char*, VImage, const char*, bool> cases[] = {
        {"rgb-none", rgb, "[filter=none]", true},
        {"rgb-sub", rgb, "[filter=sub]", true},
        {"rgb-up", rgb, "[filter=up]", true},
        {"rgb-avg", rgb, "[filter=avg]", true},
        {"rgb-paeth", rgb, "[filter=paeth]", true},
        {"rgba-sub", rgb.bandjoin(alpha), "[filter=sub]", true},
        {"rgba-avg", rgb.bandjoin(alpha), "[filter=avg]", true},
        {"rgba-paeth", rgb.bandjoin(alpha), "[filter=paeth]", true},
        {"rgba-all", rgb.bandjoin(alpha), "[filter=all]", true},
        // Over 4 MB inflated, in a buffer of huge pages, as strips and whole.
        {"rgba-large", rgb.bandjoin(alpha).replicate(5, 7), "[filter=all]", true},
        {"grey-all", grey, "[filter=all]", true},
        {"grey-alpha-all", grey.bandjoin(alpha), "[filter=all]", true},
        {"interlaced", rgb, "[interlace]", false},
        {"palette", rgb, "[palette]", false},
        {"16-bit",
         rgb.cast(VIPS_FORMAT_USHORT)
                 .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16)) *
             256,
         "", false},
        {"damaged", rgb, "", false},
    };
    for (const auto& [name, picture, options, ours] : cases) {
        SCOPED_TRACE(name);
        const std::string plain = dir + "/" + name + ".png";
        WritePicture(picture, plain + options);
        if (std::string(name) == "damaged") {
            Bytes bytes = ReadFile(plain);
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
            WriteFile(plain, bytes);
        }
        const VImage header =
            VImage::pngload(plain.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        const std::optional<VImage> decoded = vtlimage::DecodePng(plain, header);
        ASSERT_EQ(decoded.has_value(), ours);
        if (ours) {
            EXPECT_EQ(decoded->bands(), picture.bands());
            EXPECT_EQ(MaxError(decoded->copy_memory(), VImage::pngload(plain.c_str())), 0.0);
        }
    }
}

TEST(OwnCodecs, IconFramesWithMaskOrPng) {
    const std::string dir = MakeTempDir("ico");
    const std::string path = dir + "/two.ico";
    WriteFile(path, TwoFrameIcon(dir));
    ExpectPattern(path, CXIMAGE_FORMAT_ICO);
    const VImage pixels = Decode(path);
    ASSERT_EQ(pixels.bands(), 4);
    // The masked pixel is transparent, its neighbour opaque.
    EXPECT_EQ(std::pair(pixels.getpoint(3, 0)[3], pixels.getpoint(2, 0)[3]), std::pair(0.0, 255.0));

    CxImage picture;
    picture.SetFrame(1);
    ASSERT_TRUE(picture.Load(path));
    EXPECT_EQ(std::make_pair(picture.GetWidth(), picture.GetHeight()), std::make_pair(6, 4));
    picture.SetFrame(2);
    EXPECT_FALSE(picture.Load(path)) << "no third frame";
}

// Random damage to every valid file above and to the library's own outputs: the readers
// refuse it or give a whole picture, never read or write outside their buffers (run under
// AddressSanitizer by `make test-asan`). A fixed seed makes every run the same.
TEST(OwnCodecs, RandomlyDamagedFilesAreReadSafely) {
    const std::string dir = MakeTempDir("fuzz");
    std::vector<Bytes> seeds;
    for (const Variants& variants : {BitmapVariants(), PcxVariants()})
        for (const auto& variant : variants)
            seeds.push_back(variant.second);
    seeds.push_back(TwoFrameIcon(dir));
    for (const char* name : {"g.bmp", "g.pcx", "g.ico", "q.bmp", "q.pcx"})
        seeds.push_back(ReadFile(
            WritePicture(name[0] == 'g' ? Gradient(17, 9) : Quadrants(9, 5), dir + "/" + name)));
    std::mt19937 random(20240611);
    auto below = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    int decoded = 0;
    for (int round = 0; round < 200000; ++round) {
        Bytes bytes = seeds[below(seeds.size())];
        for (std::size_t edits = 1 + below(8); edits > 0 && !bytes.empty(); --edits) {
            const std::size_t at = below(bytes.size());
            const std::size_t kind = below(4);
            if (kind < 2) // any byte, or one of the values that bounds checks meet
                bytes[at] =
                    kind == 0 ? static_cast<char>(below(256)) : "\0\x01\x7f\x80\xff"[below(5)];
            else if (kind == 2) // cut short
                bytes.resize(at);
            else // a piece repeated
                bytes.insert(at, bytes.substr(below(bytes.size()), below(16)));
        }
        vtlimage::Raster raster;
        vtlimage::RasterInfo info;
        vtlimage::IconFrame frame;
        // Damage that claims a picture of millions of pixels is the bomb rows' business.
        auto small = [&info] { return std::int64_t{info.nWidth} * info.nHeight <= 1 << 20; };
        bool ok = false;
        if (vtlimage::ReadBmpInfo(bytes, info) && small())
            ok = vtlimage::DecodeBmp(bytes, raster);
        else if (vtlimage::ReadPcxInfo(bytes, info) && small())
            ok = vtlimage::DecodePcx(bytes, raster);
        else if (vtlimage::IsIco(bytes) && vtlimage::ReadIcoInfo(bytes, 0, info) && small() &&
                 vtlimage::FindIconFrame(bytes, 0, frame) && !frame.png)
            ok = vtlimage::DecodeIcoDibFrame(frame, raster);
        // A picture read is whole: every row of every band is there.
        ASSERT_TRUE(!ok ||
                    (raster.pixels.size() == raster.RowBytes() * std::size_t(raster.nHeight) &&
                     (raster.nBands == 3 || raster.nBands == 4)))
            << "round " << round;
        decoded += ok;
    }
    EXPECT_GT(decoded, 10000) << "the damage leaves enough files readable to reach the decoders";
}
