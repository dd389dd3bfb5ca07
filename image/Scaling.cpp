#include "image/Scaling.h"

#include <algorithm>

#include "image/VipsRuntime.h"
#include "image/base/MemoryBudget.h"
#include "image/fastjpeg/WidthReducer.h"

namespace vtlimage {

using vips::VImage;

namespace {

// Alpha at or above this everywhere scales without premultiplying.
constexpr double kNearlyOpaque = 252;

} // namespace

int DrawShrink(int width, int height, int targetWidth, int targetHeight) {
    for (const int shrink : {8, 4, 2})
        if (width / shrink >= targetWidth && height / shrink >= targetHeight)
            return shrink;
    return 1;
}

int DecoderShrink(int width, int height, int targetWidth, int targetHeight) {
    // Decoding at twice the target leaves the factor 2.
    if (targetWidth <= 0 || targetHeight <= 0)
        return 1;
    return DrawShrink(width, height, 2 * targetWidth, 2 * targetHeight);
}

namespace {

// Lanczos3 through libvips, or for a width cut to a half or a third through our own
// ReduceWidth after libvips has done the height.
VImage Lanczos(const VImage& image, int width, int height) {
    const double hscale = static_cast<double>(width) / image.width();
    const double vscale = static_cast<double>(height) / image.height();
    auto options = [](double v) {
        return VImage::option()->set("vscale", v)->set("kernel", VIPS_KERNEL_LANCZOS3);
    };
    if (!CanReduceWidth(image, width))
        return image.resize(hscale, options(vscale));
    const VImage tall = height == image.height() ? image : image.resize(1.0, options(vscale));
    return ReduceWidth(tall, width);
}

} // namespace

VImage ScaleTo(const VImage& image, int width, int height) {
    VImage work;
    if (!image.has_alpha()) {
        work = Lanczos(image, width, height);
    } else {
        // Transparent pixels must not bleed their hidden colour into their neighbours, so
        // alpha is premultiplied while scaling. That runs in floating point at twice the cost,
        // so a picture with no pixel below kNearlyOpaque is scaled as it is: there the two ways
        // differ by about 1 % at the very most, and no colour is hidden. Finding that out reads
        // the picture twice, so it is held whole, when the memory budget grants it; otherwise
        // it is premultiplied as it streams.
        auto grant = CMemoryBudget::Library().TryTake(VIPS_IMAGE_SIZEOF_IMAGE(image.get_image()));
        if (!grant) {
            work =
                Lanczos(image.premultiply(), width, height).unpremultiply().cast(VIPS_FORMAT_UCHAR);
        } else {
            VImage whole = image.copy_memory();
            HoldWhileAlive(whole, std::move(*grant));
            if (whole.extract_band(whole.bands() - 1).min() >= kNearlyOpaque)
                work = Lanczos(whole, width, height);
            else
                work = Lanczos(whole.premultiply(), width, height)
                           .unpremultiply()
                           .cast(VIPS_FORMAT_UCHAR);
        }
    }
    // Rounding inside the scaler may miss the asked size by a pixel; the caller relies on it.
    if (work.width() != width || work.height() != height) {
        if (work.width() > width || work.height() > height)
            work = work.extract_area(0, 0, std::min(width, work.width()),
                                     std::min(height, work.height()));
        if (work.width() < width || work.height() < height)
            work =
                work.embed(0, 0, width, height, VImage::option()->set("extend", VIPS_EXTEND_COPY));
    }
    return work;
}

} // namespace vtlimage
