#pragma once
// A named block of shared memory with the life of a Windows file mapping, private to the user.
//
// The block is the file $XDG_RUNTIME_DIR/vantrel/<file>: the user's runtime folder is the
// user's alone, and the vantrel folder in it is made with mode 0700, so no other user can
// create, replace or squat the block. Only where XDG_RUNTIME_DIR is unset (or not absolute)
// it is the POSIX shared-memory object /dev/shm/<shm>-<uid> instead. Either way the block is
// created with mode 0600, and opening refuses what this user did not make: a folder or block
// of another owner or that others may write, a block that is not a plain file (symbolic links
// are not followed) or whose size is not the one expected. A refusal says which path is in the
// way, why, and what to do.
//
// Any thread may call; one mapping handle may be shared between threads.
#include "platform/WinTypes.h"

#include <string>

namespace plat {

struct FileMapping;

// The names of one block in its two places.
struct MappingName {
    std::string file; // in the runtime folder
    std::string shm;  // of the shared-memory object, before "-<uid>"
};

// Opens the block, or creates it filled with zeros. Null when neither works; `refusal` (when
// given) then says why, in words for the user.
FileMapping* CreateFileMapping(const MappingName& name, DWORD size, std::string* refusal = nullptr);
// Opens an existing block only. Null when there is none (`refusal` stays empty) or when it is
// refused (`refusal` says why).
FileMapping* OpenFileMapping(const MappingName& name, DWORD size, std::string* refusal = nullptr);
// The whole block, readable and writable; null on failure. A view stays valid after its
// mapping is closed, until it is unmapped.
void* MapViewOfFile(FileMapping* mapping);
bool UnmapViewOfFile(void* view);
void CloseHandle(FileMapping* mapping);

// Where the block of that name is for this user now.
std::string FileMappingPath(const MappingName& name);

// Holds a mapping's block for one holder at a time, across threads and processes (the named
// mutex a Windows program would pair with its mapping). A holder that dies lets it go.
class CMappingLock {
public:
    explicit CMappingLock(FileMapping* mapping);
    ~CMappingLock();
    CMappingLock(const CMappingLock&) = delete;
    CMappingLock& operator=(const CMappingLock&) = delete;

private:
    FileMapping* m_mapping;
};

} // namespace plat
