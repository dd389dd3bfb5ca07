#pragma once
// The few Windows-shaped scalar types and limits the platform layer speaks in. They are plain
// fixed-width integers, so a Win32 backend can map them onto the real ones one to one; on
// Windows they are the real ones.
#include <cstdint>

#ifdef _WIN32
#include "platform/win32/WindowsApi.h"

namespace plat {

using ::BYTE;
using ::DWORD;
using ::LONG;
// MAX_PATH is the Windows headers' own.

#else
namespace plat {

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;

// Paths travel in 260-byte buffers, as on Windows: at most 259 bytes and the NUL.
constexpr int MAX_PATH = 260;
#endif

// 100-nanosecond ticks since 1601-01-01 UTC.
using FILETIME = std::uint64_t;

} // namespace plat
