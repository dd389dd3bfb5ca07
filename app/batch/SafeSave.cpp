#include "app/batch/SafeSave.h"

#include "image/ximage.h"
#include "platform/ReplaceFile.h"

bool SaveReplacing(CxImage& picture, const std::string& path, int format) {
    plat::CFileReplacement replacement(path);
    return replacement.IsOpen() && picture.Save(replacement.TempPath(), format) &&
           replacement.Commit(plat::DefaultFileMode());
}
