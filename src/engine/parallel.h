// Work spread over threads whose results are taken strictly in order: items are produced on a
// pool of worker threads and consumed on the calling thread in index order, so that whatever the
// consumer does (messages, numbering, sums) comes out exactly as with one thread. Standard library
// only.
#pragma once

#include <algorithm>
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

// Calls produce(index) for every index below `count` on up to `threads` worker threads, and
// consume(index, result) on the calling thread for index 0, 1, 2, ... in turn. Besides the one
// being consumed, at most `window` items (and no fewer than `threads`) are in production or
// waiting for the consumer at any time, so memory stays bounded whatever `count` is.
//
// An exception from produce(index) is rethrown on the calling thread when index's turn comes: the
// consumer has then seen every earlier item and no later one, exactly as on one thread. An
// exception from consume stops the workers and goes to the caller. With one thread (or one item)
// everything runs on the calling thread, item after item.
template <typename TResult, typename TProduce, typename TConsume>
void ForEachOrdered(std::size_t count, unsigned threads, std::size_t window, TProduce&& produce,
                    TConsume&& consume) {
  threads = static_cast<unsigned>(std::min<std::size_t>(std::max(1u, threads), count));
  if (threads <= 1) {
    for (std::size_t index = 0; index < count; ++index) {
      consume(index, produce(index));
    }
    return;
  }
  window = std::max<std::size_t>(window, threads);

  struct TSlot {
    std::optional<TResult> Result;
    std::exception_ptr Failure;
    bool Ready = false;
  };
  std::vector<TSlot> slots(window);
  std::mutex mutex;
  std::condition_variable produced;  // a slot became ready
  std::condition_variable consumed;  // a slot became free, or the run stops
  std::size_t nextToProduce = 0;
  std::size_t nextToConsume = 0;
  bool stop = false;

  const auto work = [&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      consumed.wait(lock, [&] { return stop || nextToProduce >= count || nextToProduce < nextToConsume + window; });
      if (stop || nextToProduce >= count) return;
      const std::size_t index = nextToProduce++;
      lock.unlock();
      std::optional<TResult> result;
      std::exception_ptr failure;
      try {
        result.emplace(produce(index));
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      TSlot& slot = slots[index % window];
      slot.Result = std::move(result);
      slot.Failure = failure;
      slot.Ready = true;
      produced.notify_all();
    }
  };

  std::vector<std::thread> workers;
  const auto finish = [&] {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    consumed.notify_all();
    for (std::thread& worker : workers) worker.join();
  };
  try {
    workers.reserve(threads);
    for (unsigned index = 0; index < threads; ++index) workers.emplace_back(work);
    for (std::size_t index = 0; index < count; ++index) {
      std::optional<TResult> result;
      std::exception_ptr failure;
      {
        std::unique_lock<std::mutex> lock(mutex);
        TSlot& slot = slots[index % window];
        produced.wait(lock, [&] { return slot.Ready; });
        result = std::move(slot.Result);
        failure = slot.Failure;
        slot = TSlot();
        ++nextToConsume;
      }
      consumed.notify_all();
      if (failure) std::rethrow_exception(failure);
      consume(index, std::move(*result));
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

}  // namespace brisolt
