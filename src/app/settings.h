// The user's last choices in the window, remembered between starts in the per-user store of the
// platform (the registry on Windows, Qt's native settings file elsewhere).
#pragma once

#include <string>

class QSettings;

namespace brisolt {

struct TSettings {
  std::string FilesPath;   // the platform's narrow encoding
  int PPPMethod = 0;       // layout: 0 compact, 1 detailed
  int SaldoGroup = 0;      // balance filter 0..3
  // 0 HTML, 1 Excel, 2 OpenOffice Calc, 3 XLSX workbook; an older program that offers only the
  // first three shows 3 as its last item.
  int ProtFormat = 0;
  std::string RegNumb;     // windows-1251
  std::string OrgName;     // windows-1251
  bool OpenProtocol = true;
  bool SubDirs = false;
  bool CalcCorr = false;
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
