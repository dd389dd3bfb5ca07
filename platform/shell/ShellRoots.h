#pragma once
// The folders our shell namespace is built on: the user's home, the Documents and desktop
// folders of the XDG user directories, read once per process, and the mounted file systems a
// user would see, read again whenever the namespace is asked to. Plain values; any thread.
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct ShellRoots {
    std::string home; // the virtual Home; "" when the user has none
    std::string
        documents;       // the virtual Documents: XDG_DOCUMENTS_DIR, or home when that is no folder
    std::string desktop; // whose entries the Desktop shows; "" when missing or the home itself
    std::vector<std::string> mounts; // Computer's children after "/", sorted by path
};

// This user's roots: XDG_DOCUMENTS_DIR and XDG_DESKTOP_DIR from the environment, else from
// user-dirs.dirs in the configuration folder, else ~/Documents and ~/Desktop; the mounts as
// ReadMounts reads them.
ShellRoots ReadShellRoots();

// An XDG user directory (`name`, say "XDG_PICTURES_DIR"): the environment's absolute value, then
// user-dirs.dirs in the configuration folder, then `fallback` below `home`.
std::string UserDir(const std::string& name, const std::string& home, const char* fallback);

// The mounts a user sees, from /proc/self/mountinfo. A test names a file of the same form in
// VTL_TEST_MOUNTINFO to stand for it, so that cards can come and go without mounting anything.
std::vector<std::string> ReadMounts();

// The mount points in a /proc/self/mountinfo text that a user would see: at or under /media,
// /run/media, /mnt and /home, with the kernel's own pseudo file systems left out and the
// octal escapes ("\040" for a space) decoded; each once, sorted by path.
std::vector<std::string> ParseMountInfo(std::string_view text);

// The lexical normal form of an absolute path: no empty or "." components, ".." taking one
// back (never above "/"), no trailing separator except in "/". "" for a path that is not
// absolute.
std::string NormalizePath(std::string_view path);

} // namespace plat
