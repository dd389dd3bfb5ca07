// The rules that need no picture and no window: of a run, an output path that does not fit;
// of the resize options dialog, which controls it enables.
#include "app/model/MailFolder.h"
#include "app/model/OutputPath.h"
#include "app/model/ResizeEnableRules.h"
#include "app/model/ResizeRules.h"
#include "tests/support/TestConditions.h"

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
    // For mail, where no folder can be made in the temporary folder, that folder and the cause.
    const vtltest::ScopedEnv env{{{"TMPDIR", "/nonexistent-vtl-temp"}}};
    s.bOverwrite = 0;
    CMailFolder mail;
    for (int i = 0; i < 2; ++i) {
        const auto out = ChooseOutput(s, "/p/a.jpg", &mail);
        EXPECT_EQ(out ? out->path : out.error().message,
                  "The folder of the pictures to mail could not be made in "
                  "/nonexistent-vtl-temp/: No such file or directory.")
            << "try " << i;
    }
}

// Target sizes in the three size modes under "Never enlarge", on a 1470 × 1000 desktop: no side
// grows past the picture's, each side held on its own.
TEST(ResizeRules, NeverEnlargeKeepsEachSideWithinThePictures) {
    enum Mode { Pixels, Percent, Desktop };
    using Size = std::pair<std::int32_t, std::int32_t>;
    // mode, picture w × h, entries, target
    const std::tuple<Mode, Size, Size, Size> cases[] = {
        {Pixels, {100, 68}, {50, 200}, {50, 68}},      {Percent, {100, 68}, {150, 150}, {100, 68}},
        {Percent, {1000, 800}, {50, 120}, {500, 800}}, {Desktop, {100, 68}, {0, 0}, {100, 68}},
        {Desktop, {3000, 1000}, {0, 0}, {1470, 490}},  {Desktop, {1000, 2000}, {0, 0}, {500, 1000}},
    };
    for (const auto& [mode, picture, entries, target] : cases) {
        ResizeSetting s;
        s.bDesktop = mode == Desktop, s.bShrinkOnly = 1;
        s.nWidthUnit = s.nHeightUnit = mode == Percent ? UNIT_PERCENT : UNIT_PIXEL;
        std::tie(s.nWidth, s.nHeight) = entries;
        const auto [w, h] = picture;
        EXPECT_EQ(
            std::pair(CalcTargetWidth(s, w, h, 1470, 1000), CalcTargetHeight(s, w, h, 1470, 1000)),
            target)
            << mode << " " << w << "x" << h << " to " << entries.first << "x" << entries.second;
    }
}

// The enabled controls as letters, capital when enabled: f the folder and save type, q the
// quality, m the size mode, s the size entries, u their units, r the rotations, d the
// resolution entries, b the "Resize" button, t the trash box.
std::string Enabled(const ResizeChoices& choices) {
    const ResizeEnables e = ResizeDialogEnables(choices);
    const bool on[] = {e.bFolder,        e.bQuality,    e.bSizeMode,     e.bSizeEntries, e.bUnits,
                       e.bRotateChoices, e.bDpiEntries, e.bResizeButton, e.bTrash};
    std::string letters = "fqmsurdbt";
    for (std::size_t i = 0; i < letters.size(); ++i)
        letters[i] = on[i] ? static_cast<char>(std::toupper(letters[i])) : letters[i];
    return letters;
}

TEST(ResizeEnableRules, EachChoiceOpensWhatItNeeds) {
    using C = ResizeChoices&;
    const std::pair<void (*)(C), const char*> cases[] = {
        {[](C) {}, "FqMSUrdBt"},
        {[](C c) { c.bJpegInSelection = true; }, "FQMSUrdBt"}, // the source's format, a JPEG among
        {[](C c) { c.nSaveType = SAVE_TYPE_JPEG, c.bQualityEnabled = false; }, "FQMSUrdBt"},
        {[](C c) { c.nSaveType = SAVE_TYPE_PNG, c.bQualityEnabled = false; }, "FqMSUrdBt"},
        {[](C c) { c.nSaveType = SAVE_TYPE_TIFF; }, "FQMSUrdBt"}, // PNG and TIFF leave it
        {[](C c) { c.nSaveType = SAVE_TYPE_AVIF, c.bQualityEnabled = false; }, "FQMSUrdBt"},
    };
    for (const auto& [choose, enabled] : cases) {
        ResizeChoices choices;
        choose(choices);
        EXPECT_EQ(Enabled(choices), enabled);
    }
}

} // namespace
