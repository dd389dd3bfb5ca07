#pragma once
// Where the freedesktop.org trash keeps the files of a volume, and what a file in it is
// recorded with. A trash folder holds "files/NAME", the trashed file, and
// "info/NAME.trashinfo", its original path (URI-escaped) and the local time it was trashed.
//
// Files on the volume of the user's data folder go to the home trash,
// ${XDG_DATA_HOME:-~/.local/share}/Trash. On any other volume, mounted at TOPDIR, to
// TOPDIR/.Trash/UID when the administrator made TOPDIR/.Trash (a real folder, not a symbolic
// link, with the sticky bit), else to TOPDIR/.Trash-UID, made for the user when missing. A trash
// folder of the user's must be a folder of the user's, not a symbolic link.
#include <string>

namespace plat {

// The trash folder of the volume mounted at `topdir` for user `uid`, made with its two
// sub-folders when missing; "" when none can be used there.
std::string VolumeTrashDir(const std::string& topdir, unsigned uid);

} // namespace plat
