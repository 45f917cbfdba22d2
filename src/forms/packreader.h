// The one reader of pack files: the values of СЗВ-6 and СЗВ-6-3 packs are taken from the element
// events of their document (see TXMLHandler), whether the document is walked as it stands or its
// tree is replayed.
#pragma once

#include <optional>

#include "base/date.h"
#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/xmlwork.h"

namespace brisolt {

// What one reading found. Each pack kind is read on its own: a value of one kind that does not
// read (a date) ends the reading of that kind there, what was read before it staying in its pack,
// while the other kind reads on; the failure is kept here for whoever takes that pack to raise.
struct TPacksFound {
  bool SZV6 = false;   // at least one СЗВ-6 document was met
  bool SZV63 = false;  // at least one СЗВ-6-3 document was met
  std::optional<EConvertError> SZV6Failure;
  std::optional<EConvertError> SZV63Failure;
};

// Reads `document`, loaded but not parsed (TXMLFile::LoadFromFile), into the packs given; a null
// pack's kind is not read. Each pack is cleared first (see its Clear). A document that nests
// simply is read as it is walked, in one pass; any other is parsed and its tree replayed. False,
// with the packs as cleared and `found` empty, when the document does not parse.
bool ReadPacks(TXMLFile& document, TSZV6File* szv6, TSZV63File* szv63, TPacksFound& found);

// Reads the СЗВ-6 pack of a document's head (TXMLFile::LoadHeadFromFile) as ReadPacks would,
// as far as the end of its first document: the header and that document. True when the head held
// them (or a first document of another kind, which leaves `found` without SZV6); false, with the
// pack as it was, when the walk ended before, for whatever reason: the whole file then has to be
// read.
bool ReadPackHead(TXMLFile& head, TSZV6File& szv6, TPacksFound& found);

// The same from a document that Parse has already read.
void ReplayPacks(const TXMLFile& parsed, TSZV6File* szv6, TSZV63File* szv63, TPacksFound& found);

}  // namespace brisolt
