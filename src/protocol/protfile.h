// The output file shared by both protocol writers: buffered, CR LF lines, written beside the
// target under a temporary name and renamed over it only once complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace brisolt {

class TProtocolFile {
 public:
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
  [[noreturn]] void Fail(const std::string& what);

  std::string fileName_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::ofstream stream_;
  std::string buffer_;
  std::uint64_t written_ = 0;
  bool committed_ = false;
};

// Makes the next protocol files fail once this many bytes have been written (0: never). Lets the
// tests see a write that breaks off half-way, as a full disk would.
void SetProtocolWriteLimitForTest(std::uint64_t bytes);

}  // namespace brisolt
