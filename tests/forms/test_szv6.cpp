#include "forms/szv6.h"

#include <gtest/gtest.h>

#include <string>

#include "../reference/pack_walk_check.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

// Sources are UTF-8; packs are windows-1251.
std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }
std::string Utf(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }

std::string PackFile(const std::string& packs) {
  return Cp("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<ФайлПФР>\r\n" + packs + "</ФайлПФР>\r\n");
}

std::string Pack(const std::string& items) {
  return "<ПачкаВходящихДокументов>" + items + "</ПачкаВходящихДокументов>";
}

const std::string kInventory1 =
    "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>"
    "<СоставительПачки><НаименованиеОрганизации>ООО &quot;Ромашка&quot;</НаименованиеОрганизации>"
    "<НаименованиеКраткое>Ромашка</НаименованиеКраткое>"
    "<РегистрационныйНомер>087-123-456789</РегистрационныйНомер></СоставительПачки>"
    "<НомерПачки><Основной>17</Основной></НомерПачки>"
    "<ТипСведений>ИСХОДНАЯ</ТипСведений>"
    "<КодКатегории>НР</КодКатегории>"
    "<ОтчетныйПериод><Квартал>3</Квартал><Год>2011</Год></ОтчетныйПериод>"
    "<КорректируемыйОтчетныйПериод><Квартал>1</Квартал><Год>2010</Год></КорректируемыйОтчетныйПериод>"
    "<ТипДоговора>ТРУДОВОЙ</ТипДоговора>"
    "<ДатаСоставления>15.10.2011</ДатаСоставления>"
    "</ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>";

std::string Document1(const std::string& items) {
  return "<СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>" + items +
         "</СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>";
}

std::string Document2(const std::string& items) {
  return "<СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>" + items +
         "</СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>";
}

const std::string kPerson =
    "<СтраховойНомер>112-233-445 95</СтраховойНомер>"
    "<ФИО><Фамилия>Иванов</Фамилия><Имя>Иван</Имя><Отчество>Иванович</Отчество></ФИО>"
    "<ВидФормы>СЗВ-6-1</ВидФормы>"
    "<СуммаВзносовНаСтраховую><Начислено>1500.50</Начислено><Уплачено>1500</Уплачено></СуммаВзносовНаСтраховую>"
    "<СуммаВзносовНаНакопительную>\r\n  <Начислено>300,25</Начислено>\r\n  <Уплачено> 300.25 </Уплачено>\r\n"
    "</СуммаВзносовНаНакопительную>"
    "<ДатаЗаполнения>14.10.2011</ДатаЗаполнения>"
    "<ДатаСоставленияНа>30.09.2011</ДатаСоставленияНа>";

TEST(SZV6Load, ContributionsPack) {
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(kInventory1 + Document1(kPerson) + Document1(kPerson)))));
  EXPECT_EQ(pack.Docs.size(), 2u);
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");
  EXPECT_EQ(Utf(pack.OrgName), "ООО \"Ромашка\"");
  EXPECT_EQ(Utf(pack.ShortName), "Ромашка");
  EXPECT_EQ(pack.RegNumb, "087-123-456789");
  EXPECT_EQ(pack.PackNumber, 17);
  EXPECT_EQ(Utf(pack.DataType), "ИСХОДНАЯ");
  EXPECT_EQ(Utf(pack.CategoryCode), "НР");
  EXPECT_EQ(pack.Year, 2011);
  EXPECT_EQ(pack.Quarter, 3);
  EXPECT_EQ(pack.CorrYear, 2010);
  EXPECT_EQ(pack.CorrQuarter, 1);
  EXPECT_EQ(pack.ContractType, "");  // this inventory kind has no contract type
  EXPECT_EQ(pack.CompileDate, EncodeDate(2011, 10, 15));

  const TSZV6& doc = pack.Docs[1];
  EXPECT_EQ(doc.SNILS, "112-233-445 95");
  EXPECT_EQ(Utf(doc.LastName), "Иванов");
  EXPECT_EQ(Utf(doc.FirstName), "Иван");
  EXPECT_EQ(Utf(doc.MiddleName), "Иванович");
  EXPECT_EQ(doc.InsAccrued, 15005000);
  EXPECT_EQ(doc.InsPaid, 15000000);
  EXPECT_EQ(doc.FundAccrued, 3002500);
  EXPECT_EQ(doc.FundPaid, 3002500);
  EXPECT_EQ(doc.FillDate, EncodeDate(2011, 10, 14));
  EXPECT_EQ(doc.AsOfDate, EncodeDate(2011, 9, 30));
}

TEST(SZV6Load, PaymentsPack) {
  std::string inventory = kInventory1;
  inventory.replace(inventory.find("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ"),
                    std::string("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ").size(),
                    "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  inventory.replace(inventory.rfind("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ"),
                    std::string("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ").size(),
                    "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  const std::string address = "<АдресЗЛ><ТипАдреса>ФАКТИЧЕСКИЙ</ТипАдреса></АдресЗЛ>";
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(inventory + Document2(address + kPerson)))));
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-4");  // the document's own ВидФормы does not count here
  EXPECT_EQ(Utf(pack.ContractType), "ТРУДОВОЙ");
  ASSERT_EQ(pack.Docs.size(), 1u);
  EXPECT_EQ(pack.Docs[0].AddressType, "");
  EXPECT_EQ(pack.Docs[0].InsAccrued, 15005000);
}

TEST(SZV6Load, NotAPack) {
  const std::string noDocuments = PackFile(Pack(kInventory1));
  const std::string cases[] = {
      noDocuments,
      Cp("<?xml version=\"1.0\"?><ФайлПФР2>" + Pack(Document1(kPerson)) + "</ФайлПФР2>"),
      Cp("<ФайлПФР>" + Pack(Document1(kPerson)) + "</ФайлПФР>"),
      Cp("<?xml version=\"1.0\"?><ФайлПФР>" + Document1(kPerson) + "</ФайлПФР>"),  // no pack element
      Cp("<?xml version=\"1.0\"?><ФайлПФР><ПачкаВходящихДокументов><СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ/>"
         "</ПачкаВходящихДокументов></ФайлПФР>"),  // a СЗВ-6-3 document
      "",
  };
  for (const std::string& content : cases) {
    TSZV6File pack;
    EXPECT_FALSE(pack.LoadFromContent(content)) << Utf(content);
    EXPECT_TRUE(pack.Docs.empty());
  }
  // The header of an inventory without documents is read all the same.
  TSZV6File pack;
  EXPECT_FALSE(pack.LoadFromContent(noDocuments));
  EXPECT_EQ(pack.RegNumb, "087-123-456789");
}

TEST(SZV6Load, EmptyDocumentCounts) {
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1("")))));
  ASSERT_EQ(pack.Docs.size(), 1u);
  EXPECT_EQ(pack.Docs[0].SNILS, "");
  EXPECT_EQ(pack.Docs[0].InsAccrued, 0);
  EXPECT_EQ(pack.FormKind, "");
}

TEST(SZV6Load, LastValuesWinAcrossPacksAndDocuments) {
  const std::string secondInventory =
      "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ОтчетныйПериод><Год>2012</Год></ОтчетныйПериод>"
      "</ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>";
  const std::string withForm2 = "<ВидФормы>СЗВ-6-2</ВидФормы><ВидФормы>СЗВ-6-1</ВидФормы>";
  const std::string noForm = "<СтраховойНомер>1</СтраховойНомер>";
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(kInventory1 + Document1(noForm)) +
                                            Pack(secondInventory + Document1(withForm2) + Document1(noForm)))));
  EXPECT_EQ(pack.Docs.size(), 3u);
  EXPECT_EQ(pack.Year, 2012);   // the later inventory has it
  EXPECT_EQ(pack.Quarter, 3);   // only the earlier one has it
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");

  // The sums of one document: each occurrence read in turn, the last one stays.
  const std::string twice =
      "<СуммаВзносовНаСтраховую><Начислено>1</Начислено><Начислено>2</Начислено></СуммаВзносовНаСтраховую>"
      "<СуммаВзносовНаСтраховую><Уплачено>3</Уплачено></СуммаВзносовНаСтраховую>";
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(twice)))));
  EXPECT_EQ(pack.Docs[0].InsAccrued, 20000);
  EXPECT_EQ(pack.Docs[0].InsPaid, 30000);
}

TEST(SZV6Load, TextsAreCutToTheirCapacity) {
  const std::string longName(60, 'N');
  const std::string items = "<СтраховойНомер>112-233-445 95 extra</СтраховойНомер><ФИО><Фамилия>" + longName +
                            "</Фамилия></ФИО><ВидФормы>СЗВ-6-1-LONG</ВидФормы>";
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(items)))));
  EXPECT_EQ(pack.Docs[0].SNILS, "112-233-445 95");
  EXPECT_EQ(pack.Docs[0].LastName, std::string(40, 'N'));
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");
}

TEST(SZV6Load, ReloadClearsAllButTheCarriedFields) {
  TSZV6File pack;
  std::string inventory2 = kInventory1;
  for (std::size_t at; (at = inventory2.find("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ")) != std::string::npos;) {
    inventory2.replace(at, std::string("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ").size(),
                       "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  }
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(inventory2 + Document1(kPerson) + Document1(kPerson)))));
  ASSERT_EQ(pack.Docs.size(), 2u);
  ASSERT_FALSE(pack.ContractType.empty());

  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1("<СтраховойНомер>9</СтраховойНомер>")))));
  ASSERT_EQ(pack.Docs.size(), 1u);
  EXPECT_EQ(pack.Docs[0].SNILS, "9");
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");    // carried over
  EXPECT_EQ(Utf(pack.ShortName), "Ромашка");   // carried over
  EXPECT_EQ(Utf(pack.ContractType), "ТРУДОВОЙ");
  EXPECT_EQ(pack.OrgName, "");
  EXPECT_EQ(pack.RegNumb, "");
  EXPECT_EQ(pack.Year, 0);
  EXPECT_EQ(pack.PackNumber, 0);
  EXPECT_EQ(pack.CompileDate, 0);

  // A file that is no pack at all also starts with the clean-up.
  EXPECT_FALSE(pack.LoadFromContent("junk"));
  EXPECT_TRUE(pack.Docs.empty());
}

TEST(SZV6Load, Periods) {
  struct Case {
    const char* stage;
    int periods;
  };
  const Case cases[] = {
      {"<ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода><ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода>", 1},
      {"<ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода>", 0},
      {"<ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода><ДатаКонцаПериода></ДатаКонцаПериода>", 0},
      {"<ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода><ДатаКонцаПериода/>", 0},
      {"<ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода>", 0},
      // The last occurrence decides whether the period exists.
      {"<ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода><ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода>"
       "<ДатаКонцаПериода></ДатаКонцаПериода>",
       0},
      {"", 0},
  };
  for (const Case& testCase : cases) {
    const std::string full =
        "<СтажевыйПериод><ДатаНачалаПериода>01.01.2010</ДатаНачалаПериода><ДатаКонцаПериода>30.06.2010"
        "</ДатаКонцаПериода></СтажевыйПериод><СтажевыйПериод>" +
        std::string(testCase.stage) + "</СтажевыйПериод>";
    TSZV6File pack;
    ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(full)))));
    ASSERT_EQ(pack.Docs[0].Stages.size(), 1u + testCase.periods) << testCase.stage;
    EXPECT_EQ(pack.Docs[0].Stages[0].StartDate, EncodeDate(2010, 1, 1));
    EXPECT_EQ(pack.Docs[0].Stages[0].EndDate, EncodeDate(2010, 6, 30));
  }
}

TEST(SZV6Load, SpecialConditions) {
  const std::string stage =
      "<СтажевыйПериод><ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода>"
      "<ЛьготныйСтаж><ОсобенностиУчета>"
      "<ТерриториальныеУсловия><ОснованиеТУ>РКС</ОснованиеТУ><Коэффициент>1.5</Коэффициент></ТерриториальныеУсловия>"
      "<ОсобыеУсловияТруда><ОснованиеОУТ>27-1</ОснованиеОУТ><ПозицияСписка>1010100а-1753а</ПозицияСписка>"
      "</ОсобыеУсловияТруда>"
      "<ИсчисляемыйСтаж><ОснованиеИС>ВОДОЛАЗ</ОснованиеИС>"
      "<ВыработкаКалендарная><ВсеМесяцы>2</ВсеМесяцы><ВсеДни>10</ВсеДни></ВыработкаКалендарная>"
      "<ВыработкаВчасах><Часы>120</Часы><Минуты>30</Минуты></ВыработкаВчасах></ИсчисляемыйСтаж>"
      "</ОсобенностиУчета><ОсобенностиУчета>"
      "<ДекретДети>ДЕТИ</ДекретДети>"
      "<ВыслугаЛет><ОснованиеВЛ>ХИРУРГ</ОснованиеВЛ><ДоляСтавки>0.25</ДоляСтавки>"
      "<ВыработкаКалендарная><ВсеМесяцы>3</ВсеМесяцы><ВсеДни>4</ВсеДни></ВыработкаКалендарная>"
      "<ВыработкаВчасах><Часы>5</Часы><Минуты>6</Минуты></ВыработкаВчасах></ВыслугаЛет>"
      "</ОсобенностиУчета><Прочее>x</Прочее></ЛьготныйСтаж>"
      "<ЛьготныйСтаж><ОсобенностиУчета><ДекретДети>ЧАЭС</ДекретДети></ОсобенностиУчета></ЛьготныйСтаж>"
      "<ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода></СтажевыйПериод>";
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(stage)))));
  ASSERT_EQ(pack.Docs[0].Stages.size(), 1u);
  const TSZV6Stage& period = pack.Docs[0].Stages[0];
  EXPECT_EQ(period.StartDate, EncodeDate(2011, 1, 1));
  EXPECT_EQ(period.EndDate, EncodeDate(2011, 3, 31));
  ASSERT_EQ(period.Lgots.size(), 2u);
  const TSZV6Lgot& first = period.Lgots[0];
  EXPECT_EQ(Utf(first.TerrCode), "РКС");
  EXPECT_EQ(first.TerrCoef, 15000);
  EXPECT_EQ(first.WorkCode, "27-1");
  EXPECT_EQ(Utf(first.ListPosition), "1010100а-1753а");
  EXPECT_EQ(Utf(first.CalcCode), "ВОДОЛАЗ");
  EXPECT_EQ(first.CalcMonths, 2);
  EXPECT_EQ(first.CalcDays, 10);
  EXPECT_EQ(first.CalcHours, 120);
  EXPECT_EQ(first.CalcMinutes, 30);
  EXPECT_EQ(Utf(first.MaternityCode), "ДЕТИ");
  EXPECT_EQ(Utf(first.ServiceCode), "ХИРУРГ");
  EXPECT_EQ(first.RateShare, 2500);
  EXPECT_EQ(first.ServiceMonths, 3);
  EXPECT_EQ(first.ServiceDays, 4);
  EXPECT_EQ(first.ServiceHours, 5);
  EXPECT_EQ(first.ServiceMinutes, 6);
  const TSZV6Lgot& second = period.Lgots[1];
  EXPECT_EQ(Utf(second.MaternityCode), "ЧАЭС");
  EXPECT_EQ(second.TerrCode, "");
  EXPECT_EQ(second.CalcMonths, 0);
}

TEST(SZV6Load, AddressComposition) {
  struct Case {
    const char* part;
    std::string TSZV6::*field;
    const char* value;
  };
  const Case cases[] = {
      {"<Регион><ГеографическоеНазвание>Московская</ГеографическоеНазвание><Сокращение>обл</Сокращение></Регион>",
       &TSZV6::Region, "Московская обл"},
      {"<Район><ГеографическоеНазвание>Ленинский</ГеографическоеНазвание></Район>", &TSZV6::District, "Ленинский"},
      {"<Город><Сокращение>г</Сокращение><ГеографическоеНазвание>Тверь</ГеографическоеНазвание></Город>",
       &TSZV6::City, "Тверь г"},
      {"<НаселенныйПункт><Сокращение>д</Сокращение></НаселенныйПункт>", &TSZV6::Locality, " д"},
      {"<Улица><ГеографическоеНазвание>Мира</ГеографическоеНазвание><Сокращение>ул</Сокращение>"
       "<Сокращение>пр-кт</Сокращение></Улица>",
       &TSZV6::Street, "Мира пр-кт"},
      {"<Дом><Номер>5</Номер><Сокращение>д</Сокращение></Дом>", &TSZV6::House, "д 5"},
      {"<Дом><Номер>5</Номер></Дом>", &TSZV6::House, "5"},
      {"<Корпус><Номер>2</Номер><Сокращение>корп</Сокращение></Корпус>", &TSZV6::Building, "корп 2"},
      {"<Квартира><Номер>12&amp;13</Номер><Сокращение>кв</Сокращение></Квартира>", &TSZV6::Flat, "кв 12&13"},
      // The name is cut to 50 first, then the whole again.
      {"<Регион><ГеографическоеНазвание>ААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААА"
       "</ГеографическоеНазвание><Сокращение>обл</Сокращение></Регион>",
       &TSZV6::Region, "АААААААААААААААААААААААААААААААААААААААААААААААААА"},
      {"<Дом><Номер>ААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААААА</Номер>"
       "<Сокращение>д</Сокращение></Дом>",
       &TSZV6::House, "д АААААААААААААААААААААААААААААААААААААААААААААААА"},
  };
  for (const Case& testCase : cases) {
    const std::string address = "<АдресЗЛ><ТипАдреса>ФАКТИЧЕСКИЙ</ТипАдреса><Индекс>123456</Индекс>"
                                "<РоссийскийАдрес>" + std::string(testCase.part) + "</РоссийскийАдрес></АдресЗЛ>";
    TSZV6File pack;
    ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(address)))));
    EXPECT_EQ(Utf(pack.Docs[0].*testCase.field), testCase.value) << testCase.part;
    EXPECT_EQ(Utf(pack.Docs[0].AddressType), "ФАКТИЧЕСКИЙ");
    EXPECT_EQ(pack.Docs[0].PostIndex, "123456");
  }

  const std::string foreign = "<АдресЗЛ><ИностранныйАдрес><КодСтраны>276</КодСтраны>"
                              "<НазваниеСтраны>Германия</НазваниеСтраны><Адрес>Berlin</Адрес>"
                              "</ИностранныйАдрес></АдресЗЛ>";
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(foreign)))));
  EXPECT_EQ(pack.Docs[0].CountryCode, "276");
  EXPECT_EQ(Utf(pack.Docs[0].CountryName), "Германия");
  EXPECT_EQ(pack.Docs[0].ForeignAddress, "Berlin");
}

// Without the details a pack reads as with them, but for each document's address and the special
// conditions of its periods, which stay empty.
TEST(SZV6Load, WithoutDetailsOnlyAddressesAndSpecialConditionsStayEmpty) {
  const std::string stage =
      "<СтажевыйПериод><ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода>"
      "<ЛьготныйСтаж><ОсобенностиУчета><ДекретДети>ДЕТИ</ДекретДети></ОсобенностиУчета></ЛьготныйСтаж>"
      "<ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода></СтажевыйПериод>";
  const std::string address = "<АдресЗЛ><ТипАдреса>ФАКТИЧЕСКИЙ</ТипАдреса><Индекс>123456</Индекс>"
                              "<РоссийскийАдрес><Город><ГеографическоеНазвание>Тверь</ГеографическоеНазвание>"
                              "</Город></РоссийскийАдрес><ИностранныйАдрес><КодСтраны>276</КодСтраны>"
                              "</ИностранныйАдрес></АдресЗЛ>";
  const std::string content =
      PackFile(Pack(kInventory1 + Document1(address + kPerson + stage) + Document1(stage + kPerson)));
  TSZV6File full;
  ASSERT_TRUE(full.LoadFromContent(content));
  ASSERT_EQ(full.Docs[0].City, Cp("Тверь"));
  ASSERT_EQ(full.Docs[0].Stages.at(0).Lgots.size(), 1u);
  TSZV6File sums;
  sums.ReadDetails = false;
  ASSERT_TRUE(sums.LoadFromContent(content));

  // The full documents with the details dropped are the documents read without them.
  for (TSZV6& doc : full.Docs) {
    const TSZV6 none;
    for (std::string TSZV6::*field :
         {&TSZV6::AddressType, &TSZV6::CountryCode, &TSZV6::CountryName, &TSZV6::ForeignAddress,
          &TSZV6::PostIndex, &TSZV6::Region, &TSZV6::District, &TSZV6::City, &TSZV6::Locality,
          &TSZV6::Street, &TSZV6::House, &TSZV6::Building, &TSZV6::Flat}) {
      doc.*field = none.*field;
    }
    for (TSZV6Stage& period : doc.Stages) period.Lgots.clear();
  }
  std::string expected;
  std::string actual;
  reference::Describe(expected, full);
  reference::Describe(actual, sums);
  EXPECT_EQ(actual, expected);
}

// The walk that reads packs without a tree (ReadPacksWalking) answers as the tree's readers do on
// the shapes above, and leaves to the tree what it cannot walk: a document that does not nest
// simply and a value that does not read.
TEST(SZV6Load, TheWalkReadsAsTheTree) {
  std::string payments = kInventory1;
  for (int end = 0; end < 2; ++end) {
    const std::string name = "ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ";
    payments.replace(end == 0 ? payments.find(name) : payments.rfind(name), name.size(),
                     "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  }
  const std::string stage = "<СтажевыйПериод><ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода>";
  const std::string address = "<АдресЗЛ><ТипАдреса>ФАКТИЧЕСКИЙ</ТипАдреса></АдресЗЛ>";
  struct Case {
    std::string items;  // the pack element's content
    bool walked;
  };
  const Case cases[] = {
      {kInventory1 + Document1(kPerson) + Document1(kPerson), true},
      {payments + Document2(address + kPerson), true},
      {payments + Document1("<ВидФормы>СЗВ-6-2</ВидФормы>") + Document2(kPerson), true},
      // A contract type counts only in the payments inventory.
      {"<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ТипДоговора>ГПД</ТипДоговора></ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>" +
           Document1(kPerson),
       true},
      // Periods: the last date of each kind decides, every one is read.
      {Document1(stage + "<ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода><ДатаКонцаПериода/></СтажевыйПериод>"), true},
      {Document1(stage + "<ДатаКонцаПериода/><ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода></СтажевыйПериод>"),
       false},  // the period exists, and its empty end date does not read
      {Document1(stage + "<ДатаНачалаПериода>05.01.2011</ДатаНачалаПериода><ДатаКонцаПериода>31.03.2011"
                         "</ДатаКонцаПериода><ЛьготныйСтаж><x>1</x></ЛьготныйСтаж></СтажевыйПериод>"),
       true},
      {Document1(stage + "</СтажевыйПериод><СтажевыйПериод/>"), true},
      // Values in the wrong place, unknown elements, markup in a value, blanks in tags.
      {Document1("<ФИО><Фамилия>Ива&amp;нов</Фамилия><Прочее><Имя>x</Имя></Прочее></ФИО><Имя>y</Имя>"
                 "<СуммаВзносовНаСтраховую><Начислено><b>1</b></Начислено></СуммаВзносовНаСтраховую>"),
       true},
      {"<Прочее/>" + Document1("<СтраховойНомер >1</СтраховойНомер >") + "<ОПИСЬ><Год>1</Год></ОПИСЬ>", true},
      {kInventory1 + "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ><ОтчетныйГод>2011</ОтчетныйГод></ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ>" +
           Document1(kPerson) + "<СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ/>",
       true},
      // Texts cut to their capacity.
      {Document1("<СтраховойНомер>112-233-445 95 extra</СтраховойНомер><ФИО><Фамилия>" + std::string(60, 'N') +
                 "</Фамилия><Имя>" + std::string(60, 'N') + "</Имя><Отчество>" + std::string(60, 'N') +
                 "</Отчество></ФИО><ВидФормы>СЗВ-6-1-LONG</ВидФормы>"),
       true},
      // Left to the tree.
      {Document1("<ДатаЗаполнения>31.02.2011</ДатаЗаполнения>"), false},
      {Document1(stage + "<ДатаКонцаПериода>x</ДатаКонцаПериода></СтажевыйПериод>"), false},
      {Document1("<ФИО><ФИО>x</ФИО></ФИО>"), false},
      {Document1("<ФИО>x<Фамилия>y</Фамилия></ФИО>"), false},
      {Document1("<ФИО><Фамилия>y</Имя></ФИО>"), false},
  };
  for (const Case& testCase : cases) {
    const std::string content = PackFile(Pack(testCase.items));
    std::string byWalk;
    ASSERT_EQ(reference::ReadByWalk(content, byWalk), testCase.walked) << testCase.items;
    if (testCase.walked) {
      EXPECT_EQ(byWalk, reference::ReadFromTree(content)) << testCase.items;
    }
  }
  std::string byWalk;
  EXPECT_TRUE(reference::ReadByWalk(Cp("<?xml version=\"1.0\"?><Другой>" + Pack(Document1(kPerson)) + "</Другой>"),
                                    byWalk));
  EXPECT_EQ(byWalk.find("found"), std::string::npos) << byWalk;
  EXPECT_FALSE(reference::ReadByWalk(Cp("<ФайлПФР>" + Pack(Document1(kPerson)) + "</ФайлПФР>"), byWalk));
}

TEST(SZV6Load, BadDateStopsTheLoadAndKeepsWhatWasRead) {
  const std::string items = "<СтраховойНомер>112-233-445 95</СтраховойНомер>"
                            "<ДатаЗаполнения>31.02.2010</ДатаЗаполнения>"
                            "<ФИО><Фамилия>Петров</Фамилия></ФИО>";
  TSZV6File pack;
  try {
    pack.LoadFromContent(PackFile(Pack(Document1(kPerson) + Document1(items) + Document1(kPerson))));
    FAIL() << "no conversion error";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "''31.02.2010'' is not a valid date");
  }
  ASSERT_EQ(pack.Docs.size(), 2u);
  EXPECT_EQ(pack.Docs[1].SNILS, "112-233-445 95");
  EXPECT_EQ(pack.Docs[1].LastName, "");

  // Inside a period, and in the header.
  const std::string badPeriod = "<СтажевыйПериод><ДатаНачалаПериода>1.1.2011</ДатаНачалаПериода>"
                                "<ДатаКонцаПериода>x</ДатаКонцаПериода></СтажевыйПериод>";
  EXPECT_THROW(pack.LoadFromContent(PackFile(Pack(Document1(badPeriod)))), EConvertError);
  ASSERT_EQ(pack.Docs.size(), 1u);
  ASSERT_EQ(pack.Docs[0].Stages.size(), 1u);
  EXPECT_EQ(pack.Docs[0].Stages[0].StartDate, EncodeDate(2011, 1, 1));
  EXPECT_THROW(pack.LoadFromContent(PackFile(Pack(
                   "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ДатаСоставления></ДатаСоставления>"
                   "</ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>"))),
               EConvertError);
}

TEST(SZV6Load, MalformedMarkupShortensTheDocument) {
  // The second document's sums lack an end tag: reading of that document's level ends there.
  const std::string broken = "<СтраховойНомер>2</СтраховойНомер>"
                             "<СуммаВзносовНаСтраховую><Начислено>5</Начислено>";
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(PackFile(Pack(Document1(kPerson) + Document1(broken)))));
  ASSERT_EQ(pack.Docs.size(), 2u);
  EXPECT_EQ(pack.Docs[1].SNILS, "2");
  EXPECT_EQ(pack.Docs[1].InsAccrued, 0);
}

TEST(SZV6Load, ReadsFromFile) {
  TSZV6File pack;
  pack.FileName = std::string(BRISOLT_TEST_DATA_DIR) + "/forms/PFR-700-Y-2011-ORG-087-123-456789-DCK-00017-DPT-000000-DCK-00000.XML";
  ASSERT_TRUE(pack.Load());
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");
  EXPECT_EQ(pack.RegNumb, "087-123-456789");
  ASSERT_EQ(pack.Docs.size(), 2u);
  EXPECT_EQ(Utf(pack.Docs[0].LastName), "Иванов");
  EXPECT_EQ(pack.Docs[0].InsAccrued, 12345600);
  EXPECT_EQ(Utf(pack.Docs[0].Region), "Московская обл");
  EXPECT_EQ(pack.Docs[1].Stages.size(), 1u);

  pack.FileName = std::string(BRISOLT_TEST_DATA_DIR) + "/forms/missing.xml";
  EXPECT_FALSE(pack.Load());
  EXPECT_TRUE(pack.Docs.empty());
}

}  // namespace
}  // namespace brisolt
