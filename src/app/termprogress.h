// Progress of a batch run on a terminal: one line on standard error, rewritten in place with the
// stage and the count ("Чтение файлов: 812 из 1591"), erased when the run ends. Texts are UTF-8.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace brisolt {

class TTerminalProgress {
 public:
  // `write` puts text on the terminal as it is; the line is redrawn at most once per
  // `minInterval`, and whenever the stage changes.
  TTerminalProgress(std::function<void(std::string_view)> write,
                    std::chrono::steady_clock::duration minInterval);

  // The loader's progress callback: stage, detail, position, maximum.
  void Report(const std::string& stage, const std::string& detail, int position, int maximum);

  // Erases the line, so that whatever is printed next starts on a clean one.
  void Clear();

 private:
  void Draw(const std::string& text);

  std::function<void(std::string_view)> write_;
  std::chrono::steady_clock::duration minInterval_;
  std::chrono::steady_clock::time_point lastDraw_{};
  std::string stage_;
  int calls_ = 0;          // reports of the current stage so far
  std::size_t width_ = 0;  // characters on the line now
};

}  // namespace brisolt
