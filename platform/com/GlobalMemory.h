#pragma once
// Movable global memory with the calls of the Windows heap functions: the way a data object
// hands its bytes (a CF_HDROP file list) to whoever asked for them. The receiver frees the
// block with GlobalFree, or through ReleaseStgMedium.
// Any thread may call; one block is used by one thread at a time.
#include <cstddef>

#ifdef _WIN32
#include "platform/win32/WindowsApi.h"

namespace plat {
using ::HGLOBAL;
} // namespace plat

#else
namespace plat {

struct GlobalBlock;
using HGLOBAL = GlobalBlock*;

enum : unsigned { GMEM_FIXED = 0x0, GMEM_MOVEABLE = 0x2, GMEM_ZEROINIT = 0x40, GHND = 0x42 };

// Null when out of memory. The bytes are zeroed with GMEM_ZEROINIT.
HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes);
// Null for a null or foreign handle.
HGLOBAL GlobalFree(HGLOBAL mem);
void* GlobalLock(HGLOBAL mem);
bool GlobalUnlock(HGLOBAL mem);
// 0 for a null or foreign handle.
std::size_t GlobalSize(HGLOBAL mem);

} // namespace plat
#endif
