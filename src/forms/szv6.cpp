#include "forms/szv6.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <utility>

#include "forms/packnames.h"
#include "forms/packreading.h"
#include "base/date.h"
#include "base/encoding.h"
#include "base/cp1251literal.h"
#include "xml/xmlwork.h"

namespace brisolt {

using namespace packnames;

namespace {

// An amount beyond this (one hundred billion roubles) cannot be real; holding it there keeps every
// sum the engine forms far away from overflow.
constexpr TAmount kAmountLimit = 1'000'000'000'000'000;

constexpr Cp1251Literal kAddressType(u8"ТипАдреса");
constexpr Cp1251Literal kPostIndex(u8"Индекс");
constexpr Cp1251Literal kRussianAddress(u8"РоссийскийАдрес");
constexpr Cp1251Literal kForeignAddress(u8"ИностранныйАдрес");
constexpr Cp1251Literal kCountryCode(u8"КодСтраны");
constexpr Cp1251Literal kCountryName(u8"НазваниеСтраны");
constexpr Cp1251Literal kForeignText(u8"Адрес");
constexpr Cp1251Literal kGeoName(u8"ГеографическоеНазвание");
constexpr Cp1251Literal kAbbreviation(u8"Сокращение");
constexpr Cp1251Literal kNumber(u8"Номер");
constexpr Cp1251Literal kRegion(u8"Регион");
constexpr Cp1251Literal kDistrict(u8"Район");
constexpr Cp1251Literal kCity(u8"Город");
constexpr Cp1251Literal kLocality(u8"НаселенныйПункт");
constexpr Cp1251Literal kStreet(u8"Улица");
constexpr Cp1251Literal kHouse(u8"Дом");
constexpr Cp1251Literal kBuilding(u8"Корпус");
constexpr Cp1251Literal kFlat(u8"Квартира");

constexpr Cp1251Literal kLgot(u8"ЛьготныйСтаж");
constexpr Cp1251Literal kFeatures(u8"ОсобенностиУчета");
constexpr Cp1251Literal kTerritorial(u8"ТерриториальныеУсловия");
constexpr Cp1251Literal kTerrCode(u8"ОснованиеТУ");
constexpr Cp1251Literal kCoefficient(u8"Коэффициент");
constexpr Cp1251Literal kSpecialWork(u8"ОсобыеУсловияТруда");
constexpr Cp1251Literal kWorkCode(u8"ОснованиеОУТ");
constexpr Cp1251Literal kListPosition(u8"ПозицияСписка");
constexpr Cp1251Literal kCalculated(u8"ИсчисляемыйСтаж");
constexpr Cp1251Literal kCalcCode(u8"ОснованиеИС");
constexpr Cp1251Literal kCalendar(u8"ВыработкаКалендарная");
constexpr Cp1251Literal kAllMonths(u8"ВсеМесяцы");
constexpr Cp1251Literal kAllDays(u8"ВсеДни");
constexpr Cp1251Literal kInHours(u8"ВыработкаВчасах");
constexpr Cp1251Literal kHours(u8"Часы");
constexpr Cp1251Literal kMinutes(u8"Минуты");
constexpr Cp1251Literal kMaternity(u8"ДекретДети");
constexpr Cp1251Literal kLongService(u8"ВыслугаЛет");
constexpr Cp1251Literal kServiceCode(u8"ОснованиеВЛ");
constexpr Cp1251Literal kRateShare(u8"ДоляСтавки");

enum class TDocumentKind { Contributions, Payments };

class TSZV6Reader {
 public:
  explicit TSZV6Reader(TSZV6File& pack) : pack_(pack) {}

  bool Read(const TXMLElement& root) {
    bool found = false;
    for (const TXMLElement& packElement : root.Children) {
      if (packElement.Name != kPackElement) continue;
      for (const TXMLElement& item : packElement.Children) {
        if (item.Name == kInventoryContributions) {
          ReadInventory(item, false);
        } else if (item.Name == kInventoryPayments) {
          ReadInventory(item, true);
        } else if (item.Name == kDocumentKind1) {
          found = true;
          ReadDocument(item, TDocumentKind::Contributions);
        } else if (item.Name == kDocumentKind2) {
          pack_.FormKind = kFormKind4.Str();
          found = true;
          ReadDocument(item, TDocumentKind::Payments);
        }
      }
    }
    return found;
  }

 private:
  void ReadInventory(const TXMLElement& inventory, bool withContractType) {
    for (const TXMLElement& item : inventory.Children) {
      if (ReadPackHeader(item, pack_.OrgName, pack_.RegNumb, pack_.ShortName, pack_.PackNumber,
                         pack_.DataType, pack_.CategoryCode, pack_.CompileDate)) {
        continue;
      }
      if (item.Name == kReportPeriod) {
        ReadPeriod(item, pack_.Year, pack_.Quarter);
      } else if (item.Name == kCorrPeriod) {
        ReadPeriod(item, pack_.CorrYear, pack_.CorrQuarter);
      } else if (withContractType && item.Name == kContractType) {
        pack_.ContractType = ReadText(item.Text, kContractTypeSize);
      }
    }
  }

  static void ReadPeriod(const TXMLElement& period, std::int32_t& year, std::int32_t& quarter) {
    for (const TXMLElement& item : period.Children) {
      if (item.Name == kYear) {
        year = ReadInteger(item.Text);
      } else if (item.Name == kQuarter) {
        quarter = ReadInteger(item.Text);
      }
    }
  }

  void ReadDocument(const TXMLElement& document, TDocumentKind kind) {
    pack_.Docs.emplace_back();
    const bool kind1 = kind == TDocumentKind::Contributions;
    for (const TXMLElement& item : document.Children) {
      // The document is looked up afresh: reading a date may throw, and what was read stays.
      TSZV6& doc = pack_.Docs.back();
      if (ReadPersonItem(item, doc.SNILS, doc.LastName, doc.FirstName, doc.MiddleName, doc.FillDate)) {
        continue;
      }
      if (kind1 && item.Name == kAddress) {
        if (pack_.ReadDetails) ReadAddress(item, doc);
      } else if (item.Name == kStage) {
        ReadStage(item, doc, pack_.ReadDetails);
      } else if (item.Name == kInsSums) {
        ReadSums(item, doc.InsAccrued, doc.InsPaid);
      } else if (item.Name == kFundSums) {
        ReadSums(item, doc.FundAccrued, doc.FundPaid);
      } else if (kind1 && item.Name == kFormKind) {
        pack_.FormKind = ReadText(item.Text, kFormKindSize);
      } else if (item.Name == kAsOfDate) {
        doc.AsOfDate = ReadDate(item.Text);
      }
    }
  }

  static void ReadSums(const TXMLElement& sums, TAmount& accrued, TAmount& paid) {
    for (const TXMLElement& item : sums.Children) {
      if (item.Name == kAccrued) {
        accrued = ReadAmount(item.Text);
      } else if (item.Name == kPaid) {
        paid = ReadAmount(item.Text);
      }
    }
  }

  static void ReadAddress(const TXMLElement& address, TSZV6& doc) {
    for (const TXMLElement& item : address.Children) {
      if (item.Name == kAddressType) {
        doc.AddressType = ReadText(item.Text, 20);
      } else if (item.Name == kPostIndex) {
        doc.PostIndex = ReadText(item.Text, 6);
      } else if (item.Name == kRussianAddress) {
        ReadRussianAddress(item, doc);
      } else if (item.Name == kForeignAddress) {
        for (const TXMLElement& part : item.Children) {
          if (part.Name == kCountryCode) {
            doc.CountryCode = ReadText(part.Text, 3);
          } else if (part.Name == kCountryName) {
            doc.CountryName = ReadText(part.Text, 100);
          } else if (part.Name == kForeignText) {
            doc.ForeignAddress = ReadText(part.Text, 200);
          }
        }
      }
    }
  }

  static void ReadRussianAddress(const TXMLElement& address, TSZV6& doc) {
    struct TPart {
      std::string_view Element;
      std::string TSZV6::*Field;
      bool NumberFirst;  // house, building and flat: "д 5" rather than "5 д"
    };
    const TPart parts[] = {
        {kRegion, &TSZV6::Region, false},     {kDistrict, &TSZV6::District, false},
        {kCity, &TSZV6::City, false},         {kLocality, &TSZV6::Locality, false},
        {kStreet, &TSZV6::Street, false},     {kHouse, &TSZV6::House, true},
        {kBuilding, &TSZV6::Building, true},  {kFlat, &TSZV6::Flat, true},
    };
    for (const TXMLElement& item : address.Children) {
      for (const TPart& part : parts) {
        if (item.Name != part.Element) continue;
        const std::string_view nameChild = part.NumberFirst ? kNumber.View() : kGeoName.View();
        std::string_view name;
        std::string_view abbreviation;
        for (const TXMLElement& piece : item.Children) {
          if (piece.Name == nameChild) {
            name = piece.Text;
          } else if (piece.Name == kAbbreviation) {
            abbreviation = piece.Text;
          }
        }
        std::string value = ReadText(name, 50);
        if (!abbreviation.empty()) {
          const std::string shortForm = DecodeXmlText(abbreviation);
          value = part.NumberFirst ? shortForm + ' ' + value : value + ' ' + shortForm;
          if (value.size() > 50) value.resize(50);
        }
        doc.*part.Field = std::move(value);
        break;
      }
    }
  }

  static void ReadStage(const TXMLElement& stageElement, TSZV6& doc, bool withLgots) {
    std::string_view startText;
    std::string_view endText;
    for (const TXMLElement& item : stageElement.Children) {
      if (item.Name == kStartDate) {
        startText = item.Text;
      } else if (item.Name == kEndDate) {
        endText = item.Text;
      }
    }
    if (startText.empty() || endText.empty()) return;
    doc.Stages.emplace_back();
    for (const TXMLElement& item : stageElement.Children) {
      TSZV6Stage& stage = doc.Stages.back();
      if (item.Name == kStartDate) {
        stage.StartDate = ReadDate(item.Text);
      } else if (item.Name == kEndDate) {
        stage.EndDate = ReadDate(item.Text);
      } else if (withLgots && item.Name == kLgot) {
        TSZV6Lgot& lgot = stage.Lgots.emplace_back();
        for (const TXMLElement& features : item.Children) {
          if (features.Name == kFeatures) ReadFeatures(features, lgot);
        }
      }
    }
  }

  static void ReadWorkTime(const TXMLElement& element, std::int32_t& months, std::int32_t& days,
                           std::int32_t& hours, std::int32_t& minutes) {
    if (element.Name == kCalendar) {
      for (const TXMLElement& item : element.Children) {
        if (item.Name == kAllMonths) {
          months = ReadInteger(item.Text);
        } else if (item.Name == kAllDays) {
          days = ReadInteger(item.Text);
        }
      }
    } else if (element.Name == kInHours) {
      for (const TXMLElement& item : element.Children) {
        if (item.Name == kHours) {
          hours = ReadInteger(item.Text);
        } else if (item.Name == kMinutes) {
          minutes = ReadInteger(item.Text);
        }
      }
    }
  }

  static void ReadFeatures(const TXMLElement& features, TSZV6Lgot& lgot) {
    for (const TXMLElement& group : features.Children) {
      if (group.Name == kTerritorial) {
        for (const TXMLElement& item : group.Children) {
          if (item.Name == kTerrCode) {
            lgot.TerrCode = ReadText(item.Text, 4);
          } else if (item.Name == kCoefficient) {
            lgot.TerrCoef = ReadAmount(item.Text);
          }
        }
      } else if (group.Name == kSpecialWork) {
        for (const TXMLElement& item : group.Children) {
          if (item.Name == kWorkCode) {
            lgot.WorkCode = ReadText(item.Text, 6);
          } else if (item.Name == kListPosition) {
            lgot.ListPosition = ReadText(item.Text, 20);
          }
        }
      } else if (group.Name == kCalculated) {
        for (const TXMLElement& item : group.Children) {
          if (item.Name == kCalcCode) {
            lgot.CalcCode = ReadText(item.Text, 7);
          } else {
            ReadWorkTime(item, lgot.CalcMonths, lgot.CalcDays, lgot.CalcHours, lgot.CalcMinutes);
          }
        }
      } else if (group.Name == kMaternity) {
        lgot.MaternityCode = ReadText(group.Text, 10);
      } else if (group.Name == kLongService) {
        for (const TXMLElement& item : group.Children) {
          if (item.Name == kServiceCode) {
            lgot.ServiceCode = ReadText(item.Text, 8);
          } else if (item.Name == kRateShare) {
            lgot.RateShare = ReadAmount(item.Text);
          } else {
            ReadWorkTime(item, lgot.ServiceMonths, lgot.ServiceDays, lgot.ServiceHours,
                         lgot.ServiceMinutes);
          }
        }
      }
    }
  }

  TSZV6File& pack_;
};

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
  const int byte = (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) ? -1 : UnicodeToCp1251(code);
  out += byte < 0 ? '?' : static_cast<char>(byte);
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

// Pack-header and person items shared by both pack kinds.

bool ReadPackHeader(const TXMLElement& item, std::string& orgName, std::string& regNumb,
                    std::string& shortName, std::int32_t& packNumber, std::string& dataType,
                    std::string& categoryCode, TDate& compileDate) {
  if (item.Name == kCompiler) {
    for (const TXMLElement& part : item.Children) {
      if (part.Name == kOrgName) {
        orgName = ReadText(part.Text, kOrgNameSize);
      } else if (part.Name == kRegNumb) {
        regNumb = ReadText(part.Text, kRegNumbSize);
      } else if (part.Name == kShortName) {
        shortName = ReadText(part.Text, kOrgNameSize);
      }
    }
  } else if (item.Name == kPackNumber) {
    for (const TXMLElement& part : item.Children) {
      if (part.Name == kMain) packNumber = ReadInteger(part.Text);
    }
  } else if (item.Name == kDataType) {
    dataType = ReadText(item.Text, kDataTypeSize);
  } else if (item.Name == kCategory) {
    categoryCode = ReadText(item.Text, kCategoryCodeSize);
  } else if (item.Name == kCompileDate) {
    compileDate = ReadDate(item.Text);
  } else {
    return false;
  }
  return true;
}

bool ReadPersonItem(const TXMLElement& item, std::string& snils, std::string& lastName,
                    std::string& firstName, std::string& middleName, TDate& fillDate) {
  if (item.Name == kSNILS) {
    snils = ReadText(item.Text, kSNILSSize);
  } else if (item.Name == kFullName) {
    for (const TXMLElement& part : item.Children) {
      if (part.Name == kLastName) {
        lastName = ReadText(part.Text, kNameSize);
      } else if (part.Name == kFirstName) {
        firstName = ReadText(part.Text, kNameSize);
      } else if (part.Name == kMiddleName) {
        middleName = ReadText(part.Text, kNameSize);
      }
    }
  } else if (item.Name == kFillDate) {
    fillDate = ReadDate(item.Text);
  } else {
    return false;
  }
  return true;
}

bool IsPackRoot(const TXMLFile& document) {
  return document.Root != nullptr && document.Root->Name == kRoot;
}

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

bool TSZV6File::Load() { return LoadPackFile(*this); }

bool TSZV6File::LoadFromContent(std::string content) { return LoadPackContent(*this, std::move(content)); }

bool TSZV6File::LoadFromDocument(const TXMLFile& document) {
  Clear();
  if (!IsPackRoot(document)) return false;
  TSZV6Reader reader(*this);
  return reader.Read(*document.Root);
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

std::string ReadText(std::string_view text, std::size_t capacity) {
  if (text.find('&') == std::string_view::npos) return std::string(text.substr(0, capacity));
  std::string decoded = DecodeXmlText(text);
  if (decoded.size() > capacity) decoded.resize(capacity);
  return decoded;
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

TAmount ReadAmount(std::string_view text) {
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
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  const std::string_view trimmed = text.substr(begin, end - begin);
  TDate date = 0;
  if (!TryReadDate(trimmed, date)) {
    throw EConvertError("''" + std::string(trimmed) + "'' is not a valid date");
  }
  return date;
}

}  // namespace brisolt
