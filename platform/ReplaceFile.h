#pragma once
// Replacing a file's whole content so that nobody ever sees half of it: the bytes go into a
// temporary file in the same folder, which gets `mode`, is flushed to disk and is then renamed
// over the old file. A failure leaves the old file as it was and no temporary file behind.
// Used for settings files (the registry hives, user.dat) and the file-manager integration.
#include <string>
#include <string_view>

namespace plat {

bool ReplaceFileContents(const std::string& path, std::string_view bytes, unsigned mode);

} // namespace plat
