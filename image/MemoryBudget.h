#pragma once
// Memory that decoders hold for a whole picture at once (a progressive JPEG keeps all its
// coefficients, 2 bytes a sample: 88 MB for 5120 x 2880 with full-size chroma), shared out
// among the pictures decoded at the same time. Without it the peak of a batch depended on
// which pictures happened to be decoded together, and a larger batch met more such pairs.
//
// Callers: the JPEG decoder, on any thread. A grant is taken on the thread that opens a decode
// and may be dropped on another.
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace vtlimage {

class CMemoryBudget {
  public:
    explicit CMemoryBudget(std::size_t bytes) : m_nBytes(bytes) {}
    CMemoryBudget(const CMemoryBudget&) = delete;
    CMemoryBudget& operator=(const CMemoryBudget&) = delete;

    // Bytes held until the grant is dropped.
    class CGrant {
      public:
        CGrant() = default;
        CGrant(CGrant&& other) noexcept;
        CGrant& operator=(CGrant&& other) noexcept;
        ~CGrant();

      private:
        friend class CMemoryBudget;
        CGrant(CMemoryBudget* budget, std::thread::id taker, std::size_t bytes)
            : m_pBudget(budget), m_taker(taker), m_nBytes(bytes) {}
        void Drop();

        CMemoryBudget* m_pBudget = nullptr;
        std::thread::id m_taker;
        std::size_t m_nBytes = 0;
    };

    // Waits until `bytes` fit beside what is held. A claim larger than the whole budget waits
    // until nothing is held, and grants taken on the calling thread never make it wait: that
    // thread may hold a picture it has not read yet, which would otherwise never be released.
    CGrant Take(std::size_t bytes);
    // The grant if `bytes` fit beside what others hold now, nothing otherwise (also for a claim
    // larger than the whole budget).
    std::optional<CGrant> TryTake(std::size_t bytes);

    // The budget of the library's decoders: enough for two such 14.7 MP pictures at once, or one
    // decoded on two threads.
    static CMemoryBudget& Decoders();

  private:
    bool Fits(std::size_t bytes, std::thread::id taker, bool aloneFits) const;
    void Release(std::thread::id taker, std::size_t bytes);

    const std::size_t m_nBytes;
    std::mutex m_lock;
    std::condition_variable m_released;
    std::map<std::thread::id, std::size_t> m_held; // by the thread that took them
};

} // namespace vtlimage
