// Both pack readers over one walk of the document. Each element gets a role from its name and its
// parent's role, and a value is taken where the tree's readers take it: a leaf's text when the leaf
// ends, a period's dates and a row's sums when the period or the row ends. An element the readers
// would not look at, and all inside it, is passed over. A value that does not read stops the walk,
// and the tree's readers then throw the same error at the same place.
#include "forms/packwalk.h"

#include <string_view>
#include <vector>

#include "forms/packnames.h"
#include "forms/packreading.h"

namespace brisolt {

using namespace packnames;

namespace {

enum class TRole {
  Skip, Root, Pack,
  // Either pack kind, by the element's TLevel::For63.
  Inventory, Compiler, OrgName, RegNumb, ShortName, PackNumber, MainNumber, DataType, Category,
  CompileDate, ContractType, Document, SNILS, FullName, LastName, FirstName, MiddleName, FillDate,
  // СЗВ-6
  Period, CorrPeriod, Year, Quarter, CorrYear, CorrQuarter, Stage, StartDate, EndDate, InsSums,
  FundSums, InsAccrued, InsPaid, FundAccrued, FundPaid, FormKind, AsOfDate,
  // СЗВ-6-3
  ReportYear, Row, RowType, Month, Total, Taxable,
};

struct TLevel {
  TRole Role = TRole::Skip;
  bool For63 = false;
};

class TPacksWalker : public TXMLHandler {
 public:
  TPacksWalker(TSZV6File& szv6, TSZV63File& szv63, TPacksFound& found) : szv6_(szv6), szv63_(szv63), found_(found) {}

  bool Open(std::string_view name, std::size_t depth) override {
    if (levels_.size() <= depth) levels_.resize(depth + 1);
    const TLevel parent = depth == 0 ? TLevel{TRole::Skip, false} : levels_[depth - 1];
    TLevel level{TRole::Skip, parent.For63};
    if (depth == 0) {
      level.Role = name == kRoot ? TRole::Root : TRole::Skip;
    } else {
      level.Role = Role(parent, name, level.For63);
    }
    levels_[depth] = level;
    switch (level.Role) {
      case TRole::Document:
        if (level.For63) {
          found_.SZV63 = true;
          szv63_.Docs.emplace_back();
        } else {
          found_.SZV6 = true;
          szv6_.Docs.emplace_back();
          kind1_ = name == kDocumentKind1;
          if (!kind1_) szv6_.FormKind = kFormKind4.Str();
        }
        break;
      case TRole::Inventory:
        withContractType_ = level.For63 || name == kInventoryPayments;
        break;
      case TRole::Stage:
        stageDates_.clear();
        break;
      case TRole::Row:
        row_ = TMonthRow();
        break;
      default:
        break;
    }
    return true;
  }

  bool Close(std::string_view text, std::size_t depth) override {
    const TLevel& level = levels_[depth];
    if (level.Role == TRole::Skip) return true;
    try {
      Take(level, text);
    } catch (const EConvertError&) {
      return false;
    }
    return true;
  }

 private:
  // The role of a child named `name` of an element in `parent`'s role; `for63` is set for the
  // inventory and the document of a СЗВ-6-3 pack.
  TRole Role(const TLevel& parent, std::string_view name, bool& for63) const {
    switch (parent.Role) {
      case TRole::Root:
        return name == kPackElement ? TRole::Pack : TRole::Skip;
      case TRole::Pack:
        for63 = name == kInventory63 || name == kDocument63;
        if (name == kInventoryContributions || name == kInventoryPayments || name == kInventory63) {
          return TRole::Inventory;
        }
        if (name == kDocumentKind1 || name == kDocumentKind2 || name == kDocument63) return TRole::Document;
        return TRole::Skip;
      case TRole::Inventory:
        if (name == kCompiler) return TRole::Compiler;
        if (name == kPackNumber) return TRole::PackNumber;
        if (name == kDataType) return TRole::DataType;
        if (name == kCategory) return TRole::Category;
        if (name == kCompileDate) return TRole::CompileDate;
        if (withContractType_ && name == kContractType) return TRole::ContractType;
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
        if (name == kSNILS) return TRole::SNILS;
        if (name == kFullName) return TRole::FullName;
        if (name == kFillDate) return TRole::FillDate;
        if (parent.For63) return name == kRow ? TRole::Row : TRole::Skip;
        if (name == kStage) return TRole::Stage;
        if (name == kInsSums) return TRole::InsSums;
        if (name == kFundSums) return TRole::FundSums;
        if (kind1_ && name == kFormKind) return TRole::FormKind;
        if (name == kAsOfDate) return TRole::AsOfDate;
        return TRole::Skip;  // the address among them
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

  void Take(const TLevel& level, std::string_view text) {
    if (level.For63) {
      TakeHeader(level.Role, text, szv63_.OrgName, szv63_.RegNumb, szv63_.ShortName, szv63_.PackNumber,
                 szv63_.DataType, szv63_.CategoryCode, szv63_.CompileDate, szv63_.ContractType);
      if (!szv63_.Docs.empty()) {
        TSZV63& doc = szv63_.Docs.back();
        TakePerson(level.Role, text, doc.SNILS, doc.LastName, doc.FirstName, doc.MiddleName, doc.FillDate);
      }
      switch (level.Role) {
        case TRole::ReportYear: szv63_.Year = ReadInteger(text); break;
        case TRole::RowType: row_.RowType = text; break;
        case TRole::Month: row_.Month = text; break;
        case TRole::Total: row_.Total = text; break;
        case TRole::Taxable: row_.Taxable = text; break;
        case TRole::Row: TakeMonthRow(row_, szv63_.Docs.back()); break;
        default: break;
      }
      return;
    }
    TakeHeader(level.Role, text, szv6_.OrgName, szv6_.RegNumb, szv6_.ShortName, szv6_.PackNumber,
               szv6_.DataType, szv6_.CategoryCode, szv6_.CompileDate, szv6_.ContractType);
    switch (level.Role) {
      case TRole::Year: szv6_.Year = ReadInteger(text); return;
      case TRole::Quarter: szv6_.Quarter = ReadInteger(text); return;
      case TRole::CorrYear: szv6_.CorrYear = ReadInteger(text); return;
      case TRole::CorrQuarter: szv6_.CorrQuarter = ReadInteger(text); return;
      case TRole::FormKind: szv6_.FormKind = ReadText(text, kFormKindSize); return;
      default: break;
    }
    if (szv6_.Docs.empty()) return;
    TSZV6& doc = szv6_.Docs.back();
    TakePerson(level.Role, text, doc.SNILS, doc.LastName, doc.FirstName, doc.MiddleName, doc.FillDate);
    switch (level.Role) {
      case TRole::InsAccrued: doc.InsAccrued = ReadAmount(text); break;
      case TRole::InsPaid: doc.InsPaid = ReadAmount(text); break;
      case TRole::FundAccrued: doc.FundAccrued = ReadAmount(text); break;
      case TRole::FundPaid: doc.FundPaid = ReadAmount(text); break;
      case TRole::AsOfDate: doc.AsOfDate = ReadDate(text); break;
      case TRole::StartDate:
      case TRole::EndDate: stageDates_.push_back({level.Role == TRole::StartDate, text}); break;
      case TRole::Stage: TakeStage(doc); break;
      default: break;
    }
  }

  // The values ReadPackHeader takes, and the contract type.
  static void TakeHeader(TRole role, std::string_view text, std::string& orgName, std::string& regNumb,
                         std::string& shortName, std::int32_t& packNumber, std::string& dataType,
                         std::string& categoryCode, TDate& compileDate, std::string& contractType) {
    switch (role) {
      case TRole::OrgName: orgName = ReadText(text, kOrgNameSize); break;
      case TRole::RegNumb: regNumb = ReadText(text, kRegNumbSize); break;
      case TRole::ShortName: shortName = ReadText(text, kOrgNameSize); break;
      case TRole::MainNumber: packNumber = ReadInteger(text); break;
      case TRole::DataType: dataType = ReadText(text, kDataTypeSize); break;
      case TRole::Category: categoryCode = ReadText(text, kCategoryCodeSize); break;
      case TRole::CompileDate: compileDate = ReadDate(text); break;
      case TRole::ContractType: contractType = ReadText(text, kContractTypeSize); break;
      default: break;
    }
  }

  // The values ReadPersonItem takes.
  static void TakePerson(TRole role, std::string_view text, std::string& snils, std::string& lastName,
                         std::string& firstName, std::string& middleName, TDate& fillDate) {
    switch (role) {
      case TRole::SNILS: snils = ReadText(text, kSNILSSize); break;
      case TRole::LastName: lastName = ReadText(text, kNameSize); break;
      case TRole::FirstName: firstName = ReadText(text, kNameSize); break;
      case TRole::MiddleName: middleName = ReadText(text, kNameSize); break;
      case TRole::FillDate: fillDate = ReadDate(text); break;
      default: break;
    }
  }

  // As the tree's reader of a period: the last of each date decides whether the period exists,
  // and then every date is read in turn.
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

  TSZV6File& szv6_;
  TSZV63File& szv63_;
  TPacksFound& found_;
  std::vector<TLevel> levels_;
  std::vector<TStageDate> stageDates_;
  TMonthRow row_;
  bool kind1_ = false;            // the СЗВ-6 document being read is of the first kind
  bool withContractType_ = false;  // the inventory being read has a contract type
};

}  // namespace

bool ReadPacksWalking(TXMLFile& document, TSZV6File& szv6, TSZV63File& szv63, TPacksFound& found) {
  szv6.Clear();
  szv63.Clear();
  found = TPacksFound();
  TPacksWalker walker(szv6, szv63, found);
  return document.Walk(walker);
}

}  // namespace brisolt
