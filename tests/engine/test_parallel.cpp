// ForEachOrdered: results consumed in index order whatever the threads, batches and window, memory
// bounded by the window, the first failure in index order reported as on one thread, and each
// worker's state its own, made and destroyed on the worker's thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/parallel.h"

namespace brisolt {
namespace {

// Later items finish first now and then, so that order comes from the pool, not from luck.
void Jitter(std::size_t index) {
  if (index % 7 == 3) std::this_thread::sleep_for(std::chrono::microseconds(300));
}

// Watches one ordered run: how many items were in flight at most (started by a worker and not
// yet taken by the consumer), and the results in the order the consumer took them.
struct TOrderWatch {
  std::atomic<std::size_t> Started{0};
  std::atomic<std::size_t> Taken{0};
  std::atomic<std::size_t> MostInFlight{0};
  std::vector<std::string> Results;

  // In a worker, as an item starts.
  void Start() {
    const std::size_t inFlight = ++Started - Taken.load();
    std::size_t seen = MostInFlight.load();
    while (inFlight > seen && !MostInFlight.compare_exchange_weak(seen, inFlight)) {
    }
  }
  // In the consumer: each result must come in index order.
  void Take(std::size_t index, std::string result) {
    ++Taken;
    EXPECT_EQ(index, Results.size());
    Results.push_back(std::move(result));
  }
  void ExpectEveryItem(std::size_t count) const {
    ASSERT_EQ(Results.size(), count);
    for (std::size_t index = 0; index < count; ++index) EXPECT_EQ(Results[index], "item " + std::to_string(index));
  }
};

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
    TOrderWatch watch;
    ForEachOrdered<std::string>(
        shape.Count, shape.Threads, shape.Window,
        [&](std::size_t index) {
          watch.Start();
          Jitter(index);
          return "item " + std::to_string(index);
        },
        [&](std::size_t index, std::string result) { watch.Take(index, std::move(result)); });
    watch.ExpectEveryItem(shape.Count);
    // The item handed to the consumer frees its place just before the consumer counts it.
    EXPECT_LE(watch.MostInFlight.load(), std::max<std::size_t>({shape.Window, shape.Threads, 1}) + 1);
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
  struct TNoState {};
  for (const TCase& test : cases) {
    for (const std::size_t batch : {1, 4}) {
      SCOPED_TRACE(std::to_string(test.Threads) + " threads, batch " + std::to_string(batch) +
                   ", first failing item " + std::to_string(test.Expected));
      std::vector<std::size_t> consumed;
      try {
        ForEachOrderedIn<std::size_t, TNoState>(
            40, TOrderedShape{.Threads = test.Threads, .Window = 6, .Batch = batch},
            [&](TNoState&, std::size_t index) {
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
  // The same with batches: a worker stops within its batch.
  struct TNoState {};
  producedCount = 0;
  const auto inBatches = [&] {
    ForEachOrderedIn<int, TNoState>(
        1000, TOrderedShape{.Threads = 2, .Window = 16, .Batch = 8},
        [&](TNoState&, std::size_t) {
          ++producedCount;
          return 1;
        },
        [](std::size_t index, int) {
          if (index == 5) throw std::logic_error("stop");
        });
  };
  EXPECT_THROW(inBatches(), std::logic_error);
  EXPECT_LE(producedCount.load(), 6u + 16u);
}

// A state that tells whether it ever left its thread.
struct TOwnState {
  static inline std::atomic<int> Made{0};
  static inline std::atomic<int> DestroyedElsewhere{0};
  static inline std::atomic<int> Alive{0};
  std::thread::id Owner = std::this_thread::get_id();
  std::size_t Items = 0;
  TOwnState() {
    ++Made;
    ++Alive;
  }
  TOwnState(const TOwnState&) = delete;
  TOwnState& operator=(const TOwnState&) = delete;
  ~TOwnState() {
    if (Owner != std::this_thread::get_id()) ++DestroyedElsewhere;
    --Alive;
  }
};

struct TBatchShape {
  std::size_t Count;
  TOrderedShape Shape;
};

TEST(ForEachOrderedIn, BatchesConsumedInIndexOrderEachWorkerWithAStateOfItsOwn) {
  const TBatchShape shapes[] = {
      {0, {4, 8, 3}},  {1, {2, 2, 4}},   {50, {2, 4, 3}},  {200, {4, 32, 8}}, {201, {3, 18, 6}},
      {7, {8, 64, 2}}, {100, {1, 1, 5}}, {97, {2, 40, 8}}, {64, {2, 16, 8}},  {30, {16, 0, 1}},
  };
  for (const TBatchShape& test : shapes) {
    const TOrderedShape& shape = test.Shape;
    SCOPED_TRACE(std::to_string(test.Count) + " items, " + std::to_string(shape.Threads) + " threads, window " +
                 std::to_string(shape.Window) + ", batch " + std::to_string(shape.Batch));
    TOwnState::Made = 0;
    TOwnState::DestroyedElsewhere = 0;
    TOrderWatch watch;
    std::atomic<std::size_t> wrongThread{0};
    std::atomic<std::size_t> stateItems{0};
    ForEachOrderedIn<std::string, TOwnState>(
        test.Count, shape,
        [&](TOwnState& state, std::size_t index) {
          watch.Start();
          if (state.Owner != std::this_thread::get_id()) ++wrongThread;
          ++state.Items;
          ++stateItems;
          Jitter(index);
          return "item " + std::to_string(index);
        },
        [&](std::size_t index, std::string result) { watch.Take(index, std::move(result)); });
    watch.ExpectEveryItem(test.Count);
    EXPECT_EQ(wrongThread.load(), 0u);
    EXPECT_EQ(stateItems.load(), test.Count);
    // One state per worker (one on the calling thread when it works alone), each gone before the
    // run returns, on the thread that made it.
    const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(shape.Threads, test.Count));
    EXPECT_EQ(static_cast<std::size_t>(TOwnState::Made.load()), workers);
    EXPECT_EQ(TOwnState::Alive.load(), 0);
    EXPECT_EQ(TOwnState::DestroyedElsewhere.load(), 0);
    const std::size_t window =
        workers > 1 ? std::max(shape.Window, workers * std::max<std::size_t>(shape.Batch, 1)) : std::size_t{1};
    EXPECT_LE(watch.MostInFlight.load(), window);
  }
}

TEST(WorkerCount, ARequestAboveZeroWinsOverTheMachine) {
  EXPECT_EQ(WorkerCount(3), 3u);
  EXPECT_GE(WorkerCount(0), 1u);
  EXPECT_EQ(WorkerCount(0), WorkerCount(-1));
}

// Both parts run to their end beside each other with two threads or more (the first waits here
// until the second has started, which would never happen one after the other), and in turn with
// one, the second not after a failed first; a failure comes back only after both, the first
// part's before the second's.
TEST(RunBeside, BothRunAndTheFirstFailureInTheirOrderComesBack) {
  const struct {
    unsigned Threads;
    bool FirstFails, SecondFails;
    const char* Expected;
  } cases[] = {
      {2, false, false, ""}, {2, true, false, "first"}, {2, false, true, "second"}, {2, true, true, "first"},
      {1, false, false, ""}, {1, false, true, "second"}, {1, true, true, "first"},
  };
  for (const auto& test : cases) {
    std::atomic<bool> secondStarted{false};
    std::atomic<int> ended{0};
    std::string caught;
    try {
      RunBeside(
          test.Threads,
          [&] {
            if (test.Threads > 1) {
              while (!secondStarted.load()) std::this_thread::yield();
            }
            ++ended;
            if (test.FirstFails) throw std::runtime_error("first");
          },
          [&] {
            secondStarted = true;
            ++ended;
            if (test.SecondFails) throw std::runtime_error("second");
          });
    } catch (const std::runtime_error& failure) {
      caught = failure.what();
    }
    const int expectedEnded = test.Threads == 1 && test.FirstFails ? 1 : 2;
    EXPECT_EQ(ended.load(), expectedEnded) << test.Threads << test.FirstFails << test.SecondFails;
    EXPECT_EQ(caught, test.Expected) << test.Threads << test.FirstFails << test.SecondFails;
  }
}

}  // namespace
}  // namespace brisolt
