#pragma once
// user.dat: the mail subject and body in one fixed record of 5200 bytes, no header.
//   offset 0    200 bytes  subject, NUL-terminated
//   offset 200  5000 bytes body, NUL-terminated
// Called on the user-interface thread by the settings object.
#include "platform/Result.h"

#include <cstddef>
#include <string>

constexpr std::size_t USERDATA_SUBJECT_SIZE = 200;
constexpr std::size_t USERDATA_BODY_SIZE = 5000;
constexpr std::size_t USERDATA_FILE_SIZE = USERDATA_SUBJECT_SIZE + USERDATA_BODY_SIZE;

enum class UserDataRead { Missing, Short, Read };

// Reads the two fields into the buffers (of the sizes above), each only up to its NUL and
// never past its field. A missing file, or one that cannot be read (not a plain file, for one),
// empties both; a file shorter than the record leaves them as they are.
UserDataRead ReadUserData(const std::string& path, char* subject, char* body);

// Writes the record through a temporary file renamed over the old one, so a failed write
// never leaves a damaged user.dat. Fails when it could not be written, or when a user.dat is
// there that cannot be read: that one is never replaced. The message names the file and which.
plat::Result<void> WriteUserData(const std::string& path, const char* subject, const char* body);
