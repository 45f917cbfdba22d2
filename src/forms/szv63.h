// One pack file of form СЗВ-6-3: the monthly payments of each insured person over one year.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/szv6.h"

namespace brisolt {

struct TMonthSums {
  TAmount Total = 0;               // all payments and rewards of the month
  TAmount Taxable = 0;             // the part on which contributions were accrued
};

// One insured person's document.
struct TSZV63 {
  std::string SNILS;               // text[14]
  std::string LastName;            // text[40]
  std::string FirstName;           // text[40]
  std::string MiddleName;          // text[40]
  // Indexed by the month's number, 1 to 12; entry 0 is never used and stays zero.
  std::array<TMonthSums, 13> Months{};
  TDate FillDate = 0;
};

class TSZV63File {
 public:
  std::string FileName;            // platform encoding; set before Load
  std::int32_t PackNumber = 0;
  std::string DataType;            // text[15]
  std::int32_t Year = 0;
  std::string OrgName;             // text[200]
  std::string ShortName;           // text[200]
  std::string RegNumb;             // text[14]
  std::string CategoryCode;        // text[4]
  std::string ContractType;        // text[19]
  TDate CompileDate = 0;
  std::vector<TSZV63> Docs;        // in file order

  // Drops the documents and resets the header, except FileName and ShortName.
  void Clear();

  // As the methods of TSZV6File of the same names.
  bool Load();
  bool LoadFromContent(std::string content);
  bool LoadFromDocument(const TXMLFile& document);
};

}  // namespace brisolt
