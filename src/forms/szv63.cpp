#include "forms/szv63.h"

#include "xml/xmlwork.h"

namespace brisolt {

void TSZV63File::Clear() {
  Docs.clear();
  PackNumber = 0;
  DataType.clear();
  Year = 0;
  OrgName.clear();
  RegNumb.clear();
  CategoryCode.clear();
  ContractType.clear();
  CompileDate = 0;
}

bool TSZV63File::Load() { Clear(); return false; }
bool TSZV63File::LoadFromContent(std::string) { Clear(); return false; }
bool TSZV63File::LoadFromDocument(const TXMLFile&) { Clear(); return false; }

}  // namespace brisolt
