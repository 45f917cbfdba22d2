// Packs written the way employers' programs write them, with everything the readers skip
// (addresses, special conditions of work), read back: every value the engine uses must come out
// as it went in.
#include <gtest/gtest.h>

#include <string>

#include "forms/szv6.h"
#include "forms/szv63.h"
#include "packgen.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

using packgen::TRenderStyle;

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

TDate Date(const std::string& text) { return ReadDate(text); }

packgen::TGenDoc Person(int index) {
  packgen::TGenDoc doc;
  doc.SNILS = packgen::MakeSNILS(static_cast<std::uint64_t>(index) + 1);
  doc.LastName = index % 2 == 0 ? "Иванова-Петрова" : "О'Коннор";
  doc.FirstName = "Анна";
  doc.MiddleName = index % 3 == 0 ? "" : "Сергеевна";
  doc.InsAccrued = 1234567800 + index * 100;
  doc.InsPaid = index % 2 == 0 ? 1234567800 : -500;
  doc.FundAccrued = 370370000;
  doc.FundPaid = 0;
  if (index % 2 == 0) doc.Stages.push_back({"01.07.2012", "30.09.2012", index % 4 == 0});
  doc.Stages.push_back({"01.10.2012", "31.10.2012", false});
  doc.FillDate = "01.10.2012";
  doc.FillDate[1] = static_cast<char>('1' + index % 9);
  doc.WithAddress = index % 2 == 1;
  return doc;
}

TEST(PackRoundTrip, SZV6) {
  for (const char* formKind : {"СЗВ-6-1", "СЗВ-6-2", "СЗВ-6-4"}) {
    for (bool indented : {true, false}) {
      packgen::TGenSZV6Pack gen;
      gen.FormKind = formKind;
      gen.DataType = "КОРРЕКТИРУЮЩАЯ";
      gen.Year = 2012;
      gen.Quarter = 4;
      gen.CorrYear = 2012;
      gen.CorrQuarter = 3;
      gen.RegNumb = "087-001-054321";
      gen.OrgName = "ООО \"Рога & копыта\"";
      gen.ShortName = "<Рога и копыта>";
      gen.CategoryCode = "ПНЭД";
      gen.PackNumber = 42;
      gen.CompileDate = "05.11.2012";
      for (int index = 0; index < 6; ++index) gen.Docs.push_back(Person(index));
      TRenderStyle style;
      style.Indented = indented;
      const std::string where = std::string(formKind) + (indented ? " indented" : " one line");

      TSZV6File pack;
      ASSERT_TRUE(pack.LoadFromContent(packgen::RenderSZV6Pack(gen, style))) << where;
      EXPECT_EQ(pack.FormKind, Cp(formKind)) << where;
      EXPECT_EQ(pack.DataType, Cp(gen.DataType)) << where;
      EXPECT_EQ(pack.Year, 2012);
      EXPECT_EQ(pack.Quarter, 4);
      EXPECT_EQ(pack.CorrYear, 2012);
      EXPECT_EQ(pack.CorrQuarter, 3);
      EXPECT_EQ(pack.RegNumb, gen.RegNumb);
      EXPECT_EQ(pack.OrgName, Cp(gen.OrgName)) << where;
      EXPECT_EQ(pack.ShortName, Cp(gen.ShortName)) << where;
      EXPECT_EQ(pack.CategoryCode, Cp(gen.CategoryCode));
      EXPECT_EQ(pack.PackNumber, 42);
      EXPECT_EQ(pack.CompileDate, Date(gen.CompileDate));
      EXPECT_EQ(pack.ContractType, std::string(formKind) == "СЗВ-6-4" ? Cp(gen.ContractType) : "") << where;
      ASSERT_EQ(pack.Docs.size(), gen.Docs.size()) << where;
      for (std::size_t index = 0; index < gen.Docs.size(); ++index) {
        const packgen::TGenDoc& expected = gen.Docs[index];
        const TSZV6& doc = pack.Docs[index];
        EXPECT_EQ(doc.SNILS, expected.SNILS) << where;
        EXPECT_EQ(doc.LastName, Cp(expected.LastName)) << where;
        EXPECT_EQ(doc.FirstName, Cp(expected.FirstName));
        EXPECT_EQ(doc.MiddleName, Cp(expected.MiddleName));
        EXPECT_EQ(doc.InsAccrued, expected.InsAccrued) << where;
        EXPECT_EQ(doc.InsPaid, expected.InsPaid) << where;
        EXPECT_EQ(doc.FundAccrued, expected.FundAccrued);
        EXPECT_EQ(doc.FundPaid, expected.FundPaid);
        EXPECT_EQ(doc.FillDate, Date(expected.FillDate));
        ASSERT_EQ(doc.Stages.size(), expected.Stages.size()) << where;
        for (std::size_t stage = 0; stage < expected.Stages.size(); ++stage) {
          EXPECT_EQ(doc.Stages[stage].StartDate, Date(expected.Stages[stage].Start));
          EXPECT_EQ(doc.Stages[stage].EndDate, Date(expected.Stages[stage].End));
        }
      }
    }
  }
}

TEST(PackRoundTrip, SZV63) {
  for (bool indented : {true, false}) {
    packgen::TGenSZV63Pack gen;
    gen.Year = 2011;
    gen.PackNumber = 7;
    gen.OrgName = "ЗАО \"Альфа\"";
    for (int index = 0; index < 4; ++index) {
      packgen::TGenSZV63Doc doc;
      doc.SNILS = packgen::MakeSNILS(static_cast<std::uint64_t>(index) + 10);
      doc.LastName = "Сидоров";
      doc.FirstName = "Пётр";
      doc.MiddleName = "Ильич";
      for (int month = 0; month < 12; ++month) {
        if ((month + index) % 3 == 0) continue;  // a month without payments is not written
        doc.Months[month].Total = 300000000 + month * 100 + index;
        doc.Months[month].Taxable = 250000000 - month * 100;
      }
      for (auto& month : doc.Months) month.Total -= month.Total % 100;
      gen.Docs.push_back(doc);
    }
    TRenderStyle style;
    style.Indented = indented;

    TSZV63File pack;
    ASSERT_TRUE(pack.LoadFromContent(packgen::RenderSZV63Pack(gen, style)));
    EXPECT_EQ(pack.Year, 2011);
    EXPECT_EQ(pack.PackNumber, 7);
    EXPECT_EQ(pack.OrgName, Cp(gen.OrgName));
    EXPECT_EQ(pack.ContractType, Cp(gen.ContractType));
    EXPECT_EQ(pack.CompileDate, Date(gen.CompileDate));
    ASSERT_EQ(pack.Docs.size(), gen.Docs.size());
    for (std::size_t index = 0; index < gen.Docs.size(); ++index) {
      const TSZV63& doc = pack.Docs[index];
      EXPECT_EQ(doc.SNILS, gen.Docs[index].SNILS);
      EXPECT_EQ(doc.FirstName, Cp("Пётр"));
      EXPECT_EQ(doc.FillDate, Date(gen.Docs[index].FillDate));
      for (int month = 0; month < 12; ++month) {
        EXPECT_EQ(doc.Months[month + 1].Total, gen.Docs[index].Months[month].Total) << index << ' ' << month;
        EXPECT_EQ(doc.Months[month + 1].Taxable, gen.Docs[index].Months[month].Taxable) << index << ' ' << month;
      }
    }

    // Neither reader takes the other's packs.
    TSZV6File other;
    EXPECT_FALSE(other.LoadFromContent(packgen::RenderSZV63Pack(gen, style)));
  }
  TSZV63File pack;
  EXPECT_FALSE(pack.LoadFromContent(packgen::RenderForeignPack("087-001-012345")));
  TSZV6File pack6;
  EXPECT_FALSE(pack6.LoadFromContent(packgen::RenderForeignPack("087-001-012345")));
}

}  // namespace
}  // namespace brisolt
