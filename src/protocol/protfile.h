// The output file shared by the protocol writers: buffered, CR LF lines, written beside the
// target as an unfinished file only the user may open (with no name at all where the system
// allows it) and put in its place only once complete. The writing itself runs on a thread of its
// own, so that the next part of the protocol is formatted meanwhile.
#pragma once

#include <condition_variable>
#include <deque>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/amount.h"
#include "protocol/prot.h"
#include "protocol/protescape.h"

namespace brisolt {

// A protocol's unfinished file: nobody but the user may open it from its first byte, as a protocol
// holds personal data. Made by the platform layer where the system offers more than the standard
// library (a file created owner-only, or one with no name until it is whole); the standard
// library's file narrows its mode right after creating it.
class TUnfinishedFile {
 public:
  virtual ~TUnfinishedFile() = default;  // removes the file unless Place succeeded
  virtual std::error_code Write(std::string_view bytes) = 0;
  // All written bytes handed to the system.
  virtual std::error_code Finish() = 0;
  // The finished file's mode: `perms`, or without it the mode a new file gets from the umask.
  virtual std::error_code SetMode(std::optional<std::filesystem::perms> perms) = 0;
  // Puts the finished file at `target` in place of whatever is there (a rename, which never
  // follows a link).
  virtual std::error_code Place(const std::filesystem::path& target) = 0;
};
// Makes the unfinished file `tempName` (a free name in the target's folder); null with `error`
// when it cannot.
using TUnfinishedFileMaker = std::unique_ptr<TUnfinishedFile> (*)(const std::filesystem::path& tempName,
                                                                  std::error_code& error);
// Installed once at start by the platform layer; null returns to the standard library's file.
void SetUnfinishedFileMaker(TUnfinishedFileMaker maker);

class TProtocolFile {
 public:
  // A symbolic link at `fileName` is followed: the file it leads to is the one replaced, keeping
  // its permission bits. A link that someone else may have planted is refused (see
  // ResolveProtocolTarget), as is a target that exists and is not a regular file (a folder, a
  // pipe, a device). A finished new file is as open as the user's umask allows, no more; until
  // it is finished only the user may open it.
  explicit TProtocolFile(const std::string& fileName);
  ~TProtocolFile();
  TProtocolFile(const TProtocolFile&) = delete;
  TProtocolFile& operator=(const TProtocolFile&) = delete;

  TProtocolFile& operator<<(std::string_view piece) {
    buffer_.append(piece);
    return *this;
  }
  TProtocolFile& operator<<(char piece) {
    buffer_.push_back(piece);
    return *this;
  }
  // AppendMarkup (protocol/protescape.h), without a text of its own.
  TProtocolFile& Markup(std::string_view cp1251, TMarkupRules rules) {
    AppendMarkup(buffer_, cp1251, rules);
    return *this;
  }
  // AppendPageText (protocol/prot.h), without a text of its own.
  TProtocolFile& PageText(std::string_view text) {
    AppendPageText(buffer_, text);
    return *this;
  }
  // FormatSum(amount), without a text of its own.
  TProtocolFile& Amount(std::int64_t amount) {
    char text[kSumTextSize];
    buffer_.append(text, FormatSumTo(text, amount));
    return *this;
  }
  // Ends the current line with CR LF.
  void EndLine() { Lines("\r\n"); }
  // Whole lines, each already ended with CR LF, as one piece.
  void Lines(std::string_view lines) {
    buffer_.append(lines);
    if (buffer_.size() >= kFlushSize) {
      Flush();
    }
  }
  void Line(std::string_view text) {
    buffer_.append(text);
    EndLine();
  }
  // Flushes, closes and moves the file into place; until then the target is untouched.
  void Commit();

  // Bytes as they are (no line ends added), handed to the writing thread in large pieces: for a
  // format that is not lines of text (the XLSX workbook's zip).
  void Write(std::string_view bytes);

 private:
  // The buffer goes to the writing thread once it holds this much.
  static constexpr std::size_t kFlushSize = 1 << 19;

  // Hands the buffer to the writing thread (waiting while kChunksInFlight pieces are pending).
  void Flush();
  void WriteChunks();
  // Waits until everything handed over is written, ends the writing thread and reports the
  // first failure it met.
  void StopWriting(bool reportFailure);
  // Flush, StopWriting and the closing of the temporary file.
  void FinishWriting();
  // Throws EProtocolWriteError: the file name, `what` and, when the system told one, its reason.
  [[noreturn]] void Fail(const std::string& what, std::error_code reason = {});
  void RemoveTemporary();

  std::string fileName_;
  std::filesystem::path target_;  // the links of fileName_ followed
  std::filesystem::path temp_;
  int pendingSlot_ = -1;
  std::unique_ptr<TUnfinishedFile> file_;
  std::string buffer_;
  bool committed_ = false;

  // Pieces handed to the writing thread and not yet written, at most this many: enough that the
  // thread goes on writing while this one formats, without waiting to be woken after each piece
  // (a wake-up across cores can cost a virtual machine longer than the piece's formatting).
  static constexpr std::size_t kChunksInFlight = 3;

  // Shared with the writing thread, under mutex_.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> chunks_;  // handed over, not yet written, in order
  bool writing_ = false;            // a chunk taken from chunks_ is being written
  std::vector<std::string> spare_;  // written chunks, whose memory serves as the next buffers
  bool stopping_ = false;
  bool failed_ = false;
  std::error_code failure_;
  std::thread writer_;
};

// The file a protocol named `fileName` replaces, with every symbolic link of its path followed
// (the folders' as well as the last, also when that points to no file yet). A link in a sticky
// folder anyone may write (a shared TEMP, /tmp) is followed only as the kernel follows it there:
// when the user owns the link, or the folder's owner does; otherwise EProtocolWriteError naming
// the link, as for a loop or a chain of more than 40 links. Whatever is found at the
// end is later replaced by a rename, which never follows a link put there meanwhile, so the check
// holds until the file is in place.
std::filesystem::path ResolveProtocolTarget(const std::string& fileName);

// Tells whether the user or the folder's owner owns the symbolic link `link`: a fact the standard
// library does not give, installed by the platform layer. Without it, no link in a sticky
// folder anyone may write is followed.
using TLinkOwnerRule = bool (*)(const std::filesystem::path& link);
void SetLinkOwnerRule(TLinkOwnerRule rule);

// Temporary protocol files still being written, for a handler of an interrupting signal: it may
// read them without locking or allocating. Each slot holds a full name, or an empty text.
inline constexpr int kPendingProtocolFileSlots = 8;
const std::filesystem::path::value_type* PendingProtocolFile(int slot);

}  // namespace brisolt
