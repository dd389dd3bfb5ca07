// The rules of a run that need no picture: the status line, the target size and where each
// output goes.
#include "app/batch/ResizeRules.h"
#include "app/batch/OutputPath.h"

#include <gtest/gtest.h>

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
    struct Case {
        const char* what;
        bool desktop;
        std::int32_t wUnit, width, hUnit, height;
        std::int32_t w, h;
        std::int32_t newWidth, newHeight;
    };
    const Case cases[] = {
        {"wide picture gets the screen's width", true, 1, 0, 1, 0, 2000, 1000, 1024, 512},
        {"tall picture gets the screen's height", true, 1, 0, 1, 0, 1000, 2000, 384, 768},
        {"a small picture is enlarged", true, 1, 0, 1, 0, 400, 300, 1024, 768},
        {"a picture that did not load", true, 1, 0, 1, 0, 0, 800, 0, 0},
        {"percent width, pixel height", false, 1, 50, 0, 300, 1000, 800, 500, 300},
        {"percent truncates", false, 1, 33, 1, 33, 1001, 1001, 330, 330},
        {"pixels whatever the proportion", false, 0, 640, 0, 100, 1000, 800, 640, 100},
        {"an unknown unit gives 0", false, 2, 50, -1, 50, 1000, 800, 0, 0},
        {"a product past 32 bits wraps", false, 1, 100000, 0, 10, 50000, 10,
         static_cast<std::int32_t>(100000u * 50000u) / 100, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResizeSetting s;
        s.bDesktop = c.desktop;
        s.nWidthUnit = c.wUnit;
        s.nWidth = c.width;
        s.nHeightUnit = c.hUnit;
        s.nHeight = c.height;
        EXPECT_EQ(CalcTargetWidth(s, c.w, c.h, 1024, 768), c.newWidth);
        EXPECT_EQ(CalcTargetHeight(s, c.w, c.h, 1024, 768), c.newHeight);
    }
}

TEST(OutputPath, TheFirstRuleThatAppliesPlacesTheOutput) {
    struct Case {
        int overwrite;
        const char* dest;
        int type;
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {1, "/out", 1, "/p/a/b.bmp", ""}, // the source, whatever the type
        {0, "", 0, "/p/a/resize/b.bmp", "/p/a/resize/"},
        {0, "", 5, "/p/a/resize/b.png", "/p/a/resize/"},
        {0, "/out", 1, "/out/b.jpg", "/out/"},
        {0, "/out/", 6, "/out//b.tiff", "/out//"}, // used as typed
        {0, "./resize/", 0, "/p/a/./resize//b.bmp", "/p/a/./resize//"},
    };
    for (const Case& c : cases) {
        ResizeSetting s;
        s.bOverwrite = c.overwrite;
        s.strDestFolder = c.dest;
        s.nImageType = c.type;
        const OutputChoice out = ChooseOutput(s, "/p/a/b.bmp", nullptr);
        EXPECT_EQ(out.status, OutputChoice::Status::Ok);
        EXPECT_EQ(out.path, c.path);
        EXPECT_EQ(out.folder, c.folder);
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

} // namespace
