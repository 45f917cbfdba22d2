// ForEachOrdered: results consumed in index order whatever the threads, memory bounded by the
// window, the first failure in index order reported as on one thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/parallel.h"

namespace brisolt {
namespace {

// Later items finish first now and then, so that order comes from the pool, not from luck.
void Jitter(std::size_t index) {
  if (index % 7 == 3) std::this_thread::sleep_for(std::chrono::microseconds(300));
}

struct TShape {
  std::size_t Count;
  unsigned Threads;
  std::size_t Window;
};

constexpr TShape kShapes[] = {
    {0, 4, 8}, {1, 4, 8}, {5, 1, 1}, {50, 2, 2}, {50, 4, 3}, {200, 4, 8}, {200, 8, 1}, {3, 16, 64},
};

TEST(ForEachOrdered, ConsumesEveryResultInIndexOrderWithinTheWindow) {
  for (const TShape& shape : kShapes) {
    SCOPED_TRACE(std::to_string(shape.Count) + " items, " + std::to_string(shape.Threads) + " threads, window " +
                 std::to_string(shape.Window));
    std::atomic<std::size_t> started{0};
    std::atomic<std::size_t> taken{0};
    std::atomic<std::size_t> mostInFlight{0};
    std::vector<std::string> results;
    ForEachOrdered<std::string>(
        shape.Count, shape.Threads, shape.Window,
        [&](std::size_t index) {
          const std::size_t inFlight = ++started - taken.load();
          std::size_t seen = mostInFlight.load();
          while (inFlight > seen && !mostInFlight.compare_exchange_weak(seen, inFlight)) {
          }
          Jitter(index);
          return "item " + std::to_string(index);
        },
        [&](std::size_t index, std::string result) {
          ++taken;
          EXPECT_EQ(index, results.size());
          results.push_back(std::move(result));
        });
    ASSERT_EQ(results.size(), shape.Count);
    for (std::size_t index = 0; index < shape.Count; ++index) EXPECT_EQ(results[index], "item " + std::to_string(index));
    // The item handed to the consumer frees its place just before the consumer counts it.
    EXPECT_LE(mostInFlight.load(), std::max<std::size_t>({shape.Window, shape.Threads, 1}) + 1);
  }
}

TEST(ForEachOrdered, TheFirstFailureInIndexOrderEndsTheRunAfterEveryEarlierItem) {
  struct TCase {
    unsigned Threads;
    std::vector<std::size_t> Failing;  // the first of them wins, even when a later one fails sooner
    std::size_t Expected;
  };
  const TCase cases[] = {
      {1, {4}, 4}, {4, {4}, 4}, {4, {3, 5}, 3}, {4, {10, 11, 12}, 10}, {2, {0}, 0}, {4, {39}, 39},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(std::to_string(test.Threads) + " threads, first failing item " + std::to_string(test.Expected));
    std::vector<std::size_t> consumed;
    try {
      ForEachOrdered<std::size_t>(
          40, test.Threads, 6,
          [&](std::size_t index) {
            // The winning failure is the slowest to come.
            if (index == test.Expected) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            for (const std::size_t failing : test.Failing) {
              if (index == failing) throw std::runtime_error("bad item " + std::to_string(index));
            }
            return index;
          },
          [&](std::size_t index, std::size_t) { consumed.push_back(index); });
      ADD_FAILURE() << "no failure reported";
    } catch (const std::runtime_error& failure) {
      EXPECT_EQ(std::string(failure.what()), "bad item " + std::to_string(test.Expected));
    }
    ASSERT_EQ(consumed.size(), test.Expected);
    for (std::size_t index = 0; index < consumed.size(); ++index) EXPECT_EQ(consumed[index], index);
  }
}

TEST(ForEachOrdered, AFailingConsumerStopsTheWorkers) {
  std::atomic<std::size_t> producedCount{0};
  EXPECT_THROW(ForEachOrdered<int>(
                   1000, 4, 4,
                   [&](std::size_t) {
                     ++producedCount;
                     return 1;
                   },
                   [](std::size_t index, int) {
                     if (index == 5) throw std::logic_error("stop");
                   }),
               std::logic_error);
  // Only the window beyond the failing item may have been produced.
  EXPECT_LE(producedCount.load(), 6u + 4u);
}

TEST(WorkerCount, ARequestAboveZeroWinsOverTheMachine) {
  EXPECT_EQ(WorkerCount(3), 3u);
  EXPECT_GE(WorkerCount(0), 1u);
  EXPECT_EQ(WorkerCount(0), WorkerCount(-1));
}

}  // namespace
}  // namespace brisolt
