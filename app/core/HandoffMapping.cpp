#include "app/core/HandoffMapping.h"

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPendingWait = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(10);

} // namespace

CHandoffMapping::CHandoffMapping(bool create) {
    const plat::MappingName& name = HandoffBlockName();
    m_mapping = create ? plat::CreateFileMapping(name, HANDOFF_BLOCK_SIZE, &m_refusal)
                       : plat::OpenFileMapping(name, HANDOFF_BLOCK_SIZE, &m_refusal);
    m_block = static_cast<unsigned char*>(plat::MapViewOfFile(m_mapping));
    if (m_mapping && !m_block)
        m_refusal = plat::FileMappingPath(name) + " cannot be mapped into memory.";
}

CHandoffMapping::~CHandoffMapping() {
    if (m_block)
        plat::UnmapViewOfFile(m_block);
    plat::CloseHandle(m_mapping);
}

HandoffWrite CHandoffMapping::Write(std::uint32_t command, const std::vector<std::string>& files,
                                    std::string* refusedPath) {
    if (const HandoffWrite fits = CheckHandoff(files, refusedPath); fits != HandoffWrite::Written)
        return fits;
    const Clock::time_point giveUp = Clock::now() + kPendingWait;
    for (;;) {
        {
            const plat::CMappingLock lock(m_mapping);
            if (!IsHandoffPending(m_block) || Clock::now() >= giveUp)
                return WriteHandoff(m_block, command, files);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

HandoffHeader CHandoffMapping::Read(std::vector<std::string>& files, bool* pending) {
    const plat::CMappingLock lock(m_mapping);
    if (pending)
        *pending = m_block[0] != 0;
    return ReadHandoffBlock(m_block, files);
}

std::vector<unsigned char> CHandoffMapping::Copy() {
    const plat::CMappingLock lock(m_mapping);
    return {m_block, m_block + HANDOFF_BLOCK_SIZE};
}
