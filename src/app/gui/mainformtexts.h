// The main window's texts that more than one of its files show. Only the window's files include
// this.
#pragma once

#include <QString>

namespace brisolt::mainform {

inline constexpr char kCaptionError[] = "Ошибка";
inline constexpr char kCaptionInformation[] = "Информация";

// The notice above the insurer list on the parameters page.
inline constexpr char kNoticeFirst[] =
    "Для корректного расчёта папка должна содержать все файлы с индивидуальными сведениями по "
    "формам СЗВ-6-1, СЗВ-6-2, СЗВ-6-4,  переданные одним или несколькими страхователями в ПФР за "
    "период с 1 января 2010 года.";

inline QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace brisolt::mainform
