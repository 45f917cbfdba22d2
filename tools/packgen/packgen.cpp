#include "packgen.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "base/encoding.h"
#include "engine/constants.h"

namespace brisolt::packgen {
namespace {

// Builds the XML text in UTF-8; converted to windows-1251 once at the end.
class TXmlOut {
 public:
  explicit TXmlOut(const TRenderStyle& style) : style_(style) {
    out_ = style_.BlankBeforeDeclEnd ? "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>"
                                     : "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
  }

  void Open(std::string_view name, std::string_view attributes = {}) {
    NewLine();
    out_ += '<';
    out_ += name;
    if (!attributes.empty()) {
      out_ += ' ';
      out_ += attributes;
    }
    out_ += '>';
    stack_.emplace_back(name);
  }

  void Close() {
    const std::string name = stack_.back();
    stack_.pop_back();
    NewLine();
    out_ += "</" + name + ">";
  }

  void Leaf(std::string_view name, std::string_view value) {
    NewLine();
    out_ += '<';
    out_ += name;
    if (value.empty()) {
      out_ += "/>";
      return;
    }
    out_ += '>';
    for (const char character : value) {
      switch (character) {
        case '&': out_ += "&amp;"; break;
        case '<': out_ += "&lt;"; break;
        case '>': out_ += "&gt;"; break;
        case '"': out_ += "&quot;"; break;
        default: out_ += character;
      }
    }
    out_ += "</";
    out_ += name;
    out_ += '>';
  }

  void Leaf(std::string_view name, long long value) { Leaf(name, std::to_string(value)); }

  std::string Take() {
    if (style_.Indented) {
      out_ += "\r\n";
    }
    return Utf8ToCp1251(out_);
  }

 private:
  void NewLine() {
    if (style_.Indented) {
      out_ += "\r\n";
      out_.append(stack_.size(), '\t');
    }
  }

  TRenderStyle style_;
  std::string out_;
  std::vector<std::string> stack_;
};

std::string Amount(std::int64_t units) {
  const bool negative = units < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
  const std::uint64_t kopecks = (magnitude + 50) / 100;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%s%llu.%02llu", negative ? "-" : "",
                static_cast<unsigned long long>(kopecks / 100), static_cast<unsigned long long>(kopecks % 100));
  return buffer;
}

void FileHeader(TXmlOut& xml, const std::string& fileName) {
  xml.Leaf("ИмяФайла", fileName);
  xml.Open("ЗаголовокФайла");
  xml.Leaf("ВерсияФормата", "07.00");
  xml.Leaf("ТипФайла", "ВНЕШНИЙ");
  xml.Open("ПрограммаПодготовкиДанных");
  xml.Leaf("НазваниеПрограммы", "ЗАРПЛАТА И КАДРЫ");
  xml.Leaf("Версия", "3.1.14");
  xml.Close();
  xml.Leaf("ИсточникДанных", "СТРАХОВАТЕЛЬ");
  xml.Close();
}

void Composer(TXmlOut& xml, const std::string& regNumb, const std::string& orgName, const std::string& shortName) {
  xml.Open("СоставительПачки");
  xml.Open("НалоговыйНомер");
  xml.Leaf("ИНН", "77" + std::string(regNumb.size() >= 14 ? regNumb.substr(8, 6) : "123456") + "01");
  xml.Leaf("КПП", "770101001");
  xml.Close();
  xml.Leaf("РегистрационныйНомер", regNumb);
  if (!orgName.empty()) {
    xml.Leaf("НаименованиеОрганизации", orgName);
  }
  if (!shortName.empty()) {
    xml.Leaf("НаименованиеКраткое", shortName);
  }
  xml.Close();
}

void PackNumber(TXmlOut& xml, int number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%05d", number);
  xml.Open("НомерПачки");
  xml.Leaf("Основной", buffer);
  xml.Close();
}

void Contents(TXmlOut& xml, const std::string& documentType, std::size_t count) {
  xml.Open("СоставДокументов");
  xml.Leaf("Количество", 1);
  xml.Open("НаличиеДокументов");
  xml.Leaf("ТипДокумента", documentType);
  xml.Leaf("Количество", static_cast<long long>(count));
  xml.Close();
  xml.Close();
}

void Names(TXmlOut& xml, const std::string& last, const std::string& first, const std::string& middle) {
  xml.Open("ФИО");
  xml.Leaf("Фамилия", last);
  xml.Leaf("Имя", first);
  xml.Leaf("Отчество", middle);
  xml.Close();
}

// One part of an address: its name or number and the abbreviation written with it.
void AddressPart(TXmlOut& xml, const char* element, const char* field, const std::string& value,
                 const char* abbreviation) {
  xml.Open(element);
  xml.Leaf(field, value);
  xml.Leaf("Сокращение", abbreviation);
  xml.Close();
}

void Address(TXmlOut& xml, std::size_t variant) {
  static const char* const kStreets[] = {"Ленина", "Садовая", "Мира", "Гагарина", "Новая", "Школьная"};
  constexpr const char* kName = "ГеографическоеНазвание";
  xml.Open("АдресЗЛ");
  xml.Leaf("ТипАдреса", "РЕГИСТРАЦИИ");
  xml.Leaf("Индекс", std::to_string(142100 + variant % 800));
  xml.Open("РоссийскийАдрес");
  AddressPart(xml, "Регион", kName, "Московская", "обл");
  AddressPart(xml, "Город", kName, "Подольск", "г");
  AddressPart(xml, "Улица", kName, kStreets[variant % 6], "ул");
  AddressPart(xml, "Дом", "Номер", std::to_string(1 + variant % 97), "д");
  if (variant % 3 == 0) {
    AddressPart(xml, "Корпус", "Номер", std::to_string(1 + variant % 4), "корп");
  }
  AddressPart(xml, "Квартира", "Номер", std::to_string(1 + variant % 240), "кв");
  xml.Close();
  xml.Close();
}

void Contributions(TXmlOut& xml, const TGenDoc& doc) {
  xml.Open("СуммаВзносовНаСтраховую");
  xml.Leaf("Начислено", Amount(doc.InsAccrued));
  xml.Leaf("Уплачено", Amount(doc.InsPaid));
  xml.Close();
  xml.Open("СуммаВзносовНаНакопительную");
  xml.Leaf("Начислено", Amount(doc.FundAccrued));
  xml.Leaf("Уплачено", Amount(doc.FundPaid));
  xml.Close();
}

void Stages(TXmlOut& xml, const TGenDoc& doc) {
  int line = 0;
  for (const auto& stage : doc.Stages) {
    xml.Open("СтажевыйПериод");
    xml.Leaf("НомерСтроки", ++line);
    xml.Leaf("ДатаНачалаПериода", stage.Start);
    xml.Leaf("ДатаКонцаПериода", stage.End);
    if (stage.WithSpecialConditions) {
      xml.Open("ЛьготныйСтаж");
      xml.Leaf("НомерСтроки", 1);
      xml.Open("ОсобенностиУчета");
      xml.Open("ТерриториальныеУсловия");
      xml.Leaf("ОснованиеТУ", "РКС");
      xml.Leaf("Коэффициент", "1.50");
      xml.Close();
      xml.Open("ОсобыеУсловияТруда");
      xml.Leaf("ОснованиеОУТ", "27-2");
      xml.Leaf("ПозицияСписка", "2290000А-17541");
      xml.Close();
      xml.Open("ИсчисляемыйСтаж");
      xml.Leaf("ОснованиеИС", "ВОДОЛАЗ");
      xml.Open("ВыработкаВчасах");
      xml.Leaf("Часы", 120);
      xml.Leaf("Минуты", 30);
      xml.Close();
      xml.Close();
      xml.Close();
      xml.Close();
    }
    xml.Close();
  }
}

constexpr const char* kSZV6Inventory = "ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ";
constexpr const char* kSZV64Inventory = "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ";
constexpr const char* kSZV6Document = "СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ";
constexpr const char* kSZV64Document = "СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ";
constexpr const char* kPackAttributes = "Окружение=\"В составе файла\" Стадия=\"До обработки\"";

// splitmix64: tiny, and the same sequence everywhere (the standard distributions are not).
class TRandom {
 public:
  explicit TRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [low, high].
  std::int64_t Range(std::int64_t low, std::int64_t high) {
    return low + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(high - low + 1));
  }
  // True with the given chance in thousandths.
  bool Chance(int perMille) { return Range(0, 999) < perMille; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Next() % N];
  }

 private:
  std::uint64_t state_;
};

std::string DateText(int year, int month, int day) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", day, month, year);
  return buffer;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

struct TPeriod {
  int Year;
  int Number;
  int FirstMonth;
  int LastMonth;
};

TPeriod PeriodAt(int index) {
  if (index < 2) {
    return {2010, index + 1, index * 6 + 1, index * 6 + 6};
  }
  const int quarter = (index - 2) % 4 + 1;
  return {2011 + (index - 2) / 4, quarter, quarter * 3 - 2, quarter * 3};
}

// A month counted from January 2010.
int MonthIndex(int year, int month) { return (year - 2010) * 12 + month - 1; }

struct TPerson {
  std::string SNILS;
  std::string LastName;
  std::string FirstName;
  std::string MiddleName;
  bool Funded = true;     // born 1967 or later: part of the contributions goes to the funded part
  bool Disabled = false;  // a reduced-rate category
  bool IgnoresLimit = false;
  int HireMonth = 0;      // month index of the first month worked
  int HireDay = 1;
  int LeaveMonth = 1 << 20;  // month index of the last month worked
  int LeaveDay = 31;
  std::int64_t Salary = 0;   // per month, units
  int Behaviour = 0;         // 0 pays in full, 1 pays late, 2 stays in debt, 3 overpays once
  std::size_t Variant = 0;
};

const char* const kMaleLast[] = {"Иванов", "Петров", "Сидоров", "Смирнов", "Кузнецов", "Попов", "Васильев",
                                 "Соколов", "Михайлов", "Новиков", "Фёдоров", "Морозов", "Волков", "Алексеев",
                                 "Лебедев", "Семёнов", "Егоров", "Павлов", "Козлов", "Степанов", "Николаев",
                                 "Орлов", "Андреев", "Макаров", "Никитин", "Захаров", "Зайцев", "Соловьёв",
                                 "Борисов", "Яковлев", "Григорьев", "Романов", "Воробьёв", "Сергеев", "Кузьмин",
                                 "Фролов", "Александров", "Дмитриев", "Королёв", "Гусев", "Ёлкин", "Щукин"};
const char* const kMaleFirst[] = {"Александр", "Сергей", "Владимир", "Андрей", "Алексей", "Дмитрий", "Николай",
                                  "Михаил", "Игорь", "Евгений", "Юрий", "Олег", "Виктор", "Павел", "Артём"};
const char* const kFemaleFirst[] = {"Елена", "Татьяна", "Наталья", "Ольга", "Ирина", "Светлана", "Марина",
                                    "Анна", "Людмила", "Галина", "Юлия", "Екатерина", "Мария", "Валентина"};
const char* const kFather[] = {"Александров", "Сергеев", "Владимиров", "Андреев", "Алексеев", "Дмитриев",
                               "Николаев", "Михайлов", "Игорев", "Евгеньев", "Юрьев", "Викторов", "Павлов"};

TPerson MakePerson(TRandom& random, std::uint64_t number) {
  TPerson person;
  person.SNILS = MakeSNILS(number);
  const bool male = random.Chance(500);
  const std::string last = random.Pick(kMaleLast);
  person.LastName = male ? last : last + "а";
  person.FirstName = male ? random.Pick(kMaleFirst) : random.Pick(kFemaleFirst);
  person.MiddleName = std::string(random.Pick(kFather)) + (male ? "ич" : "на");
  person.Funded = random.Chance(650);
  person.Disabled = random.Chance(30);
  person.Variant = static_cast<std::size_t>(random.Next() % 100000);
  return person;
}

std::string Category(int year, bool disabled) {
  if (!disabled) {
    return "НР";
  }
  return year == 2010 ? "ОЗОИ" : "ООИ";
}

// The funded part's share of the rate, ten-thousandths, for a person who has one.
constexpr std::int64_t kFundedRate = 600;

// Rate in ten-thousandths of both parts (the program's own table) and of the funded part.
std::pair<std::int64_t, std::int64_t> Rates(int year, bool disabled, bool funded) {
  return {GetTariff(year, Utf8ToCp1251(Category(year, disabled))), funded ? kFundedRate : 0};
}

// The second insurer of a folder: its first quarter of 2011, documents to be added.
TGenSZV6Pack OtherInsurerPack() {
  TGenSZV6Pack other;
  other.RegNumb = "087-002-054321";
  other.OrgName = "ЗАО \"Василёк\"";
  other.ShortName = "Василёк";
  other.Year = 2011;
  other.Quarter = 1;
  other.PackNumber = 1;
  return other;
}

// A person who worked the whole first quarter of 2011 and whose contributions are paid in full.
TGenDoc PaidFirstQuarter2011(const std::string& snils, const std::string& lastName, const std::string& firstName,
                             const std::string& middleName, std::int64_t ins, std::int64_t fund) {
  TGenDoc doc;
  doc.SNILS = snils;
  doc.LastName = lastName;
  doc.FirstName = firstName;
  doc.MiddleName = middleName;
  doc.InsAccrued = doc.InsPaid = ins;
  doc.FundAccrued = doc.FundPaid = fund;
  doc.Stages.push_back({"01.01.2011", "31.03.2011", false});
  return doc;
}

struct TWriter {
  std::string Folder;
  TGenSummary Summary;
  int FileNumber = 0;
  TRenderStyle Style;

  std::string NextName(const std::string& regNumb, int year) { return PackFileName(regNumb, year, ++FileNumber); }

  void Write(const std::string& name, const std::string& bytes) {
    WriteBytes(NativeFromPath(PathFromNative(Folder) / PathFromNative(name)), bytes);
    ++Summary.Files;
    Summary.Bytes += bytes.size();
  }

  // Some programs write a blank before "?>"; every third file here does.
  TRenderStyle StyleFor() const {
    TRenderStyle style = Style;
    style.BlankBeforeDeclEnd = FileNumber % 3 == 0;
    return style;
  }

  void Write(TGenSZV6Pack& pack) {
    const std::string name = NextName(pack.RegNumb, pack.Year);
    pack.FileName = name;
    Write(name, RenderSZV6Pack(pack, StyleFor()));
    ++Summary.SZV6Packs;
    Summary.Documents += static_cast<std::int64_t>(pack.Docs.size());
  }

  void Write(TGenSZV63Pack& pack) {
    const std::string name = NextName(pack.RegNumb, pack.Year);
    pack.FileName = name;
    Write(name, RenderSZV63Pack(pack, StyleFor()));
    ++Summary.SZV63Packs;
    Summary.Documents += static_cast<std::int64_t>(pack.Docs.size());
  }
};

// Splits documents into packs of at most `perPack` and writes them.
void WriteSplit(TWriter& writer, const TGenSZV6Pack& header, std::vector<TGenDoc>& docs, int perPack, int& packNumber) {
  for (std::size_t start = 0; start < docs.size(); start += static_cast<std::size_t>(perPack)) {
    TGenSZV6Pack pack = header;
    pack.PackNumber = ++packNumber;
    const std::size_t end = std::min(docs.size(), start + static_cast<std::size_t>(perPack));
    pack.Docs.assign(std::make_move_iterator(docs.begin() + static_cast<std::ptrdiff_t>(start)),
                     std::make_move_iterator(docs.begin() + static_cast<std::ptrdiff_t>(end)));
    writer.Write(pack);
  }
}

std::string CompileDateAfter(const TPeriod& period, int days) {
  // The month after the period's end, the given day.
  int month = period.LastMonth + 1;
  int year = period.Year;
  if (month > 12) {
    month = 1;
    ++year;
  }
  return DateText(year, month, std::min(days, 28));
}

}  // namespace

std::string RenderSZV6Pack(const TGenSZV6Pack& pack, const TRenderStyle& style) {
  const bool form4 = pack.FormKind == "СЗВ-6-4";
  TXmlOut xml(style);
  xml.Open("ФайлПФР", "xmlns=\"http://schema.pfr.ru\"");
  FileHeader(xml, pack.FileName.empty() ? PackFileName(pack.RegNumb, pack.Year, pack.PackNumber) : pack.FileName);
  xml.Open("ПачкаВходящихДокументов", kPackAttributes);
  xml.Open(form4 ? kSZV64Inventory : kSZV6Inventory);
  xml.Leaf("НомерВпачке", 1);
  xml.Leaf("ТипВходящейОписи", "ОПИСЬ ПАЧКИ");
  Composer(xml, pack.RegNumb, pack.OrgName, pack.ShortName);
  PackNumber(xml, pack.PackNumber);
  Contents(xml, pack.FormKind, pack.Docs.size());
  xml.Leaf("ДатаСоставления", pack.CompileDate);
  xml.Leaf("ТипСведений", pack.DataType);
  xml.Open("ОтчетныйПериод");
  xml.Leaf("Квартал", pack.Quarter);
  xml.Leaf("Год", pack.Year);
  xml.Close();
  if (pack.DataType != "ИСХОДНАЯ") {
    xml.Open("КорректируемыйОтчетныйПериод");
    xml.Leaf("Квартал", pack.CorrQuarter);
    xml.Leaf("Год", pack.CorrYear);
    xml.Close();
  }
  xml.Leaf("КодКатегории", pack.CategoryCode);
  if (form4) {
    xml.Leaf("ТипДоговора", pack.ContractType);
  }
  xml.Close();
  int numberInPack = 1;
  for (const auto& doc : pack.Docs) {
    xml.Open(form4 ? kSZV64Document : kSZV6Document);
    xml.Leaf("НомерВпачке", ++numberInPack);
    if (!form4) {
      xml.Leaf("ВидФормы", pack.FormKind);
    }
    xml.Leaf("СтраховойНомер", doc.SNILS);
    Names(xml, doc.LastName, doc.FirstName, doc.MiddleName);
    if (!form4 && doc.WithAddress) {
      Address(xml, static_cast<std::size_t>(numberInPack) * 7919 + doc.SNILS.size());
    }
    if (form4) {
      xml.Open("СведенияОсуммеВыплатИвознагражденийВпользуЗЛ");
      xml.Leaf("ТипСтроки", "ИТОГО");
      xml.Leaf("СуммаВыплатВсего", Amount((doc.InsAccrued + doc.FundAccrued) * 5));
      xml.Close();
    }
    Contributions(xml, doc);
    Stages(xml, doc);
    xml.Leaf("ДатаЗаполнения", doc.FillDate);
    xml.Close();
  }
  xml.Close();
  xml.Close();
  return xml.Take();
}

std::string RenderSZV63Pack(const TGenSZV63Pack& pack, const TRenderStyle& style) {
  TXmlOut xml(style);
  xml.Open("ФайлПФР", "xmlns=\"http://schema.pfr.ru\"");
  FileHeader(xml, pack.FileName.empty() ? PackFileName(pack.RegNumb, pack.Year, pack.PackNumber) : pack.FileName);
  xml.Open("ПачкаВходящихДокументов", kPackAttributes);
  xml.Open("ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ");
  xml.Leaf("НомерВпачке", 1);
  xml.Leaf("ТипВходящейОписи", "ОПИСЬ ПАЧКИ");
  Composer(xml, pack.RegNumb, pack.OrgName, pack.ShortName);
  PackNumber(xml, pack.PackNumber);
  Contents(xml, "СЗВ-6-3", pack.Docs.size());
  xml.Leaf("ДатаСоставления", pack.CompileDate);
  xml.Leaf("ТипСведений", pack.DataType);
  xml.Leaf("ОтчетныйГод", pack.Year);
  xml.Leaf("КодКатегории", pack.CategoryCode);
  xml.Leaf("ТипДоговора", pack.ContractType);
  xml.Close();
  int numberInPack = 1;
  for (const auto& doc : pack.Docs) {
    xml.Open("СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ");
    xml.Leaf("НомерВпачке", ++numberInPack);
    xml.Leaf("СтраховойНомер", doc.SNILS);
    Names(xml, doc.LastName, doc.FirstName, doc.MiddleName);
    TGenMonth year;
    for (const auto& month : doc.Months) {
      year.Total += month.Total;
      year.Taxable += month.Taxable;
    }
    xml.Open("СуммаВыплатИвознаграждений");
    xml.Leaf("ТипСтроки", "ИТОГО");
    xml.Leaf("СуммаВыплатВсего", Amount(year.Total));
    xml.Leaf("СуммаВыплатНачисленыСтраховыеВзносы", Amount(year.Taxable));
    xml.Close();
    for (int month = 1; month <= 12; ++month) {
      const TGenMonth& sums = doc.Months[static_cast<std::size_t>(month - 1)];
      if (sums.Total == 0 && sums.Taxable == 0) {
        continue;
      }
      xml.Open("СуммаВыплатИвознаграждений");
      xml.Leaf("ТипСтроки", "МЕСЯЦ");
      xml.Leaf("Месяц", month);
      xml.Leaf("СуммаВыплатВсего", Amount(sums.Total));
      xml.Leaf("СуммаВыплатНачисленыСтраховыеВзносы", Amount(sums.Taxable));
      xml.Close();
    }
    xml.Leaf("ДатаЗаполнения", doc.FillDate);
    xml.Close();
  }
  xml.Close();
  xml.Close();
  return xml.Take();
}

std::string RenderForeignPack(const std::string& regNumb, const TRenderStyle& style) {
  TXmlOut xml(style);
  xml.Open("ФайлПФР", "xmlns=\"http://schema.pfr.ru\"");
  FileHeader(xml, PackFileName(regNumb, 2011, 900));
  xml.Open("ПачкаВходящихДокументов", kPackAttributes);
  xml.Open("ВХОДЯЩАЯ_ОПИСЬ");
  xml.Leaf("НомерВпачке", 1);
  xml.Leaf("ТипВходящейОписи", "ОПИСЬ ПАЧКИ");
  Composer(xml, regNumb, "ООО \"Ромашка\"", "");
  PackNumber(xml, 900);
  Contents(xml, "АДВ-1", 1);
  xml.Leaf("ДатаСоставления", "11.05.2011");
  xml.Close();
  xml.Open("АНКЕТА_ЗЛ");
  xml.Leaf("НомерВпачке", 2);
  Names(xml, "Новикова", "Анна", "Павловна");
  xml.Leaf("Пол", "Ж");
  xml.Open("ДатаРождения");
  xml.Leaf("Дата", "12.03.1988");
  xml.Close();
  xml.Leaf("ДатаЗаполнения", "11.05.2011");
  xml.Close();
  xml.Close();
  xml.Close();
  return xml.Take();
}

std::string PackFileName(const std::string& regNumb, int year, int number) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "PFR-700-Y-%04d-ORG-%s-DCK-%05d-DPT-000000-DCK-00000.XML", year,
                regNumb.c_str(), number);
  return buffer;
}

std::string MakeSNILS(std::uint64_t n) {
  // Numbers above 001-001-998 carry a control number: the digits weighted 9..1, modulo 101.
  const std::uint64_t body = 2002000 + (n * 7919) % 997000000;
  char digits[10];
  std::snprintf(digits, sizeof digits, "%09llu", static_cast<unsigned long long>(body));
  int sum = 0;
  for (int index = 0; index < 9; ++index) {
    sum += (digits[index] - '0') * (9 - index);
  }
  int control = sum % 101;
  if (control == 100) {
    control = 0;
  }
  char buffer[20];
  std::snprintf(buffer, sizeof buffer, "%.3s-%.3s-%.3s %02d", digits, digits + 3, digits + 6, control);
  return buffer;
}

void WriteBytes(const std::string& fileName, const std::string& bytes) {
  const std::filesystem::path path = PathFromNative(fileName);
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path());
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    throw std::runtime_error("cannot write " + fileName);
  }
}

namespace {

const char* const kOrgName = "ООО \"Ромашка\"";
const char* const kShortName = "Ромашка";

// The generated insurer's names on a pack of either kind.
template <typename TPack>
void NameOurInsurer(TPack& pack, const std::string& regNumb) {
  pack.RegNumb = regNumb;
  pack.OrgName = kOrgName;
  pack.ShortName = kShortName;
}

// A document of the given person with the names filled in.
template <typename TDoc, typename TWho>
TDoc DocFor(const TWho& person) {
  TDoc doc;
  doc.LastName = person.LastName;
  doc.FirstName = person.FirstName;
  doc.MiddleName = person.MiddleName;
  return doc;
}

// A folder of one large insurer, period by period; the random draws come in a fixed order, so
// the steps below keep the order of their calls.
class TFolderGenerator {
 public:
  TFolderGenerator(const TGenOptions& options, const std::string& folder)
      : options_(options),
        random_(options.Seed * 0x2545F4914F6CDD1DULL + 17),
        periods_(std::max(1, options.Periods)),
        perPack_(std::max(1, options.DocsPerPack)),
        last_(PeriodAt(periods_ - 1)),
        lastMonth_(MonthIndex(last_.Year, last_.LastMonth)),
        monthCount_(static_cast<std::size_t>(lastMonth_) + 1) {
    writer_.Folder = folder;
    writer_.Style.Indented = options.Indented;
  }

  TGenSummary Run() {
    MakeStaff();
    const int duplicatePeriod = periods_ > 2 ? static_cast<int>(random_.Range(1, periods_ - 1)) : -1;
    for (int periodIndex = 0; periodIndex < periods_; ++periodIndex) {
      WritePeriod(periodIndex, periodIndex == duplicatePeriod);
    }
    WriteCorrections(corrections_, "КОРРЕКТИРУЮЩАЯ");
    WriteCorrections(cancellations_, "ОТМЕНЯЮЩАЯ");
    for (int year = 2010; year <= std::min(2012, last_.Year); ++year) {
      WriteSZV63Year(year);
    }
    WriteOtherFiles();
    return writer_.Summary;
  }

 private:
  // A document to be submitted again, with the period after the one it corrects.
  struct TCorrection {
    int Period;
    TGenDoc Doc;
    bool Disabled;
  };

  // Hirings and dismissals, salaries (a few over the base limit) and how each one pays.
  void MakeStaff() {
    persons_.reserve(static_cast<std::size_t>(std::max(0, options_.Persons)));
    for (int index = 0; index < options_.Persons; ++index) {
      TPerson person = MakePerson(random_, static_cast<std::uint64_t>(index) + options_.Seed * 1000003);
      if (!random_.Chance(700)) {
        person.HireMonth = static_cast<int>(random_.Range(0, lastMonth_));
        person.HireDay = static_cast<int>(random_.Range(1, 28));
      }
      if (random_.Chance(250)) {
        person.LeaveMonth = static_cast<int>(random_.Range(person.HireMonth, lastMonth_));
        person.LeaveDay = static_cast<int>(random_.Range(person.LeaveMonth == person.HireMonth ? person.HireDay : 1, 28));
      }
      person.Salary = random_.Chance(30) ? random_.Range(150000, 400000) * 10000 : random_.Range(12000, 75000) * 10000;
      person.IgnoresLimit = random_.Chance(5);
      const int roll = static_cast<int>(random_.Range(0, 999));
      person.Behaviour = roll < 920 ? 0 : roll < 970 ? 1 : roll < 990 ? 2 : 3;
      persons_.push_back(std::move(person));
    }
    yearBase_.assign(persons_.size(), 0);
    carried_.assign(persons_.size(), 0);
    monthSums_.assign(persons_.size() * monthCount_, TGenMonth{});
    monthWorked_.assign(persons_.size() * monthCount_, 0);
  }

  // The initial packs of one period; some documents are kept to be corrected or cancelled later.
  void WritePeriod(int periodIndex, bool submittedTwice) {
    const TPeriod period = PeriodAt(periodIndex);
    if (period.Number == 1) {
      std::fill(yearBase_.begin(), yearBase_.end(), 0);
    }
    std::vector<TGenDoc> docsByCategory[2];
    for (std::size_t index = 0; index < persons_.size(); ++index) {
      const TPerson& person = persons_[index];
      const int first = std::max(MonthIndex(period.Year, period.FirstMonth), person.HireMonth);
      const int lastWorked = std::min(MonthIndex(period.Year, period.LastMonth), person.LeaveMonth);
      if (first > lastWorked) {
        continue;
      }
      TGenDoc doc = PeriodDoc(index, periodIndex, period, first, lastWorked);
      KeepForLater(doc, periodIndex, person.Disabled);
      docsByCategory[person.Disabled ? 1 : 0].push_back(std::move(doc));
    }
    WriteInitialPacks(period, docsByCategory, submittedTwice);
  }

  TGenDoc PeriodDoc(std::size_t index, int periodIndex, const TPeriod& period, int first, int lastWorked) {
    const TPerson& person = persons_[index];
    TGenDoc doc = DocFor<TGenDoc>(person);
    doc.SNILS = person.SNILS;
    doc.WithAddress = person.Variant % 5 < 3;
    const auto [totalRate, fundRate] = Rates(period.Year, person.Disabled, person.Funded);
    const std::int64_t base = AccruePayroll(index, period, first, lastWorked);
    const auto kopecks = [](std::int64_t units) { return (units + 50) / 100 * 100; };
    doc.FundAccrued = kopecks(base * fundRate / 10000);
    doc.InsAccrued = kopecks(base * totalRate / 10000) - doc.FundAccrued;
    doc.InsPaid = doc.InsAccrued;
    doc.FundPaid = doc.FundAccrued;
    ApplyPaymentBehaviour(doc, index, periodIndex);
    doc.Stages.push_back(StageOf(person, first, lastWorked));
    doc.FillDate = CompileDateAfter(period, 10);
    return doc;
  }

  // The contribution base of the months worked, within the yearly limit; the months' sums are
  // kept for СЗВ-6-3.
  std::int64_t AccruePayroll(std::size_t index, const TPeriod& period, int first, int lastWorked) {
    const TPerson& person = persons_[index];
    const std::int64_t limit = static_cast<std::int64_t>(GetBaseLimit(period.Year)) * 10000;
    std::int64_t base = 0;
    for (int month = first; month <= lastWorked; ++month) {
      std::int64_t pay = person.Salary;
      if (!person.IgnoresLimit) {
        pay = std::max<std::int64_t>(0, std::min(pay, limit - yearBase_[index]));
      }
      yearBase_[index] += pay;
      base += pay;
      TGenMonth& sums = monthSums_[index * monthCount_ + static_cast<std::size_t>(month)];
      monthWorked_[index * monthCount_ + static_cast<std::size_t>(month)] = 1;
      sums.Total += person.Salary;
      sums.Taxable += pay;
    }
    return base;
  }

  void ApplyPaymentBehaviour(TGenDoc& doc, std::size_t index, int periodIndex) {
    const int behaviour = persons_[index].Behaviour;
    if (behaviour == 1) {
      // Pays a share late: short this period, the arrears with the next one.
      doc.InsPaid += carried_[index];
      carried_[index] = doc.InsAccrued / 10 / 100 * 100;
      doc.InsPaid -= carried_[index];
    } else if (behaviour == 2 && periodIndex == periods_ - 1) {
      doc.InsPaid -= doc.InsAccrued / 4 / 100 * 100;
    } else if (behaviour == 3 && periodIndex == periods_ / 2) {
      doc.InsPaid += 1500000;
    }
  }

  static TGenStage StageOf(const TPerson& person, int first, int lastWorked) {
    const int firstYear = first / 12 + 2010;
    const int firstMonth = first % 12 + 1;
    const int lastYear = lastWorked / 12 + 2010;
    const int lastMonthOfYear = lastWorked % 12 + 1;
    TGenStage stage;
    stage.Start = DateText(firstYear, firstMonth, first == person.HireMonth ? person.HireDay : 1);
    stage.End = DateText(lastYear, lastMonthOfYear,
                         lastWorked == person.LeaveMonth ? person.LeaveDay : DaysInMonth(lastYear, lastMonthOfYear));
    stage.WithSpecialConditions = person.Variant % 20 == 7;
    return stage;
  }

  // A few documents are corrected with the next period, fewer cancelled.
  void KeepForLater(const TGenDoc& doc, int periodIndex, bool disabled) {
    if (random_.Chance(8) && periodIndex + 1 < periods_) {
      TGenDoc fixed = doc;
      fixed.InsPaid = fixed.InsAccrued;
      fixed.FundPaid = fixed.FundAccrued;
      fixed.InsAccrued += 10000 * random_.Range(0, 3) * 100;
      fixed.InsPaid = fixed.InsAccrued;
      corrections_.push_back({periodIndex, std::move(fixed), disabled});
    } else if (random_.Chance(1) && periodIndex + 1 < periods_) {
      TGenDoc cancelled = doc;
      cancelled.InsAccrued = cancelled.InsPaid = cancelled.FundAccrued = cancelled.FundPaid = 0;
      cancelled.Stages.clear();
      cancellations_.push_back({periodIndex, std::move(cancelled), disabled});
    }
  }

  void WriteInitialPacks(const TPeriod& period, std::vector<TGenDoc> (&docsByCategory)[2], bool submittedTwice) {
    const bool form4 = period.Year >= 2013;
    for (int category = 0; category < 2; ++category) {
      TGenSZV6Pack header;
      header.FormKind = form4 ? "СЗВ-6-4" : (category == 0 && period.Year == 2012 ? "СЗВ-6-2" : "СЗВ-6-1");
      header.DataType = "ИСХОДНАЯ";
      header.Year = period.Year;
      header.Quarter = period.Number;
      NameOurInsurer(header, options_.RegNumb);
      header.CategoryCode = Category(period.Year, category == 1);
      header.CompileDate = CompileDateAfter(period, 12);
      if (submittedTwice && category == 0 && !docsByCategory[0].empty()) {
        // Submitted twice: a later copy of the first pack of the period.
        std::vector<TGenDoc> copy(docsByCategory[0].begin(),
                                  docsByCategory[0].begin() +
                                      static_cast<std::ptrdiff_t>(std::min<std::size_t>(docsByCategory[0].size(), perPack_)));
        TGenSZV6Pack again = header;
        again.CompileDate = CompileDateAfter(period, 25);
        WriteSplit(writer_, again, copy, perPack_, packNumber_);
      }
      WriteSplit(writer_, header, docsByCategory[category], perPack_, packNumber_);
    }
  }

  // Corrective or cancelling packs, submitted with the period after the one they correct.
  void WriteCorrections(std::vector<TCorrection>& list, const char* dataType) {
    std::map<std::tuple<int, bool>, std::vector<TGenDoc>> groups;
    for (auto& item : list) {
      groups[{item.Period, item.Disabled}].push_back(std::move(item.Doc));
    }
    for (auto& [key, docs] : groups) {
      const TPeriod corrected = PeriodAt(std::get<0>(key));
      const TPeriod reported = PeriodAt(std::get<0>(key) + 1);
      TGenSZV6Pack header;
      header.FormKind = reported.Year >= 2013 ? "СЗВ-6-4" : "СЗВ-6-1";
      header.DataType = dataType;
      header.Year = reported.Year;
      header.Quarter = reported.Number;
      header.CorrYear = corrected.Year;
      header.CorrQuarter = corrected.Number;
      NameOurInsurer(header, options_.RegNumb);
      header.CategoryCode = Category(corrected.Year, std::get<1>(key));
      header.CompileDate = CompileDateAfter(reported, 20);
      WriteSplit(writer_, header, docs, perPack_, packNumber_);
    }
  }

  // The year's СЗВ-6-3 documents of everyone who worked in it, by category.
  void CollectSZV63Docs(int year, std::vector<TGenSZV63Doc> (&docs)[2]) const {
    for (std::size_t index = 0; index < persons_.size(); ++index) {
      const TPerson& person = persons_[index];
      TGenSZV63Doc doc = DocFor<TGenSZV63Doc>(person);
      bool any = false;
      for (int month = 1; month <= 12; ++month) {
        const int at = MonthIndex(year, month);
        if (at <= lastMonth_ && monthWorked_[index * monthCount_ + static_cast<std::size_t>(at)] != 0) {
          doc.Months[static_cast<std::size_t>(month - 1)] = monthSums_[index * monthCount_ + static_cast<std::size_t>(at)];
          any = true;
        }
      }
      if (!any) {
        continue;
      }
      if (person.Variant % 97 == 13) {
        doc.Months[0].Taxable += 50000000;  // a payment the individual data never saw
      }
      doc.SNILS = person.SNILS;
      doc.FillDate = DateText(year + 1, 2, 1);
      docs[person.Disabled ? 1 : 0].push_back(std::move(doc));
    }
  }

  void WriteSZV63Year(int year) {
    std::vector<TGenSZV63Doc> docs[2];
    CollectSZV63Docs(year, docs);
    for (int category = 0; category < 2; ++category) {
      for (std::size_t start = 0; start < docs[category].size(); start += static_cast<std::size_t>(perPack_)) {
        TGenSZV63Pack pack;
        pack.Year = year;
        NameOurInsurer(pack, options_.RegNumb);
        pack.CategoryCode = Category(year, category == 1);
        pack.PackNumber = ++packNumber_;
        pack.CompileDate = DateText(year + 1, 2, 1);
        const std::size_t end = std::min(docs[category].size(), start + static_cast<std::size_t>(perPack_));
        pack.Docs.assign(docs[category].begin() + static_cast<std::ptrdiff_t>(start),
                         docs[category].begin() + static_cast<std::ptrdiff_t>(end));
        writer_.Write(pack);
      }
    }
  }

  // A second insurer's pack, a foreign form under the mask, and files off the mask.
  void WriteOtherFiles() {
    TGenSZV6Pack other = OtherInsurerPack();
    for (int index = 0; index < 3; ++index) {
      const TPerson person = MakePerson(random_, 900000000ULL + static_cast<std::uint64_t>(index));
      other.Docs.push_back(PaidFirstQuarter2011(person.SNILS, person.LastName, person.FirstName,
                                                person.MiddleName, 52000000, 15600000));
    }
    writer_.Write(other);
    writer_.Write(writer_.NextName(options_.RegNumb, 2011), RenderForeignPack(options_.RegNumb, writer_.Style));
    writer_.Write("readme.txt", "Pack files of the 2010-2013 reporting periods.\r\n");
    writer_.Write("PFR-700-Y-11-ORG-" + options_.RegNumb + ".xml", RenderForeignPack(options_.RegNumb, writer_.Style));
  }

  const TGenOptions& options_;
  TRandom random_;
  TWriter writer_;
  const int periods_;
  const int perPack_;
  const TPeriod last_;
  const int lastMonth_;
  const std::size_t monthCount_;
  int packNumber_ = 0;
  std::vector<TPerson> persons_;
  std::vector<std::int64_t> yearBase_;  // base accrued so far this year, for the yearly limit
  std::vector<std::int64_t> carried_;   // late payments carried to the next period
  std::vector<TGenMonth> monthSums_;    // per person and month, for СЗВ-6-3
  std::vector<char> monthWorked_;
  std::vector<TCorrection> corrections_;
  std::vector<TCorrection> cancellations_;
};

// The persons of the sample insurer and what each one's story shows in a protocol.
struct TSamplePerson {
  const char* LastName;
  const char* FirstName;
  const char* MiddleName;
  int Salary;         // roubles a month
  int FirstPeriod;    // period indices, 0 = first half-year of 2010 ... 5 = 4th quarter of 2011
  int LastPeriod;
  const char* LeaveDate;  // the last day worked, in the last period; nullptr when still at work
  bool Disabled;
};
const TSamplePerson kSamplePersons[] = {
    {"Абрамов", "Сергей", "Петрович", 30000, 0, 5, nullptr, false},
    {"Белова", "Ирина", "Олеговна", 25000, 0, 5, nullptr, false},
    {"Васильев", "Андрей", "Николаевич", 40000, 0, 5, nullptr, false},
    {"Григорьева", "Елена", "Викторовна", 80000, 0, 5, nullptr, false},
    {"Дмитриев", "Олег", "Иванович", 35000, 0, 3, "15.05.2011", false},
    {"Егорова", "Мария", "Сергеевна", 28000, 0, 5, nullptr, false},
    {"Жуков", "Павел", "Андреевич", 32000, 0, 5, nullptr, false},
    {"Зайцева", "Анна", "Павловна", 27000, 0, 5, nullptr, false},
    {"Ильин", "Денис", "Юрьевич", 30000, 0, 5, nullptr, false},
    {"Козлов", "Игорь", "Михайлович", 30000, 0, 5, nullptr, false},
    {"Лебедева", "Ольга", "Викторовна", 26000, 0, 4, "30.09.2011", false},
    {"Морозов", "Виктор", "Алексеевич", 45000, 0, 5, nullptr, false},
    {"Никитина", "Галина", "Борисовна", 20000, 0, 5, nullptr, true},
    {"Ёлкин", "Пётр", "Семёнович", 33000, 2, 5, nullptr, false},
};
enum : int { kAbramov, kBelova, kVasiliev, kGrigorieva, kDmitriev, kEgorova, kZhukov, kZaitseva, kIlyin, kKozlov,
             kLebedeva, kMorozov, kNikitina, kYolkin };
constexpr int kSamplePersonCount = static_cast<int>(std::size(kSamplePersons));

// The sample folder, one situation after another; pack numbers follow the order of writing.
class TSampleGenerator {
 public:
  explicit TSampleGenerator(const std::string& folder) { writer_.Folder = folder; }

  TGenSummary Run() {
    for (int periodIndex = 0; periodIndex < 6; ++periodIndex) {
      WriteInitialPacks(periodIndex);
    }
    WriteSecondInitialPack();
    WriteCorrections();
    for (int year = 2010; year <= 2011; ++year) {
      WriteSZV63Year(year);
    }
    WriteSZV63Resubmissions();
    WriteOtherFiles();
    return writer_.Summary;
  }

 private:
  static std::string SnilsOf(int person) { return MakeSNILS(static_cast<std::uint64_t>(person) + 101); }

  // The person's document of the period, paid in full.
  static TGenDoc DocOf(int person, int periodIndex) {
    const TSamplePerson& spec = kSamplePersons[person];
    const TPeriod period = PeriodAt(periodIndex);
    const std::int64_t base = static_cast<std::int64_t>(spec.Salary) * 10000 * (period.LastMonth - period.FirstMonth + 1);
    const auto [totalRate, fundRate] = Rates(period.Year, spec.Disabled, true);
    TGenDoc doc = DocFor<TGenDoc>(spec);
    doc.SNILS = SnilsOf(person);
    if (person == kYolkin && period.Year == 2011 && period.Number >= 3) {
      // The same number without its separators, as some programs write it.
      std::string digits;
      for (const char character : doc.SNILS) {
        if (character >= '0' && character <= '9') digits += character;
      }
      doc.SNILS = digits;
    }
    doc.FundAccrued = base * fundRate / 10000;
    doc.InsAccrued = base * totalRate / 10000 - doc.FundAccrued;
    doc.InsPaid = doc.InsAccrued;
    doc.FundPaid = doc.FundAccrued;
    const bool leaves = spec.LeaveDate != nullptr && periodIndex == spec.LastPeriod;
    doc.Stages.push_back({DateText(period.Year, period.FirstMonth, 1),
                          leaves ? spec.LeaveDate : DateText(period.Year, period.LastMonth, DaysInMonth(period.Year, period.LastMonth)),
                          person == kMorozov});
    doc.FillDate = CompileDateAfter(period, 10);
    return doc;
  }

  static TGenSZV6Pack Header(int periodIndex, const std::string& category) {
    const TPeriod period = PeriodAt(periodIndex);
    TGenSZV6Pack pack;
    pack.FormKind = periodIndex == 1 ? "СЗВ-6-2" : "СЗВ-6-1";
    pack.Year = period.Year;
    pack.Quarter = period.Number;
    NameOurInsurer(pack, kRegNumb);
    pack.CategoryCode = category;
    pack.CompileDate = CompileDateAfter(period, 15);
    return pack;
  }

  static TGenSZV6Pack Correction(const char* dataType, int correctedIndex, int reportedIndex, const char* compileDate) {
    TGenSZV6Pack pack = Header(reportedIndex, "НР");
    pack.DataType = dataType;
    const TPeriod corrected = PeriodAt(correctedIndex);
    pack.CorrYear = corrected.Year;
    pack.CorrQuarter = corrected.Number;
    pack.CompileDate = compileDate;
    return pack;
  }

  template <typename TPack>
  void Write(TPack& pack) {
    pack.PackNumber = ++packNumber_;
    writer_.Write(pack);
  }

  // The departures from paying in full that the initial packs show.
  static void ApplyInitialStory(TGenDoc& doc, int person, int periodIndex) {
    if (person == kBelova && periodIndex == 5) doc.InsPaid -= 15000000;             // still owes 1500.00
    if (person == kVasiliev && periodIndex == 2) doc.InsPaid += 20000000;           // paid 2000.00 too much
    if (person == kDmitriev && periodIndex == 3) doc.InsPaid -= 30000000;           // left owing 3000.00
    if (person == kEgorova && periodIndex == 3) doc.InsAccrued -= 10000000;         // corrected later
    if (person == kLebedeva && periodIndex == 4) doc.FundPaid -= 8000000;           // left owing 800.00 funded
  }

  // Initial packs of the period, one per category.
  void WriteInitialPacks(int periodIndex) {
    const TPeriod period = PeriodAt(periodIndex);
    TGenSZV6Pack main = Header(periodIndex, "НР");
    TGenSZV6Pack reduced = Header(periodIndex, period.Year == 2010 ? "ОЗОИ" : "ООИ");
    TGenSZV6Pack zeroed = Header(periodIndex, "ЧЭС");
    for (int person = 0; person < kSamplePersonCount; ++person) {
      const TSamplePerson& spec = kSamplePersons[person];
      if (periodIndex < spec.FirstPeriod || periodIndex > spec.LastPeriod) continue;
      if (person == kIlyin && periodIndex == 1) continue;  // the initial data of this period never went in
      TGenDoc doc = DocOf(person, periodIndex);
      ApplyInitialStory(doc, person, periodIndex);
      if (person == kKozlov && periodIndex == 5) {
        zeroed.Docs.push_back(doc);  // amounts of this category do not count
        continue;
      }
      (spec.Disabled ? reduced : main).Docs.push_back(std::move(doc));
    }
    Write(main);
    Write(reduced);
    if (!zeroed.Docs.empty()) Write(zeroed);
  }

  // A second initial pack of the 3rd quarter of 2011 holding Зайцева again, with other amounts.
  void WriteSecondInitialPack() {
    TGenSZV6Pack again = Header(4, "НР");
    again.CompileDate = "02.11.2011";
    TGenDoc doc = DocOf(kZaitseva, 4);
    doc.InsAccrued += 5000000;
    again.Docs.push_back(doc);
    Write(again);
  }

  void WriteCorrections() {
    TGenSZV6Pack first = Correction("КОРРЕКТИРУЮЩАЯ", 3, 4, "20.10.2011");
    first.Docs.push_back(DocOf(kEgorova, 3));
    Write(first);
    TGenSZV6Pack second = Correction("КОРРЕКТИРУЮЩАЯ", 3, 5, "25.01.2012");
    second.Docs.push_back(DocOf(kEgorova, 3));
    Write(second);
    TGenSZV6Pack fix = Correction("КОРРЕКТИРУЮЩАЯ", 2, 3, "18.07.2011");
    TGenDoc zhukov = DocOf(kZhukov, 2);
    zhukov.InsPaid -= 5000000;
    fix.Docs.push_back(zhukov);
    Write(fix);
    TGenSZV6Pack cancel = Correction("ОТМЕНЯЮЩАЯ", 2, 4, "19.10.2011");
    TGenDoc cancelled = DocOf(kZhukov, 2);
    cancelled.InsAccrued = cancelled.InsPaid = cancelled.FundAccrued = cancelled.FundPaid = 0;
    cancelled.Stages.clear();
    cancel.Docs.push_back(cancelled);
    Write(cancel);
    TGenSZV6Pack orphan = Correction("КОРРЕКТИРУЮЩАЯ", 1, 2, "14.04.2011");
    orphan.Docs.push_back(DocOf(kIlyin, 1));
    Write(orphan);
  }

  // The person's СЗВ-6-3 document of the year: the salary in every month worked.
  static TGenSZV63Doc Months63(int person, int year) {
    const TSamplePerson& spec = kSamplePersons[person];
    TGenSZV63Doc doc = DocFor<TGenSZV63Doc>(spec);
    doc.SNILS = SnilsOf(person);
    doc.FillDate = DateText(year + 1, 2, 1);
    for (int periodIndex = spec.FirstPeriod; periodIndex <= spec.LastPeriod; ++periodIndex) {
      const TPeriod period = PeriodAt(periodIndex);
      if (period.Year != year) continue;
      if (person == kKozlov && periodIndex == 5) continue;
      for (int month = period.FirstMonth; month <= period.LastMonth; ++month) {
        const std::int64_t pay = static_cast<std::int64_t>(spec.Salary) * 10000;
        doc.Months[static_cast<std::size_t>(month - 1)] = {pay, pay};
      }
    }
    return doc;
  }

  static TGenSZV63Doc Stranger63(std::uint64_t number, const char* last, const char* first, const char* middle,
                                 std::size_t month, std::int64_t pay) {
    TGenSZV63Doc doc;
    doc.SNILS = MakeSNILS(number);
    doc.LastName = last;
    doc.FirstName = first;
    doc.MiddleName = middle;
    doc.Months[month] = {pay, pay};
    return doc;
  }

  void WriteSZV63Year(int year) {
    TGenSZV63Pack main;
    main.Year = year;
    NameOurInsurer(main, kRegNumb);
    main.CompileDate = DateText(year + 1, 2, 1);
    TGenSZV63Pack reduced = main;
    reduced.CategoryCode = year == 2010 ? "ОЗОИ" : "ООИ";
    for (int person = 0; person < kSamplePersonCount; ++person) {
      const TSamplePerson& spec = kSamplePersons[person];
      if (PeriodAt(spec.FirstPeriod).Year > year || PeriodAt(spec.LastPeriod).Year < year) continue;
      TGenSZV63Doc doc = Months63(person, year);
      if (person == kMorozov && year == 2011) doc.Months[2].Taxable += 100000000;  // 10000.00 more in March
      (spec.Disabled ? reduced : main).Docs.push_back(std::move(doc));
    }
    if (year == 2011) {
      main.Docs.push_back(Stranger63(900, "Орлов", "Юрий", "Олегович", 0, 250000000));
    }
    Write(main);
    Write(reduced);
  }

  // A repeated initial СЗВ-6-3, a corrective one with a person never reported, one of another category.
  void WriteSZV63Resubmissions() {
    TGenSZV63Pack duplicate;
    duplicate.Year = 2011;
    duplicate.RegNumb = kRegNumb;
    duplicate.OrgName = kOrgName;
    duplicate.CompileDate = "15.02.2012";
    duplicate.Docs.push_back(Months63(kAbramov, 2011));
    Write(duplicate);

    TGenSZV63Pack corrective = duplicate;
    corrective.DataType = "КОРРЕКТИРУЮЩАЯ";
    corrective.CompileDate = "01.03.2012";
    corrective.Docs.clear();
    corrective.Docs.push_back(Months63(kBelova, 2011));
    corrective.Docs.push_back(Stranger63(901, "Павлов", "Игорь", "Сергеевич", 5, 300000000));
    Write(corrective);

    TGenSZV63Pack otherCategory = corrective;
    otherCategory.CategoryCode = "ООИ";
    otherCategory.Docs.clear();
    otherCategory.Docs.push_back(Months63(kVasiliev, 2011));
    Write(otherCategory);
  }

  // Another insurer in the same folder, a foreign form under the mask, files off the mask.
  void WriteOtherFiles() {
    TGenSZV6Pack other = OtherInsurerPack();
    other.CompileDate = "12.04.2011";
    const char* const names[][3] = {{"Сергеев", "Антон", "Ильич"}, {"Тихонова", "Вера", "Андреевна"}};
    for (int index = 0; index < 2; ++index) {
      other.Docs.push_back(PaidFirstQuarter2011(MakeSNILS(static_cast<std::uint64_t>(950 + index)),
                                                names[index][0], names[index][1], names[index][2],
                                                18000000, 5400000));
    }
    writer_.Style.Indented = false;
    writer_.Write(other);
    writer_.Style.Indented = true;
    writer_.Write(writer_.NextName(kRegNumb, 2011), RenderForeignPack(kRegNumb, writer_.Style));
    writer_.Write("readme.txt", "Pack files of ООО \"Ромашка\", 2010-2011.\r\n");
    writer_.Write(PackFileName(kRegNumb, 2011, 1) + ".bak", RenderForeignPack(kRegNumb, writer_.Style));
  }

  static constexpr const char* kRegNumb = "087-001-012345";
  TWriter writer_;
  int packNumber_ = 0;
};

}  // namespace

TGenSummary GenerateFolder(const TGenOptions& options, const std::string& folder) {
  return TFolderGenerator(options, folder).Run();
}

TGenSummary GenerateSample(const std::string& folder) { return TSampleGenerator(folder).Run(); }

}  // namespace brisolt::packgen
