// The format table's lookups where no caller shows them: codes outside the table, the save
// types after PCX, which extensions name a picture (every picture test of the product), and the
// MIME types the desktop files list for them.
#include "app/model/ImageFormats.h"
#include "image/ximage.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

TEST(ImageFormats, SaveTypesAndCodesOutsideTheTable) {
    const std::tuple<int, const char*, const char*, int> cases[] = {
        {SAVE_TYPE_SOURCE, "", "", CXIMAGE_FORMAT_UNKNOWN},
        {SAVE_TYPE_PCX, "pcx", "PCX files", CXIMAGE_FORMAT_PCX},
        {SAVE_TYPE_AVIF, "avif", "AVIF files", CXIMAGE_FORMAT_AVIF},
        {10, "", "", CXIMAGE_FORMAT_UNKNOWN},
        {-1, "", "", CXIMAGE_FORMAT_UNKNOWN}};
    for (const auto& [code, ext, desc, format] : cases)
        EXPECT_EQ(std::make_tuple(GetTypeExt(code), GetTypeDesc(code), ToImageFormat(code)),
                  std::make_tuple(std::string(ext), std::string(desc), format))
            << code;
}

TEST(ImageFormats, PictureExtensionTest) {
    const std::pair<const char*, bool> cases[] = {
        {".jpg", true},  {".JPG", true},  {".jpe", true},   {".TIFF", true},  {".webp", true},
        {".HEIC", true}, {".aVif", true}, {".jxl", true},   {"jpg", true},    {".jpgx", false},
        {"", false},     {".", false},    {"..jpg", false}, {".xjpg", false}, {".svg", false}};
    for (const auto& [ext, picture] : cases)
        EXPECT_EQ(IsPictureExt(ext), picture) << ext;
}

// The application's desktop entry and Dolphin's menu for every user are files of their own:
// each must list the types of the one table.
TEST(ImageFormats, DesktopFilesListTheTablesTypes) {
    for (const char* file :
         {"/app/res/vantrel.desktop", "/packaging/vantrel-servicemenu.desktop"}) {
        const std::string text = vtltest::ReadFile(std::string(VTL_SOURCE_DIR) + file);
        EXPECT_NE(text.find("\nMimeType=" + PictureMimeTypes() + "\n"), std::string::npos) << file;
    }
}
