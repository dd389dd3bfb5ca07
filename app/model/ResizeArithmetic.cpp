#include "app/model/ResizeArithmetic.h"

std::uint32_t PixelsOfEntry(std::uint32_t entry, std::int32_t unit, std::uint32_t common) {
    if (unit == UNIT_PIXEL)
        return entry;
    return entry * common / 100u;
}

std::optional<std::uint32_t> CoupledEntry(std::uint32_t entry, std::int32_t entryUnit,
                                          std::int32_t otherUnit, std::uint32_t entryCommon,
                                          std::uint32_t otherCommon) {
    const bool entryInPixels = entryUnit == UNIT_PIXEL;
    const bool otherInPixels = otherUnit == UNIT_PIXEL;
    if ((entryInPixels && entryCommon == 0) || (otherInPixels && otherCommon == 0))
        return std::nullopt;
    if (!entryInPixels && !otherInPixels)
        return entry;
    if (!entryInPixels)
        return entry * otherCommon / 100u;
    if (!otherInPixels)
        return entry * 100u / entryCommon;
    return entry * otherCommon / entryCommon;
}

std::uint32_t ConvertedEntry(std::uint32_t entry, std::int32_t newUnit, std::uint32_t common) {
    if (common == 0)
        return entry;
    if (newUnit == UNIT_PIXEL)
        return common * entry / 100u;
    return entry * 100u / common;
}
