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

CHandoffQueue::CHandoffQueue(bool create)
    : m_queue(HandoffQueueName(), HANDOFF_BLOCK_SIZE, create) {}

HandoffWrite CHandoffQueue::Post(std::uint32_t command, const std::vector<std::string>& files,
                                 std::string* record, std::string* detail) {
    std::string block(HANDOFF_BLOCK_SIZE, '\0');
    const HandoffWrite fits =
        WriteHandoff(reinterpret_cast<unsigned char*>(block.data()), command, files, detail);
    if (fits != HandoffWrite::Written)
        return fits;
    const std::string name = m_queue.Publish(block, detail);
    if (name.empty())
        return HandoffWrite::NotQueued;
    if (record)
        *record = name;
    return HandoffWrite::Written;
}

HandoffWrite CHandoffQueue::HandOver(const std::string& program, std::uint32_t command,
                                     const std::vector<std::string>& files, std::string* detail) {
    std::string record;
    if (const HandoffWrite posted = Post(command, files, &record, detail);
        posted != HandoffWrite::Written)
        return posted;
    plat::CStartedProgram started;
    if (!plat::WinExec(program, {std::string(HANDOFF_RECORD_VARIABLE) + "=" + record}, &started)) {
        m_queue.Take(record);
        if (detail)
            *detail = program;
        return HandoffWrite::NotStarted;
    }
    // No time limit: a busy machine may take long to start the program, and the record is
    // never given up while the program that is to take it runs.
    while (m_queue.IsQueued(record)) {
        if (started.WaitForEnd(kLookInterval))
            // It may have taken the record just before it ended: what is still there is ours.
            return m_queue.Take(record) ? HandoffWrite::NotTaken : HandoffWrite::Written;
    }
    return HandoffWrite::Written;
}

HandoffHeader CHandoffQueue::Take(const std::string& record, std::vector<std::string>& files,
                                  bool* taken) {
    std::optional<std::string> bytes = record.empty() ? m_queue.TakeOldest() : m_queue.Take(record);
    if (taken)
        *taken = bytes && !bytes->empty() && (*bytes)[0] != 0;
    if (!bytes)
        return {};
    bytes->resize(HANDOFF_BLOCK_SIZE);
    return ReadHandoffBlock(reinterpret_cast<unsigned char*>(bytes->data()), files);
}

std::vector<std::pair<std::string, std::vector<unsigned char>>> CHandoffQueue::Peek() const {
    std::vector<std::pair<std::string, std::vector<unsigned char>>> records;
    for (const auto& [name, bytes] : m_queue.Peek())
        records.emplace_back(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
    return records;
}

#endif

HandoffRead ReadHandoff(std::vector<std::string>& files) {
    HandoffRead read;
    const char* variable = std::getenv(HANDOFF_RECORD_VARIABLE);
    const std::string mine = variable ? variable : "";
    CHandoffQueue queue(false);
    read.refusal = queue.Refusal();
    if (!queue.IsOpen())
        return read;
    read.command = queue.Take(mine, files, &read.pending).nCommand;
    read.takenElsewhere = !mine.empty() && !read.pending;
    return read;
}
