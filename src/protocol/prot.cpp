#include "protocol/prot.h"

#include <cstdio>
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
  ErrorFindings.clear();
  MainLines.clear();
  UnlistedLines.clear();
  PeriodTotals.clear();
  ForgottenLines.clear();
  SZV63Year = 0;
  SZV63Blocks.clear();
}

void TReport::AddFile(const std::string& text) { FileList.push_back(text); }

void TReport::AddPeriod(const std::string& text) { PeriodList.push_back(text); }

void TReport::AddError(const std::string& text, const TFinding& finding) {
  ErrorList.push_back(text);
  ErrorFindings.push_back(finding);
}

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

void TReport::AddLineNote(std::size_t lineIndex, const std::string& text, const TFinding& finding) {
  TMainLine& line = MainLines.at(lineIndex);
  line.Notes.push_back(text);
  line.NoteFindings.push_back(finding);
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

void AppendPageText(std::string& out, std::string_view text) {
  static constexpr std::string_view kNbsp = "&nbsp;";
  out += kNbsp;
  const std::size_t first = text.find_first_not_of(' ');
  if (first != std::string_view::npos) {
    // Escaping keeps every blank where it was and makes none, so the runs between blanks are
    // escaped each at once.
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    for (;;) {
      const std::size_t blank = text.find(' ');
      AppendMarkup(out, text.substr(0, blank), kPageAttribute);
      if (blank == std::string_view::npos) {
        break;
      }
      out += kNbsp;
      text.remove_prefix(blank + 1);
    }
  }
  out += kNbsp;
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

std::string IsoDate(const std::string& date) {
  if (date.size() != 10 || date[2] != '.' || date[5] != '.') return date;
  return date.substr(6, 4) + "-" + date.substr(3, 2) + "-" + date.substr(0, 2);
}

std::string IsoStamp(const std::string& stamp) {
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  if (stamp.size() != 19 ||
      std::sscanf(stamp.c_str(), "%2d.%2d.%4d %2d:%2d:%2d", &day, &month, &year, &hour, &minute, &second) != 6) {
    return stamp;
  }
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const std::time_t moment = std::mktime(&local);
  const std::tm utc = UtcTime(moment);
  // The local clock's reading less UTC's, in minutes, from the civil dates and times of both.
  const auto minutes = [](const std::tm& time) {
    const auto days = static_cast<long long>(EncodeDate(time.tm_year + 1900, time.tm_mon + 1, time.tm_mday));
    return days * 1440 + time.tm_hour * 60 + time.tm_min;
  };
  const long long offset = moment == static_cast<std::time_t>(-1) ? 0 : minutes(local) - minutes(utc);
  const long long size = offset < 0 ? -offset : offset;
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02lld:%02lld", year, month, day, hour, minute,
                second, offset < 0 ? '-' : '+', size / 60, size % 60);
  return text;
}

std::string CurrentProtocolStamp() {
  const std::tm local = LocalTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
  return text;
}

}  // namespace brisolt
