#pragma once
// Path facts with Windows shapes: the running module's path, the temporary folder, and the
// splitter of _splitpath. On POSIX a path has no drive, so "has a drive" means "is absolute".
// On Windows a path's folders end at '\\' or '/', and a drive is a letter and a colon.
#include <string>

namespace plat {

#ifdef _WIN32
constexpr char PATH_SEPARATOR = '\\';
#else
constexpr char PATH_SEPARATOR = '/';
#endif

// Full path of the running program.
std::string GetModuleFileName();
// Full path of the loaded program or library that contains `address`; "" when none does.
std::string GetModuleFileNameOf(const void* address);
// $TMPDIR, else /tmp/, always with its trailing separator.
std::string GetTempPath();

// The user's home folder: $HOME, else the account's home; "" when neither is known.
std::string GetHomeFolder();
// The user's base folders by the XDG rules, without a trailing separator: the variable when
// it holds an absolute path (a relative one is invalid and ignored), else the default below
// the home folder. ${XDG_CONFIG_HOME:-~/.config}, ${XDG_CACHE_HOME:-~/.cache},
// ${XDG_DATA_HOME:-~/.local/share}.
std::string GetUserConfigFolder();
std::string GetUserCacheFolder();
std::string GetUserDataFolder();

struct PathParts {
    std::string drive; // always empty on POSIX
    std::string dir;   // with its trailing separator
    std::string fname;
    std::string ext; // with its dot; only the file name's last dot counts
};

PathParts SplitPath(const std::string& path);
// Whether two names are the same but for the letter case of A to Z, as file names compare.
bool NamesEqualNoCase(const std::string& a, const std::string& b);
std::string MakePath(const PathParts& parts);
bool HasDrive(const std::string& path);
// The file:// URI of an absolute path, byte for byte as GLib's g_filename_to_uri writes it, the
// form the desktop's programs and its thumbnail cache agree on: every byte but letters, digits
// and !$&'()*+,-./:=@_~ as %XX in upper case, so any name (spaces, '%', '#', bytes that are not
// UTF-8) comes back whole.
std::string FileUri(const std::string& path);

} // namespace plat
