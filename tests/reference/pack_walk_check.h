// Reading packs as their document is walked (ReadPacksWalking) against the tree's readers on the
// same bytes: when the walk goes through, both readers' answers and every field must be alike.
// Shared by the form tests and fuzz_parse.
#pragma once

#include <string>

#include "base/date.h"
#include "forms/packwalk.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/xmlwork.h"

namespace brisolt::reference {

inline void Field(std::string& out, const char* name, const std::string& value) {
  out += name;
  out += '=';
  out += value;
  out += '\n';
}

inline void Field(std::string& out, const char* name, long long value) { Field(out, name, std::to_string(value)); }

// Every field of the pack but its file name, one per line.
inline void Describe(std::string& out, const TSZV6File& pack) {
  Field(out, "PackNumber", pack.PackNumber);
  Field(out, "FormKind", pack.FormKind);
  Field(out, "DataType", pack.DataType);
  Field(out, "Period", pack.Year * 10LL + pack.Quarter);
  Field(out, "CorrPeriod", pack.CorrYear * 10LL + pack.CorrQuarter);
  Field(out, "ContractType", pack.ContractType);
  Field(out, "OrgName", pack.OrgName);
  Field(out, "ShortName", pack.ShortName);
  Field(out, "RegNumb", pack.RegNumb);
  Field(out, "CategoryCode", pack.CategoryCode);
  Field(out, "CompileDate", static_cast<long long>(pack.CompileDate));
  for (const TSZV6& doc : pack.Docs) {
    Field(out, "Doc", doc.SNILS + '|' + doc.LastName + '|' + doc.FirstName + '|' + doc.MiddleName);
    Field(out, "Address", doc.AddressType + doc.CountryCode + doc.CountryName + doc.ForeignAddress + doc.PostIndex +
                              doc.Region + doc.District + doc.City + doc.Locality + doc.Street + doc.House +
                              doc.Building + doc.Flat);
    Field(out, "Ins", std::to_string(doc.InsAccrued) + '/' + std::to_string(doc.InsPaid));
    Field(out, "Fund", std::to_string(doc.FundAccrued) + '/' + std::to_string(doc.FundPaid));
    Field(out, "Dates", std::to_string(static_cast<long long>(doc.FillDate)) + '/' +
                            std::to_string(static_cast<long long>(doc.AsOfDate)));
    for (const TSZV6Stage& stage : doc.Stages) {
      Field(out, "Stage", std::to_string(static_cast<long long>(stage.StartDate)) + '-' +
                              std::to_string(static_cast<long long>(stage.EndDate)) + " lgots " +
                              std::to_string(stage.Lgots.size()));
    }
  }
}

inline void Describe(std::string& out, const TSZV63File& pack) {
  Field(out, "PackNumber", pack.PackNumber);
  Field(out, "DataType", pack.DataType);
  Field(out, "Year", pack.Year);
  Field(out, "OrgName", pack.OrgName);
  Field(out, "ShortName", pack.ShortName);
  Field(out, "RegNumb", pack.RegNumb);
  Field(out, "CategoryCode", pack.CategoryCode);
  Field(out, "ContractType", pack.ContractType);
  Field(out, "CompileDate", static_cast<long long>(pack.CompileDate));
  for (const TSZV63& doc : pack.Docs) {
    Field(out, "Doc", doc.SNILS + '|' + doc.LastName + '|' + doc.FirstName + '|' + doc.MiddleName + '|' +
                          std::to_string(static_cast<long long>(doc.FillDate)));
    for (int month = 1; month <= 12; ++month) {
      Field(out, "Month", std::to_string(doc.Months[month].Total) + '/' + std::to_string(doc.Months[month].Taxable));
    }
  }
}

// Both tree readers, the СЗВ-6 one without details, each to its end; "error" and the text of the
// first error when one throws.
inline std::string ReadFromTree(const std::string& content) {
  TXMLFile document;
  document.Content = content;
  if (!document.Parse()) return "not parsed\n";
  std::string out;
  try {
    TSZV6File pack;
    pack.ReadDetails = false;
    out += pack.LoadFromDocument(document) ? "SZV6 found\n" : "no SZV6\n";
    Describe(out, pack);
    TSZV63File pack63;
    out += pack63.LoadFromDocument(document) ? "SZV63 found\n" : "no SZV63\n";
    Describe(out, pack63);
  } catch (const EConvertError& error) {
    out += std::string("error ") + error.what() + '\n';
  }
  return out;
}

// The same by the walk; false when the walk left the document to the tree.
inline bool ReadByWalk(const std::string& content, std::string& out) {
  TXMLFile document;
  document.Content = content;
  TSZV6File pack;
  TSZV63File pack63;
  TPacksFound found;
  if (!ReadPacksWalking(document, pack, pack63, found)) return false;
  out = found.SZV6 ? "SZV6 found\n" : "no SZV6\n";
  Describe(out, pack);
  out += found.SZV63 ? "SZV63 found\n" : "no SZV63\n";
  Describe(out, pack63);
  return true;
}

}  // namespace brisolt::reference
