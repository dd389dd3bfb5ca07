#pragma once
// The hand-off record: how the file-manager extension passes a command and a list of pictures
// to the application it is about to start.
//
// A record is a block of 65535 bytes:
//   byte 0       cReady: 0 nothing pending, 0x80..0xFF pending, set back to 0 once read
//   bytes 1..20  five little-endian 32-bit words: 4000, 4, nPathCount, nCommand, 0
//   byte 21 on   nPathCount entries of 260 bytes, each a NUL-terminated full path
// The extension writes one record per command (WriteHandoff) into the user's queue of records
// and starts the application, which takes it at start-up, before any window exists
// (HandoffQueue.h).
//
// This code is linked into the extension module too, so it uses nothing but the platform layer.
#include "platform/RecordQueue.h"
#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum : std::uint32_t {
    HANDOFF_RESIZE_DIALOG = 0,
    HANDOFF_RESIZE_DEFAULT = 1,
    HANDOFF_RESIZE_DEFAULT_MAIL = 2,
};

constexpr std::size_t HANDOFF_BLOCK_SIZE = 65535;
constexpr std::size_t HANDOFF_HEADER_SIZE = 21;
constexpr std::size_t HANDOFF_PATH_SIZE = 260;
// 21 + 251 * 260 = 65281: a 252nd entry would end past the block.
constexpr std::size_t HANDOFF_MAX_FILES =
    (HANDOFF_BLOCK_SIZE - HANDOFF_HEADER_SIZE) / HANDOFF_PATH_SIZE;

// The user's queue of records: "handoffs" in the runtime folder, "vtl-handoffs" in shared
// memory. For tests only, VTL_TEST_HANDOFF_BLOCK names another queue in both places instead, so
// that no test reads, writes or removes a record that a file manager has just handed over. It
// is read at each use: every side of one run must see the same value.
plat::QueueName HandoffQueueName();

struct HandoffHeader {
    std::uint32_t nReservedA = 0;
    std::uint32_t nReservedB = 0;
    std::uint32_t nPathCount = 0;
    std::uint32_t nCommand = 0;
    std::uint32_t nReservedC = 0;
};

// Why a selection did not reach the application. The first two are the selection's (a request
// the file manager should not have made), the others a fault on the way.
enum class HandoffWrite {
    TooManyFiles, // more than HANDOFF_MAX_FILES pictures
    PathTooLong,  // a path that does not fit its 260-byte entry with its NUL
    NotQueued,    // the record could not be written into the queue
    NotStarted,   // the application could not be started
    NotTaken,     // the application ended without taking the record
};

struct HandoffRefusal {
    HandoffWrite why{};
    std::string message; // for the user: what happened to the pictures and what to do
};

// The refusal for `why`, its message naming `detail`: the path that does not fit
// (PathTooLong), why the queue could not take the record (NotQueued), or the program that
// could not be started (NotStarted).
HandoffRefusal RefuseHandoff(HandoffWrite why, const std::string& detail = {});

// Whether `files` fit the record: at most HANDOFF_MAX_FILES paths, each with its NUL within its
// 260-byte entry.
plat::Result<void, HandoffRefusal> CheckHandoff(const std::vector<std::string>& files);

// Writes a pending record into a block of HANDOFF_BLOCK_SIZE bytes: the header and the paths,
// then the ready byte. A selection that does not fit is refused whole and the block is left
// untouched: a path is never cut and a picture never dropped.
plat::Result<void, HandoffRefusal> WriteHandoff(unsigned char* block, std::uint32_t command,
                                                const std::vector<std::string>& files);

// Reads a block: with a pending record, marks it consumed by setting cReady to 0, then appends
// its paths to `files` in order (at most HANDOFF_MAX_FILES, each read only within its entry) and
// returns the header. Nothing pending, or a cReady of 1..127, gives a zero header and leaves the
// block as it is.
HandoffHeader ReadHandoffBlock(unsigned char* block, std::vector<std::string>& files);
