// The bridge between the windows' UTF-16 and the program's narrow texts: windows-1251 for what goes
// into a protocol, the platform's narrow encoding (UTF-8) for file names.
#pragma once

#include <QString>

#include <string>

namespace brisolt {

QString QStringFromCp1251(const std::string& text);
// Characters that windows-1251 cannot represent become "?".
std::string Cp1251FromQString(const QString& text);

QString QStringFromNative(const std::string& text);
std::string NativeFromQString(const QString& text);

}  // namespace brisolt
