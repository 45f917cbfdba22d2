// Both pack kinds read from one document at once: each kind on its own, and a walk that gives up
// halfway leaving no trace.
#include "forms/packreader.h"

#include <gtest/gtest.h>

#include <string>

#include "base/encoding.h"

namespace brisolt {
namespace {

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

const std::string kHead = "<?xml version=\"1.0\" encoding=\"windows-1251\"?><ФайлПФР><ПачкаВходящихДокументов>";
const std::string kTail = "</ПачкаВходящихДокументов></ФайлПФР>";

std::string Document6(const std::string& items) {
  return "<СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>" + items +
         "</СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>";
}

std::string Document63(const std::string& items) {
  return "<СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ>" + items + "</СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_И_ВОЗНАГРАЖДЕНИЙ>";
}

std::string Snils(const std::string& number) { return "<СтраховойНомер>" + number + "</СтраховойНомер>"; }

const std::string kBadDate = "<ДатаЗаполнения>31.02.2011</ДатаЗаполнения>";

// Each kind is read through the other's failure, on both routes: the second document of its own
// kind after the failing one is not read, the other kind's are.
TEST(PackReader, EachKindReadsOnItsOwn) {
  struct Case {
    std::string items;
    std::size_t docs6, docs63;
    bool fails6, fails63;
  };
  const Case cases[] = {
      {Document6(Snils("1")) + Document63(Snils("2")), 1, 1, false, false},
      {Document6(Snils("1") + kBadDate) + Document63(Snils("2")) + Document6(Snils("3")), 1, 1, true, false},
      {Document63(kBadDate) + Document6(Snils("1")) + Document63(Snils("2")), 1, 1, false, true},
      {Document63(kBadDate) + Document6(kBadDate) + Document63(Snils("2")) + Document6(""), 1, 1, true, true},
  };
  for (const Case& testCase : cases) {
    // An element nested deeper than the walk goes, which the reader passes over, makes the second
    // round replay the tree.
    std::string deep = "v";
    for (int level = 0; level < 70; ++level) deep = "<n" + std::to_string(level) + ">" + deep + "</n" + std::to_string(level) + ">";
    for (const std::string& tail : {kTail, deep + kTail}) {
      TXMLFile document;
      document.Content = Cp(kHead + testCase.items + tail);
      TSZV6File szv6;
      TSZV63File szv63;
      TPacksFound found;
      ASSERT_TRUE(ReadPacks(document, &szv6, &szv63, found));
      const std::string where = testCase.items + tail;
      EXPECT_EQ(szv6.Docs.size(), testCase.docs6) << where;
      EXPECT_EQ(szv63.Docs.size(), testCase.docs63) << where;
      EXPECT_TRUE(found.SZV6 && found.SZV63) << where;
      EXPECT_EQ(found.SZV6Failure.has_value(), testCase.fails6) << where;
      EXPECT_EQ(found.SZV63Failure.has_value(), testCase.fails63) << where;
      if (found.SZV6Failure) {
        EXPECT_STREQ(found.SZV6Failure->what(), "''31.02.2011'' is not a valid date");
      }
      // A kind not asked for is not read, and its failure not found.
      TSZV6File alone;
      ASSERT_TRUE(ReadPacks(document, &alone, nullptr, found));
      EXPECT_EQ(alone.Docs.size(), testCase.docs6) << where;
      EXPECT_FALSE(found.SZV63 || found.SZV63Failure) << where;
    }
  }
}

// A document that nests simply up to a point: what the walk read before it gave up is gone, and a
// reused pack keeps the fields of the previous file that its Clear keeps, as the tree's reading
// finds no document here.
TEST(PackReader, AWalkThatGivesUpLeavesNoTrace) {
  TSZV6File pack;
  ASSERT_TRUE(pack.LoadFromContent(Cp(kHead + Document6("<ВидФормы>СЗВ-6-1</ВидФормы>") + kTail)));
  ASSERT_EQ(Cp1251ToUtf8(pack.FormKind), "СЗВ-6-1");
  // The end tags of the root and of the pack element swapped: the tree's root ends before the
  // pack element does, and the pack element is lost.
  const std::string swapped =
      kHead + "<СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>" + Snils("1") +
      "</СВЕДЕНИЯ_О_СУММЕ_ВЫПЛАТ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ></ФайлПФР></ПачкаВходящихДокументов>";
  EXPECT_FALSE(pack.LoadFromContent(Cp(swapped)));
  EXPECT_TRUE(pack.Docs.empty());
  EXPECT_EQ(Cp1251ToUtf8(pack.FormKind), "СЗВ-6-1");  // not the walk's "СЗВ-6-4"

  TXMLFile notXml;
  notXml.Content = "junk";
  TPacksFound found;
  EXPECT_FALSE(ReadPacks(notXml, &pack, nullptr, found));
}

// The head of a pack, read as far as its first document, holds what the whole pack's reading
// gives of the header and of that document; a head that ends before the document is over leaves
// the pack as it was, for the whole file to be read.
TEST(PackReader, AHeadReadsTheHeaderAndTheFirstDocument) {
  const std::string inventory =
      "<ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ><СоставительПачки><НаименованиеОрганизации>ООО Лютик"
      "</НаименованиеОрганизации><РегистрационныйНомер>087-001-000777</РегистрационныйНомер>"
      "</СоставительПачки><ТипСведений>ИСХОДНАЯ</ТипСведений></ВХОДЯЩАЯ_ОПИСЬ_ПО_СТРАХОВЫМ_ВЗНОСАМ>";
  const std::string first = Document6(Snils("111") + "<ВидФормы>СЗВ-6-2</ВидФормы>");
  const std::string pack = Cp(kHead + inventory + first + Document6(Snils("222") + kBadDate) + kTail);
  TSZV6File whole;
  EXPECT_THROW(whole.LoadFromContent(pack), EConvertError);  // the second document's date
  for (std::size_t cut = 0; cut <= pack.size(); ++cut) {
    TXMLFile head;
    head.Content = pack.substr(0, cut);
    TSZV6File szv6;
    szv6.FormKind = "before";
    TPacksFound found;
    const bool read = ReadPackHead(head, szv6, found);
    const bool documentEnded = cut >= Cp(kHead + inventory + first).size();
    ASSERT_EQ(read, documentEnded) << cut;
    if (!read) {
      EXPECT_EQ(szv6.FormKind, "before") << cut;
      EXPECT_TRUE(szv6.Docs.empty() && szv6.RegNumb.empty() && !found.SZV6) << cut;
      continue;
    }
    EXPECT_TRUE(found.SZV6 && !found.SZV6Failure) << cut;
    EXPECT_EQ(Cp1251ToUtf8(szv6.OrgName), "ООО Лютик");
    EXPECT_EQ(szv6.RegNumb, whole.RegNumb);
    EXPECT_EQ(Cp1251ToUtf8(szv6.DataType), "ИСХОДНАЯ");
    EXPECT_EQ(Cp1251ToUtf8(szv6.FormKind), "СЗВ-6-2");
    ASSERT_EQ(szv6.Docs.size(), 1u);
    EXPECT_EQ(szv6.Docs[0].SNILS, "111");
  }
  // A first document of the СЗВ-6-3 kind ends the head too, with no СЗВ-6 pack in it.
  TXMLFile head63;
  head63.Content = Cp(kHead + Document63(Snils("1")) + Document6(Snils("2")));
  TSZV6File szv6;
  TPacksFound found;
  EXPECT_TRUE(ReadPackHead(head63, szv6, found));
  EXPECT_FALSE(found.SZV6);
}

}  // namespace
}  // namespace brisolt
