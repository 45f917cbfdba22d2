// Engine-internal: reading one candidate file of the file set, on whichever thread. Nothing here
// touches the file set: the loading takes the results in the fixed order of the files.
#pragma once

#include <exception>
#include <string>
#include <unordered_set>

#include "engine/sverka.h"
#include "xml/xmlwork.h"

namespace brisolt {

// What one candidate file gave: a wanted СЗВ-6 pack, a СЗВ-6-3 pack, or nothing.
struct TReadResult {
  enum class TKind { None, SZV6, SZV63 };
  TKind Kind = TKind::None;
  TFileRec Rec;  // all but PackIndex, which the order of acceptance decides
  std::string RegNumbUpper;  // a СЗВ-6 pack's registration number, upper-cased
  TSZV6PackData SZV6;
  TSZV63PackData SZV63;
  // An unreadable date, as EConvertError naming the file; raised when the file's turn comes.
  std::exception_ptr Failure;
  // Why the file could not be read (UTF-8); empty when it was read, pack or not.
  std::string LoadError;
};

// Reads candidate files one after another, each worker thread with a reader of its own. The
// document's memory (the file's bytes) stays with the reader from file to file: a new block for
// every file would come from the system afresh, a page fault for every page of every file, which
// a large folder pays in seconds of system time. Nothing else of a file outlives its reading, so
// a file gives the same result whatever was read before it.
class TCandidateReader {
 public:
  // Reads and parses `fileName`. A СЗВ-6 pack counts when its registration number, upper-cased,
  // is in `wantedUpper`; a file that is not such a pack is offered to the СЗВ-6-3 reader. A file
  // that cannot be read, or is not a whole document (empty, cut short), gives nothing but
  // LoadError.
  TReadResult Read(const std::string& fileName, const std::unordered_set<std::string>& wantedUpper);

 private:
  void ReadInto(TReadResult& result, const std::string& fileName, const std::unordered_set<std::string>& wantedUpper);

  TXMLFile document_;
};

}  // namespace brisolt
