#include "forms/szv6.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <utility>

#include "forms/packreader.h"
#include "forms/packreading.h"
#include "base/date.h"
#include "base/encoding.h"
#include "xml/xmlwork.h"

namespace brisolt {

namespace {

// An amount beyond this (one hundred billion roubles) cannot be real; holding it there keeps every
// sum the engine forms far away from overflow.
constexpr TAmount kAmountLimit = 1'000'000'000'000'000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int CurrentYear() {
  const std::tm local = LocalTime(std::time(nullptr));
  return local.tm_mday != 0 ? local.tm_year + 1900 : 2000;  // day 0: no local time
}

// Scanner of day.month[.year[.]] with spaces allowed around the parts.
class TDateScanner {
 public:
  explicit TDateScanner(std::string_view text) : text_(text) {}

  bool Number(int& value, int& digits) {
    SkipSpaces();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      if (digits < 9) value = value * 10 + (text_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    return digits > 0;
  }

  bool Char(char wanted) {
    SkipSpaces();
    if (pos_ < text_.size() && text_[pos_] == wanted) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool AtEnd() {
    SkipSpaces();
    return pos_ == text_.size();
  }

 private:
  void SkipSpaces() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool TryReadDate(std::string_view text, TDate& date) {
  TDateScanner scanner(text);
  int day, dayDigits, month, monthDigits;
  if (!scanner.Number(day, dayDigits) || !scanner.Char('.') || !scanner.Number(month, monthDigits)) {
    return false;
  }
  int year;
  if (scanner.Char('.')) {
    int yearDigits;
    if (!scanner.Number(year, yearDigits) || yearDigits > 4) return false;
    if (yearDigits <= 2) year += year < 50 ? 2000 : 1900;
    scanner.Char('.');
  } else {
    year = CurrentYear();
  }
  if (!scanner.AtEnd() || dayDigits > 2 || monthDigits > 2) return false;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return false;
  }
  date = EncodeDate(year, month, day);
  return true;
}

void AppendCharacter(std::string& out, char32_t code) {
  const int byte = (code >= 0xD800 && code <= 0xDFFF) ? -1 : UnicodeToCp1251(code);
  out += byte < 0 || IsUnwritableCp1251(static_cast<unsigned char>(byte)) ? kUnwritableMark : static_cast<char>(byte);
}

// Decodes the reference starting at the "&" at `pos`; returns its length, or 0 if there is none.
std::size_t DecodeReference(std::string_view text, std::size_t pos, std::string& out) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  const std::string_view rest = text.substr(pos);
  for (const auto& [entity, character] : kNamed) {
    if (rest.starts_with(entity)) {
      out += character;
      return entity.size();
    }
  }
  if (rest.size() < 4 || rest[1] != '#') return 0;
  const bool hex = rest[2] == 'x';
  std::size_t at = hex ? 3 : 2;
  const std::size_t digitsBegin = at;
  char32_t code = 0;
  bool tooLarge = false;
  for (; at < rest.size(); ++at) {
    const char c = rest[at];
    int digit;
    if (IsDigit(c)) {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      break;
    }
    code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    if (code > 0x10FFFF) {
      tooLarge = true;
      code = 0x110000;
    }
  }
  if (at == digitsBegin || at >= rest.size() || rest[at] != ';') return 0;
  AppendCharacter(out, tooLarge ? 0 : code);
  return at + 1;
}

}  // namespace

void TSZV6File::Clear() {
  Docs.clear();
  PackNumber = 0;
  DataType.clear();
  Year = 0;
  Quarter = 0;
  CorrYear = 0;
  CorrQuarter = 0;
  OrgName.clear();
  RegNumb.clear();
  CategoryCode.clear();
  CompileDate = 0;
}

bool TSZV6File::Load() {
  Clear();
  TXMLFile document;
  if (!document.LoadFromFile(FileName)) return false;
  TPacksFound found;
  ReadPacks(document, this, nullptr, found);
  return TakeAnswer(found.SZV6, found.SZV6Failure);
}

bool TSZV6File::LoadHead() {
  // A pack's header and first document take a few kilobytes.
  constexpr std::size_t kHeadBytes = 16 * 1024;
  {
    TXMLFile head;
    TPacksFound found;
    if (head.LoadHeadFromFile(FileName, kHeadBytes) && ReadPackHead(head, *this, found)) {
      return TakeAnswer(found.SZV6, found.SZV6Failure);
    }
  }
  return Load();
}

bool TSZV6File::LoadFromContent(std::string content) {
  TXMLFile document;
  document.Content = std::move(content);
  TPacksFound found;
  ReadPacks(document, this, nullptr, found);
  return TakeAnswer(found.SZV6, found.SZV6Failure);
}

bool TSZV6File::LoadFromDocument(const TXMLFile& document) {
  TPacksFound found;
  ReplayPacks(document, this, nullptr, found);
  return TakeAnswer(found.SZV6, found.SZV6Failure);
}

std::string DecodeXmlText(std::string_view text) {
  std::size_t amp = text.find('&');
  if (amp == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, amp));
  out.reserve(text.size());
  while (amp < text.size()) {
    const std::size_t used = DecodeReference(text, amp, out);
    std::size_t next = amp + (used == 0 ? 1 : used);
    if (used == 0) out += '&';
    const std::size_t following = text.find('&', next);
    const std::size_t stop = following == std::string_view::npos ? text.size() : following;
    out.append(text.substr(next, stop - next));
    amp = stop;
  }
  return out;
}

// Raw bytes and references alike pass the one rule for what no protocol carries, here, where
// pack text enters the program.
std::string ReadText(std::string_view text, std::size_t capacity) {
  if (text.find('&') == std::string_view::npos) return CleanCp1251Text(text.substr(0, capacity));
  std::string decoded = DecodeXmlText(text);
  if (decoded.size() > capacity) decoded.resize(capacity);
  return CleanCp1251Text(decoded);
}

std::int32_t ReadInteger(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    if (!IsDigit(text[pos])) return static_cast<std::int32_t>(value);
    const std::int64_t next = value * 10 + (text[pos] - '0');
    // A number past the 32-bit range is cut like any other malformed text.
    if (next > (negative ? 2147483648LL : 2147483647LL)) return static_cast<std::int32_t>(value);
    value = next;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

namespace {

// The amount as packs nearly always write it: an optional "-", one to ten digits, then nothing or a
// point and up to four decimals, and nothing else. Counted exactly in one pass; false for any
// other text, which the general way reads (to the same count where both apply).
bool ReadPlainAmount(std::string_view text, TAmount& amount) {
  const char* at = text.data();
  const char* const end = at + text.size();
  const bool negative = at != end && *at == '-';
  if (negative) ++at;
  const char* const whole = at;
  TAmount units = 0;
  while (at != end && IsDigit(*at) && at - whole < 10) units = units * 10 + (*at++ - '0');
  if (at == whole) return false;
  int decimals = 0;
  if (at != end) {
    if (*at != '.') return false;
    ++at;
    while (at != end && IsDigit(*at) && decimals < 4) {
      units = units * 10 + (*at++ - '0');
      ++decimals;
    }
    if (at != end) return false;
  }
  for (; decimals < 4; ++decimals) units *= 10;
  amount = negative ? -units : units;
  return true;
}

}  // namespace

TAmount ReadAmount(std::string_view text) {
  if (TAmount plain; ReadPlainAmount(text, plain)) return plain;
  text = TrimBlanks(text);
  const std::size_t size = text.size();
  std::size_t pos = 0;
  bool negative = false;
  if (pos < size && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t intBegin = pos;
  while (pos < size && IsDigit(text[pos])) ++pos;
  const std::string_view intDigits = text.substr(intBegin, pos - intBegin);
  std::string_view fracDigits;
  if (pos < size && (text[pos] == '.' || text[pos] == ',')) {
    const std::size_t fracBegin = ++pos;
    while (pos < size && IsDigit(text[pos])) ++pos;
    fracDigits = text.substr(fracBegin, pos - fracBegin);
  }
  bool valid = !intDigits.empty() || !fracDigits.empty();
  long long exponent = 0;
  if (valid && pos < size && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < size && (text[pos] == '+' || text[pos] == '-')) {
      negativeExponent = text[pos] == '-';
      ++pos;
    }
    const std::size_t expBegin = pos;
    while (pos < size && IsDigit(text[pos])) {
      if (exponent < 100000) exponent = exponent * 10 + (text[pos] - '0');
      ++pos;
    }
    valid = pos > expBegin;
    if (negativeExponent) exponent = -exponent;
  }
  if (!valid || pos != size) {
    // The digits met before the fault, read as whole roubles.
    TAmount roubles = 0;
    for (std::size_t at = 0; at < pos && at < size; ++at) {
      if (!IsDigit(text[at])) continue;
      roubles = roubles * 10 + (text[at] - '0');
      if (roubles > kAmountLimit / 10000) return kAmountLimit;
    }
    return roubles * 10000;
  }

  // Where the first significant digit stands decides whether the number is out of all reason.
  std::size_t leading = 0;
  while (leading < intDigits.size() && intDigits[leading] == '0') ++leading;
  long long magnitude;
  if (leading < intDigits.size()) {
    magnitude = static_cast<long long>(intDigits.size() - leading);
  } else {
    std::size_t zeros = 0;
    while (zeros < fracDigits.size() && fracDigits[zeros] == '0') ++zeros;
    if (zeros == fracDigits.size()) return 0;
    magnitude = -static_cast<long long>(zeros);
  }
  magnitude += exponent;
  if (magnitude < -20) return 0;
  if (magnitude > 20) return negative ? -kAmountLimit : kAmountLimit;

  // The usual amount, up to ten whole digits and four decimals without an exponent, is read
  // exactly: below 2^50 ten-thousandths the product of the nearest double and 10000 lies within
  // far less than a half of the exact count, so the rounding below would give the same.
  if (exponent == 0 && intDigits.size() - leading <= 10 && fracDigits.size() <= 4) {
    TAmount units = 0;
    for (std::size_t at = leading; at < intDigits.size(); ++at) units = units * 10 + (intDigits[at] - '0');
    TAmount fraction = 0;
    for (std::size_t at = 0; at < 4; ++at) {
      fraction = fraction * 10 + (at < fracDigits.size() ? fracDigits[at] - '0' : 0);
    }
    units = units * 10000 + fraction;
    return negative ? -units : units;
  }

  // Anything else goes through the nearest double, as written: "<int>.<frac>e<exponent>".
  std::string number;
  number.reserve(intDigits.size() + fracDigits.size() + 16);
  number.append(intDigits.empty() ? std::string_view("0") : intDigits);
  number += '.';
  number.append(fracDigits.empty() ? std::string_view("0") : fracDigits);
  number += 'e';
  number += std::to_string(exponent);
  double value = 0;
  std::from_chars(number.data(), number.data() + number.size(), value);
  const double scaled = std::nearbyint(value * 10000.0);
  TAmount amount = scaled >= static_cast<double>(kAmountLimit) ? kAmountLimit : static_cast<TAmount>(scaled);
  return negative ? -amount : amount;
}

TDate ReadDate(std::string_view text) {
  // The date as packs nearly always write it, "DD.MM.YYYY", read at once.
  if (text.size() == 10 && text[2] == '.' && text[5] == '.') {
    int digits[8];
    int count = 0;
    for (const std::size_t at : {0, 1, 3, 4, 6, 7, 8, 9}) {
      if (!IsDigit(text[at])) break;
      digits[count++] = text[at] - '0';
    }
    if (count == 8) {
      const int day = digits[0] * 10 + digits[1];
      const int month = digits[2] * 10 + digits[3];
      const int year = ((digits[4] * 10 + digits[5]) * 10 + digits[6]) * 10 + digits[7];
      if (year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month)) {
        return EncodeDate(year, month, day);
      }
    }
  }
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  const std::string_view trimmed = text.substr(begin, end - begin);
  TDate date = 0;
  if (!TryReadDate(trimmed, date)) {
    throw EConvertError("''" + Cp1251ToUtf8(trimmed) + "'' is not a valid date");
  }
  return date;
}

}  // namespace brisolt
