// The cells of a written workbook, read back from the file alone: sheet names, each cell's text or
// number, its look (font, fill, number format), merges and frozen panes, for the XML spreadsheet
// and (where built) the XLSX workbook.
// Good enough for the files the writers make, not a general reader of either format.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifdef BRISOLT_HAVE_XLSX
#include <zlib.h>
#endif

#include "base/encoding.h"

namespace brisolt::testing {

// What a cell's style shows, in the XML spreadsheet's terms: colours as "#RRGGBB", the number
// format as its code ("Short Date" for the built-in date). Empty: the program's default.
struct TGridLook {
  std::string FontColor;
  bool Bold = false;
  std::string Fill;
  std::string NumberFormat;
  friend bool operator==(const TGridLook&, const TGridLook&) = default;
};

inline std::string Describe(const TGridLook& look) {
  return "font " + (look.FontColor.empty() ? std::string("default") : look.FontColor) +
         (look.Bold ? " bold" : "") + ", fill " + (look.Fill.empty() ? std::string("none") : look.Fill) +
         ", format " + (look.NumberFormat.empty() ? std::string("General") : look.NumberFormat);
}

struct TGridCell {
  std::string Text;  // UTF-8; for a number the text as written
  TGridLook Look;
  bool Number = false;
  double Value = 0;
  int Down = 0;
  int Across = 0;
};

struct TGridSheet {
  std::string Name;  // UTF-8
  std::map<std::pair<int, int>, TGridCell> Cells;  // 0-based row, column
  int Rows = 0;
  int FrozenRows = 0;
  int FrozenColumns = 0;
  int FilterDataRow = -1;  // 0-based first row under an autofilter's header; -1: no filter

  const TGridCell* At(int row, int column) const {
    const auto found = Cells.find({row, column});
    return found == Cells.end() ? nullptr : &found->second;
  }
  // The text of the cell that covers (row, column), merged or not; empty where none does.
  std::string CoveringText(int row, int column) const {
    for (const auto& [place, cell] : Cells) {
      if (place.first <= row && row <= place.first + cell.Down && place.second <= column &&
          column <= place.second + cell.Across) {
        return cell.Text;
      }
    }
    return {};
  }
};

using TGrid = std::vector<TGridSheet>;

namespace grid_detail {

inline std::string Between(const std::string& text, std::size_t& pos, const std::string& open,
                           const std::string& close) {
  const std::size_t start = text.find(open, pos);
  if (start == std::string::npos) {
    pos = std::string::npos;
    return {};
  }
  const std::size_t end = text.find(close, start + open.size());
  pos = end + close.size();
  return text.substr(start + open.size(), end - start - open.size());
}

inline std::string Attribute(const std::string& tag, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const std::size_t start = tag.find(key);
  if (start == std::string::npos) {
    return {};
  }
  const std::size_t end = tag.find('"', start + key.size());
  return tag.substr(start + key.size(), end - start - key.size());
}

inline std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] != '&') {
      out += text[pos];
      continue;
    }
    const std::size_t end = text.find(';', pos);
    const std::string entity = text.substr(pos + 1, end - pos - 1);
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else if (entity == "#10" || entity == "#xA") out += '\n';
    else throw std::runtime_error("unknown entity " + entity);
    pos = end;
  }
  return out;
}

inline int IntOr(const std::string& text, int fallback) {
  return text.empty() ? fallback : std::atoi(text.c_str());
}

}  // namespace grid_detail

// The looks of the XML spreadsheet's styles by their ids.
inline std::map<std::string, TGridLook> XmlLooks(const std::string& workbook) {
  using namespace grid_detail;
  std::map<std::string, TGridLook> looks;
  for (std::size_t pos = 0; (pos = workbook.find("<Style ", pos)) != std::string::npos;) {
    const std::size_t end = workbook.find("</Style>", pos);
    const std::string style = workbook.substr(pos, end - pos);
    pos = end;
    TGridLook& look = looks[Attribute(style.substr(0, style.find('>')), "ss:ID")];
    std::size_t at = 0;
    const std::string font = Between(style, at, "<Font", ">");
    look.FontColor = Attribute(font, "ss:Color");
    look.Bold = Attribute(font, "ss:Bold") == "1";
    at = 0;
    const std::string interior = Between(style, at, "<Interior", ">");
    if (Attribute(interior, "ss:Pattern") == "Solid") {
      look.Fill = Attribute(interior, "ss:Color");
    }
    at = 0;
    look.NumberFormat = Attribute(Between(style, at, "<NumberFormat", ">"), "ss:Format");
  }
  return looks;
}

// The XML spreadsheet (windows-1251 text).
inline TGrid XmlGrid(const std::string& workbook) {
  using namespace grid_detail;
  const std::map<std::string, TGridLook> looks = XmlLooks(workbook);
  TGrid grid;
  std::size_t pos = 0;
  while ((pos = workbook.find("<Worksheet ", pos)) != std::string::npos) {
    const std::size_t end = workbook.find("</Worksheet>", pos);
    const std::string sheetText = workbook.substr(pos, end - pos);
    pos = end;
    TGridSheet& sheet = grid.emplace_back();
    sheet.Name = Cp1251ToUtf8(Attribute(sheetText.substr(0, sheetText.find('>')), "ss:Name"));
    std::size_t at = 0;
    sheet.FrozenRows = IntOr(Between(sheetText, at, "<SplitHorizontal>", "<"), 0);
    at = 0;
    sheet.FrozenColumns = IntOr(Between(sheetText, at, "<SplitVertical>", "<"), 0);
    int row = -1;
    for (std::size_t rowPos = 0; (rowPos = sheetText.find("<Row", rowPos)) != std::string::npos;) {
      const std::size_t rowEnd = sheetText.find("</Row>", rowPos);
      const std::string rowText = sheetText.substr(rowPos, rowEnd - rowPos);
      rowPos = rowEnd;
      ++row;
      int column = 0;
      for (std::size_t cellPos = 0;
           (cellPos = rowText.find("<Cell", cellPos)) != std::string::npos;) {
        const std::string tag = rowText.substr(cellPos, rowText.find('>', cellPos) - cellPos);
        std::size_t dataPos = cellPos;
        const std::string dataTag = Between(rowText, dataPos, "<Data", ">");
        const std::size_t contentEnd = rowText.find("</Data>", dataPos);
        const std::string content = rowText.substr(dataPos, contentEnd - dataPos);
        cellPos = contentEnd;
        column = IntOr(Attribute(tag, "ss:Index"), column + 1);
        TGridCell cell;
        cell.Down = IntOr(Attribute(tag, "ss:MergeDown"), 0);
        cell.Across = IntOr(Attribute(tag, "ss:MergeAcross"), 0);
        cell.Number = Attribute(dataTag, "ss:Type") == "Number";
        if (const std::string style = Attribute(tag, "ss:StyleID"); !style.empty()) {
          cell.Look = looks.at(style);
        }
        cell.Text = Cp1251ToUtf8(Unescape(content));
        cell.Value = cell.Number ? std::strtod(cell.Text.c_str(), nullptr) : 0;
        if (!cell.Text.empty() || cell.Down > 0 || cell.Across > 0) {
          sheet.Cells[{row, column - 1}] = cell;
        }
        column += cell.Across;
      }
    }
    sheet.Rows = row + 1;
  }
  return grid;
}

#ifdef BRISOLT_HAVE_XLSX

// The members of a zip archive by name, inflated.
inline std::map<std::string, std::string> UnzipAll(const std::string& zip) {
  auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(zip[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(zip[at + 1])) << 8;
  };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  const std::size_t directoryEnd = zip.rfind(std::string("PK\x05\x06", 4));
  const std::size_t count = u16(directoryEnd + 10);
  std::size_t entry = u32(directoryEnd + 16);
  std::map<std::string, std::string> members;
  for (std::size_t index = 0; index < count; ++index) {
    const unsigned method = u16(entry + 10);
    const std::size_t packed = u32(entry + 20);
    const std::size_t size = u32(entry + 24);
    const std::size_t nameLength = u16(entry + 28);
    const std::size_t local = u32(entry + 42);
    const std::string name = zip.substr(entry + 46, nameLength);
    entry += 46 + nameLength + u16(entry + 30) + u16(entry + 32);
    const std::size_t data = local + 30 + u16(local + 26) + u16(local + 28);
    std::string& out = members[name];
    if (method == 0) {
      out = zip.substr(data, packed);
      continue;
    }
    out.resize(size);
    z_stream stream{};
    inflateInit2(&stream, -MAX_WBITS);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
    stream.avail_in = static_cast<uInt>(packed);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(size);
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
      throw std::runtime_error("cannot inflate " + name);
    }
  }
  return members;
}

// "AB12" -> row 11, column 27 (0-based).
inline std::pair<int, int> CellReference(const std::string& ref) {
  int column = 0;
  std::size_t pos = 0;
  for (; pos < ref.size() && ref[pos] >= 'A' && ref[pos] <= 'Z'; ++pos) {
    column = column * 26 + (ref[pos] - 'A' + 1);
  }
  return {std::atoi(ref.c_str() + pos) - 1, column - 1};
}

// The list of elements `name` inside `list` of the styles part, each as its text.
inline std::vector<std::string> StyleList(const std::string& styles, const std::string& list,
                                          const std::string& name) {
  std::vector<std::string> items;
  const std::size_t start = styles.find("<" + list);
  const std::size_t end = styles.find("</" + list + ">", start);
  if (start == std::string::npos || end == std::string::npos) {
    return items;
  }
  const std::string open = "<" + name;
  for (std::size_t pos = styles.find(open, start); pos < end; pos = styles.find(open, pos + 1)) {
    const char next = styles[pos + open.size()];
    if (next != ' ' && next != '>' && next != '/') {
      continue;  // a longer name
    }
    const std::size_t close = styles.find("</" + name + ">", pos);
    const std::size_t selfClose = styles.find("/>", pos);
    const std::size_t tagEnd = styles.find('>', pos);
    const std::size_t itemEnd = selfClose + 1 == tagEnd ? tagEnd + 1 : close;
    items.push_back(styles.substr(pos, itemEnd - pos));
  }
  return items;
}

// The looks of the XLSX cell formats by their index, the cells' "s".
inline std::vector<TGridLook> XlsxLooks(const std::string& styles) {
  using namespace grid_detail;
  std::map<std::string, std::string> formats = {{"0", ""}, {"14", "Short Date"}};
  for (const std::string& format : StyleList(styles, "numFmts", "numFmt")) {
    formats[Attribute(format, "numFmtId")] = Unescape(Attribute(format, "formatCode"));
  }
  auto colour = [](const std::string& argb) { return argb.empty() ? argb : "#" + argb.substr(2); };
  const std::vector<std::string> fonts = StyleList(styles, "fonts", "font");
  const std::vector<std::string> fills = StyleList(styles, "fills", "fill");
  std::vector<TGridLook> looks;
  for (const std::string& xf : StyleList(styles, "cellXfs", "xf")) {
    const std::string tag = xf.substr(0, xf.find('>'));
    TGridLook& look = looks.emplace_back();
    look.NumberFormat = formats.at(Attribute(tag, "numFmtId"));
    const std::string& font = fonts.at(static_cast<std::size_t>(IntOr(Attribute(tag, "fontId"), 0)));
    std::size_t at = 0;
    look.FontColor = colour(Attribute(Between(font, at, "<color", ">"), "rgb"));
    look.Bold = font.find("<b/>") != std::string::npos;
    const std::string& fill = fills.at(static_cast<std::size_t>(IntOr(Attribute(tag, "fillId"), 0)));
    at = 0;
    if (fill.find("patternType=\"solid\"") != std::string::npos) {
      look.Fill = colour(Attribute(Between(fill, at, "<fgColor", ">"), "rgb"));
    }
  }
  return looks;
}

inline TGrid XlsxGrid(const std::string& zip) {
  using namespace grid_detail;
  const std::map<std::string, std::string> members = UnzipAll(zip);
  const std::vector<TGridLook> looks = XlsxLooks(members.at("xl/styles.xml"));
  const std::string& workbook = members.at("xl/workbook.xml");
  TGrid grid;
  std::size_t pos = 0;
  for (int number = 1; (pos = workbook.find("<sheet ", pos)) != std::string::npos; ++number) {
    const std::string tag = workbook.substr(pos, workbook.find('>', pos) - pos);
    pos += tag.size();
    TGridSheet& sheet = grid.emplace_back();
    sheet.Name = Unescape(Attribute(tag, "name"));
    const std::string& text =
        members.at("xl/worksheets/sheet" + std::to_string(number) + ".xml");
    const std::size_t pane = text.find("<pane ");
    if (pane != std::string::npos) {
      const std::string paneTag = text.substr(pane, text.find('>', pane) - pane);
      sheet.FrozenRows = IntOr(Attribute(paneTag, "ySplit"), 0);
      sheet.FrozenColumns = IntOr(Attribute(paneTag, "xSplit"), 0);
    }
    const std::size_t filter = text.find("<autoFilter ");
    if (filter != std::string::npos) {
      const std::string ref =
          Attribute(text.substr(filter, text.find('>', filter) - filter), "ref");
      sheet.FilterDataRow = CellReference(ref.substr(0, ref.find(':'))).first + 1;
    }
    for (std::size_t cellPos = 0; (cellPos = text.find("<c ", cellPos)) != std::string::npos;) {
      const std::size_t tagEnd = text.find('>', cellPos);
      const std::string tag = text.substr(cellPos, tagEnd - cellPos);
      cellPos = tagEnd;
      if (tag.back() == '/') {
        continue;  // a blank cell of a merge
      }
      const std::size_t cellEnd = text.find("</c>", cellPos);
      const std::string inner = text.substr(cellPos + 1, cellEnd - cellPos - 1);
      TGridCell cell;
      cell.Look = looks.at(static_cast<std::size_t>(IntOr(Attribute(tag, "s"), 0)));
      std::size_t at = 0;
      if (Attribute(tag, "t") == "inlineStr") {
        at = inner.find("<t");
        cell.Text = Unescape(inner.substr(inner.find('>', at) + 1,
                                          inner.find("</t>") - inner.find('>', at) - 1));
      } else {
        cell.Number = true;
        cell.Text = Between(inner, at, "<v>", "</v>");
        cell.Value = std::strtod(cell.Text.c_str(), nullptr);
      }
      if (!cell.Text.empty()) {
        sheet.Cells[CellReference(Attribute(tag, "r"))] = cell;
      }
    }
    for (std::size_t rowPos = 0; (rowPos = text.find("<row ", rowPos)) != std::string::npos;
         ++rowPos) {
      const std::string rowTag = text.substr(rowPos, text.find('>', rowPos) - rowPos);
      sheet.Rows = std::max(sheet.Rows, IntOr(Attribute(rowTag, "r"), 0));
    }
    for (std::size_t mergePos = 0;
         (mergePos = text.find("<mergeCell ", mergePos)) != std::string::npos; ++mergePos) {
      const std::string ref = Attribute(text.substr(mergePos, text.find('>', mergePos) - mergePos), "ref");
      const auto first = CellReference(ref.substr(0, ref.find(':')));
      const auto last = CellReference(ref.substr(ref.find(':') + 1));
      TGridCell& cell = sheet.Cells[first];
      cell.Down = last.first - first.first;
      cell.Across = last.second - first.second;
    }
  }
  return grid;
}

#endif  // BRISOLT_HAVE_XLSX

}  // namespace brisolt::testing
