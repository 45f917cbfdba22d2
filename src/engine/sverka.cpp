// Loading the file set: reading and classifying the candidate files, ordering them, folding the
// submissions into one entry per person, period, category and contract type, and attaching the
// СЗВ-6-3 payments. Discovery is in sverka_discovery.cpp, the reading of one file (on the worker
// threads) in sverka_reading.cpp, the texts in sverka_messages.cpp, the queries and checks in
// sverka_queries.cpp.
#include "engine/sverka.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <utility>

#include "base/encoding.h"
#include "engine/constants.h"
#include "engine/parallel.h"
#include "engine/sverka_folders.h"
#include "engine/sverka_messages.h"
#include "engine/sverka_reading.h"

namespace brisolt {
namespace {

const char* const kStageReading = "Чтение файлов";
const char* const kStageFileSort = "Сортировка списка файлов";
const char* const kStagePersons = "Создание списка сотрудников";
const char* const kStagePersonSort = "Сортировка списка сотрудников";
const char* const kStagePeriodSort = "Сортировка списка отчётных периодов";
const char* const kStageProtocol = "Создание протокола...";
const char* const kWait = "Подождите...";

void Report(const TProgressEvent& progress, const std::string& stage, const std::string& detail, int position,
            int maximum) {
  if (progress) {
    progress(stage, detail, position, maximum);
  }
}

// ---------------------------------------------------------------------------------------------
// Orderings.

bool Before(const TFileRec& a, const TFileRec& b) { return TFileSet::CompareFileRec(b, a); }

int DataTypeClass63(const std::string& dataType) {
  if (dataType == DataTypeInitial()) return 0;
  if (dataType == DataTypeCorrective() || dataType == DataTypeCancelling()) return 1;
  return 2;
}

// The texts name files in UTF-8 whatever the platform's bytes (see NameToUtf8).
std::string FileReadFailure(const std::string& fileName, const std::string& reason) {
  return "Не удалось прочитать файл " + NameToUtf8(fileName) + ": " + reason;
}

std::string FolderReadFailure(const std::string& folderName, const std::string& reason) {
  return "Не удалось прочитать папку " + NameToUtf8(folderName) + ": " + reason;
}

}  // namespace

void TFileSet::ReadPackFiles(const std::string& folder, bool subDirs, const std::string& regNumbs, int total,
                             const TProgressEvent& progress) {
  std::vector<std::string> wanted;
  SplitRegNumbs(regNumbs, wanted);
  std::unordered_set<std::string> wantedUpper;
  for (const auto& number : wanted) {
    wantedUpper.insert(Cp1251UpperCase(number));
  }
  std::unordered_set<std::string> foundUpper;
  struct TCandidate {
    std::string FileName;  // folder + name
    std::size_t NameAt;    // where the name begins
  };
  std::vector<TCandidate> candidates;
  std::vector<TWalkFailure> walkFailures;
  WalkPackFolders(
      WithSeparator(folder), subDirs,
      [&](const std::string& folderText, const std::vector<std::string>& files) {
        WalkedFolders.push_back(folderText);
        for (const auto& name : files) {
          candidates.push_back({folderText + name, folderText.size()});
          PackFileNames.push_back(candidates.back().FileName);
        }
      },
      walkFailures);
  for (const TWalkFailure& failure : walkFailures) {
    if (failure.IsTop) {
      throw EFolderUnreadable(FolderReadFailure(failure.Name, failure.Reason));
    }
  }
  // The files are read and parsed on the workers and taken here in the order found, so that the
  // lists, the progress and a failure come out as on one thread. A worker reads a few files in a
  // row and hands them over together (a file takes well under a millisecond, a hand-off that
  // wakes the other thread a good part of that); each worker parses into a document of its own,
  // and what is under way beyond that is the packs' data, a small part of the files' size.
  const unsigned threads = WorkerCount(Threads);
  const bool onWorkers = threads > 1;
  constexpr std::size_t kFilesPerHandOff = 8;
  ForEachOrderedIn<TReadResult, TCandidateReader>(
      candidates.size(),
      TOrderedShape{.Threads = threads, .Window = 2 * kFilesPerHandOff * threads, .Batch = kFilesPerHandOff},
      [&](TCandidateReader& reader, std::size_t index) {
        return reader.Read(candidates[index].FileName, wantedUpper);
      },
      [&](std::size_t index, TReadResult file) {
        const TCandidate& candidate = candidates[index];
        const std::string_view name = std::string_view(candidate.FileName).substr(candidate.NameAt);
        Report(progress, kStageReading, NameToUtf8(name), static_cast<int>(SZV6Packs.size()), total);
        if (file.Failure) {
          std::rethrow_exception(file.Failure);
        }
        if (!file.LoadError.empty()) {
          ReadFailures.push_back(FileReadFailure(candidate.FileName, file.LoadError));
        }
        // Copied, not moved: what the run keeps is allocated on this thread, so that the memory
        // a worker frees stays with it for its next file, and the memory the packs free while
        // they are folded serves the persons built from them.
        if (file.Kind == TReadResult::TKind::SZV6) {
          foundUpper.insert(file.RegNumbUpper);
          file.Rec.PackIndex = static_cast<std::int32_t>(SZV6Packs.size());
          SZV6Files.push_back(file.Rec);
          SZV6Packs.push_back(onWorkers ? TSZV6PackData(file.SZV6) : std::move(file.SZV6));
          AddReportPeriod(SZV6Files.back().PeriodYear, SZV6Files.back().PeriodQuarter);
        } else if (file.Kind == TReadResult::TKind::SZV63) {
          file.Rec.PackIndex = static_cast<std::int32_t>(SZV63Packs.size());
          SZV63Files.push_back(file.Rec);
          SZV63Packs.push_back(onWorkers ? TSZV63PackData(file.SZV63) : std::move(file.SZV63));
        }
      });
  for (const TWalkFailure& failure : walkFailures) {
    ReadFailures.push_back(failure.IsFolder ? FolderReadFailure(failure.Name, failure.Reason)
                                            : FileReadFailure(failure.Name, failure.Reason));
  }
  for (const auto& number : wanted) {
    if (foundUpper.count(Cp1251UpperCase(number)) == 0 &&
        std::find(RegNumbsWithoutPacks.begin(), RegNumbsWithoutPacks.end(), number) ==
            RegNumbsWithoutPacks.end()) {
      RegNumbsWithoutPacks.push_back(number);
    }
  }
}

void TFileSet::AddReportPeriod(int year, int quarter) {
  // The index follows ReportPeriods unless someone filled the list directly; then rebuild it.
  if (periodIndex_.size() != ReportPeriods.size()) {
    periodIndex_.clear();
    for (const auto& period : ReportPeriods) {
      periodIndex_.insert({period.Year, period.Quarter});
    }
  }
  if (periodIndex_.insert({year, quarter}).second) {
    ReportPeriods.push_back({year, quarter});
  }
}


bool TFileSet::CompareFileRec(const TFileRec& a, const TFileRec& b) {
  if (a.PeriodYear != b.PeriodYear) {
    return b.PeriodYear < a.PeriodYear;
  }
  if (a.PeriodQuarter != b.PeriodQuarter) {
    return a.PeriodQuarter > b.PeriodQuarter;
  }
  const int byType = CompareCp1251ByUtf16(a.DataType, b.DataType);
  if (byType != 0) {
    return byType > 0;
  }
  return a.CompileDate > b.CompileDate;
}

bool TFileSet::CompareFileRec63(const TFileRec& a, const TFileRec& b) {
  if (a.Year != b.Year) {
    return b.Year < a.Year;
  }
  const int classA = DataTypeClass63(a.DataType);
  const int classB = DataTypeClass63(b.DataType);
  if (classA == 1 && classB == 0) {
    return true;
  }
  if (classA == 0 && classB != 0) {
    return false;
  }
  if ((classA == 0) == (classB == 0)) {
    return a.CompileDate > b.CompileDate;
  }
  // A pack of an unknown type before an initial one: no rule moves it.
  return false;
}

void SortFileRecs63ByPasses(std::vector<TFileRec>& files) {
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (std::size_t index = 0; index + 1 < files.size(); ++index) {
      if (TFileSet::CompareFileRec63(files[index], files[index + 1])) {
        std::swap(files[index], files[index + 1]);
        swapped = true;
      }
    }
  }
}

void SortFileRecs63(std::vector<TFileRec>& files) {
  // With only the three known types the test is a strict weak order on (year, initial or not,
  // composition date), and a stable sort gives exactly what the swap passes give. A pack of any
  // other type makes the test intransitive; the passes then decide, as they always did.
  const bool allKnown = std::all_of(files.begin(), files.end(),
                                    [](const TFileRec& file) { return DataTypeClass63(file.DataType) != 2; });
  if (!allKnown) {
    SortFileRecs63ByPasses(files);
    return;
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const TFileRec& a, const TFileRec& b) { return TFileSet::CompareFileRec63(b, a); });
}


namespace {

// Step 3: the СЗВ-6 packs in the order they are applied, and the СЗВ-6-3 packs in theirs.
void SortFiles(TFileSet& files, const TProgressEvent& progress) {
  Report(progress, kStageFileSort, kWait, 0, 100);
  std::stable_sort(files.SZV6Files.begin(), files.SZV6Files.end(), Before);
  if (files.SZV63Files.size() >= 2) {
    SortFileRecs63(files.SZV63Files);
  }
}

// Persons by normalised insurance number, as FindSotr would find them: the positions of the
// persons in a list that holds the numbers, by hash, in one flat table. A look-up touches one slot
// and the person it names, where a map of strings also walks a bucket and a node of its own.
class TPersonIndex {
 public:
  static std::size_t Hash(const std::string& key) { return TFileSet::HashSNILS(key); }

  void Reserve(std::size_t count) {
    std::size_t size = 16;
    while (size < count * 2) size *= 2;
    if (size > slots_.size()) Rehash(size);
  }

  // The position of the person whose number is `key` (hashed as Hash does) in `sotrs`, or -1.
  int Find(const std::vector<TSZV6Sotr>& sotrs, const std::string& key, std::size_t hash) const {
    if (slots_.empty()) return -1;
    const std::uint32_t tag = Tag(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t probe = tag & mask;; probe = (probe + 1) & mask) {
      const TSlot& slot = slots_[probe];
      if (slot.Position < 0) return -1;
      if (slot.Tag == tag && sotrs[static_cast<std::size_t>(slot.Position)].SNILS == key) return slot.Position;
    }
  }

  // Adds a person not yet in the table.
  void Add(std::size_t hash, int position) {
    if ((count_ + 1) * 2 > slots_.size()) Rehash(std::max<std::size_t>(16, slots_.size() * 2));
    Place({Tag(hash), position});
    ++count_;
  }

 private:
  struct TSlot {
    std::uint32_t Tag = 0;
    std::int32_t Position = -1;
  };

  static std::uint32_t Tag(std::size_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }

  void Place(TSlot slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t probe = slot.Tag & mask;
    while (slots_[probe].Position >= 0) probe = (probe + 1) & mask;
    slots_[probe] = slot;
  }

  void Rehash(std::size_t size) {
    std::vector<TSlot> old(size);
    old.swap(slots_);
    for (const TSlot& slot : old) {
      if (slot.Position >= 0) Place(slot);
    }
  }

  std::vector<TSlot> slots_;
  std::size_t count_ = 0;
};

// Where a document stands in the fold: its file number and its place in the pack. Persons are
// numbered, and messages listed, in this order.
std::uint64_t FoldOrder(int fileNumber, std::size_t docIndex) {
  return (static_cast<std::uint64_t>(fileNumber) << 32) | static_cast<std::uint64_t>(docIndex);
}

// Step 4: folds the sorted СЗВ-6 packs, document by document, into one entry per person, period,
// category and contract type. A fold takes the persons of one share of the insurance numbers (of
// all of them when there is one share): the persons of different shares never meet, so the
// shares are folded side by side and put together in the order of the documents.
class TSZV6Fold {
 public:
  TSZV6Fold(TFileSet& files, bool calcCorr, unsigned share, unsigned shares)
      : files_(files), calcCorr_(calcCorr), keepSources_(files.KeepSources), share_(share), shares_(shares) {
    std::size_t documents = 0;
    for (const auto& pack : files.SZV6Packs) {
      documents += pack.Docs.size();
    }
    persons_.Reserve(documents / 4 / shares + 16);
  }

  // fileNumber counts from 1 in the sorted SZV6Files. The pack stays as it is but for the periods
  // of the documents taken, which move to the persons.
  void ApplyPack(int fileNumber) {
    const TFileRec& rec = files_.SZV6Files[static_cast<std::size_t>(fileNumber - 1)];
    TSZV6PackData& pack = files_.SZV6Packs[static_cast<std::size_t>(rec.PackIndex)];
    for (std::size_t docIndex = 0; docIndex < pack.Docs.size(); ++docIndex) {
      TSZV6DocData& doc = pack.Docs[docIndex];
      if (shares_ > 1 && doc.KeyHash % shares_ != share_) {
        continue;
      }
      ApplyDocument(rec, pack.ContractType, doc, fileNumber, FoldOrder(fileNumber, docIndex));
    }
  }

  struct TMessage {
    std::uint64_t Order;
    std::string Text;
    TFinding Finding;
  };

  std::vector<TSZV6Sotr> Sotrs;
  std::vector<std::uint64_t> FirstSeen;  // by person: the order of its first document
  std::vector<TMessage> Messages;

 private:
  // The person of the document, added when new; the name is the latest document's.
  TSZV6Sotr& PersonOf(const TSZV6DocData& doc, std::uint64_t order) {
    int position = persons_.Find(Sotrs, doc.Key, doc.KeyHash);
    if (position < 0) {
      position = static_cast<int>(Sotrs.size());
      Sotrs.emplace_back().SNILS = doc.Key;
      FirstSeen.push_back(order);
      persons_.Add(doc.KeyHash, position);
    }
    TSZV6Sotr& sotr = Sotrs[static_cast<std::size_t>(position)];
    sotr.LastName = doc.LastName;
    sotr.FirstName = doc.FirstName;
    sotr.MiddleName = doc.MiddleName;
    return sotr;
  }

  // The person's entry for the pack's period, category and contract type, or null. A person has
  // a few dozen entries at most, side by side: a scan beats a hash lookup and needs no index.
  static TSZV6NU* FindEntry(TSZV6Sotr& sotr, const TFileRec& rec, const std::string& contractType) {
    for (TSZV6NU& entry : sotr.NUList) {
      if (entry.Year == rec.PeriodYear && entry.Quarter == rec.PeriodQuarter &&
          entry.CategoryCode == rec.CategoryCode && entry.ContractType == contractType) {
        return &entry;
      }
    }
    return nullptr;
  }

  void ApplyDocument(const TFileRec& rec, const std::string& contractType, TSZV6DocData& doc, int fileNumber,
                     std::uint64_t order) {
    TSZV6Sotr& sotr = PersonOf(doc, order);
    const bool zeroed = IsZeroedCategory(rec.CategoryCode);
    const bool initial = rec.DataType == DataTypeInitial();
    const bool corrective = rec.DataType == DataTypeCorrective();
    const bool cancelling = rec.DataType == DataTypeCancelling();
    const auto takeAmounts = [&](TSZV6NU& entry) {
      entry.InsAccrued = zeroed ? 0 : doc.InsAccrued;
      entry.FundAccrued = zeroed ? 0 : doc.FundAccrued;
      entry.InsPaid = zeroed ? 0 : doc.InsPaid;
      entry.FundPaid = zeroed ? 0 : doc.FundPaid;
      // Each document is applied once, so its periods can move.
      entry.StageDates = std::move(doc.StageDates);
    };
    const auto conflict = [&](TConflictKind kind, int otherFile, std::string text) {
      sotr.Conflicts.push_back({kind, fileNumber, otherFile, rec.PeriodYear, rec.PeriodQuarter});
      static constexpr TFindingKind kFindings[] = {
          TFindingKind::DuplicateInitial, TFindingKind::CorrectionWithoutInitial, TFindingKind::RepeatedCorrection,
          TFindingKind::CancellationAfterCorrection};
      TFinding finding;
      finding.Kind = kFindings[static_cast<std::size_t>(kind)];
      finding.SNILS = sotr.SNILS;
      finding.FileNumber = fileNumber;
      finding.OtherFile = otherFile;
      finding.Period = {rec.PeriodYear, rec.PeriodQuarter};
      Messages.push_back({order, std::move(text), std::move(finding)});
    };
    // The document as given, recorded before its periods move to the entry.
    const auto source = [&](TSourceFate fate, int byFile) {
      if (keepSources_) {
        sotr.Sources.push_back(
            {.FileNumber = fileNumber, .ByFile = byFile, .Fate = fate, .InsAccrued = doc.InsAccrued,
             .InsPaid = doc.InsPaid, .FundAccrued = doc.FundAccrued, .FundPaid = doc.FundPaid});
      }
    };
    TSZV6NU* const existing = FindEntry(sotr, rec, contractType);
    if (existing == nullptr) {
      if (initial || calcCorr_) {
        source(initial ? TSourceFate::Taken : TSourceFate::TakenForMissing, 0);
        TSZV6NU& entry = sotr.NUList.emplace_back();
        entry.Year = rec.PeriodYear;
        entry.Quarter = rec.PeriodQuarter;
        entry.CategoryCode = rec.CategoryCode;
        entry.ContractType = contractType;
        takeAmounts(entry);
        entry.FileIndex = fileNumber - 1;
        entry.Corrected = false;
      } else {
        source(corrective || cancelling ? TSourceFate::WithoutInitial : TSourceFate::UnknownType, 0);
        conflict(TConflictKind::CorrectionWithoutInitial, 0, CorrectionWithoutInitial(doc, fileNumber));
      }
      return;
    }
    TSZV6NU& entry = *existing;
    if (initial) {
      source(TSourceFate::DuplicateInitial, entry.FileIndex + 1);
      conflict(TConflictKind::DuplicateInitial, entry.FileIndex + 1, DuplicateInitial(doc, fileNumber));
      return;
    }
    if (!corrective && !cancelling) {
      source(TSourceFate::UnknownType, 0);
      return;
    }
    if (keepSources_) {
      MarkSuperseded(sotr, entry.FileIndex + 1, corrective ? TSourceFate::Replaced : TSourceFate::Cancelled,
                     fileNumber);
    }
    source(corrective ? TSourceFate::Taken : TSourceFate::Cancelling, corrective ? 0 : entry.FileIndex + 1);
    if (corrective) {
      takeAmounts(entry);
    } else {
      entry.InsAccrued = entry.FundAccrued = entry.InsPaid = entry.FundPaid = 0;
      entry.StageDates.clear();
    }
    if (entry.Corrected) {
      conflict(corrective ? TConflictKind::RepeatedCorrection : TConflictKind::CancellationAfterCorrection,
               entry.FileIndex + 1,
               corrective ? RepeatedCorrection(doc, fileNumber, entry.FileIndex + 1)
                          : CancellationAfterCorrection(doc, fileNumber, entry.FileIndex + 1));
    } else {
      entry.Corrected = true;
    }
    entry.FileIndex = fileNumber - 1;
  }

  // The document of `fileNumber` whose amounts were in force for an entry. A pack names one
  // period, category and contract type, so a file holds at most one such document of a person.
  static void MarkSuperseded(TSZV6Sotr& sotr, int fileNumber, TSourceFate fate, int byFile) {
    for (auto at = sotr.Sources.rbegin(); at != sotr.Sources.rend(); ++at) {
      if (at->FileNumber == fileNumber &&
          (at->Fate == TSourceFate::Taken || at->Fate == TSourceFate::TakenForMissing ||
           at->Fate == TSourceFate::Cancelling)) {
        at->Fate = fate;
        at->ByFile = byFile;
        return;
      }
    }
  }

  TFileSet& files_;
  bool calcCorr_;
  bool keepSources_;
  unsigned share_;
  unsigned shares_;
  TPersonIndex persons_;
};

// Hands take() each unit of the person's sort key (see PersonNameSortKey) in turn, a zero unit
// after each name, for as long as it returns true.
template <typename TTake>
void WalkPersonNameSortKey(const TSZV6Sotr& sotr, TTake&& take) {
  for (const std::string* name : {&sotr.LastName, &sotr.FirstName, &sotr.MiddleName}) {
    for (const char c : *name) {
      // Every unit of the code page lies below U+FFFF, so the unit plus one still fits.
      if (!take(static_cast<std::uint32_t>(Cp1251ToUnicode(static_cast<unsigned char>(c))) + 1)) return;
    }
    if (!take(0)) return;
  }
}

// A person's place in the sort by name: the first eight units of its sort key (zeros past the
// end), whose order is the keys' order wherever they differ, so that most comparisons touch
// nothing else; the names decide the rest.
struct TNamePlace {
  std::uint64_t KeyHead = 0;
  std::uint64_t KeyNext = 0;
  std::size_t Person = 0;
};

// The persons in the order of their names, each place naming the person that goes there; persons
// of the same name keep their order.
std::vector<TNamePlace> PersonsByName(const std::vector<TSZV6Sotr>& sotrs) {
  std::vector<TNamePlace> places(sotrs.size());
  for (std::size_t person = 0; person < sotrs.size(); ++person) {
    TNamePlace& place = places[person];
    place.Person = person;
    int units = 0;
    WalkPersonNameSortKey(sotrs[person], [&](std::uint32_t unit) {
      std::uint64_t& half = units < 4 ? place.KeyHead : place.KeyNext;
      half |= static_cast<std::uint64_t>(unit) << (16 * (3 - units % 4));
      return ++units < 8;
    });
  }
  std::sort(places.begin(), places.end(), [&sotrs](const TNamePlace& a, const TNamePlace& b) {
    if (a.KeyHead != b.KeyHead) return a.KeyHead < b.KeyHead;
    if (a.KeyNext != b.KeyNext) return a.KeyNext < b.KeyNext;
    const TSZV6Sotr& first = sotrs[a.Person];
    const TSZV6Sotr& second = sotrs[b.Person];
    for (const auto field : {&TSZV6Sotr::LastName, &TSZV6Sotr::FirstName, &TSZV6Sotr::MiddleName}) {
      if (const int order = CompareCp1251ByUtf16(first.*field, second.*field); order != 0) return order < 0;
    }
    return a.Person < b.Person;
  });
  return places;
}

// Moves the persons so that places[i].Person comes to place i: each cycle of the permutation is
// followed once, so every person moves once and no second list of persons is made.
void PutInPlaces(std::vector<TSZV6Sotr>& sotrs, std::vector<TNamePlace>& places) {
  for (std::size_t start = 0; start < places.size(); ++start) {
    if (places[start].Person == start) continue;
    TSZV6Sotr held = std::move(sotrs[start]);
    std::size_t at = start;
    while (places[at].Person != start) {
      const std::size_t from = places[at].Person;
      sotrs[at] = std::move(sotrs[from]);
      places[at].Person = at;
      at = from;
    }
    sotrs[at] = std::move(held);
    places[at].Person = at;
  }
}

// Folds the shares on one thread each (the first on this one, which also reports the progress) and
// puts their persons and messages together in the order of the documents: the result is the same
// as with one share. A pack is freed once every share has been through it.
TPersonIndex FoldSZV6Packs(TFileSet& files, bool calcCorr, std::vector<std::string>& messages,
                           const TProgressEvent& progress) {
  const int packCount = static_cast<int>(files.SZV6Files.size());
  // Every share reads every document's insurance number, and memory, not the cores, sets the pace
  // beyond a few shares.
  constexpr unsigned kMostShares = 8;
  const unsigned shares = std::min(WorkerCount(files.Threads), kMostShares);
  std::vector<TSZV6Fold> folds;
  for (unsigned share = 0; share < shares; ++share) {
    folds.emplace_back(files, calcCorr, share, shares);
  }
  std::vector<std::atomic<unsigned>> sharesDone(static_cast<std::size_t>(packCount));
  std::atomic<bool> stop{false};
  std::vector<std::exception_ptr> failures(shares);
  const auto fold = [&](unsigned share) {
    try {
      for (int fileNumber = 1; fileNumber <= packCount && !stop.load(std::memory_order_relaxed); ++fileNumber) {
        if (share == 0) {
          Report(progress, kStagePersons, kWait, fileNumber, packCount);
        }
        folds[share].ApplyPack(fileNumber);
        // The documents are folded in; their texts are not needed any more.
        const std::size_t position = static_cast<std::size_t>(fileNumber - 1);
        if (sharesDone[position].fetch_add(1, std::memory_order_acq_rel) + 1 == shares) {
          files.SZV6Packs[static_cast<std::size_t>(files.SZV6Files[position].PackIndex)] = TSZV6PackData();
        }
      }
    } catch (...) {
      failures[share] = std::current_exception();
      stop = true;
    }
  };
  std::vector<std::thread> helpers;
  try {
    for (unsigned share = 1; share < shares; ++share) {
      helpers.emplace_back(fold, share);
    }
  } catch (...) {
    stop = true;
    for (std::thread& helper : helpers) helper.join();
    throw;
  }
  fold(0);
  for (std::thread& helper : helpers) {
    helper.join();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
  files.SZV6Packs.clear();
  files.SZV6Packs.shrink_to_fit();

  // Persons in the order of their first documents (each share's persons already are), messages
  // in the order of theirs.
  struct TPlace {
    std::uint64_t Order;
    unsigned Share;
    std::size_t Index;
  };
  std::vector<TPlace> places;
  for (unsigned share = 0; share < shares; ++share) {
    for (std::size_t index = 0; index < folds[share].Sotrs.size(); ++index) {
      places.push_back({folds[share].FirstSeen[index], share, index});
    }
  }
  const auto byOrder = [](const TPlace& a, const TPlace& b) { return a.Order < b.Order; };
  std::stable_sort(places.begin(), places.end(), byOrder);
  TPersonIndex persons;
  persons.Reserve(places.size());
  files.Sotrs.reserve(files.Sotrs.size() + places.size());
  for (const TPlace& place : places) {
    TSZV6Sotr& sotr = folds[place.Share].Sotrs[place.Index];
    persons.Add(TPersonIndex::Hash(sotr.SNILS), static_cast<int>(files.Sotrs.size()));
    files.Sotrs.push_back(std::move(sotr));
  }

  std::vector<TPlace> messagePlaces;
  for (unsigned share = 0; share < shares; ++share) {
    for (std::size_t index = 0; index < folds[share].Messages.size(); ++index) {
      messagePlaces.push_back({folds[share].Messages[index].Order, share, index});
    }
  }
  std::stable_sort(messagePlaces.begin(), messagePlaces.end(), byOrder);
  for (const TPlace& place : messagePlaces) {
    messages.push_back(std::move(folds[place.Share].Messages[place.Index].Text));
    files.MessageFindings.push_back(std::move(folds[place.Share].Messages[place.Index].Finding));
  }
  return persons;
}

// Step 5: the yearly СЗВ-6-3 payments, attached to persons the СЗВ-6 packs know. Initial packs
// first, then all others, each pass in the order the packs were found.
void AttachSZV63Packs(TFileSet& files, const TPersonIndex& persons, bool calcCorr,
                      std::vector<std::string>& messages) {
  if (files.Sotrs.empty()) {
    return;
  }
  // The protocol numbers the СЗВ-6-3 packs after the СЗВ-6 packs, in their sorted order.
  std::vector<std::int32_t> protocolNumber(files.SZV63Packs.size());
  for (std::size_t at = 0; at < files.SZV63Files.size(); ++at) {
    protocolNumber[static_cast<std::size_t>(files.SZV63Files[at].PackIndex)] =
        static_cast<std::int32_t>(files.SZV6Files.size() + at + 1);
  }
  const auto numberOf = [&](std::int32_t foundNumber) {
    return foundNumber >= 1 ? protocolNumber[static_cast<std::size_t>(foundNumber - 1)] : 0;
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t position = 0; position < files.SZV63Packs.size(); ++position) {
      const TSZV63PackData& pack = files.SZV63Packs[position];
      const bool initial = pack.DataType == DataTypeInitial();
      if (initial != (pass == 0)) {
        continue;
      }
      const auto fileNumber = static_cast<std::int32_t>(position + 1);
      const std::int32_t number = protocolNumber[position];
      for (const auto& doc : pack.Docs) {
        const std::string& key = doc.Key;
        TFinding finding;
        finding.SNILS = key;
        finding.FileNumber = number;
        finding.PackNumber = pack.PackNumber;
        finding.Period = {pack.Year, 0};
        finding.CategoryCode = pack.CategoryCode;
        finding.ContractType = pack.ContractType;
        const auto message = [&](TFindingKind kind, std::string text) {
          finding.Kind = kind;
          messages.push_back(std::move(text));
          files.MessageFindings.push_back(finding);
        };
        const int person = persons.Find(files.Sotrs, key, doc.KeyHash);
        if (person < 0) {
          if (initial) {
            message(TFindingKind::PaymentsWithoutIndividualData,
                    PaymentsWithoutIndividualData(doc, pack.Year, pack.CategoryCode));
          } else {
            message(TFindingKind::PaymentCorrectionWithoutIndividualData,
                    PaymentCorrectionWithoutIndividualData(doc, pack.Year, pack.CategoryCode));
          }
          continue;
        }
        TSZV6Sotr& sotr = files.Sotrs[static_cast<std::size_t>(person)];
        auto& list = sotr.NU63List;
        int entryAt = files.FindNU63(person, pack.Year, pack.CategoryCode, pack.ContractType);
        const auto source = [&](TSourceFate fate, std::int32_t byFile) {
          if (!files.KeepSources) return;
          TPaymentSource& payment = sotr.Payments.emplace_back();
          payment.FileNumber = number;
          payment.ByFile = byFile;
          payment.Fate = fate;
          payment.Year = pack.Year;
          for (std::size_t month = 1; month <= 12; ++month) {
            const std::size_t quarter = (month - 1) / 3;
            payment.Total[quarter] = AddAmount(payment.Total[quarter], doc.Months[month].Total);
            payment.Taxable[quarter] = AddAmount(payment.Taxable[quarter], doc.Months[month].Taxable);
          }
        };
        if (initial && entryAt >= 0) {
          finding.OtherFile = numberOf(list[static_cast<std::size_t>(entryAt)].FileNumber);
          message(TFindingKind::DuplicateInitialPayments,
                  DuplicateInitialPayments(doc, pack.PackNumber, pack.Year, pack.CategoryCode, pack.ContractType));
          sotr.PaymentConflicts.push_back(finding);
          source(TSourceFate::DuplicateInitial, finding.OtherFile);
          continue;
        }
        if (entryAt < 0) {
          if (!initial && !calcCorr) {
            message(TFindingKind::PaymentCorrectionWithoutInitial,
                    PaymentCorrectionWithoutInitial(doc, pack.Year, pack.CategoryCode));
            sotr.PaymentConflicts.push_back(finding);
            source(TSourceFate::WithoutInitial, 0);
            continue;
          }
          list.emplace_back();
          entryAt = static_cast<int>(list.size()) - 1;
          source(initial ? TSourceFate::Taken : TSourceFate::TakenForMissing, 0);
        } else {
          // A corrective or cancelling pack over data in force: the document that set them is
          // superseded.
          const bool cancelling = pack.DataType == DataTypeCancelling();
          const std::int32_t previous = numberOf(list[static_cast<std::size_t>(entryAt)].FileNumber);
          for (auto at = sotr.Payments.rbegin(); at != sotr.Payments.rend(); ++at) {
            if (at->FileNumber == previous && at->Year == pack.Year &&
                (at->Fate == TSourceFate::Taken || at->Fate == TSourceFate::TakenForMissing ||
                 at->Fate == TSourceFate::Cancelling)) {
              at->Fate = cancelling ? TSourceFate::Cancelled : TSourceFate::Replaced;
              at->ByFile = number;
              break;
            }
          }
          source(cancelling ? TSourceFate::Cancelling : TSourceFate::Taken, cancelling ? previous : 0);
        }
        TSZV63NU& entry = list[static_cast<std::size_t>(entryAt)];
        entry.Year = pack.Year;
        entry.CategoryCode = pack.CategoryCode;
        entry.ContractType = pack.ContractType;
        entry.FileNumber = fileNumber;
        entry.Months = doc.Months;
      }
    }
  }
}

// Step 6, its end: periods ascending.
void SortPeriods(TFileSet& files, const TProgressEvent& progress) {
  if (files.Sotrs.empty()) {
    return;
  }
  Report(progress, kStagePeriodSort, kWait, 0, 100);
  std::stable_sort(files.ReportPeriods.begin(), files.ReportPeriods.end(),
                   [](const TReportPeriod& a, const TReportPeriod& b) {
                     return a.Year != b.Year ? a.Year < b.Year : a.Quarter < b.Quarter;
                   });
}

}  // namespace

// Each character as its UTF-16 unit plus one, high byte first, and a zero unit after each name, so
// that a name ends before any longer name it begins.
std::string PersonNameSortKey(const TSZV6Sotr& sotr) {
  std::string key;
  key.reserve(2 * (sotr.LastName.size() + sotr.FirstName.size() + sotr.MiddleName.size() + 3));
  WalkPersonNameSortKey(sotr, [&key](std::uint32_t unit) {
    key.push_back(static_cast<char>(unit >> 8));
    key.push_back(static_cast<char>(unit & 0xFF));
    return true;
  });
  return key;
}

void TFileSet::LoadSubmissions(const std::string& folder, bool subDirs, bool calcCorr, const std::string& regNumbs,
                               std::vector<std::string>& messages, const TProgressEvent& progress) {
  // Step 1: start empty.
  messages.clear();
  SZV6Files.clear();
  SZV63Files.clear();
  SZV6Packs.clear();
  SZV63Packs.clear();
  Sotrs.clear();
  ReportPeriods.clear();
  periodIndex_.clear();
  PackFileNames.clear();
  WalkedFolders.clear();
  ReadFailures.clear();
  RegNumbsWithoutPacks.clear();
  // Step 2: read and classify every candidate file. What could not be read heads the protocol's
  // list of errors: the balances below lack its data.
  const std::string folderText = WithSeparator(folder);
  ReadPackFiles(folderText, subDirs, regNumbs, CountPackFiles(folderText, subDirs), progress);
  MessageFindings.clear();
  for (const std::string& failure : ReadFailures) {
    messages.push_back(Utf8ToCp1251(failure));
    MessageFindings.emplace_back();
  }
  if (SZV6Files.empty()) {
    Report(progress, kStageProtocol, kWait, 0, 100);
    return;
  }
  SortFiles(*this, progress);
  const TPersonIndex persons = FoldSZV6Packs(*this, calcCorr, messages, progress);
  // Step 6 begins beside step 5: the order of the persons' names is worked out while the payments,
  // which change no name, are attached; the persons move into it once both are done.
  if (!Sotrs.empty()) {
    Report(progress, kStagePersonSort, kWait, 0, 100);
  }
  std::vector<TNamePlace> byName;
  RunBeside(
      WorkerCount(Threads), [&] { AttachSZV63Packs(*this, persons, calcCorr, messages); },
      [&] { byName = PersonsByName(Sotrs); });
  SZV63Packs.clear();
  SZV63Packs.shrink_to_fit();
  PutInPlaces(Sotrs, byName);
  SortPeriods(*this, progress);
  Report(progress, kStageProtocol, kWait, 0, 100);
}

}  // namespace brisolt
