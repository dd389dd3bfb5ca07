#pragma once
// What the Linux backend's durable writes share: writing every byte of a buffer, and syncing a
// folder so that a name made in it (a rename, a link) outlasts a power cut.
#include <string>
#include <string_view>

namespace plat {

// Writes all of `bytes` to `fd`, going on after an interrupted or partial write; false (errno
// set) on a failure.
bool WriteAll(int fd, std::string_view bytes);
bool SyncFolder(const std::string& folder);

} // namespace plat
