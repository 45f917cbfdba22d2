// Pieces of reading that the СЗВ-6 and СЗВ-6-3 packs share. Internal to src/forms.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "base/date.h"
#include "forms/szv63.h"

namespace brisolt {

// The capacities, in characters, of the texts that both pack kinds take (see the fields of
// TSZV6File and TSZV63File).
inline constexpr std::size_t kOrgNameSize = 200;  // the full and the short name
inline constexpr std::size_t kRegNumbSize = 14;
inline constexpr std::size_t kDataTypeSize = 15;
inline constexpr std::size_t kCategoryCodeSize = 4;
inline constexpr std::size_t kContractTypeSize = 19;
inline constexpr std::size_t kFormKindSize = 7;
inline constexpr std::size_t kSNILSSize = 14;
inline constexpr std::size_t kNameSize = 40;

// The answer of a pack's Load: its failure raised, else whether a document of its kind was met.
inline bool TakeAnswer(bool found, const std::optional<EConvertError>& failure) {
  if (failure) throw *failure;
  return found;
}

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
