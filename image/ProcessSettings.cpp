#include "image/ProcessSettings.h"

#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace vtlimage {

namespace {

// A decoder's large buffers (a progressive JPEG keeps 2 bytes per sample of the whole picture,
// 88 MB for 5120 x 2880) are taken on libvips' worker threads, each allocating in its own malloc
// arena. glibc's sliding threshold would keep such a buffer in that arena once freed, so the
// resident size grew by one buffer per thread that ever decoded one (from 150 to 290 MB while
// the preview stepped through five wallpapers). A fixed threshold hands them back when freed.
void ReturnLargeBuffers() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
#endif
}

// libvips loads its optional modules (the ImageMagick, PDF, HEIF, OpenSlide and JPEG XL
// loaders, with everything they link) from VIPSHOME/lib when it starts: some 40 ms, more than
// the rest of the program's start. This library decodes only the formats it recognises by
// their first bytes, and loads the two modules it uses (HEIF and JPEG XL) itself when their
// first picture comes (EnsureVipsModule), so it points VIPSHOME at a folder that holds no
// modules. Someone who set VIPSHOME on purpose keeps it.
void SkipOptionalModules() {
    setenv("VIPSHOME", "/nonexistent/vantrel-uses-no-vips-modules", 0);
}

} // namespace

void PrepareProcess() {
    ReturnLargeBuffers();
    SkipOptionalModules();
}

} // namespace vtlimage
