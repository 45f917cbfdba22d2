#include "forms/szv6.h"

#include <gtest/gtest.h>

#include <string>

#include "pack_routes.h"
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

class SZV6Load : public ::testing::TestWithParam<TRoute> {
 protected:
  bool Load(TSZV6File& pack, const std::string& content) { return LoadByRoute(pack, content, GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Routes, SZV6Load, ::testing::Values(TRoute::Walked, TRoute::Replayed), RouteName);

TEST_P(SZV6Load, ContributionsPack) {
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(kInventory1 + Document1(kPerson) + Document1(kPerson)))));
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

TEST_P(SZV6Load, PaymentsPack) {
  std::string inventory = kInventory1;
  inventory.replace(inventory.find("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ"),
                    std::string("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ").size(),
                    "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  inventory.replace(inventory.rfind("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ"),
                    std::string("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ").size(),
                    "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  const std::string address = "<АдресЗЛ><ТипАдреса>ФАКТИЧЕСКИЙ</ТипАдреса></АдресЗЛ>";
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(inventory + Document2(address + kPerson)))));
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-4");  // the document's own ВидФормы does not count here
  EXPECT_EQ(Utf(pack.ContractType), "ТРУДОВОЙ");
  ASSERT_EQ(pack.Docs.size(), 1u);
  EXPECT_EQ(pack.Docs[0].InsAccrued, 15005000);
}

TEST_P(SZV6Load, NotAPack) {
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
    EXPECT_FALSE(Load(pack, content)) << Utf(content);
    EXPECT_TRUE(pack.Docs.empty());
  }
  // The header of an inventory without documents is read all the same.
  TSZV6File pack;
  EXPECT_FALSE(Load(pack, noDocuments));
  EXPECT_EQ(pack.RegNumb, "087-123-456789");
}

TEST_P(SZV6Load, EmptyDocumentCounts) {
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(Document1("")))));
  ASSERT_EQ(pack.Docs.size(), 1u);
  EXPECT_EQ(pack.Docs[0].SNILS, "");
  EXPECT_EQ(pack.Docs[0].InsAccrued, 0);
  EXPECT_EQ(pack.FormKind, "");
}

TEST_P(SZV6Load, LastValuesWinAcrossPacksAndDocuments) {
  const std::string secondInventory =
      "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ОтчетныйПериод><Год>2012</Год></ОтчетныйПериод>"
      "</ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>";
  const std::string withForm2 = "<ВидФормы>СЗВ-6-2</ВидФормы><ВидФормы>СЗВ-6-1</ВидФормы>";
  const std::string noForm = "<СтраховойНомер>1</СтраховойНомер>";
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(kInventory1 + Document1(noForm)) +
                                            Pack(secondInventory + Document1(withForm2) + Document1(noForm)))));
  EXPECT_EQ(pack.Docs.size(), 3u);
  EXPECT_EQ(pack.Year, 2012);   // the later inventory has it
  EXPECT_EQ(pack.Quarter, 3);   // only the earlier one has it
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");

  // The sums of one document: each occurrence read in turn, the last one stays.
  const std::string twice =
      "<СуммаВзносовНаСтраховую><Начислено>1</Начислено><Начислено>2</Начислено></СуммаВзносовНаСтраховую>"
      "<СуммаВзносовНаСтраховую><Уплачено>3</Уплачено></СуммаВзносовНаСтраховую>";
  ASSERT_TRUE(Load(pack, PackFile(Pack(Document1(twice)))));
  EXPECT_EQ(pack.Docs[0].InsAccrued, 20000);
  EXPECT_EQ(pack.Docs[0].InsPaid, 30000);
}

TEST_P(SZV6Load, TextsAreCutToTheirCapacity) {
  const std::string longName(60, 'N');
  const std::string items = "<СтраховойНомер>112-233-445 95 extra</СтраховойНомер><ФИО><Фамилия>" + longName +
                            "</Фамилия></ФИО><ВидФормы>СЗВ-6-1-LONG</ВидФормы>";
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(Document1(items)))));
  EXPECT_EQ(pack.Docs[0].SNILS, "112-233-445 95");
  EXPECT_EQ(pack.Docs[0].LastName, std::string(40, 'N'));
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");
}

TEST_P(SZV6Load, ReloadClearsAllButTheCarriedFields) {
  TSZV6File pack;
  std::string inventory2 = kInventory1;
  for (std::size_t at; (at = inventory2.find("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ")) != std::string::npos;) {
    inventory2.replace(at, std::string("ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ").size(),
                       "ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ_И_ПО_СТРАХОВЫМ_ВЗНОСАМ");
  }
  ASSERT_TRUE(Load(pack, PackFile(Pack(inventory2 + Document1(kPerson) + Document1(kPerson)))));
  ASSERT_EQ(pack.Docs.size(), 2u);
  ASSERT_FALSE(pack.ContractType.empty());

  ASSERT_TRUE(Load(pack, PackFile(Pack(Document1("<СтраховойНомер>9</СтраховойНомер>")))));
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
  EXPECT_FALSE(Load(pack, "junk"));
  EXPECT_TRUE(pack.Docs.empty());
}

TEST_P(SZV6Load, Periods) {
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
    ASSERT_TRUE(Load(pack, PackFile(Pack(Document1(full)))));
    ASSERT_EQ(pack.Docs[0].Stages.size(), 1u + testCase.periods) << testCase.stage;
    EXPECT_EQ(pack.Docs[0].Stages[0].StartDate, EncodeDate(2010, 1, 1));
    EXPECT_EQ(pack.Docs[0].Stages[0].EndDate, EncodeDate(2010, 6, 30));
  }
}

TEST_P(SZV6Load, ValuesCountOnlyWhereTheyBelong) {
  const std::string items =
      "<ФИО><Фамилия>Ива&amp;нов</Фамилия><Прочее><Имя>x</Имя></Прочее></ФИО><Имя>y</Имя>"
      "<СуммаВзносовНаСтраховую><Начислено>7<b>1</b></Начислено><Прочее><Уплачено>5</Уплачено></Прочее>"
      "</СуммаВзносовНаСтраховую><Уплачено>6</Уплачено><СтраховойНомер >1</СтраховойНомер >"
      "<АдресЗЛ><СтраховойНомер>2</СтраховойНомер></АдресЗЛ>";
  // A contract type outside the payments inventory, a year outside a period, a document inside
  // another, a period of a СЗВ-6-3 inventory.
  const std::string strays =
      "<Прочее/><ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ТипДоговора>ГПД</ТипДоговора><Год>2000</Год>"
      "</ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ><ОтчетныйПериод><Год>2001</Год>"
      "</ОтчетныйПериод></ВХОДЯЩАЯ_ОПИСЬ_ПО_СУММАМ_ВЫПЛАТ>" +
      Document1(Document1("<СтраховойНомер>3</СтраховойНомер>"));
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(Document1(items) + strays))));
  ASSERT_EQ(pack.Docs.size(), 2u);
  const TSZV6& doc = pack.Docs[0];
  EXPECT_EQ(Utf(doc.LastName), "Ива&нов");
  EXPECT_EQ(doc.FirstName, "");
  EXPECT_EQ(doc.InsAccrued, 70000);  // the digits before the markup
  EXPECT_EQ(doc.InsPaid, 0);
  EXPECT_EQ(doc.SNILS, "1");
  EXPECT_EQ(pack.Docs[1].SNILS, "");
  EXPECT_EQ(pack.ContractType, "");
  EXPECT_EQ(pack.Year, 0);
}

TEST_P(SZV6Load, BadDateStopsTheLoadAndKeepsWhatWasRead) {
  const std::string items = "<СтраховойНомер>112-233-445 95</СтраховойНомер>"
                            "<ДатаЗаполнения>31.02.2010</ДатаЗаполнения>"
                            "<ФИО><Фамилия>Петров</Фамилия></ФИО>";
  TSZV6File pack;
  try {
    Load(pack, PackFile(Pack(Document1(kPerson) + Document1(items) + Document1(kPerson))));
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
  EXPECT_THROW(Load(pack, PackFile(Pack(Document1(badPeriod)))), EConvertError);
  ASSERT_EQ(pack.Docs.size(), 1u);
  ASSERT_EQ(pack.Docs[0].Stages.size(), 1u);
  EXPECT_EQ(pack.Docs[0].Stages[0].StartDate, EncodeDate(2011, 1, 1));
  // The last end date makes the period exist, and then the empty one before it is read too.
  EXPECT_THROW(Load(pack, PackFile(Pack(Document1(
                   "<СтажевыйПериод><ДатаНачалаПериода>01.01.2011</ДатаНачалаПериода><ДатаКонцаПериода/>"
                   "<ДатаКонцаПериода>31.03.2011</ДатаКонцаПериода></СтажевыйПериод>")))),
               EConvertError);
  EXPECT_THROW(Load(pack, PackFile(Pack(
                   "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><ДатаСоставления></ДатаСоставления>"
                   "</ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>"))),
               EConvertError);
}

TEST_P(SZV6Load, MalformedMarkupShortensTheDocument) {
  // The second document's sums lack an end tag: reading of that document's level ends there.
  const std::string broken = "<СтраховойНомер>2</СтраховойНомер>"
                             "<СуммаВзносовНаСтраховую><Начислено>5</Начислено>";
  TSZV6File pack;
  ASSERT_TRUE(Load(pack, PackFile(Pack(Document1(kPerson) + Document1(broken)))));
  ASSERT_EQ(pack.Docs.size(), 2u);
  EXPECT_EQ(pack.Docs[1].SNILS, "2");
  EXPECT_EQ(pack.Docs[1].InsAccrued, 0);
}

TEST(SZV6File, ReadsFromFile) {
  TSZV6File pack;
  pack.FileName = std::string(BRISOLT_TEST_DATA_DIR) + "/forms/PFR-700-Y-2011-ORG-087-123-456789-DCK-00017-DPT-000000-DCK-00000.XML";
  ASSERT_TRUE(pack.Load());
  EXPECT_EQ(Utf(pack.FormKind), "СЗВ-6-1");
  EXPECT_EQ(pack.RegNumb, "087-123-456789");
  ASSERT_EQ(pack.Docs.size(), 2u);
  EXPECT_EQ(Utf(pack.Docs[0].LastName), "Иванов");
  EXPECT_EQ(pack.Docs[0].InsAccrued, 12345600);
  EXPECT_EQ(pack.Docs[1].Stages.size(), 1u);

  pack.FileName = std::string(BRISOLT_TEST_DATA_DIR) + "/forms/missing.xml";
  EXPECT_FALSE(pack.Load());
  EXPECT_TRUE(pack.Docs.empty());
}

}  // namespace
}  // namespace brisolt
