#include "image/base/MemoryBudget.h"

#include "image/WorkLimits.h"

#include <utility>

namespace vtlimage {

CMemoryBudget::CGrant::CGrant(CGrant&& other) noexcept
    : m_pBudget(std::exchange(other.m_pBudget, nullptr)), m_taker(other.m_taker),
      m_nBytes(other.m_nBytes) {}

CMemoryBudget::CGrant& CMemoryBudget::CGrant::operator=(CGrant&& other) noexcept {
    if (this != &other) {
        Drop();
        m_pBudget = std::exchange(other.m_pBudget, nullptr);
        m_taker = other.m_taker;
        m_nBytes = other.m_nBytes;
    }
    return *this;
}

CMemoryBudget::CGrant::~CGrant() {
    Drop();
}

void CMemoryBudget::CGrant::Keep(std::size_t bytes) {
    if (!m_pBudget || bytes >= m_nBytes)
        return;
    m_pBudget->Release(m_taker, m_nBytes - bytes);
    m_nBytes = bytes;
    if (bytes == 0)
        m_pBudget = nullptr;
}

void CMemoryBudget::CGrant::Drop() {
    if (m_pBudget)
        std::exchange(m_pBudget, nullptr)->Release(m_taker, m_nBytes);
}

bool CMemoryBudget::Fits(std::size_t bytes, std::thread::id taker, bool aloneFits) const {
    std::size_t others = 0;
    for (const auto& [thread, held] : m_held)
        if (thread != taker)
            others += held;
    return (aloneFits && others == 0) || others + bytes <= m_nBytes;
}

std::optional<CMemoryBudget::CGrant> CMemoryBudget::Take(std::size_t bytes) {
    if (bytes == 0)
        return CGrant();
    if (bytes > m_nLargest)
        return std::nullopt;
    const std::thread::id taker = std::this_thread::get_id();
    std::unique_lock lock(m_lock);
    m_released.wait(lock, [&] { return Fits(bytes, taker, true); });
    m_held[taker] += bytes;
    return CGrant(this, taker, bytes);
}

std::optional<CMemoryBudget::CGrant> CMemoryBudget::TryTake(std::size_t bytes) {
    if (bytes == 0)
        return CGrant();
    const std::thread::id taker = std::this_thread::get_id();
    std::lock_guard lock(m_lock);
    if (!Fits(bytes, taker, false))
        return std::nullopt;
    m_held[taker] += bytes;
    return CGrant(this, taker, bytes);
}

void CMemoryBudget::Release(std::thread::id taker, std::size_t bytes) {
    {
        std::lock_guard lock(m_lock);
        const auto held = m_held.find(taker);
        if ((held->second -= bytes) == 0)
            m_held.erase(held);
    }
    m_released.notify_all();
}

CMemoryBudget& CMemoryBudget::Library() {
    static CMemoryBudget budget(kMemoryBudgetBytes, kLargestPictureBytes);
    return budget;
}

} // namespace vtlimage
