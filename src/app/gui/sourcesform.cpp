#include "app/gui/sourcesform.h"

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/gui/qtext.h"
#include "app/gui/resultsform.h"

namespace brisolt {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

void SetCell(QTableWidget* grid, int row, int column, const QString& text, bool amount = false) {
  auto* item = new QTableWidgetItem(text);
  if (amount) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid->setItem(row, column, item);
}

QTableWidget* MakeGrid(const QString& name, const QStringList& titles, QWidget* parent) {
  auto* grid = new QTableWidget(0, static_cast<int>(titles.size()), parent);
  grid->setObjectName(name);
  grid->setHorizontalHeaderLabels(titles);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
  grid->horizontalHeader()->setStretchLastSection(true);
  // A long pack name keeps its start and its end: "PFR-700-Y-2011-ORG-…-DCK-00000.XML".
  grid->setTextElideMode(Qt::ElideMiddle);
  return grid;
}

// The columns as wide as their contents, the file's name no wider than a short name, so that what
// the folding did shows beside it at 1366 wide; the full path is the name's tooltip.
void FitColumns(QTableWidget* grid, int nameColumn) {
  grid->resizeColumnsToContents();
  const int shortName = grid->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 18;
  if (grid->columnWidth(nameColumn) > shortName) grid->setColumnWidth(nameColumn, shortName);
}

// The file's number and name, with its full path as the tooltip of both.
void SetFileCells(QTableWidget* grid, int row, std::int32_t number, const QString& name, const QString& path) {
  SetCell(grid, row, 0, QString::number(number), true);
  SetCell(grid, row, 1, name);
  for (const int column : {0, 1}) grid->item(row, column)->setToolTip(path);
}


}  // namespace

TSources_Form::TSources_Form(std::shared_ptr<const TRunResults> results, std::size_t person, QWidget* parent)
    : QDialog(parent), results_(std::move(results)), person_(person) {
  setObjectName(QStringLiteral("Sources_Form"));
  setWindowTitle(Text("Откуда взялись суммы"));
  const TPersonResult& result = results_->Results.Persons[person_];
  const TMainLine& line = results_->Report.PersonLine(result.Line);
  auto* layout = new QVBoxLayout(this);
  Person_Label = new QLabel(QStringFromCp1251(line.FIO) + Text(", СНИЛС ") +
                                QStringFromCp1251(FormatSNILS(line.SNILS)),
                            this);
  Person_Label->setObjectName(QStringLiteral("Person_Label"));
  QFont bold = Person_Label->font();
  bold.setBold(true);
  Person_Label->setFont(bold);
  layout->addWidget(Person_Label);

  layout->addWidget(new QLabel(Text("Документы сотрудника во всех пачках, в порядке обработки:"), this));
  Sources_Grid = MakeGrid(QStringLiteral("Sources_Grid"),
                          {Text("№ файла"), Text("Файл"), Text("Форма"), Text("Тип сведений"), Text("Период"),
                           Text("Страх. начисл."), Text("Страх. уплач."), Text("Накоп. начисл."),
                           Text("Накоп. уплач."), Text("Что сделано")},
                          this);
  layout->addWidget(Sources_Grid, 3);

  Payments_Label = new QLabel(Text("Документы СЗВ-6-3 сотрудника, по кварталам:"), this);
  layout->addWidget(Payments_Label);
  Payments_Grid = MakeGrid(QStringLiteral("Payments_Grid"),
                           {Text("№ файла"), Text("Файл"), Text("Тип сведений"), Text("Период"), Text("Выплаты"),
                            Text("Облагаемая база"), Text("Что сделано")},
                           this);
  layout->addWidget(Payments_Grid, 2);

  layout->addWidget(new QLabel(Text("Итог по периодам:"), this));
  Periods_Grid = MakeGrid(QStringLiteral("Periods_Grid"),
                          {Text("Период"), Text("Файлы"), Text("Страх. начисл."), Text("Страх. уплач."),
                           Text("Сальдо страх."), Text("Накоп. начисл."), Text("Накоп. уплач."),
                           Text("Сальдо накоп.")},
                          this);
  layout->addWidget(Periods_Grid, 2);

  layout->addWidget(new QLabel(Text("Что сделать:"), this));
  Actions_List = new QListWidget(this);
  Actions_List->setObjectName(QStringLiteral("Actions_List"));
  Actions_List->setWordWrap(true);
  // Every note of the protocol has its action here, its amounts written as the clerk reads them.
  for (const TAction& action : result.Actions) Actions_List->addItem(QStringFromCp1251(action.Text));
  if (Actions_List->count() == 0) Actions_List->addItem(Text("Ничего: сальдо нулевое, замечаний нет."));
  Actions_List->setMaximumHeight(5 * Actions_List->fontMetrics().lineSpacing() + 8);
  layout->addWidget(Actions_List);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(Text("Закрыть"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  FillSources();
  FillPayments();
  FillPeriods();
  // As wide as the screen allows, up to what a 1366-point screen holds: what the folding did then
  // shows in full beside the other columns.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int width = screen != nullptr ? std::clamp(screen->availableGeometry().width() - 26, 800, 1340) : 1150;
  resize(width, 680);
}

void TSources_Form::FillSources() {
  const TResults& results = results_->Results;
  const TPersonResult& result = results.Persons[person_];
  if (!results.HasSources) {
    Sources_Grid->setRowCount(1);
    SetCell(Sources_Grid, 0, 1, Text("Документы этой обработки не сохранены."));
    return;
  }
  Sources_Grid->setRowCount(static_cast<int>(result.Sources.size()));
  for (std::size_t at = 0; at < result.Sources.size(); ++at) {
    const TSourceLine& source = result.Sources[at];
    const int row = static_cast<int>(at);
    const auto fileAt = static_cast<std::size_t>(source.FileNumber - 1);
    const TResultFile file = fileAt < results.Files.size() ? results.Files[fileAt] : TResultFile();
    SetFileCells(Sources_Grid, row, source.FileNumber, QStringFromCp1251(file.Name), FilePath(source.FileNumber));
    SetCell(Sources_Grid, row, 2, QStringFromCp1251(file.FormKind));
    SetCell(Sources_Grid, row, 3, QStringFromCp1251(file.DataType));
    SetCell(Sources_Grid, row, 4, QStringFromCp1251(file.Period));
    SetCell(Sources_Grid, row, 5, AmountText(source.InsAccrued), true);
    SetCell(Sources_Grid, row, 6, AmountText(source.InsPaid), true);
    SetCell(Sources_Grid, row, 7, AmountText(source.FundAccrued), true);
    SetCell(Sources_Grid, row, 8, AmountText(source.FundPaid), true);
    SetCell(Sources_Grid, row, 9, QStringFromCp1251(SourceFateText(source)));
  }
  FitColumns(Sources_Grid, 1);
}

void TSources_Form::FillPayments() {
  const TResults& results = results_->Results;
  const TPersonResult& result = results.Persons[person_];
  const bool shown = results.HasSources && !result.Payments.empty();
  Payments_Label->setVisible(shown);
  Payments_Grid->setVisible(shown);
  if (!shown) return;
  Payments_Grid->setRowCount(static_cast<int>(result.Payments.size() * 4));
  int row = 0;
  for (const TPaymentSource& payment : result.Payments) {
    const auto fileAt = static_cast<std::size_t>(payment.FileNumber - 1);
    const TResultFile file = fileAt < results.Files.size() ? results.Files[fileAt] : TResultFile();
    for (std::size_t quarter = 0; quarter < payment.Total.size(); ++quarter, ++row) {
      SetFileCells(Payments_Grid, row, payment.FileNumber, QStringFromCp1251(file.Name), FilePath(payment.FileNumber));
      SetCell(Payments_Grid, row, 2, QStringFromCp1251(file.DataType));
      SetCell(Payments_Grid, row, 3,
              QStringFromCp1251(PeriodKeyText({payment.Year, static_cast<std::int32_t>(quarter + 1), true})));
      SetCell(Payments_Grid, row, 4, AmountText(payment.Total[quarter]), true);
      SetCell(Payments_Grid, row, 5, AmountText(payment.Taxable[quarter]), true);
      SetCell(Payments_Grid, row, 6, QStringFromCp1251(SourceFateText(payment.Fate, payment.ByFile)));
    }
  }
  FitColumns(Payments_Grid, 1);
}

QString TSources_Form::FilePath(std::int32_t number) const {
  const auto at = static_cast<std::size_t>(number - 1);
  const std::vector<std::string>& files = results_->Report.FileList;
  return number >= 1 && at < files.size() ? QStringFromCp1251(files[at]) : QString();
}

void TSources_Form::FillPeriods() {
  const TReport& report = results_->Report;
  const TMainLine& line = report.PersonLine(results_->Results.Persons[person_].Line);
  Periods_Grid->setRowCount(static_cast<int>(line.Periods.size()));
  for (std::size_t at = 0; at < line.Periods.size(); ++at) {
    const TPeriodRec& period = line.Periods[at];
    const int row = static_cast<int>(at);
    SetCell(Periods_Grid, row, 0, at < report.PeriodList.size() ? QStringFromCp1251(report.PeriodList[at]) : QString());
    SetCell(Periods_Grid, row, 1, QStringFromCp1251(period.FileNums));
    SetCell(Periods_Grid, row, 2, AmountText(period.InsAccrued), true);
    SetCell(Periods_Grid, row, 3, AmountText(period.InsPaid), true);
    SetCell(Periods_Grid, row, 4, AmountText(period.InsSaldo), true);
    SetCell(Periods_Grid, row, 5, AmountText(period.FundAccrued), true);
    SetCell(Periods_Grid, row, 6, AmountText(period.FundPaid), true);
    SetCell(Periods_Grid, row, 7, AmountText(period.FundSaldo), true);
  }
  Periods_Grid->resizeColumnsToContents();
  // The periods where the balances arise, marked, the first of them in view.
  const TPersonResult& result = results_->Results.Persons[person_];
  QFont bold = Periods_Grid->font();
  bold.setBold(true);
  for (const std::int32_t period : result.Periods) {
    if (period < 0 || period >= Periods_Grid->rowCount()) continue;
    for (int column = 0; column < Periods_Grid->columnCount(); ++column) {
      QTableWidgetItem* item = Periods_Grid->item(period, column);
      item->setFont(bold);
      item->setBackground(QColor(255, 236, 179));
    }
  }
  if (!result.Periods.empty() && result.Periods.front() < Periods_Grid->rowCount()) {
    Periods_Grid->scrollToItem(Periods_Grid->item(result.Periods.front(), 0), QAbstractItemView::PositionAtCenter);
  }
}

}  // namespace brisolt
