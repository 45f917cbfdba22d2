// Program entry: any argument at all means one batch run without a window; none opens the window.
#include <exception>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/platform.h"
#include "app/windowmode.h"

int main(int argc, char** argv) {
  std::vector<std::string> args = brisolt::platform::CommandLineArguments(argc, argv);
  brisolt::platform::RemoveProtocolFilesOnInterrupt();
  brisolt::platform::InstallLinkOwnerRule();
  brisolt::platform::InstallPrivateProtocolFiles();
  brisolt::platform::UseUserLanguageForSystemMessages();
  if (args.empty()) {
    return brisolt::RunWindowMode(argc, argv);
  }
  brisolt::platform::PrepareBatchOutput();
  try {
    return brisolt::RunBatch(args);
  } catch (const std::exception& failure) {
    brisolt::platform::ReportError(failure.what());
    return brisolt::kExitFailure;
  }
}
