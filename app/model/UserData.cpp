#include "app/model/UserData.h"

#include "platform/ReplaceFile.h"
#include "platform/SettingsFile.h"

#include <cstring>

namespace {

// The length of the longest prefix of `text` (at most `limit` bytes) that ends on a
// character boundary.
std::size_t CutLength(const char* text, std::size_t length, std::size_t limit) {
    if (length <= limit)
        return length;
    std::size_t cut = limit;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

void CopyTextCut(char* buffer, std::size_t size, const char* text) {
    const std::size_t length = strnlen(text, size);
    const std::size_t kept = CutLength(text, length, size - 1);
    std::memmove(buffer, text, kept);
    buffer[kept] = '\0';
}

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

bool WriteUserData(const std::string& path, const char* subject, const char* body) {
    // A user.dat that is there but cannot be read may hold texts the user wants back.
    if (plat::ReadSettingsFile(path, 0).state == plat::SettingsFile::Unreadable)
        return false;
    char record[USERDATA_FILE_SIZE] = {};
    CopyTextCut(record, USERDATA_SUBJECT_SIZE, subject);
    CopyTextCut(record + USERDATA_SUBJECT_SIZE, USERDATA_BODY_SIZE, body);
    return plat::ReplaceFileContents(path, std::string_view(record, sizeof record), 0600);
}
