// The user's last choices in the window, remembered between starts in the per-user store of the
// platform (the registry on Windows, Qt's native settings file elsewhere).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/pipeline.h"

class QSettings;

namespace brisolt {

struct TSettings {
  // The three choices are kept as the items of their radio groups, in the order of the choices:
  // no choice (a group with no item selected) is stored as -1, and a stored item beyond the last
  // reads as the last. An older program that offers only the first three formats shows the XLSX
  // workbook as its last item.
  std::string FilesPath;   // the platform's narrow encoding
  std::optional<TProtForm> PPPMethod = TProtForm::Compact;
  std::optional<TSaldoFilter> SaldoGroup = TSaldoFilter::All;
  std::optional<TProtFormat> ProtFormat = TProtFormat::Html;
  std::string RegNumb;     // windows-1251
  std::string OrgName;     // windows-1251
  bool OpenProtocol = true;
  bool SubDirs = false;
  bool CalcCorr = false;
  // The window as the user left it: its size (0 where none is kept), whether it was maximised,
  // and the widths of the results table's columns (none kept: the designed ones).
  int WindowWidth = 0;
  int WindowHeight = 0;
  bool WindowMaximized = false;
  std::vector<int> ResultsColumns;
};

// The store under organisation "Ostrak", application "Brisolt". LoadSettings returns false when
// the store cannot be read (a file with a broken line, a folder in its place): the defaults are
// then in force, and the caller must not save over the store, so that the user's file survives
// for repair.
bool LoadSettings(TSettings& settings);
void SaveSettings(const TSettings& settings);

// Keeps the store in an INI file (where QSettings::setPath puts it) instead of the system's
// native store: the registry on Windows. For the tests, which must not share one registry key.
void UseSettingsFile();

// The same on a given store, so that tests never see the user's own.
bool LoadSettings(QSettings& store, TSettings& settings);
void SaveSettings(QSettings& store, const TSettings& settings);

}  // namespace brisolt
