#include "app/batch/SizeLimit.h"

#include "app/model/ImageFormats.h"
#include "image/ximage.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The highest quality in lowest .. top whose file fits, by bisection; nothing when even the
// lowest does not. The first try is `top` itself, which fits whenever the limit is generous;
// the last try left goes to `lowest` when nothing has fitted yet, so that "nothing fits" is
// always known, not guessed.
std::optional<std::vector<std::uint8_t>> HighestFittingQuality(CxImage& picture, int format,
                                                               int lowest, int top,
                                                               std::size_t limit, bool& failed) {
    std::optional<std::vector<std::uint8_t>> best;
    int fits = lowest - 1;  // the highest quality known to fit (lowest - 1: none yet)
    int tooLarge = top + 1; // the lowest quality known to be too large
    for (int tries = 0; tries < kMostQualityTries && tooLarge - fits > 1; ++tries) {
        const bool lastTry = tries == kMostQualityTries - 1;
        const int quality = tries == 0         ? top
                            : lastTry && !best ? lowest
                                               : fits + (tooLarge - fits) / 2;
        std::vector<std::uint8_t> bytes;
        picture.SetJpegQuality(static_cast<std::uint8_t>(quality));
        if (!picture.Encode(bytes, format)) {
            failed = true;
            return std::nullopt;
        }
        if (bytes.size() <= limit) {
            fits = quality;
            best = std::move(bytes);
        } else {
            tooLarge = quality;
        }
    }
    return best;
}

} // namespace

LimitFit EncodeWithinLimit(CxImage& picture, int format, int quality, std::size_t limitBytes,
                           std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    if (HasQuality(format)) {
        const int top = std::clamp(quality, 1, 100);
        const int lowest = std::min(kLowestQuality, top);
        bool failed = false;
        if (auto best = HighestFittingQuality(picture, format, lowest, top, limitBytes, failed)) {
            bytes = std::move(*best);
            return LimitFit::Fits;
        }
        if (failed)
            return LimitFit::Failed;
        picture.SetJpegQuality(static_cast<std::uint8_t>(lowest));
    }
    if (!picture.Encode(bytes, format))
        return LimitFit::Failed;
    // Smaller by steps of kShrinkStep from the size it has now. A file shrinks about as its area
    // does: the steps whose area is still larger than the limit allows are not tried.
    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    int step = 0;
    while (bytes.size() > limitBytes) {
        if (picture.GetWidth() == 1 && picture.GetHeight() == 1)
            return LimitFit::Impossible;
        const double area = static_cast<double>(limitBytes) / static_cast<double>(bytes.size());
        const int skip = static_cast<int>(std::floor(std::log(area) / (2 * std::log(kShrinkStep))));
        step += std::max(1, skip);
        const double scale = std::pow(kShrinkStep, step);
        if (!picture.Resample(std::max(1, static_cast<int>(std::lround(width * scale))),
                              std::max(1, static_cast<int>(std::lround(height * scale)))) ||
            !picture.Encode(bytes, format))
            return LimitFit::Failed;
    }
    return LimitFit::Fits;
}
