// Finding pack files: the folder walk, the name order and the pack mask, the list of insurers a
// folder holds, and the registration-number list the user types.
#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "base/encoding.h"
#include "engine/constants.h"
#include "engine/sverka.h"
#include "engine/sverka_folders.h"
#include "engine/sverka_messages.h"
#include "forms/szv6.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;

// Folder listing. The order is fixed on every platform: names by their Unicode upper case, the
// raw name breaking ties; the pack mask is matched here, not by the platform.

// UTF-8 to code points; a byte that is not part of a well-formed sequence stands for itself in
// the U+DC80..U+DCFF range, so that distinct names keep distinct keys.
std::u32string DecodeName(std::string_view name) {
  std::u32string result;
  result.reserve(name.size());
  std::size_t index = 0;
  while (index < name.size()) {
    const std::size_t start = index;
    char32_t code = 0;
    if (!NextUtf8(name, index, code)) {
      code = 0xDC00 + static_cast<unsigned char>(name[start]);
    }
    result.push_back(code);
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

struct TFolderListing {
  std::vector<std::string> Folders;    // not beginning with "."
  std::vector<std::string> PackFiles;  // regular files matching the mask
};

std::string FolderName(const std::string& folder) {
  std::string name = folder;
  while (name.size() > 1 && (name.back() == '/' || name.back() == static_cast<char>(fs::path::preferred_separator))) {
    name.pop_back();
  }
  return name.empty() ? std::string(".") : name;
}

TFolderListing ListFolder(const std::string& folder, std::vector<TWalkFailure>* failures) {
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
    } else {
      const bool regular = !statusError && entry.is_regular_file(statusError);
      std::u32string key = UpperKey(name);
      if (MatchesMask(key, UpperMask())) {
        if (regular) {
          entries.push_back({std::move(key), std::move(name), false});
        } else if (failures != nullptr) {
          failures->push_back({folder + name, false, false, statusError ? statusError.message() : "не обычный файл"});
        }
      }
    }
    iterator.increment(error);
  }
  if (error && failures != nullptr) {
    failures->push_back({FolderName(folder), true, false, error.message()});
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

void WalkFolder(const std::string& folder, bool subDirs, std::set<std::string>& walked, const TFolderVisit& visit,
                std::vector<TWalkFailure>* failures) {
  std::error_code error;
  const fs::path real = fs::weakly_canonical(folder.empty() ? fs::path(".") : PathFromNative(folder), error);
  if (!error && !walked.insert(NativeFromPath(real)).second) {
    return;
  }
  TFolderListing listing = ListFolder(folder, failures);
  if (subDirs) {
    for (const auto& name : listing.Folders) {
      WalkFolder(folder + name + static_cast<char>(fs::path::preferred_separator), true, walked, visit, failures);
    }
  }
  visit(folder, listing.PackFiles);
}

}  // namespace

std::string WithSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '/' || folder.back() == static_cast<char>(fs::path::preferred_separator)) {
    return folder;
  }
  return folder + static_cast<char>(fs::path::preferred_separator);
}

void WalkPackFolders(const std::string& folder, bool subDirs, const TFolderVisit& visit) {
  std::set<std::string> walked;
  WalkFolder(folder, subDirs, walked, visit, nullptr);
}

void WalkPackFolders(const std::string& folder, bool subDirs, const TFolderVisit& visit,
                     std::vector<TWalkFailure>& failures) {
  std::set<std::string> walked;
  const std::size_t before = failures.size();
  WalkFolder(folder, subDirs, walked, visit, &failures);
  for (std::size_t index = before; index < failures.size(); ++index) {
    failures[index].IsTop = failures[index].IsFolder && failures[index].Name == FolderName(folder);
  }
}

bool MatchesPackFileMask(const std::string& name) { return MatchesMask(UpperKey(name), UpperMask()); }

int TFileSet::CountPackFiles(const std::string& folder, bool subDirs) {
  int count = 0;
  WalkPackFolders(WithSeparator(folder), subDirs,
             [&](const std::string&, const std::vector<std::string>& files) { count += static_cast<int>(files.size()); });
  return count;
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
                            std::vector<std::string>& regNumbs, const TProgressEvent& progress) {
  std::unordered_set<std::string> known;
  for (const auto& number : regNumbs) {
    known.insert(Cp1251UpperCase(number));
  }
  // Every pack of a large folder is read, as far as its first document (the rest of a pack names
  // no other insurer): the count first, so that the progress has its end.
  const int total = progress ? CountPackFiles(folder, subDirs) : 0;
  int done = 0;
  WalkPackFolders(WithSeparator(folder), subDirs, [&](const std::string& folderText, const std::vector<std::string>& files) {
    // One object per folder, reused: a pack without a form or a name shows the previous file's.
    TSZV6File pack;
    for (const auto& name : files) {
      if (progress) {
        progress("Поиск страхователей", NameToUtf8(name), done, std::max(total, done));
      }
      ++done;
      pack.FileName = folderText + name;
      bool loaded = false;
      try {
        loaded = pack.LoadHead();
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


}  // namespace brisolt
