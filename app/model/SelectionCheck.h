#pragma once
// The two information texts of the resize options dialog: the selection check (what the
// requested size does to the proportions of the selected pictures) and the resolution summary
// (the resolution the selected pictures share). Both work only from values the dialog already
// holds, open no picture and change no setting; the dialog puts the text into its label, in
// red for a warning and in the window-text colour of the theme (black on a light one) for
// plain information.
//
// Called by CDlgResize on the user-interface thread; plain functions, callable from tests
// without a window.
#include <cstdint>
#include <string>

#include "app/model/formats/FormatTable.h"

struct LabelMessage {
    bool bWarning;
    std::string text; // lines separated by "\r\n"
};

// What the selection check looks at.
struct SelectionFacts {
    std::int32_t nWidth = 0;         // the selection's common width, 0 when the pictures differ
    std::int32_t nHeight = 0;        // the same for the height
    std::uint32_t nResizeWidth = 0;  // the width entry
    std::uint32_t nResizeHeight = 0; // the height entry
    std::int32_t nWidthUnit = UNIT_PIXEL; // any other unit counts as percent
    std::int32_t nHeightUnit = 0;
    bool bConstrain = false;
    bool bDesktop = false; // "Resize as your desktop size" is chosen
    int nScreenWidth = 0;  // the primary screen in pixels, shown when fitting to it
    int nScreenHeight = 0;
};

LabelMessage SelectionCheckMessage(const SelectionFacts& facts);

// The size label's line about a file size limit of `kb` KB, "" for none (0).
std::string SizeLimitLine(std::uint32_t kb);

// xDpi, yDpi: the selection's common resolutions, 0 where the pictures differ.
LabelMessage ResolutionSummaryMessage(std::int32_t xDpi, std::int32_t yDpi);
