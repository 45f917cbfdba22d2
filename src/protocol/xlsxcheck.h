// The check of a finished workbook before it replaces anything: a library that writes through
// temporary files may report success after its writes failed, leaving a zip whose parts are
// empty or cut short. Part of the XLSX writer's library, as it needs zlib.
#pragma once

#include <string>

namespace brisolt {

// Empty when the file at `fileName` (platform encoding) is a whole zip: an end record, a central
// directory within the file, and for every part a local header that agrees with it, data that
// inflates to the recorded size and CRC, and, for an XML part, a document that ends with the
// closing tag of its root element. Otherwise what is wrong, in Russian.
std::string WorkbookDefect(const std::string& fileName);

}  // namespace brisolt
