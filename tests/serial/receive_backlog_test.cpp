// The bound on received data waiting for the owner: claims count until
// handled, the reader waits at the limit and goes on once half of it is
// gone, closing ends the wait.

#include "serial/receive_backlog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

using namespace std::chrono_literals;
using serial::ReceiveBacklog;

TEST(ReceiveBacklog, ClaimsCountUntilTheirBlocksAreGone)
{
    auto backlog = std::make_shared<ReceiveBacklog>();
    std::shared_ptr<void> block = backlog->Claim(2048);
    EXPECT_EQ(backlog->Waiting(), 2048u);
    {
        std::shared_ptr<void> copy = block; // a copied message shares the claim
        block.reset();
        EXPECT_EQ(backlog->Waiting(), 2048u);
    }
    EXPECT_EQ(backlog->Waiting(), 0u);
    // A small block costs its bookkeeping.
    std::shared_ptr<void> small = backlog->Claim(1);
    EXPECT_EQ(backlog->Waiting(), ReceiveBacklog::kLeastBlockCost);
    small.reset();
    EXPECT_EQ(backlog->MostWaiting(), 2048u);
}

// The reader's wait returns only once the owner has handled half: what
// waits when it returns says so (handling one block is not enough).
TEST(ReceiveBacklog, ReaderWaitsAtTheLimitUntilHalfIsHandled)
{
    auto backlog = std::make_shared<ReceiveBacklog>();
    std::vector<std::shared_ptr<void>> blocks;
    while (backlog->Waiting() < ReceiveBacklog::kLimit) {
        EXPECT_TRUE(backlog->WaitForRoom());
        blocks.push_back(backlog->Claim(2048));
    }
    std::atomic<size_t> waitingAtReturn{0};
    auto reader = std::async(std::launch::async, [&] {
        const bool room = backlog->WaitForRoom();
        waitingAtReturn = backlog->Waiting();
        return room;
    });
    blocks.erase(blocks.begin());
    while (backlog->Waiting() > ReceiveBacklog::kResumeAt)
        blocks.erase(blocks.begin());
    ASSERT_EQ(reader.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(reader.get());
    EXPECT_LE(waitingAtReturn, ReceiveBacklog::kResumeAt);
}

TEST(ReceiveBacklog, ClosingEndsTheWaitAndOutlivesNothing)
{
    auto backlog = std::make_shared<ReceiveBacklog>();
    std::shared_ptr<void> full = backlog->Claim(ReceiveBacklog::kLimit);
    auto reader = std::async(std::launch::async, [&] { return backlog->WaitForRoom(); });
    backlog->Close(); // while the reader waits, or before it does: either way it ends
    ASSERT_EQ(reader.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(reader.get());
    EXPECT_FALSE(backlog->WaitForRoom());
    // A block handled after its port closed gives back to its own backlog.
    std::weak_ptr<ReceiveBacklog> gone = backlog;
    backlog.reset();
    EXPECT_FALSE(gone.expired());
    full.reset();
    EXPECT_TRUE(gone.expired());
}
