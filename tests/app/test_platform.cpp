// The platform layer's behaviour that a batch run relies on beyond plain calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace brisolt {
namespace {

namespace fs = std::filesystem;

std::string ReadAllText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

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

#ifndef _WIN32
bool FolderTakesUnnamedFiles(const fs::path& folder) {
#ifdef O_TMPFILE
  const int probe = open(folder.c_str(), O_TMPFILE | O_WRONLY, S_IRUSR | S_IWUSR);
  if (probe >= 0) {
    close(probe);
    return true;
  }
#endif
  return false;
}

// Whether another user (nobody, 65534) may open any entry of `folder` for reading; asked in a
// child that drops its rights. Without root there is no other user to become.
bool AnotherUserReadsSomething(const fs::path& folder) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) {
      _exit(2);
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
      const int opened = open(entry.path().c_str(), O_RDONLY);
      if (opened >= 0) {
        _exit(1);
      }
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

// A protocol being written in a shared folder (1777, as /tmp) is the user's alone from its first
// byte, and where the file system allows files without a name kill -9 leaves nothing behind. The
// child stops in the middle of the write and tells the test so through a pipe: no timing.
TEST(PrivateProtocolFiles, NobodyElseReadsAnUnfinishedProtocolAndKillLeavesNothing) {
  std::random_device random;
  const fs::path folder = fs::temp_directory_path() / ("brisolt-private-" + std::to_string(random()));
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
  const bool unnamed = FolderTakesUnnamedFiles(folder);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::InstallPrivateProtocolFiles();
    TProtocolFile file(NativeFromPath(folder / "protocol.json"));
    for (int line = 0; line < 100000; ++line) {
      file.Line("{\"snils\": \"112-233-445 95\", \"name\": \"Иванов Иван\", \"debt\": 1500.00},");
    }
    const char ready = 'w';
    if (write(pipeEnds[1], &ready, 1) != 1) {
      _exit(2);
    }
    for (;;) {
      pause();
    }
  }
  close(pipeEnds[1]);
  char ready = 0;
  ASSERT_EQ(read(pipeEnds[0], &ready, 1), 1);
  close(pipeEnds[0]);
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_EQ(entry.status().permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none)
        << entry.path();
  }
  if (unnamed) {
    EXPECT_TRUE(fs::is_empty(folder)) << "the unfinished protocol has a name";
  }
  if (geteuid() == 0) {
    EXPECT_FALSE(AnotherUserReadsSomething(folder));
  }
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  if (unnamed) {
    EXPECT_TRUE(fs::is_empty(folder)) << "kill -9 left the unfinished protocol behind";
  }
  fs::remove_all(folder);
}

// Finished, the protocol gets the mode it always got: the umask's for a new file, the replaced
// file's own otherwise.
TEST(PrivateProtocolFiles, FinishedProtocolsKeepTheUsualModes) {
  std::random_device random;
  const fs::path folder = fs::temp_directory_path() / ("brisolt-modes-" + std::to_string(random()));
  fs::create_directories(folder);
  const mode_t saved = umask(027);
  platform::InstallPrivateProtocolFiles();
  umask(saved);
  const fs::path target = folder / "protocol.html";
  for (const std::optional<fs::perms> kept :
       {std::optional<fs::perms>(), std::optional<fs::perms>(fs::perms::owner_read | fs::perms::owner_write),
        std::optional<fs::perms>(fs::perms::owner_all | fs::perms::others_read)}) {
    if (kept) {
      fs::permissions(target, *kept);
    }
    TProtocolFile file(NativeFromPath(target));
    file.Line("<html>");
    file.Commit();
    EXPECT_EQ(fs::status(target).permissions(),
              kept.value_or(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read));
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {})), 1u);
  }
  EXPECT_EQ(ReadAllText(target), "<html>\r\n");
  SetUnfinishedFileMaker(nullptr);
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
