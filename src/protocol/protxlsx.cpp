#include "protocol/protxlsx.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/amount.h"
#include "base/encoding.h"
#include "protocol/protfile.h"
#include "protocol/protlayout.h"
#include "protocol/protsheets.h"
#include "protocol/xlsxcheck.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace brisolt {

namespace {

#ifdef _WIN32
// The library, built with MinGW, opens its files with the C runtime's narrow functions, which take
// names in the ANSI code page, not UTF-8. A name the code page holds is given in it; any other
// (Cyrillic on a Western code page) by its folder's short 8.3 form, which is ASCII where the
// volume keeps short names, and the file's own name, which is ours and ASCII. Empty when neither
// way gives a name the library can open.
std::string NameForLibrary(const std::string& utf8) {
  const auto widen = [](const std::string& text) {
    std::wstring wide(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        static_cast<int>(wide.size()));
    return wide;
  };
  const auto narrow = [](const std::wstring& wide, std::string& out) {
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                         static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
    if (size <= 0 || lost) return false;
    out.assign(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        out.data(), size, nullptr, &lost);
    return !lost;
  };
  std::string result;
  const std::wstring wide = widen(utf8);
  if (narrow(wide, result)) return result;
  const std::wstring::size_type slash = wide.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : wide.substr(0, slash);
  const std::wstring name = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
  std::wstring shortFolder(32768, L'\0');
  const DWORD length = GetShortPathNameW(folder.c_str(), shortFolder.data(),
                                         static_cast<DWORD>(shortFolder.size()));
  if (length == 0 || length >= shortFolder.size()) return {};
  shortFolder.resize(length);
  if (narrow(name.empty() ? shortFolder : shortFolder + L"\\" + name, result)) return result;
  return {};
}
#else
std::string NameForLibrary(const std::string& name) { return name; }
#endif

// A model text as the library wants it: UTF-8, with the control characters that have no place in
// a workbook's XML shown as "?", as the XML spreadsheet shows them.
std::string U(const std::string& cp1251) {
  std::string text = cp1251;
  for (char& ch : text) {
    if (IsForbiddenInXml(ch)) {
      ch = '?';
    }
  }
  return Cp1251ToUtf8(text);
}

// The height of a line of text in the default font, points.
constexpr double kLineHeight = 15.0;

// Column widths of the XML spreadsheet are points; a column of the library is counted in
// characters of the default font, seven pixels each plus five of padding.
double ColumnWidth(int points) { return (points * 96.0 / 72.0 - 5.0) / 7.0; }

class TXlsxSink final : public TSheetSink {
 public:
  TXlsxSink(const std::string& stamp, const std::string& fileName)
      : stamp_(stamp), fileName_(fileName) {}

  ~TXlsxSink() override {
    if (workbook_ != nullptr) {
      // Still open only after a failure: nothing more is written, the memory is given back.
      lxw_workbook_free(workbook_);
    }
  }
  TXlsxSink(const TXlsxSink&) = delete;
  TXlsxSink& operator=(const TXlsxSink&) = delete;

  void Open(const std::string& libraryFileName) {
    // The library's own temporary files go beside the workbook, on the disk whose space the
    // protocol needs anyway, not to a system folder that may be full or small.
    tmpFolder_ = NativeFromPath(PathFromNative(libraryFileName).parent_path());
    if (tmpFolder_.empty()) {
      tmpFolder_.assign(1, '.');
    }
    libraryTmpFolder_ = NameForLibrary(tmpFolder_);
    const std::string libraryName = NameForLibrary(libraryFileName);
    if (libraryTmpFolder_.empty() || libraryName.empty()) {
      Fail("имя папки нельзя передать библиотеке XLSX: в нём есть знаки, которых нет в кодовой "
           "странице системы, а короткие имена на этом диске отключены");
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = libraryTmpFolder_.data();
    errno = 0;
    workbook_ = workbook_new_opt(libraryName.c_str(), &options);
    if (workbook_ == nullptr) {
      Fail("не удалось создать книгу" + SystemReason());
    }
    SetCreationTime();
    MakeStyles();
  }

  void Close() {
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    errno = 0;
    Check(workbook_close(workbook));
  }

  void BeginSheet(const TSheetSetup& setup) override {
    sheet_ = workbook_add_worksheet(workbook_, U(setup.Name).c_str());
    if (sheet_ == nullptr) {
      Fail("не удалось добавить лист");
    }
    lxw_col_t column = 0;
    for (const TColumnRun& run : setup.Columns) {
      if (run.Count == 0) {
        continue;
      }
      const auto last = static_cast<lxw_col_t>(column + run.Count - 1);
      Check(worksheet_set_column(sheet_, column, last, ColumnWidth(run.Width), nullptr));
      column = static_cast<lxw_col_t>(last + 1);
    }
    if (setup.FrozenRows > 0 || setup.FrozenColumns > 0) {
      // Every caption row stays in sight, also where the XML spreadsheet's panes keep only the
      // title.
      const int rows = setup.FrozenRows > setup.HeaderRows ? setup.FrozenRows : setup.HeaderRows;
      worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(rows),
                             static_cast<lxw_col_t>(setup.FrozenColumns));
    }
    worksheet_set_landscape(sheet_);
    worksheet_fit_to_pages(sheet_, 1, 0);
    if (setup.HeaderRows > 0) {
      Check(worksheet_repeat_rows(sheet_, 0, static_cast<lxw_row_t>(setup.HeaderRows - 1)));
    }
    filterHeaderRows_ = setup.FilterColumns > 0 ? setup.HeaderRows : 0;
    filterColumns_ = setup.FilterColumns;
    repeats_.clear();
    row_ = -1;
  }

  void BeginRow(bool, int lines) override {
    ++row_;
    column_ = 0;
    if (lines > 1) {
      Check(worksheet_set_row(sheet_, static_cast<lxw_row_t>(row_), kLineHeight * lines, nullptr));
    }
    for (std::size_t index = 0; index < repeats_.size();) {
      const TMerge& repeat = repeats_[index];
      if (repeat.LastRow < static_cast<lxw_row_t>(row_)) {
        repeats_.erase(repeats_.begin() + static_cast<std::ptrdiff_t>(index));
        continue;
      }
      Check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row_), repeat.FirstCol,
                                   repeat.Text.c_str(), repeat.Format));
      ++index;
    }
  }

  void Text(TCellStyle style, const TCellPlace& place, const std::string& text) override {
    WriteText(style, place, U(text));
  }

  void Amount(TCellStyle style, const TCellPlace& place, std::int64_t amount) override {
    const lxw_col_t column = Place(place);
    Check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row_), column,
                                 XlsxAmountValue(amount), Format(style)));
  }

  void Lines(TCellStyle style, const TCellPlace& place,
             const std::vector<std::string>& lines) override {
    std::string joined;
    for (std::size_t index = 0; index < lines.size(); ++index) {
      if (index > 0) {
        joined += '\n';
      }
      joined += lines[index];
    }
    WriteText(style, place, U(joined));
  }

  // In constant-memory mode a row is on disk once the next one begins, and a merge writes blank
  // cells over its whole area. So a merge that spans rows is declared once its last row is
  // written: its earlier rows are gone by then and only its last row's blanks are taken. Its
  // text goes with it: where no cell was written below the first row, that row is still open
  // and would otherwise be blanked.
  void EndRow() override {
    for (std::size_t index = 0; index < pendingMerges_.size();) {
      const TMerge& merge = pendingMerges_[index];
      if (merge.LastRow == static_cast<lxw_row_t>(row_)) {
        worksheet_merge_range(sheet_, merge.FirstRow, merge.FirstCol, merge.LastRow,
                              merge.LastCol, merge.Text.c_str(), merge.Format);
        pendingMerges_.erase(pendingMerges_.begin() + static_cast<std::ptrdiff_t>(index));
      } else {
        ++index;
      }
    }
  }

  void EndSheet() override {
    if (filterHeaderRows_ > 0) {
      // The filter sits on the last header row and reaches down to the last row written.
      const long long headerRow = filterHeaderRows_ - 1;
      const auto lastRow = static_cast<lxw_row_t>(row_ < headerRow ? headerRow : row_);
      Check(worksheet_autofilter(sheet_, static_cast<lxw_row_t>(headerRow), 0, lastRow,
                                 static_cast<lxw_col_t>(filterColumns_ - 1)));
    }
    // A merge reaching below the last row (none does in this layout) is still declared.
    for (const TMerge& merge : pendingMerges_) {
      worksheet_merge_range(sheet_, merge.FirstRow, merge.FirstCol, merge.LastRow, merge.LastCol,
                            merge.Text.c_str(), merge.Format);
    }
    pendingMerges_.clear();
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw EProtocolWriteError(fileName_ + ": " + what);
  }

  // The system's reason for the last failed file operation, if it left one.
  static std::string SystemReason() {
    const int code = errno;
    return code == 0 ? std::string() : " (" + std::generic_category().message(code) + ")";
  }

  // The library's error in the program's words: its own texts are English and name its sources.
  void Check(lxw_error error) {
    switch (error) {
      case LXW_NO_ERROR:
        return;
      case LXW_ERROR_MEMORY_MALLOC_FAILED:
        Fail("не хватает памяти");
      case LXW_ERROR_CREATING_XLSX_FILE:
        Fail("не удалось создать файл" + SystemReason());
      case LXW_ERROR_CREATING_TMPFILE:
        Fail("не удалось создать временный файл в папке " + tmpFolder_ + SystemReason());
      case LXW_ERROR_READING_TMPFILE:
        Fail("не удалось прочитать временный файл" + SystemReason());
      case LXW_ERROR_ZIP_FILE_OPERATION:
      case LXW_ERROR_ZIP_FILE_ADD:
      case LXW_ERROR_ZIP_CLOSE:
      case LXW_ERROR_ZIP_BAD_ZIP_FILE:
      case LXW_ERROR_ZIP_INTERNAL_ERROR:
      case LXW_ERROR_ZIP_PARAMETER_ERROR:
        Fail("ошибка записи" + SystemReason());
      default:
        Fail("ошибка библиотеки XLSX, код " + std::to_string(static_cast<int>(error)));
    }
  }

  // The workbook says when it was made; the protocol's own stamp, not the clock, so that the same
  // report and stamp give the same file.
  void SetCreationTime() {
    std::tm local{};
    if (std::sscanf(stamp_.c_str(), "%2d.%2d.%4d %2d:%2d:%2d", &local.tm_mday, &local.tm_mon,
                    &local.tm_year, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6) {
      return;
    }
    local.tm_mon -= 1;
    local.tm_year -= 1900;
    local.tm_isdst = -1;
    lxw_doc_properties properties{};
    properties.created = std::mktime(&local);
    if (properties.created != static_cast<std::time_t>(-1)) {
      Check(workbook_set_properties(workbook_, &properties));
    }
  }

  // --- styles ---------------------------------------------------------------------------------

  lxw_format* NewFormat(TCellStyle style) {
    lxw_format* format = workbook_add_format(workbook_);
    if (format == nullptr) {
      Fail("не хватает памяти");
    }
    formats_[static_cast<std::size_t>(style)] = format;
    return format;
  }

  // Centred or left, middle, wrapped, framed: the look of every table cell.
  static void TableCell(lxw_format* format, bool left, bool blackBorders) {
    format_set_align(format, left ? LXW_ALIGN_LEFT : LXW_ALIGN_CENTER);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(format);
    format_set_border(format, LXW_BORDER_THIN);
    if (blackBorders) {
      format_set_border_color(format, LXW_COLOR_BLACK);
    }
  }

  void MakeStyles() {
    // Thousands grouped, negative amounts in red and zero as a dash, or the same without the red.
    static constexpr const char* kRedNegatives = "#,##0.00;[Red]\\-#,##0.00;\\ \\-";
    static constexpr const char* kPlainNegatives = "#,##0.00;\\-#,##0.00;\\ \\-";
    static constexpr lxw_color_t kRed = 0xFF0000;
    static constexpr lxw_color_t kCyan = 0x66FFFF;
    static constexpr std::uint8_t kShortDate = 14;
    format_set_bold(NewFormat(TCellStyle::Heading));

    lxw_format* format = NewFormat(TCellStyle::Amount);
    TableCell(format, false, false);
    format_set_num_format(format, kRedNegatives);

    format = NewFormat(TCellStyle::AmountRed);
    TableCell(format, false, false);
    format_set_num_format(format, kPlainNegatives);
    format_set_font_color(format, kRed);

    format = NewFormat(TCellStyle::AmountBlack);
    TableCell(format, false, false);
    format_set_num_format(format, kPlainNegatives);

    TableCell(NewFormat(TCellStyle::FramedLeft), true, false);

    format = NewFormat(TCellStyle::Caption);
    TableCell(format, false, false);
    format_set_num_format(format, kRedNegatives);
    format_set_bold(format);

    format = NewFormat(TCellStyle::Dismissal);
    TableCell(format, false, true);
    format_set_num_format_index(format, kShortDate);

    for (const TCellStyle style :
         {TCellStyle::PersonConflictDismissed, TCellStyle::PersonDismissed,
          TCellStyle::PersonConflict, TCellStyle::Person}) {
      format = NewFormat(style);
      TableCell(format, true, true);
      if (style == TCellStyle::PersonConflictDismissed || style == TCellStyle::PersonConflict) {
        format_set_font_color(format, kRed);
      }
      if (style == TCellStyle::PersonConflictDismissed || style == TCellStyle::PersonDismissed) {
        format_set_bg_color(format, kCyan);
        format_set_pattern(format, LXW_PATTERN_SOLID);
      }
    }
  }

  lxw_format* Format(TCellStyle style) const { return formats_[static_cast<std::size_t>(style)]; }

  // --- cells ----------------------------------------------------------------------------------

  lxw_col_t Place(const TCellPlace& place) {
    if (place.Index > 0) {
      column_ = place.Index - 1;
    }
    const auto column = static_cast<lxw_col_t>(column_);
    column_ += 1 + (place.Across > 0 ? place.Across : 0);
    return column;
  }

  void WriteText(TCellStyle style, const TCellPlace& place, const std::string& utf8) {
    const lxw_col_t column = Place(place);
    const auto row = static_cast<lxw_row_t>(row_);
    lxw_format* format = Format(style);
    const int across = place.Across > 0 ? place.Across : 0;
    if (place.Down > 0 && filterHeaderRows_ > 0 && row_ >= filterHeaderRows_) {
      // A merge inside the filtered rows would hide the person from every row but its first
      // once a filter or a sort is applied: the text is repeated on each row instead.
      repeats_.push_back({row, column, static_cast<lxw_row_t>(row_ + place.Down), column, format,
                          utf8});
    } else if (place.Down > 0) {
      pendingMerges_.push_back({row, column, static_cast<lxw_row_t>(row_ + place.Down),
                                static_cast<lxw_col_t>(column + across), format, utf8});
    } else if (across > 0) {
      // Within one row the merge can write its text and blanks at once.
      Check(worksheet_merge_range(sheet_, row, column, row, static_cast<lxw_col_t>(column + across),
                                  utf8.c_str(), format));
      return;
    }
    Check(worksheet_write_string(sheet_, row, column, utf8.c_str(), format));
  }

  struct TMerge {
    lxw_row_t FirstRow;
    lxw_col_t FirstCol;
    lxw_row_t LastRow;
    lxw_col_t LastCol;
    lxw_format* Format;
    std::string Text;
  };

  const std::string& stamp_;
  const std::string& fileName_;
  std::string tmpFolder_;
  std::string libraryTmpFolder_;  // the same, as the library can open it
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* formats_[static_cast<std::size_t>(TCellStyle::Count)] = {};
  long long row_ = -1;
  int column_ = 0;
  int filterHeaderRows_ = 0;
  std::size_t filterColumns_ = 0;
  std::vector<TMerge> pendingMerges_;
  std::vector<TMerge> repeats_;  // texts written again on each row down to their last
};

}  // namespace

double XlsxAmountValue(std::int64_t amount) {
  // FormatSum's rounding, then one rounding more, as reading "1234.50" makes: exact below 2^53
  // kopecks (90 trillion roubles).
  return static_cast<double>(RoundToKopecks(amount)) / 100.0;
}

void WriteXlsxProtocol(const TReport& report, const std::string& fileName,
                       const TSpreadsheetOptions& options) {
  CheckSpreadsheetSize(report, options.Limits);
  const std::string stamp = options.Stamp.empty() ? CurrentProtocolStamp() : options.Stamp;
  TProtocolFile out(fileName);
  const std::string workbook = out.HandOverTemporary();
  {
    TXlsxSink sink(stamp, fileName);
    sink.Open(workbook);
    LayOutWorkbook(report, stamp, sink);
    sink.Close();
  }
  // The library may report success after writes of its temporary files failed; only a
  // workbook read back whole replaces the earlier file.
  if (const std::string defect = WorkbookDefect(workbook); !defect.empty()) {
    throw EProtocolWriteError(fileName + ": книга записана с ошибкой: " + defect);
  }
  out.Commit();
}

}  // namespace brisolt
