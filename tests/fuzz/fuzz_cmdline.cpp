// Arguments made from the input (split at line feeds) through the command-line parser. Whatever
// it accepts must hold only values a run can take; whatever it refuses must say why; the same
// arguments must give the same answer twice.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/cmdline.h"

namespace {

using namespace brisolt;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz_cmdline: %s\n", what);
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start <= bytes.size() && args.size() < 64) {
    const std::size_t end = bytes.find('\n', start);
    args.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }

  TRunParams params;
  const bool accepted = ParseCommandLine(args, params);
  TRunParams again;
  Check(ParseCommandLine(args, again) == accepted, "a second parse disagrees");
  Check(again.ErrorText == params.ErrorText, "a second parse gives another message");
  if (!accepted) {
    Check(!params.ErrorText.empty(), "refused without a message");
    return 0;
  }
  Check(params.ErrorText.empty(), "accepted with a message");
  Check(CheckRegNumbList(params.RegNumb), "accepted a registration number the check refuses");
  Check(!params.Path.empty(), "accepted without a folder");
  Check(!params.ProtFileName.empty(), "no protocol file name");
  Check(static_cast<int>(params.ProtForm) <= static_cast<int>(TProtForm::Detailed), "protform out of range");
  Check(static_cast<int>(params.SaldoFilter) <= static_cast<int>(TSaldoFilter::Overpayment),
        "saldofilter out of range");
  // The workbook is the window's choice; the command line asks for it by the file's name.
  Check(static_cast<int>(params.ProtFormat) <= static_cast<int>(TProtFormat::CalcXml),
        "protformat out of range");
  Check(again.Path == params.Path && again.ProtFileName == params.ProtFileName && again.RegNumb == params.RegNumb &&
            again.OrgName == params.OrgName,
        "a second parse gives other values");
  return 0;
}
