// A zip archive written front to back, for the XLSX workbook: each member's text is handed over
// in pieces as it is made, deflated on worker threads while the next piece is made, and written
// in order, followed by a data descriptor; the central directory closes the archive.
//
// A member is deflated in chunks of about kChunkSize, each one on its own with the end of the chunk
// before it as its dictionary, and the chunks' outputs joined into one deflate stream (each but
// the last ends on a byte boundary). Where a chunk ends depends only on the text, so the archive
// is the same bytes whatever the number of threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brisolt {

class TZipStream {
 public:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 20;

  // `write` takes the archive's bytes in order; it reports a failure by throwing, which leaves
  // the archive unfinished. `threads` deflate besides the calling thread; 0 deflates on it. They
  // start with the first chunk that is not the end of its member: an archive of small members is
  // deflated on the calling thread alone, without the cost of starting threads.
  TZipStream(std::function<void(std::string_view)> write, unsigned threads);
  ~TZipStream();
  TZipStream(const TZipStream&) = delete;
  TZipStream& operator=(const TZipStream&) = delete;

  // Starts a member; its text is appended to Text() and handed over by Spill or EndMember.
  void BeginMember(std::string name);
  std::string& Text() { return text_; }
  // Hands the text over once it makes a whole chunk; cheap otherwise, so call it often.
  void Spill() {
    if (text_.size() >= kChunkSize) {
      HandOver(false);
    }
  }
  void EndMember();
  // Writes the central directory. Throws std::length_error when the archive passes the limits of
  // a zip without its 64-bit extension (4 GB, 65,535 members), as may EndMember and Spill;
  // std::logic_error when zlib fails on its input, std::bad_alloc when it finds no memory.
  void Finish();

 private:
  struct TChunk {
    std::string Input;
    std::string Dictionary;  // the end of the chunk before, within the same member
    bool Last = false;
    // Made by a worker, under mutex_.
    std::string Output;
    std::uint32_t Crc = 0;
    std::exception_ptr Failure;
    bool Done = false;
  };
  struct TEntry {
    std::string Name;
    std::uint32_t Crc = 0;
    std::uint64_t Packed = 0;
    std::uint64_t Size = 0;
    std::uint64_t Offset = 0;
  };

  // A compressor kept from chunk to chunk (in zipstream.cpp, where zlib is known).
  class TDeflater;

  void HandOver(bool last);
  // Writes the oldest chunk once it is deflated; waits for it when `wait`. False when it is not
  // ready yet or none is left.
  bool WriteOldest(bool wait);
  void Work();
  void Put(std::string_view bytes);
  static void Deflate(TChunk& chunk, TDeflater& deflater);

  std::function<void(std::string_view)> write_;
  std::uint64_t offset_ = 0;
  std::vector<TEntry> entries_;
  std::string text_;
  std::string dictionary_;
  std::unique_ptr<TDeflater> deflater_;  // the calling thread's
  bool inMember_ = false;

  std::mutex mutex_;
  std::condition_variable queued_;  // a chunk waits for a worker, or the workers stop
  std::condition_variable done_;    // a chunk is deflated
  std::deque<std::shared_ptr<TChunk>> inOrder_;  // handed over, not yet written
  std::deque<std::shared_ptr<TChunk>> waiting_;  // handed over, not yet taken by a worker
  bool stopping_ = false;
  unsigned threads_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace brisolt
