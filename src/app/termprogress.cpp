#include "app/termprogress.h"

#include <utility>

namespace brisolt {

namespace {

// Characters, not bytes, decide how much of the line a later text has to blank out.
std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (const char byte : text) {
    if ((static_cast<unsigned char>(byte) & 0xC0) != 0x80) {
      ++count;
    }
  }
  return count;
}

}  // namespace

TTerminalProgress::TTerminalProgress(std::function<void(std::string_view)> write,
                                     std::chrono::steady_clock::duration minInterval)
    : write_(std::move(write)), minInterval_(minInterval) {}

void TTerminalProgress::Report(const std::string& stage, const std::string& /*detail*/,
                               int position, int maximum) {
  const bool newStage = stage != stage_;
  if (newStage) {
    stage_ = stage;
    calls_ = 0;
  }
  ++calls_;
  const auto now = std::chrono::steady_clock::now();
  if (!newStage && now - lastDraw_ < minInterval_) {
    return;
  }
  lastDraw_ = now;
  // The loader reports a counted stage once per item; a stage reported once, at position 0,
  // is a single step without a count. The count is of reports, since the reading stage's own
  // position counts only the packs kept.
  std::string text = stage;
  if (maximum > 0 && (position > 0 || calls_ > 1)) {
    text.append(": ").append(std::to_string(calls_)).append(" из ").append(std::to_string(maximum));
  }
  Draw(text);
}

void TTerminalProgress::Clear() {
  if (width_ > 0) {
    std::string blank(width_ + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    write_(blank);
    width_ = 0;
  }
}

void TTerminalProgress::Draw(const std::string& text) {
  const std::size_t width = Utf8Length(text);
  std::string line(1, '\r');
  line += text;
  if (width < width_) {
    line.append(width_ - width, ' ');
  }
  write_(line);
  width_ = width;
}

}  // namespace brisolt
