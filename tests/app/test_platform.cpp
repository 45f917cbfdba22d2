// The platform layer's behaviour that a batch run relies on beyond plain calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/platform.h"
#include "protocol/protfile.h"
#include "base/encoding.h"

#ifndef _WIN32
#include <csignal>
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

}  // namespace
}  // namespace brisolt
