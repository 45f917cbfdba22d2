// Pieces of reading that the СЗВ-6 and СЗВ-6-3 packs share. Internal to src/forms.
#pragma once

#include <cstdint>
#include <string>

#include "forms/szv6.h"

namespace brisolt {

class TXMLElement;

// True when the root is the packs' "ФайлПФР".
bool IsPackRoot(const TXMLFile& document);

// One child of an inventory: compiler, pack number, type of data, category, compile date. False
// when the child is none of these.
bool ReadPackHeader(const TXMLElement& item, std::string& orgName, std::string& regNumb,
                    std::string& shortName, std::int32_t& packNumber, std::string& dataType,
                    std::string& categoryCode, TDate& compileDate);

// One child of a document: insurance number, full name, fill date. False when it is none of these.
bool ReadPersonItem(const TXMLElement& item, std::string& snils, std::string& lastName,
                    std::string& firstName, std::string& middleName, TDate& fillDate);

}  // namespace brisolt
