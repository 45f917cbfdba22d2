// Every amount is the protocol's own text of it (FormatSumTo), which reads as a JSON number with
// exactly two decimals; texts go from windows-1251 to escaped UTF-8 straight into the buffer, as
// the HTML writer escapes them, so that the largest report is written at the HTML page's pace.
#include <array>
#include <cstdint>

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
    out_ << "{\"program\":{\"name\":";
    String(report_.ProgName);
    out_ << ",\"version\":";
    String(report_.ProgVersion);
    out_ << ",\"stamp\":";
    String(stamp_);
    out_ << "},";
    out_.EndLine();
    out_ << "\"insurer\":{\"name\":";
    String(report_.OrgName);
    out_ << ",\"regNumb\":";
    String(report_.RegNumb);
    out_ << "},";
    out_.EndLine();
    WriteFiles();
    out_ << "\"periods\":";
    Strings(report_.PeriodList);
    out_ << ",";
    out_.EndLine();
    out_ << "\"conflicts\":";
    Strings(report_.ErrorList);
    out_ << ",";
    out_.EndLine();
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

  void Strings(const std::vector<std::string>& texts) {
    out_ << '[';
    for (std::size_t at = 0; at < texts.size(); ++at) {
      if (at > 0) out_ << ',';
      String(texts[at]);
    }
    out_ << ']';
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
    String(file.Period);
    out_ << ",\"category\":";
    String(file.CategoryCode);
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
      out_ << ",\"dismissed\":";
      if (line.Dismissal.Kind == TDismissalKind::AtWork) {
        out_ << "null";
      } else {
        String(DismissalText(line.Dismissal, {}));
      }
      out_ << ",\"periods\":[";
      for (std::size_t at = 0; at < line.Periods.size(); ++at) {
        const TPeriodRec& period = line.Periods[at];
        out_ << (at > 0 ? "," : "") << "{\"period\":";
        String(at < report_.PeriodList.size() ? report_.PeriodList[at] : std::string());
        out_ << ",\"files\":";
        String(period.FileNums);
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
      out_ << "],\"balance\":{\"insurance\":";
      out_.Amount(person.InsBalance);
      out_ << ",\"funded\":";
      out_.Amount(person.FundBalance);
      out_ << ",\"periods\":[";
      for (std::size_t at = 0; at < person.Periods.size(); ++at) {
        if (at > 0) out_ << ',';
        String(report_.PeriodList[static_cast<std::size_t>(person.Periods[at])]);
      }
      out_ << "]},\"notes\":";
      Strings(line.Notes);
      out_ << ",\"actions\":[";
      for (std::size_t at = 0; at < person.Actions.size(); ++at) {
        const TAction& action = person.Actions[at];
        out_ << (at > 0 ? "," : "") << "{\"kind\":\"" << ActionKindName(action.Kind) << "\",\"amount\":";
        out_.Amount(action.Amount);
        out_ << ",\"period\":";
        String(action.Period);
        out_ << ",\"text\":";
        String(action.Text);
        out_ << '}';
      }
      out_ << ']';
      if (results_.HasSources) WriteSources(person);
      out_ << '}';
      out_.EndLine();
    }
    out_ << "],";
    out_.EndLine();
  }

  void WriteSources(const TPersonResult& person) {
    out_ << ",\"sources\":[";
    for (std::size_t at = 0; at < person.Sources.size(); ++at) {
      const TSourceLine& source = person.Sources[at];
      out_ << (at > 0 ? "," : "") << "{\"number\":" << std::to_string(source.FileNumber) << ",\"file\":";
      const auto fileAt = static_cast<std::size_t>(source.FileNumber - 1);
      static const TResultFile kNone;
      FileFields(fileAt < results_.Files.size() ? results_.Files[fileAt] : kNone);
      Field("insAccrued", source.InsAccrued);
      Field("insPaid", source.InsPaid);
      Field("fundAccrued", source.FundAccrued);
      Field("fundPaid", source.FundPaid);
      out_ << ",\"fate\":";
      String(SourceFateText(source));
      out_ << ",\"byFile\":";
      if (source.ByFile > 0) {
        out_ << std::to_string(source.ByFile);
      } else {
        out_ << "null";
      }
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
      String(at < report_.PeriodList.size() ? report_.PeriodList[at] : std::string());
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

void WriteJsonProtocol(const TReport& report, const TResults& results, const std::string& fileName,
                       const std::string& stamp) {
  TProtocolFile out(fileName);
  TJsonWriter(report, results, out, stamp).Write();
  out.Commit();
}

}  // namespace brisolt
