#include "forms/szv63.h"

#include <utility>

#include "forms/packnames.h"
#include "forms/packreading.h"
#include "base/cp1251literal.h"
#include "xml/xmlwork.h"

namespace brisolt {

using namespace packnames;

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

void ReadRow(const TXMLElement& row, TSZV63& doc) {
  TMonthRow texts;
  for (const TXMLElement& item : row.Children) {
    if (item.Name == kRowType) {
      texts.RowType = item.Text;
    } else if (item.Name == kMonth) {
      texts.Month = item.Text;
    } else if (item.Name == kTotal) {
      texts.Total = item.Text;
    } else if (item.Name == kTaxable) {
      texts.Taxable = item.Text;
    }
  }
  TakeMonthRow(texts, doc);
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

bool TSZV63File::Load() { return LoadPackFile(*this); }

bool TSZV63File::LoadFromContent(std::string content) { return LoadPackContent(*this, std::move(content)); }

bool TSZV63File::LoadFromDocument(const TXMLFile& document) {
  Clear();
  if (!IsPackRoot(document)) return false;
  bool found = false;
  for (const TXMLElement& packElement : document.Root->Children) {
    if (packElement.Name != kPackElement) continue;
    for (const TXMLElement& item : packElement.Children) {
      if (item.Name == kInventory63) {
        for (const TXMLElement& field : item.Children) {
          if (ReadPackHeader(field, OrgName, RegNumb, ShortName, PackNumber, DataType, CategoryCode,
                             CompileDate)) {
            continue;
          }
          if (field.Name == kContractType) {
            ContractType = ReadText(field.Text, kContractTypeSize);
          } else if (field.Name == kReportYear) {
            Year = ReadInteger(field.Text);
          }
        }
      } else if (item.Name == kDocument63) {
        found = true;
        Docs.emplace_back();
        for (const TXMLElement& field : item.Children) {
          TSZV63& doc = Docs.back();
          if (ReadPersonItem(field, doc.SNILS, doc.LastName, doc.FirstName, doc.MiddleName,
                             doc.FillDate)) {
            continue;
          }
          if (field.Name == kRow) ReadRow(field, doc);
        }
      }
    }
  }
  return found;
}

}  // namespace brisolt
