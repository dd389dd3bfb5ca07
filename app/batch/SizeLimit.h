#pragma once
// Fits one picture's file under a size limit ("Limit each file to N KB"). A format saved at a
// quality (JPEG, WebP, HEIC, AVIF) gets the highest quality not above the chosen one whose file
// fits, found by bisection over encodes in memory, at most kMostQualityTries of them; when even
// kLowestQuality is too large, and for every other format, the picture is made smaller in steps
// of about 15 % (kShrinkStep), skipping the steps its file size says cannot fit, until its file
// fits. A file that does not fit at 1 × 1 pixel (what the format and the picture's metadata
// need alone is larger) cannot be fitted. Nothing is written: the caller writes the bytes.
//
// Called by the resize job on its helper threads, each with a picture of its own.
#include <cstddef>
#include <cstdint>
#include <vector>

class CxImage;

inline constexpr int kLowestQuality = 10;
inline constexpr int kMostQualityTries = 7;
inline constexpr double kShrinkStep = 0.85;

enum class LimitFit {
    Fits,       // `bytes` holds the file, at most the limit
    Impossible, // no size of the picture fits
    Failed,     // the picture could not be encoded (damaged pixels, no memory)
};

// `format` is the library format to write, `quality` the slider's (for the formats saved at a
// quality). `picture` may come back smaller.
LimitFit EncodeWithinLimit(CxImage& picture, int format, int quality, std::size_t limitBytes,
                           std::vector<std::uint8_t>& bytes);
