#pragma once
// Reading a file that holds the program's settings (a registry hive, user.dat) without ever
// hanging on it or mistaking it for something it is not: a symbolic link is followed, the file
// is opened without waiting (a FIFO put in its place never blocks the program), and only a
// plain file is read. A file that is there but cannot be read this way is Unreadable: callers
// keep their defaults and never replace it, since it may hold settings the user wants back.
// Any thread may call.
#include <cstdint>
#include <string>

namespace plat {

struct SettingsFile {
    enum State { Missing, Read, Unreadable };
    State state = Missing;
    std::uint64_t size = 0; // the whole file's, when Read
    std::string bytes;      // its first bytes, at most as many as asked for
    std::string why;        // when Unreadable: why, in words for the user ("it is a FIFO")
};

SettingsFile ReadSettingsFile(const std::string& path, std::size_t maxBytes);

} // namespace plat
