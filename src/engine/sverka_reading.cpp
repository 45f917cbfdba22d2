// Reading one candidate file: the pack models are parsed and reduced at once to what the file set
// keeps of them. Runs on the loading's worker threads.
#include "engine/sverka_reading.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "base/encoding.h"
#include "engine/constants.h"
#include "engine/sverka_messages.h"
#include "forms/packreader.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/xmlwork.h"

namespace brisolt {
namespace {

// The person a document of either kind is about, with the key the persons are found by.
template <typename TKept, typename TDoc>
void KeepPerson(TKept& kept, TDoc& doc) {
  kept.Key = TFileSet::NormalizeSNILS(doc.SNILS);
  kept.KeyHash = TFileSet::HashSNILS(kept.Key);
  kept.SNILS = std::move(doc.SNILS);
  kept.LastName = std::move(doc.LastName);
  kept.FirstName = std::move(doc.FirstName);
  kept.MiddleName = std::move(doc.MiddleName);
}

// What the engine keeps of a parsed pack; see TSZV6PackData.
TSZV6PackData TakeSZV6Data(TSZV6File& pack) {
  TSZV6PackData data;
  data.ContractType = std::move(pack.ContractType);
  data.Docs.reserve(pack.Docs.size());
  for (auto& doc : pack.Docs) {
    TSZV6DocData& kept = data.Docs.emplace_back();
    KeepPerson(kept, doc);
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
    KeepPerson(kept, doc);
    kept.Months = doc.Months;
  }
  return data;
}

// The header fields both pack kinds carry.
template <typename TPack>
void KeepHeader(TFileRec& rec, const TPack& pack, const std::string& fileName) {
  rec.FileName = fileName;
  rec.PackNumber = pack.PackNumber;
  rec.DataType = pack.DataType;
  rec.Year = pack.Year;
  rec.CategoryCode = pack.CategoryCode;
  rec.CompileDate = pack.CompileDate;
}

bool IsWantedSZV6(const TSZV6File& pack, const std::unordered_set<std::string>& wantedUpper) {
  return wantedUpper.count(Cp1251UpperCase(pack.RegNumb)) != 0 && IsSZV6FormKind(pack.FormKind);
}

void KeepSZV6(TReadResult& result, TSZV6File& pack, const std::string& fileName) {
  result.Kind = TReadResult::TKind::SZV6;
  result.RegNumbUpper = Cp1251UpperCase(pack.RegNumb);
  TFileRec& rec = result.Rec;
  KeepHeader(rec, pack, fileName);
  rec.FormKind = pack.FormKind;
  rec.Quarter = pack.Quarter;
  rec.CorrYear = pack.CorrYear;
  rec.CorrQuarter = pack.CorrQuarter;
  const bool initial = pack.DataType == DataTypeInitial();
  rec.PeriodYear = initial ? pack.Year : pack.CorrYear;
  rec.PeriodQuarter = initial ? pack.Quarter : pack.CorrQuarter;
  result.SZV6 = TakeSZV6Data(pack);
}

void KeepSZV63(TReadResult& result, TSZV63File& pack, const std::string& fileName) {
  result.Kind = TReadResult::TKind::SZV63;
  KeepHeader(result.Rec, pack, fileName);
  result.SZV63 = TakeSZV63Data(pack);
}

// A rare large file's memory is not kept for the files after it.
constexpr std::size_t kKeptDocumentBytes = std::size_t{4} << 20;

// Whether the system copies a file into `bytes` slowly: when a block starts a few bytes past a page
// boundary, as a block the allocator maps afresh does (16 bytes past one with glibc), the copy's
// loads from the file's pages and its stores to the block fall on the same offsets within their
// pages one after the other and wait for each other: 2.5 to 3 times the system time of a block
// that starts on a cache line (measured on the 2-core machine, 20,000-person folder). Such a
// block is not kept: the next file gets another, which the allocator takes from elsewhere.
bool CopiedIntoSlowly(const std::string& bytes) {
  constexpr std::uintptr_t kPage = 4096;
  constexpr std::uintptr_t kCacheLine = 64;
  const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(bytes.data()) % kPage;
  return offset != 0 && offset < kCacheLine;
}

}  // namespace

void TCandidateReader::ReadInto(TReadResult& result, const std::string& fileName,
                                const std::unordered_set<std::string>& wantedUpper) {
  TXMLFile& document = document_;
  if (!document.LoadFromFile(fileName)) {
    result.LoadError = document.LoadError;
    return;
  }
  TSZV6File pack;
  pack.FileName = fileName;
  TSZV63File pack63;
  pack63.FileName = fileName;
  TPacksFound found;
  if (!ReadPacks(document, &pack, &pack63, found)) {
    // Named by the pack mask but no document: most likely a pack caught while it was being
    // written or copied. Leaving it out without a word would change the balances silently.
    result.LoadError = document.Content.empty() ? "файл пуст" : "файл не является полным документом XML";
    return;
  }
  // The file is a СЗВ-6 pack first; only when it is no wanted one does it count as a СЗВ-6-3
  // pack, and only then do the СЗВ-6-3 values have to read.
  if (found.SZV6Failure) RethrowNamingFile(fileName, *found.SZV6Failure);
  if (found.SZV6 && IsWantedSZV6(pack, wantedUpper)) {
    KeepSZV6(result, pack, fileName);
    return;
  }
  if (found.SZV63Failure) RethrowNamingFile(fileName, *found.SZV63Failure);
  if (found.SZV63) KeepSZV63(result, pack63, fileName);
}

TReadResult TCandidateReader::Read(const std::string& fileName, const std::unordered_set<std::string>& wantedUpper) {
  TReadResult result;
  try {
    ReadInto(result, fileName, wantedUpper);
  } catch (const EConvertError&) {
    result = TReadResult();
    result.Failure = std::current_exception();
  }
  // The tree (of a file a walk could not tell) goes now; the bytes' block stays for the next file.
  document_.Root.reset();
  if (document_.Content.capacity() > kKeptDocumentBytes || CopiedIntoSlowly(document_.Content)) {
    std::string().swap(document_.Content);
  }
  return result;
}

}  // namespace brisolt
