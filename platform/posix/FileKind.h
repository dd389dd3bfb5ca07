#pragma once
// What kind of file a POSIX file mode names, for the messages of this layer's own files: "a
// FIFO", "a folder", "a device", … ("a file" for a plain one).
#include <string>

namespace plat {

std::string FileKind(unsigned mode);

} // namespace plat
