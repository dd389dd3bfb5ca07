#pragma once
// The fast JPEG road: the library's own JPEG decoders (JpegDecoder, and ProgressiveJpeg's first
// look at a progressive picture) and its width reducer (WidthReducer, which every format's
// halving and thirding takes), each doing what libvips does at a fraction of its cost. They
// must give libvips' own pixels (the reducer within one unit), and so rest on how the libvips
// they were built against decodes and reduces. One switch takes the road or leaves it: the
// build's VTL_FAST_JPEG, on unless a libvips whose pixels they no longer match turns it off
// (cmake -DVTL_FAST_JPEG=OFF). Off, each entry point of the road answers that it does not take
// the picture, and the picture source takes libvips' own road, as it does for every picture the
// road leaves to libvips (a CMYK JPEG, a factor the reducer does not do).
//
// Callers: the entry points of the road, on any thread; the library's tests, which compare the
// two roads, switch it while no picture is being worked on.
namespace vtlimage {

// Whether the fast road is taken.
bool FastJpegRoad();
// Takes the fast road or leaves it, for the library's tests.
void SetFastJpegRoad(bool on);

} // namespace vtlimage
