// Engine-internal: the folder walk shared by the file set's discovery (sverka_discovery.cpp) and
// its loading (sverka.cpp). Folder texts are in the platform's narrow encoding.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace brisolt {

// The folder text with a trailing separator; an empty text stays empty (the current folder).
std::string WithSeparator(const std::string& folder);

// visit(folder text ending in a separator, names of the folder's pack files in the fixed order).
using TFolderVisit = std::function<void(const std::string& folder, const std::vector<std::string>& packFiles)>;

// Calls visit for every folder of the tree, sub-folders first, pack file names ordered by their
// Unicode upper case (the raw name breaking ties) on every platform. A folder reached twice
// (through links) is walked once, so a link cycle cannot trap the walk. `folder` ends in a
// separator or is empty.
void WalkPackFolders(const std::string& folder, bool subDirs, const TFolderVisit& visit);

// What could not be walked: a folder that could not be listed, an entry named like a pack whose
// kind could not be told or that is not a regular file. Reason in UTF-8.
struct TWalkFailure {
  std::string Name;  // folder text without its trailing separator, or folder text + file name
  bool IsFolder = false;
  bool IsTop = false;  // the folder the walk started from
  std::string Reason;
};

// The same walk, also telling what could not be walked.
void WalkPackFolders(const std::string& folder, bool subDirs, const TFolderVisit& visit,
                     std::vector<TWalkFailure>& failures);


}  // namespace brisolt
