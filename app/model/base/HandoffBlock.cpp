#include "app/model/base/HandoffBlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned char kPending = 0xFF;

void PutWord(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t GetWord(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

} // namespace

// Made anew for each queue rather than kept in a static: in the file manager a hand-over thread
// may still be opening its queue while the host process runs its exit handlers.
plat::QueueName HandoffQueueName() {
    const char* test = std::getenv("VTL_TEST_HANDOFF_BLOCK");
    if (test && *test && !std::strchr(test, '/'))
        return {test, test};
    return {"handoffs", "vtl-handoffs"};
}

plat::Result<void, HandoffRefusal> CheckHandoff(const std::vector<std::string>& files) {
    if (files.size() > HANDOFF_MAX_FILES)
        return RefuseHandoff(HandoffWrite::TooManyFiles);
    for (const auto& path : files) {
        if (path.size() >= HANDOFF_PATH_SIZE || path.find('\0') != std::string::npos)
            return RefuseHandoff(HandoffWrite::PathTooLong, path);
    }
    return plat::Ok{};
}

plat::Result<void, HandoffRefusal> WriteHandoff(unsigned char* block, std::uint32_t command,
                                                const std::vector<std::string>& files) {
    // Everything is checked before the first byte is written.
    if (auto fits = CheckHandoff(files); !fits)
        return fits;
    PutWord(block + 1, 4000);
    PutWord(block + 5, 4);
    PutWord(block + 9, static_cast<std::uint32_t>(files.size()));
    PutWord(block + 13, command);
    PutWord(block + 17, 0);
    unsigned char* entry = block + HANDOFF_HEADER_SIZE;
    for (const auto& path : files) {
        // Only the path and its NUL: the bytes behind it are left as they were.
        std::memcpy(entry, path.c_str(), path.size() + 1);
        entry += HANDOFF_PATH_SIZE;
    }
    block[0] = kPending;
    return plat::Ok{};
}

namespace {

std::string RefusalText(HandoffWrite why, const std::string& detail) {
    switch (why) {
    case HandoffWrite::TooManyFiles:
        return "Vantrel can take at most " + std::to_string(HANDOFF_MAX_FILES) +
               " pictures at once. Please select fewer pictures and try again.";
    case HandoffWrite::PathTooLong:
        return "The path of this picture is too long for Vantrel (at most " +
               std::to_string(HANDOFF_PATH_SIZE - 1) + " bytes):\n" + detail +
               "\nNo picture was handed over.";
    case HandoffWrite::NotQueued:
        return "The pictures could not be handed to Vantrel:\n" + detail;
    case HandoffWrite::NotStarted:
        return "Vantrel could not be started from " + detail +
               ". Please run vtl once so that it records where it is.";
    case HandoffWrite::NotTaken:
        return "Vantrel ended before it took the pictures: nothing was done with them. "
               "Please try again.";
    }
    return "";
}

} // namespace

HandoffRefusal RefuseHandoff(HandoffWrite why, const std::string& detail) {
    return {why, RefusalText(why, detail)};
}

HandoffHeader ReadHandoffBlock(unsigned char* block, std::vector<std::string>& files) {
    HandoffHeader header;
    if (static_cast<signed char>(block[0]) >= 0)
        return header;
    block[0] = 0;
    header.nReservedA = GetWord(block + 1);
    header.nReservedB = GetWord(block + 5);
    header.nPathCount = GetWord(block + 9);
    header.nCommand = GetWord(block + 13);
    header.nReservedC = GetWord(block + 17);
    // A count the block cannot hold reads the entries that are there, never past the end.
    const std::size_t count = std::min<std::size_t>(header.nPathCount, HANDOFF_MAX_FILES);
    for (std::size_t i = 0; i < count; ++i) {
        const char* entry =
            reinterpret_cast<const char*>(block + HANDOFF_HEADER_SIZE + i * HANDOFF_PATH_SIZE);
        files.emplace_back(entry, strnlen(entry, HANDOFF_PATH_SIZE));
    }
    return header;
}
