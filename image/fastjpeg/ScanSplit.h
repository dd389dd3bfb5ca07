#pragma once
// A progressive YCbCr JPEG split in two for two decoders: the scans of the luma component in
// one stream, those of the chroma components in the other, each stream a whole JPEG file that
// libjpeg reads. Decoding a progressive JPEG is mostly decoding its scans, and the scans of the
// luma and those of the chroma components are independent.
//
// Callers: the JPEG decoder, on the caller's thread, before it starts its two decoders.
#include <string>

namespace vtlimage {

struct SplitStreams {
    std::string luma;
    std::string chroma;
    // The DC scans, which carry every component in one, were split as well, so that each
    // decoder touches the coefficients of its own components only: half the memory of two
    // decoders that each hold the whole picture's. Done where every component is sampled 1 x 1
    // and there are no restart markers; otherwise both streams carry the DC scans whole.
    bool bDcSplit = false;
};

// Every marker segment goes to both streams, a scan to the luma stream if it carries the first
// component and to the chroma stream if it carries another. False for a file whose segments or
// DC scans do not parse, and for one whose scans do not bring every coefficient of every
// component to its last bit (cut short, say): libjpeg then guesses the missing coefficients of
// a block from its neighbours in all components, which a decoder that holds only some of them
// cannot do alike. With onlyWithDcSplit, false as well as soon as a scan that carries every
// component cannot be split (the first scan, as a rule).
bool SplitScans(const std::string& file, bool onlyWithDcSplit, SplitStreams& out);

} // namespace vtlimage
