// Each element gets a role from its name and its parent's role; an element of no role, and all
// inside it, is passed over. A leaf's value is taken when the leaf ends, a period's dates and a
// row's sums when the period or the row ends: the last occurrence of each value stays.
#include "forms/packreader.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/packnames.h"
#include "forms/packreading.h"

namespace brisolt {

using namespace packnames;

namespace {

enum class TRole : std::uint8_t {
  Skip, Root, Pack,
  // Either pack kind, told by TLevel::For63.
  Inventory, InventoryWithContract, Compiler, OrgName, RegNumb, ShortName, PackNumber, MainNumber,
  DataType, Category, CompileDate, ContractType, Document, DocumentWithForm, SNILS, FullName,
  LastName, FirstName, MiddleName, FillDate,
  // СЗВ-6
  Period, CorrPeriod, Year, Quarter, CorrYear, CorrQuarter, Stage, StartDate, EndDate, InsSums,
  FundSums, InsAccrued, InsPaid, FundAccrued, FundPaid, FormKind, AsOfDate,
  // СЗВ-6-3
  ReportYear, Row, RowType, Month, Total, Taxable,
};

struct TLevel {
  TRole Role = TRole::Skip;
  bool For63 = false;  // below a pack element: the element belongs to a СЗВ-6-3 pack
};

// The role of a child named `name` of an element in the role `parent` (not the pack element).
TRole ChildRole(const TLevel& parent, std::string_view name) {
  switch (parent.Role) {
    case TRole::Root:
      return name == kPackElement ? TRole::Pack : TRole::Skip;
    case TRole::Inventory:
    case TRole::InventoryWithContract:
      if (name == kCompiler) return TRole::Compiler;
      if (name == kPackNumber) return TRole::PackNumber;
      if (name == kDataType) return TRole::DataType;
      if (name == kCategory) return TRole::Category;
      if (name == kCompileDate) return TRole::CompileDate;
      if (parent.Role == TRole::InventoryWithContract && name == kContractType) return TRole::ContractType;
      if (parent.For63) return name == kReportYear ? TRole::ReportYear : TRole::Skip;
      if (name == kReportPeriod) return TRole::Period;
      if (name == kCorrPeriod) return TRole::CorrPeriod;
      return TRole::Skip;
    case TRole::Compiler:
      if (name == kOrgName) return TRole::OrgName;
      if (name == kRegNumb) return TRole::RegNumb;
      if (name == kShortName) return TRole::ShortName;
      return TRole::Skip;
    case TRole::PackNumber:
      return name == kMain ? TRole::MainNumber : TRole::Skip;
    case TRole::Period:
      return name == kYear ? TRole::Year : name == kQuarter ? TRole::Quarter : TRole::Skip;
    case TRole::CorrPeriod:
      return name == kYear ? TRole::CorrYear : name == kQuarter ? TRole::CorrQuarter : TRole::Skip;
    case TRole::Document:
    case TRole::DocumentWithForm:
      if (name == kSNILS) return TRole::SNILS;
      if (name == kFullName) return TRole::FullName;
      if (name == kFillDate) return TRole::FillDate;
      if (parent.For63) return name == kRow ? TRole::Row : TRole::Skip;
      if (name == kStage) return TRole::Stage;
      if (name == kInsSums) return TRole::InsSums;
      if (name == kFundSums) return TRole::FundSums;
      if (parent.Role == TRole::DocumentWithForm && name == kFormKind) return TRole::FormKind;
      if (name == kAsOfDate) return TRole::AsOfDate;
      return TRole::Skip;  // the address and anything else
    case TRole::FullName:
      if (name == kLastName) return TRole::LastName;
      if (name == kFirstName) return TRole::FirstName;
      if (name == kMiddleName) return TRole::MiddleName;
      return TRole::Skip;
    case TRole::Stage:
      return name == kStartDate ? TRole::StartDate : name == kEndDate ? TRole::EndDate : TRole::Skip;
    case TRole::InsSums:
      return name == kAccrued ? TRole::InsAccrued : name == kPaid ? TRole::InsPaid : TRole::Skip;
    case TRole::FundSums:
      return name == kAccrued ? TRole::FundAccrued : name == kPaid ? TRole::FundPaid : TRole::Skip;
    case TRole::Row:
      if (name == kRowType) return TRole::RowType;
      if (name == kMonth) return TRole::Month;
      if (name == kTotal) return TRole::Total;
      if (name == kTaxable) return TRole::Taxable;
      return TRole::Skip;
    default:
      return TRole::Skip;  // inside a leaf or a passed-over element
  }
}

// The child of a pack element: an inventory or a document of either kind.
TLevel PackItem(std::string_view name) {
  if (name == kInventoryContributions) return {TRole::Inventory, false};
  if (name == kInventoryPayments) return {TRole::InventoryWithContract, false};
  if (name == kDocumentKind1) return {TRole::DocumentWithForm, false};
  if (name == kDocumentKind2) return {TRole::Document, false};
  if (name == kInventory63) return {TRole::InventoryWithContract, true};
  if (name == kDocument63) return {TRole::Document, true};
  return {};
}

// The header and the person, which both pack kinds read alike.
template <typename TPack>
void TakeCommon(TRole role, std::string_view text, TPack& pack) {
  switch (role) {
    case TRole::OrgName: pack.OrgName = ReadText(text, kOrgNameSize); return;
    case TRole::RegNumb: pack.RegNumb = ReadText(text, kRegNumbSize); return;
    case TRole::ShortName: pack.ShortName = ReadText(text, kOrgNameSize); return;
    case TRole::MainNumber: pack.PackNumber = ReadInteger(text); return;
    case TRole::DataType: pack.DataType = ReadText(text, kDataTypeSize); return;
    case TRole::Category: pack.CategoryCode = ReadText(text, kCategoryCodeSize); return;
    case TRole::CompileDate: pack.CompileDate = ReadDate(text); return;
    case TRole::ContractType: pack.ContractType = ReadText(text, kContractTypeSize); return;
    default: break;
  }
  if (pack.Docs.empty()) return;
  auto& doc = pack.Docs.back();
  switch (role) {
    case TRole::SNILS: doc.SNILS = ReadText(text, kSNILSSize); return;
    case TRole::LastName: doc.LastName = ReadText(text, kNameSize); return;
    case TRole::FirstName: doc.FirstName = ReadText(text, kNameSize); return;
    case TRole::MiddleName: doc.MiddleName = ReadText(text, kNameSize); return;
    case TRole::FillDate: doc.FillDate = ReadDate(text); return;
    default: return;
  }
}

class TPackReader final : public TXMLHandler {
 public:
  TPackReader(TSZV6File* szv6, TSZV63File* szv63, TPacksFound& found) : szv6_(szv6), szv63_(szv63), found_(found) {
    levels_.reserve(16);
  }

  // An element of no role, and all inside it, is passed over.
  TXMLNext Open(std::string_view name, std::size_t depth) override {
    if (levels_.size() <= depth) levels_.resize(depth + 1);
    TLevel level;
    if (depth == 0) {
      level.Role = name == kRoot ? TRole::Root : TRole::Skip;
    } else if (levels_[depth - 1].Role == TRole::Pack) {
      level = PackItem(name);
      if (level.Role != TRole::Skip && !Reading(level.For63)) level.Role = TRole::Skip;
    } else {
      level = levels_[depth - 1];
      level.Role = ChildRole(level, name);
    }
    levels_[depth] = level;
    switch (level.Role) {
      case TRole::Document:
      case TRole::DocumentWithForm:
        if (level.For63) {
          found_.SZV63 = true;
          szv63_->Docs.emplace_back();
        } else {
          found_.SZV6 = true;
          szv6_->Docs.emplace_back();
          if (level.Role == TRole::Document) szv6_->FormKind = kFormKind4.Str();
        }
        break;
      case TRole::Stage:
        stageDates_.clear();
        break;
      case TRole::Row:
        row_ = TMonthRow();
        break;
      case TRole::Skip:
        return TXMLNext::PassOver;
      default:
        break;
    }
    return TXMLNext::Enter;
  }

  // Never stops the walk: a walk that gives up later leaves the document to the tree, whose
  // events may differ from those met so far.
  bool Close(std::string_view text, std::size_t depth) override {
    const TLevel& level = levels_[depth];
    if (level.Role <= TRole::Pack || !Reading(level.For63)) return true;
    try {
      if (level.For63) {
        Take63(level.Role, text);
      } else {
        Take6(level.Role, text);
      }
    } catch (const EConvertError& error) {
      (level.For63 ? found_.SZV63Failure : found_.SZV6Failure).emplace(error);
    }
    return true;
  }

 private:
  bool Reading(bool for63) const {
    return for63 ? szv63_ != nullptr && !found_.SZV63Failure : szv6_ != nullptr && !found_.SZV6Failure;
  }

  void Take6(TRole role, std::string_view text) {
    TSZV6File& pack = *szv6_;
    switch (role) {
      case TRole::Year: pack.Year = ReadInteger(text); return;
      case TRole::Quarter: pack.Quarter = ReadInteger(text); return;
      case TRole::CorrYear: pack.CorrYear = ReadInteger(text); return;
      case TRole::CorrQuarter: pack.CorrQuarter = ReadInteger(text); return;
      case TRole::FormKind: pack.FormKind = ReadText(text, kFormKindSize); return;
      case TRole::InsAccrued: pack.Docs.back().InsAccrued = ReadAmount(text); return;
      case TRole::InsPaid: pack.Docs.back().InsPaid = ReadAmount(text); return;
      case TRole::FundAccrued: pack.Docs.back().FundAccrued = ReadAmount(text); return;
      case TRole::FundPaid: pack.Docs.back().FundPaid = ReadAmount(text); return;
      case TRole::AsOfDate: pack.Docs.back().AsOfDate = ReadDate(text); return;
      case TRole::StartDate:
      case TRole::EndDate: stageDates_.push_back({role == TRole::StartDate, text}); return;
      case TRole::Stage: TakeStage(pack.Docs.back()); return;
      default: TakeCommon(role, text, pack); return;
    }
  }

  void Take63(TRole role, std::string_view text) {
    TSZV63File& pack = *szv63_;
    switch (role) {
      case TRole::ReportYear: pack.Year = ReadInteger(text); return;
      case TRole::RowType: row_.RowType = text; return;
      case TRole::Month: row_.Month = text; return;
      case TRole::Total: row_.Total = text; return;
      case TRole::Taxable: row_.Taxable = text; return;
      case TRole::Row: TakeMonthRow(row_, pack.Docs.back()); return;
      default: TakeCommon(role, text, pack); return;
    }
  }

  // A period exists when the last of each of its dates is not empty; then every date is read in
  // turn, and the last of each kind stays.
  void TakeStage(TSZV6& doc) {
    std::string_view startText;
    std::string_view endText;
    for (const TStageDate& date : stageDates_) (date.Start ? startText : endText) = date.Text;
    if (startText.empty() || endText.empty()) return;
    TSZV6Stage& stage = doc.Stages.emplace_back();
    for (const TStageDate& date : stageDates_) {
      (date.Start ? stage.StartDate : stage.EndDate) = ReadDate(date.Text);
    }
  }

  struct TStageDate {
    bool Start;
    std::string_view Text;
  };

  TSZV6File* szv6_;
  TSZV63File* szv63_;
  TPacksFound& found_;
  std::vector<TLevel> levels_;
  std::vector<TStageDate> stageDates_;
  TMonthRow row_;
};

// Passes a walk on to a reader until the first document of the pack has ended.
class THeadWalk final : public TXMLHandler {
 public:
  explicit THeadWalk(TXMLHandler& reader) : reader_(reader) {}

  // A document the reader passes over (one of a kind it does not read) is entered all the same,
  // for its end ends the head.
  TXMLNext Open(std::string_view name, std::size_t depth) override {
    const TXMLNext next = reader_.Open(name, depth);
    if (depth == kDocumentDepth) {
      document_ = name == kDocumentKind1 || name == kDocumentKind2 || name == kDocument63;
      if (document_ && next == TXMLNext::PassOver) return TXMLNext::Enter;
    }
    return next;
  }

  bool Close(std::string_view text, std::size_t depth) override {
    reader_.Close(text, depth);
    if (depth == kDocumentDepth && document_) {
      ended_ = true;
      return false;
    }
    return true;
  }

  bool Ended() const { return ended_; }

 private:
  // The root, the pack element, its inventory and documents.
  static constexpr std::size_t kDocumentDepth = 2;

  TXMLHandler& reader_;
  bool document_ = false;
  bool ended_ = false;
};

}  // namespace

bool ReadPackHead(TXMLFile& head, TSZV6File& szv6, TPacksFound& found) {
  szv6.Clear();
  // Clear leaves a few fields of the previous file, which the whole file's reading needs as they
  // were.
  TSZV6File start = szv6;
  found = TPacksFound();
  TPackReader reader(&szv6, nullptr, found);
  THeadWalk walk(reader);
  head.Walk(walk);
  if (walk.Ended()) return true;
  szv6 = std::move(start);
  found = TPacksFound();
  return false;
}

void ReplayPacks(const TXMLFile& parsed, TSZV6File* szv6, TSZV63File* szv63, TPacksFound& found) {
  if (szv6 != nullptr) szv6->Clear();
  if (szv63 != nullptr) szv63->Clear();
  found = TPacksFound();
  TPackReader reader(szv6, szv63, found);
  parsed.Replay(reader);
}

bool ReadPacks(TXMLFile& document, TSZV6File* szv6, TSZV63File* szv63, TPacksFound& found) {
  if (szv6 != nullptr) szv6->Clear();
  if (szv63 != nullptr) szv63->Clear();
  // Clear leaves a few fields of the previous file; a walk that gives up halfway has to leave
  // them as they were for the tree's reading.
  std::optional<TSZV6File> szv6Start;
  std::optional<TSZV63File> szv63Start;
  if (szv6 != nullptr) szv6Start.emplace(*szv6);
  if (szv63 != nullptr) szv63Start.emplace(*szv63);
  found = TPacksFound();
  {
    TPackReader reader(szv6, szv63, found);
    if (document.Walk(reader)) return true;
  }
  if (szv6 != nullptr) *szv6 = std::move(*szv6Start);
  if (szv63 != nullptr) *szv63 = std::move(*szv63Start);
  found = TPacksFound();
  if (!document.Parse()) return false;
  ReplayPacks(document, szv6, szv63, found);
  return true;
}

}  // namespace brisolt
