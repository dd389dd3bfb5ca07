#include "app/core/HandoffBlock.h"

#include "app/core/HandoffMapping.h"

#include <algorithm>
#include <atomic>
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

const plat::MappingName& HandoffBlockName() {
    static const plat::MappingName name = [] {
        const char* test = std::getenv("VTL_TEST_HANDOFF_BLOCK");
        if (test && *test && !std::strchr(test, '/'))
            return plat::MappingName{test, test};
        return plat::MappingName{"handoff", "vtl"};
    }();
    return name;
}

HandoffWrite CheckHandoff(const std::vector<std::string>& files, std::string* refusedPath) {
    if (files.size() > HANDOFF_MAX_FILES)
        return HandoffWrite::TooManyFiles;
    for (const auto& path : files) {
        if (path.size() >= HANDOFF_PATH_SIZE || path.find('\0') != std::string::npos) {
            if (refusedPath)
                *refusedPath = path;
            return HandoffWrite::PathTooLong;
        }
    }
    return HandoffWrite::Written;
}

HandoffWrite WriteHandoff(unsigned char* block, std::uint32_t command, const std::vector<std::string>& files,
                          std::string* refusedPath) {
    // Everything is checked before the first byte is written, so a refused selection leaves
    // a record that another start may still be about to read exactly as it was.
    if (const HandoffWrite fits = CheckHandoff(files, refusedPath); fits != HandoffWrite::Written)
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
    std::atomic_ref<unsigned char>(block[0]).store(kPending, std::memory_order_release);
    return HandoffWrite::Written;
}

bool IsHandoffPending(unsigned char* block) {
    const unsigned char ready = std::atomic_ref<unsigned char>(block[0]).load(std::memory_order_acquire);
    return static_cast<signed char>(ready) < 0;
}

std::string HandoffRefusalText(HandoffWrite result, const std::string& refusedPath) {
    switch (result) {
    case HandoffWrite::TooManyFiles:
        return "Vantrel can take at most " + std::to_string(HANDOFF_MAX_FILES) +
               " pictures at once. Please select fewer pictures and try again.";
    case HandoffWrite::PathTooLong:
        return "The path of this picture is too long for Vantrel (at most " + std::to_string(HANDOFF_PATH_SIZE - 1) +
               " bytes):\n" + refusedPath + "\nNo picture was handed over.";
    case HandoffWrite::Written: break;
    }
    return "";
}

HandoffHeader ReadHandoffBlock(unsigned char* block, std::vector<std::string>& files) {
    HandoffHeader header;
    std::atomic_ref<unsigned char> ready(block[0]);
    unsigned char seen = ready.load(std::memory_order_acquire);
    do {
        if (static_cast<signed char>(seen) >= 0)
            return header;
    } while (!ready.compare_exchange_weak(seen, 0, std::memory_order_acquire));
    header.nReservedA = GetWord(block + 1);
    header.nReservedB = GetWord(block + 5);
    header.nPathCount = GetWord(block + 9);
    header.nCommand = GetWord(block + 13);
    header.nReservedC = GetWord(block + 17);
    // A count the block cannot hold reads the entries that are there, never past the end.
    const std::size_t count = std::min<std::size_t>(header.nPathCount, HANDOFF_MAX_FILES);
    for (std::size_t i = 0; i < count; ++i) {
        const char* entry = reinterpret_cast<const char*>(block + HANDOFF_HEADER_SIZE + i * HANDOFF_PATH_SIZE);
        files.emplace_back(entry, strnlen(entry, HANDOFF_PATH_SIZE));
    }
    return header;
}

std::uint32_t ReadHandoff(std::vector<std::string>& files, bool* pending, std::string* refusal) {
    CHandoffMapping mapping(false);
    if (refusal)
        *refusal = mapping.Refusal();
    if (!mapping.IsOpen()) {
        if (pending)
            *pending = false;
        return HANDOFF_RESIZE_DIALOG;
    }
    return mapping.Read(files, pending).nCommand;
}
