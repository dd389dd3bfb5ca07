// The format table's lookups where no caller shows them: codes outside the table, and which
// extensions name a picture (the file list's test).
#include "app/model/ImageFormats.h"

#include <gtest/gtest.h>

TEST(ImageFormats, CodesOutsideTheTableGiveNothing) {
    for (const int code : {0, 8, -1})
        EXPECT_EQ(std::make_tuple(GetTypeExt(code), GetTypeDesc(code), ToImageFormat(code)),
                  std::make_tuple(std::string(), std::string(), 0))
            << code;
}

TEST(ImageFormats, PictureExtensionTest) {
    const std::pair<const char*, bool> cases[] = {
        {".jpg", true},  {".JPG", true},   {".jpgx", true},  {".jpeg", true},     {".Jpeg", true},
        {".bmp", true},  {".gif", true},   {".ico", true},   {".png", true},      {".tiff", true},
        {".TIFF", true}, {".pcx", true},   {"jpg", true},    {".jpg1234", true},  {".pngs", true},
        {".tif", false}, {".jp", false},   {".txt", false},  {"", false},         {".", false},
        {".bm", false},  {"..jpg", false}, {".xjpg", false}, {".jpg12345", false}};
    for (const auto& [ext, picture] : cases)
        EXPECT_EQ(IsPictureExt(ext), picture) << ext;
}
