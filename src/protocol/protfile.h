// The output file shared by both protocol writers: buffered, CR LF lines, written beside the
// target under a short temporary name and renamed over it only once complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace brisolt {

class TProtocolFile {
 public:
  // A symbolic link at `fileName` is followed: the file it leads to is the one replaced. A target
  // that exists and is not a regular file (a folder, a pipe, a device) is refused.
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
  // Ends the current line with CR LF.
  void EndLine();
  void Line(std::string_view text) {
    buffer_.append(text);
    EndLine();
  }
  // Flushes, closes and moves the file into place; until then the target is untouched.
  void Commit();

 private:
  void Flush();
  // Throws EProtocolWriteError: the file name, `what` and, when the system told one, its reason.
  [[noreturn]] void Fail(const std::string& what, std::error_code reason = {});
  void RemoveTemporary();

  std::string fileName_;
  std::filesystem::path target_;  // the links of fileName_ followed
  std::filesystem::path temp_;
  int pendingSlot_ = -1;
  std::ofstream stream_;
  std::string buffer_;
  std::uint64_t written_ = 0;
  bool committed_ = false;
};

// Temporary protocol files still being written, for a handler of an interrupting signal: it may
// read them without locking or allocating. Each slot holds a full name, or an empty text.
inline constexpr int kPendingProtocolFileSlots = 8;
const std::filesystem::path::value_type* PendingProtocolFile(int slot);

// Makes the next protocol files fail once this many bytes have been written (0: never). Lets the
// tests see a write that breaks off half-way, as a full disk would.
void SetProtocolWriteLimitForTest(std::uint64_t bytes);

}  // namespace brisolt
