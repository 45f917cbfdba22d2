#include "engine/sverka.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <numeric>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/constants.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/cp1251.h"
#include "xml/xmlwork.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;

// Roubles held as a double, taken to ten-thousandths (halves to even, as currency assignment
// rounds), clamped to the range of the amount type.
TAmount RoublesToAmount(double roubles) {
  const double units = std::nearbyint(roubles * 10000.0);
  if (!(units < 9.2e18)) {
    return units != units ? 0 : std::numeric_limits<TAmount>::max();
  }
  if (units < -9.2e18) {
    return std::numeric_limits<TAmount>::min();
  }
  return static_cast<TAmount>(units);
}

// ---------------------------------------------------------------------------------------------
// Texts compared by the UTF-16 code units their windows-1251 characters stand for. Every
// character of the code page is a single code unit, so a byte-wise mapping suffices.

const std::array<char16_t, 256>& CodeUnits() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> units{};
    for (int byte = 0; byte < 256; ++byte) {
      units[static_cast<std::size_t>(byte)] = static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(byte)));
    }
    return units;
  }();
  return table;
}

int CompareCodeUnits(std::string_view a, std::string_view b) {
  const auto& units = CodeUnits();
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t index = 0; index < common; ++index) {
    const char16_t left = units[static_cast<unsigned char>(a[index])];
    const char16_t right = units[static_cast<unsigned char>(b[index])];
    if (left != right) {
      return left < right ? -1 : 1;
    }
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Folder listing. The order is fixed on every platform: names by their Unicode upper case, the
// raw name breaking ties; the pack mask is matched here, not by the platform.

// UTF-8 to code points; a byte that is not part of a valid sequence stands for itself in the
// U+DC80..U+DCFF range, so that distinct names keep distinct keys.
std::u32string DecodeName(std::string_view name) {
  std::u32string result;
  result.reserve(name.size());
  std::size_t index = 0;
  while (index < name.size()) {
    const auto lead = static_cast<unsigned char>(name[index]);
    int length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = length > 0 && index + static_cast<std::size_t>(length) <= name.size();
    for (int next = 1; valid && next < length; ++next) {
      const auto byte = static_cast<unsigned char>(name[index + static_cast<std::size_t>(next)]);
      valid = (byte & 0xC0) == 0x80;
      code = (code << 6) | (byte & 0x3F);
    }
    if (!valid) {
      result.push_back(0xDC00 + lead);
      ++index;
      continue;
    }
    result.push_back(code);
    index += static_cast<std::size_t>(length);
  }
  return result;
}

// Simple upper-case mapping for the scripts file names of this program's users are written in:
// Latin (with Latin-1 and Latin Extended-A), Greek and Cyrillic.
char32_t UnicodeUpper(char32_t code) {
  if (code >= U'a' && code <= U'z') return code - 0x20;
  if (code < 0x80) return code;
  if ((code >= 0xE0 && code <= 0xFE && code != 0xF7)) return code - 0x20;
  if (code == 0xFF) return 0x178;
  if (code >= 0x100 && code <= 0x17F) {
    if (code == 0x131) return U'I';
    if ((code >= 0x139 && code <= 0x148) || (code >= 0x179 && code <= 0x17E)) {
      return (code % 2 == 0) ? code - 1 : code;
    }
    if (code == 0x138 || code == 0x149 || code == 0x17F || code == 0x130 || code == 0x178) return code;
    return (code % 2 == 1) ? code - 1 : code;
  }
  if (code >= 0x3B1 && code <= 0x3C9 && code != 0x3C2) return code - 0x20;
  if (code == 0x3C2) return 0x3A3;
  if (code >= 0x430 && code <= 0x44F) return code - 0x20;
  if (code >= 0x450 && code <= 0x45F) return code - 0x50;
  if ((code >= 0x460 && code <= 0x481) || (code >= 0x48A && code <= 0x4BF) || (code >= 0x4D0 && code <= 0x52F)) {
    return (code % 2 == 1) ? code - 1 : code;
  }
  return code;
}

std::u32string UpperKey(std::string_view name) {
  std::u32string key = DecodeName(name);
  for (auto& code : key) {
    code = UnicodeUpper(code);
  }
  return key;
}

// "?" is one character, "*" any run of characters.
bool MatchesMask(std::u32string_view name, std::u32string_view mask) {
  std::size_t at = 0;
  std::size_t maskAt = 0;
  std::size_t starMask = std::u32string_view::npos;
  std::size_t starName = 0;
  while (at < name.size()) {
    if (maskAt < mask.size() && (mask[maskAt] == U'?' || mask[maskAt] == name[at])) {
      ++at;
      ++maskAt;
    } else if (maskAt < mask.size() && mask[maskAt] == U'*') {
      starMask = maskAt++;
      starName = at;
    } else if (starMask != std::u32string_view::npos) {
      maskAt = starMask + 1;
      at = ++starName;
    } else {
      return false;
    }
  }
  while (maskAt < mask.size() && mask[maskAt] == U'*') {
    ++maskAt;
  }
  return maskAt == mask.size();
}

const std::u32string& UpperMask() {
  static const std::u32string mask = UpperKey(PackFileMask);
  return mask;
}

bool IsSeparator(char character) {
  return character == '/' || character == static_cast<char>(fs::path::preferred_separator);
}

std::string WithSeparator(const std::string& folder) {
  if (folder.empty() || IsSeparator(folder.back())) {
    return folder;
  }
  return folder + static_cast<char>(fs::path::preferred_separator);
}

struct TFolderListing {
  std::vector<std::string> Folders;    // not beginning with "."
  std::vector<std::string> PackFiles;  // regular files matching the mask
};

TFolderListing ListFolder(const std::string& folder) {
  struct TEntry {
    std::u32string Key;
    std::string Name;
    bool IsFolder;
  };
  std::vector<TEntry> entries;
  std::error_code error;
  fs::directory_iterator iterator(folder.empty() ? fs::path(".") : PathFromNative(folder), error);
  const fs::directory_iterator end;
  while (!error && iterator != end) {
    const fs::directory_entry& entry = *iterator;
    std::error_code statusError;
    std::string name = NativeFromPath(entry.path().filename());
    // Only folders and regular files count: a device or a pipe named like a pack would block
    // the reader.
    if (entry.is_directory(statusError)) {
      if (!name.empty() && name[0] != '.') {
        entries.push_back({UpperKey(name), std::move(name), true});
      }
    } else if (entry.is_regular_file(statusError)) {
      std::u32string key = UpperKey(name);
      if (MatchesMask(key, UpperMask())) {
        entries.push_back({std::move(key), std::move(name), false});
      }
    }
    iterator.increment(error);
  }
  std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
    return a.Key != b.Key ? a.Key < b.Key : a.Name < b.Name;
  });
  TFolderListing listing;
  for (auto& entry : entries) {
    (entry.IsFolder ? listing.Folders : listing.PackFiles).push_back(std::move(entry.Name));
  }
  return listing;
}

// Calls visit(folder text, pack file names) for every folder of the tree, sub-folders first.
// A folder reached twice (through links) is walked once, so a link cycle cannot trap the walk.
template <typename TVisit>
void WalkFolder(const std::string& folder, bool subDirs, std::set<std::string>& walked, TVisit&& visit) {
  std::error_code error;
  const fs::path real = fs::weakly_canonical(folder.empty() ? fs::path(".") : PathFromNative(folder), error);
  if (!error && !walked.insert(NativeFromPath(real)).second) {
    return;
  }
  TFolderListing listing = ListFolder(folder);
  if (subDirs) {
    for (const auto& name : listing.Folders) {
      WalkFolder(folder + name + static_cast<char>(fs::path::preferred_separator), true, walked, visit);
    }
  }
  visit(folder, listing.PackFiles);
}

// ---------------------------------------------------------------------------------------------
// Texts.

const std::string kP6Start = Utf8ToCp1251("Для сотрудника ");
const std::string kP6Snils = Utf8ToCp1251(" (страховой № ");
const std::string kP6File = Utf8ToCp1251(") в файле № ");
const std::string kM1 = Utf8ToCp1251(" обнаружены корректирующие или отменяющие сведения при отсутствии исходных.");
const std::string kM2 = Utf8ToCp1251(" обнаружен дубликат корректирующих сведений, либо корректирующие сведения после "
                            "отменяющих. Предыдущие корректирующие/отменяющие сведения были в файле № ");
const std::string kM3 = Utf8ToCp1251(" обнаружен дубликат корректирующих сведений, либо отменяющие сведения после "
                            "корректирующих. Предыдущие корректирующие/отменяющие сведения были в файле № ");
const std::string kM4 = Utf8ToCp1251(" обнаружен дубликат исходных сведений.");
const std::string kP63Start = Utf8ToCp1251("На сотрудника ");
const std::string kP63Snils = Utf8ToCp1251(" (СНИЛС ");
const std::string kM5 = Utf8ToCp1251(") обнаружены сведения СЗВ-6-3 за ");
const std::string kM57Category = Utf8ToCp1251(" год по категории ");
const std::string kM57End = Utf8ToCp1251(" при отсутствии индивидуальных сведений за указанный год.");
const std::string kM6Pack = Utf8ToCp1251(") в пачке № ");
const std::string kM6Duplicate = Utf8ToCp1251(" обнаружен дубликат СЗВ-6-3 за ");
const std::string kM6Category = Utf8ToCp1251(" год, категория ");
const std::string kM6Contract = Utf8ToCp1251(", тип договора ");
const std::string kM78 = Utf8ToCp1251(") обнаружены корректирующие/отменяющие сведения СЗВ-6-3 за ");
const std::string kM8End = Utf8ToCp1251(" при отсутствии исходных.");

const std::string kWarning = Utf8ToCp1251("Предупреждение: ");
const std::string kError = Utf8ToCp1251("Ошибка: ");
const std::string kBaseExcess = Utf8ToCp1251(" - превыш. базы? ");
const std::string kRouble = Utf8ToCp1251(" р");
const std::string kInsExcess = Utf8ToCp1251(" - превыш. страх.: нач. ");
const std::string kFundExcess = Utf8ToCp1251(" - превыш. накоп.: нач. ");
const std::string kPaid = Utf8ToCp1251(", упл. ");
const std::string kDebt = Utf8ToCp1251("задолж. ");
const std::string kIns = Utf8ToCp1251(" страх.");
const std::string kFund = Utf8ToCp1251(" накоп.");

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

std::string PrefixP6(const TSZV6DocData& doc, int fileNumber) {
  return kP6Start + doc.LastName + " " + doc.FirstName + " " + doc.MiddleName + kP6Snils + doc.SNILS +
         kP6File + std::to_string(fileNumber);
}

std::string PrefixP63(const TSZV63DocData& doc) {
  return kP63Start + doc.LastName + " " + doc.FirstName + " " + doc.MiddleName + kP63Snils + doc.SNILS;
}

// ---------------------------------------------------------------------------------------------
// Reading one candidate file.

// The parsers raise EConvertError with the bare date text; the user needs to know the file.
[[noreturn]] void RethrowNamingFile(const std::string& fileName, const EConvertError& error) {
  throw EConvertError(Utf8ToCp1251(fileName) + ": " + error.what());
}

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

// ---------------------------------------------------------------------------------------------
// Orderings.

bool Before(const TFileRec& a, const TFileRec& b) { return TFileSet::CompareFileRec(b, a); }

int DataTypeClass63(const std::string& dataType) {
  if (dataType == DataTypeInitial()) return 0;
  if (dataType == DataTypeCorrective() || dataType == DataTypeCancelling()) return 1;
  return 2;
}

}  // namespace

// =============================================================================================
// Discovery and reading

int TFileSet::CountPackFiles(const std::string& folder, bool subDirs) {
  int count = 0;
  std::set<std::string> walked;
  WalkFolder(WithSeparator(folder), subDirs, walked,
             [&](const std::string&, const std::vector<std::string>& files) { count += static_cast<int>(files.size()); });
  return count;
}

void TFileSet::ReadPackFiles(const std::string& folder, bool subDirs, const std::string& regNumbs, int total,
                             const TProgressEvent& progress) {
  std::vector<std::string> wanted;
  SplitRegNumbs(regNumbs, wanted);
  std::unordered_set<std::string> wantedUpper;
  for (const auto& number : wanted) {
    wantedUpper.insert(Cp1251UpperCase(number));
  }
  std::set<std::string> walked;
  WalkFolder(WithSeparator(folder), subDirs, walked, [&](const std::string& folderText, const std::vector<std::string>& files) {
    for (const auto& name : files) {
      Report(progress, kStageReading, name, static_cast<int>(SZV6Packs.size()), total);
      const std::string fileName = folderText + name;
      // One parse serves both readers: a file that is not a wanted СЗВ-6 pack is offered to the
      // СЗВ-6-3 reader from the same tree.
      TXMLFile document;
      if (!document.LoadFromFile(fileName) || !document.Parse()) {
        continue;
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
          TFileRec& rec = SZV6Files.emplace_back();
          rec.PackIndex = static_cast<std::int32_t>(SZV6Packs.size());
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
          SZV6Packs.push_back(TakeSZV6Data(pack));
          AddReportPeriod(rec.PeriodYear, rec.PeriodQuarter);
          continue;
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
        TFileRec& rec = SZV63Files.emplace_back();
        rec.PackIndex = static_cast<std::int32_t>(SZV63Packs.size());
        rec.FileName = fileName;
        rec.PackNumber = pack63.PackNumber;
        rec.DataType = pack63.DataType;
        rec.Year = pack63.Year;
        rec.CategoryCode = pack63.CategoryCode;
        rec.CompileDate = pack63.CompileDate;
        SZV63Packs.push_back(TakeSZV63Data(pack63));
      }
    }
  });
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

void TFileSet::SplitRegNumbs(const std::string& text, std::vector<std::string>& list) {
  list.clear();
  std::string rest = text;
  std::size_t first = 0;
  while (first < rest.size() && rest[first] == ' ' && rest.size() - first > 1) {
    ++first;
  }
  rest.erase(0, first);
  if (rest.empty() || rest == " ") {
    return;
  }
  std::size_t length = rest.size();
  while (length > 1 && rest[length - 1] == ' ') {
    --length;
  }
  rest.resize(length);
  if (rest.find(',') == std::string::npos) {
    list.push_back(rest);
    return;
  }
  // Removing every ", " occurrence repeatedly drops all blanks after each comma.
  std::string joined;
  joined.reserve(rest.size());
  for (std::size_t index = 0; index < rest.size(); ++index) {
    joined += rest[index];
    if (rest[index] == ',') {
      while (index + 1 < rest.size() && rest[index + 1] == ' ') {
        ++index;
      }
    }
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = joined.find(',', start);
    if (comma == std::string::npos) {
      list.push_back(joined.substr(start));
      return;
    }
    list.push_back(joined.substr(start, comma - start));
    start = comma + 1;
  }
}

void TFileSet::ScanInsurers(const std::string& folder, bool subDirs, std::vector<std::string>& names,
                            std::vector<std::string>& regNumbs) {
  std::unordered_set<std::string> known;
  for (const auto& number : regNumbs) {
    known.insert(Cp1251UpperCase(number));
  }
  std::set<std::string> walked;
  WalkFolder(WithSeparator(folder), subDirs, walked, [&](const std::string& folderText, const std::vector<std::string>& files) {
    // One object per folder, reused: a pack without a form or a name shows the previous file's.
    TSZV6File pack;
    for (const auto& name : files) {
      pack.FileName = folderText + name;
      bool loaded = false;
      try {
        loaded = pack.Load();
      } catch (const EConvertError& error) {
        RethrowNamingFile(pack.FileName, error);
      }
      if (!loaded || !IsSZV6FormKind(pack.FormKind)) {
        continue;
      }
      if (!known.insert(Cp1251UpperCase(pack.RegNumb)).second) {
        continue;
      }
      names.push_back(!pack.OrgName.empty() ? pack.OrgName : pack.ShortName);
      regNumbs.push_back(pack.RegNumb);
    }
  });
}

// =============================================================================================
// Loading and classification

std::string TFileSet::NormalizeSNILS(const std::string& text) {
  if (text.size() != 14) {
    return text;
  }
  std::string digits;
  for (const char character : text) {
    if (character >= '0' && character <= '9') {
      digits += character;
    }
  }
  return digits;
}

int TFileSet::FindSotr(const std::string& snils) const {
  for (std::size_t index = 0; index < Sotrs.size(); ++index) {
    if (Sotrs[index].SNILS == snils) {
      return static_cast<int>(index);
    }
  }
  return -1;
}

int TFileSet::FindNU(int person, int year, int quarter, const std::string& categoryCode,
                     const std::string& contractType) const {
  const auto& list = Sotrs[static_cast<std::size_t>(person)].NUList;
  for (std::size_t index = 0; index < list.size(); ++index) {
    const TSZV6NU& entry = list[index];
    if (entry.Year == year && entry.Quarter == quarter && entry.CategoryCode == categoryCode &&
        entry.ContractType == contractType) {
      return static_cast<int>(index);
    }
  }
  return -1;
}

int TFileSet::FindNU63(int person, int year, const std::string& categoryCode, const std::string& contractType) const {
  const auto& list = Sotrs[static_cast<std::size_t>(person)].NU63List;
  for (std::size_t index = 0; index < list.size(); ++index) {
    const TSZV63NU& entry = list[index];
    if (entry.Year == year && entry.CategoryCode == categoryCode && entry.ContractType == contractType) {
      return static_cast<int>(index);
    }
  }
  return -1;
}

bool TFileSet::CompareFileRec(const TFileRec& a, const TFileRec& b) {
  if (a.PeriodYear != b.PeriodYear) {
    return b.PeriodYear < a.PeriodYear;
  }
  if (a.PeriodQuarter != b.PeriodQuarter) {
    return a.PeriodQuarter > b.PeriodQuarter;
  }
  const int byType = CompareCodeUnits(a.DataType, b.DataType);
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

void TFileSet::LoadSubmissions(const std::string& folder, bool subDirs, bool calcCorr, const std::string& regNumbs,
                               std::vector<std::string>& messages, const TProgressEvent& progress) {
  messages.clear();
  const std::string folderText = WithSeparator(folder);
  const int total = CountPackFiles(folderText, subDirs);
  SZV6Files.clear();
  SZV63Files.clear();
  SZV6Packs.clear();
  SZV63Packs.clear();
  Sotrs.clear();
  ReportPeriods.clear();
  periodIndex_.clear();
  ReadPackFiles(folderText, subDirs, regNumbs, total, progress);
  if (SZV6Files.empty()) {
    Report(progress, kStageProtocol, kWait, 0, 100);
    return;
  }

  Report(progress, kStageFileSort, kWait, 0, 100);
  std::stable_sort(SZV6Files.begin(), SZV6Files.end(), Before);
  if (SZV63Files.size() >= 2) {
    SortFileRecs63(SZV63Files);
  }

  // Persons by key, and entries by (person, pack key): the first match, as a scan would find.
  std::unordered_map<std::string, int> personIndex;
  std::map<std::tuple<int, int, std::string, std::string>, int> packKeys;
  std::unordered_map<std::uint64_t, int> entryIndex;
  std::size_t documents = 0;
  for (const auto& pack : SZV6Packs) {
    documents += pack.Docs.size();
  }
  personIndex.reserve(documents / 4 + 16);
  entryIndex.reserve(documents);
  const int packCount = static_cast<int>(SZV6Files.size());
  for (int fileNumber = 1; fileNumber <= packCount; ++fileNumber) {
    Report(progress, kStagePersons, kWait, fileNumber, packCount);
    const TFileRec& rec = SZV6Files[static_cast<std::size_t>(fileNumber - 1)];
    TSZV6PackData& pack = SZV6Packs[static_cast<std::size_t>(rec.PackIndex)];
    const auto keyId = static_cast<std::uint64_t>(
        packKeys.try_emplace({rec.PeriodYear, rec.PeriodQuarter, rec.CategoryCode, pack.ContractType},
                             static_cast<int>(packKeys.size()))
            .first->second);
    const bool zeroed = IsZeroedCategory(rec.CategoryCode);
    const bool initial = rec.DataType == DataTypeInitial();
    const bool corrective = rec.DataType == DataTypeCorrective();
    const bool cancelling = rec.DataType == DataTypeCancelling();
    for (auto& doc : pack.Docs) {
      std::string key = NormalizeSNILS(doc.SNILS);
      auto [found, added] = personIndex.try_emplace(key, static_cast<int>(Sotrs.size()));
      if (added) {
        Sotrs.emplace_back();
      }
      const int person = found->second;
      TSZV6Sotr& sotr = Sotrs[static_cast<std::size_t>(person)];
      sotr.SNILS = std::move(key);
      sotr.LastName = doc.LastName;
      sotr.FirstName = doc.FirstName;
      sotr.MiddleName = doc.MiddleName;

      const auto takeAmounts = [&](TSZV6NU& entry) {
        entry.InsAccrued = zeroed ? 0 : doc.InsAccrued;
        entry.FundAccrued = zeroed ? 0 : doc.FundAccrued;
        entry.InsPaid = zeroed ? 0 : doc.InsPaid;
        entry.FundPaid = zeroed ? 0 : doc.FundPaid;
        // Each document is applied once, so its periods can move.
        entry.StageDates = std::move(doc.StageDates);
      };
      const std::uint64_t entryKey = (static_cast<std::uint64_t>(person) << 32) | keyId;
      const auto existing = entryIndex.find(entryKey);
      if (existing == entryIndex.end()) {
        if (initial || calcCorr) {
          TSZV6NU& entry = sotr.NUList.emplace_back();
          entry.Year = rec.PeriodYear;
          entry.Quarter = rec.PeriodQuarter;
          entry.CategoryCode = rec.CategoryCode;
          entry.ContractType = pack.ContractType;
          takeAmounts(entry);
          entry.FileIndex = fileNumber - 1;
          entry.Corrected = false;
          entryIndex.emplace(entryKey, static_cast<int>(sotr.NUList.size()) - 1);
        } else {
          messages.push_back(PrefixP6(doc, fileNumber) + kM1);
        }
        continue;
      }
      TSZV6NU& entry = sotr.NUList[static_cast<std::size_t>(existing->second)];
      if (initial) {
        messages.push_back(PrefixP6(doc, fileNumber) + kM4);
      } else if (corrective || cancelling) {
        if (corrective) {
          takeAmounts(entry);
        } else {
          entry.InsAccrued = entry.FundAccrued = entry.InsPaid = entry.FundPaid = 0;
          entry.StageDates.clear();
        }
        if (entry.Corrected) {
          messages.push_back(PrefixP6(doc, fileNumber) + (corrective ? kM2 : kM3) +
                             std::to_string(entry.FileIndex + 1));
        } else {
          entry.Corrected = true;
        }
        entry.FileIndex = fileNumber - 1;
      }
    }
    // The documents are folded in; their texts are not needed any more.
    pack = TSZV6PackData();
  }
  SZV6Packs.clear();
  SZV6Packs.shrink_to_fit();

  if (!Sotrs.empty() && !SZV63Packs.empty()) {
    const auto findPerson = [&](const std::string& snils) {
      const auto found = personIndex.find(NormalizeSNILS(snils));
      return found == personIndex.end() ? -1 : found->second;
    };
    // Initial packs first, then all others, each pass in the order the packs were found.
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t position = 0; position < SZV63Packs.size(); ++position) {
        const TSZV63PackData& pack = SZV63Packs[position];
        const bool initial = pack.DataType == DataTypeInitial();
        if (initial != (pass == 0)) {
          continue;
        }
        const auto fileNumber = static_cast<std::int32_t>(position + 1);
        for (const auto& doc : pack.Docs) {
          const int person = findPerson(doc.SNILS);
          if (person < 0) {
            messages.push_back(PrefixP63(doc) + (initial ? kM5 : kM78) + std::to_string(pack.Year) +
                               kM57Category + pack.CategoryCode + kM57End);
            continue;
          }
          auto& list = Sotrs[static_cast<std::size_t>(person)].NU63List;
          int entryAt = FindNU63(person, pack.Year, pack.CategoryCode, pack.ContractType);
          if (initial && entryAt >= 0) {
            messages.push_back(PrefixP63(doc) + kM6Pack + std::to_string(pack.PackNumber) + kM6Duplicate +
                               std::to_string(pack.Year) + kM6Category + pack.CategoryCode + kM6Contract +
                               pack.ContractType);
            continue;
          }
          if (entryAt < 0) {
            if (!initial && !calcCorr) {
              messages.push_back(PrefixP63(doc) + kM78 + std::to_string(pack.Year) + kM57Category +
                                 pack.CategoryCode + kM8End);
              continue;
            }
            list.emplace_back();
            entryAt = static_cast<int>(list.size()) - 1;
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
  SZV63Packs.clear();
  SZV63Packs.shrink_to_fit();

  if (!Sotrs.empty()) {
    Report(progress, kStagePersonSort, kWait, 0, 100);
    const auto& units = CodeUnits();
    const auto less = [&units](const std::string& a, const std::string& b) {
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&units](char left, char right) {
        return units[static_cast<unsigned char>(left)] < units[static_cast<unsigned char>(right)];
      });
    };
    std::stable_sort(Sotrs.begin(), Sotrs.end(), [&less](const TSZV6Sotr& a, const TSZV6Sotr& b) {
      if (a.LastName != b.LastName) return less(a.LastName, b.LastName);
      if (a.FirstName != b.FirstName) return less(a.FirstName, b.FirstName);
      return less(a.MiddleName, b.MiddleName);
    });
    Report(progress, kStagePeriodSort, kWait, 0, 100);
    std::stable_sort(ReportPeriods.begin(), ReportPeriods.end(), [](const TReportPeriod& a, const TReportPeriod& b) {
      return a.Year != b.Year ? a.Year < b.Year : a.Quarter < b.Quarter;
    });
  }
  Report(progress, kStageProtocol, kWait, 0, 100);
}

// =============================================================================================
// Queries

namespace {

std::uint64_t PeriodKey(std::int32_t year, std::int32_t quarter) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(year)) << 32) | static_cast<std::uint32_t>(quarter);
}

// Adds one entry to the sums of its period, as GetPeriodSums does entry by entry.
void AddEntry(TPeriodSums& sums, const TSZV6NU& entry, int year) {
  sums.InsAccrued = AddAmount(sums.InsAccrued, entry.InsAccrued);
  sums.FundAccrued = AddAmount(sums.FundAccrued, entry.FundAccrued);
  sums.InsPaid = AddAmount(sums.InsPaid, entry.InsPaid);
  sums.FundPaid = AddAmount(sums.FundPaid, entry.FundPaid);
  if (!sums.FileNumbers.empty()) {
    sums.FileNumbers += ", ";
  }
  sums.FileNumbers += std::to_string(entry.FileIndex + 1);
  // Both in ten-thousandths, so their quotient is the base in roubles.
  sums.EstimatedBase = (static_cast<double>(entry.InsAccrued) + static_cast<double>(entry.FundAccrued)) /
                       static_cast<double>(GetTariff(year, entry.CategoryCode));
}

}  // namespace

bool TFileSet::HasPeriodData(int person, int year, int quarter) const {
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter) {
      return true;
    }
  }
  return false;
}

TPeriodSums TFileSet::GetPeriodSums(int person, int year, int quarter) const {
  TPeriodSums sums;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter) {
      AddEntry(sums, entry, year);
    }
  }
  return sums;
}

namespace {

// Positions of periods in a period list, by first occurrence: a short list is scanned, a long one
// indexed, so that a folder with thousands of periods costs no scan per period.
class TPeriodLookup {
 public:
  explicit TPeriodLookup(const std::vector<TReportPeriod>& periods) : keys_(periods.size()) {
    for (std::size_t position = 0; position < periods.size(); ++position) {
      keys_[position] = PeriodKey(periods[position].Year, periods[position].Quarter);
    }
    if (keys_.size() > kScanned) {
      index_.reserve(keys_.size());
      for (std::size_t position = 0; position < keys_.size(); ++position) {
        index_.try_emplace(keys_[position], position);
      }
    }
  }

  // The first position of the period, or the list's length when it is not listed.
  std::size_t Find(std::int32_t year, std::int32_t quarter) const { return Find(PeriodKey(year, quarter)); }

  std::size_t Find(std::uint64_t key) const {
    if (keys_.size() > kScanned) {
      const auto found = index_.find(key);
      return found == index_.end() ? keys_.size() : found->second;
    }
    return static_cast<std::size_t>(std::find(keys_.begin(), keys_.end(), key) - keys_.begin());
  }

  // Where a period listed twice (only by hand) takes its sums from.
  std::size_t FirstOf(std::size_t position) const { return Find(keys_[position]); }

 private:
  static constexpr std::size_t kScanned = 32;
  std::vector<std::uint64_t> keys_;
  std::unordered_map<std::uint64_t, std::size_t> index_;
};

void CopyRepeatedPeriods(const TPeriodLookup& lookup, std::vector<TPeriodSums>& sums) {
  for (std::size_t position = 0; position < sums.size(); ++position) {
    const std::size_t first = lookup.FirstOf(position);
    if (first != position) {
      sums[position] = sums[first];
    }
  }
}

}  // namespace

std::vector<TPeriodSums> TFileSet::GetPeriodSumsByPeriod(int person) const {
  std::vector<TPeriodSums> result(ReportPeriods.size());
  const TPeriodLookup lookup(ReportPeriods);
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    const std::size_t position = lookup.Find(entry.Year, entry.Quarter);
    if (position < result.size()) {
      AddEntry(result[position], entry, entry.Year);
    }
  }
  CopyRepeatedPeriods(lookup, result);
  return result;
}

std::vector<TPeriodSums> TFileSet::GetPeriodTotalsByPeriod() const {
  std::vector<TPeriodSums> result(ReportPeriods.size());
  const TPeriodLookup lookup(ReportPeriods);
  for (const auto& sotr : Sotrs) {
    for (const auto& entry : sotr.NUList) {
      const std::size_t position = lookup.Find(entry.Year, entry.Quarter);
      if (position < result.size()) {
        TPeriodSums& totals = result[position];
        totals.InsAccrued = AddAmount(totals.InsAccrued, entry.InsAccrued);
        totals.FundAccrued = AddAmount(totals.FundAccrued, entry.FundAccrued);
        totals.InsPaid = AddAmount(totals.InsPaid, entry.InsPaid);
        totals.FundPaid = AddAmount(totals.FundPaid, entry.FundPaid);
      }
    }
  }
  CopyRepeatedPeriods(lookup, result);
  return result;
}

TCategorySums TFileSet::GetCategorySums(int person, int year, int quarter, const std::string& categoryCode) const {
  TCategorySums sums;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter && entry.CategoryCode == categoryCode) {
      sums.InsAccrued = AddAmount(sums.InsAccrued, entry.InsAccrued);
      sums.FundAccrued = AddAmount(sums.FundAccrued, entry.FundAccrued);
    }
  }
  return sums;
}

void TFileSet::GetPeriodCategories(int person, int year, int quarter, std::vector<std::string>& list) const {
  list.clear();
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    if (entry.Year == year && entry.Quarter == quarter && (entry.InsAccrued > 0 || entry.FundAccrued > 0)) {
      list.push_back(entry.CategoryCode);
    }
  }
}

void TFileSet::GetCategories63(int person, int year, std::vector<std::string>& list) const {
  list.clear();
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NU63List) {
    if (entry.Year == year) {
      list.push_back(entry.CategoryCode);
    }
  }
}

TQuarterSums63 TFileSet::GetQuarterSums63(int person, int year, const std::string& categoryCode, int quarter) const {
  TQuarterSums63 sums;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NU63List) {
    if (entry.Year != year || entry.CategoryCode != categoryCode) {
      continue;
    }
    if (!sums.FileNumbers.empty()) {
      sums.FileNumbers += ',';
    }
    sums.FileNumbers += std::to_string(entry.FileNumber);
    if (quarter < 1 || quarter > 4) {
      continue;
    }
    for (int month = quarter * 3 - 2; month <= quarter * 3; ++month) {
      sums.Total = AddAmount(sums.Total, entry.Months[static_cast<std::size_t>(month)].Total);
      sums.Taxable = AddAmount(sums.Taxable, entry.Months[static_cast<std::size_t>(month)].Taxable);
    }
  }
  return sums;
}

TAmount TFileSet::GetYearTaxable63(int person, int year) const {
  TAmount taxable = 0;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NU63List) {
    if (entry.Year == year) {
      for (int month = 1; month <= 12; ++month) {
        taxable = AddAmount(taxable, entry.Months[static_cast<std::size_t>(month)].Taxable);
      }
    }
  }
  return taxable;
}

TDate TFileSet::GetLastStageEnd(int person) const {
  bool any = false;
  TDate latest = 0;
  for (const auto& entry : Sotrs[static_cast<std::size_t>(person)].NUList) {
    for (const auto& stage : entry.StageDates) {
      if (!any || stage.EndDate > latest) {
        latest = stage.EndDate;
        any = true;
      }
    }
  }
  return latest;
}

TPeriodSums TFileSet::GetPeriodTotals(int year, int quarter) const {
  TPeriodSums totals;
  for (const auto& sotr : Sotrs) {
    for (const auto& entry : sotr.NUList) {
      if (entry.Year == year && entry.Quarter == quarter) {
        totals.InsAccrued = AddAmount(totals.InsAccrued, entry.InsAccrued);
        totals.FundAccrued = AddAmount(totals.FundAccrued, entry.FundAccrued);
        totals.InsPaid = AddAmount(totals.InsPaid, entry.InsPaid);
        totals.FundPaid = AddAmount(totals.FundPaid, entry.FundPaid);
      }
    }
  }
  return totals;
}

TSotrCheck TFileSet::CheckSotr(int person, std::vector<std::string>& notes) const {
  return CheckSotr(person, GetPeriodSumsByPeriod(person), notes);
}

TSotrCheck TFileSet::CheckSotr(int person, const std::vector<TPeriodSums>& periodSums,
                               std::vector<std::string>& notes) const {
  notes.clear();
  TSotrCheck result;
  bool markError = false;
  bool markDismissal = false;
  TAmount insAccrued = 0;
  TAmount fundAccrued = 0;
  TAmount insPaid = 0;
  TAmount fundPaid = 0;
  double yearBase = 0;
  TDate lastEnd = 0;
  for (std::size_t position = 0; position < ReportPeriods.size(); ++position) {
    const TReportPeriod& period = ReportPeriods[position];
    const std::string when = std::to_string(period.Quarter) + "/" + std::to_string(period.Year);
    const TPeriodSums& sums = periodSums[position];
    if (sums.EstimatedBase > 0) {
      yearBase += sums.EstimatedBase;
    }
    // Negative corrections do not lower the running totals.
    if (sums.InsAccrued > 0) insAccrued = AddAmount(insAccrued, sums.InsAccrued);
    if (sums.FundAccrued > 0) fundAccrued = AddAmount(fundAccrued, sums.FundAccrued);
    if (sums.InsPaid > 0) insPaid = AddAmount(insPaid, sums.InsPaid);
    if (sums.FundPaid > 0) fundPaid = AddAmount(fundPaid, sums.FundPaid);
    if (std::round(yearBase * 100.0) / 100.0 > GetBaseLimit(period.Year)) {
      notes.push_back(kWarning + when + kBaseExcess + FormatSum(RoublesToAmount(yearBase)) + kRouble);
      yearBase = 0;
      markError = true;
    }
    if (insAccrued < insPaid) {
      notes.push_back(kError + when + kInsExcess + FormatSum(insAccrued) + kPaid + FormatSum(insPaid));
      markError = true;
      result.SaldoFlags |= SaldoOverpaid;
    }
    if (fundAccrued < fundPaid) {
      notes.push_back(kError + when + kFundExcess + FormatSum(fundAccrued) + kPaid +
                      FormatSum(fundPaid));
      markError = true;
      result.SaldoFlags |= SaldoOverpaid;
    }
    if (IsLastPeriodOfYear(period.Year, period.Quarter)) {
      yearBase = 0;
    }
    lastEnd = PeriodEndDate(period.Year, period.Quarter);
  }
  if (GetLastStageEnd(person) < lastEnd) {
    if (insPaid < insAccrued) {
      notes.push_back(kWarning + kDebt + FormatSum(SubAmount(insAccrued, insPaid)) + kIns);
      markDismissal = true;
    }
    if (fundPaid < fundAccrued) {
      notes.push_back(kWarning + kDebt + FormatSum(SubAmount(fundAccrued, fundPaid)) + kFund);
      markDismissal = true;
    }
  }
  if (insPaid < insAccrued || fundPaid < fundAccrued) {
    result.SaldoFlags |= SaldoDebt;
  }
  result.StyleClass = markError ? (markDismissal ? "hvp" : "p") : (markDismissal ? "hv" : "norm");
  return result;
}

int TFileSet::GetLastYear63() const {
  bool any = false;
  int latest = 0;
  for (const auto& file : SZV63Files) {
    if (!any || file.Year > latest) {
      latest = file.Year;
      any = true;
    }
  }
  return latest;
}

bool TFileSet::SaldoMatches(int saldoFlags, int filter) {
  switch (filter) {
    case 1: return saldoFlags != 0;
    case 2: return (saldoFlags & SaldoDebt) != 0;
    case 3: return (saldoFlags & SaldoOverpaid) != 0;
    default: return true;
  }
}

}  // namespace brisolt
