// The results table and the window of where a person's figures come from, driven as a clerk
// drives them: typing in the search field, choosing a filter, sorting, double-clicking a row.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/gui/resultsform.h"
#include "app/gui/sourcesform.h"
#include "base/encoding.h"
#include "engine/results.h"
#include "guitestsupport.h"
#include "protocol/protformats.h"
#ifdef BRISOLT_HAVE_XLSX
#include "sheet_grid.h"
#endif

using namespace brisolt;

namespace {

std::string W(const char* utf8) { return Utf8ToCp1251(utf8); }

constexpr std::int64_t kRouble = 10000;

// Four persons over two periods: a debt, an overpayment, nothing to do, and a larger debt whose
// documents were corrected.
std::shared_ptr<TRunResults> SampleResults(const std::vector<const char*>& more = {}) {
  auto results = std::make_shared<TRunResults>();
  TReport& report = results->Report;
  report.AddPeriod(W("1 квартал 2011 г."));
  report.AddPeriod(W("2 квартал 2011 г."));
  const auto add = [&](const char* snils, const char* fio, std::int64_t insDebt, std::int64_t fundDebt) {
    const std::size_t line = report.AddMainLine(TLineMark::Plain, W(fio), snils, TDismissal::AtWork());
    report.AddLinePeriod(line, {"1", 1000 * kRouble, 1000 * kRouble, 1000 * kRouble, 1000 * kRouble, 0, 0, 0, 0, 0, 0});
    report.AddLinePeriod(line, {"2", insDebt, 0, 1000 * kRouble + insDebt, 1000 * kRouble, insDebt, fundDebt, 0,
                                fundDebt, 0, fundDebt});
  };
  add("11223344595", "Иванов Иван Иванович", 1500 * kRouble, 0);
  add("22233344405", "Петрова Анна Сергеевна", 0, -200 * kRouble);
  add("33344455516", "Сидоров Пётр Ильич", 0, 0);
  add("44455566627", "Ивашкин Олег Петрович", 3000 * kRouble, 100 * kRouble);
  long long number = 55566677700;
  for (const char* name : more) add(std::to_string(number++).c_str(), name, 10 * kRouble, 0);
  TFileSet files;
  TFileRec file;
  file.FileName = "/data/PFR-700-Y-2011-ORG-1.xml";
  file.FormKind = W("СЗВ-6-1");
  file.DataType = W("ИСХОДНАЯ");
  file.PeriodYear = 2011;
  file.PeriodQuarter = 2;
  file.CategoryCode = W("НР");
  files.SZV6Files = {file, file};
  // A pack's name as the fund makes it: longer than the window can give its column.
  files.SZV6Files[1].FileName = "/data/2011/PFR-700-Y-2011-ORG-087-001-000001-DCK-00002-DPT-000000-DCK-00000.XML";
  report.FileList = {files.SZV6Files[0].FileName, files.SZV6Files[1].FileName};
  files.SZV6Files[1].DataType = W("КОРРЕКТИРУЮЩАЯ");
  TSZV6Sotr ivashkin;
  ivashkin.SNILS = "44455566627";
  ivashkin.Sources.push_back({.FileNumber = 1, .ByFile = 2, .Fate = TSourceFate::Replaced, .InsAccrued = 2000 * kRouble});
  ivashkin.Sources.push_back(
      {.FileNumber = 2, .Fate = TSourceFate::Taken, .InsAccrued = 3000 * kRouble, .FundAccrued = 100 * kRouble});
  files.Sotrs.push_back(ivashkin);
  BuildResults(files, report, true, results->Results);
  return results;
}

// Types as the keyboard does, a key event per character (QTest::keyClicks takes Latin only).
void Type(QLineEdit* edit, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(edit, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(edit, &release);
  }
}

QStringList Column(const QAbstractItemModel& model, int column) {
  QStringList texts;
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, column).data().toString();
  return texts;
}

}  // namespace

class TestResultsForm : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  T* Find(QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no widget %s", name);
    return widget;
  }

 private slots:
  void tableListsEveryPersonWithBalancesPeriodsAndActions() {
    TResults_Form form;
    form.SetResults(SampleResults());
    auto* grid = Find<QTableView>(form, "Results_Grid");
    const QAbstractItemModel& model = *grid->model();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(Column(model, TResultsModel::ColSnils),
             QStringList({"112-233-445 95", "222-333-444 05", "333-444-555 16", "444-555-666 27"}));
    QCOMPARE(model.index(0, TResultsModel::ColIns).data().toString(), QStringLiteral("1 500,00"));
    QCOMPARE(model.index(1, TResultsModel::ColFund).data().toString(), QStringLiteral("-200,00"));
    QCOMPARE(model.index(0, TResultsModel::ColPeriods).data().toString(), QStringLiteral("2 квартал 2011 г."));
    QVERIFY(model.index(0, TResultsModel::ColActions).data().toString().startsWith(
        QStringLiteral("Уплатить задолженность по страховой части 1 500,00 руб.")));
    QCOMPARE(model.index(2, TResultsModel::ColActions).data().toString(), QString());
    const QString totals = Find<QLabel>(form, "Totals_Label")->text();
    QVERIFY2(totals.contains(QStringLiteral("Задолженность: страх. 4 500,00, накоп. 100,00 руб.")), qPrintable(totals));
    QVERIFY2(totals.contains(QStringLiteral("переплата: страх. 0,00, накоп. 200,00 руб.")), qPrintable(totals));
    QVERIFY2(totals.contains(QStringLiteral("есть что сделать: 3 из 4")), qPrintable(totals));
  }

  void searchAnswersAsTheClerkTypesANumberOrASurname_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QStringList>("names");
    const QStringList all = {"Иванов Иван Иванович", "Петрова Анна Сергеевна", "Сидоров Пётр Ильич",
                             "Ивашкин Олег Петрович"};
    QTest::newRow("nothing typed") << "" << 0 << all;
    QTest::newRow("surname start, any case") << "ива" << 0 << QStringList({all[0], all[3]});
    QTest::newRow("whole surname") << "Иванов" << 0 << QStringList({all[0]});
    QTest::newRow("number with separators") << "222-333" << 0 << QStringList({all[1]});
    QTest::newRow("number as digits") << "44455" << 0 << QStringList({all[3]});
    QTest::newRow("no such person") << "Яковлев" << 0 << QStringList();
    QTest::newRow("debts") << "" << 1 << QStringList({all[0], all[3]});
    QTest::newRow("overpayments") << "" << 2 << QStringList({all[1]});
    QTest::newRow("anything to do") << "" << 3 << QStringList({all[0], all[1], all[3]});
    QTest::newRow("debts of a surname") << "ива" << 1 << QStringList({all[0], all[3]});
    QTest::newRow("overpayments of a surname") << "ива" << 2 << QStringList();
  }

  void searchAnswersAsTheClerkTypesANumberOrASurname() {
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(QStringList, names);
    TResults_Form form;
    form.SetResults(SampleResults());
    Find<QComboBox>(form, "Filter_Combo")->setCurrentIndex(filter);
    Type(Find<QLineEdit>(form, "Search_Edit"), typed);
    QCOMPARE(Column(*Find<QTableView>(form, "Results_Grid")->model(), TResultsModel::ColName), names);
    QVERIFY(Find<QLabel>(form, "Totals_Label")->text().contains(QStringLiteral("Показано строк: %1.").arg(names.size())));
  }

  // An overpayment of either part alone is an overpayment; a debt of one part with an overpayment
  // of the other is both.
  void overpaymentFilterKeepsAnOverpaymentOfEitherPart() {
    auto results = std::make_shared<TRunResults>();
    TReport& report = results->Report;
    report.AddPeriod(W("1 квартал 2011 г."));
    const auto add = [&](const char* snils, const char* fio, std::int64_t insSaldo, std::int64_t fundSaldo) {
      const std::size_t line = report.AddMainLine(TLineMark::Plain, W(fio), snils, TDismissal::AtWork());
      report.AddLinePeriod(line, {"1", 0, 0, 0, 0, insSaldo, 0, 0, 0, 0, fundSaldo});
    };
    add("11223344595", "Страхова С С", -300 * kRouble, 0);
    add("22233344405", "Накопова Н Н", 0, -200 * kRouble);
    add("33344455516", "Должнов Д Д", 100 * kRouble, 0);
    add("44455566627", "Смешанов С С", 100 * kRouble, -50 * kRouble);
    TFileSet files;
    BuildResults(files, report, false, results->Results);
    for (const auto& [filter, expected] :
         {std::pair{1, QStringList({"Должнов Д Д", "Смешанов С С"})},
          std::pair{2, QStringList({"Страхова С С", "Накопова Н Н", "Смешанов С С"})}}) {
      TResults_Form form;
      form.SetResults(results);
      Find<QComboBox>(form, "Filter_Combo")->setCurrentIndex(filter);
      QCOMPARE(Column(*Find<QTableView>(form, "Results_Grid")->model(), TResultsModel::ColName), expected);
    }
  }

  void columnsSortByTheirValuesAndBack() {
    TResults_Form form;
    form.SetResults(SampleResults());
    auto* grid = Find<QTableView>(form, "Results_Grid");
    grid->sortByColumn(TResultsModel::ColIns, Qt::DescendingOrder);
    QCOMPARE(Column(*grid->model(), TResultsModel::ColIns), QStringList({"3 000,00", "1 500,00", "0,00", "0,00"}));
    // Equal balances keep the protocol's order.
    QCOMPARE(grid->model()->index(2, TResultsModel::ColName).data().toString(), QStringLiteral("Петрова Анна Сергеевна"));
    grid->sortByColumn(TResultsModel::ColFund, Qt::AscendingOrder);
    QCOMPARE(Column(*grid->model(), TResultsModel::ColFund), QStringList({"-200,00", "0,00", "0,00", "100,00"}));
    grid->sortByColumn(TResultsModel::ColName, Qt::AscendingOrder);
    QCOMPARE(grid->model()->index(0, TResultsModel::ColName).data().toString(), QStringLiteral("Иванов Иван Иванович"));
    // A search keeps the order chosen.
    Type(Find<QLineEdit>(form, "Search_Edit"), QStringLiteral("ива"));
    grid->sortByColumn(TResultsModel::ColIns, Qt::DescendingOrder);
    QCOMPARE(Column(*grid->model(), TResultsModel::ColName), QStringList({"Ивашкин Олег Петрович", "Иванов Иван Иванович"}));
  }

  void searchTakesYoAsYeAndSaysWhenNothingIsFound() {
    TResults_Form form;
    form.SetResults(SampleResults({"Семёнов Ёжик Ёлкович", "Ёлкин Семён Петрович", "Семенова Анна Ивановна"}));
    auto* search = Find<QLineEdit>(form, "Search_Edit");
    auto* grid = Find<QTableView>(form, "Results_Grid");
    Type(search, QStringLiteral("семен"));
    QCOMPARE(Column(*grid->model(), TResultsModel::ColName),
             QStringList({"Семёнов Ёжик Ёлкович", "Семенова Анна Ивановна"}));
    search->clear();
    Type(search, QStringLiteral("ЕЛКИН"));
    QCOMPARE(Column(*grid->model(), TResultsModel::ColName), QStringList({"Ёлкин Семён Петрович"}));
    search->clear();
    Type(search, QStringLiteral("Яковлев"));
    QCOMPARE(grid->model()->rowCount(), 0);
    const QString totals = Find<QLabel>(form, "Totals_Label")->text();
    QVERIFY2(totals.startsWith(QStringLiteral("Ничего не найдено: ни одна строка не подходит под поиск «Яковлев»")),
             qPrintable(totals));
  }

  void sortingFollowsTheAlphabetTimeAndKindOfAction() {
    TResults_Form form;
    form.SetResults(SampleResults({"Ёлкин Семён Петрович", "Абрамов Иван Ильич", "Ежов Пётр Ильич", "Жуков Иван Ильич"}));
    auto* grid = Find<QTableView>(form, "Results_Grid");
    grid->sortByColumn(TResultsModel::ColName, Qt::AscendingOrder);
    QCOMPARE(Column(*grid->model(), TResultsModel::ColName),
             QStringList({"Абрамов Иван Ильич", "Ежов Пётр Ильич", "Ёлкин Семён Петрович", "Жуков Иван Ильич",
                          "Иванов Иван Иванович", "Ивашкин Олег Петрович", "Петрова Анна Сергеевна",
                          "Сидоров Пётр Ильич"}));
    // Actions by kind, then amount: the debts (the larger last), then the overpayment; none last.
    grid->sortByColumn(TResultsModel::ColActions, Qt::AscendingOrder);
    const QStringList names = Column(*grid->model(), TResultsModel::ColName);
    QCOMPARE(names.mid(4), QStringList({"Иванов Иван Иванович", "Ивашкин Олег Петрович", "Петрова Анна Сергеевна",
                                        "Сидоров Пётр Ильич"}));
  }

  void theShownListIsSavedAndPrintedAsShown() {
    TResults_Form form;
    testing::TRecordingDialogs dialogs;
    form.SetDialogs(&dialogs);
    form.SetResults(SampleResults());
    Find<QComboBox>(form, "Filter_Combo")->setCurrentIndex(1);
    auto* grid = Find<QTableView>(form, "Results_Grid");
    grid->sortByColumn(TResultsModel::ColIns, Qt::DescendingOrder);
    const QStringList shown = Column(*grid->model(), TResultsModel::ColName);
    // The rows on screen, in their order: Ивашкин owes more than Иванов; Петрова is filtered out.
    QCOMPARE(shown, QStringList({"Ивашкин Олег Петрович", "Иванов Иван Иванович"}));
    QTemporaryDir folder;
    QStringList saved;
    for (const TProtFormatRow& row : kProtFormats) {
      if (row.WriteList == nullptr || !FormatBuilt(row)) continue;
      const QString extension = QString::fromUtf8(row.Extension.data(), static_cast<qsizetype>(row.Extension.size()));
      saved << extension;
      dialogs.SaveAnswer = folder.filePath(QStringLiteral("list") + extension.toUpper());
      QTest::mouseClick(Find<QPushButton>(form, "SaveList_Button"), Qt::LeftButton);
      QVERIFY2(dialogs.SaveQuestions.back().Filter.contains(QStringLiteral("(*") + extension + QLatin1Char(')')),
               qPrintable(dialogs.SaveQuestions.back().Filter));
      QFile file(dialogs.SaveAnswer);
      QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(dialogs.SaveAnswer));
      const QByteArray bytes = file.readAll();
      QStringList names;
      QString text = QString::fromUtf8(bytes);
      switch (row.Format) {
        case TProtFormat::Csv: {
          const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
          QCOMPARE(lines.size(), 3);
          for (const QString& line : lines.mid(1)) names << line.section(QLatin1Char(';'), 1, 1).remove(QLatin1Char('"'));
          QVERIFY(text.contains(QStringLiteral("\"3000,00\"")));
          break;
        }
        case TProtFormat::Json:
          for (const QJsonValue person : QJsonDocument::fromJson(bytes).object().value(QStringLiteral("persons")).toArray()) {
            names << person.toObject().value(QStringLiteral("name")).toString();
          }
          break;
        case TProtFormat::Xlsx: {
#ifdef BRISOLT_HAVE_XLSX
          const testing::TGrid grid = testing::XlsxGrid(bytes.toStdString());
          QCOMPARE(grid.size(), std::size_t{1});
          const testing::TGridSheet& sheet = grid[0];
          QCOMPARE(sheet.Rows, 4);  // the caption, the heading and the two rows
          QCOMPARE(sheet.FrozenRows, 2);
          for (int at = 2; at < sheet.Rows; ++at) names << QString::fromStdString(sheet.At(at, 1)->Text);
          // Ивашкин's debt of 3000 roubles as a number.
          QVERIFY(sheet.At(2, 2)->Number);
          QCOMPARE(sheet.At(2, 2)->Value, 3000.0);
#endif
          break;
        }
        default:
          QFAIL(qPrintable(QStringLiteral("a list format without a check: ") + extension));
      }
      QCOMPARE(names, shown);
    }
    QCOMPARE(saved, QStringList({".xlsx", ".json", ".csv"}));
    QCOMPARE(dialogs.SaveQuestions.back().DialogName, QStringLiteral("ListSaveDialog"));
    QTest::mouseClick(Find<QPushButton>(form, "PrintList_Button"), Qt::LeftButton);
    QCOMPARE(dialogs.Opened.size(), std::size_t{1});
    QFile page(QString::fromStdString(dialogs.Opened[0]));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(QStringLiteral("window.print()")));
    QVERIFY(html.contains(QStringLiteral("Ивашкин Олег Петрович")));
    QVERIFY(!html.contains(QStringLiteral("Петрова")));
  }

  void doubleClickShowsWhereTheFiguresComeFrom() {
    TResults_Form form;
    form.SetResults(SampleResults());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* grid = Find<QTableView>(form, "Results_Grid");
    grid->sortByColumn(TResultsModel::ColIns, Qt::DescendingOrder);
    const QRect cell = grid->visualRect(grid->model()->index(0, TResultsModel::ColName));
    // A view takes a double-click only on the row the first click pressed.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    auto* sources = form.findChild<TSources_Form*>(QStringLiteral("Sources_Form"));
    QVERIFY(sources != nullptr);
    QCOMPARE(Find<QLabel>(*sources, "Person_Label")->text(), QStringLiteral("Ивашкин Олег Петрович, СНИЛС 444-555-666 27"));
    auto* documents = Find<QTableWidget>(*sources, "Sources_Grid");
    QCOMPARE(documents->rowCount(), 2);
    QCOMPARE(documents->item(0, 1)->text(), QStringLiteral("PFR-700-Y-2011-ORG-1.xml"));
    QCOMPARE(documents->item(0, 3)->text(), QStringLiteral("ИСХОДНАЯ"));
    QCOMPARE(documents->item(0, 5)->text(), QStringLiteral("2 000,00"));
    QCOMPARE(documents->item(0, 9)->text(), QStringLiteral("заменён файлом № 2"));
    QCOMPARE(documents->item(1, 3)->text(), QStringLiteral("КОРРЕКТИРУЮЩАЯ"));
    QCOMPARE(documents->item(1, 9)->text(), QStringLiteral("учтён"));
    auto* periods = Find<QTableWidget>(*sources, "Periods_Grid");
    QCOMPARE(periods->rowCount(), 2);
    QCOMPARE(periods->item(1, 0)->text(), QStringLiteral("2 квартал 2011 г."));
    QCOMPARE(periods->item(1, 4)->text(), QStringLiteral("3 000,00"));
    // The period where the debt arises is marked; the other is not.
    QVERIFY(periods->item(1, 0)->font().bold());
    QVERIFY(!periods->item(0, 0)->font().bold());
    // The file by its number and short name, the full path as the tooltip of both; what the folding
    // did in view beside them, without scrolling sideways.
    QCOMPARE(documents->item(1, 1)->text(),
             QStringLiteral("PFR-700-Y-2011-ORG-087-001-000001-DCK-00002-DPT-000000-DCK-00000.XML"));
    for (const int column : {0, 1}) {
      QCOMPARE(documents->item(0, column)->toolTip(), QStringLiteral("/data/PFR-700-Y-2011-ORG-1.xml"));
      QCOMPARE(documents->item(1, column)->toolTip(), QStringLiteral(
                   "/data/2011/PFR-700-Y-2011-ORG-087-001-000001-DCK-00002-DPT-000000-DCK-00000.XML"));
    }
    // As wide as it opens on a 1366-point screen: the longest account of the folding fits.
    sources->resize(1340, 680);
    sources->show();
    QVERIFY(QTest::qWaitForWindowExposed(sources));
#ifndef Q_OS_WIN
    // Windows' offscreen platform has no fonts to measure the columns with (Qt ships none).
    const int fate = documents->horizontalHeader()->sectionPosition(9);
    QVERIFY2(fate + documents->fontMetrics().horizontalAdvance(
                        QStringLiteral("не учтён: дубликат исходных сведений файла № 1234")) <=
                 documents->viewport()->width(),
             qPrintable(QStringLiteral("what was done at %1 of %2").arg(fate).arg(documents->viewport()->width())));
#endif
    QVERIFY(Find<QListWidget>(*sources, "Actions_List")->count() >= 2);
    // The window keeps the run's results when the table moves on to the next run's.
    form.SetResults(nullptr);
    QCOMPARE(documents->item(1, 1)->text(), QStringLiteral("PFR-700-Y-2011-ORG-087-001-000001-DCK-00002-DPT-000000-DCK-00000.XML"));
    QCOMPARE(grid->model()->rowCount(), 0);
    sources->close();
  }
};

QTEST_MAIN(TestResultsForm)
#include "tst_resultsform.moc"
