#include "protocol/protfile.h"

#include <atomic>
#include <random>
#include <system_error>

#include "protocol/prot.h"
#include "xml/cp1251.h"

namespace brisolt {

namespace {

constexpr std::size_t kFlushSize = 1 << 20;

std::atomic<std::uint64_t> gWriteLimit{0};

std::string MakeTempSuffix() {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  return ".tmp" + std::to_string(device() % 1000000) + "-" + std::to_string(++counter);
}

}  // namespace

void SetProtocolWriteLimitForTest(std::uint64_t bytes) { gWriteLimit = bytes; }

TProtocolFile::TProtocolFile(const std::string& fileName)
    : fileName_(fileName), target_(PathFromNative(fileName)) {
  // The temporary file lives in the target's folder so that the final rename never crosses
  // file systems and the folder's absence is found before anything is written.
  std::error_code error;
  const std::filesystem::path folder = target_.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    Fail("папка не существует");
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = target_;
    candidate += MakeTempSuffix();
    if (!std::filesystem::exists(candidate, error)) {
      temp_ = candidate;
      break;
    }
  }
  if (temp_.empty()) {
    Fail("не удалось подобрать имя временного файла");
  }
  stream_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!stream_) {
    temp_.clear();
    Fail("не удалось создать файл");
  }
  buffer_.reserve(kFlushSize + 4096);
}

TProtocolFile::~TProtocolFile() {
  if (!committed_ && !temp_.empty()) {
    stream_.close();
    std::error_code ignored;
    std::filesystem::remove(temp_, ignored);
  }
}

void TProtocolFile::EndLine() {
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushSize) {
    Flush();
  }
}

void TProtocolFile::Flush() {
  if (buffer_.empty()) {
    return;
  }
  const std::uint64_t limit = gWriteLimit;
  if (limit != 0 && written_ + buffer_.size() > limit) {
    stream_.write(buffer_.data(), static_cast<std::streamsize>(limit - written_));
    Fail("ошибка записи");
  }
  stream_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  if (!stream_) {
    Fail("ошибка записи");
  }
  written_ += buffer_.size();
  buffer_.clear();
}

void TProtocolFile::Commit() {
  Flush();
  stream_.close();
  if (stream_.fail()) {
    Fail("ошибка записи");
  }
  std::error_code error;
  std::filesystem::rename(temp_, target_, error);
  if (error) {
    Fail("не удалось заменить файл (" + error.message() + ")");
  }
  committed_ = true;
}

void TProtocolFile::Fail(const std::string& what) {
  throw EProtocolWriteError(fileName_ + ": " + what);
}

}  // namespace brisolt
