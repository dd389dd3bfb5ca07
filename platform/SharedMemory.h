#pragma once
// A named block of shared memory with the life of a Windows file mapping.
//
// The name is made private to the user ("vtl" becomes "/vtl-<uid>"), the block is created
// with mode 0600, and opening refuses a block that another user owns, that others may read
// or write, or whose size is not the one expected: the block carries paths and a command to a
// program that is about to run them, so only the user's own processes may write it.
#include "platform/WinTypes.h"

#include <string>

namespace plat {

struct FileMapping;

// Opens the block, or creates it filled with zeros. Null when neither works.
FileMapping* CreateFileMapping(const char* name, DWORD size);
// Opens an existing block only. Null when there is none or it is refused.
FileMapping* OpenFileMapping(const char* name, DWORD size);
// The whole block, readable and writable; null on failure. A view stays valid after its
// mapping is closed, until it is unmapped.
void* MapViewOfFile(FileMapping* mapping);
bool UnmapViewOfFile(void* view);
void CloseHandle(FileMapping* mapping);

// The system-wide name under which `name` is kept for this user.
std::string SharedMemoryObjectName(const char* name);

} // namespace plat
