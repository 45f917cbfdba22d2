#include "app/cmdline.h"

#include <array>
#include <string_view>
#include <type_traits>

#include "app/pipeline.h"
#include "app/platform.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

struct FlagParam {
  std::string_view name;
  bool TRunParams::*field;
};

// The command line's values of an option are the digits of its choices, in their order.
struct RangeParam {
  std::string_view name;
  char highest;  // values "0" up to this digit
  std::string_view message;
  void (*store)(TRunParams& params, int digit);
};

template <auto Field>
void StoreChoice(TRunParams& params, int digit) {
  using TChoice = std::remove_cvref_t<decltype(params.*Field)>;
  params.*Field = static_cast<TChoice>(digit);
}

constexpr std::array<FlagParam, 4> kFlagParams = {{
    {"subdirs", &TRunParams::SubDirs},
    {"protopen", &TRunParams::ProtOpen},
    {"calccorr", &TRunParams::CalcCorr},
    {"sources", &TRunParams::Sources},
}};

constexpr std::array<RangeParam, 3> kRangeParams = {{
    {"protform", '1', "Значение параметра protform должно быть либо 0, либо 1.",
     StoreChoice<&TRunParams::ProtForm>},
    {"saldofilter", '3', "Значение параметра saldofilter должно быть в пределах от 0 до 3.",
     StoreChoice<&TRunParams::SaldoFilter>},
    // The XLSX workbook is asked for by the file's name, not by a value of its own.
    {"protformat", '2', "Значение параметра protformat должно быть в пределах от 0 до 2.",
     StoreChoice<&TRunParams::ProtFormat>},
}};

// The value of a range parameter: exactly one digit from "0" to `highest`, else -1.
int ReadDigit(const std::string& value, char highest) {
  if (value.size() != 1 || value[0] < '0' || value[0] > highest) {
    return -1;
  }
  return value[0] - '0';
}

bool Fail(TRunParams& params, std::string text) {
  params.ErrorText = std::move(text);
  return false;
}

// A rejected value as a message shows it: a list of thousands of numbers would make one line of
// a hundred kilobytes, so a long one is cut after kShownValueLength characters with "…".
constexpr std::size_t kShownValueLength = 60;
std::string ShownValue(const std::string& value) {
  std::size_t at = 0;
  char32_t code = 0;
  for (std::size_t shown = 0; shown < kShownValueLength && at < value.size(); ++shown) {
    NextUtf8(value, at, code);
  }
  return at >= value.size() ? value : value.substr(0, at) + "…";
}

bool CheckPairs(TRunParams& params) {
  params.Path.clear();
  params.ProtFileName.clear();
  params.ProtForm = TProtForm::Compact;
  params.ProtFormat = TProtFormat::Html;
  params.SaldoFilter = TSaldoFilter::All;
  params.SubDirs = params.CalcCorr = params.ProtOpen = params.Sources = false;
  params.OnlyPersons.clear();
  bool seenRegNumb = false;
  bool seenPath = false;
  bool seenOrgName = false;

  for (const auto& [name, value] : params.Params) {
    if (name == "regnumb") {
      std::string regNumb = Utf8ToCp1251(value);
      if (!CheckRegNumbList(regNumb)) {
        return Fail(params, "Неверное значение " + ShownValue(value) + " параметра regnumb.");
      }
      params.RegNumb = regNumb;
      seenRegNumb = true;
      continue;
    }
    if (name == "path") {
      if (!platform::FolderExists(value)) {
        return Fail(params, "Каталога " + value + " не существует.");
      }
      params.Path = value;
      seenPath = true;
      continue;
    }
    if (name == "orgname") {
      params.OrgName = Utf8ToCp1251(value);
      seenOrgName = true;
      continue;
    }
    if (name == "snils") {
      // The last one given counts, as for every parameter.
      params.OnlyPersons.clear();
      if (!ReadSnilsList(value, params.OnlyPersons)) {
        return Fail(params, "Неверное значение " + (value.empty() ? "" : ShownValue(value) + " ") +
                                "параметра snils: ожидается СНИЛС вида 123-456-789 01, несколько "
                                "через запятую.");
      }
      continue;
    }
    if (name == "protfilename") {
      params.ProtFileName = value;
      continue;
    }
    bool known = false;
    for (const auto& flag : kFlagParams) {
      if (name == flag.name) {
        int digit = ReadDigit(value, '1');
        if (digit < 0) {
          return Fail(params, "Значение параметра " + name + " должно быть либо 0, либо 1.");
        }
        params.*flag.field = digit == 1;
        known = true;
        break;
      }
    }
    for (const auto& range : kRangeParams) {
      if (!known && name == range.name) {
        int digit = ReadDigit(value, range.highest);
        if (digit < 0) {
          return Fail(params, std::string(range.message));
        }
        range.store(params, digit);
        known = true;
        break;
      }
    }
    if (!known) {
      return Fail(params, "Неверное имя параметра - " + name);
    }
  }

  if (!seenRegNumb) {
    return Fail(params, "Не указан обязательный параметр - regnumb");
  }
  if (!seenPath) {
    return Fail(params, "Не указан обязательный параметр - path");
  }
  if (!seenOrgName) {
    return Fail(params, "Не указан обязательный параметр - orgname");
  }
  if (params.ProtFileName.empty()) {
    // The registration number text as the user typed it, commas included.
    std::string regNumbAsGiven = Cp1251ToUtf8(params.RegNumb);
    params.ProtFileName = platform::TempFolder() + platform::PathSeparator() + regNumbAsGiven +
                          std::string(ProtocolExtension(params.ProtFormat));
  }
  if (const TProtFormatRow& written = WrittenFormat(params.ProtFormat, params.ProtFileName);
      !FormatBuilt(written)) {
    // Refused before any pack is read: the run could not end with the file asked for.
    std::string name(written.Extension.substr(1));
    for (char& ch : name) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    return Fail(params, "Эта сборка программы не записывает протоколы " + name +
                            ": укажите в protfilename имя файла .xml или .html.");
  }
  return true;
}

}  // namespace

bool IsAllDigits(const std::string& text) {
  if (text.empty()) {
    return false;
  }
  for (char ch : text) {
    if (ch < '0' || ch > '9') {
      return false;
    }
  }
  return true;
}

bool ReadSnils(const std::string& text, std::string& digits) {
  if (text.size() != 14 || text[3] != '-' || text[7] != '-' || text[11] != ' ') {
    return false;
  }
  digits = text.substr(0, 3) + text.substr(4, 3) + text.substr(8, 3) + text.substr(12, 2);
  return IsAllDigits(digits);
}

bool ReadSnilsList(const std::string& text, std::set<std::string>& numbers) {
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    std::string digits;
    if (!ReadSnils(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start),
                   digits)) {
      return false;
    }
    numbers.insert(std::move(digits));
    if (comma == std::string::npos) {
      return true;
    }
    start = comma + 1;
  }
}

bool CheckRegNumb(const std::string& text) {
  return text.size() == 14 && text[3] == '-' && text[7] == '-' && IsAllDigits(text.substr(0, 3)) &&
         IsAllDigits(text.substr(4, 3)) && IsAllDigits(text.substr(8, 6));
}

bool CheckRegNumbList(const std::string& text) {
  std::size_t start = 0;
  while (true) {
    std::size_t comma = text.find(',', start);
    if (!CheckRegNumb(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start))) {
      return false;
    }
    if (comma == std::string::npos) {
      return true;
    }
    start = comma + 1;
  }
}

bool ParseParam(TRunParams& params, const std::string& argument) {
  std::size_t equals = argument.find('=');
  if (equals == std::string::npos) {
    return Fail(params, "Неверный синтаксис параметра " + argument);
  }
  std::string name = argument.substr(1, equals - 1);
  std::string value = argument.substr(equals + 1);
  // Shells that keep quotes pass "value" with them; the value is what lies between. A quote at
  // one end only belongs to the value: most company names end with one (ООО "Ромашка").
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  params.Params.emplace_back(std::move(name), std::move(value));
  return true;
}

bool ReadParamList(const std::vector<std::string>& args, TRunParams& params) {
  params.Params.clear();
  for (const auto& argument : args) {
    if (argument.empty() || argument.front() != '/') {
      return Fail(params, "Неверный синтаксис параметра " + argument);
    }
    if (!ParseParam(params, argument)) {
      return false;
    }
  }
  return true;
}

bool ParseCommandLine(const std::vector<std::string>& args, TRunParams& params) {
  params.ErrorText.clear();
  return ReadParamList(args, params) && CheckPairs(params);
}

int RunBatch(const std::vector<std::string>& args) {
  TRunParams params;
  if (!ParseCommandLine(args, params)) {
    platform::ReportError(params.ErrorText);
    return kExitBadParameter;
  }
  return ProcessBatch(params);
}

}  // namespace brisolt
