// The protocol's output formats, one row each: what the file is called, how the window offers it
// and the settings keep it, what it is written from, whether this build writes it, its writer and
// the program it is handed to. The pipeline, the command line, the settings, the window and the
// tests go over these rows instead of naming formats; a new format is a row here, its writer and
// its test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/prot.h"
#include "protocol/protdata.h"
#include "protocol/protxlsx.h"

namespace brisolt {

// The protocol's format as the user chooses it: the HTML page; the XML workbook for Excel or for
// OpenOffice Calc, the same file that only opens in another program; the XLSX workbook; the
// protocol as JSON data or the action list as CSV, asked for by the file's name. The values up to
// Xlsx are the ones the settings keep.
enum class TProtFormat : std::uint8_t { Html, ExcelXml, CalcXml, Xlsx, Json, Csv };

// What a run writes: the formats that write the same file are one type.
enum class TProtocolType { Html, XmlSpreadsheet, Xlsx, Json, Csv };

// The program a written protocol is handed to (OpenProtocol).
enum class TProtocolOpener : std::uint8_t {
  Desktop,     // the desktop's program for the file
  ExcelFirst,  // Excel where there is one (Windows), else LibreOffice or OpenOffice Calc
  CalcFirst,   // Calc, without trying Excel
};

// What every writer is given. Results is null for a copy written again from a kept report; the
// formats that need it are never written so.
struct TProtocolJob {
  const TReport& Report;
  const TResults* Results;
  const std::string& FileName;  // platform encoding
  const std::string& Stamp;
  int Threads;  // that may compress the file; 0: one per core
  TProtocolWarnings* Warnings = nullptr;  // where the writer adds its warnings; null: nowhere
};
using TProtocolWriter = void (*)(const TProtocolJob& job);

inline void WriteXmlJob(const TProtocolJob& job) {
  TSpreadsheetOptions options;
  options.Stamp = job.Stamp;
  options.Warnings = job.Warnings;
  WriteXmlProtocol(job.Report, job.FileName, options);
}

struct TProtFormatRow {
  TProtFormat Format;
  TProtocolType Type;
  std::string_view Extension;  // lower case, with its dot; also of the default file name
  std::string_view Caption;    // UTF-8, as the window offers it; empty: not offered there
  bool ByFileName;             // a file name with this extension (any letter case) asks for it
  bool NeedsResults;           // written from the results (BuildResults) as well as the report
  bool ListsSources;           // lists each person's documents when asked for (/sources)
  // A failure to write names a spreadsheet program that may hold the file open.
  bool HeldOpenHint;
  bool (*Built)();             // whether this build writes it; null: always
  TProtocolWriter Write;
  TProtocolOpener Opener;
  // The save dialogs' filter for such files, UTF-8.
  std::string_view SaveFilter;
  // The writer of the window's results list in this format (protdata.h); null: not saved so.
  TListWriter WriteList;
  // The format the window may also save such a protocol in, written anew from its report (which
  // the run then keeps); the format itself when none.
  TProtFormat CopyAs;
};

inline constexpr TProtFormatRow kProtFormats[] = {
    {TProtFormat::Html, TProtocolType::Html, ".html", "HTML", false, false, false, false, nullptr,
     [](const TProtocolJob& job) { WriteHtmlProtocol(job.Report, job.FileName, job.Stamp); },
     TProtocolOpener::Desktop, "Web-страницы (*.htm *.html)", nullptr, TProtFormat::Html},
    {TProtFormat::ExcelXml, TProtocolType::XmlSpreadsheet, ".xml", "Excel", false, false, false, true,
     nullptr, WriteXmlJob, TProtocolOpener::ExcelFirst, "XML-файлы Excel/OpenOffice (*.xml)", nullptr,
     TProtFormat::Xlsx},
    {TProtFormat::CalcXml, TProtocolType::XmlSpreadsheet, ".xml", "OpenOffice Calc", false, false,
     false, true, nullptr, WriteXmlJob, TProtocolOpener::CalcFirst, "XML-файлы Excel/OpenOffice (*.xml)",
     nullptr, TProtFormat::Xlsx},
    {TProtFormat::Xlsx, TProtocolType::Xlsx, ".xlsx", "Книга Excel (XLSX)", true, false, false, true,
     XlsxWriterBuilt,
     [](const TProtocolJob& job) {
       TSpreadsheetOptions options;
       options.Stamp = job.Stamp;
       options.Threads = job.Threads;
       options.Warnings = job.Warnings;
       WriteXlsxProtocol(job.Report, job.FileName, options);
     },
     TProtocolOpener::ExcelFirst, "Книги Excel (*.xlsx)", WriteXlsxList, TProtFormat::Xlsx},
    {TProtFormat::Json, TProtocolType::Json, ".json", "", true, true, true, false, nullptr,
     [](const TProtocolJob& job) { WriteJsonProtocol(job.Report, *job.Results, job.FileName, job.Stamp); },
     TProtocolOpener::Desktop, "Данные JSON (*.json)", WriteJsonList, TProtFormat::Json},
    {TProtFormat::Csv, TProtocolType::Csv, ".csv", "", true, true, false, true, nullptr,
     [](const TProtocolJob& job) { WriteCsvActions(job.Report, *job.Results, job.FileName); },
     TProtocolOpener::ExcelFirst, "Таблицы CSV (*.csv)", WriteCsvList, TProtFormat::Csv},
};

// The last format the window offers: the settings keep no later one.
constexpr TProtFormat LastOfferedFormat() {
  TProtFormat last = kProtFormats[0].Format;
  for (const TProtFormatRow& row : kProtFormats) {
    if (!row.Caption.empty()) last = row.Format;
  }
  return last;
}

// The row of a format.
const TProtFormatRow& ProtFormatRow(TProtFormat format);

inline bool FormatBuilt(const TProtFormatRow& row) { return row.Built == nullptr || row.Built(); }

// Whether `extension` (lower case, with its dot) ends the file's name, in any letter case.
bool EndsWithExtension(std::string_view fileName, std::string_view extension);

// The first row whose extension ends the file's name (any letter case); null when none does.
const TProtFormatRow* FormatOfFileName(std::string_view fileName);

// The format a run writes: the one whose extension ends the file's name (any letter case, the
// first row that matches), else `chosen`.
const TProtFormatRow& WrittenFormat(TProtFormat chosen, std::string_view fileName);

}  // namespace brisolt
