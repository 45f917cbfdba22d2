// One pack file of individual data, forms СЗВ-6-1, СЗВ-6-2 and СЗВ-6-4: the pack header, the
// documents (one insured person each), their periods of service and special conditions of work,
// and the rules by which a value is taken from an element's text (shared with szv63).
//
// Every text field holds windows-1251 bytes and is cut to the capacity noted beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/amount.h"
#include "base/date.h"

namespace brisolt {

class TXMLFile;

// The special conditions of work within one period (one "ЛьготныйСтаж").
struct TSZV6Lgot {
  std::string TerrCode;            // text[4]
  TAmount TerrCoef = 0;
  std::string WorkCode;            // text[6]
  std::string ListPosition;        // text[20]
  std::string CalcCode;            // text[7]
  std::int32_t CalcHours = 0;
  std::int32_t CalcMinutes = 0;
  std::int32_t CalcMonths = 0;
  std::int32_t CalcDays = 0;
  std::string ServiceCode;         // text[8]
  std::int32_t ServiceHours = 0;
  std::int32_t ServiceMinutes = 0;
  std::int32_t ServiceMonths = 0;
  std::int32_t ServiceDays = 0;
  TAmount RateShare = 0;
  std::string MaternityCode;       // text[10]
};

// One period of service ("СтажевыйПериод"); only periods with both dates exist.
struct TSZV6Stage {
  TDate StartDate = 0;
  TDate EndDate = 0;
  std::vector<TSZV6Lgot> Lgots;    // one per "ЛьготныйСтаж", in file order
};

// One insured person's document.
struct TSZV6 {
  std::string SNILS;               // text[14], with its separators as written
  std::string LastName;            // text[40]
  std::string FirstName;           // text[40]
  std::string MiddleName;          // text[40]
  std::string AddressType;         // text[20]
  std::string CountryCode;         // text[3]
  std::string CountryName;         // text[100]
  std::string ForeignAddress;      // text[200]
  std::string PostIndex;           // text[6]
  std::string Region;              // text[50], name and abbreviation
  std::string District;            // text[50]
  std::string City;                // text[50]
  std::string Locality;            // text[50]
  std::string Street;              // text[50]
  std::string House;               // text[50], abbreviation and number
  std::string Building;            // text[50]
  std::string Flat;                // text[50]
  TAmount InsAccrued = 0;
  TAmount FundAccrued = 0;
  TAmount InsPaid = 0;
  TAmount FundPaid = 0;
  std::vector<TSZV6Stage> Stages;  // in file order
  TDate FillDate = 0;
  TDate AsOfDate = 0;
};

class TSZV6File {
 public:
  std::string FileName;            // platform encoding; set before Load
  std::int32_t PackNumber = 0;
  std::string FormKind;            // text[7]: "СЗВ-6-1", "СЗВ-6-2", "СЗВ-6-4" or as written
  std::string DataType;            // text[15]: "ИСХОДНАЯ", "КОРРЕКТИРУЮЩАЯ", "ОТМЕНЯЮЩАЯ"
  std::int32_t Year = 0;
  std::int32_t Quarter = 0;
  std::int32_t CorrYear = 0;
  std::int32_t CorrQuarter = 0;
  std::string ContractType;        // text[19]
  std::string OrgName;             // text[200]
  std::string ShortName;           // text[200]
  std::string RegNumb;             // text[14]
  std::string CategoryCode;        // text[4]
  TDate CompileDate = 0;
  std::vector<TSZV6> Docs;         // in file order

  // False leaves each document's address and the special conditions of its periods empty: a
  // reader that only reconciles sums skips them (reading them can neither fail nor throw).
  bool ReadDetails = true;

  // Drops the documents and resets the header, except FileName, FormKind, ContractType and
  // ShortName: a reused object keeps those from the previous file (the insurer scan relies on it).
  void Clear();

  // Reads the file named by FileName. True when at least one document was read. Throws
  // EConvertError for an unreadable date; what was read before it stays in the object.
  bool Load();

  // The same from the bytes of a file already in memory (tests, fuzzing).
  bool LoadFromContent(std::string content);

  // The same from a parsed document.
  bool LoadFromDocument(const TXMLFile& document);
};

// The reading rules: from the raw text of a leaf element to a value of the model.

// The text with XML character references decoded, cut to `capacity` characters.
std::string ReadText(std::string_view text, std::size_t capacity);

// Leading spaces, a sign, digits. Anything after the digits drops the sign and keeps the digits
// read so far ("3-й" is 3, "-5 " is 5); an empty text is 0.
std::int32_t ReadInteger(std::string_view text);

// A decimal number in roubles ("." or "," before the fraction, blanks around it ignored) as
// ten-thousandths. Malformed text gives the digits read before the fault as whole roubles.
TAmount ReadAmount(std::string_view text);

// day.month.year (or day.month, this year). Throws EConvertError when the text is not a date.
TDate ReadDate(std::string_view text);

// XML's five named entities and numeric character references decoded into windows-1251
// ("?" for a character it lacks); any other "&" stays as written.
std::string DecodeXmlText(std::string_view text);

}  // namespace brisolt
