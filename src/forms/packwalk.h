// Reading packs as their document is walked, without building its tree: the way the file set reads
// most pack files. What it gives is what the readers of TSZV6File (without the details) and
// TSZV63File give from the document's tree.
#pragma once

#include "forms/szv6.h"
#include "forms/szv63.h"
#include "xml/xmlwork.h"

namespace brisolt {

struct TPacksFound {
  bool SZV6 = false;   // TSZV6File::LoadFromDocument's answer
  bool SZV63 = false;  // TSZV63File::LoadFromDocument's answer
};

// Reads `document`, loaded but not parsed (TXMLFile::LoadFromFile), into both packs at once, the
// СЗВ-6 pack without its details whatever its ReadDetails, when the document nests simply (see
// TXMLFile::Walk) and every value reads. True then, with `found` set and the document left
// unparsed. False, with nothing decided, for any other document, and for one with a value that
// does not read (a date): the packs are then to be read from the document's tree, starting from
// new pack objects.
bool ReadPacksWalking(TXMLFile& document, TSZV6File& szv6, TSZV63File& szv63, TPacksFound& found);

}  // namespace brisolt
