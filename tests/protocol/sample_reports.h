// Hand-built protocols that exercise every branch of the writers; shared by the golden tests and
// the checks in a browser and a spreadsheet program.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "protocol/prot.h"
#include "base/encoding.h"

namespace brisolt::testing {

// A file's bytes as written; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string W(std::string_view utf8) { return Utf8ToCp1251(utf8); }

inline constexpr const char* kFixedStamp = "07.12.2026 12:34:56";

// Two half-years of 2010, three persons (one red with three notes, one dismissed with a debt,
// one with an overpayment), a loading error, a forgotten person and a СЗВ-6-3 year with a
// two-line and a one-line block. Names and notes carry markup characters on purpose.
inline TReport FullReport(TProtForm protForm) {
  TReport report;
  report.ProgName = "Brisolt";
  report.ProgVersion = W("1.0.0.0 от 26 марта 2013 г.");
  report.ProgURL = "https://brisolt.example/?a=1&b=\"2\"";
  report.ProgNote = W("Версия для публичного тестирования");
  report.OrgName = W("ООО \"Рога & Копыта\" <Север>");
  report.RegNumb = "087-001-000001,087-001-000002";
  report.AddFile(W("/data/PFR-700-Y-2010-ORG-087-001-000001-DCK-00001-DPT-000000-DCK-00000.xml "
                   "(СЗВ-6-1 ИСХОДНАЯ за 1 полугодие 2010 г., категория НР)"));
  report.AddFile(W("/data/PFR-700-Y-2010-ORG-087-001-000001-DCK-00002-DPT-000000-DCK-00000.xml "
                   "(СЗВ-6-2 КОРРЕКТИРУЮЩАЯ за 2 полугодие 2010 г., категория НР)"));
  report.AddFile(W("/data/PFR-700-Y-2012-ORG-087-001-000001-DCK-00003-DPT-000000-DCK-00000.xml "
                   "(СЗВ-6-3 ИСХОДНАЯ за 2012, категория НР)"));
  report.AddPeriod(W("1 полугодие 2010 г."));
  report.AddPeriod(W("2 полугодие 2010 г."));
  report.AddError(W("Дубль <ИСХОДНАЯ> & повтор: 123-456-789 01"));

  const std::size_t red = report.AddMainLine(TLineMark::Conflict, W("Иванов  Иван Иванович"),
                                             "12345678901", TDismissal::AtWork());
  report.AddLinePeriod(red, {"1", 1000000, 1200000, 1000000, 1200000, -200000, 300000, 300000,
                            300000, 300000, 0});
  report.AddLinePeriod(red, {"1, 2", 500000, 300000, 1500000, 1500000, 0, 150000, 150050,
                            450000, 450050, -50});
  report.AddLineNote(red, W("Ошибка: 1/2010 - превыш. страх.: нач. 100.00, упл. 120.00"));
  report.AddLineNote(red, W("Предупреждение: 2/2010 - превыш. базы? 420000.00 р"));
  report.AddLineNote(red, W("Ошибка: 2/2010 - превыш. накоп.: нач. 45.00, упл. <45.01>"));

  const std::size_t dismissed =
      report.AddMainLine(TLineMark::DismissalDebt, W("Петрова Анна "), "98765432109",
                         TDismissal::Left("15.05.2010"));
  report.AddLinePeriod(dismissed, {"1", 2000000, 1000000, 2000000, 1000000, 1000000, 0, 0, 0, 0, 0});
  report.AddLinePeriod(dismissed, {"", 0, 0, 2000000, 1000000, 1000000, 0, 0, 0, 0, 0});
  report.AddLineNote(dismissed, W("Предупреждение: задолж. 100.00 страх."));

  const std::size_t absent = report.AddMainLine(TLineMark::Plain, W("Сидоров Пётр Ильич"),
                                                "11122233344", TDismissal::NoWork());
  report.AddLinePeriod(absent, {"2", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  report.AddLinePeriod(absent, {"", -10000, 0, 0, 0, 0, 0, 0, 0, 0, 0});

  for (int period = 0; period < 2; ++period) {
    TTotalRec total;
    for (std::size_t index = 0; index < TTotalRec::Count; ++index) {
      total.Values[index] = (period + 1) * 1000000 + static_cast<std::int64_t>(index) * 1234 -
                            (index % 3 == 2 ? 5000000 : 0);
    }
    report.AddTotal(total);
  }
  report.AddForgottenLine("98765432109", W("Петрова Анна "), 1000000, -5);
  report.AddForgottenLine("11122233344", W("Сидоров & сын"), 0, 20000);

  report.SetSZV63Year(2012);
  const std::size_t two = report.AddSZV63Block(W("Иванов  Иван Иванович"), "12345678901");
  report.AddSZV63Line(two, W("НР"), {30000, 22000000, 0, 1}, {30300, 22000000, 0, 0},
                      {false, false, false, false});
  report.AddSZV63Line(two, W("ВЖНР"), {100000, 0, 0, 0}, {0, 0, 0, 0}, {true, false, false, false});
  const std::size_t one = report.AddSZV63Block(W("Петрова Анна "), "98765432109");
  report.AddSZV63Line(one, W("ООИ"), {0, 0, 0, 0}, {0, 0, -400, 0}, {false, false, true, false});
  report.ProtForm = protForm;
  return report;
}

// One period of 2012, one person without notes, no errors, no forgotten persons, an empty build
// note and a СЗВ-6-3 year without blocks.
inline TReport OnePeriodReport(TProtForm protForm) {
  TReport report;
  report.ProgName = "Brisolt";
  report.ProgVersion = W(" от 26 марта 2013 г.");
  report.ProgURL = "https://brisolt.example/";
  report.OrgName = W("ИП Смирнов");
  report.RegNumb = "087-001-000003";
  report.AddFile(W("PFR-700-Y-2012-ORG-087-001-000003-DCK-00001-DPT-000000-DCK-00000.xml "
                   "(СЗВ-6-4 ИСХОДНАЯ за 1 квартал 2012 г., категория НР)"));
  report.AddPeriod(W("1 квартал 2012 г."));
  const std::size_t line = report.AddMainLine(TLineMark::Plain, W("Смирнов Олег Петрович"),
                                              "00011122233", TDismissal::AtWork());
  report.AddLinePeriod(line, {"1", 6600000, 6600000, 6600000, 6600000, 0, 1800000, 1800000,
                            1800000, 1800000, 0});
  TTotalRec total;
  total.Values = {6600000, 6600000, 0, 6600000, 6600000, 0, 6600000, 6600000, 0,
                  1800000, 1800000, 0, 1800000, 1800000, 0, 1800000, 1800000, 0};
  report.AddTotal(total);
  report.SetSZV63Year(2012);
  report.ProtForm = protForm;
  return report;
}

// Nothing but the header: no files, periods, persons or totals.
inline TReport EmptyReport(TProtForm protForm) {
  TReport report;
  report.ProgName = "Brisolt";
  report.ProgVersion = W("1.0.0.0 от 26 марта 2013 г.");
  report.OrgName = W("Пусто");
  report.RegNumb = "087-001-000004";
  report.ProtForm = protForm;
  return report;
}

// `persons` persons over `periods` quarters with amounts of every size, kopecks, negative balances,
// a note now and then and a file list: the shape of a generated insurer, for what is measured
// rather than compared cell by cell.
inline TReport ManyPersonsReport(TProtForm protForm, int persons, int periods) {
  TReport report = EmptyReport(protForm);
  for (int file = 1; file <= periods; ++file) {
    report.AddFile(W("/data/PFR-700-Y-2012-ORG-087-001-000004-DCK-0000") + std::to_string(file) +
                   W(".xml (СЗВ-6-4 ИСХОДНАЯ за квартал, категория НР)"));
  }
  for (int period = 0; period < periods; ++period) {
    report.AddPeriod(std::to_string(period % 4 + 1) + W(" квартал ") +
                     std::to_string(2010 + period / 4) + W(" г."));
    TTotalRec total;
    for (std::size_t index = 0; index < TTotalRec::Count; ++index) {
      total.Values[index] = 123456789012 + period * 1000 + static_cast<std::int64_t>(index);
    }
    report.AddTotal(total);
  }
  std::int64_t seed = 12345;
  const auto amount = [&seed](std::int64_t most) {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed % most;
  };
  for (int person = 0; person < persons; ++person) {
    const std::string snils = std::to_string(10000000000LL + person * 7919LL);
    const std::size_t line = report.AddMainLine(
        person % 13 == 0 ? TLineMark::Conflict : TLineMark::Plain,
        W("Фамилия") + std::to_string(person) + W(" Имя Отчество"), snils, TDismissal::AtWork());
    std::int64_t accrued = 0;
    std::int64_t paid = 0;
    for (int period = 0; period < periods; ++period) {
      const std::int64_t insAccrued = amount(500000000) / 100 * 100;
      const std::int64_t insPaid = period % 5 == 0 ? 0 : insAccrued - amount(3) * 10000;
      accrued += insAccrued;
      paid += insPaid;
      report.AddLinePeriod(line, {std::to_string(period + 1), insAccrued, insPaid, accrued, paid,
                                  accrued - paid, insAccrued / 4, insPaid / 4, accrued / 4, paid / 4,
                                  (accrued - paid) / 4});
    }
    if (person % 3 == 0) {
      report.AddLineNote(line, W("Предупреждение: задолж. ") + std::to_string(accrued - paid) +
                                   W(" страх. за 1 квартал 2010 г."));
    }
  }
  return report;
}

}  // namespace brisolt::testing
