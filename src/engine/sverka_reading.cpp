// Reading one candidate file: the pack models are parsed and reduced at once to what the file set
// keeps of them. Runs on the loading's worker threads.
#include "engine/sverka_reading.h"

#include <utility>

#include "base/encoding.h"
#include "engine/constants.h"
#include "engine/sverka_messages.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/xmlwork.h"

namespace brisolt {
namespace {

// What the engine keeps of a parsed pack; see TSZV6PackData.
TSZV6PackData TakeSZV6Data(TSZV6File& pack) {
  TSZV6PackData data;
  data.ContractType = std::move(pack.ContractType);
  data.Docs.reserve(pack.Docs.size());
  for (auto& doc : pack.Docs) {
    TSZV6DocData& kept = data.Docs.emplace_back();
    kept.SNILS = std::move(doc.SNILS);
    kept.LastName = std::move(doc.LastName);
    kept.FirstName = std::move(doc.FirstName);
    kept.MiddleName = std::move(doc.MiddleName);
    kept.InsAccrued = doc.InsAccrued;
    kept.FundAccrued = doc.FundAccrued;
    kept.InsPaid = doc.InsPaid;
    kept.FundPaid = doc.FundPaid;
    kept.StageDates.reserve(doc.Stages.size());
    for (const auto& stage : doc.Stages) {
      kept.StageDates.push_back({stage.StartDate, stage.EndDate});
    }
  }
  return data;
}

TSZV63PackData TakeSZV63Data(TSZV63File& pack) {
  TSZV63PackData data;
  data.PackNumber = pack.PackNumber;
  data.DataType = pack.DataType;
  data.Year = pack.Year;
  data.CategoryCode = pack.CategoryCode;
  data.ContractType = pack.ContractType;
  data.Docs.reserve(pack.Docs.size());
  for (auto& doc : pack.Docs) {
    TSZV63DocData& kept = data.Docs.emplace_back();
    kept.SNILS = std::move(doc.SNILS);
    kept.LastName = std::move(doc.LastName);
    kept.FirstName = std::move(doc.FirstName);
    kept.MiddleName = std::move(doc.MiddleName);
    kept.Months = doc.Months;
  }
  return data;
}

void ReadInto(TReadResult& result, const std::string& fileName, const std::unordered_set<std::string>& wantedUpper) {
  // One parse serves both readers: a file that is not a wanted СЗВ-6 pack is offered to the
  // СЗВ-6-3 reader from the same tree.
  TXMLFile document;
  if (!document.LoadFromFile(fileName)) {
    result.LoadError = document.LoadError;
    return;
  }
  if (!document.Parse()) {
    return;
  }
  {
    TSZV6File pack;
    pack.FileName = fileName;
    bool loaded = false;
    try {
      loaded = pack.LoadFromDocument(document);
    } catch (const EConvertError& error) {
      RethrowNamingFile(fileName, error);
    }
    if (loaded && wantedUpper.count(Cp1251UpperCase(pack.RegNumb)) != 0 && IsSZV6FormKind(pack.FormKind)) {
      result.Kind = TReadResult::TKind::SZV6;
      TFileRec& rec = result.Rec;
      rec.FileName = fileName;
      rec.FormKind = pack.FormKind;
      rec.PackNumber = pack.PackNumber;
      rec.DataType = pack.DataType;
      rec.Year = pack.Year;
      rec.Quarter = pack.Quarter;
      rec.CorrYear = pack.CorrYear;
      rec.CorrQuarter = pack.CorrQuarter;
      rec.CategoryCode = pack.CategoryCode;
      rec.CompileDate = pack.CompileDate;
      const bool initial = pack.DataType == DataTypeInitial();
      rec.PeriodYear = initial ? pack.Year : pack.CorrYear;
      rec.PeriodQuarter = initial ? pack.Quarter : pack.CorrQuarter;
      result.SZV6 = TakeSZV6Data(pack);
      return;
    }
  }
  TSZV63File pack63;
  pack63.FileName = fileName;
  bool loaded = false;
  try {
    loaded = pack63.LoadFromDocument(document);
  } catch (const EConvertError& error) {
    RethrowNamingFile(fileName, error);
  }
  if (loaded) {
    result.Kind = TReadResult::TKind::SZV63;
    TFileRec& rec = result.Rec;
    rec.FileName = fileName;
    rec.PackNumber = pack63.PackNumber;
    rec.DataType = pack63.DataType;
    rec.Year = pack63.Year;
    rec.CategoryCode = pack63.CategoryCode;
    rec.CompileDate = pack63.CompileDate;
    result.SZV63 = TakeSZV63Data(pack63);
  }
}

}  // namespace

TReadResult ReadCandidate(const std::string& fileName, const std::unordered_set<std::string>& wantedUpper) {
  TReadResult result;
  try {
    ReadInto(result, fileName, wantedUpper);
  } catch (const EConvertError&) {
    result = TReadResult();
    result.Failure = std::current_exception();
  }
  return result;
}

}  // namespace brisolt
