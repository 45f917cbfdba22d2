#include "forms/szv63.h"

#include <gtest/gtest.h>

#include <string>

#include "pack_routes.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }
std::string Utf(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }

std::string PackFile(const std::string& items) {
  return Cp("<?xml version=\"1.0\" encoding=\"windows-1251\"?><ФайлПФР><ПачкаВходящихДокументов>" + items +
            "</ПачкаВходящихДокументов></ФайлПФР>");
}

std::string Document(const std::string& items) {
  return "<СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ>" + items + "</СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ>";
}

std::string Row(const std::string& type, const std::string& month, const std::string& total,
                const std::string& taxable) {
  return "<СуммаВыплатИвознаграждений><ТипСтроки>" + type + "</ТипСтроки><Месяц>" + month +
         "</Месяц><СуммаВыплатВсего>" + total + "</СуммаВыплатВсего><СуммаВыплатНачисленыСтраховыеВзносы>" +
         taxable + "</СуммаВыплатНачисленыСтраховыеВзносы></СуммаВыплатИвознаграждений>";
}

const std::string kInventory =
    "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ><СоставительПачки><НаименованиеОрганизации>ООО Ромашка"
    "</НаименованиеОрганизации><РегистрационныйНомер>087-123-456789</РегистрационныйНомер>"
    "<НаименованиеКраткое>Ромашка</НаименованиеКраткое></СоставительПачки>"
    "<НомерПачки><Основной>18</Основной></НомерПачки><ТипСведений>ИСХОДНАЯ</ТипСведений>"
    "<КодКатегории>НР</КодКатегории><ТипДоговора>ТРУДОВОЙ</ТипДоговора><ОтчетныйГод>2011</ОтчетныйГод>"
    "<ДатаСоставления>20.01.2012</ДатаСоставления></ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ>";

class SZV63Load : public ::testing::TestWithParam<TRoute> {
 protected:
  bool Load(TSZV63File& pack, const std::string& content) { return LoadByRoute(pack, content, GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Routes, SZV63Load, ::testing::Values(TRoute::Walked, TRoute::Replayed), RouteName);

TEST_P(SZV63Load, HeaderAndDocuments) {
  const std::string person = "<СтраховойНомер>112-233-445 95</СтраховойНомер><ФИО><Фамилия>Иванов</Фамилия>"
                             "<Имя>Иван</Имя><Отчество>Иванович</Отчество></ФИО>"
                             "<ДатаЗаполнения>19.01.2012</ДатаЗаполнения>";
  TSZV63File pack;
  ASSERT_TRUE(Load(pack, PackFile(kInventory + Document(person) + Document(person))));
  EXPECT_EQ(pack.PackNumber, 18);
  EXPECT_EQ(Utf(pack.DataType), "ИСХОДНАЯ");
  EXPECT_EQ(pack.Year, 2011);
  EXPECT_EQ(Utf(pack.OrgName), "ООО Ромашка");
  EXPECT_EQ(Utf(pack.ShortName), "Ромашка");
  EXPECT_EQ(pack.RegNumb, "087-123-456789");
  EXPECT_EQ(Utf(pack.CategoryCode), "НР");
  EXPECT_EQ(Utf(pack.ContractType), "ТРУДОВОЙ");
  EXPECT_EQ(pack.CompileDate, EncodeDate(2012, 1, 20));
  ASSERT_EQ(pack.Docs.size(), 2u);  // the same person twice stays twice
  EXPECT_EQ(pack.Docs[0].SNILS, "112-233-445 95");
  EXPECT_EQ(Utf(pack.Docs[0].LastName), "Иванов");
  EXPECT_EQ(Utf(pack.Docs[0].FirstName), "Иван");
  EXPECT_EQ(Utf(pack.Docs[0].MiddleName), "Иванович");
  EXPECT_EQ(pack.Docs[0].FillDate, EncodeDate(2012, 1, 19));

  // Clear keeps FileName and ShortName only.
  pack.FileName = "x";
  ASSERT_TRUE(Load(pack, PackFile(Document(""))));
  EXPECT_EQ(pack.FileName, "x");
  EXPECT_EQ(Utf(pack.ShortName), "Ромашка");
  EXPECT_EQ(pack.ContractType, "");
  EXPECT_EQ(pack.Year, 0);
  EXPECT_EQ(pack.Docs.size(), 1u);
}

TEST_P(SZV63Load, MonthRows) {
  struct Case {
    std::string rows;
    int month;
    TAmount total, taxable;
  };
  const Case cases[] = {
      {Row("МЕСЯЦ", "2", "30000.00", "25000.50"), 2, 300000000, 250005000},
      // The short spelling some writers of the Fund's forms use counts the same.
      {Row("МЕСЦ", "7", "30000.00", "25000.50"), 7, 300000000, 250005000},
      {"<СуммаВыплатИвознаграждений><ТипСтроки>МЕСЯЦ</ТипСтроки><Месяц>2</Месяц>"
       "<СуммаВыплатВсего>30000.00</СуммаВыплатВсего></СуммаВыплатИвознаграждений>",
       2, 300000000, 0},
      {Row("МЕСЯЦ", " 12", "1", "2"), 12, 10000, 20000},
      {Row("МЕСЯЦ", "+3", "1", "2"), 3, 10000, 20000},
      {Row("МЕСЯЦ", "03", "1", "2"), 3, 10000, 20000},
      {Row("МЕСЯЦ", "1", "", ""), 1, 0, 0},
      {Row("МЕСЯЦ", "1", "1 000", "7,5"), 1, 10000, 75000},
      // A later row for the month replaces the earlier one.
      {Row("МЕСЯЦ", "5", "1", "1") + Row("МЕСЯЦ", "5", "2", "3"), 5, 20000, 30000},
      // The last occurrence of each child counts.
      {"<СуммаВыплатИвознаграждений><ТипСтроки>ИТОГО</ТипСтроки><ТипСтроки>МЕСЯЦ</ТипСтроки><Месяц>13</Месяц>"
       "<Месяц>4</Месяц><СуммаВыплатВсего>9</СуммаВыплатВсего></СуммаВыплатИвознаграждений>",
       4, 90000, 0},
      // Only the row's own children count.
      {"<СуммаВыплатИвознаграждений><ТипСтроки>ИТОГО</ТипСтроки><Месяц>2</Месяц><ТипСтроки>МЕСЯЦ</ТипСтроки>"
       "<СуммаВыплатВсего>9</СуммаВыплатВсего><Прочее><Месяц>3</Месяц></Прочее></СуммаВыплатИвознаграждений>",
       2, 90000, 0},
  };
  for (const Case& testCase : cases) {
    TSZV63File pack;
    ASSERT_TRUE(Load(pack, PackFile(Document(testCase.rows)))) << testCase.rows;
    const TSZV63& doc = pack.Docs[0];
    for (int month = 0; month <= 12; ++month) {
      const bool set = month == testCase.month;
      EXPECT_EQ(doc.Months[month].Total, set ? testCase.total : 0) << testCase.rows << " month " << month;
      EXPECT_EQ(doc.Months[month].Taxable, set ? testCase.taxable : 0) << testCase.rows << " month " << month;
    }
  }
}

TEST_P(SZV63Load, RowsThatChangeNothing) {
  const std::string ignored[] = {
      Row("ИТОГО", "1", "5", "5"),   Row("месяц", "1", "5", "5"),  Row("МЕСЯЦ ", "1", "5", "5"),
      Row("ИТОГ", "1", "5", "5"),    Row("МЕС", "1", "5", "5"),    Row("месц", "1", "5", "5"),
      Row("МЕСЦ ", "1", "5", "5"),
      Row("МЕСЯЦ", "13", "5", "5"),  Row("МЕСЯЦ", "0", "5", "5"),  Row("МЕСЯЦ", "", "5", "5"),
      Row("МЕСЯЦ", "1 ", "5", "5"),  Row("МЕСЯЦ", "-1", "5", "5"), Row("МЕСЯЦ", "1й", "5", "5"),
      Row("МЕСЯЦ", "99999999999999999999", "5", "5"), Row("МЕСЯЦ", "+", "5", "5"),
      "<СуммаВыплатИвознаграждений><Месяц>1</Месяц><СуммаВыплатВсего>5</СуммаВыплатВсего>"
      "</СуммаВыплатИвознаграждений>",
  };
  for (const std::string& row : ignored) {
    TSZV63File pack;
    ASSERT_TRUE(Load(pack, PackFile(Document(row))));
    for (const TMonthSums& sums : pack.Docs[0].Months) {
      EXPECT_EQ(sums.Total, 0) << row;
      EXPECT_EQ(sums.Taxable, 0) << row;
    }
  }
}

TEST_P(SZV63Load, NotAPack) {
  const std::string cases[] = {
      PackFile(kInventory),
      PackFile("<СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ><СтраховойНомер>1</СтраховойНомер>"
               "</СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>"),
      Cp("<?xml version=\"1.0\"?><Файл>" + Document("") + "</Файл>"),
      "",
  };
  for (const std::string& content : cases) {
    TSZV63File pack;
    EXPECT_FALSE(Load(pack, content)) << Utf(content);
  }
}

TEST_P(SZV63Load, BadDateRaises) {
  TSZV63File pack;
  EXPECT_THROW(Load(pack, PackFile(Document("<ДатаЗаполнения>32.01.2012</ДатаЗаполнения>"))),
               EConvertError);
  EXPECT_EQ(pack.Docs.size(), 1u);
}

TEST(SZV63File, ReadsFromFile) {
  TSZV63File pack;
  pack.FileName = std::string(BRISOLT_TEST_DATA_DIR) +
                  "/forms/PFR-700-Y-2011-ORG-087-123-456789-DCK-00018-DPT-000000-DCK-00000.XML";
  ASSERT_TRUE(pack.Load());
  EXPECT_EQ(pack.Year, 2011);
  ASSERT_EQ(pack.Docs.size(), 1u);
  EXPECT_EQ(pack.Docs[0].Months[1].Total, 300000000);
  EXPECT_EQ(pack.Docs[0].Months[2].Taxable, 310005000);
  EXPECT_EQ(pack.Docs[0].Months[3].Total, 0);

  // A СЗВ-6 pack is not read as СЗВ-6-3.
  pack.FileName = std::string(BRISOLT_TEST_DATA_DIR) +
                  "/forms/PFR-700-Y-2011-ORG-087-123-456789-DCK-00017-DPT-000000-DCK-00000.XML";
  EXPECT_FALSE(pack.Load());
}

}  // namespace
}  // namespace brisolt
