#pragma once
// A registry string as our settings keep them: a path or a name that must fit the 260-byte
// buffers the settings and the hand-off record hold, with its NUL.
#include "platform/Registry.h"

#include <optional>
#include <string>

namespace plat {

// The REG_SZ value `name` of `key`, up to its first NUL; nothing when it is missing, of another
// type, or does not fit MAX_PATH bytes with its NUL (a value is never cut).
std::optional<std::string> RegQueryPathString(HKEY key, const char* name);

} // namespace plat
