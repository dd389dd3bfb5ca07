// The rules that need no picture and no window: of a run, an output path that does not fit;
// of the resize options dialog, which controls it enables.
#include "app/model/OutputPath.h"
#include "app/model/ResizeEnableRules.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

TEST(OutputPath, APathThatDoesNotFitIsRefusedNeverCut) {
    ResizeSetting s;
    const std::string folder = "/p/" + std::string(240, 'd') + "/";
    // 259 bytes fit a 260-byte buffer with its NUL; the output path in resize/ does not.
    const std::string source = folder + std::string(259 - folder.size() - 4, 'n') + ".jpg";
    ASSERT_EQ(source.size(), 259u);
    const auto tooLong = [](const plat::Result<OutputChoice>& out) {
        return !out && out.error().message.find("longer than 259 bytes") != std::string::npos;
    };
    EXPECT_TRUE(tooLong(ChooseOutput(s, source, nullptr)));
    // Written over, the source's own path is used, whatever the folder and the type.
    s.bOverwrite = 1, s.strDestFolder = "/out", s.nImageType = SAVE_TYPE_PNG;
    const auto over = ChooseOutput(s, source, nullptr);
    EXPECT_EQ(over ? over->path : over.error().message, source);
    EXPECT_TRUE(tooLong(ChooseOutput(s, source + "x", nullptr)));
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
        {[](C c) { c.nSaveType = SAVE_TYPE_JPEG, c.bQualityEnabled = false; }, "FQMSUrdB"},
        {[](C c) { c.nSaveType = SAVE_TYPE_GIF; }, "FqMSUrdB"},
        {[](C c) { c.nSaveType = SAVE_TYPE_PNG, c.bQualityEnabled = false; }, "FqMSUrdB"},
        {[](C c) { c.nSaveType = SAVE_TYPE_TIFF; }, "FQMSUrdB"}, // PNG and TIFF leave it
        {[](C c) { c.nSaveType = SAVE_TYPE_WEBP, c.bQualityEnabled = false; }, "FQMSUrdB"},
        {[](C c) { c.nSaveType = SAVE_TYPE_AVIF, c.bQualityEnabled = false; }, "FQMSUrdB"},
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
