// Work spread over threads whose results are taken strictly in order: items are produced on a
// pool of worker threads and consumed on the calling thread in index order, so that whatever the
// consumer does (messages, numbering, sums) comes out exactly as with one thread. Standard library
// only.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace brisolt {

// The number of threads to use: `requested` when above zero, else the machine's core count.
inline unsigned WorkerCount(int requested) {
  if (requested > 0) return static_cast<unsigned>(requested);
  return std::max(1u, std::thread::hardware_concurrency());
}

// How the items of ForEachOrderedIn are shared out.
struct TOrderedShape {
  unsigned Threads = 1;
  // Besides the items being consumed, at most this many (and no fewer than Threads * Batch) are in
  // production or waiting for the consumer at any time, so memory stays bounded whatever the count.
  std::size_t Window = 0;
  // A worker takes this many consecutive items at a time and hands them over together, and the
  // consumer takes what is ready in turns of this many: the threads meet once a batch, not once
  // an item.
  std::size_t Batch = 1;
};

// Calls produce(state, index) for every index below `count` on up to shape.Threads worker threads,
// and consume(index, result) on the calling thread for index 0, 1, 2, ... in turn. Each worker
// has a TState of its own (value-initialised), made when the worker starts and destroyed when it
// has produced its last item, while its thread still runs; produce may keep in it what serves
// from item to item (buffers), but the result of an item must not depend on which items the state
// saw before, or the result would depend on the number of threads.
//
// An exception from produce(state, index) is rethrown on the calling thread when index's turn
// comes: the consumer has then seen every earlier item and no later one, exactly as on one thread.
// An exception from consume stops the workers and goes to the caller. With one thread (or one
// item) everything runs on the calling thread, item after item, with one state.
template <typename TResult, typename TState, typename TProduce, typename TConsume>
void ForEachOrderedIn(std::size_t count, TOrderedShape shape, TProduce&& produce, TConsume&& consume) {
  const auto threads = static_cast<unsigned>(std::min<std::size_t>(std::max(1u, shape.Threads), count));
  if (threads <= 1) {
    TState state{};
    for (std::size_t index = 0; index < count; ++index) {
      consume(index, produce(state, index));
    }
    return;
  }
  const std::size_t batch = std::max<std::size_t>(shape.Batch, 1);
  const std::size_t window = std::max<std::size_t>(shape.Window, threads * batch);

  // A slot is a worker's from the claim of its item to Ready, and the consumer's from Ready until
  // nextToConsume passes it: each side touches it outside the lock only while it is its own.
  struct TSlot {
    std::optional<TResult> Result;
    std::exception_ptr Failure;
    bool Ready = false;
  };
  std::vector<TSlot> slots(window);
  std::mutex mutex;
  std::condition_variable produced;  // a slot became ready
  std::condition_variable consumed;  // slots became free, or the run stops
  std::size_t nextToProduce = 0;
  std::size_t nextToConsume = 0;
  bool consumerWaiting = false;
  unsigned workersWaiting = 0;
  bool stop = false;
  std::atomic<bool> stopping{false};  // stop, for a worker between the items of its batch

  const auto work = [&] {
    TState state{};
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      while (!stop && nextToProduce < count && std::min(nextToProduce + batch, count) > nextToConsume + window) {
        ++workersWaiting;
        consumed.wait(lock);
        --workersWaiting;
      }
      if (stop || nextToProduce >= count) return;
      const std::size_t first = nextToProduce;
      const std::size_t last = std::min(first + batch, count);
      nextToProduce = last;
      lock.unlock();
      for (std::size_t index = first; index < last && !stopping.load(std::memory_order_relaxed); ++index) {
        TSlot& slot = slots[index % window];
        try {
          slot.Result.emplace(produce(state, index));
        } catch (...) {
          slot.Failure = std::current_exception();
        }
      }
      lock.lock();
      for (std::size_t index = first; index < last; ++index) slots[index % window].Ready = true;
      if (consumerWaiting) produced.notify_one();
    }
  };

  std::vector<std::thread> workers;
  const auto finish = [&] {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      stop = true;
      stopping = true;
    }
    consumed.notify_all();
    for (std::thread& worker : workers) worker.join();
  };
  try {
    workers.reserve(threads);
    for (unsigned index = 0; index < threads; ++index) workers.emplace_back(work);
    std::size_t index = 0;
    while (index < count) {
      std::size_t ready = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        if (nextToConsume != index) {
          nextToConsume = index;
          if (workersWaiting > 0) consumed.notify_all();
        }
        while (!slots[index % window].Ready) {
          consumerWaiting = true;
          produced.wait(lock);
          consumerWaiting = false;
        }
        while (ready < batch && index + ready < count && slots[(index + ready) % window].Ready) ++ready;
      }
      for (const std::size_t end = index + ready; index < end; ++index) {
        TSlot& slot = slots[index % window];
        std::optional<TResult> result = std::move(slot.Result);
        const std::exception_ptr failure = std::move(slot.Failure);
        slot = TSlot();
        if (failure) std::rethrow_exception(failure);
        consume(index, std::move(*result));
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// ForEachOrderedIn with no state and items handed over one at a time: produce(index).
template <typename TResult, typename TProduce, typename TConsume>
void ForEachOrdered(std::size_t count, unsigned threads, std::size_t window, TProduce&& produce,
                    TConsume&& consume) {
  struct TNoState {};
  ForEachOrderedIn<TResult, TNoState>(
      count, TOrderedShape{.Threads = threads, .Window = window, .Batch = 1},
      [&produce](TNoState&, std::size_t index) { return produce(index); }, consume);
}

// Runs first() on the calling thread and, when `threads` is above one, second() beside it on a
// thread of its own; returns when both have ended, rethrowing a failure of either, first()'s
// before second()'s. With one thread second() runs after first(), unless first() failed.
template <typename TFirst, typename TSecond>
void RunBeside(unsigned threads, TFirst&& first, TSecond&& second) {
  std::exception_ptr secondFailure;
  std::thread beside;
  if (threads > 1) {
    beside = std::thread([&] {
      try {
        second();
      } catch (...) {
        secondFailure = std::current_exception();
      }
    });
  }
  std::exception_ptr firstFailure;
  try {
    first();
  } catch (...) {
    firstFailure = std::current_exception();
  }
  if (beside.joinable()) {
    beside.join();
  } else if (!firstFailure) {
    second();
  }
  if (firstFailure) std::rethrow_exception(firstFailure);
  if (secondFailure) std::rethrow_exception(secondFailure);
}

}  // namespace brisolt
