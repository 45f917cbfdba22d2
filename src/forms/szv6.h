// One pack file of individual data, forms СЗВ-6-1, СЗВ-6-2 and СЗВ-6-4: the pack header, the
// documents (one insured person each) with their sums and periods of service, and the rules by
// which a value is taken from an element's text (shared with szv63). The addresses and the
// special conditions of work that packs also hold are passed over: nothing here uses them.
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

// One period of service ("СтажевыйПериод"); only periods with both dates exist.
struct TSZV6Stage {
  TDate StartDate = 0;
  TDate EndDate = 0;
};

// One insured person's document.
struct TSZV6 {
  std::string SNILS;               // text[14], with its separators as written
  std::string LastName;            // text[40]
  std::string FirstName;           // text[40]
  std::string MiddleName;          // text[40]
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

  // Drops the documents and resets the header, except FileName, FormKind, ContractType and
  // ShortName: a reused object keeps those from the previous file (the insurer scan relies on it).
  void Clear();

  // Reads the file named by FileName (see ReadPacks). True when at least one document was read.
  // Throws EConvertError for an unreadable date; what was read before it stays in the object.
  bool Load();

  // Reads the file's head only, the header and the first document, when the head holds them
  // (see ReadPackHead); else the whole file, as Load. What the insurer list needs of a pack.
  bool LoadHead();

  // The same from the bytes of a file already in memory (tests, fuzzing).
  bool LoadFromContent(std::string content);

  // The same from a document that Parse has read, by replaying its tree.
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
