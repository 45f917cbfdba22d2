#include "forms/szv63.h"

#include <utility>

#include "forms/packreader.h"
#include "forms/packreading.h"
#include "base/cp1251literal.h"
#include "xml/xmlwork.h"

namespace brisolt {

namespace {

constexpr Cp1251Literal kMonthRow(u8"МЕСЯЦ");
// Some writers of the Fund's forms spell the monthly row type short, as in the neighbouring forms.
constexpr Cp1251Literal kMonthRowShort(u8"МЕСЦ");

// The whole text as an integer: spaces, an optional sign, digits to the end. False otherwise.
bool ReadWholeInteger(std::string_view text, int& value) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size()) return false;
  long long number = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return false;
    if (number < 1000000) number = number * 10 + (text[pos] - '0');
  }
  value = static_cast<int>(negative ? -number : number);
  return true;
}

}  // namespace

void TakeMonthRow(const TMonthRow& row, TSZV63& doc) {
  int monthNumber = 0;
  if ((row.RowType != kMonthRow && row.RowType != kMonthRowShort) || !ReadWholeInteger(row.Month, monthNumber)) {
    return;
  }
  if (monthNumber < 1 || monthNumber > 12) return;
  // An empty sum reads as 0, like the "0" it stands for.
  doc.Months[monthNumber].Total = ReadAmount(row.Total);
  doc.Months[monthNumber].Taxable = ReadAmount(row.Taxable);
}

void TSZV63File::Clear() {
  Docs.clear();
  PackNumber = 0;
  DataType.clear();
  Year = 0;
  OrgName.clear();
  RegNumb.clear();
  CategoryCode.clear();
  ContractType.clear();
  CompileDate = 0;
}

bool TSZV63File::Load() {
  Clear();
  TXMLFile document;
  if (!document.LoadFromFile(FileName)) return false;
  TPacksFound found;
  ReadPacks(document, nullptr, this, found);
  return TakeAnswer(found.SZV63, found.SZV63Failure);
}

bool TSZV63File::LoadFromContent(std::string content) {
  TXMLFile document;
  document.Content = std::move(content);
  TPacksFound found;
  ReadPacks(document, nullptr, this, found);
  return TakeAnswer(found.SZV63, found.SZV63Failure);
}

bool TSZV63File::LoadFromDocument(const TXMLFile& document) {
  TPacksFound found;
  ReplayPacks(document, nullptr, this, found);
  return TakeAnswer(found.SZV63, found.SZV63Failure);
}

}  // namespace brisolt
