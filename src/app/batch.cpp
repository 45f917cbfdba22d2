#include "app/cmdline.h"
#include "app/pipeline.h"
#include "app/platform.h"

namespace brisolt {

int ProcessBatch(const TRunParams& params) {
  TRunRequest request;
  request.Path = params.Path;
  request.SubDirs = params.SubDirs;
  request.CalcCorr = params.CalcCorr;
  request.RegNumb = params.RegNumb;
  request.OrgName = params.OrgName;
  request.SaldoFilter = params.SaldoFilter;
  request.ProtForm = params.ProtForm;
  request.ProtFormat = params.ProtFormat;
  request.ProtFileName = params.ProtFileName;
  request.VersionText = BatchVersionText();

  const TRunOutcome outcome = RunProtocol(request, {});
  switch (outcome.Result) {
    case TRunResult::Written:
      if (params.ProtOpen) {
        OpenProtocol(params.ProtFileName, params.ProtFormat);
      }
      return kExitSuccess;
    case TRunResult::NoPersons:
      platform::ReportError(outcome.Message);
      return kExitNoPersons;
    case TRunResult::ProtocolNotWritten:
      platform::ReportError(outcome.Message);
      return kExitProtocolNotWritten;
    case TRunResult::Failed:
      break;
  }
  platform::ReportError(outcome.Message);
  return kExitFailure;
}

}  // namespace brisolt
