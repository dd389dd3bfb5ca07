// The resize options dialog's rules without a window: the texts of the selection check, the
// arithmetic of its size entries, and which controls it enables.
#include "app/batch/SelectionCheck.h"
#include "app/batch/ResizeArithmetic.h"
#include "app/batch/ResizeEnableRules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

const std::string kDistort = "\r\nuncheck Constrain Proportion might distort your picture(s)";
const std::string kSize1600 = "The size of the pictures you've selected is:1600*1200";

std::string Mismatch(const std::string& common, const std::string& asked) {
    return "The size(" + common +
           ") of the pictures you've selected is not match the Constrain "
           "Proportion of your setting: " +
           asked +
           "\r\nPlease reset width and height or "
           "uncheck Constrain Proportion";
}

TEST(SelectionCheck, EveryMessageWithItsColour) {
    struct Case {
        std::int32_t w, h;
        std::uint32_t rw, rh;
        std::int32_t wUnit, hUnit;
        bool constrain, desktop, warning;
        std::string text;
    };
    const Case cases[] = {
        {1600, 1200, 800, 600, UNIT_PIXEL, UNIT_PIXEL, true, false, false, kSize1600},
        {1600, 1200, 800, 600, UNIT_PIXEL, UNIT_PIXEL, false, false, false, kSize1600 + kDistort},
        {1600, 1200, 800, 500, UNIT_PIXEL, UNIT_PIXEL, true, false, true,
         Mismatch("1600*1200", "800*500")},
        {1600, 1200, 800, 500, UNIT_PIXEL, UNIT_PIXEL, false, false, false, kSize1600 + kDistort},
        {1600, 1200, 50, 50, UNIT_PERCENT, UNIT_PERCENT, true, false, false, kSize1600},
        // Percent entries are compared in pixels: 800 × 480 is not 3:4.
        {1600, 1200, 50, 40, UNIT_PERCENT, UNIT_PERCENT, true, false, true,
         Mismatch("1600*1200", "800*480")},
        {1600, 1200, 800, 50, UNIT_PIXEL, UNIT_PERCENT, true, false, false, kSize1600},
        // 600/799 and 600/800 both cut to 750 thousandths; 599/800 does not.
        {799, 600, 800, 600, UNIT_PIXEL, UNIT_PIXEL, true, false, false,
         "The size of the pictures you've selected is:799*600"},
        {800, 600, 800, 599, UNIT_PIXEL, UNIT_PIXEL, true, false, true,
         Mismatch("800*600", "800*599")},
        // A requested width of 0 gives no finite ratio and never matches.
        {800, 600, 0, 0, UNIT_PIXEL, UNIT_PIXEL, true, false, true, Mismatch("800*600", "0*0")},
        {0, 0, 100, 100, UNIT_PERCENT, UNIT_PERCENT, true, false, true,
         "The pictures you've selected are not the same size\r\nPlease resize them in percent "
         "or uncheck Constrain Proportion"},
        {0, 0, 640, 480, UNIT_PIXEL, UNIT_PIXEL, false, false, true,
         "The pictures you've selected are not the same size"},
        {1600, 1200, 800, 500, UNIT_PIXEL, UNIT_PIXEL, true, true, false,
         "The pictures you've selected will be auto resize to fit the desktop's size"},
        {0, 0, 800, 500, UNIT_PIXEL, UNIT_PIXEL, false, true, true,
         "The pictures you've selected will be resize to the desktop's size (1024*768)" + kDistort},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SelectionFacts facts{c.w,     c.h,         c.rw,      c.rh, c.wUnit,
                                   c.hUnit, c.constrain, c.desktop, 1024, 768};
        const LabelMessage message = SelectionCheckMessage(facts);
        EXPECT_EQ(message.text, c.text);
        EXPECT_EQ(message.bWarning, c.warning);
    }
}

// The dialog's tests type and pick the common cases; here the limits of 32-bit entries.
TEST(ResizeArithmetic, CouplingAndConversionInUnsigned32Bits) {
    // 4294968 × 1000 passes 2^32 and wraps to 704, as the 32-bit entries do.
    EXPECT_EQ(CoupledEntry(4294968, UNIT_PIXEL, UNIT_PIXEL, 1000, 1000), 0u);
    EXPECT_EQ(CoupledEntry(50, UNIT_PERCENT, UNIT_PIXEL, 0, 0), std::nullopt) << "no size to go by";
    EXPECT_EQ(ConvertedEntry(33, UNIT_PIXEL, 1001), 330u);
    EXPECT_EQ(ConvertedEntry(333, UNIT_PERCENT, 1001), 33u);
}

// The enabled controls as letters, capital when enabled: f the folder and save type, q the
// quality, m the size mode, s the size entries, u their units, r the rotations, d the
// resolution entries, b the "Resize" button.
std::string Enabled(const ResizeChoices& choices) {
    const ResizeEnables e = ResizeDialogEnables(choices);
    std::string letters;
    for (const auto& [on, letter] : {std::pair{e.bFolder, 'f'},
                                     {e.bQuality, 'q'},
                                     {e.bSizeMode, 'm'},
                                     {e.bSizeEntries, 's'},
                                     {e.bUnits, 'u'},
                                     {e.bRotateChoices, 'r'},
                                     {e.bDpiEntries, 'd'},
                                     {e.bResizeButton, 'b'}})
        letters += on ? static_cast<char>(std::toupper(letter)) : letter;
    return letters;
}

TEST(ResizeEnableRules, EachChoiceOpensWhatItNeeds) {
    using C = ResizeChoices&;
    const std::pair<void (*)(C), const char*> cases[] = {
        {[](C) {}, "FqMSUrdB"},
        {[](C c) { c.bInFolder = false; }, "fqMSUrdB"},
        {[](C c) { c.bJpegInSelection = true; }, "FQMSUrdB"}, // the source's format, a JPEG among
        {[](C c) { c.nSaveType = 1, c.bQualityEnabled = false; }, "FQMSUrdB"}, // JPEG
        {[](C c) { c.nSaveType = 3; }, "FqMSUrdB"},                            // GIF
        {[](C c) { c.nSaveType = 5, c.bQualityEnabled = false; }, "FqMSUrdB"}, // PNG leaves it
        {[](C c) { c.nSaveType = 6; }, "FQMSUrdB"},                            // TIFF leaves it
        {[](C c) { c.bDesktop = true; }, "FqMsurdB"},
        {[](C c) { c.bCommonSizeKnown = false; }, "FqMSurdB"}, // only percent keeps proportions
        {[](C c) { c.bCommonSizeKnown = false, c.bConstrain = false; }, "FqMSUrdB"},
        {[](C c) { c.bResize = false; }, "Fqmsurdb"},
        {[](C c) { c.bResize = false, c.bRotate = true; }, "FqmsuRdB"},
        {[](C c) { c.bResize = false, c.bSetDpi = true; }, "FqmsurDB"},
    };
    for (const auto& [choose, enabled] : cases) {
        ResizeChoices choices;
        choose(choices);
        EXPECT_EQ(Enabled(choices), enabled);
    }
}

} // namespace
