#include "forms/szv6.h"

#include "xml/xmlwork.h"

namespace brisolt {

void TSZV6File::Clear() {
  Docs.clear();
  PackNumber = 0;
  DataType.clear();
  Year = 0;
  Quarter = 0;
  CorrYear = 0;
  CorrQuarter = 0;
  OrgName.clear();
  RegNumb.clear();
  CategoryCode.clear();
  CompileDate = 0;
}

bool TSZV6File::Load() { Clear(); return false; }
bool TSZV6File::LoadFromContent(std::string) { Clear(); return false; }
bool TSZV6File::LoadFromDocument(const TXMLFile&) { Clear(); return false; }

std::string ReadText(std::string_view text, std::size_t capacity) {
  return std::string(text.substr(0, capacity));
}
std::int32_t ReadInteger(std::string_view) { return 0; }
TAmount ReadAmount(std::string_view) { return 0; }
TDate ReadDate(std::string_view) { return 0; }
std::string DecodeXmlText(std::string_view text) { return std::string(text); }
TDate EncodeDate(int, int, int) { return 0; }

}  // namespace brisolt
