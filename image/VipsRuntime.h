#pragma once
// Starts libvips once per process, from whichever thread gets there first.
//
// Callers: every entry point of the image library, on any thread. The operation cache is off
// (a batch sees each picture once, and cached pipelines would pin whole decoded pictures in
// memory), and libvips' warnings are dropped: they name codec details a user cannot act on,
// and the library reports failures through its results instead. What libvips needs of the
// process (no modules, large buffers handed back) main() set before any thread started
// (ProcessSettings.h).
#include "image/base/MemoryBudget.h"

namespace vips {
class VImage;
}

namespace vtlimage {

// Returns false when libvips could not start; every operation then fails cleanly.
bool EnsureVipsStarted();

// The optional libvips modules the library uses, each loaded (with libvips) when its first
// picture is met rather than at every start, which needs none (ProcessSettings.cpp).
enum class VipsModule { Heif, Jxl };
// False when the module is not installed: pictures of its formats then fail cleanly.
bool EnsureVipsModule(VipsModule module);

// Marks a picture whose pixels are being worked on, for as long as it lives. One worked on
// while no other is may take a second thread for its decoding: a picture on its own then uses
// two cores, two pictures at once one each. When it ends, the memory its work freed goes back
// to the system.
class CPictureWork {
  public:
    CPictureWork();
    ~CPictureWork();
    CPictureWork(const CPictureWork&) = delete;
    CPictureWork& operator=(const CPictureWork&) = delete;

    bool Alone() const { return m_bAlone; }

  private:
    bool m_bAlone;
};

// Ties a grant of the memory budget to a picture: it is given back once the picture and
// everything made from it are gone, on whichever thread drops the last of them.
void HoldWhileAlive(vips::VImage& picture, CMemoryBudget::CGrant grant);

} // namespace vtlimage
