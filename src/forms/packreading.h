// Pieces of reading that the СЗВ-6 and СЗВ-6-3 packs share. Internal to src/forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/xmlwork.h"

namespace brisolt {


// The capacities, in characters, of the texts that both pack kinds and both ways of reading them
// take (see the fields of TSZV6File and TSZV63File).
inline constexpr std::size_t kOrgNameSize = 200;  // the full and the short name
inline constexpr std::size_t kRegNumbSize = 14;
inline constexpr std::size_t kDataTypeSize = 15;
inline constexpr std::size_t kCategoryCodeSize = 4;
inline constexpr std::size_t kContractTypeSize = 19;
inline constexpr std::size_t kFormKindSize = 7;
inline constexpr std::size_t kSNILSSize = 14;
inline constexpr std::size_t kNameSize = 40;

// True when the root is the packs' "ФайлПФР".
bool IsPackRoot(const TXMLFile& document);

// The Load and LoadFromContent of both pack classes: the pack is cleared, the document read and
// parsed, and handed to the pack's LoadFromDocument. False when the file cannot be read or parsed.
template <typename TPack>
bool LoadPackFile(TPack& pack) {
  pack.Clear();
  TXMLFile document;
  if (!document.LoadFromFile(pack.FileName) || !document.Parse()) return false;
  return pack.LoadFromDocument(document);
}

template <typename TPack>
bool LoadPackContent(TPack& pack, std::string content) {
  pack.Clear();
  TXMLFile document;
  document.Content = std::move(content);
  if (!document.Parse()) return false;
  return pack.LoadFromDocument(document);
}

// One child of an inventory: compiler, pack number, type of data, category, compile date. False
// when the child is none of these.
bool ReadPackHeader(const TXMLElement& item, std::string& orgName, std::string& regNumb,
                    std::string& shortName, std::int32_t& packNumber, std::string& dataType,
                    std::string& categoryCode, TDate& compileDate);

// One child of a document: insurance number, full name, fill date. False when it is none of these.
bool ReadPersonItem(const TXMLElement& item, std::string& snils, std::string& lastName,
                    std::string& firstName, std::string& middleName, TDate& fillDate);

// The texts of one row of a СЗВ-6-3 document, the last of each kind as written.
struct TMonthRow {
  std::string_view RowType;
  std::string_view Month;
  std::string_view Total;
  std::string_view Taxable;
};

// A monthly row ("МЕСЯЦ", month 1 to 12) sets that month's sums; any other row is passed over.
void TakeMonthRow(const TMonthRow& row, TSZV63& doc);

}  // namespace brisolt
