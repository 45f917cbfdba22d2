#include "protocol/protescape.h"

#include <array>
#include <cstddef>

#include "base/encoding.h"

namespace brisolt {

namespace {

// What one windows-1251 byte becomes in an output: at most an entity or a JSON escape.
struct TByteText {
  char Bytes[7] = {};
  unsigned char Size = 0;
};
using TByteTable = std::array<TByteText, 256>;

template <typename TOneByte>
TByteTable MakeTable(TOneByte oneByte) {
  TByteTable table{};
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text = oneByte(static_cast<unsigned char>(byte));
    TByteText& entry = table[static_cast<std::size_t>(byte)];
    text.copy(entry.Bytes, sizeof entry.Bytes);
    entry.Size = static_cast<unsigned char>(text.size());
  }
  return table;
}

std::string AsUtf8(unsigned char byte) {
  const char character = static_cast<char>(byte);
  return Cp1251ToUtf8(std::string_view(&character, 1));
}

std::string MarkupByte(unsigned char byte, TMarkupRules rules) {
  if (IsUnwritableCp1251(byte)) return std::string(1, kUnwritableMark);
  switch (byte) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return rules.Quote ? "&quot;" : "\"";
    default: return rules.Utf8 ? AsUtf8(byte) : std::string(1, static_cast<char>(byte));
  }
}

const TByteTable& MarkupTable(TMarkupRules rules) {
  static const std::array<TByteTable, 4> tables = [] {
    std::array<TByteTable, 4> result{};
    for (int index = 0; index < 4; ++index) {
      const TMarkupRules each{(index & 2) != 0, (index & 1) != 0};
      result[static_cast<std::size_t>(index)] = MakeTable([each](unsigned char byte) { return MarkupByte(byte, each); });
    }
    return result;
  }();
  return tables[(rules.Quote ? 2u : 0u) + (rules.Utf8 ? 1u : 0u)];
}

const TByteTable& JsonTable() {
  static const TByteTable table = MakeTable([](unsigned char byte) -> std::string {
    static constexpr char kHex[] = "0123456789abcdef";
    if (IsUnwritableCp1251(byte)) return std::string(1, kUnwritableMark);
    if (byte == '"' || byte == '\\') return std::string{'\\', static_cast<char>(byte)};
    if (byte < 0x20) return std::string("\\u00") + kHex[byte >> 4] + kHex[byte & 0xF];
    return AsUtf8(byte);
  });
  return table;
}

// Appends the text through the table, copying runs of bytes that stand for themselves at once.
void AppendThrough(std::string& out, std::string_view cp1251, const TByteTable& table) {
  std::size_t plain = 0;
  for (std::size_t at = 0; at < cp1251.size(); ++at) {
    const TByteText& entry = table[static_cast<unsigned char>(cp1251[at])];
    if (entry.Size == 1 && entry.Bytes[0] == cp1251[at]) {
      continue;
    }
    out.append(cp1251.data() + plain, at - plain);
    out.append(entry.Bytes, entry.Size);
    plain = at + 1;
  }
  out.append(cp1251.data() + plain, cp1251.size() - plain);
}

bool RunsAsFormula(std::string_view field) {
  if (!field.empty() && (field[0] == '\t' || field[0] == '\r')) {
    return true;
  }
  const std::size_t first = field.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && std::string_view("=+-@").find(field[first]) != std::string_view::npos;
}

}  // namespace

void AppendMarkup(std::string& out, std::string_view cp1251, TMarkupRules rules) {
  AppendThrough(out, cp1251, MarkupTable(rules));
}

void AppendJsonString(std::string& out, std::string_view cp1251) { AppendThrough(out, cp1251, JsonTable()); }

void AppendCsvField(std::string& out, std::string_view cp1251) {
  const std::string field = Cp1251ToUtf8(CleanCp1251Text(cp1251));
  // Every field quoted: an import that splits at commas, semicolons or tabs alike keeps it whole.
  out += '"';
  if (RunsAsFormula(field)) out += '\'';
  for (const char ch : field) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

}  // namespace brisolt
