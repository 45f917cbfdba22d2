// Writes the hand-built sample protocols into a folder, for the checks by real programs.
#include <iostream>
#include <string>

#include "../sample_reports.h"
#include "protocol/prot.h"
#ifdef BRISOLT_HAVE_XLSX
#include "protocol/protxlsx.h"
#endif

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: write_sample_protocols FOLDER\n";
    return 2;
  }
  using namespace brisolt;
  using namespace brisolt::testing;
  const std::string folder = std::string(argv[1]) + "/";
  for (const TProtForm layout : {TProtForm::Compact, TProtForm::Detailed}) {
    const std::string suffix = layout == TProtForm::Compact ? "_compact" : "_detailed";
    WriteHtmlProtocol(FullReport(layout), folder + "full" + suffix + ".html", kFixedStamp);
    WriteXmlProtocol(FullReport(layout), folder + "full" + suffix + ".xml", kFixedStamp);
    WriteXmlProtocol(OnePeriodReport(layout), folder + "one_period" + suffix + ".xml",
                     kFixedStamp);
#ifdef BRISOLT_HAVE_XLSX
    TSpreadsheetOptions options;
    options.Stamp = kFixedStamp;
    WriteXlsxProtocol(FullReport(layout), folder + "full" + suffix + ".xlsx", options);
    WriteXlsxProtocol(OnePeriodReport(layout), folder + "one_period" + suffix + ".xlsx", options);
#endif
  }
  return 0;
}
