#include "app/imagelib/ImageFormats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/ximage.h"

TEST(ImageFormats, EachCodeGivesItsRowAndUnknownCodesGiveNothing) {
    struct Row {
        int code;
        const char* ext;
        const char* desc;
        int library;
    };
    const Row rows[] = {
        {1, "jpg", "JPEG files", CXIMAGE_FORMAT_JPG},
        {2, "bmp", "Bitmap files", CXIMAGE_FORMAT_BMP},
        {3, "gif", "GIF files", CXIMAGE_FORMAT_GIF},
        {4, "ico", "ICON files", CXIMAGE_FORMAT_ICO},
        {5, "png", "PNG files", CXIMAGE_FORMAT_PNG},
        {6, "tiff", "TIFF files", CXIMAGE_FORMAT_TIF},
        {7, "pcx", "PCX files", CXIMAGE_FORMAT_PCX},
        {0, "", "", 0},
        {8, "", "", 0},
        {-1, "", "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(GetTypeExt(row.code), row.ext);
        EXPECT_EQ(GetTypeDesc(row.code), row.desc);
        EXPECT_EQ(ToImageFormat(row.code), row.library);
    }
    EXPECT_EQ(CXIMAGE_FORMAT_JPG, 3);
    EXPECT_EQ(CXIMAGE_FORMAT_PCX, 8);
}

TEST(ImageFormats, SaveTypeListStopsAtTheFirstEmptyDescription) {
    // The resize dialog lists descriptions from code 1 until one is empty.
    std::vector<std::string> list;
    for (int code = 1; !GetTypeDesc(code).empty(); ++code)
        list.push_back(GetTypeDesc(code));
    const std::vector<std::string> expected = {"JPEG files", "Bitmap files", "GIF files",
                                               "ICON files", "PNG files",    "TIFF files",
                                               "PCX files"};
    EXPECT_EQ(list, expected);
}

TEST(ImageFormats, PictureExtensionTest) {
    struct Case {
        const char* ext;
        bool picture;
    };
    const Case cases[] = {
        {".jpg", true},   {".JPG", true},  {".jpgx", true},    {".jpeg", true},
        {".Jpeg", true},  {".bmp", true},  {".gif", true},     {".ico", true},
        {".png", true},   {".tiff", true}, {".TIFF", true},    {".pcx", true},
        {".tif", false},  {".jp", false},  {".txt", false},    {"", false},
        {".", false},     {"jpg", true},   {".jpg1234", true}, {".jpg12345", false},
        {".xjpg", false}, {".pngs", true}, {".bm", false},     {"..jpg", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        EXPECT_EQ(IsPictureExt(c.ext), c.picture);
    }
}
