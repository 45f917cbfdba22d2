// The window's results table as a page the browser prints.
#include <string>
#include <vector>

#include "base/amount.h"
#include "base/encoding.h"
#include "protocol/protdata.h"
#include "protocol/protfile.h"

namespace brisolt {

namespace {

// A windows-1251 text as HTML in UTF-8.
std::string Html(const std::string& text) { return Cp1251ToUtf8(EscapeMarkup(text, true)); }

std::string Roubles(std::int64_t amount) {
  const std::string text = FormatRoubles(amount);
  // Without " руб.": the column says what the figures are; blanks that do not break.
  std::string figure = Cp1251ToUtf8(text.substr(0, text.size() - 5));
  std::string result;
  for (const char ch : figure) result += ch == ' ' ? std::string("&nbsp;") : std::string(1, ch);
  return result;
}

}  // namespace

void WritePrintableList(const TListJob& job) {
  const TReport& report = job.Report;
  const TResults& results = job.Results;
  const std::string& caption = job.Caption;
  const std::vector<std::size_t>& persons = job.Persons;
  TProtocolFile out(job.FileName);
  out.Line("<!DOCTYPE html>");
  out.Line("<html lang=\"ru\"><head><meta charset=\"utf-8\">");
  out << "<title>" << Html(caption) << "</title>";
  out.EndLine();
  out.Line("<style>");
  out.Line("@page { size: A4 landscape; margin: 12mm; }");
  out.Line("body { font-family: sans-serif; font-size: 10pt; }");
  out.Line("table { border-collapse: collapse; width: 100%; }");
  out.Line("th, td { border: 1px solid #888; padding: 2px 4px; vertical-align: top; }");
  out.Line("thead { display: table-header-group; }");
  out.Line("tr { page-break-inside: avoid; }");
  out.Line("td.sum { text-align: right; white-space: nowrap; }");
  out.Line("</style></head>");
  // The print dialog opens with the page; closing it leaves the page to read.
  out.Line("<body onload=\"window.print()\">");
  out << "<h3>" << Html(caption) << "</h3>";
  out.EndLine();
  out << reinterpret_cast<const char*>(
      u8"<table><thead><tr><th>СНИЛС</th><th>ФИО</th><th>Сальдо страх., руб.</th><th>Сальдо накоп., руб.</th>"
      u8"<th>Периоды</th><th>Что сделать</th></tr></thead><tbody>");
  out.EndLine();
  for (const std::size_t personAt : persons) {
    const TPersonResult& person = results.Persons[personAt];
    const TMainLine& line = report.PersonLine(person.Line);
    out << "<tr><td>" << Html(FormatSNILS(line.SNILS)) << "</td><td>" << Html(line.FIO) << "</td><td class=\"sum\">"
        << Roubles(person.InsBalance) << "</td><td class=\"sum\">" << Roubles(person.FundBalance) << "</td><td>";
    for (std::size_t at = 0; at < person.Periods.size(); ++at) {
      if (at > 0) out << ", ";
      out << Html(report.PeriodList[static_cast<std::size_t>(person.Periods[at])]);
    }
    out << "</td><td>";
    for (std::size_t at = 0; at < person.Actions.size(); ++at) {
      if (at > 0) out << "<br>";
      out << Html(person.Actions[at].Text);
    }
    out << "</td></tr>";
    out.EndLine();
  }
  out.Line("</tbody></table>");
  out << reinterpret_cast<const char*>(u8"<p>Строк: ") << std::to_string(persons.size()) << "</p>";
  out.EndLine();
  out.Line("</body></html>");
  out.Commit();
}

}  // namespace brisolt
