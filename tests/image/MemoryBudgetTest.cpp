// The budget that pictures worked on at once share: who gets memory now, who waits, who is
// refused, and that a thread is never made to wait for itself.
#include "image/base/MemoryBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <optional>
#include <thread>

using vtlimage::CMemoryBudget;

namespace {

// Holds `bytes` of the budget on a thread of its own until dropped, so that the grant counts
// as another thread's.
class COtherThread {
  public:
    COtherThread(CMemoryBudget& budget, std::size_t bytes)
        : m_thread([&budget, bytes, this] {
              const auto grant = budget.Take(bytes);
              m_holding.count_down();
              m_drop.wait();
          }) {
        m_holding.wait();
    }
    ~COtherThread() { Drop(); }
    void Drop() {
        if (m_thread.joinable())
            m_drop.count_down(), m_thread.join();
    }

  private:
    std::latch m_holding{1};
    std::latch m_drop{1};
    std::thread m_thread;
};

bool FreeForAnotherThread(CMemoryBudget& budget, std::size_t bytes) {
    bool granted = false;
    std::thread([&] { granted = budget.TryTake(bytes).has_value(); }).join();
    return granted;
}

TEST(MemoryBudget, AClaimIsGrantedWhenItFitsBesideWhatOtherThreadsHold) {
    // A budget of 100 bytes, 150 for one claim alone: what another thread holds, what this one
    // holds, the claim, whether it is granted.
    const std::tuple<std::size_t, std::size_t, std::size_t, bool> rows[] = {
        {0, 0, 100, true},   // the whole budget
        {0, 0, 101, false},  // more than the whole budget is never granted at once
        {0, 90, 100, true},  // this thread's own grants do not count against it
        {30, 60, 70, true},  // what is left
        {30, 60, 71, false}, // a byte too many
    };
    for (const auto& [othersHold, ownHold, claim, granted] : rows) {
        SCOPED_TRACE(testing::Message() << othersHold << " held by another thread, " << ownHold
                                        << " by this one, " << claim << " claimed");
        CMemoryBudget budget(100, 150);
        std::optional<COtherThread> other;
        if (othersHold > 0)
            other.emplace(budget, othersHold);
        const auto own = budget.Take(ownHold);
        EXPECT_EQ(budget.TryTake(claim).has_value(), granted);
    }
}

// A claim above the largest is refused at once, even with nothing held, so that a picture that
// would need it fails instead of waiting or taking gigabytes; up to it, one claim alone waits
// for its turn and gets it.
TEST(MemoryBudget, AClaimAboveTheLargestIsRefusedAtOnce) {
    CMemoryBudget budget(100, 150);
    EXPECT_FALSE(budget.Take(151).has_value());
    EXPECT_FALSE(budget.TryTake(151).has_value());
    auto alone = budget.Take(150);
    ASSERT_TRUE(alone.has_value());
    EXPECT_FALSE(FreeForAnotherThread(budget, 1));
}

TEST(MemoryBudget, AClaimWaitsUntilAnotherThreadDropsWhatItHolds) {
    for (const std::size_t claim : {std::size_t{50}, std::size_t{500}}) {
        SCOPED_TRACE(claim); // within the budget, and larger than all of it
        CMemoryBudget budget(100, 500);
        COtherThread other(budget, 80);
        std::atomic<bool> granted{false};
        std::thread waiter([&] {
            const auto grant = budget.Take(claim);
            granted = grant.has_value();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(granted);
        other.Drop();
        waiter.join();
        EXPECT_TRUE(granted);
        // Every grant is gone again: the whole budget is free.
        EXPECT_TRUE(FreeForAnotherThread(budget, 100));
    }
}

TEST(MemoryBudget, AGrantMovedToAnotherThreadIsReturnedWhenDroppedThere) {
    CMemoryBudget budget(100, 100);
    CMemoryBudget::CGrant grant = *budget.Take(100);
    EXPECT_FALSE(FreeForAnotherThread(budget, 1));
    std::thread([moved = std::move(grant)]() mutable { moved = {}; }).join();
    EXPECT_TRUE(FreeForAnotherThread(budget, 100));
}

} // namespace
