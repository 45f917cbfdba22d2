#include "xml/xmlwork.h"

namespace brisolt {

bool TXMLElement::ParseChildren() { Children.clear(); return false; }

const TXMLElement* TXMLElement::Child(std::string_view name) const {
  for (const TXMLElement& child : Children) {
    if (child.Name == name) return &child;
  }
  return nullptr;
}

bool TXMLFile::LoadFromFile(const std::string&) { Content.clear(); return false; }
bool TXMLFile::Parse() { Declaration.clear(); Root.reset(); return false; }

std::string_view TrimBlanks(std::string_view text) { return text; }
std::size_t PosFrom(std::string_view, std::string_view, std::size_t) { return 0; }
std::string NormalizeBlanks(std::string_view text) { return std::string(text); }
std::vector<TXMLAttribute> ParseAttributes(std::string_view) { return {}; }

}  // namespace brisolt
