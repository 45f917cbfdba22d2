// The progress line of a batch run on a terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/termprogress.h"

namespace brisolt {
namespace {

using std::chrono::hours;
using std::chrono::steady_clock;

struct Event {
  const char* stage;
  int position;
  int maximum;
};

// The loader's stages as it reports them: each file read, a sort, each pack folded in.
const std::vector<Event> kRun = {
    {"Чтение файлов", 0, 3},  {"Чтение файлов", 0, 3},
    {"Чтение файлов", 1, 3},  {"Сортировка списка файлов", 0, 100},
    {"Создание списка сотрудников", 1, 2}, {"Создание списка сотрудников", 2, 2},
    {"Создание протокола...", 0, 100},
};

std::string Play(steady_clock::duration interval, bool clear) {
  std::string terminal;
  TTerminalProgress progress([&terminal](std::string_view text) { terminal += text; },
                             interval);
  for (const Event& event : kRun) {
    progress.Report(event.stage, "detail", event.position, event.maximum);
  }
  if (clear) {
    progress.Clear();
  }
  return terminal;
}

TEST(TerminalProgress, RewritesOneLineWithTheStageAndTheCount) {
  EXPECT_EQ(Play(steady_clock::duration::zero(), false),
            "\rЧтение файлов"
            "\rЧтение файлов: 2 из 3"
            "\rЧтение файлов: 3 из 3"
            "\rСортировка списка файлов"
            "\rСоздание списка сотрудников: 1 из 2"
            "\rСоздание списка сотрудников: 2 из 2"
            "\rСоздание протокола..." + std::string(14, ' '));
}

TEST(TerminalProgress, ThrottlesWithinAStageButShowsEveryNewStage) {
  EXPECT_EQ(Play(hours(1), false),
            "\rЧтение файлов"
            "\rСортировка списка файлов"
            "\rСоздание списка сотрудников: 1 из 2"
            "\rСоздание протокола..." + std::string(14, ' '));
}

TEST(TerminalProgress, ClearsTheLineAtTheEnd) {
  const std::string terminal = Play(hours(1), true);
  const std::string blank = "\r" + std::string(21, ' ') + "\r";  // the last text's width
  ASSERT_GE(terminal.size(), blank.size());
  EXPECT_EQ(terminal.substr(terminal.size() - blank.size()), blank);
}

TEST(TerminalProgress, WritesNothingWithoutAReport) {
  std::string terminal;
  TTerminalProgress progress([&terminal](std::string_view text) { terminal += text; },
                             hours(1));
  progress.Clear();
  EXPECT_EQ(terminal, "");
}

}  // namespace
}  // namespace brisolt
