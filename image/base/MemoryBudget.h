#pragma once
// Memory that the library holds for a whole picture at once (a progressive JPEG keeps all its
// coefficients, 2 bytes a sample: 88 MB for 5120 x 2880 with full-size chroma; an interlaced PNG
// or a GIF is decoded whole; a turned picture is held whole), shared out among the pictures
// worked on at the same time. Without it the peak of a batch depended on which pictures
// happened to be decoded together, and a larger batch met more such pairs. A claim larger than
// the largest the budget allows is refused outright: a picture that needs it fails cleanly
// instead of taking gigabytes (a small file can claim a picture of 300 million pixels).
//
// Callers: the picture source, the JPEG decoders, CxImage and the encoder, on any thread. A
// grant is taken on the thread that opens a decode and may be dropped on another.
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace vtlimage {

class CMemoryBudget {
  public:
    // `bytes` shared at once; one claim alone may take up to `largest`.
    CMemoryBudget(std::size_t bytes, std::size_t largest) : m_nBytes(bytes), m_nLargest(largest) {}
    CMemoryBudget(const CMemoryBudget&) = delete;
    CMemoryBudget& operator=(const CMemoryBudget&) = delete;

    // Bytes held until the grant is dropped.
    class CGrant {
      public:
        CGrant() = default;
        CGrant(CGrant&& other) noexcept;
        CGrant& operator=(CGrant&& other) noexcept;
        ~CGrant();
        // Gives back all but `bytes` of the grant (a grant never grows).
        void Keep(std::size_t bytes);

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
    // Nothing, at once, for a claim larger than Largest().
    std::optional<CGrant> Take(std::size_t bytes);
    // The grant if `bytes` fit beside what others hold now, nothing otherwise (also for a claim
    // larger than the whole budget).
    std::optional<CGrant> TryTake(std::size_t bytes);

    // The largest claim granted, when nothing else is held.
    std::size_t Largest() const { return m_nLargest; }

    // The library's budget (WorkLimits.h): enough for every picture a batch has in flight at
    // once, or one decoded on two threads; one picture alone may hold up to
    // kLargestPictureBytes.
    static CMemoryBudget& Library();

  private:
    bool Fits(std::size_t bytes, std::thread::id taker, bool aloneFits) const;
    void Release(std::thread::id taker, std::size_t bytes);

    const std::size_t m_nBytes;
    const std::size_t m_nLargest;
    std::mutex m_lock;
    std::condition_variable m_released;
    std::map<std::thread::id, std::size_t> m_held; // by the thread that took them
};

} // namespace vtlimage
