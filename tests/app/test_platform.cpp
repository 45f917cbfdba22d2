// The platform layer's behaviour that a batch run relies on beyond plain calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "app/platform.h"
#include "protocol/protfile.h"
#include "base/encoding.h"

#ifndef _WIN32
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace brisolt {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// The signal arrives in the middle of the write, in a child process so that the test survives it.
TEST(Interrupt, RemovesTheTemporaryProtocolAndEndsByTheSignal) {
  std::random_device random;
  const fs::path folder = fs::temp_directory_path() / ("brisolt-signal-" + std::to_string(random()));
  fs::create_directories(folder);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signalNumber);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      platform::RemoveProtocolFilesOnInterrupt();
      TProtocolFile file(NativeFromPath(folder / "protocol.html"));
      for (int line = 0; line < 200000; ++line) {
        file.Line("<tr><td>a line of a protocol being written</td></tr>");
      }
      bool temporaryThere = false;
      for (const auto& entry : fs::directory_iterator(folder)) {
        temporaryThere = temporaryThere || entry.path().filename() != "protocol.html";
      }
      if (!temporaryThere) {
        _exit(2);
      }
      raise(signalNumber);
      _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signalNumber);
    EXPECT_TRUE(fs::is_empty(folder)) << "a temporary file was left behind";
  }
  fs::remove_all(folder);
}
#endif

TEST(FileNameTooLong, MeasuresTheLastPartAgainstItsFileSystem) {
  const std::string folder = NativeFromPath(fs::temp_directory_path());
  const std::string sep(1, platform::PathSeparator());
  EXPECT_EQ(platform::FileNameTooLong(folder + sep + std::string(255, 'a')), "");
  EXPECT_EQ(platform::FileNameTooLong(std::string(255, 'a')), "");
  EXPECT_EQ(platform::FileNameTooLong(""), "");
  // Long folders are no matter of this check; Cyrillic letters count as the file system counts.
  EXPECT_EQ(platform::FileNameTooLong(folder + sep + std::string(300, 'b') + sep + "x.html"), "");
  const std::string tooLong = folder + sep + std::string(256, 'a');
  EXPECT_NE(platform::FileNameTooLong(tooLong).find(tooLong + ": имя файла длиннее"), std::string::npos);
#ifndef _WIN32
  std::string cyrillic;
  for (int letter = 0; letter < 128; ++letter) {
    cyrillic += "ж";  // 256 bytes, 128 letters
  }
  EXPECT_NE(platform::FileNameTooLong(folder + sep + cyrillic), "");
#endif
}

#ifndef _WIN32
// In a child, as the locale is the process's own.
TEST(SystemMessages, ComeInTheUsersLanguageWhereTheSystemHasIt) {
  locale_t russian = newlocale(LC_MESSAGES_MASK, "ru_RU.UTF-8", nullptr);
  if (russian == nullptr) {
    GTEST_SKIP() << "no Russian locale here";
  }
  freelocale(russian);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", "ru_RU.UTF-8", 1);
    platform::UseUserLanguageForSystemMessages();
    const bool russianReason =
        std::generic_category().message(ENOENT) == "Нет такого файла или каталога";
    const bool numbersAsBefore = std::to_string(1.5) == "1.500000";
    _exit(russianReason && numbersAsBefore ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

}  // namespace
}  // namespace brisolt
