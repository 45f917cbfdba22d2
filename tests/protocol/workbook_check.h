// A whole-workbook check for the tests: an end record, a central directory within the file, and
// for every part a local header that agrees with it, data that inflates to the recorded size and
// CRC, and, for an XML part, a document that ends with the closing tag of its root element. Every
// workbook the writer makes must pass it, also when the disk filled up while it was written.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/encoding.h"

namespace brisolt::testing {

namespace workbook_detail {

inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kCentralSignature = 0x02014b50;
inline constexpr std::uint32_t kLocalSignature = 0x04034b50;
inline constexpr std::size_t kEndSize = 22;
inline constexpr std::size_t kCentralSize = 46;
inline constexpr std::size_t kLocalSize = 30;
inline constexpr std::size_t kMaxComment = 0xFFFF;
inline constexpr std::size_t kEdgeSize = 512;  // of a part's text kept for the check of its root element

inline std::uint32_t Le16(const std::string& data, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 1])) << 8;
}

inline std::uint32_t Le32(const std::string& data, std::size_t at) { return Le16(data, at) | Le16(data, at + 2) << 16; }

inline bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// The name of the root element, from the start of an XML part: after the declaration and any
// comments or processing instructions.
inline std::string_view RootName(std::string_view head) {
  std::size_t at = 0;
  for (;;) {
    while (at < head.size() && IsBlank(head[at])) {
      ++at;
    }
    if (head.substr(at, 2) == "<?") {
      at = head.find("?>", at);
    } else if (head.substr(at, 4) == "<!--") {
      at = head.find("-->", at);
    } else {
      break;
    }
    if (at == std::string_view::npos) {
      return {};
    }
    at += 2;
  }
  if (at >= head.size() || head[at] != '<') {
    return {};
  }
  const std::size_t start = at + 1;
  std::size_t end = start;
  while (end < head.size() && !IsBlank(head[end]) && head[end] != '>' && head[end] != '/') {
    ++end;
  }
  return end == head.size() ? std::string_view() : head.substr(start, end - start);
}

inline bool XmlPartEndsWhole(std::string_view head, std::string_view tail, bool whole) {
  const std::string_view root = RootName(head);
  if (root.empty()) {
    return false;
  }
  while (!tail.empty() && IsBlank(tail.back())) {
    tail.remove_suffix(1);
  }
  const std::string closing = "</" + std::string(root) + ">";
  if (tail.size() >= closing.size() && tail.substr(tail.size() - closing.size()) == closing) {
    return true;
  }
  // A root without content closes itself; only a part seen whole can show that.
  if (!whole) {
    return false;
  }
  std::string opening(1, '<');
  opening.append(root);
  const std::size_t rootEnd = head.find('>', head.find(opening));
  return rootEnd != std::string_view::npos && rootEnd + 1 == tail.size() && head[rootEnd - 1] == '/';
}

class TPartReader {
 public:
  // Empty when the part inflates to `size` bytes with `crc`; keeps its first and last bytes.
  std::string Read(std::string_view data, std::uint32_t method, std::uint32_t crc, std::uint32_t size) {
    if (method == 0) {
      if (data.size() != size) {
        return "размер не совпадает с записанным";
      }
      Take(data.data(), data.size());
    } else if (method == Z_DEFLATED) {
      if (const std::string failure = Inflate(data); !failure.empty()) {
        return failure;
      }
    } else {
      return "неизвестный способ сжатия";
    }
    if (total_ != size) {
      return "размер не совпадает с записанным";
    }
    if (crc_ != crc) {
      return "контрольная сумма не совпадает";
    }
    return {};
  }

  std::string_view Head() const { return head_; }
  std::string_view Tail() const { return tail_; }
  std::uint64_t Size() const { return total_; }

 private:
  void Take(const char* bytes, std::size_t count) {
    crc_ = static_cast<std::uint32_t>(
        crc32(crc_, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(count)));
    total_ += count;
    if (head_.size() < kEdgeSize) {
      head_.append(bytes, std::min(count, kEdgeSize - head_.size()));
    }
    tail_.append(bytes, count);
    if (tail_.size() > 2 * kEdgeSize) {
      tail_.erase(0, tail_.size() - kEdgeSize);
    }
  }

  std::string Inflate(std::string_view data) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
      return "не хватает памяти";
    }
    char out[64 * 1024];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int status = Z_OK;
    while (status == Z_OK) {
      stream.next_out = reinterpret_cast<Bytef*>(out);
      stream.avail_out = sizeof out;
      status = inflate(&stream, Z_NO_FLUSH);
      Take(out, sizeof out - stream.avail_out);
      if (status == Z_BUF_ERROR && stream.avail_in == 0) {
        break;  // the data ended before the stream did
      }
    }
    const bool ended = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    return ended ? std::string() : "сжатые данные повреждены или обрезаны";
  }

  std::uint32_t crc_ = 0;
  std::uint64_t total_ = 0;
  std::string head_;
  std::string tail_;
};

inline std::string CheckArchive(const std::string& data) {
  if (data.size() < kEndSize) {
    return "файл пуст или обрезан";
  }
  const std::size_t lowest = data.size() > kEndSize + kMaxComment ? data.size() - kEndSize - kMaxComment : 0;
  std::size_t end = data.size() - kEndSize;
  while (Le32(data, end) != kEndSignature || end + kEndSize + Le16(data, end + 20) != data.size()) {
    if (end == lowest) {
      return "нет оглавления архива";
    }
    --end;
  }
  const std::uint32_t count = Le16(data, end + 10);
  const std::uint64_t directorySize = Le32(data, end + 12);
  const std::uint64_t directory = Le32(data, end + 16);
  if (count == 0 || Le16(data, end + 8) != count || directory + directorySize > end) {
    return "оглавление архива повреждено";
  }
  std::size_t at = directory;
  for (std::uint32_t index = 0; index < count; ++index) {
    if (at + kCentralSize > end || Le32(data, at) != kCentralSignature) {
      return "оглавление архива повреждено";
    }
    const std::uint32_t method = Le16(data, at + 10);
    const std::uint32_t crc = Le32(data, at + 16);
    const std::uint64_t packed = Le32(data, at + 20);
    const std::uint32_t size = Le32(data, at + 24);
    const std::size_t nameSize = Le16(data, at + 28);
    const std::size_t next = at + kCentralSize + nameSize + Le16(data, at + 30) + Le16(data, at + 32);
    const std::uint64_t local = Le32(data, at + 42);
    if (next > end) {
      return "оглавление архива повреждено";
    }
    const std::string name = data.substr(at + kCentralSize, nameSize);
    const std::string where = "часть " + name + ": ";
    if (local + kLocalSize > directory || Le32(data, local) != kLocalSignature ||
        Le16(data, local + 26) != nameSize || data.compare(local + kLocalSize, nameSize, name) != 0) {
      return where + "заголовок части не совпадает с оглавлением";
    }
    const std::uint64_t start = local + kLocalSize + nameSize + Le16(data, local + 28);
    if (start + packed > directory) {
      return where + "данные выходят за пределы архива";
    }
    TPartReader part;
    if (std::string failure = part.Read(std::string_view(data).substr(start, packed), method, crc, size);
        !failure.empty()) {
      return where + failure;
    }
    if (part.Size() == 0) {
      return where + "часть пуста";
    }
    const bool xml = name.ends_with(".xml") || name.ends_with(".rels");
    if (xml && !XmlPartEndsWhole(part.Head(), part.Tail(), part.Size() == part.Tail().size())) {
      return where + "документ XML обрезан";
    }
    at = next;
  }
  return {};
}

}  // namespace workbook_detail

// Empty when the file at `fileName` (platform encoding) is a whole workbook; otherwise what is
// wrong, in Russian.
inline std::string WorkbookDefect(const std::string& fileName) {
  std::ifstream in(PathFromNative(fileName), std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    return "не удалось прочитать записанную книгу";
  }
  return workbook_detail::CheckArchive(data);
}

}  // namespace brisolt::testing
