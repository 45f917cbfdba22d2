// The action list for a spreadsheet set to Russian: one row per action, every person of the run
// whatever the protocol lists. Debt and overpayment rows carry the amount (they add up to the
// totals, part by part); other kinds say theirs in the text. Every field is quoted, so that an
// import splitting at commas, semicolons or tabs alike keeps "3000,00" whole; texts beginning
// like a formula are kept as text.
#include <string_view>
#include <vector>

#include "base/amount.h"
#include "base/amountformat.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"
#include "protocol/protdata.h"
#include "protocol/protescape.h"
#include "protocol/protfile.h"

namespace brisolt {
namespace {

class TCsvWriter {
 public:
  TCsvWriter(const TReport& report, const TResults& results, TProtocolFile& out)
      : report_(report), results_(results), out_(out) {}

  // The shown list: one row per person.
  void WriteList(const std::vector<std::size_t>& persons) {
    out_ << "\xEF\xBB\xBF";
    Header({u8"СНИЛС", u8"ФИО", u8"Сальдо страховой части", u8"Сальдо накопительной части", u8"Периоды",
            u8"Что сделать"});
    for (const std::size_t personAt : persons) {
      const TPersonResult& person = results_.Persons[personAt];
      const TMainLine& line = report_.PersonLine(person.Line);
      Text(FormatSNILS(line.SNILS));
      out_ << ';';
      Text(line.FIO);
      out_ << ';';
      Amount(person.InsBalance);
      out_ << ';';
      Amount(person.FundBalance);
      out_ << ';';
      std::string periods;
      for (const std::int32_t period : person.Periods) {
        if (!periods.empty()) periods += ", ";
        periods += report_.PeriodList[static_cast<std::size_t>(period)];
      }
      Text(periods);
      out_ << ';';
      std::string actions;
      for (const TAction& action : person.Actions) {
        if (!actions.empty()) actions += " ";
        actions += action.Text;
      }
      Text(actions);
      out_.EndLine();
    }
  }

  void Write() {
    out_ << "\xEF\xBB\xBF";
    Header({u8"СНИЛС", u8"ФИО", u8"Действие", u8"Часть", u8"Период", u8"Сумма", u8"Что сделать"});
    for (const std::size_t personAt : results_.ByOwed) {
      const TPersonResult& person = results_.Persons[personAt];
      const TMainLine& line = report_.PersonLine(person.Line);
      for (const TAction& action : person.Actions) {
        Text(FormatSNILS(line.SNILS));
        out_ << ';';
        Text(line.FIO);
        out_ << ';';
        Text(ActionKindTitle(action.Kind));
        out_ << ';';
        Text(PartTitle(action.Part));
        out_ << ';';
        std::string periods;
        for (const TPeriodKey& period : action.Periods) {
          if (!periods.empty()) periods += ", ";
          periods += PeriodKeyText(period);
        }
        Text(periods);
        out_ << ';';
        if (action.Kind == TActionKind::PayDebt || action.Kind == TActionKind::Overpayment) {
          Amount(action.Amount);
        } else {
          out_ << "\"\"";
        }
        out_ << ';';
        Text(action.Text);
        out_.EndLine();
      }
    }
  }

 private:
  void Header(std::initializer_list<const char8_t*> names) {
    bool first = true;
    for (const char8_t* name : names) {
      if (!first) out_ << ';';
      out_ << '"' << reinterpret_cast<const char*>(name) << '"';
      first = false;
    }
    out_.EndLine();
  }

  void Amount(std::int64_t amount) {
    static constexpr TSumFormat kDecimalComma{','};
    field_.clear();
    AppendSum(field_, amount, kDecimalComma);
    out_ << '"' << field_ << '"';
  }

  // A windows-1251 text as one quoted field in UTF-8.
  void Text(const std::string& text) {
    field_.clear();
    AppendCsvField(field_, text);
    out_ << field_;
  }

  const TReport& report_;
  const TResults& results_;
  TProtocolFile& out_;
  std::string field_;
};

}  // namespace

void WriteCsvList(const TListJob& job) {
  TProtocolFile out(job.FileName);
  TCsvWriter(job.Report, job.Results, out).WriteList(job.Persons);
  out.Commit();
}

void WriteCsvActions(const TReport& report, const TResults& results, const std::string& fileName) {
  TProtocolFile out(fileName);
  TCsvWriter(report, results, out).Write();
  out.Commit();
}

}  // namespace brisolt
