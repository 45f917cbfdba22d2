// The action list for a spreadsheet set to Russian: amounts with a decimal comma and no grouping,
// so that they read as numbers; texts quoted where they hold the separator, a quote or a line
// break, and those beginning like a formula kept as text.
#include <string_view>

#include "base/amount.h"
#include "base/amountformat.h"
#include "base/cp1251literal.h"
#include "base/encoding.h"
#include "protocol/protdata.h"
#include "protocol/protfile.h"

namespace brisolt {
namespace {

class TCsvWriter {
 public:
  TCsvWriter(const TReport& report, const TResults& results, TProtocolFile& out)
      : report_(report), results_(results), out_(out) {}

  void Write() {
    out_ << "\xEF\xBB\xBF";
    Header({u8"СНИЛС", u8"ФИО", u8"Сальдо страховой части", u8"Сальдо накопительной части", u8"Действие",
            u8"Период", u8"Сумма", u8"Что сделать"});
    for (const std::size_t personAt : results_.ByOwed) {
      const TPersonResult& person = results_.Persons[personAt];
      const TMainLine& line = report_.MainLines[person.Line];
      for (const TAction& action : person.Actions) {
        Text(FormatSNILS(line.SNILS));
        out_ << ';';
        Text(line.FIO);
        out_ << ';';
        Amount(person.InsBalance);
        out_ << ';';
        Amount(person.FundBalance);
        out_ << ';';
        Text(ActionKindTitle(action.Kind));
        out_ << ';';
        Text(action.Period);
        out_ << ';';
        Amount(action.Amount);
        out_ << ';';
        Text(action.Text);
        out_.EndLine();
      }
    }
    const TResultTotals& totals = results_.Totals;
    out_ << ';' << std::string_view(reinterpret_cast<const char*>(u8"Итого задолженность")) << ';';
    Amount(totals.InsDebt);
    out_ << ';';
    Amount(totals.FundDebt);
    out_ << ";;;";
    Amount(AddAmount(totals.InsDebt, totals.FundDebt));
    out_ << ';';
    out_.EndLine();
    out_ << ';' << std::string_view(reinterpret_cast<const char*>(u8"Итого переплата")) << ';';
    Amount(totals.InsOverpaid);
    out_ << ';';
    Amount(totals.FundOverpaid);
    out_ << ";;;";
    Amount(AddAmount(totals.InsOverpaid, totals.FundOverpaid));
    out_ << ';';
    out_.EndLine();
  }

 private:
  void Header(std::initializer_list<const char8_t*> names) {
    bool first = true;
    for (const char8_t* name : names) {
      if (!first) out_ << ';';
      out_ << reinterpret_cast<const char*>(name);
      first = false;
    }
    out_.EndLine();
  }

  void Amount(std::int64_t amount) {
    static constexpr TSumFormat kDecimalComma{','};
    field_.clear();
    AppendSum(field_, amount, kDecimalComma);
    out_ << field_;
  }

  // A windows-1251 text as one field in UTF-8.
  void Text(const std::string& text) {
    const std::string field = Cp1251ToUtf8(text);
    // A spreadsheet would run a field that begins like this as a formula.
    const bool formula =
        !field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@');
    const bool quoted = field.find_first_of(";\"\r\n") != std::string::npos;
    if (quoted) out_ << '"';
    if (formula) out_ << '\'';
    if (!quoted) {
      out_ << field;
      return;
    }
    for (const char ch : field) {
      if (ch == '"') out_ << '"';
      out_ << ch;
    }
    out_ << '"';
  }

  const TReport& report_;
  const TResults& results_;
  TProtocolFile& out_;
  std::string field_;
};

}  // namespace

void WriteCsvActions(const TReport& report, const TResults& results, const std::string& fileName) {
  TProtocolFile out(fileName);
  TCsvWriter(report, results, out).Write();
  out.Commit();
}

}  // namespace brisolt
