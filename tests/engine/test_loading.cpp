// Whole small folders through LoadSubmissions: ordering of packs, folding of initial, corrective
// and cancelling data, the СЗВ-6-3 passes, the messages and the progress stages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/constants.h"
#include "engine/sverka.h"
#include "engine/sverka_reading.h"
#include "engine_test_folder.h"
#include "packgen.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

using testing_support::TTestFolder;
using packgen::TGenDoc;
using packgen::TGenSZV63Doc;
using packgen::TGenSZV63Pack;
using packgen::TGenSZV6Pack;

constexpr TAmount kRouble = 10000;
const char* const kRegNumb = "087-001-012345";

std::string W(const std::string& utf8) { return Utf8ToCp1251(utf8); }

TGenDoc Doc(const std::string& snils, const std::string& lastName, TAmount insAccrued, TAmount insPaid,
            TAmount fundAccrued = 0, TAmount fundPaid = 0) {
  TGenDoc doc;
  doc.SNILS = snils;
  doc.LastName = lastName;
  doc.FirstName = "Иван";
  doc.MiddleName = "Иванович";
  doc.InsAccrued = insAccrued;
  doc.InsPaid = insPaid;
  doc.FundAccrued = fundAccrued;
  doc.FundPaid = fundPaid;
  doc.Stages.push_back({"01.01.2011", "31.03.2011", false});
  return doc;
}

TGenSZV6Pack Pack(const std::string& dataType, int year, int quarter, const std::string& compileDate,
                  std::vector<TGenDoc> docs) {
  TGenSZV6Pack pack;
  pack.DataType = dataType;
  pack.Year = year;
  pack.Quarter = quarter;
  pack.CompileDate = compileDate;
  pack.Docs = std::move(docs);
  return pack;
}

TGenSZV6Pack Correction(const std::string& dataType, int corrYear, int corrQuarter, const std::string& compileDate,
                        std::vector<TGenDoc> docs) {
  TGenSZV6Pack pack = Pack(dataType, 2012, 4, compileDate, std::move(docs));
  pack.CorrYear = corrYear;
  pack.CorrQuarter = corrQuarter;
  return pack;
}

class LoadTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const TGenSZV6Pack& pack) {
    packgen::WriteBytes(folder_.File(name), packgen::RenderSZV6Pack(pack));
  }
  void Write(const std::string& name, const TGenSZV63Pack& pack) {
    packgen::WriteBytes(folder_.File(name), packgen::RenderSZV63Pack(pack));
  }
  // File names in reading order.
  static std::string Name(int index) { return "PFR-700-Y-2011-ORG-" + std::to_string(100 + index) + ".xml"; }

  void Load(bool calcCorr = false, bool subDirs = false, const std::string& regNumbs = kRegNumb) {
    files_.LoadSubmissions(folder_.Text(), subDirs, calcCorr, W(regNumbs), messages_, {});
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> result;
    for (const auto& message : messages_) {
      result.push_back(Cp1251ToUtf8(message));
    }
    return result;
  }

  const TSZV6Sotr& Person(const std::string& snils) {
    const int index = files_.FindSotr(snils);
    EXPECT_GE(index, 0) << snils;
    return files_.Sotrs.at(static_cast<std::size_t>(std::max(index, 0)));
  }

  TTestFolder folder_;
  TFileSet files_;
  std::vector<std::string> messages_;
};

const std::string kIvanov = "112-233-445 95";
const std::string kIvanovKey = "11223344595";

TEST_F(LoadTest, DuplicateInitialThePackComposedFirstCounts) {
  // Read first but composed later.
  Write(Name(1), Pack("ИСХОДНАЯ", 2011, 1, "20.04.2011", {Doc(kIvanov, "Иванов", 200 * kRouble, 200 * kRouble)}));
  Write(Name(2), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 100 * kRouble, 100 * kRouble)}));
  Load();
  ASSERT_EQ(files_.SZV6Files.size(), 2u);
  EXPECT_EQ(files_.SZV6Files[0].FileName, folder_.Text() + Name(2));
  const TSZV6Sotr& person = Person(kIvanovKey);
  ASSERT_EQ(person.NUList.size(), 1u);
  EXPECT_EQ(person.NUList[0].InsAccrued, 100 * kRouble);
  EXPECT_EQ(person.NUList[0].FileIndex, 0);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "Для сотрудника Иванов Иван Иванович (страховой № 112-233-445 95) в файле № 2 "
                            "обнаружен дубликат исходных сведений."}));
  // Nothing of the parsed packs is kept once the persons are built.
  EXPECT_TRUE(files_.SZV6Packs.empty());
  EXPECT_TRUE(files_.SZV63Packs.empty());
}

TEST_F(LoadTest, CorrectiveReplacesAndASecondOneIsReported) {
  Write(Name(1), Correction("КОРРЕКТИРУЮЩАЯ", 2011, 1, "10.01.2013", {Doc(kIvanov, "Иванов", 300 * kRouble, 250 * kRouble)}));
  Write(Name(2), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 100 * kRouble, 100 * kRouble)}));
  Write(Name(3), Correction("КОРРЕКТИРУЮЩАЯ", 2011, 1, "05.01.2013", {Doc(kIvanov, "Иванов", 200 * kRouble, 150 * kRouble)}));
  Load();
  const TSZV6Sotr& person = Person(kIvanovKey);
  ASSERT_EQ(person.NUList.size(), 1u);
  const TSZV6NU& entry = person.NUList[0];
  EXPECT_EQ(entry.InsAccrued, 300 * kRouble);
  EXPECT_EQ(entry.InsPaid, 250 * kRouble);
  EXPECT_EQ(entry.FileIndex, 2);
  EXPECT_TRUE(entry.Corrected);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "Для сотрудника Иванов Иван Иванович (страховой № 112-233-445 95) в файле № 3 "
                            "обнаружен дубликат корректирующих сведений, либо корректирующие сведения после "
                            "отменяющих. Предыдущие корректирующие/отменяющие сведения были в файле № 2"}));
  // The corrective packs belong to the period they correct.
  ASSERT_EQ(files_.ReportPeriods.size(), 1u);
  EXPECT_EQ(files_.ReportPeriods[0].Year, 2011);
  EXPECT_EQ(files_.ReportPeriods[0].Quarter, 1);
  EXPECT_EQ(files_.SZV6Files[1].Year, 2012);
  EXPECT_EQ(files_.SZV6Files[1].PeriodYear, 2011);
}

TEST_F(LoadTest, CancellingAfterCorrectiveZeroesAndIsReported) {
  Write(Name(1), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 100 * kRouble, 100 * kRouble)}));
  Write(Name(2), Correction("ОТМЕНЯЮЩАЯ", 2011, 1, "01.02.2013", {Doc(kIvanov, "Иванов", 1, 1, 1, 1)}));
  Write(Name(3), Correction("КОРРЕКТИРУЮЩАЯ", 2011, 1, "05.01.2013", {Doc(kIvanov, "Иванов", 200 * kRouble, 150 * kRouble)}));
  Load();
  const TSZV6NU& entry = Person(kIvanovKey).NUList.at(0);
  EXPECT_EQ(entry.InsAccrued, 0);
  EXPECT_EQ(entry.InsPaid, 0);
  EXPECT_EQ(entry.FundAccrued, 0);
  EXPECT_EQ(entry.FundPaid, 0);
  EXPECT_TRUE(entry.StageDates.empty());
  EXPECT_EQ(entry.FileIndex, 2);
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "Для сотрудника Иванов Иван Иванович (страховой № 112-233-445 95) в файле № 3 "
                            "обнаружен дубликат корректирующих сведений, либо отменяющие сведения после "
                            "корректирующих. Предыдущие корректирующие/отменяющие сведения были в файле № 2"}));
}

TEST_F(LoadTest, CorrectiveWithoutInitialDependsOnCalcCorr) {
  Write(Name(1), Correction("КОРРЕКТИРУЮЩАЯ", 2011, 1, "05.01.2013", {Doc(kIvanov, "Иванов", 200 * kRouble, 150 * kRouble)}));
  Write(Name(2), Correction("ОТМЕНЯЮЩАЯ", 2011, 2, "05.01.2013", {Doc(kIvanov, "Иванов", 7 * kRouble, 0)}));
  Load(false);
  const TSZV6Sotr& person = Person(kIvanovKey);
  EXPECT_TRUE(person.NUList.empty());  // the person exists all the same
  EXPECT_EQ(Cp1251ToUtf8(person.LastName), "Иванов");
  const std::string m1 = " обнаружены корректирующие или отменяющие сведения при отсутствии исходных.";
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "Для сотрудника Иванов Иван Иванович (страховой № 112-233-445 95) в файле № 1" + m1,
                            "Для сотрудника Иванов Иван Иванович (страховой № 112-233-445 95) в файле № 2" + m1}));

  Load(true);
  EXPECT_TRUE(messages_.empty());
  const TSZV6Sotr& again = Person(kIvanovKey);
  ASSERT_EQ(again.NUList.size(), 2u);
  EXPECT_EQ(again.NUList[0].InsAccrued, 200 * kRouble);
  EXPECT_FALSE(again.NUList[0].Corrected);
  // A cancelling pack without initial data takes its own document's amounts.
  EXPECT_EQ(again.NUList[1].InsAccrued, 7 * kRouble);
}

TEST_F(LoadTest, ZeroedCategoriesAndEntryKeys) {
  TGenSZV6Pack zeroed = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 100 * kRouble, 90 * kRouble, 5, 6)});
  zeroed.CategoryCode = "ЧЭС";
  Write(Name(1), zeroed);
  TGenSZV6Pack other = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 50 * kRouble, 50 * kRouble)});
  Write(Name(2), other);
  TGenSZV6Pack contract = other;
  contract.FormKind = "СЗВ-6-4";
  contract.ContractType = "ГРАЖДАНСКО-ПРАВОВОЙ";
  Write(Name(3), contract);
  Load();
  const TSZV6Sotr& person = Person(kIvanovKey);
  ASSERT_EQ(person.NUList.size(), 3u) << "category and contract type are part of the key";
  EXPECT_EQ(Cp1251ToUtf8(person.NUList[0].CategoryCode), "ЧЭС");
  EXPECT_EQ(person.NUList[0].InsAccrued + person.NUList[0].InsPaid + person.NUList[0].FundAccrued +
                person.NUList[0].FundPaid,
            0);
  EXPECT_EQ(person.NUList[0].StageDates.size(), 1u);
  EXPECT_EQ(person.NUList[1].InsAccrued, 50 * kRouble);
  EXPECT_EQ(Cp1251ToUtf8(person.NUList[2].ContractType), "ГРАЖДАНСКО-ПРАВОВОЙ");
  EXPECT_EQ(Cp1251ToUtf8(files_.SZV6Files[2].FormKind), "СЗВ-6-4");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(LoadTest, InsuranceNumberFormsAndNameOrder) {
  Write(Name(1), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011",
                      {Doc("112-233-445 95", "Яковлев", 1, 1), Doc("12345678901", "Ёлкин", 1, 1),
                       Doc("123 456 789 01", "Ёлкин", 1, 1), Doc("112-233-445-00", "Ардов", 1, 1),
                       Doc("112-233-445 00", "арбузов", 1, 1), Doc("112-233-445 01", "Зуев", 1, 1)}));
  Write(Name(2), Pack("ИСХОДНАЯ", 2011, 2, "10.07.2011", {Doc("11223344595", "Яковлев", 1, 1)}));
  Load();
  std::vector<std::string> order;
  for (const auto& person : files_.Sotrs) {
    order.push_back(Cp1251ToUtf8(person.LastName) + " " + person.SNILS);
  }
  // Ё (U+0401) before А, capitals before small letters; "123 456 789 01" has 14 characters and
  // meets "12345678901" as one person; "112-233-445-00" and "112-233-445 00" both normalise to
  // one person, named by the later document.
  EXPECT_EQ(order, (std::vector<std::string>{"Ёлкин 12345678901", "Зуев 11223344501", "Яковлев 11223344595",
                                             "арбузов 11223344500"}));
  EXPECT_EQ(Person("11223344595").NUList.size(), 2u);
  EXPECT_EQ(files_.FindSotr("112-233-445 95"), -1);
}

TEST_F(LoadTest, InsurersFormsAndSZV63OfAnyInsurer) {
  TGenSZV6Pack other = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  other.RegNumb = "087-002-054321";
  Write(Name(1), other);
  TGenSZV6Pack lettered = other;
  lettered.RegNumb = "ab-7";
  Write(Name(2), lettered);
  TGenSZV6Pack foreignKind = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  foreignKind.FormKind = "СЗВ-6-3";
  Write(Name(3), foreignKind);
  packgen::WriteBytes(folder_.File(Name(4)), packgen::RenderForeignPack(kRegNumb));
  packgen::WriteBytes(folder_.File(Name(5)), "not xml at all");
  TGenSZV63Pack payments;
  payments.RegNumb = "999-999-999999";
  payments.Docs.push_back({kIvanov, "Иванов", "Иван", "Иванович", {}, "01.02.2012"});
  Write(Name(6), payments);
  Load(false, false, "AB-7");
  ASSERT_EQ(files_.SZV6Files.size(), 1u);
  EXPECT_EQ(files_.SZV6Files[0].FileName, folder_.Text() + Name(2));
  ASSERT_EQ(files_.SZV63Files.size(), 1u);
  EXPECT_EQ(files_.SZV63Files[0].FileName, folder_.Text() + Name(6));
  EXPECT_EQ(files_.SZV63Files[0].Quarter, 0);
  EXPECT_EQ(files_.SZV63Files[0].FormKind, "");
  EXPECT_EQ(files_.Sotrs.size(), 1u);

  Load(false, false, " 087-001-012345 , ab-7");  // the blank before the comma spoils the first number
  EXPECT_EQ(files_.SZV6Files.size(), 1u);
  Load(false, false, "087-002-054321,ab-7");
  EXPECT_EQ(files_.SZV6Files.size(), 2u);
}

// A pack caught while another program writes it, empty or cut short, is named with the reason
// among the read failures, and so heads the protocol's errors; whole packs of other insurers and
// forms stay silent as before.
TEST_F(LoadTest, EmptyAndCutPacksAreNamedOthersStaySilent) {
  Write(Name(1), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", kRouble, kRouble)}));
  TGenSZV6Pack other = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  other.RegNumb = "087-002-054321";
  Write(Name(2), other);
  packgen::WriteBytes(folder_.File(Name(3)), packgen::RenderForeignPack(kRegNumb));
  const std::string whole = packgen::RenderSZV6Pack(
      Pack("ИСХОДНАЯ", 2011, 2, "10.07.2011", {Doc(kIvanov, "Иванов", kRouble, kRouble)}));
  const struct {
    int index;
    std::string bytes;
    const char* reason;
  } broken[] = {
      {4, "", "файл пуст"},
      {5, whole.substr(0, whole.find(W("<СНИЛС")) + 4), "файл не является полным документом XML"},
      {6, whole.substr(0, whole.size() / 2), "файл не является полным документом XML"},
  };
  for (const auto& file : broken) {
    packgen::WriteBytes(folder_.File(Name(file.index)), file.bytes);
  }
  Load();
  ASSERT_EQ(files_.ReadFailures.size(), std::size(broken));
  for (std::size_t index = 0; index < std::size(broken); ++index) {
    EXPECT_EQ(files_.ReadFailures[index], "Не удалось прочитать файл " + folder_.Text() +
                                              Name(broken[index].index) + ": " + broken[index].reason);
    EXPECT_EQ(Messages()[index], files_.ReadFailures[index]);
  }
  EXPECT_EQ(files_.SZV6Files.size(), 1u);
}

TEST_F(LoadTest, SubFolderPacksAreReadFirstAndKeepThatOrderOnTies) {
  Write(Name(1), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 100 * kRouble, 100 * kRouble)}));
  Write("sub/" + Name(2), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 200 * kRouble, 200 * kRouble)}));
  Load(false, false);
  EXPECT_EQ(files_.SZV6Files.size(), 1u);
  Load(false, true);
  ASSERT_EQ(files_.SZV6Files.size(), 2u);
  // Sub-folders are joined with the platform's separator.
  EXPECT_EQ(files_.SZV6Files[0].FileName,
            folder_.Text() + "sub" + static_cast<char>(std::filesystem::path::preferred_separator) + Name(2));
  EXPECT_EQ(Person(kIvanovKey).NUList.at(0).InsAccrued, 200 * kRouble);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(LoadTest, PeriodsSortedAndProgressStages) {
  Write(Name(1), Pack("ИСХОДНАЯ", 2011, 2, "10.07.2011", {Doc(kIvanov, "Иванов", 1, 1)}));
  Write(Name(2), Pack("ИСХОДНАЯ", 2010, 2, "10.01.2011", {Doc(kIvanov, "Иванов", 1, 1)}));
  Write(Name(3), Correction("КОРРЕКТИРУЮЩАЯ", 2011, 1, "05.01.2013", {Doc(kIvanov, "Иванов", 1, 1)}));
  TGenSZV63Pack payments;
  payments.Docs.push_back({kIvanov, "Иванов", "Иван", "Иванович", {}, "01.02.2012"});
  Write(Name(4), payments);
  packgen::WriteBytes(folder_.File("readme.txt"), "x");
  std::vector<std::string> calls;
  files_.LoadSubmissions(folder_.Text(), false, true, kRegNumb, messages_,
                         [&](const std::string& stage, const std::string& detail, int position, int maximum) {
                           calls.push_back(stage + "|" + detail + "|" + std::to_string(position) + "|" +
                                           std::to_string(maximum));
                         });
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "Чтение файлов|" + Name(1) + "|0|4",
                       "Чтение файлов|" + Name(2) + "|1|4",
                       "Чтение файлов|" + Name(3) + "|2|4",
                       "Чтение файлов|" + Name(4) + "|3|4",
                       "Сортировка списка файлов|Подождите...|0|100",
                       "Создание списка сотрудников|Подождите...|1|3",
                       "Создание списка сотрудников|Подождите...|2|3",
                       "Создание списка сотрудников|Подождите...|3|3",
                       "Сортировка списка сотрудников|Подождите...|0|100",
                       "Сортировка списка отчётных периодов|Подождите...|0|100",
                       "Создание протокола...|Подождите...|0|100",
                   }));
  std::vector<std::pair<int, int>> periods;
  for (const auto& period : files_.ReportPeriods) {
    periods.emplace_back(period.Year, period.Quarter);
  }
  EXPECT_EQ(periods, (std::vector<std::pair<int, int>>{{2010, 2}, {2011, 1}, {2011, 2}}));
}

TEST_F(LoadTest, OnlySZV63PacksGiveNoPersons) {
  TGenSZV63Pack payments;
  payments.Docs.push_back({kIvanov, "Иванов", "Иван", "Иванович", {}, "01.02.2012"});
  Write(Name(1), payments);
  std::vector<std::string> stages;
  files_.LoadSubmissions(folder_.Text(), false, false, kRegNumb, messages_,
                         [&](const std::string& stage, const std::string&, int, int) { stages.push_back(stage); });
  EXPECT_EQ(stages, (std::vector<std::string>{"Чтение файлов", "Создание протокола..."}));
  EXPECT_TRUE(files_.Sotrs.empty());
  EXPECT_EQ(files_.SZV63Files.size(), 1u);
  EXPECT_EQ(files_.SZV63Packs.size(), 1u);
}

TEST_F(LoadTest, UnreadableDateEndsTheLoadNamingTheFile) {
  TGenSZV6Pack pack = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  pack.Docs[0].FillDate = "31.02.2010";
  Write(Name(1), pack);
  try {
    Load();
    FAIL() << "no error";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.what(), folder_.Text() + Name(1) + ": ''31.02.2010'' is not a valid date");
  }
}

// The message is UTF-8 whatever the name's bytes and the pack's text, on the run's way and on
// the insurer list's. A windows-1251 line guessed at as a whole misread "Рё" (D0 B8, which is
// UTF-8 too) and turned names with letters the code page lacks into "?".
TEST_F(LoadTest, UnreadableDateNamesTheFileInUtf8OnEveryRoute) {
  struct TCase {
    std::string name;       // as created (platform bytes)
    std::string nameShown;  // UTF-8
    std::string date;       // UTF-8, written to the pack in windows-1251
  };
  std::vector<TCase> cases = {
      {"PFR-700-Y-2011-ORG-Рё.xml", "PFR-700-Y-2011-ORG-Рё.xml", "31.02.2010"},
      {"PFR-700-Y-2011-ORG-Ёлка.xml", "PFR-700-Y-2011-ORG-Ёлка.xml", "31 февраля"},
      {"PFR-700-Y-2011-ORG-Zürich.xml", "PFR-700-Y-2011-ORG-Zürich.xml", "31 февраля"},
  };
#ifndef _WIN32
  // A name unpacked from a Windows archive: windows-1251 bytes ("Сочи") in a UTF-8 system.
  cases.push_back({"PFR-700-Y-2011-ORG-\xD1\xEE\xF7\xE8.xml", "PFR-700-Y-2011-ORG-Сочи.xml", "31 февраля"});
#endif
  for (const TCase& testCase : cases) {
    SCOPED_TRACE(testCase.nameShown);
    std::filesystem::remove_all(folder_.Path());
    std::filesystem::create_directories(folder_.Path());
    TGenSZV6Pack pack = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
    pack.Docs[0].FillDate = testCase.date;
    Write(testCase.name, pack);
    const std::string expected =
        folder_.Text() + testCase.nameShown + ": ''" + testCase.date + "'' is not a valid date";
    files_ = TFileSet();
    try {
      Load();
      ADD_FAILURE() << "the run read the date";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.what(), expected);
    }
    std::vector<std::string> names;
    std::vector<std::string> numbers;
    try {
      TFileSet::ScanInsurers(folder_.Text(), false, names, numbers);
      ADD_FAILURE() << "the insurer list read the date";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
}

TEST_F(LoadTest, AbsurdHeadersAndAmountsStayHarmless) {
  const TAmount huge = std::numeric_limits<TAmount>::max() / 100 * 100;
  Write(Name(1), Pack("ИСХОДНАЯ", 2147483647, -2147483647, "10.04.2011", {Doc(kIvanov, "Иванов", huge, 0, huge, 0)}));
  Write(Name(2), Pack("ИСХОДНАЯ", 2147483647, -2147483647, "11.04.2011", {Doc(kIvanov, "Иванов", huge, 0, huge, 0)}));
  Write(Name(3), Pack("ИСХОДНАЯ", 0, 0, "10.04.2011", {Doc(kIvanov, "Иванов", -huge, huge, -huge, huge)}));
  Load();
  ASSERT_EQ(files_.Sotrs.size(), 1u);
  std::vector<std::string> notes;
  const TSotrCheck check = files_.CheckSotr(0, files_.GetPeriodSumsByPeriod(0), notes);
  // Paid far more than accrued in the first period; what the amounts read as beyond that is the
  // reader's business, the point is that nothing overflows.
  EXPECT_NE(check.SaldoFlags & SaldoOverpaid, 0);
  EXPECT_FALSE(notes.empty());
  EXPECT_EQ(files_.ReportPeriods.size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// СЗВ-6-3

TGenSZV63Doc Payments(const std::string& snils, const std::string& lastName, TAmount january) {
  TGenSZV63Doc doc;
  doc.SNILS = snils;
  doc.LastName = lastName;
  doc.FirstName = "Иван";
  doc.MiddleName = "Иванович";
  doc.Months[0] = {january, january};
  return doc;
}

TGenSZV63Pack Payments63(const std::string& dataType, int year, const std::string& category, int packNumber,
                         std::vector<TGenSZV63Doc> docs) {
  TGenSZV63Pack pack;
  pack.DataType = dataType;
  pack.Year = year;
  pack.CategoryCode = category;
  pack.PackNumber = packNumber;
  pack.Docs = std::move(docs);
  return pack;
}

TEST_F(LoadTest, SZV63PassesAndMessages) {
  Write(Name(0), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011",
                      {Doc(kIvanov, "Иванов", 1, 1), Doc("112-233-445 00", "Петров", 1, 1)}));
  // Found in this order; the corrective pack comes first but is applied in the second pass.
  Write(Name(1), Payments63("КОРРЕКТИРУЮЩАЯ", 2011, "НР", 11,
                            {Payments(kIvanov, "Иванов", 300 * kRouble), Payments("999-999-999 99", "Сидоров", 1),
                             Payments("112-233-445 00", "Петров", 5 * kRouble)}));
  Write(Name(2), Payments63("ИСХОДНАЯ", 2011, "НР", 12,
                            {Payments(kIvanov, "Иванов", 100 * kRouble), Payments("999-999-999 98", "Орлов", 1)}));
  Write(Name(3), Payments63("ИСХОДНАЯ", 2011, "НР", 13, {Payments(kIvanov, "Иванов", 200 * kRouble)}));
  Load(false);
  const TSZV6Sotr& ivanov = Person(kIvanovKey);
  ASSERT_EQ(ivanov.NU63List.size(), 1u);
  EXPECT_EQ(ivanov.NU63List[0].FileNumber, 1);
  EXPECT_EQ(ivanov.NU63List[0].Months[1].Taxable, 300 * kRouble);
  EXPECT_TRUE(Person("11223344500").NU63List.empty());
  const std::string ivanovPrefix = "На сотрудника Иванов Иван Иванович (СНИЛС 112-233-445 95";
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "На сотрудника Орлов Иван Иванович (СНИЛС 999-999-999 98) обнаружены сведения СЗВ-6-3 "
                            "за 2011 год по категории НР при отсутствии индивидуальных сведений за указанный год.",
                            ivanovPrefix + ") в пачке № 13 обнаружен дубликат СЗВ-6-3 за 2011 год, категория НР, "
                                           "тип договора ТРУДОВОЙ",
                            "На сотрудника Сидоров Иван Иванович (СНИЛС 999-999-999 99) обнаружены "
                            "корректирующие/отменяющие сведения СЗВ-6-3 за 2011 год по категории НР при "
                            "отсутствии индивидуальных сведений за указанный год.",
                            "На сотрудника Петров Иван Иванович (СНИЛС 112-233-445 00) обнаружены "
                            "корректирующие/отменяющие сведения СЗВ-6-3 за 2011 год по категории НР при "
                            "отсутствии исходных.",
                        }));
  Load(true);
  ASSERT_EQ(Person("11223344500").NU63List.size(), 1u);
  EXPECT_EQ(Person("11223344500").NU63List[0].Months[1].Total, 5 * kRouble);
  EXPECT_EQ(messages_.size(), 3u);
}

TEST_F(LoadTest, SZV63FilesOrderedByYearThenType) {
  Write(Name(0), Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)}));
  Write(Name(1), Payments63("ИСХОДНАЯ", 2011, "НР", 1, {Payments(kIvanov, "Иванов", 1)}));
  TGenSZV63Pack early = Payments63("ИСХОДНАЯ", 2010, "НР", 2, {Payments(kIvanov, "Иванов", 1)});
  early.CompileDate = "01.03.2013";
  Write(Name(2), early);
  Write(Name(3), Payments63("ОТМЕНЯЮЩАЯ", 2010, "НР", 3, {Payments(kIvanov, "Иванов", 1)}));
  Load();
  std::vector<int> numbers;
  for (const auto& file : files_.SZV63Files) {
    numbers.push_back(file.PackNumber);
  }
  EXPECT_EQ(numbers, (std::vector<int>{2, 3, 1}));
}

// The fast ordering of the СЗВ-6-3 list against the literal swap passes, on random lists that
// include unknown types of data (where the test is not a strict weak order) and equal dates.
TEST(SortFileRecs63, SameResultAsSwapPasses) {
  std::mt19937 random(20240607);
  const std::string types[] = {DataTypeInitial(), DataTypeCorrective(), DataTypeCancelling(), W("ИНАЯ"), ""};
  for (int round = 0; round < 3000; ++round) {
    const bool knownOnly = round % 2 == 0;
    std::vector<TFileRec> files(static_cast<std::size_t>(random() % 12));
    for (std::size_t index = 0; index < files.size(); ++index) {
      files[index].PackIndex = static_cast<std::int32_t>(index);
      files[index].Year = 2010 + static_cast<int>(random() % 3);
      files[index].DataType = types[random() % (knownOnly ? 3 : 5)];
      files[index].CompileDate = 40000 + static_cast<double>(random() % 4);
    }
    std::vector<TFileRec> literal = files;
    SortFileRecs63ByPasses(literal);
    SortFileRecs63(files);
    ASSERT_EQ(files.size(), literal.size());
    for (std::size_t index = 0; index < files.size(); ++index) {
      ASSERT_EQ(files[index].PackIndex, literal[index].PackIndex) << "round " << round;
    }
  }
}

// Persons are sorted by one key per person; its byte order must be the order of comparing the last,
// first and middle names one after another by their UTF-16 units. Random names over a few
// characters of every kind (a NUL, Latin, digits, Ё and its neighbours in the code page and in
// Unicode, the highest units) so that prefixes, ties and names moved between fields all occur.
TEST(PersonNameSortKey, OrdersAsTheNamesCompareOneAfterAnother) {
  const std::string letters = std::string("\0", 1) + "AZaz09 -" + W("ЁёЕеЖАБЯя") + "\x98\x99\xB9\x88\xFF";
  std::mt19937 random(20261209);
  const auto name = [&] {
    std::string text;
    for (std::uint32_t length = random() % 4; length > 0; --length) text += letters[random() % letters.size()];
    return text;
  };
  const auto sign = [](int value) { return (value > 0) - (value < 0); };
  const auto compareNames = [&](const TSZV6Sotr& a, const TSZV6Sotr& b) {
    for (const auto field : {&TSZV6Sotr::LastName, &TSZV6Sotr::FirstName, &TSZV6Sotr::MiddleName}) {
      if (const int order = CompareCp1251ByUtf16(a.*field, b.*field); order != 0) return sign(order);
    }
    return 0;
  };
  for (int round = 0; round < 20000; ++round) {
    TSZV6Sotr a;
    TSZV6Sotr b;
    for (TSZV6Sotr* person : {&a, &b}) {
      person->LastName = name();
      person->FirstName = name();
      person->MiddleName = name();
    }
    if (round % 3 == 0) b.LastName = a.LastName;
    if (round % 5 == 0) b.FirstName = a.FirstName;
    const std::string keyA = PersonNameSortKey(a);
    const std::string keyB = PersonNameSortKey(b);
    ASSERT_EQ(sign(keyA.compare(keyB)), compareNames(a, b))
        << "round " << round << ": " << testing::PrintToString(a.LastName + "|" + a.FirstName + "|" + a.MiddleName)
        << " against " << testing::PrintToString(b.LastName + "|" + b.FirstName + "|" + b.MiddleName);
  }
}

// Persons come out by name, the latest document's, and persons of one name in the order of their
// first documents in the folded order of the packs; the same with one share of the fold and with
// several. Checked against sorting the persons one by one, on names that tie, nest and change.
TEST_F(LoadTest, PersonsByNameThenByFirstDocumentWhateverTheShares) {
  const std::vector<std::string> lastNames = {"Иванов", "Иванова", "иванов", "Ива", "Ёлкин", "Ельцин", "Жуков", "Abramov"};
  const std::vector<std::string> firstNames = {"Иван", "Ивана", ""};
  std::mt19937 random(20261209);
  constexpr int kPersons = 300;
  std::vector<std::vector<TGenDoc>> packDocs;
  for (int pack = 0; pack < 8; ++pack) {
    std::vector<TGenDoc> docs;
    for (int person = 0; person < kPersons; ++person) {
      if (random() % 3 == 0) continue;
      TGenDoc doc = Doc(std::to_string(20000000000LL + person), lastNames[random() % lastNames.size()], 1, 1);
      doc.FirstName = firstNames[random() % firstNames.size()];
      doc.MiddleName = random() % 2 == 0 ? "Петрович" : "";
      docs.push_back(std::move(doc));
    }
    std::shuffle(docs.begin(), docs.end(), random);
    Write(Name(pack + 1), Pack("ИСХОДНАЯ", 2010 + pack / 4, pack % 4 + 1, "10.01.2013", docs));
    packDocs.push_back(std::move(docs));
  }
  for (const int threads : {1, 2, 3, 8}) {
    files_ = TFileSet();
    files_.Threads = threads;
    Load();
    ASSERT_EQ(files_.SZV6Files.size(), packDocs.size());
    // The persons in the order of their first documents, each with its latest names.
    std::vector<TSZV6Sotr> expected;
    std::map<std::string, std::size_t> seen;
    for (const TFileRec& file : files_.SZV6Files) {
      const std::size_t pack = static_cast<std::size_t>(std::stoi(file.FileName.substr(file.FileName.size() - 7, 3)) - 101);
      for (const TGenDoc& doc : packDocs.at(pack)) {
        const auto [at, added] = seen.emplace(doc.SNILS, expected.size());
        if (added) expected.emplace_back().SNILS = doc.SNILS;
        TSZV6Sotr& person = expected[at->second];
        person.LastName = W(doc.LastName);
        person.FirstName = W(doc.FirstName);
        person.MiddleName = W(doc.MiddleName);
      }
    }
    std::stable_sort(expected.begin(), expected.end(), [](const TSZV6Sotr& a, const TSZV6Sotr& b) {
      for (const auto field : {&TSZV6Sotr::LastName, &TSZV6Sotr::FirstName, &TSZV6Sotr::MiddleName}) {
        if (const int order = CompareCp1251ByUtf16(a.*field, b.*field); order != 0) return order < 0;
      }
      return false;
    });
    ASSERT_EQ(files_.Sotrs.size(), expected.size()) << threads << " threads";
    for (std::size_t at = 0; at < expected.size(); ++at) {
      const TSZV6Sotr& person = files_.Sotrs[at];
      ASSERT_EQ(person.SNILS + " " + person.LastName + " " + person.FirstName + " " + person.MiddleName,
                expected[at].SNILS + " " + expected[at].LastName + " " + expected[at].FirstName + " " +
                    expected[at].MiddleName)
          << "place " << at << ", " << threads << " threads";
    }
  }
}

TEST(CompareFileRec, OrderWithinAPeriod) {
  TFileSet files;
  const auto rec = [](int year, int quarter, const std::string& type, double date, int index) {
    TFileRec file;
    file.PeriodYear = year;
    file.PeriodQuarter = quarter;
    file.DataType = type;
    file.CompileDate = date;
    file.PackIndex = index;
    return file;
  };
  std::vector<TFileRec> list = {
      rec(2011, 1, DataTypeCancelling(), 10, 0), rec(2011, 1, DataTypeCorrective(), 12, 1),
      rec(2011, 1, DataTypeCorrective(), 11, 2), rec(2011, 1, DataTypeInitial(), 13, 3),
      rec(2010, 2, DataTypeCancelling(), 1, 4),  rec(2011, 1, DataTypeInitial(), 13, 5),
  };
  // The literal passes, for reference.
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (std::size_t index = 0; index + 1 < list.size(); ++index) {
      if (TFileSet::CompareFileRec(list[index], list[index + 1])) {
        std::swap(list[index], list[index + 1]);
        swapped = true;
      }
    }
  }
  std::vector<int> order;
  for (const auto& file : list) {
    order.push_back(file.PackIndex);
  }
  EXPECT_EQ(order, (std::vector<int>{4, 3, 5, 2, 1, 0}));
}

// ---------------------------------------------------------------------------------------------
// The insurer list and the generated folders.

TEST_F(LoadTest, ScanInsurersListsEachInsurerOnce) {
  TGenSZV6Pack first = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  Write(Name(1), first);
  Write(Name(2), first);
  TGenSZV6Pack other = first;
  other.RegNumb = "087-002-054321";
  other.OrgName = "";
  other.ShortName = "";  // shown under the short name of the file read before it in this folder
  Write(Name(3), other);
  TGenSZV63Pack payments = Payments63("ИСХОДНАЯ", 2011, "НР", 1, {Payments(kIvanov, "Иванов", 1)});
  payments.RegNumb = "087-003-000003";
  Write(Name(4), payments);
  std::vector<std::string> names{W("Уже")};
  std::vector<std::string> numbers{W("000-000-000000")};
  TFileSet::ScanInsurers(folder_.Text(), false, names, numbers);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(Cp1251ToUtf8(names[1]), "ООО \"Ромашка\"");
  EXPECT_EQ(numbers[1], kRegNumb);
  EXPECT_EQ(Cp1251ToUtf8(names[2]), "ООО \"Ромашка\"");
  EXPECT_EQ(numbers[2], "087-002-054321");
}

TEST_F(LoadTest, FormKindCarriesOverWithinAFolderOnlyInTheInsurerScan) {
  TGenSZV6Pack first = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  Write(Name(1), first);
  TGenSZV6Pack other = first;
  other.RegNumb = "087-002-054321";
  other.OrgName = "ЗАО \"Василёк\"";
  std::string bytes = packgen::RenderSZV6Pack(other, {false, false});
  const std::string formKind = W("<ВидФормы>СЗВ-6-1</ВидФормы>");
  bytes.erase(bytes.find(formKind), formKind.size());
  packgen::WriteBytes(folder_.File(Name(2)), bytes);
  packgen::WriteBytes(folder_.File("sub/" + Name(3)), bytes);
  std::vector<std::string> names;
  std::vector<std::string> numbers;
  TFileSet::ScanInsurers(folder_.Text(), true, names, numbers);
  // The sub-folder's file comes first and has nothing to inherit; the folder's second file
  // inherits "СЗВ-6-1" from the first.
  EXPECT_EQ(numbers, (std::vector<std::string>{kRegNumb, "087-002-054321"}));
  Load(false, true, "087-002-054321");
  EXPECT_TRUE(files_.SZV6Files.empty());
  EXPECT_TRUE(files_.Sotrs.empty());
}

// The list reads each pack as far as the end of its first document, which names the insurer and
// the form; the rest of the pack is the run's to read. A first document too far into the file for
// the head is found by reading the whole file.
TEST_F(LoadTest, ScanInsurersReadsAPackAsFarAsItsFirstDocument) {
  TGenSZV6Pack later = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1), Doc("112-233-445 01", "Петров", 1, 1)});
  later.Docs[1].FillDate = "31 февраля";
  Write(Name(1), later);
  TGenSZV6Pack far = Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", {Doc(kIvanov, "Иванов", 1, 1)});
  far.RegNumb = "087-002-054321";
  far.OrgName = "ЗАО \"Василёк\"";
  std::string bytes = packgen::RenderSZV6Pack(far, {false, false});
  const std::string document = W("<СВЕДЕНИЯ_О_СТРАХОВЫХ_ВЗНОСАХ_И_СТРАХОВОМ_СТАЖЕ_ЗЛ>");
  bytes.insert(bytes.find(document), std::string(100000, ' '));
  packgen::WriteBytes(folder_.File(Name(2)), bytes);
  std::vector<std::string> names;
  std::vector<std::string> numbers;
  TFileSet::ScanInsurers(folder_.Text(), false, names, numbers);
  EXPECT_EQ(numbers, (std::vector<std::string>{kRegNumb, "087-002-054321"}));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(Cp1251ToUtf8(names[1]), "ЗАО \"Василёк\"");
  EXPECT_THROW(Load(), EConvertError);
}

TEST_F(LoadTest, ChecksOnALoadedFolder) {
  const auto doc = [](const std::string& snils, const std::string& lastName, TAmount insAccrued, TAmount insPaid,
                      const std::string& start, const std::string& end) {
    TGenDoc result = Doc(snils, lastName, insAccrued, insPaid);
    result.Stages = {{start, end, false}};
    return result;
  };
  // 2010 at 20 %: 80000 roubles accrued is a base of 400000, 4000 one of 20000.
  Write(Name(1), Pack("ИСХОДНАЯ", 2010, 1, "10.07.2010",
                      {doc("112-233-445 01", "Базов", 80000 * kRouble, 80000 * kRouble, "01.01.2010", "30.06.2010"),
                       doc("112-233-445 02", "Уволенный", 1000 * kRouble, 1000 * kRouble, "01.01.2010", "30.06.2010"),
                       doc("112-233-445 03", "Работающий", 1000 * kRouble, 1000 * kRouble, "01.01.2010", "30.06.2010")}));
  Write(Name(2), Pack("ИСХОДНАЯ", 2010, 2, "10.01.2011",
                      {doc("112-233-445 01", "Базов", 4000 * kRouble, 4000 * kRouble, "01.07.2010", "31.12.2010"),
                       doc("112-233-445 02", "Уволенный", 1500 * kRouble, 1000 * kRouble, "01.07.2010", "30.12.2010"),
                       doc("112-233-445 03", "Работающий", 1500 * kRouble, 1000 * kRouble, "01.07.2010", "31.12.2010")}));
  Load();
  struct Expected {
    const char* snils;
    std::vector<std::string> notes;
    const char* styleClass;
    int flags;
  };
  const Expected expected[] = {
      {"11223344501", {"Предупреждение: 2/2010 - превыш. базы? 420000.00 р"}, "p", 0},
      {"11223344502", {"Предупреждение: задолж. 500.00 страх."}, "hv", SaldoDebt},
      {"11223344503", {}, "norm", SaldoDebt},
  };
  for (const auto& person : expected) {
    std::vector<std::string> notes;
    const int index = files_.FindSotr(person.snils);
    const TSotrCheck check = files_.CheckSotr(index, files_.GetPeriodSumsByPeriod(index), notes);
    std::vector<std::string> texts;
    for (const auto& note : notes) {
      texts.push_back(Cp1251ToUtf8(note));
    }
    EXPECT_EQ(texts, person.notes) << person.snils;
    EXPECT_EQ(LineMarkClass(check.Mark), person.styleClass) << person.snils;
    EXPECT_EQ(check.SaldoFlags, person.flags) << person.snils;
  }
}

TEST(GeneratedFolders, SampleShowsEverySituation) {
  TTestFolder folder;
  packgen::GenerateSample(folder.Text());
  TFileSet files;
  std::vector<std::string> messages;
  files.LoadSubmissions(folder.Text(), false, false, kRegNumb, messages, {});
  EXPECT_EQ(files.Sotrs.size(), 14u);
  EXPECT_EQ(files.ReportPeriods.size(), 6u);
  std::string all;
  for (const auto& message : messages) {
    all += Cp1251ToUtf8(message) + "\n";
  }
  for (const char* expected : {"при отсутствии исходных.", "дубликат корректирующих сведений, либо корректирующие",
                               "либо отменяющие сведения после", "дубликат исходных сведений.",
                               "обнаружены сведения СЗВ-6-3", "обнаружен дубликат СЗВ-6-3",
                               "корректирующие/отменяющие сведения СЗВ-6-3 за 2011 год по категории НР при "
                               "отсутствии индивидуальных", "по категории ООИ при отсутствии исходных."}) {
    EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
  }
  std::set<std::string> classes;
  int debtors = 0;
  for (int person = 0; person < static_cast<int>(files.Sotrs.size()); ++person) {
    std::vector<std::string> notes;
    const TSotrCheck check = files.CheckSotr(person, files.GetPeriodSumsByPeriod(person), notes);
    classes.insert(std::string(LineMarkClass(check.Mark)));
    debtors += (check.SaldoFlags & SaldoDebt) != 0 ? 1 : 0;
  }
  EXPECT_EQ(classes, (std::set<std::string>{"norm", "p", "hv", "hvp"}));
  EXPECT_GE(debtors, 3);
  EXPECT_EQ(Cp1251ToUtf8(files.Sotrs[0].LastName), "Ёлкин");
}

TEST(GeneratedFolders, LargeFolderLoadsEveryPerson) {
  TTestFolder folder;
  packgen::TGenOptions options;
  options.Seed = 7;
  options.Persons = 300;
  options.DocsPerPack = 40;
  options.Indented = false;
  const auto summary = packgen::GenerateFolder(options, folder.Text());
  TFileSet files;
  std::vector<std::string> messages;
  files.LoadSubmissions(folder.Text(), false, false, kRegNumb, messages, {});
  EXPECT_EQ(files.Sotrs.size(), 300u);
  EXPECT_EQ(files.ReportPeriods.size(), 14u);
  EXPECT_EQ(static_cast<int>(files.SZV6Files.size() + files.SZV63Files.size()), summary.SZV6Packs + summary.SZV63Packs - 1);
  // Every message is one of the duplicate reports of the repeated pack.
  for (const auto& message : messages) {
    EXPECT_NE(Cp1251ToUtf8(message).find("дубликат исходных"), std::string::npos) << Cp1251ToUtf8(message);
  }
}


// A reading thread reads file after file into one document: what a file gives does not depend on
// what was read before it (a larger pack, a cut one, a failure, a pack of the other form), and
// every document carries its person's key.
TEST_F(LoadTest, AReaderKeepsNothingOfTheFileBefore) {
  std::vector<TGenDoc> many;
  for (int person = 0; person < 60; ++person) {
    many.push_back(Doc("112-233-" + std::to_string(100 + person) + " 95", "Фамилия" + std::to_string(person),
                       person * kRouble, kRouble));
  }
  const std::string big = packgen::RenderSZV6Pack(Pack("ИСХОДНАЯ", 2011, 1, "10.04.2011", std::move(many)));
  packgen::WriteBytes(folder_.File(Name(1)), big);
  Write(Name(2), Correction("КОРРЕКТИРУЮЩАЯ", 2011, 1, "10.05.2011", {Doc("11223344595", "Иванов", 1, 1)}));
  packgen::WriteBytes(folder_.File(Name(3)), "");
  packgen::WriteBytes(folder_.File(Name(4)), big.substr(0, big.size() / 2));
  Write(Name(5), Payments63("ИСХОДНАЯ", 2011, "НР", 12, {Payments(kIvanov, "Иванов", 100 * kRouble)}));
  packgen::WriteBytes(folder_.File(Name(6)), W("<?xml version=\"1.0\"?><ФайлПФР><Пусто/></ФайлПФР>"));
  Write(Name(7), Pack("ИСХОДНАЯ", 2011, 2, "10.07.2011", {Doc(kIvanov, "Иванов", kRouble, kRouble)}));
  const std::unordered_set<std::string> wanted = {W(kRegNumb)};
  const auto describe = [](const TReadResult& result) {
    std::string text = std::to_string(static_cast<int>(result.Kind)) + " " + result.LoadError + " " +
                       result.Rec.FileName + " " + result.Rec.DataType + " " + std::to_string(result.Rec.PeriodYear) +
                       "/" + std::to_string(result.Rec.PeriodQuarter) + ":";
    const auto person = [&text](const auto& doc) {
      EXPECT_EQ(doc.Key, TFileSet::NormalizeSNILS(doc.SNILS));
      EXPECT_EQ(doc.KeyHash, TFileSet::HashSNILS(doc.Key));
      text += " " + doc.SNILS + "=" + doc.Key + " " + doc.LastName;
    };
    for (const TSZV6DocData& doc : result.SZV6.Docs) {
      person(doc);
      text += " " + std::to_string(doc.InsAccrued) + "/" + std::to_string(doc.StageDates.size());
    }
    for (const TSZV63DocData& doc : result.SZV63.Docs) {
      person(doc);
      text += " " + std::to_string(doc.Months[1].Total);
    }
    return text;
  };
  std::vector<std::string> alone;
  for (int index = 1; index <= 7; ++index) {
    alone.push_back(describe(TCandidateReader().Read(folder_.File(Name(index)), wanted)));
  }
  EXPECT_NE(alone[0].find("=11223310095"), std::string::npos) << alone[0];
  EXPECT_NE(alone[3].find("не является полным документом"), std::string::npos) << alone[3];
  TCandidateReader reader;
  for (const int index : {1, 2, 1, 4, 7, 3, 1, 5, 6, 2, 4, 7}) {
    EXPECT_EQ(describe(reader.Read(folder_.File(Name(index)), wanted)), alone[static_cast<std::size_t>(index - 1)])
        << "file " << index;
  }
}

// The fold runs on one thread per share of the insurance numbers: whatever the number of threads,
// the persons, their entries and every conflict message come out as on one thread, in the order
// of the documents. Seeded random packs with duplicates, corrections with and without an initial
// pack, repeated corrections and cancellations, persons spread over many packs.
TEST_F(LoadTest, AnyNumberOfThreadsFoldsAsOne) {
  std::mt19937 random(11);
  const auto snils = [](int person) {
    char text[16];
    const int digits = 100000000 + person * 7919;
    std::snprintf(text, sizeof text, "%03d-%03d-%03d %02d", digits / 1000000, digits / 1000 % 1000,
                  digits % 1000, 10 + person % 90);
    return std::string(text);
  };
  const std::vector<std::string> types = {"ИСХОДНАЯ", "ИСХОДНАЯ", "КОРРЕКТИРУЮЩАЯ", "ОТМЕНЯЮЩАЯ"};
  for (int file = 1; file <= 40; ++file) {
    const std::string& type = types[random() % types.size()];
    const int quarter = 1 + static_cast<int>(random() % 2);
    std::vector<TGenDoc> docs;
    for (int doc = 0; doc < 12; ++doc) {
      const int person = static_cast<int>(random() % 30);
      docs.push_back(Doc(snils(person), "Фамилия" + std::to_string(person % 7),
                         static_cast<TAmount>(random() % 1000) * kRouble, static_cast<TAmount>(random() % 1000) * kRouble));
    }
    const std::string date = std::to_string(10 + file % 18) + ".0" + std::to_string(1 + file % 9) + ".2012";
    Write(Name(file), type == "ИСХОДНАЯ" ? Pack(type, 2011, quarter, date, std::move(docs))
                                         : Correction(type, 2011, quarter, date, std::move(docs)));
  }
  const auto load = [&](int threads) {
    TFileSet files;
    files.Threads = threads;
    std::vector<std::string> messages;
    files.LoadSubmissions(folder_.Text(), false, true, W(kRegNumb), messages, {});
    std::vector<std::string> seen = messages;
    for (const TSZV6Sotr& sotr : files.Sotrs) {
      std::string line = sotr.SNILS + " " + sotr.LastName + ":";
      for (const TSZV6NU& entry : sotr.NUList) {
        char text[96];
        std::snprintf(text, sizeof text, " %d/%d/%d/%lld/%lld/%zu", entry.Quarter, entry.FileIndex,
                      entry.Corrected ? 1 : 0, static_cast<long long>(entry.InsAccrued),
                      static_cast<long long>(entry.InsPaid), entry.StageDates.size());
        line += text;
      }
      seen.push_back(line);
    }
    return std::make_pair(messages.size(), seen);
  };
  const auto one = load(1);
  EXPECT_GE(one.first, 20u) << "too few conflicts to tell an order";
  EXPECT_EQ(one.second.size() - one.first, 30u);
  for (const int threads : {2, 3, 5}) {
    EXPECT_EQ(load(threads).second, one.second) << threads << " threads";
  }
}

}  // namespace
}  // namespace brisolt
