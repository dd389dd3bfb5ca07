// The hand-off's Windows backend: the one record of the named file mapping "vtl", written by
// one writer at a time (HandoffQueue.h).
#include "app/model/base/HandoffQueue.h"

#include "platform/Process.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

constexpr unsigned char kPending = 0xFF;
constexpr unsigned char kBeingRead = 1;
// How often a waiting writer looks whether its record was taken.
constexpr auto kLookInterval = std::chrono::milliseconds(20);
// How long the next writer waits for a reader still copying the record, and for a record left by
// a writer that ended while it waited (its vtl may still take it; no one is left to tell the
// user otherwise) before its own record replaces it.
constexpr auto kOrphanGrace = std::chrono::seconds(5);

bool Pending(unsigned char ready) {
    return (ready & 0x80) != 0;
}

} // namespace

plat::Result<void, HandoffRefusal> CHandoffQueue::HandOver(const std::string& program,
                                                           std::uint32_t command,
                                                           const std::vector<std::string>& files) {
    std::string record(HANDOFF_BLOCK_SIZE, '\0');
    unsigned char* bytes = reinterpret_cast<unsigned char*>(record.data());
    if (auto fits = WriteHandoff(bytes, command, files); !fits)
        return fits;

    plat::CNamedMutex writers(HANDOFF_MUTEX_NAME);
    bool abandoned = false;
    if (!writers.Lock(&abandoned))
        return RefuseHandoff(HandoffWrite::NotQueued, std::string("the lock \"") +
                                                          HANDOFF_MUTEX_NAME +
                                                          "\" of the hand-off cannot be used.");
    unsigned char* block = m_store->Bytes();
    std::atomic_ref<unsigned char> ready(block[0]);
    // A reader may still be copying the last record; and one that a writer left when it ended
    // while it waited may still be taken by its vtl.
    const auto until = std::chrono::steady_clock::now() + kOrphanGrace;
    while ((ready.load() == kBeingRead || (abandoned && Pending(ready.load()))) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(kLookInterval);
    // The header and the paths first; the ready byte last, so no reader sees half a record.
    std::copy(bytes + 1, bytes + HANDOFF_BLOCK_SIZE, block + 1);
    ready.store(kPending, std::memory_order_release);

    plat::CStartedProgram started;
    if (!plat::WinExec(program, {}, &started)) {
        unsigned char mine = kPending;
        ready.compare_exchange_strong(mine, 0);
        return RefuseHandoff(HandoffWrite::NotStarted, program);
    }
    // No time limit while the program runs: a busy machine may take long to start it.
    for (;;) {
        unsigned char now = ready.load(std::memory_order_acquire);
        if (now == 0)
            return plat::Ok{};
        if (!started.WaitForEnd(kLookInterval))
            continue;
        // Ended: what is still pending is ours to take back; a record being read was claimed.
        if (!Pending(now))
            return plat::Ok{};
        if (ready.compare_exchange_strong(now, 0))
            return RefuseHandoff(HandoffWrite::NotTaken);
    }
}

std::optional<HandoffHeader> CHandoffQueue::Take(const std::string&,
                                                 std::vector<std::string>& files) {
    if (!m_store)
        return std::nullopt;
    std::atomic_ref<unsigned char> ready(m_store->Bytes()[0]);
    unsigned char seen = ready.load(std::memory_order_acquire);
    while (Pending(seen) &&
           !ready.compare_exchange_weak(seen, kBeingRead, std::memory_order_acq_rel))
        ;
    if (!Pending(seen))
        return std::nullopt;
    std::string copy(reinterpret_cast<const char*>(m_store->Bytes()), HANDOFF_BLOCK_SIZE);
    copy[0] = static_cast<char>(seen);
    const HandoffHeader header =
        ReadHandoffBlock(reinterpret_cast<unsigned char*>(copy.data()), files);
    ready.store(0, std::memory_order_release);
    return header;
}
