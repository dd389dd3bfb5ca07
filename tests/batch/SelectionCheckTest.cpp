// The texts and colours of the selection check and the resolution summary, and the entry
// arithmetic under them, without a window.
#include "app/batch/ResizeArithmetic.h"
#include "app/batch/SelectionCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr COLORREF kRed = MakeColorRef(255, 0, 0);
constexpr COLORREF kBlack = MakeColorRef(0, 0, 0);

const std::string kDistort = "\r\nuncheck Constrain Proportion might distort your picture(s)";

struct CheckCase {
    const char* name;
    SelectionFacts facts;
    COLORREF color;
    std::string text;
};

SelectionFacts Pixels(std::int32_t w, std::int32_t h, std::uint32_t rw, std::uint32_t rh,
                      bool constrain) {
    SelectionFacts f;
    f.nWidth = w;
    f.nHeight = h;
    f.nResizeWidth = rw;
    f.nResizeHeight = rh;
    f.nWidthUnit = UNIT_PIXEL;
    f.nHeightUnit = UNIT_PIXEL;
    f.bConstrain = constrain;
    f.nScreenWidth = 1024;
    f.nScreenHeight = 768;
    return f;
}

SelectionFacts Percent(SelectionFacts f) {
    f.nWidthUnit = UNIT_PERCENT;
    f.nHeightUnit = UNIT_PERCENT;
    return f;
}

SelectionFacts Desktop(SelectionFacts f) {
    f.bDesktop = true;
    return f;
}

TEST(SelectionCheck, EveryMessageWithItsColour) {
    const std::string mismatch1600x1200 =
        "The size(1600*1200) of the pictures you've selected is not match the Constrain "
        "Proportion of your setting: 800*500\r\nPlease reset width and height or uncheck "
        "Constrain Proportion";
    const std::vector<CheckCase> cases = {
        {"same proportions, constrained", Pixels(1600, 1200, 800, 600, true), kBlack,
         "The size of the pictures you've selected is:1600*1200"},
        {"same proportions, free", Pixels(1600, 1200, 800, 600, false), kBlack,
         "The size of the pictures you've selected is:1600*1200" + kDistort},
        {"other proportions, constrained", Pixels(1600, 1200, 800, 500, true), kRed,
         mismatch1600x1200},
        {"other proportions, free", Pixels(1600, 1200, 800, 500, false), kBlack,
         "The size of the pictures you've selected is:1600*1200" + kDistort},
        {"50 % of both sides", Percent(Pixels(1600, 1200, 50, 50, true)), kBlack,
         "The size of the pictures you've selected is:1600*1200"},
        // 600/799 and 600/800 both cut to 750 thousandths.
        {"equal to three decimals", Pixels(799, 600, 800, 600, true), kBlack,
         "The size of the pictures you've selected is:799*600"},
        {"fourth decimal is not enough", Pixels(800, 600, 800, 599, true), kRed,
         "The size(800*600) of the pictures you've selected is not match the Constrain "
         "Proportion of your setting: 800*599\r\nPlease reset width and height or uncheck "
         "Constrain Proportion"},
        // A requested width of 0 gives no finite ratio and never matches.
        {"zero width requested", Pixels(800, 600, 0, 0, true), kRed,
         "The size(800*600) of the pictures you've selected is not match the Constrain "
         "Proportion of your setting: 0*0\r\nPlease reset width and height or uncheck "
         "Constrain Proportion"},
        {"zero width requested, free", Pixels(800, 600, 0, 300, false), kBlack,
         "The size of the pictures you've selected is:800*600" + kDistort},
        {"different sizes, constrained", Percent(Pixels(0, 0, 100, 100, true)), kRed,
         "The pictures you've selected are not the same size\r\nPlease resize them in percent "
         "or uncheck Constrain Proportion"},
        {"different sizes, free", Pixels(0, 0, 640, 480, false), kRed,
         "The pictures you've selected are not the same size"},
        {"desktop, constrained", Desktop(Pixels(1600, 1200, 800, 500, true)), kBlack,
         "The pictures you've selected will be auto resize to fit the desktop's size"},
        {"desktop, free", Desktop(Pixels(0, 0, 800, 500, false)), kRed,
         "The pictures you've selected will be resize to the desktop's size (1024*768)" +
             kDistort},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        const LabelMessage message = SelectionCheckMessage(c.facts);
        EXPECT_EQ(message.text, c.text);
        EXPECT_EQ(message.color, c.color);
    }
}

TEST(SelectionCheck, PercentEntriesAreComparedInPixels) {
    // 50 % wide and 40 % high of 1600 × 1200 asks for 800 × 480, which is not 3:4.
    SelectionFacts f = Percent(Pixels(1600, 1200, 50, 40, true));
    EXPECT_EQ(SelectionCheckMessage(f).text,
              "The size(1600*1200) of the pictures you've selected is not match the Constrain "
              "Proportion of your setting: 800*480\r\nPlease reset width and height or uncheck "
              "Constrain Proportion");
    // Mixed units: 800 pixels wide, 50 % of 1200 high.
    f = Pixels(1600, 1200, 800, 50, true);
    f.nHeightUnit = UNIT_PERCENT;
    EXPECT_EQ(SelectionCheckMessage(f).color, kBlack);
}

TEST(ResolutionSummary, ListsWhatTheSelectionShares) {
    struct Case {
        std::int32_t x, y;
        COLORREF color;
        std::string text;
    };
    const std::vector<Case> cases = {
        {300, 300, kBlack, "Your select Pictures:\r\nthe X DPI:300\r\nThe Y DPI:300"},
        {0, 72, kRed, "Your select Pictures:\r\nThe X DPI: not the same\r\nThe Y DPI:72"},
        {300, 0, kRed, "Your select Pictures:\r\nthe X DPI:300\r\nThe Y DPI: not the same"},
        {0, 0, kRed,
         "Your select Pictures:\r\nThe X DPI: not the same\r\nThe Y DPI: not the same"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const LabelMessage message = ResolutionSummaryMessage(c.x, c.y);
        EXPECT_EQ(message.text, c.text);
        EXPECT_EQ(message.color, c.color);
    }
}

TEST(ResizeArithmetic, CouplingKeepsTheSelectionsProportions) {
    struct Case {
        const char* name;
        std::uint32_t entry;
        std::int32_t entryUnit, otherUnit;
        std::uint32_t entryCommon, otherCommon;
        std::optional<std::uint32_t> other;
    };
    const std::vector<Case> cases = {
        {"width 400 px of 800 x 600", 400, UNIT_PIXEL, UNIT_PIXEL, 800, 600, 300u},
        {"width 401 px cuts to 300", 401, UNIT_PIXEL, UNIT_PIXEL, 800, 600, 300u},
        {"height 300 px back to the width", 300, UNIT_PIXEL, UNIT_PIXEL, 600, 800, 400u},
        {"pixels to percent", 300, UNIT_PIXEL, UNIT_PERCENT, 600, 800, 50u},
        {"percent to pixels", 50, UNIT_PERCENT, UNIT_PIXEL, 600, 800, 400u},
        {"percent to percent is the same number", 37, UNIT_PERCENT, UNIT_PERCENT, 0, 0, 37u},
        // 4294968 × 1000 passes 2^32 and wraps to 704, as the 32-bit entries do.
        {"the product wraps", 4294968, UNIT_PIXEL, UNIT_PIXEL, 1000, 1000, 0u},
        {"unknown size in pixels", 400, UNIT_PIXEL, UNIT_PIXEL, 0, 0, std::nullopt},
        {"unknown size, percent to pixels", 50, UNIT_PERCENT, UNIT_PIXEL, 0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CoupledEntry(c.entry, c.entryUnit, c.otherUnit, c.entryCommon, c.otherCommon),
                  c.other);
    }
}

TEST(ResizeArithmetic, UnitConversionCutsTowardZero) {
    struct Case {
        const char* name;
        std::uint32_t entry;
        std::int32_t newUnit;
        std::uint32_t common;
        std::uint32_t converted;
    };
    const std::vector<Case> cases = {
        {"300 px of 600 is 50 %", 300, UNIT_PERCENT, 600, 50},
        {"50 % of 600 is 300 px", 50, UNIT_PIXEL, 600, 300},
        {"33 % of 1001 is 330 px", 33, UNIT_PIXEL, 1001, 330},
        {"333 px of 1001 is 33 %", 333, UNIT_PERCENT, 1001, 33},
        {"unknown size keeps the number (to percent)", 300, UNIT_PERCENT, 0, 300},
        {"unknown size keeps the number (to pixel)", 50, UNIT_PIXEL, 0, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConvertedEntry(c.entry, c.newUnit, c.common), c.converted);
    }
}

} // namespace
