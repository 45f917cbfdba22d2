// The XLSX writer of a build without zlib: it writes nothing and says so. CMake compiles this
// file in place of protxlsx.cpp.
#include "protocol/protxlsx.h"

namespace brisolt {

bool XlsxWriterBuilt() { return false; }

std::vector<TXlsxSheetBytes> XlsxSheetBytesAtLeast(const TReport&) { return {}; }

void CheckXlsxSheetBytes(const TReport&, const TSheetLimits&) {}

void WriteXlsxProtocol(const TReport&, const std::string& fileName, const TSpreadsheetOptions&) {
  throw EProtocolWriteError(fileName, "эта сборка программы не записывает файлы XLSX");
}

}  // namespace brisolt
