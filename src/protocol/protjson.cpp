// Schema version 2 (docs/guide/protocol.schema.json). Every amount is the protocol's own text of it
// (FormatSumTo), which reads as a JSON number with exactly two decimals; periods are objects, dates
// ISO 8601, file numbers numbers, and every message, note, action and fate a stable code beside
// its Russian text. Texts go from windows-1251 to escaped UTF-8 straight into the buffer, as the
// HTML writer escapes them, so that the largest report is written at the HTML page's pace.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/amount.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"
#include "protocol/protdata.h"
#include "protocol/protescape.h"
#include "protocol/protfile.h"

namespace brisolt {
namespace {

class TJsonWriter {
 public:
  TJsonWriter(const TReport& report, const TResults& results, TProtocolFile& out, const std::string& stamp)
      : report_(report), results_(results), out_(out), stamp_(stamp) {}

  void Write() {
    WriteHead(true);
    out_ << ",";
    out_.EndLine();
    WriteFiles();
    out_ << "\"periods\":[";
    for (std::size_t at = 0; at < report_.PeriodList.size(); ++at) {
      if (at > 0) out_ << ',';
      PeriodAt(at);
    }
    out_ << "],";
    out_.EndLine();
    WriteConflicts();
    WritePersons();
    WriteTotals();
    WriteForgotten();
    WriteSZV63();
    out_ << "}";
    out_.EndLine();
  }

 private:
  // windows-1251 to UTF-8, with what JSON must escape escaped.
  void String(const std::string& text) {
    text_.clear();
    AppendJsonString(text_, text);
    out_ << '"' << text_ << '"';
  }

  void Number(std::int64_t value) { out_ << std::to_string(value); }

  // {"year":2011,"kind":"quarter","number":1,"text":"1 квартал 2011 г."}; a year has no number.
  void Period(TPeriodKey period) {
    out_ << "{\"year\":";
    Number(period.Year);
    out_ << ",\"kind\":\"" << PeriodKindName(period) << "\",\"number\":";
    if (period.Quarter == 0) {
      out_ << "null";
    } else {
      Number(period.Quarter);
    }
    out_ << ",\"text\":";
    String(PeriodKeyText(period));
    out_ << '}';
  }

  // A period, or null where none is known (year 0).
  void PeriodOrNull(TPeriodKey period) {
    if (period.Year != 0) {
      Period(period);
    } else {
      out_ << "null";
    }
  }

  // The report's period by position, as its text when the results do not hold it (a report
  // built by hand).
  void PeriodAt(std::size_t at) {
    if (at < results_.Periods.size()) {
      Period(results_.Periods[at]);
      return;
    }
    out_ << "{\"year\":null,\"kind\":null,\"number\":null,\"text\":";
    String(at < report_.PeriodList.size() ? report_.PeriodList[at] : std::string());
    out_ << '}';
  }

  void Periods(const std::vector<TPeriodKey>& periods) {
    out_ << '[';
    for (std::size_t at = 0; at < periods.size(); ++at) {
      if (at > 0) out_ << ',';
      Period(periods[at]);
    }
    out_ << ']';
  }

  void Numbers(const std::vector<std::int32_t>& numbers) {
    out_ << '[';
    for (std::size_t at = 0; at < numbers.size(); ++at) {
      if (at > 0) out_ << ',';
      Number(numbers[at]);
    }
    out_ << ']';
  }

  // "1, 3" as [1,3].
  void FileNumbers(const std::string& text) {
    out_ << '[';
    bool first = true;
    std::size_t at = 0;
    while (at < text.size()) {
      if (text[at] < '0' || text[at] > '9') {
        ++at;
        continue;
      }
      std::size_t end = text.find_first_not_of("0123456789", at);
      if (end == std::string::npos) end = text.size();
      // JSON has no number with a leading zero: "05" is 5, "00" is 0.
      while (end - at > 1 && text[at] == '0') ++at;
      if (!first) out_ << ',';
      out_ << std::string_view(text).substr(at, end - at);
      first = false;
      at = end;
    }
    out_ << ']';
  }

  // A message of the first stage or a note: its code, whom and what it names, and its text.
  void Finding(const TFinding& finding, const std::string& text) {
    out_ << "{\"kind\":\"" << FindingKindName(finding.Kind) << "\",\"persons\":[";
    if (!finding.SNILS.empty()) String(FormatSNILS(finding.SNILS));
    out_ << "],\"files\":[";
    if (finding.FileNumber > 0) Number(finding.FileNumber);
    if (finding.OtherFile > 0) {
      out_ << ',';
      Number(finding.OtherFile);
    }
    out_ << "],\"period\":";
    PeriodOrNull(finding.Period);
    out_ << ",\"category\":";
    if (finding.CategoryCode.empty()) {
      out_ << "null";
    } else {
      String(finding.CategoryCode);
    }
    const bool amounts = finding.Kind >= TFindingKind::BaseLimitExceeded;
    out_ << ",\"amount\":";
    if (amounts) {
      out_.Amount(finding.Amount);
    } else {
      out_ << "null";
    }
    out_ << ",\"paid\":";
    if (finding.Kind == TFindingKind::InsOverpaid || finding.Kind == TFindingKind::FundOverpaid) {
      out_.Amount(finding.Paid);
    } else {
      out_ << "null";
    }
    out_ << ",\"text\":";
    String(text);
    out_ << '}';
  }

  void WriteConflicts() {
    out_ << "\"conflicts\":[";
    for (std::size_t at = 0; at < report_.ErrorList.size(); ++at) {
      if (at > 0) out_ << ',';
      Finding(at < report_.ErrorFindings.size() ? report_.ErrorFindings[at] : TFinding(), report_.ErrorList[at]);
      out_.EndLine();
    }
    out_ << "],";
    out_.EndLine();
  }

  void Fate(TSourceFate fate, std::int32_t byFile) {
    out_ << ",\"fate\":{\"code\":\"" << SourceFateName(fate) << "\",\"text\":";
    String(SourceFateText(fate, byFile));
    out_ << "},\"byFile\":";
    if (byFile > 0) {
      Number(byFile);
    } else {
      out_ << "null";
    }
  }

  void Field(std::string_view name, std::int64_t amount) {
    out_ << ",\"" << name << "\":";
    out_.Amount(amount);
  }

  // A file's name, as the value of the key just written, then its form, type, period and category.
  void FileFields(const TResultFile& file) {
    String(file.Name);
    out_ << ",\"form\":";
    String(file.FormKind);
    out_ << ",\"type\":";
    String(file.DataType);
    out_ << ",\"period\":";
    PeriodOrNull(file.PeriodKey);
    out_ << ",\"category\":";
    String(file.CategoryCode);
  }

  // The document's opening: the schema, the program and the insurer, up to the insurer's closing
  // brace; the protocol breaks the line after the program, the window's list does not.
  void WriteHead(bool lineAfterProgram) {
    out_ << "{\"schemaVersion\":2,\"program\":{\"name\":";
    String(report_.ProgName);
    out_ << ",\"version\":";
    String(report_.ProgVersion);
    out_ << ",\"stamp\":";
    String(IsoStamp(stamp_));
    out_ << "},";
    if (lineAfterProgram) out_.EndLine();
    out_ << "\"insurer\":{\"name\":";
    String(report_.OrgName);
    out_ << ",\"regNumb\":";
    String(report_.RegNumb);
    out_ << "}";
  }

  void WriteFiles() {
    out_ << "\"files\":[";
    for (std::size_t at = 0; at < report_.FileList.size(); ++at) {
      out_ << (at > 0 ? "," : "") << "{\"number\":" << std::to_string(at + 1) << ",\"name\":";
      if (at < results_.Files.size()) {
        FileFields(results_.Files[at]);
      } else {
        out_ << "null";
      }
      out_ << ",\"description\":";
      String(report_.FileList[at]);
      out_ << '}';
      out_.EndLine();
    }
    out_ << "],";
    out_.EndLine();
  }

  void WritePersons() {
    out_ << "\"persons\":[";
    out_.EndLine();
    for (std::size_t lineAt = 0; lineAt < report_.MainLines.size(); ++lineAt) {
      const TMainLine& line = report_.MainLines[lineAt];
      const TPersonResult& person = results_.Persons[lineAt];
      out_ << (lineAt > 0 ? "," : "") << "{\"snils\":";
      String(FormatSNILS(line.SNILS));
      out_ << ",\"name\":";
      String(line.FIO);
      out_ << ",\"hasWork\":" << (line.Dismissal.Kind == TDismissalKind::NoWork ? "false" : "true");
      out_ << ",\"dismissed\":";
      if (line.Dismissal.Kind == TDismissalKind::Left) {
        String(IsoDate(line.Dismissal.Date));
      } else {
        out_ << "null";
      }
      out_ << ",\"periods\":[";
      for (std::size_t at = 0; at < line.Periods.size(); ++at) {
        const TPeriodRec& period = line.Periods[at];
        out_ << (at > 0 ? "," : "") << "{\"period\":";
        PeriodAt(at);
        out_ << ",\"files\":";
        FileNumbers(period.FileNums);
        Field("insAccrued", period.InsAccrued);
        Field("insPaid", period.InsPaid);
        Field("insAccruedTotal", period.InsAccruedTotal);
        Field("insPaidTotal", period.InsPaidTotal);
        Field("insBalance", period.InsSaldo);
        Field("fundAccrued", period.FundAccrued);
        Field("fundPaid", period.FundPaid);
        Field("fundAccruedTotal", period.FundAccruedTotal);
        Field("fundPaidTotal", period.FundPaidTotal);
        Field("fundBalance", period.FundSaldo);
        out_ << '}';
      }
      out_ << "],";
      WriteBalance(person);
      out_ << ",\"notes\":[";
      for (std::size_t at = 0; at < line.Notes.size(); ++at) {
        if (at > 0) out_ << ',';
        Finding(at < line.NoteFindings.size() ? line.NoteFindings[at] : TFinding(), line.Notes[at]);
      }
      out_ << "],";
      WriteActions(person);
      if (results_.HasSources) WriteSources(person);
      out_ << '}';
      out_.EndLine();
    }
    out_ << "],";
    out_.EndLine();
  }

  // "actions":[...] of a person.
  void WriteActions(const TPersonResult& person) {
    out_ << "\"actions\":[";
    for (std::size_t at = 0; at < person.Actions.size(); ++at) {
      const TAction& action = person.Actions[at];
      out_ << (at > 0 ? "," : "") << "{\"kind\":\"" << ActionKindName(action.Kind) << "\",\"part\":";
      if (action.Part == TPart::None) {
        out_ << "null";
      } else {
        out_ << '"' << PartName(action.Part) << '"';
      }
      out_ << ",\"amount\":";
      out_.Amount(action.Amount);
      out_ << ",\"periods\":";
      Periods(action.Periods);
      out_ << ",\"files\":";
      Numbers(action.Files);
      out_ << ",\"text\":";
      String(action.Text);
      out_ << '}';
    }
    out_ << ']';
  }

  // "balance":{...} of a person.
  void WriteBalance(const TPersonResult& person) {
    out_ << "\"balance\":{\"insurance\":";
    out_.Amount(person.InsBalance);
    out_ << ",\"funded\":";
    out_.Amount(person.FundBalance);
    out_ << ",\"periods\":[";
    for (std::size_t at = 0; at < person.Periods.size(); ++at) {
      if (at > 0) out_ << ',';
      PeriodAt(static_cast<std::size_t>(person.Periods[at]));
    }
    out_ << "]}";
  }

 public:
  // The shown list of the window: the persons given, in that order.
  void WriteList(const std::vector<std::size_t>& persons, const std::string& caption) {
    WriteHead(false);
    out_ << ",\"list\":";
    String(caption);
    out_ << ",";
    out_.EndLine();
    out_ << "\"persons\":[";
    out_.EndLine();
    for (std::size_t at = 0; at < persons.size(); ++at) {
      const TPersonResult& person = results_.Persons[persons[at]];
      const TMainLine& line = report_.PersonLine(person.Line);
      out_ << (at > 0 ? "," : "") << "{\"snils\":";
      String(FormatSNILS(line.SNILS));
      out_ << ",\"name\":";
      String(line.FIO);
      out_ << ',';
      WriteBalance(person);
      out_ << ',';
      WriteActions(person);
      out_ << '}';
      out_.EndLine();
    }
    out_ << "]}";
    out_.EndLine();
  }

 private:
  // The opening of one of a person's documents in a list: its file's number and the file.
  void DocumentOpening(std::size_t at, std::int32_t fileNumber) {
    static const TResultFile kNone;
    const auto fileAt = static_cast<std::size_t>(fileNumber - 1);
    out_ << (at > 0 ? "," : "") << "{\"number\":";
    Number(fileNumber);
    out_ << ",\"file\":";
    FileFields(fileAt < results_.Files.size() ? results_.Files[fileAt] : kNone);
  }

  void WriteSources(const TPersonResult& person) {
    out_ << ",\"sources\":[";
    for (std::size_t at = 0; at < person.Sources.size(); ++at) {
      const TSourceLine& source = person.Sources[at];
      DocumentOpening(at, source.FileNumber);
      Field("insAccrued", source.InsAccrued);
      Field("insPaid", source.InsPaid);
      Field("fundAccrued", source.FundAccrued);
      Field("fundPaid", source.FundPaid);
      Fate(source.Fate, source.ByFile);
      out_ << '}';
    }
    out_ << "],\"payments\":[";
    for (std::size_t at = 0; at < person.Payments.size(); ++at) {
      const TPaymentSource& payment = person.Payments[at];
      DocumentOpening(at, payment.FileNumber);
      out_ << ",\"quarters\":[";
      for (std::size_t quarter = 0; quarter < payment.Total.size(); ++quarter) {
        out_ << (quarter > 0 ? "," : "") << "{\"period\":";
        Period({payment.Year, static_cast<std::int32_t>(quarter + 1), true});
        Field("total", payment.Total[quarter]);
        Field("taxable", payment.Taxable[quarter]);
        out_ << '}';
      }
      out_ << ']';
      Fate(payment.Fate, payment.ByFile);
      out_ << '}';
    }
    out_ << ']';
  }

  void WriteTotals() {
    static constexpr std::array<std::string_view, TTotalRec::Count> kNames = {
        "insPeriodAccrued", "insPeriodPaid", "insPeriodBalance", "insYearAccrued", "insYearPaid",
        "insYearBalance", "insAllAccrued", "insAllPaid", "insAllBalance", "fundPeriodAccrued",
        "fundPeriodPaid", "fundPeriodBalance", "fundYearAccrued", "fundYearPaid", "fundYearBalance",
        "fundAllAccrued", "fundAllPaid", "fundAllBalance"};
    out_ << "\"totals\":{\"periods\":[";
    for (std::size_t at = 0; at < report_.PeriodTotals.size(); ++at) {
      out_ << (at > 0 ? "," : "") << "{\"period\":";
      PeriodAt(at);
      for (std::size_t value = 0; value < TTotalRec::Count; ++value) {
        Field(kNames[value], report_.PeriodTotals[at].Values[value]);
      }
      out_ << '}';
      out_.EndLine();
    }
    const TResultTotals& totals = results_.Totals;
    out_ << "],\"debt\":{\"insurance\":";
    out_.Amount(totals.InsDebt);
    out_ << ",\"funded\":";
    out_.Amount(totals.FundDebt);
    out_ << "},\"overpayment\":{\"insurance\":";
    out_.Amount(totals.InsOverpaid);
    out_ << ",\"funded\":";
    out_.Amount(totals.FundOverpaid);
    out_ << "},\"personsWithActions\":" << std::to_string(totals.Persons)
         << ",\"actions\":" << std::to_string(totals.Actions) << "},";
    out_.EndLine();
  }

  void WriteForgotten() {
    out_ << "\"forgotten\":[";
    for (std::size_t at = 0; at < report_.ForgottenLines.size(); ++at) {
      const TForgottenLine& line = report_.ForgottenLines[at];
      out_ << (at > 0 ? "," : "") << "{\"snils\":";
      String(FormatSNILS(line.SNILS));
      out_ << ",\"name\":";
      String(line.FIO);
      Field("insurance", line.InsDebt);
      Field("funded", line.FundDebt);
      out_ << '}';
      out_.EndLine();
    }
    out_ << "],";
    out_.EndLine();
  }

  void WriteSZV63() {
    out_ << "\"szv63\":{\"year\":" << std::to_string(report_.SZV63Year) << ",\"persons\":[";
    for (std::size_t at = 0; at < report_.SZV63Blocks.size(); ++at) {
      const TSZV63SverkaZL& block = report_.SZV63Blocks[at];
      out_ << (at > 0 ? "," : "") << "{\"snils\":";
      String(FormatSNILS(block.SNILS));
      out_ << ",\"name\":";
      String(block.FIO);
      out_ << ",\"lines\":[";
      for (std::size_t lineAt = 0; lineAt < block.Lines.size(); ++lineAt) {
        const TSZV63SverkaLine& line = block.Lines[lineAt];
        out_ << (lineAt > 0 ? "," : "") << "{\"category\":";
        String(line.CategoryCode);
        out_ << ",\"quarters\":[";
        for (std::size_t quarter = 0; quarter < line.Quarters.size(); ++quarter) {
          const TSZV63Quarter& sums = line.Quarters[quarter];
          out_ << (quarter > 0 ? "," : "") << "{\"calculated\":";
          out_.Amount(sums.Calculated);
          Field("fromIS", sums.FromIS);
          Field("difference", sums.Difference);
          out_ << ",\"mismatch\":" << (sums.Mismatch ? "true" : "false") << '}';
        }
        out_ << "]}";
      }
      out_ << "]}";
      out_.EndLine();
    }
    out_ << "]}";
  }

  const TReport& report_;
  const TResults& results_;
  TProtocolFile& out_;
  const std::string& stamp_;
  std::string text_;  // a string's escaped text, kept to spare an allocation per string
};

}  // namespace

void WriteJsonList(const TListJob& job) {
  TProtocolFile out(job.FileName);
  const std::string stamp = CurrentProtocolStamp();
  TJsonWriter(job.Report, job.Results, out, stamp).WriteList(job.Persons, job.Caption);
  out.Commit();
}

void WriteJsonProtocol(const TReport& report, const TResults& results, const std::string& fileName,
                       const std::string& stamp) {
  TProtocolFile out(fileName);
  TJsonWriter(report, results, out, stamp).Write();
  out.Commit();
}

}  // namespace brisolt
