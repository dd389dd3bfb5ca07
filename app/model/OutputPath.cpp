#include "app/model/OutputPath.h"

#include "app/model/ImageFormats.h"
#include "app/model/MailFolder.h"
#include "platform/Paths.h"
#include "platform/WinTypes.h"

namespace {

bool Fits(const std::string& path) { return path.size() < static_cast<std::size_t>(plat::MAX_PATH); }

} // namespace

OutputChoice ChooseOutput(const ResizeSetting& s, const std::string& source, CMailFolder* mail) {
    OutputChoice choice;
    if (!Fits(source)) {
        choice.status = OutputChoice::Status::TooLong;
        return choice;
    }
    if (s.bOverwrite) {
        choice.path = source;
        return choice;
    }
    const plat::PathParts parts = plat::SplitPath(source);
    const std::string ext = s.nImageType == SAVE_TYPE_SOURCE ? parts.ext : "." + GetTypeExt(s.nImageType);
    if (mail) {
        const std::optional<std::string> path = mail->Reserve(parts.fname, ext);
        if (!path)
            choice.status = OutputChoice::Status::NoMailFolder;
        else
            choice.path = *path;
    } else if (s.strDestFolder.empty()) {
        choice.folder = parts.drive + parts.dir + "resize" + plat::PATH_SEPARATOR;
        choice.path = choice.folder + parts.fname + ext;
    } else {
        const std::string base = plat::HasDrive(s.strDestFolder)
                                     ? s.strDestFolder
                                     : parts.drive + parts.dir + s.strDestFolder;
        choice.folder = base + plat::PATH_SEPARATOR;
        choice.path = choice.folder + parts.fname + ext;
    }
    if (choice.status == OutputChoice::Status::Ok && (!Fits(choice.path) || !Fits(choice.folder)))
        choice.status = OutputChoice::Status::TooLong;
    return choice;
}
