#include "app/gui/settings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

#include <algorithm>
#include <limits>

#include "app/gui/qtext.h"
#include "app/platform.h"

namespace brisolt {
namespace {

const char kOrganisation[] = "Ostrak";
const char kApplication[] = "Brisolt";

bool IsIntegerType(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return true;
    default:
      return false;
  }
}

// Text values: anything that is not stored as text reads as empty, without a word to the user.
QString ReadText(QSettings& store, const char* name) {
  const QVariant value = store.value(QLatin1String(name));
  if (value.typeId() != QMetaType::QString) return {};
  return value.toString();
}

// Integers. The registry keeps their type, so a string there is the wrong type. Qt's settings file
// on other platforms keeps every scalar as text, so there the text of a whole 32-bit number is
// what an integer looks like, and anything else is the wrong type.
int ReadInteger(QSettings& store, const char* name) {
  const QVariant value = store.value(QLatin1String(name));
  if (IsIntegerType(value)) {
    // A registry DWORD above 0x7FFFFFFF is a negative 32-bit integer.
    return static_cast<int>(static_cast<quint32>(value.toLongLong()));
  }
  if (!platform::SettingsKeepTypes() && value.typeId() == QMetaType::QString) {
    const QString text = value.toString();
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok, 10);
    const bool plain = !text.isEmpty() && !text.startsWith(QLatin1Char('+')) &&
                       text.trimmed() == text;
    if (ok && plain && number >= std::numeric_limits<int>::min() &&
        number <= std::numeric_limits<int>::max()) {
      return static_cast<int>(number);
    }
  }
  return 0;
}

bool ReadFlag(QSettings& store, const char* name) { return ReadInteger(store, name) != 0; }

// A choice from the item stored for its radio group (see TSettings).
template <typename TChoice>
std::optional<TChoice> ReadChoice(QSettings& store, const char* name, TChoice last) {
  const int item = ReadInteger(store, name);
  if (item < 0) return std::nullopt;
  return static_cast<TChoice>(std::min(item, static_cast<int>(last)));
}

template <typename TChoice>
void WriteChoice(QSettings& store, const char* name, std::optional<TChoice> choice) {
  store.setValue(QLatin1String(name), choice ? static_cast<int>(*choice) : -1);
}

}  // namespace

bool LoadSettings(QSettings& store, TSettings& settings) {
  settings = TSettings{};
  if (store.status() != QSettings::NoError) {
    // The store cannot be read: keep the defaults. Qt reports a broken file only to the first
    // reader in the process (later ones share its parsed copy), so the caller is told to skip
    // the save at closing rather than trusting the store to refuse it then.
    return false;
  }
  // Each value on its own, so that one bad value does not spoil the others. A fresh store has none
  // of them, which is why the open-protocol flag starts cleared on a first start.
  settings.FilesPath = ReadText(store, "FilesPath").toStdString();
  settings.PPPMethod = ReadChoice(store, "PPPMethod", TProtForm::Detailed);
  settings.ProtFormat = ReadChoice(store, "ProtFormat", LastOfferedFormat());
  settings.SaldoGroup = ReadChoice(store, "SaldoGroup", TSaldoFilter::Overpayment);
  settings.RegNumb = Cp1251FromQString(ReadText(store, "RegNumb"));
  settings.OrgName = Cp1251FromQString(ReadText(store, "OrgName"));
  settings.OpenProtocol = ReadFlag(store, "OpenProtocol");
  settings.SubDirs = ReadFlag(store, "SubDirs");
  settings.CalcCorr = ReadFlag(store, "CalcCorr");
  settings.WindowWidth = std::max(ReadInteger(store, "WindowWidth"), 0);
  settings.WindowHeight = std::max(ReadInteger(store, "WindowHeight"), 0);
  settings.WindowMaximized = ReadFlag(store, "WindowMaximized");
  // "120,300,...": widths in pixels; anything unreadable keeps the designed widths.
  for (const QString& width : ReadText(store, "ResultsColumns").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    bool ok = false;
    const int value = width.toInt(&ok);
    if (!ok || value <= 0 || value > 10000) {
      settings.ResultsColumns.clear();
      break;
    }
    settings.ResultsColumns.push_back(value);
  }
  return true;
}

void SaveSettings(QSettings& store, const TSettings& settings) {
  if (store.status() != QSettings::NoError || !store.isWritable()) return;
  store.setValue(QStringLiteral("FilesPath"), QString::fromStdString(settings.FilesPath));
  WriteChoice(store, "PPPMethod", settings.PPPMethod);
  WriteChoice(store, "ProtFormat", settings.ProtFormat);
  WriteChoice(store, "SaldoGroup", settings.SaldoGroup);
  store.setValue(QStringLiteral("RegNumb"), QStringFromCp1251(settings.RegNumb));
  store.setValue(QStringLiteral("OrgName"), QStringFromCp1251(settings.OrgName));
  store.setValue(QStringLiteral("OpenProtocol"), settings.OpenProtocol ? 1 : 0);
  store.setValue(QStringLiteral("SubDirs"), settings.SubDirs ? 1 : 0);
  store.setValue(QStringLiteral("CalcCorr"), settings.CalcCorr ? 1 : 0);
  store.setValue(QStringLiteral("WindowWidth"), settings.WindowWidth);
  store.setValue(QStringLiteral("WindowHeight"), settings.WindowHeight);
  store.setValue(QStringLiteral("WindowMaximized"), settings.WindowMaximized ? 1 : 0);
  QStringList widths;
  for (const int width : settings.ResultsColumns) widths.push_back(QString::number(width));
  store.setValue(QStringLiteral("ResultsColumns"), widths.join(QLatin1Char(',')));
  store.sync();
}

namespace {

QSettings::Format g_storeFormat = QSettings::NativeFormat;

}  // namespace

void UseSettingsFile() { g_storeFormat = QSettings::IniFormat; }

bool LoadSettings(TSettings& settings) {
  QSettings store(g_storeFormat, QSettings::UserScope, QLatin1String(kOrganisation),
                  QLatin1String(kApplication));
  return LoadSettings(store, settings);
}

void SaveSettings(const TSettings& settings) {
  QSettings store(g_storeFormat, QSettings::UserScope, QLatin1String(kOrganisation),
                  QLatin1String(kApplication));
  SaveSettings(store, settings);
}

}  // namespace brisolt
