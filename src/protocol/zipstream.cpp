#include "protocol/zipstream.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace brisolt {

namespace {

// The fastest level: the text is verbose XML, which level 1 already packs to a tenth, and the
// workbook is written while the user waits.
constexpr int kLevel = 1;
constexpr std::size_t kWindow = std::size_t{1} << 15;
constexpr std::uint16_t kVersion = 20;         // 2.0: deflate
constexpr std::uint16_t kDescriptorFlag = 0x0008;
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01, the same for every run
constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

void Le(std::string& out, std::uint64_t value, int bytes) {
  for (int index = 0; index < bytes; ++index) {
    out += static_cast<char>((value >> (8 * index)) & 0xFF);
  }
}

}  // namespace

// zlib's compressor takes about 256 KB and clears a table when it is made; a workbook has a dozen
// parts, most of them small. deflateReset gives the state of a fresh compressor of the same
// settings without making it again, so the bytes are the same.
class TZipStream::TDeflater {
 public:
  TDeflater() = default;
  ~TDeflater() {
    if (made_) deflateEnd(&stream_);
  }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  // The compressor as it stands when new.
  z_stream& Fresh() {
    if (!made_) {
      stream_ = z_stream{};
      if (deflateInit2(&stream_, kLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::bad_alloc();
      }
      made_ = true;
    } else if (deflateReset(&stream_) != Z_OK) {
      throw std::logic_error("deflate failed");
    }
    return stream_;
  }

 private:
  z_stream stream_{};
  bool made_ = false;
};

TZipStream::TZipStream(std::function<void(std::string_view)> write, unsigned threads)
    : write_(std::move(write)), deflater_(std::make_unique<TDeflater>()), threads_(threads) {
  // A workbook's small parts never need a chunk's room; a sheet grows to it within a few appends.
  text_.reserve(kChunkSize / 16);
}

TZipStream::~TZipStream() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) {
    worker.join();
  }
}

void TZipStream::BeginMember(std::string name) {
  TEntry entry;
  entry.Name = std::move(name);
  entry.Offset = offset_;
  std::string header;
  Le(header, 0x04034b50, 4);
  Le(header, kVersion, 2);
  Le(header, kDescriptorFlag, 2);
  Le(header, Z_DEFLATED, 2);
  Le(header, 0, 2);  // time 00:00
  Le(header, kDosDate, 2);
  header.append(12, '\0');  // CRC and sizes: in the descriptor after the data
  Le(header, entry.Name.size(), 2);
  Le(header, 0, 2);
  header += entry.Name;
  entries_.push_back(std::move(entry));
  Put(header);
  text_.clear();
  dictionary_.clear();
  inMember_ = true;
}

void TZipStream::EndMember() {
  HandOver(true);
  while (WriteOldest(true)) {
  }
  inMember_ = false;
  const TEntry& entry = entries_.back();
  std::string descriptor;
  Le(descriptor, 0x08074b50, 4);
  Le(descriptor, entry.Crc, 4);
  Le(descriptor, entry.Packed, 4);
  Le(descriptor, entry.Size, 4);
  Put(descriptor);
}

void TZipStream::Finish() {
  const std::uint64_t directoryOffset = offset_;
  std::string directory;
  for (const TEntry& entry : entries_) {
    Le(directory, 0x02014b50, 4);
    Le(directory, kVersion, 2);  // made by: MS-DOS, 2.0
    Le(directory, kVersion, 2);
    Le(directory, kDescriptorFlag, 2);
    Le(directory, Z_DEFLATED, 2);
    Le(directory, 0, 2);
    Le(directory, kDosDate, 2);
    Le(directory, entry.Crc, 4);
    Le(directory, entry.Packed, 4);
    Le(directory, entry.Size, 4);
    Le(directory, entry.Name.size(), 2);
    directory.append(12, '\0');  // extra, comment, disk, attributes
    Le(directory, entry.Offset, 4);
    directory += entry.Name;
  }
  const std::uint64_t directorySize = directory.size();
  if (entries_.size() > 0xFFFF || directoryOffset + directorySize > kMax32) {
    throw std::length_error("zip archive past 4 GB");
  }
  Le(directory, 0x06054b50, 4);
  Le(directory, 0, 4);  // this disk, the directory's disk
  Le(directory, entries_.size(), 2);
  Le(directory, entries_.size(), 2);
  Le(directory, directorySize, 4);
  Le(directory, directoryOffset, 4);
  Le(directory, 0, 2);
  Put(directory);
}

void TZipStream::HandOver(bool last) {
  auto chunk = std::make_shared<TChunk>();
  chunk->Input.swap(text_);
  chunk->Dictionary.swap(dictionary_);
  chunk->Last = last;
  if (!last) {
    const std::size_t keep = std::min(kWindow, chunk->Input.size());
    dictionary_.assign(chunk->Input, chunk->Input.size() - keep, keep);
    text_.reserve(kChunkSize + kChunkSize / 4);
  }
  if (!last && workers_.empty()) {
    for (unsigned index = 0; index < threads_; ++index) {
      workers_.emplace_back([this] { Work(); });
    }
  }
  if (workers_.empty()) {
    Deflate(*chunk, *deflater_);
    chunk->Done = true;
    inOrder_.push_back(std::move(chunk));
    WriteOldest(true);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    inOrder_.push_back(chunk);
    waiting_.push_back(std::move(chunk));
  }
  queued_.notify_one();
  // Whatever is deflated already goes out; past a few chunks per worker the maker waits, so the
  // memory held stays a few chunks whatever the size of the workbook.
  while (WriteOldest(inOrder_.size() > 2 * workers_.size())) {
  }
}

bool TZipStream::WriteOldest(bool wait) {
  std::shared_ptr<TChunk> chunk;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (inOrder_.empty()) {
      return false;
    }
    if (!inOrder_.front()->Done) {
      if (!wait) {
        return false;
      }
      done_.wait(lock, [this] { return inOrder_.front()->Done; });
    }
    chunk = std::move(inOrder_.front());
    inOrder_.pop_front();
  }
  if (chunk->Failure) {
    std::rethrow_exception(chunk->Failure);
  }
  TEntry& entry = entries_.back();
  entry.Crc = static_cast<std::uint32_t>(
      crc32_combine(entry.Crc, chunk->Crc, static_cast<z_off_t>(chunk->Input.size())));
  entry.Size += chunk->Input.size();
  entry.Packed += chunk->Output.size();
  if (entry.Size > kMax32 || entry.Packed > kMax32) {
    throw std::length_error("zip member past 4 GB");
  }
  Put(chunk->Output);
  return true;
}

void TZipStream::Work() {
  TDeflater deflater;
  for (;;) {
    std::shared_ptr<TChunk> chunk;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      queued_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) {
        return;
      }
      chunk = std::move(waiting_.front());
      waiting_.pop_front();
    }
    Deflate(*chunk, deflater);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      chunk->Done = true;
    }
    done_.notify_all();
  }
}

void TZipStream::Put(std::string_view bytes) {
  write_(bytes);
  offset_ += bytes.size();
}

void TZipStream::Deflate(TChunk& chunk, TDeflater& deflater) {
  try {
    const auto* input = reinterpret_cast<const Bytef*>(chunk.Input.data());
    chunk.Crc = static_cast<std::uint32_t>(crc32(0, input, static_cast<uInt>(chunk.Input.size())));
    z_stream& stream = deflater.Fresh();
    if (!chunk.Dictionary.empty()) {
      deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(chunk.Dictionary.data()),
                           static_cast<uInt>(chunk.Dictionary.size()));
    }
    chunk.Output.resize(deflateBound(&stream, static_cast<uLong>(chunk.Input.size())) + 16);
    stream.next_in = const_cast<Bytef*>(input);
    stream.avail_in = static_cast<uInt>(chunk.Input.size());
    stream.next_out = reinterpret_cast<Bytef*>(chunk.Output.data());
    stream.avail_out = static_cast<uInt>(chunk.Output.size());
    // The last chunk ends the stream; the others end on a byte boundary, so the next one's
    // blocks follow straight on.
    const int status = deflate(&stream, chunk.Last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool whole = chunk.Last ? status == Z_STREAM_END : status == Z_OK && stream.avail_in == 0;
    chunk.Output.resize(chunk.Output.size() - stream.avail_out);
    if (!whole) {
      throw std::logic_error("deflate failed");  // zlib refused its own input: a fault here
    }
  } catch (...) {
    chunk.Failure = std::current_exception();
  }
}

}  // namespace brisolt
