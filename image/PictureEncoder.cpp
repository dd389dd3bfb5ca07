#include "image/PictureEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "image/BmpCodec.h"
#include "image/IcoCodec.h"
#include "image/PcxCodec.h"
#include "image/PictureSource.h"
#include "image/Raster.h"
#include "image/ximage.h"

namespace vtlimage {

namespace {

using vips::VImage;

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

// An RGB raster as palette indices when it has at most 256 colours.
bool ToIndexed(const Raster& rgb, Raster& indexed) {
    std::unordered_map<std::uint32_t, std::uint8_t> colours;
    indexed = Raster{rgb.nWidth, rgb.nHeight, 1, {}, {}};
    indexed.pixels.resize(static_cast<std::size_t>(rgb.nWidth) *
                          static_cast<std::size_t>(rgb.nHeight));
    std::uint32_t last = 0xFFFFFFFF;
    std::uint8_t lastIndex = 0;
    for (std::size_t i = 0; i < indexed.pixels.size(); ++i) {
        const std::uint8_t* p = rgb.pixels.data() + i * 3;
        const std::uint32_t key =
            static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
        if (key != last) {
            auto found = colours.find(key);
            if (found == colours.end()) {
                if (colours.size() == 256)
                    return false;
                found = colours.emplace(key, static_cast<std::uint8_t>(colours.size())).first;
                indexed.palette.insert(indexed.palette.end(), p, p + 3);
            }
            last = key;
            lastIndex = found->second;
        }
        indexed.pixels[i] = lastIndex;
    }
    return true;
}

std::vector<std::uint8_t> FromBlob(VipsBlob* blob) {
    std::size_t size = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &size));
    std::vector<std::uint8_t> bytes(data, data + size);
    vips_area_unref(VIPS_AREA(blob));
    return bytes;
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
        return true;
    default:
        return false;
    }
}

bool EncodePicture(const VImage& picture, const EncodeSettings& s, std::vector<std::uint8_t>& out) {
    switch (s.nFormat) {
    case CXIMAGE_FORMAT_JPG:
        out = FromBlob(
            WithResolution(FlattenOnWhite(picture), s)
                .jpegsave_buffer(VImage::option()->set("Q", std::clamp(s.nJpegQuality, 1, 100))));
        return true;
    case CXIMAGE_FORMAT_PNG: {
        // Deflate is most of a PNG's encoding time. Each row as its difference from the row
        // above, deflated at level 4, takes about two thirds of the time of libvips' default
        // (unfiltered rows at level 6) and, on photographs and wallpapers, comes out no larger,
        // often a tenth smaller. A palette picture keeps unfiltered rows, as is best for
        // indices.
        auto options = VImage::option();
        if (s.bPalette)
            options->set("compression", 6)->set("palette", true)->set("Q", 100)->set("dither", 0.0);
        else
            options->set("compression", 4)->set("filter", VIPS_FOREIGN_PNG_FILTER_UP);
        out = FromBlob(WithResolution(picture, s).pngsave_buffer(options));
        return true;
    }
    case CXIMAGE_FORMAT_GIF:
        out = FromBlob(ToRgb(picture).gifsave_buffer(VImage::option()
                                                         ->set("dither", s.bDither ? 1.0 : 0.0)
                                                         ->set("effort", 7)
                                                         ->set("bitdepth", 8)));
        return true;
    case CXIMAGE_FORMAT_TIF:
        out = FromBlob(
            WithResolution(picture, s)
                .tiffsave_buffer(VImage::option()
                                     ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                                     ->set("predictor", VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL)
                                     ->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH)));
        return true;
    case CXIMAGE_FORMAT_BMP:
    case CXIMAGE_FORMAT_PCX: {
        const Raster rgb = ToRaster(ToRgb(FlattenOnWhite(picture)));
        Raster indexed;
        const Raster& chosen = ToIndexed(rgb, indexed) ? indexed : rgb;
        out = s.nFormat == CXIMAGE_FORMAT_BMP ? EncodeBmp(chosen, s.nXDpi, s.nYDpi)
                                              : EncodePcx(chosen, s.nXDpi, s.nYDpi);
        return true;
    }
    case CXIMAGE_FORMAT_ICO: {
        VImage rgba = ToRgb(FitIcon(picture));
        if (!rgba.has_alpha())
            rgba = rgba.bandjoin_const({255});
        out = EncodeIco(ToRaster(rgba));
        return true;
    }
    default:
        return false;
    }
}

} // namespace vtlimage
