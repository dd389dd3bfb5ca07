// The rules that need no picture and no window: of a run, the status line, the target size
// and where each output goes; of the resize options dialog, the texts of the selection check,
// the arithmetic of its size entries, and which controls it enables.
#include "app/batch/ResizeRules.h"
#include "app/batch/OutputPath.h"
#include "app/batch/ResizeArithmetic.h"
#include "app/batch/ResizeEnableRules.h"
#include "app/batch/SelectionCheck.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

TEST(StatusLine, ShowsAPathOfFortyCharactersWholeAndCutsLongerOnesToTheirLast37) {
    const std::string forty = "/pictures/holiday/2024/summer/img001.jpg";
    ASSERT_EQ(forty.size(), 40u);
    EXPECT_EQ(MakeStatusLine("Resizing", forty), "Resizing : " + forty);
    const std::string fortyOne = "/" + forty;
    EXPECT_EQ(MakeStatusLine("Reading", fortyOne), "Reading : ..." + fortyOne.substr(4));
    // Characters, not bytes: an accented name is neither cut early nor cut in half.
    std::string accented = "/bilder/";
    for (int i = 0; i < 32; ++i)
        accented += "\xC3\xA9"; // é
    EXPECT_EQ(MakeStatusLine("Resizing", accented), "Resizing : " + accented);
    EXPECT_EQ(MakeStatusLine("Resizing", accented + "\xC3\xA9"),
              "Resizing : ..." + accented.substr(4) + "\xC3\xA9");
}

TEST(TargetSize, FollowsUnitsAndTheDesktopFitIn32BitArithmetic) {
    // Desktop, width unit and entry, height unit and entry, the picture's size, the target's.
    const std::tuple<const char*, bool, int, int, int, int, int, int, int, int> cases[] = {
        {"wide picture gets the screen's width", true, 1, 0, 1, 0, 2000, 1000, 1024, 512},
        {"tall picture gets the screen's height", true, 1, 0, 1, 0, 1000, 2000, 384, 768},
        {"a small picture is enlarged", true, 1, 0, 1, 0, 400, 300, 1024, 768},
        {"a picture that did not load", true, 1, 0, 1, 0, 0, 800, 0, 0},
        {"percent width, pixel height", false, 1, 50, 0, 300, 1000, 800, 500, 300},
        {"percent truncates", false, 1, 33, 1, 33, 1001, 1001, 330, 330},
        {"pixels whatever the proportion", false, 0, 640, 0, 100, 1000, 800, 640, 100},
        {"an unknown unit gives 0", false, 2, 50, -1, 50, 1000, 800, 0, 0},
        {"a product past 32 bits wraps", false, 1, 100000, 0, 10, 50000, 10, 7050327, 10},
    };
    for (const auto& [what, desktop, wUnit, width, hUnit, height, w, h, newWidth, newHeight] :
         cases) {
        SCOPED_TRACE(what);
        ResizeSetting s;
        s.bDesktop = desktop, s.nWidthUnit = wUnit, s.nWidth = width, s.nHeightUnit = hUnit;
        s.nHeight = height;
        EXPECT_EQ(CalcTargetWidth(s, w, h, 1024, 768), newWidth);
        EXPECT_EQ(CalcTargetHeight(s, w, h, 1024, 768), newHeight);
    }
}

TEST(OutputPath, TheFirstRuleThatAppliesPlacesTheOutput) {
    // Overwrite, destination folder, save type; the output path and the folder made for it.
    const std::tuple<int, const char*, int, const char*, const char*> cases[] = {
        {1, "/out", 1, "/p/a/b.bmp", ""}, // the source, whatever the type
        {0, "", 0, "/p/a/resize/b.bmp", "/p/a/resize/"},
        {0, "", 5, "/p/a/resize/b.png", "/p/a/resize/"},
        {0, "/out", 1, "/out/b.jpg", "/out/"},
        {0, "/out/", 6, "/out//b.tiff", "/out//"}, // used as typed
        {0, "./resize/", 0, "/p/a/./resize//b.bmp", "/p/a/./resize//"},
    };
    for (const auto& [overwrite, dest, type, path, folder] : cases) {
        ResizeSetting s;
        s.bOverwrite = overwrite, s.strDestFolder = dest, s.nImageType = type;
        const OutputChoice out = ChooseOutput(s, "/p/a/b.bmp", nullptr);
        EXPECT_EQ(std::tie(out.status, out.path, out.folder),
                  std::make_tuple(OutputChoice::Status::Ok, path, folder));
    }
}

TEST(OutputPath, APathThatDoesNotFitIsRefusedNeverCut) {
    ResizeSetting s;
    const std::string folder = "/p/" + std::string(240, 'd') + "/";
    // 259 bytes fit a 260-byte buffer with its NUL; the output path in resize/ does not.
    const std::string source = folder + std::string(259 - folder.size() - 4, 'n') + ".jpg";
    ASSERT_EQ(source.size(), 259u);
    EXPECT_EQ(ChooseOutput(s, source, nullptr).status, OutputChoice::Status::TooLong);
    s.bOverwrite = 1;
    EXPECT_EQ(ChooseOutput(s, source, nullptr).status, OutputChoice::Status::Ok);
    EXPECT_EQ(ChooseOutput(s, source + "x", nullptr).status, OutputChoice::Status::TooLong);
}

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
    const bool on[] = {e.bFolder, e.bQuality,       e.bSizeMode,   e.bSizeEntries,
                       e.bUnits,  e.bRotateChoices, e.bDpiEntries, e.bResizeButton};
    std::string letters = "fqmsurdb";
    for (std::size_t i = 0; i < letters.size(); ++i)
        letters[i] = on[i] ? static_cast<char>(std::toupper(letters[i])) : letters[i];
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
