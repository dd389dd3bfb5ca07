#include "image/base/StripImage.h"

#include <mutex>

namespace vtlimage {

namespace {

using vips::VImage;

struct Strips {
    std::unique_ptr<CStripSource> source;
    std::mutex lock; // one strip at a time: the sources keep where they are
};

int Generate(VipsRegion* out, void*, void* strips, void*, gboolean*) {
    const VipsRect& r = out->valid;
    auto* s = static_cast<Strips*>(strips);
    std::lock_guard lock(s->lock);
    if (r.left != 0 || r.width != out->im->Xsize ||
        !s->source->Strip(r.top, r.height, VIPS_REGION_ADDR(out, 0, r.top),
                          VIPS_REGION_LSKIP(out))) {
        vips_error("vantrel", "damaged picture data");
        return -1;
    }
    return 0;
}

} // namespace

VImage StripImage(std::unique_ptr<CStripSource> source, const VImage& like, int stripRows) {
    VipsImage* image = vips_image_new();
    if (vips_image_pipelinev(image, VIPS_DEMAND_STYLE_FATSTRIP, like.get_image(), nullptr) != 0) {
        g_object_unref(image);
        throw vips::VError();
    }
    auto* owned = new Strips{std::move(source), {}};
    g_object_set_data_full(G_OBJECT(image), "vantrel-strips", owned,
                           [](gpointer p) { delete static_cast<Strips*>(p); });
    if (vips_image_generate(image, nullptr, Generate, nullptr, owned, nullptr) != 0) {
        g_object_unref(image);
        throw vips::VError();
    }
    // Strips made once each, in order. Marked as a loader marks a picture it reads from the
    // top down, so that operations further down (a large shrink) keep the lines they look back
    // at instead of asking for them again.
    VImage result = VImage(image).sequential(VImage::option()->set("tile_height", stripRows));
    result.set(VIPS_META_SEQUENTIAL, 1);
    return result;
}

VImage PictureShape(int width, int height, int bands) {
    VipsImage* image = vips_image_new();
    vips_image_init_fields(image, width, height, bands, VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
                           bands <= 2 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB, 1.0,
                           1.0);
    return VImage(image);
}

} // namespace vtlimage
