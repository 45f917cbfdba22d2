#include <chrono>
#include <string>

#include "app/cmdline.h"
#include "app/pipeline.h"
#include "app/platform.h"
#include "app/termprogress.h"

namespace brisolt {

int ProcessBatch(const TRunParams& params) {
  TRunRequest request = params;
  request.VersionText = BatchVersionText();
  request.LeaveMemoryToExit = true;  // the process ends with the run

  // A terminal sees the stages go by; a file or a pipe gets only the outcome line.
  TTerminalProgress terminal(platform::WriteStderr, std::chrono::milliseconds(100));
  TProgressEvent progress;
  if (platform::StderrIsTerminal()) {
    progress = [&terminal](const std::string& stage, const std::string& detail, int position,
                           int maximum) { terminal.Report(stage, detail, position, maximum); };
  }
  const TRunOutcome outcome = RunProtocol(request, progress);
  terminal.Clear();
  for (const std::string& failure : outcome.ReadFailures) {
    platform::ReportError(failure);
  }
  if (outcome.Result == TRunResult::Written || outcome.Result == TRunResult::WrittenIncomplete) {
    for (const std::string& warning : outcome.Warnings) {
      platform::ReportError(warning);
    }
  }
  for (const std::string& snils : outcome.UnknownPersons) {
    platform::ReportError("Сотрудник со СНИЛС " + snils + " не найден в сведениях страхователя.");
  }
  switch (outcome.Result) {
    case TRunResult::Written:
      if (params.ProtOpen) {
        OpenProtocol(params.ProtFileName, params.ProtFormat);
      }
      return kExitSuccess;
    case TRunResult::WrittenIncomplete:
      platform::ReportError(outcome.Message);
      if (params.ProtOpen) {
        OpenProtocol(params.ProtFileName, params.ProtFormat);
      }
      return kExitSomeFilesUnread;
    case TRunResult::NoPersons:
      platform::ReportError(outcome.Message);
      return kExitNoPersons;
    case TRunResult::ProtocolNotWritten:
    case TRunResult::ProtocolTooLarge:
      platform::ReportError(outcome.Message);
      return kExitProtocolNotWritten;
    case TRunResult::ResultsOnly:
    case TRunResult::Cancelled:  // asked of a window's user only
    case TRunResult::Failed:
      break;
  }
  platform::ReportError(outcome.Message);
  return kExitFailure;
}

}  // namespace brisolt
