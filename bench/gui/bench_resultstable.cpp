// The results table at the largest size the program is meant for: prints how long BuildResults
// takes at the end of a run, how long the table takes to be filled and painted, and how long the
// search answers a keystroke and a change of filter. Runs offscreen when there is no display.
// Usage: bench_resultstable [persons] [periods]   (defaults 100000, 16)
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/gui/resultsform.h"
#include "base/encoding.h"
#include "engine/constants.h"
#include "engine/report.h"
#include "engine/results.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Persons with distinct surnames and numbers; every tenth owes, every seventh has overpaid.
brisolt::TFileSet MakeFileSet(int persons, int periods) {
  using namespace brisolt;
  TFileSet set;
  for (int index = 0; index < periods; ++index) {
    const int year = index < 2 ? 2010 : 2011 + (index - 2) / 4;
    const int quarter = index < 2 ? index + 1 : (index - 2) % 4 + 1;
    set.ReportPeriods.push_back({year, quarter});
    TFileRec file;
    file.FileName = "PFR-700-Y-" + std::to_string(year) + "-ORG-" + std::to_string(index + 1) + ".XML";
    file.FormKind = Utf8ToCp1251("СЗВ-6-1");
    file.DataType = Utf8ToCp1251("ИСХОДНАЯ");
    file.PeriodYear = year;
    file.PeriodQuarter = quarter;
    file.CategoryCode = Utf8ToCp1251("НР");
    set.SZV6Files.push_back(file);
  }
  static const char* const kSurnames[] = {"Иванов", "Петров", "Сидоров", "Кузнецов", "Смирнов",
                                          "Попов", "Васильев", "Соколов", "Михайлов", "Новиков"};
  for (int person = 0; person < persons; ++person) {
    TSZV6Sotr sotr;
    char snils[16];
    std::snprintf(snils, sizeof snils, "%011lld", static_cast<long long>(person) * 7919 % 100000000000LL);
    sotr.SNILS = snils;
    sotr.LastName = Utf8ToCp1251(kSurnames[person % 10]) + std::to_string(person);
    sotr.FirstName = Utf8ToCp1251("Иван");
    sotr.MiddleName = Utf8ToCp1251("Иванович");
    for (int index = 0; index < periods; ++index) {
      TSZV6NU entry;
      entry.Year = set.ReportPeriods[static_cast<std::size_t>(index)].Year;
      entry.Quarter = set.ReportPeriods[static_cast<std::size_t>(index)].Quarter;
      entry.CategoryCode = set.SZV6Files[0].CategoryCode;
      entry.FileIndex = index;
      entry.InsAccrued = 180000000 + person % 1000;
      entry.InsPaid = entry.InsAccrued - (person % 10 == 0 ? 5000 : 0) + (person % 7 == 0 ? 3000 : 0);
      entry.FundAccrued = 54000000;
      entry.FundPaid = 54000000;
      entry.StageDates.push_back({40179, PeriodEndDate(entry.Year, entry.Quarter)});
      sotr.NUList.push_back(std::move(entry));
      sotr.Sources.push_back({.FileNumber = index + 1, .Fate = TSourceFate::Taken, .InsAccrued = 180000000,
                              .InsPaid = 180000000, .FundAccrued = 54000000, .FundPaid = 54000000});
    }
    set.Sotrs.push_back(std::move(sotr));
  }
  return set;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  const int persons = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int periods = argc > 2 ? std::atoi(argv[2]) : 16;
  brisolt::TFileSet set = MakeFileSet(persons, periods);
  auto results = std::make_shared<brisolt::TRunResults>();
  brisolt::TReportInputs inputs;
  inputs.ProgVersion = "bench";
  inputs.OrgName = "bench";
  inputs.RegNumb = "087-001-012345";
  brisolt::BuildReport(set, inputs, results->Report);
  auto start = Clock::now();
  brisolt::BuildResults(set, results->Report, true, results->Results);
  std::printf("%d persons x %d periods: BuildResults %.0f ms\n", persons, periods, MillisecondsSince(start));

  brisolt::TResults_Form form;
  form.resize(1200, 700);
  form.show();
  QApplication::processEvents();
  start = Clock::now();
  form.SetResults(results);
  const double filled = MillisecondsSince(start);
  QApplication::processEvents();
  std::printf("table filled: %.0f ms, and painted: %.0f ms\n", filled, MillisecondsSince(start));

  auto* search = form.findChild<QLineEdit*>(QStringLiteral("Search_Edit"));
  auto* filter = form.findChild<QComboBox*>(QStringLiteral("Filter_Combo"));
  auto* grid = form.findChild<QTableView*>(QStringLiteral("Results_Grid"));
  double worst = 0;
  const auto measure = [&](const char* what, const std::function<void()>& action) {
    const auto from = Clock::now();
    action();
    const double answered = MillisecondsSince(from);
    QApplication::processEvents();
    const double milliseconds = MillisecondsSince(from);
    worst = std::max(worst, milliseconds);
    std::printf("  %-28s %6.1f ms, %6.1f ms with the repaint, %6d rows\n", what, answered, milliseconds,
                grid->model()->rowCount());
  };
  std::printf("answers (the table's own work, then with the repaint):\n");
  // A surname typed letter by letter, then erased; a number typed with its separators.
  QString typed;
  for (const QString& letter : {QStringLiteral("П"), QStringLiteral("е"), QStringLiteral("т"), QStringLiteral("р"),
                                QStringLiteral("о"), QStringLiteral("в"), QStringLiteral("1")}) {
    typed += letter;
    const std::string label = "typed \"" + typed.toStdString() + "\"";
    measure(label.c_str(), [&] { search->setText(typed); });
  }
  measure("erased", [&] { search->clear(); });
  for (const char* number : {"0", "00", "000-", "000-12", "000-123-4"}) {
    const std::string label = std::string("typed \"") + number + "\"";
    measure(label.c_str(), [&] { search->setText(QString::fromUtf8(number)); });
  }
  search->clear();
  QApplication::processEvents();
  for (int index = 1; index <= 3; ++index) {
    const std::string label = "filter \"" + filter->itemText(index).toStdString() + "\"";
    measure(label.c_str(), [&] { filter->setCurrentIndex(index); });
  }
  filter->setCurrentIndex(0);
  measure("sorted by insurance balance", [&] { grid->sortByColumn(2, Qt::DescendingOrder); });
  measure("sorted by name", [&] { grid->sortByColumn(1, Qt::AscendingOrder); });
  measure("typed \"Петров1\" while sorted", [&] { search->setText(QStringLiteral("Петров1")); });
  std::printf("slowest answer: %.1f ms\n", worst);
  return 0;
}
