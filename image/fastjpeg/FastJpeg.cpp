#include "image/fastjpeg/FastJpeg.h"

#include <atomic>

namespace vtlimage {

namespace {

std::atomic<bool> g_bFastJpegRoad{VTL_FAST_JPEG != 0};

} // namespace

bool FastJpegRoad() {
    return g_bFastJpegRoad.load(std::memory_order_relaxed);
}

void SetFastJpegRoad(bool on) {
    g_bFastJpegRoad.store(on, std::memory_order_relaxed);
}

} // namespace vtlimage
