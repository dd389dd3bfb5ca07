// The rules of a run that need no window: the status line, the target size and where each
// output goes.
#include "app/batch/MailFolder.h"
#include "app/batch/OutputPath.h"
#include "app/batch/ResizeRules.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(StatusLine, ShowsAPathOfFortyCharactersWholeAndCutsLongerOnesToTheirLast37) {
    const std::string forty = "/pictures/holiday/2024/summer/img001.jpg";
    ASSERT_EQ(forty.size(), 40u);
    EXPECT_EQ(MakeStatusLine("Resizing", forty), "Resizing : " + forty);
    const std::string fortyOne = "/" + forty;
    EXPECT_EQ(MakeStatusLine("Reading", fortyOne), "Reading : ..." + fortyOne.substr(4));
    EXPECT_EQ(MakeStatusLine("Resizing", fortyOne).size(), 51u);
    // Characters, not bytes: an accented name is neither cut early nor cut in half.
    std::string accented = "/bilder/";
    for (int i = 0; i < 32; ++i)
        accented += "\xC3\xA9"; // é
    EXPECT_EQ(MakeStatusLine("Resizing", accented), "Resizing : " + accented);
    const std::string longer = accented + "\xC3\xA9";
    const std::string shown = MakeStatusLine("Resizing", longer);
    // 41 characters: the first four ("/bil") give way to the dots.
    EXPECT_EQ(shown, "Resizing : ..." + longer.substr(4));
}

TEST(TargetSize, FollowsUnitsAndTheDesktopFitIn32BitArithmetic) {
    struct Case {
        const char* what;
        ResizeSetting s;
        int w, h, sw, sh;
        int width, height;
    };
    auto pixels = [](int w, int h) {
        ResizeSetting s;
        s.nWidthUnit = 0;
        s.nHeightUnit = 0;
        s.nWidth = w;
        s.nHeight = h;
        return s;
    };
    ResizeSetting desktop;
    desktop.bDesktop = 1;
    ResizeSetting mixed;
    mixed.nWidth = 50;
    mixed.nHeightUnit = 0;
    mixed.nHeight = 300;
    ResizeSetting third;
    third.nWidth = 33;
    third.nHeight = 33;
    ResizeSetting odd;
    odd.nWidthUnit = 2;
    odd.nHeightUnit = -1;
    ResizeSetting huge;
    huge.nWidth = 100000;
    const Case cases[] = {
        {"wide picture gets the screen's width", desktop, 2000, 1000, 1024, 768, 1024, 512},
        {"tall picture gets the screen's height", desktop, 1000, 2000, 1024, 768, 384, 768},
        {"small picture of the screen's shape is enlarged", desktop, 400, 300, 1024, 768, 1024,
         768},
        {"percent width, pixel height", mixed, 1000, 800, 0, 0, 500, 300},
        {"percent truncates", third, 1001, 1001, 0, 0, 330, 330},
        {"an unknown unit gives 0", odd, 1000, 800, 0, 0, 0, 0},
        {"a value of 0 stays 0", pixels(0, 0), 1000, 800, 0, 0, 0, 0},
        {"pixels whatever the proportion", pixels(640, 100), 1000, 800, 0, 0, 640, 100},
        {"a picture that did not load", desktop, 0, 800, 1024, 768, 0, 0},
        {"a product past 32 bits wraps", huge, 50000, 10, 0, 0,
         static_cast<std::int32_t>(static_cast<std::uint32_t>(100000u * 50000u)) / 100, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CalcTargetWidth(c.s, c.w, c.h, c.sw, c.sh), c.width);
        EXPECT_EQ(CalcTargetHeight(c.s, c.w, c.h, c.sw, c.sh), c.height);
    }
}

TEST(OutputPath, TheFirstRuleThatAppliesPlacesTheOutput) {
    struct Case {
        const char* what;
        int overwrite;
        const char* dest;
        int type;
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {"overwrite keeps the source, whatever the type", 1, "/out", 1, "/p/a/b.bmp", ""},
        {"no folder: resize beside the source", 0, "", 0, "/p/a/resize/b.bmp", "/p/a/resize/"},
        {"type changes the extension", 0, "", 5, "/p/a/resize/b.png", "/p/a/resize/"},
        {"absolute folder", 0, "/out", 1, "/out/b.jpg", "/out/"},
        {"a separator at the end doubles", 0, "/out/", 6, "/out//b.tiff", "/out//"},
        {"relative folder joins the source's folder", 0, "./resize/", 0,
         "/p/a/./resize//b.bmp", "/p/a/./resize//"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
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

TEST(OutputPath, MailOutputsGoIntoOnePrivateFolderUnderDistinctNames) {
    ResizeSetting s;
    CMailFolder mail;
    const OutputChoice first = ChooseOutput(s, "/one/a.jpg", &mail);
    const OutputChoice second = ChooseOutput(s, "/two/a.jpg", &mail);
    s.nImageType = 5;
    const OutputChoice third = ChooseOutput(s, "/three/a.gif", &mail);
    const OutputChoice fourth = ChooseOutput(s, "/one/a.png", &mail);
    const std::string folder = mail.Folder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.rfind(plat::GetTempPath(), 0), 0u) << "inside the temporary folder";
    EXPECT_EQ(first.path, folder + "a.jpg");
    EXPECT_EQ(second.path, folder + "a (2).jpg");
    EXPECT_EQ(third.path, folder + "a.png");
    EXPECT_EQ(fourth.path, folder + "a (2).png");
    EXPECT_EQ(first.folder, "") << "the private folder exists already";
    struct stat facts {};
    ASSERT_EQ(stat(folder.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0700u);
    CMailFolder other;
    EXPECT_NE(ChooseOutput(s, "/one/a.jpg", &other).path, fourth.path) << "a new run, a new folder";
}

} // namespace
