// The store of large blocks kept between frames: a freed block is handed out again to a
// request it fits, small ones are not kept, the store never holds more than its limit,
// and it empties on request; blocks taken and given on several threads at once stay whole.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "render/layout/KeptBlocks.h"

using namespace Render;

namespace {

constexpr size_t kMB = size_t{1} << 20;

TEST(KeptBlocks, FreedBlocksServeLaterRequestsTheyFit) {
    ReleaseKeptBlocks();
    void* a = TakeBlock(8 * kMB);
    std::memset(a, 1, 8 * kMB);
    GiveBlock(a, 8 * kMB);
    EXPECT_EQ(KeptBytes(), 8 * kMB);
    void* same = TakeBlock(6 * kMB);  // fits, and not more than twice the need
    EXPECT_EQ(same, a);
    EXPECT_EQ(KeptBytes(), 0u);
    GiveBlock(same, 6 * kMB);  // keeps its whole capacity
    EXPECT_EQ(KeptBytes(), 8 * kMB);
    void* other = TakeBlock(3 * kMB);  // the kept block is over twice as large
    EXPECT_NE(other, a);
    GiveBlock(other, 3 * kMB);
    void* small = TakeBlock(kKeptBlockMinBytes - 1);
    GiveBlock(small, kKeptBlockMinBytes - 1);
    EXPECT_EQ(KeptBytes(), 11 * kMB) << "small blocks go back to the heap";

    // At most the limit: the oldest blocks make room, one larger than the store is freed.
    std::vector<void*> blocks;
    for (int i = 0; i < 6; ++i) blocks.push_back(TakeBlock(kKeptBytesMax / 4));
    for (void* b : blocks) GiveBlock(b, kKeptBytesMax / 4);
    EXPECT_EQ(KeptBytes(), kKeptBytesMax);
    GiveBlock(TakeBlock(kKeptBytesMax + kMB), kKeptBytesMax + kMB);
    EXPECT_EQ(KeptBytes(), kKeptBytesMax);
    ReleaseKeptBlocks();
    EXPECT_EQ(KeptBytes(), 0u);
}

TEST(ConcurrentKeptBlocks, ThreadsTakeAndGiveWithoutSharingABlock) {
    ReleaseKeptBlocks();
    std::vector<std::thread> threads;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &bad] {
            for (int round = 0; round < 20; ++round) {
                const size_t bytes = (2 + (round + t) % 3) * kMB;
                auto* p = static_cast<unsigned char*>(TakeBlock(bytes));
                std::memset(p, t + 1, bytes);
                for (size_t i = 0; i < bytes; i += 4096) bad[t] += p[i] != t + 1;
                GiveBlock(p, bytes);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(bad[t], 0) << "thread " << t;
    EXPECT_LE(KeptBytes(), kKeptBytesMax);
    ReleaseKeptBlocks();
}

}  // namespace
