#include "app/gui/qtext.h"

#include "base/encoding.h"

namespace brisolt {

QString QStringFromCp1251(const std::string& text) {
  const std::u16string wide = Cp1251ToUtf16(text);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string Cp1251FromQString(const QString& text) {
  return Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                           static_cast<std::size_t>(text.size())));
}

QString QStringFromNative(const std::string& text) { return QString::fromStdString(text); }

std::string NativeFromQString(const QString& text) { return text.toStdString(); }

}  // namespace brisolt
