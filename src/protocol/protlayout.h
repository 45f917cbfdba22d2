// The spreadsheet protocol's one layout: which sheets a workbook holds, their columns, panes and
// filters, and every row and cell with its caption, style, placement and value. The layout
// writes into a sink; a sink turns the cells into a file format (XML Spreadsheet 2003, XLSX) or
// only counts them (the size check that runs before any file exists). Texts handed to a sink are
// windows-1251 model texts, never escaped: escaping is the format's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/prot.h"

namespace brisolt {

enum class TSheet { Protocol, Table, Totals, Forgotten, SZV63 };

// The look of a cell. Each format defines each style once.
enum class TCellStyle {
  Plain,           // no style of its own
  Heading,         // bold text of the first sheet
  Amount,          // framed, centred, negatives red, zero as a dash
  AmountRed,       // framed, centred, red: an amount found wrong
  AmountBlack,     // framed, centred, negatives black
  FramedLeft,      // framed, left: notes and the СЗВ-6-3 warning
  Caption,         // framed, centred, bold: column captions
  Dismissal,       // framed, centred: the dismissal date
  Person,          // framed, left: СНИЛС and name of a person without marks
  PersonConflict,  // the same in red: a conflict in the person's data
  PersonDismissed,  // the same on cyan: a debt left at dismissal
  PersonConflictDismissed,
  Count
};

// The style of a person's СНИЛС and name cells for the line's mark.
TCellStyle PersonStyle(TLineMark mark);

// Where a cell goes: a 1-based column (0: right after the previous cell) and how many cells it
// spans below and to the right (-1: no merge; 0 is a merge of the cell alone, which the XML
// spreadsheet writes as such).
struct TCellPlace {
  int Index = 0;
  int Down = -1;
  int Across = -1;
  // Where a format repeats a text that spans rows on each of them instead of merging (inside a
  // filter), the text stays on the first row alone and the cells below are blank: a person's
  // notes, which repeated on every row would be read as that many.
  bool Once = false;
};

// Columns of one width side by side.
struct TColumnRun {
  int Width = 0;  // points
  std::size_t Count = 1;
};

// One pane of a frozen sheet as the XML spreadsheet lists it; -1 leaves the active cell out.
struct TPane {
  int Number = 0;
  int ActiveRow = -1;
  int ActiveCol = -1;
};

struct TSheetSetup {
  TSheet Sheet = TSheet::Protocol;
  std::string Name{};  // windows-1251
  std::vector<TColumnRun> Columns{};
  // Rows and columns frozen at the top left; none when both are 0.
  int FrozenRows = 0;
  int FrozenColumns = 0;
  int ActivePane = 0;
  std::vector<TPane> Panes{};
  // The titles and column captions at the top: printed atop every page; where the format keeps a
  // filter, it sits on the last of them and spans `FilterColumns` columns down to the last row
  // (none when 0).
  int HeaderRows = 0;
  std::size_t FilterColumns = 0;

  std::uint64_t ColumnCount() const;
};

class TSheetSink {
 public:
  virtual ~TSheetSink() = default;
  // A sink that only counts rows takes no cells: the layout then walks the rows alone, so a
  // report without period records can be measured.
  virtual bool TakesCells() const { return true; }
  virtual void BeginSheet(const TSheetSetup& setup) = 0;
  // A caption row holds fixed texts (headers, "nothing found" lines); a data row, the report's.
  // `lines` is how many lines of text a row needs where no program can fit it by itself (wrapped
  // text in a merged cell); the XML spreadsheet leaves every row's height to the program.
  virtual void BeginRow(bool caption, int lines = 1) = 0;
  virtual void Text(TCellStyle style, const TCellPlace& place, const std::string& text) = 0;
  virtual void Amount(TCellStyle style, const TCellPlace& place, std::int64_t amount) = 0;
  // Texts shown one under the other in one cell.
  virtual void Lines(TCellStyle style, const TCellPlace& place,
                     const std::vector<std::string>& lines) = 0;
  virtual void EndRow() = 0;
  virtual void EndSheet() = 0;
};

std::string SheetName(TSheet sheet, const TReport& report);

// The СЗВ-6-3 sheet is written only for a year with blocks.
bool HasSZV63Sheet(const TReport& report);

// The most characters a cell holds in Excel and LibreOffice Calc. A longer text (a name of tens of
// thousands of characters, the notes of hundreds of periods) is handed to the sink cut to this
// length, its last character kCutMark, and a warning names it.
inline constexpr std::size_t kCellTextLimit = 32767;
inline constexpr char kCutMark = '\x85';  // "…" in windows-1251

// Writes every sheet of the report into the sink, in workbook order; the texts it cuts are named
// in `warnings` when given.
void LayOutWorkbook(const TReport& report, const std::string& stamp, TSheetSink& sink,
                    TProtocolWarnings* warnings = nullptr);

}  // namespace brisolt
