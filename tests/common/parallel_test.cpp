#include "common/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tarnovel {
namespace {

// One team serves many rounds of different sizes, as a run's blocks do:
// every item once, on a thread of the team, with `alongside` on the caller.
TEST(ThreadTeam, EveryRoundHandsOutEachItemOnceAndRunsAlongsideOnTheCaller) {
    for (const unsigned threads : {1u, 2u, 3u}) {
        ThreadTeam team(threads);
        for (std::size_t count : {0u, 1u, 2u, 7u, 300u}) {
            std::vector<std::atomic<int>> seen(count);
            std::atomic<bool> badThread{false};
            std::thread::id alongsideOn;
            team.ForEach(
                count,
                [&](std::size_t i, unsigned t) {
                    ++seen[i];
                    if (t >= threads) badThread = true;
                },
                [&] { alongsideOn = std::this_thread::get_id(); });
            for (std::size_t i = 0; i < count; ++i)
                EXPECT_EQ(seen[i], 1) << threads << " threads, item " << i << " of " << count;
            EXPECT_FALSE(badThread);
            EXPECT_EQ(alongsideOn, std::this_thread::get_id());
        }
    }
}

// A failure ends its round with the failure, and the next round runs whole.
TEST(ThreadTeam, AFailureEndsItsRoundAndTheTeamWorksOn) {
    ThreadTeam team(2);
    EXPECT_THROW(team.ForEach(100,
                              [](std::size_t i, unsigned) {
                                  if (i == 40) throw std::runtime_error("item");
                              }),
                 std::runtime_error);

    // The calling thread's own work fails first: its failure is the one
    // that comes out, even though items fail too, and it takes no item.
    std::atomic<int> byCaller{0};
    try {
        team.ForEach(
            100,
            [&](std::size_t, unsigned t) {
                if (t == 0) ++byCaller;
                throw std::logic_error("item");
            },
            [] { throw std::runtime_error("alongside"); });
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "alongside");
    }
    EXPECT_EQ(byCaller, 0);

    std::atomic<int> done{0};
    team.ForEach(50, [&](std::size_t, unsigned) { ++done; });
    EXPECT_EQ(done, 50);
}

}  // namespace
}  // namespace tarnovel
