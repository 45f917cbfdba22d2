// The one boundary where the protocol's windows-1251 text becomes the text of an output format:
// markup (the HTML page, the XML spreadsheet, the XLSX parts' text and attributes) through one
// function whose rules are parameters, a JSON string and a CSV field through one each. All of
// them take the bytes no protocol carries (IsUnwritableCp1251, base/encoding.h) alike, and all
// convert to UTF-8 by the one code page table (Cp1251ToUtf8).
#pragma once

#include <string>
#include <string_view>

namespace brisolt {

struct TMarkupRules {
  bool Quote = false;  // '"' as &quot;, for attribute values
  bool Utf8 = false;   // the result in UTF-8 rather than in windows-1251
};
inline constexpr TMarkupRules kPageText{false, false};       // HTML and the XML spreadsheet
inline constexpr TMarkupRules kPageAttribute{true, false};
inline constexpr TMarkupRules kXlsxText{false, true};
inline constexpr TMarkupRules kXlsxAttribute{true, true};

// & < > (and " where the rules say) as entities, the bytes no protocol carries as "?".
void AppendMarkup(std::string& out, std::string_view cp1251, TMarkupRules rules);

// The contents of a JSON string, without its quotes: UTF-8 with " and \ escaped and the control
// characters left (tab, CR, LF) as \u00XX.
void AppendJsonString(std::string& out, std::string_view cp1251);

// One CSV field in UTF-8 for a spreadsheet, always quoted (an import that splits at commas or tabs
// keeps it whole); begun with an apostrophe where a spreadsheet would run it as a formula, that is where it begins
// with = + - @ after the blanks, tabs and line breaks a spreadsheet drops, or with a tab or CR.
void AppendCsvField(std::string& out, std::string_view cp1251);

}  // namespace brisolt
