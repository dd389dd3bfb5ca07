#pragma once
// The desktop's trash, for an original that is about to be replaced.
//
// KeepInTrash puts the file into the trash of its volume under a second name, with the record a
// file manager restores it by, and leaves it where it is. Replacing the file afterwards (a new
// file renamed over it, as plat::CFileReplacement does) then leaves the original in the trash,
// and whatever moment the process is killed, the path holds the old picture or the new one.
// Nothing is copied: where the trash cannot hold a second name of the file (no trash on that
// volume, no permission, a file system without hard links), the call fails, the file stays as
// it was, and the reason is a message for the user.
//
// On Linux the trash is the freedesktop.org trash (posix/TrashDir.h); a Windows backend would
// keep the original in the recycle bin the same way.
//
// Called by the resize job's threads, any number at once.
#include "platform/Result.h"

#include <string>

namespace plat {

// Returns the path the original has in the trash.
Result<std::string> KeepInTrash(const std::string& path);

} // namespace plat
