#include "app/model/OutputPath.h"

#include "app/model/ImageFormats.h"
#include "app/model/MailFolder.h"
#include "platform/Paths.h"
#include "platform/WinTypes.h"

namespace {

bool Fits(const std::string& path) {
    return path.size() < static_cast<std::size_t>(plat::MAX_PATH);
}

plat::Failure TooLong(const std::string& source) {
    return {"The output path for " + source + " would be longer than " +
            std::to_string(plat::MAX_PATH - 1) + " bytes."};
}

} // namespace

plat::Result<OutputChoice> ChooseOutput(const ResizeSetting& s, const std::string& source,
                                        CMailFolder* mail) {
    OutputChoice choice;
    if (!Fits(source))
        return TooLong(source);
    if (s.bOverwrite) {
        choice.path = source;
        return choice;
    }
    const plat::PathParts parts = plat::SplitPath(source);
    const std::string ext =
        s.nImageType == SAVE_TYPE_SOURCE ? parts.ext : "." + GetTypeExt(s.nImageType);
    if (mail) {
        const plat::Result<std::string> path = mail->Reserve(parts.fname, ext);
        if (!path)
            return path.error();
        choice.path = *path;
    } else if (s.strDestFolder.empty()) {
        choice.folder = parts.drive + parts.dir + "resize" + plat::PATH_SEPARATOR;
        choice.path = choice.folder + parts.fname + s.strSuffix + ext;
    } else {
        const std::string base = plat::HasDrive(s.strDestFolder)
                                     ? s.strDestFolder
                                     : parts.drive + parts.dir + s.strDestFolder;
        choice.folder = base + plat::PATH_SEPARATOR;
        choice.path = choice.folder + parts.fname + s.strSuffix + ext;
    }
    if (!Fits(choice.path) || !Fits(choice.folder))
        return TooLong(source);
    return choice;
}
