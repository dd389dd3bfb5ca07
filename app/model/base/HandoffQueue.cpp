#include "app/model/base/HandoffQueue.h"

#include "platform/Process.h"

#include <chrono>
#include <cstdlib>

// The queue's POSIX backend; HandoffQueueWin32.cpp is the Windows one.
#ifndef _WIN32
namespace {

// How often a waiting writer looks whether its record was taken.
constexpr auto kLookInterval = std::chrono::milliseconds(20);

} // namespace

plat::Result<std::string, HandoffRefusal>
CHandoffQueue::Post(std::uint32_t command, const std::vector<std::string>& files) {
    std::string block(HANDOFF_BLOCK_SIZE, '\0');
    if (auto fits = WriteHandoff(reinterpret_cast<unsigned char*>(block.data()), command, files);
        !fits)
        return fits.error();
    auto name = m_store->Publish(block);
    if (!name)
        return RefuseHandoff(HandoffWrite::NotQueued, name.error().message);
    return std::move(*name);
}

plat::Result<void, HandoffRefusal> CHandoffQueue::HandOver(const std::string& program,
                                                           std::uint32_t command,
                                                           const std::vector<std::string>& files) {
    const auto posted = Post(command, files);
    if (!posted)
        return posted.error();
    const std::string& record = *posted;
    plat::CStartedProgram started;
    if (!plat::WinExec(program, {std::string(HANDOFF_RECORD_VARIABLE) + "=" + record}, &started)) {
        m_store->Take(record);
        return RefuseHandoff(HandoffWrite::NotStarted, program);
    }
    // No time limit: a busy machine may take long to start the program, and the record is
    // never given up while the program that is to take it runs.
    while (m_store->IsQueued(record)) {
        // It may have taken the record just before it ended: what is still there is ours.
        if (started.WaitForEnd(kLookInterval)) {
            if (m_store->Take(record))
                return RefuseHandoff(HandoffWrite::NotTaken);
            break;
        }
    }
    return plat::Ok{};
}

std::optional<HandoffHeader> CHandoffQueue::Take(const std::string& record,
                                                 std::vector<std::string>& files) {
    if (!m_store)
        return std::nullopt;
    std::optional<std::string> bytes =
        record.empty() ? m_store->TakeOldest() : m_store->Take(record);
    if (!bytes || bytes->empty() || (*bytes)[0] == 0)
        return std::nullopt;
    bytes->resize(HANDOFF_BLOCK_SIZE);
    return ReadHandoffBlock(reinterpret_cast<unsigned char*>(bytes->data()), files);
}

std::vector<std::pair<std::string, std::vector<unsigned char>>> CHandoffQueue::Peek() const {
    std::vector<std::pair<std::string, std::vector<unsigned char>>> records;
    if (!m_store)
        return records;
    for (const auto& [name, bytes] : m_store->Peek())
        records.emplace_back(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    return records;
}

#endif

plat::Result<CHandoffQueue> CHandoffQueue::Open(bool create) {
#ifdef _WIN32
    auto store = std::make_unique<Store>(HANDOFF_BLOCK_NAME, HANDOFF_BLOCK_SIZE, create);
#else
    auto store = std::make_unique<Store>(HandoffQueueName(), HANDOFF_BLOCK_SIZE, create);
#endif
    if (!store->Refusal().empty())
        return plat::Failure{store->Refusal()};
    CHandoffQueue opened;
    if (store->IsOpen())
        opened.m_store = std::move(store);
    return opened;
}

plat::Result<HandoffRead> ReadHandoff(std::vector<std::string>& files) {
    HandoffRead read;
    const char* variable = std::getenv(HANDOFF_RECORD_VARIABLE);
    const std::string mine = variable ? variable : "";
    auto queue = CHandoffQueue::Open(false);
    if (!queue)
        return queue.error();
    const std::optional<HandoffHeader> taken = queue->Take(mine, files);
    read.pending = taken.has_value();
    read.command = taken ? taken->nCommand : HANDOFF_RESIZE_DIALOG;
    read.takenElsewhere = !mine.empty() && !read.pending;
    return read;
}
