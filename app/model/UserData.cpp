#include "app/model/UserData.h"

#include "platform/ReplaceFile.h"
#include "platform/SettingsFile.h"
#include "platform/Utf8.h"

using plat::CopyTextCut;

UserDataRead ReadUserData(const std::string& path, char* subject, char* body) {
    const plat::SettingsFile file = plat::ReadSettingsFile(path, USERDATA_FILE_SIZE);
    if (file.state != plat::SettingsFile::Read) {
        subject[0] = '\0';
        body[0] = '\0';
        return UserDataRead::Missing;
    }
    if (file.bytes.size() < USERDATA_FILE_SIZE)
        return UserDataRead::Short;
    CopyTextCut(subject, USERDATA_SUBJECT_SIZE, file.bytes.data());
    CopyTextCut(body, USERDATA_BODY_SIZE, file.bytes.data() + USERDATA_SUBJECT_SIZE);
    return UserDataRead::Read;
}

plat::Result<void> WriteUserData(const std::string& path, const char* subject, const char* body) {
    // A user.dat that is there but cannot be read may hold texts the user wants back.
    if (plat::ReadSettingsFile(path, 0).state == plat::SettingsFile::Unreadable)
        return plat::Failure{path + " is there but cannot be read, and was left as it is."};
    char record[USERDATA_FILE_SIZE] = {};
    CopyTextCut(record, USERDATA_SUBJECT_SIZE, subject);
    CopyTextCut(record + USERDATA_SUBJECT_SIZE, USERDATA_BODY_SIZE, body);
    if (!plat::ReplaceFileContents(path, std::string_view(record, sizeof record), 0600))
        return plat::Failure{path + " could not be written."};
    return plat::Ok{};
}
