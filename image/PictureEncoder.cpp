#include "image/PictureEncoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "image/BmpCodec.h"
#include "image/IcoCodec.h"
#include "image/PcxCodec.h"
#include "image/PictureSource.h"
#include "image/Scaling.h"
#include "image/base/FileBytes.h"
#include "image/base/MemoryBudget.h"
#include "image/base/Raster.h"
#include "image/ximage.h"

namespace vtlimage {

namespace {

using vips::VImage;
using RowSink = std::function<bool(const std::uint8_t*)>;

VImage WithResolution(const VImage& picture, const EncodeSettings& s) {
    return picture.copy(VImage::option()->set("xres", s.nXDpi / 25.4)->set("yres", s.nYDpi / 25.4));
}

VImage FlattenOnWhite(const VImage& picture) {
    if (!picture.has_alpha())
        return picture;
    return picture
        .flatten(
            VImage::option()->set("background", std::vector<double>(picture.bands() - 1, 255.0)))
        .cast(VIPS_FORMAT_UCHAR);
}

VImage ToRgb(const VImage& picture) {
    VImage rgb = picture.bands() <= 2 ? picture.colourspace(VIPS_INTERPRETATION_sRGB) : picture;
    return rgb.cast(VIPS_FORMAT_UCHAR);
}

Raster ToRaster(const VImage& picture) {
    Raster raster;
    raster.nWidth = picture.width();
    raster.nHeight = picture.height();
    raster.nBands = picture.bands();
    std::size_t size = 0;
    void* memory = picture.write_to_memory(&size);
    const auto* bytes = static_cast<const std::uint8_t*>(memory);
    raster.pixels.assign(bytes, bytes + size);
    g_free(memory);
    return raster;
}

// Hands the rows of a picture to `row`, top to bottom, as libvips makes them, until `row`
// refuses one. False when it was refused; libvips' failures throw.
bool EachRow(const VImage& picture, const RowSink& row) {
    struct Walk {
        const RowSink* row;
        bool refused = false;
    } walk{&row};
    const auto write = [](VipsRegion* region, VipsRect* area, void* a) -> int {
        auto* w = static_cast<Walk*>(a);
        for (int y = area->top; y < area->top + area->height; ++y)
            if (!(*w->row)(VIPS_REGION_ADDR(region, 0, y))) {
                w->refused = true;
                return -1;
            }
        return 0;
    };
    const bool done = vips_sink_disc(picture.get_image(), write, &walk) == 0;
    if (walk.refused) {
        vips_error_clear();
        return false;
    }
    if (!done)
        throw vips::VError();
    return true;
}

std::uint32_t Key(const std::uint8_t* rgb) {
    return static_cast<std::uint32_t>(rgb[0]) << 16 | static_cast<std::uint32_t>(rgb[1]) << 8 |
           rgb[2];
}

// The colours of an RGB picture in the order they first appear, as RGB triplets, with the index
// of each, when there are at most 256 (found out at the 257th).
std::optional<std::vector<std::uint8_t>>
Palette(const VImage& rgb, std::unordered_map<std::uint32_t, std::uint8_t>& index) {
    std::vector<std::uint8_t> palette;
    const auto width = static_cast<std::size_t>(rgb.width());
    std::uint32_t last = 0xFFFFFFFF;
    const bool few = EachRow(rgb, [&](const std::uint8_t* row) {
        for (std::size_t x = 0; x < width; ++x, row += 3) {
            const std::uint32_t key = Key(row);
            if (key == last)
                continue;
            last = key;
            if (index.count(key))
                continue;
            if (index.size() == 256)
                return false;
            index.emplace(key, static_cast<std::uint8_t>(index.size()));
            palette.insert(palette.end(), row, row + 3);
        }
        return true;
    });
    if (!few)
        return std::nullopt;
    return palette;
}

// BMP or PCX into `fd`, an empty file: the colours first, then the rows, as indices into them
// or as RGB.
bool WriteOwnFormat(const std::function<VImage()>& picture, const EncodeSettings& s, int fd) {
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    const std::optional<std::vector<std::uint8_t>> palette =
        Palette(ToRgb(FlattenOnWhite(picture())), index);
    const VImage rgb = ToRgb(FlattenOnWhite(picture()));
    const auto width = static_cast<std::size_t>(rgb.width());
    std::vector<std::uint8_t> indices(palette ? width : 0);
    // The rows as the writer takes them.
    const auto line = [&](const std::uint8_t* row) {
        if (!palette)
            return row;
        for (std::size_t x = 0; x < width; ++x, row += 3)
            indices[x] = index[Key(row)];
        return static_cast<const std::uint8_t*>(indices.data());
    };
    const std::vector<std::uint8_t>* colours = palette ? &*palette : nullptr;

    if (s.nFormat == CXIMAGE_FORMAT_BMP) {
        CBmpWriter writer(fd, rgb.width(), rgb.height(), colours, s.nXDpi, s.nYDpi);
        return writer.Begin() &&
               EachRow(rgb, [&](const std::uint8_t* row) { return writer.Row(line(row)); });
    }
    CPcxWriter writer(fd, rgb.width(), rgb.height(), colours, s.nXDpi, s.nYDpi);
    return writer.Begin() &&
           EachRow(rgb, [&](const std::uint8_t* row) { return writer.Row(line(row)); }) &&
           writer.Finish();
}

VImage FitIcon(const VImage& picture) {
    const int width = picture.width();
    const int height = picture.height();
    if (width <= kMaxIconSide && height <= kMaxIconSide)
        return picture;
    const double scale = std::min(static_cast<double>(kMaxIconSide) / width,
                                  static_cast<double>(kMaxIconSide) / height);
    return ScaleTo(picture,
                   std::clamp(static_cast<int>(std::lround(width * scale)), 1, kMaxIconSide),
                   std::clamp(static_cast<int>(std::lround(height * scale)), 1, kMaxIconSide));
}

// Where an encoder's bytes go: the file at `path`, or `bytes`.
struct Destination {
    const std::string* path = nullptr;
    std::vector<std::uint8_t>* bytes = nullptr;
};

// Runs libvips' saver (say "jpegsave") into the destination; its "_buffer" twin for memory.
void VipsSave(const VImage& image, const char* saver, vips::VOption* options,
              const Destination& to) {
    options->set("in", image);
    if (to.path) {
        VImage::call(saver, options->set("filename", to.path->c_str()));
        return;
    }
    VipsBlob* blob = nullptr;
    VImage::call((std::string(saver) + "_buffer").c_str(), options->set("buffer", &blob));
    const std::unique_ptr<VipsBlob, void (*)(VipsBlob*)> owned(
        blob, [](VipsBlob* b) { vips_area_unref(VIPS_AREA(b)); });
    std::size_t size = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &size));
    to.bytes->assign(data, data + size);
}

// BMP and PCX are written through a file descriptor; into memory by way of an anonymous
// temporary file, which goes when it is closed.
bool WriteOwnFormat(const std::function<VImage()>& picture, const EncodeSettings& s,
                    const Destination& to) {
    if (to.path) {
        const int fd = open(to.path->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            return false;
        bool written = false;
        try {
            written = WriteOwnFormat(picture, s, fd);
        } catch (...) {
            close(fd);
            throw;
        }
        return close(fd) == 0 && written;
    }
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), &std::fclose);
    struct stat facts {};
    if (!file || !WriteOwnFormat(picture, s, fileno(file.get())) ||
        fstat(fileno(file.get()), &facts) != 0)
        return false;
    to.bytes->resize(static_cast<std::size_t>(facts.st_size));
    std::size_t done = 0;
    while (done < to.bytes->size()) {
        const ssize_t n = pread(fileno(file.get()), to.bytes->data() + done,
                                to.bytes->size() - done, static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool Encode(const std::function<VImage()>& picture, const EncodeSettings& s,
            const Destination& to) {
    switch (s.nFormat) {
    case CXIMAGE_FORMAT_JPG: {
        // Each picture is made before its saver's options, which only the saver frees.
        const VImage jpeg = WithResolution(FlattenOnWhite(picture()), s);
        VipsSave(jpeg, "jpegsave", VImage::option()->set("Q", std::clamp(s.nJpegQuality, 1, 100)),
                 to);
        return true;
    }
    case CXIMAGE_FORMAT_PNG: {
        // Deflate is most of a PNG's encoding time. Each row as its difference from the row
        // above, deflated at level 4, takes about two thirds of the time of libvips' default
        // (unfiltered rows at level 6) and, on photographs and wallpapers, comes out no larger,
        // often a tenth smaller. A palette picture keeps unfiltered rows, as is best for
        // indices.
        const VImage png = WithResolution(picture(), s);
        auto options = VImage::option();
        if (s.bPalette)
            options->set("compression", 6)->set("palette", true)->set("Q", 100)->set("dither", 0.0);
        else
            options->set("compression", 4)->set("filter", VIPS_FOREIGN_PNG_FILTER_UP);
        VipsSave(png, "pngsave", options, to);
        return true;
    }
    case CXIMAGE_FORMAT_GIF: {
        // The colours are chosen from the whole frame, which libvips holds with its indices.
        const VImage rgb = ToRgb(picture());
        const auto grant =
            CMemoryBudget::Library().Take(std::size_t{5} * static_cast<std::size_t>(rgb.width()) *
                                          static_cast<std::size_t>(rgb.height()));
        if (!grant)
            throw vips::VError("picture too large to hold in memory");
        VipsSave(rgb, "gifsave",
                 VImage::option()
                     ->set("dither", s.bDither ? 1.0 : 0.0)
                     ->set("effort", 7)
                     ->set("bitdepth", 8),
                 to);
        return true;
    }
    case CXIMAGE_FORMAT_TIF: {
        const VImage tiff = WithResolution(picture(), s);
        VipsSave(tiff, "tiffsave",
                 VImage::option()
                     ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                     ->set("predictor", VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL)
                     ->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH),
                 to);
        return true;
    }
    case CXIMAGE_FORMAT_WEBP: {
        const VImage webp = WithResolution(ToRgb(picture()), s);
        VipsSave(webp, "webpsave", VImage::option()->set("Q", std::clamp(s.nJpegQuality, 1, 100)),
                 to);
        return true;
    }
    case CXIMAGE_FORMAT_HEIC:
    case CXIMAGE_FORMAT_AVIF: {
        // AV1's encoder is slow at its default effort; 2 of 9 costs little in size.
        const bool av1 = s.nFormat == CXIMAGE_FORMAT_AVIF;
        const VImage heif = WithResolution(ToRgb(picture()), s);
        VipsSave(heif, "heifsave",
                 VImage::option()
                     ->set("Q", std::clamp(s.nJpegQuality, 1, 100))
                     ->set("compression", av1 ? VIPS_FOREIGN_HEIF_COMPRESSION_AV1
                                              : VIPS_FOREIGN_HEIF_COMPRESSION_HEVC)
                     ->set("effort", av1 ? 2 : 4),
                 to);
        return true;
    }
    case CXIMAGE_FORMAT_JXL: {
        const VImage jxl = WithResolution(ToRgb(picture()), s);
        VipsSave(jxl, "jxlsave", VImage::option(), to);
        return true;
    }
    case CXIMAGE_FORMAT_BMP:
    case CXIMAGE_FORMAT_PCX:
        return WriteOwnFormat(picture, s, to);
    case CXIMAGE_FORMAT_ICO: {
        VImage rgba = ToRgb(FitIcon(picture()));
        if (!rgba.has_alpha())
            rgba = rgba.bandjoin_const({255});
        std::vector<std::uint8_t> bytes = EncodeIco(ToRaster(rgba));
        if (to.bytes) {
            *to.bytes = std::move(bytes);
            return true;
        }
        return WriteFileBytes(*to.path, bytes.data(), bytes.size());
    }
    default:
        return false;
    }
}

} // namespace

bool CanEncode(int format) {
    switch (format) {
    case CXIMAGE_FORMAT_BMP:
    case CXIMAGE_FORMAT_GIF:
    case CXIMAGE_FORMAT_JPG:
    case CXIMAGE_FORMAT_PNG:
    case CXIMAGE_FORMAT_ICO:
    case CXIMAGE_FORMAT_TIF:
    case CXIMAGE_FORMAT_PCX:
    case CXIMAGE_FORMAT_WEBP:
    case CXIMAGE_FORMAT_HEIC:
    case CXIMAGE_FORMAT_AVIF:
    case CXIMAGE_FORMAT_JXL:
        return true;
    default:
        return false;
    }
}

bool EncodePicture(const std::function<VImage()>& picture, const EncodeSettings& settings,
                   const std::string& path) {
    return Encode(picture, settings, Destination{&path, nullptr});
}

bool EncodePicture(const std::function<VImage()>& picture, const EncodeSettings& settings,
                   std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    return Encode(picture, settings, Destination{nullptr, &bytes});
}

} // namespace vtlimage
