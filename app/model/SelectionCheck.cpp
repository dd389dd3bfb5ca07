#include "app/model/SelectionCheck.h"

#include "app/model/ResizeArithmetic.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr bool kWarning = true;
constexpr bool kInformation = false;

constexpr const char* kMayDistort =
    "\r\nuncheck Constrain Proportion might distort your picture(s)";

template <typename... Args> std::string Format(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// A ratio in whole thousandths, cut toward zero. A ratio that is not finite (a requested width
// of 0) gives nothing: it can match no source ratio.
bool Thousandths(double ratio, double& result) {
    const double scaled = ratio * 1000.0;
    if (!std::isfinite(scaled))
        return false;
    result = std::trunc(scaled);
    return true;
}

// Whether one side is the other's whole-pixel coupling (cut toward zero, as the dialog computes
// it): 640 wide keeps 100 × 68 as 640 × 435, though 435 / 640 is not 0.680 in thousandths.
bool IsCoupled(std::uint64_t width, std::uint64_t height, std::uint64_t commonWidth,
               std::uint64_t commonHeight) {
    return height == width * commonHeight / commonWidth ||
           width == height * commonWidth / commonHeight;
}

LabelMessage CompareProportions(const SelectionFacts& f) {
    const std::uint32_t commonWidth = static_cast<std::uint32_t>(f.nWidth);
    const std::uint32_t commonHeight = static_cast<std::uint32_t>(f.nHeight);
    const std::uint32_t requestedHeight =
        PixelsOfEntry(f.nResizeHeight, f.nHeightUnit, commonHeight);
    const std::uint32_t requestedWidth = PixelsOfEntry(f.nResizeWidth, f.nWidthUnit, commonWidth);

    const double sourceRatio = static_cast<double>(commonHeight) / static_cast<double>(commonWidth);
    const double requestedRatio = static_cast<double>(static_cast<std::int32_t>(requestedHeight)) /
                                  static_cast<double>(static_cast<std::int32_t>(requestedWidth));
    double source = 0;
    double requested = 0;
    const bool same = (Thousandths(sourceRatio, source) && Thousandths(requestedRatio, requested) &&
                       source == requested) ||
                      IsCoupled(requestedWidth, requestedHeight, commonWidth, commonHeight);

    const std::string sizeLine =
        Format("The size of the pictures you've selected is:%d*%d", f.nWidth, f.nHeight);
    if (same)
        return {kInformation, f.bConstrain ? sizeLine : sizeLine + kMayDistort};
    if (!f.bConstrain)
        return {kInformation, sizeLine + kMayDistort};
    return {kWarning,
            Format("The size(%d*%d) of the pictures you've selected is not match the Constrain "
                   "Proportion of your setting: %d*%d\r\nPlease reset width and height or "
                   "uncheck Constrain Proportion",
                   f.nWidth, f.nHeight, static_cast<std::int32_t>(requestedWidth),
                   static_cast<std::int32_t>(requestedHeight))};
}

} // namespace

LabelMessage SelectionCheckMessage(const SelectionFacts& f) {
    if (f.bDesktop) {
        if (f.bConstrain)
            return {kInformation, "The pictures you've selected will be auto resize to fit "
                                  "the desktop's size"};
        return {kWarning,
                Format("The pictures you've selected will be resize to the desktop's size "
                       "(%d*%d)",
                       f.nScreenWidth, f.nScreenHeight) +
                    kMayDistort};
    }
    if (f.nWidth == 0 || f.nHeight == 0) {
        if (f.bConstrain)
            return {kWarning, "The pictures you've selected are not the same size\r\nPlease "
                              "resize them in percent or uncheck Constrain Proportion"};
        return {kWarning, "The pictures you've selected are not the same size"};
    }
    return CompareProportions(f);
}

std::string SizeLimitLine(std::uint32_t kb) {
    return kb == 0 ? std::string() : Format("Each file will be at most %u KB", kb);
}

LabelMessage ResolutionSummaryMessage(std::int32_t xDpi, std::int32_t yDpi) {
    LabelMessage message{kInformation, "Your select Pictures:"};
    if (xDpi != 0) {
        message.text += Format("\r\nthe X DPI:%d", xDpi);
    } else {
        message.bWarning = kWarning;
        message.text += "\r\nThe X DPI: not the same";
    }
    if (yDpi != 0) {
        message.text += Format("\r\nThe Y DPI:%d", yDpi);
    } else {
        message.bWarning = kWarning;
        message.text += "\r\nThe Y DPI: not the same";
    }
    return message;
}
