#pragma once
// The arithmetic of the resize options dialog's size entries: coupling width and height to the
// selection's proportions, converting an entry between pixel and percent, and the size in
// pixels an entry asks for. All of it is unsigned 32-bit arithmetic, as the entries are: a
// product wraps and a quotient is cut toward zero, so the dialog shows exactly what this
// computes.
//
// Called by CDlgResize and the selection check on the user-interface thread; plain functions,
// callable from tests without a window.
#include <cstdint>
#include <optional>

#include "app/model/formats/FormatTable.h"

// The size in pixels that an entry asks for: the entry itself in pixels, else that percentage
// of the selection's common size. Any unit other than pixel counts as percent.
std::uint32_t PixelsOfEntry(std::uint32_t entry, std::int32_t unit, std::uint32_t common);

// The other side of the size when one side is `entry`, keeping the selection's proportions:
// entryCommon and otherCommon are the common sizes of the entry's side and of the other side.
// Nothing when the answer needs a common size that is unknown (0); the dialog never couples
// then, because with unknown sizes both entries are in percent.
std::optional<std::uint32_t> CoupledEntry(std::uint32_t entry, std::int32_t entryUnit,
                                          std::int32_t otherUnit, std::uint32_t entryCommon,
                                          std::uint32_t otherCommon);

// The entry converted into `newUnit` from the other unit, through the common size of its side.
// With the common size unknown (0) the number stays as it is: there is nothing to convert
// through.
std::uint32_t ConvertedEntry(std::uint32_t entry, std::int32_t newUnit, std::uint32_t common);
