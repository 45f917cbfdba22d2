#include "protocol/prot.h"

#include <ctime>

#include "base/amount.h"
#include "base/date.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"
#include "protocol/protescape.h"

namespace brisolt {

void TReport::Clear() {
  ProgName.clear();
  ProgVersion.clear();
  ProgURL.clear();
  ProgNote.clear();
  OrgName.clear();
  RegNumb.clear();
  FileList.clear();
  PeriodList.clear();
  ErrorList.clear();
  MainLines.clear();
  PeriodTotals.clear();
  ForgottenLines.clear();
  SZV63Year = 0;
  SZV63Blocks.clear();
}

void TReport::AddFile(const std::string& text) { FileList.push_back(text); }

void TReport::AddPeriod(const std::string& text) { PeriodList.push_back(text); }

void TReport::AddError(const std::string& text) { ErrorList.push_back(text); }

std::size_t TReport::AddMainLine(TLineMark mark, const std::string& fio,
                                 const std::string& snils, const TDismissal& dismissal) {
  TMainLine& line = MainLines.emplace_back();
  line.Mark = mark;
  line.FIO = fio;
  line.SNILS = snils;
  line.Dismissal = dismissal;
  return MainLines.size() - 1;
}

void TReport::AddLinePeriod(std::size_t lineIndex, const TPeriodRec& period) {
  MainLines.at(lineIndex).Periods.push_back(period);
}

void TReport::AddLineNote(std::size_t lineIndex, const std::string& text) {
  MainLines.at(lineIndex).Notes.push_back(text);
}

void TReport::AddTotal(const TTotalRec& total) { PeriodTotals.push_back(total); }

void TReport::AddForgottenLine(const std::string& snils, const std::string& fio,
                               std::int64_t insDebt, std::int64_t fundDebt) {
  TForgottenLine& line = ForgottenLines.emplace_back();
  line.FIO = fio;
  line.SNILS = snils;
  line.InsDebt = insDebt;
  line.FundDebt = fundDebt;
}

void TReport::SetSZV63Year(std::int32_t year) { SZV63Year = year; }

std::size_t TReport::AddSZV63Block(const std::string& fio, const std::string& snils) {
  TSZV63SverkaZL& block = SZV63Blocks.emplace_back();
  block.FIO = fio;
  block.SNILS = snils;
  return SZV63Blocks.size() - 1;
}

void TReport::AddSZV63Line(std::size_t blockIndex, const std::string& categoryCode,
                           const std::array<std::int64_t, 4>& calculated,
                           const std::array<std::int64_t, 4>& fromIS,
                           const std::array<bool, 4>& mismatch) {
  TSZV63SverkaLine& line = SZV63Blocks.at(blockIndex).Lines.emplace_back();
  line.CategoryCode = categoryCode;
  for (std::size_t quarter = 0; quarter < 4; ++quarter) {
    line.Quarters[quarter].Calculated = calculated[quarter];
    line.Quarters[quarter].FromIS = fromIS[quarter];
    line.Quarters[quarter].Difference = SubAmount(calculated[quarter], fromIS[quarter]);
    line.Quarters[quarter].Mismatch = mismatch[quarter];
  }
}

std::string_view LineMarkClass(TLineMark mark) {
  switch (mark) {
    case TLineMark::Plain: return "norm";
    case TLineMark::Conflict: return "p";
    case TLineMark::DismissalDebt: return "hv";
    case TLineMark::ConflictAndDismissalDebt: return "hvp";
  }
  return "norm";
}

std::string FormatSNILS(const std::string& snils) {
  auto piece = [&snils](std::size_t from, std::size_t count) {
    return from < snils.size() ? snils.substr(from, count) : std::string();
  };
  return piece(0, 3) + "-" + piece(3, 3) + "-" + piece(6, 3) + " " + piece(9, 2);
}

std::string HtmlText(const std::string& text) {
  static constexpr std::string_view kNbsp = "&nbsp;";
  const std::size_t first = text.find_first_not_of(' ');
  std::string result(kNbsp);
  if (first != std::string::npos) {
    const std::size_t last = text.find_last_not_of(' ');
    for (std::size_t pos = first; pos <= last; ++pos) {
      if (text[pos] == ' ') {
        result += kNbsp;
      } else {
        result += text[pos];
      }
    }
  }
  result += kNbsp;
  return result;
}

std::string HtmlAmount(std::int64_t amount) { return "&nbsp;" + FormatSum(amount) + "&nbsp;"; }

std::string EscapeMarkup(const std::string& text, bool withQuote) {
  std::string result;
  result.reserve(text.size());
  AppendMarkup(result, text, withQuote ? kPageAttribute : kPageText);
  return result;
}

std::string DismissalText(const TDismissal& dismissal, std::string_view atWorkText) {
  switch (dismissal.Kind) {
    case TDismissalKind::NoWork:
      return Cp1251Literal(u8"Отсутствует");
    case TDismissalKind::AtWork:
      return std::string(atWorkText);
    case TDismissalKind::Left:
      break;
  }
  return dismissal.Date;
}

std::string CurrentProtocolStamp() {
  const std::tm local = LocalTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
  return text;
}

}  // namespace brisolt
