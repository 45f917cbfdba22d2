#include "app/resultsform.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "app/qtext.h"
#include "app/sourcesform.h"
#include "base/amount.h"

namespace brisolt {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

const TPersonResult& PersonOf(const TRunResults& results, std::size_t person) {
  return results.Results.Persons[person];
}

const TMainLine& LineOf(const TRunResults& results, std::size_t person) {
  return results.Report.MainLines[results.Results.Persons[person].Line];
}

// The search compares digits with the insurance number and anything else with the name's start.
std::string DigitsOf(const QString& text) {
  std::string digits;
  for (const QChar ch : text) {
    if (ch.isDigit()) digits.push_back(static_cast<char>(ch.unicode()));
  }
  return digits;
}

}  // namespace

QString AmountText(std::int64_t amount) { return QStringFromCp1251(FormatGroupedSum(amount)); }

TResultsModel::TResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultsModel::SetResults(std::shared_ptr<const TRunResults> results) {
  beginResetModel();
  results_ = std::move(results);
  names_.clear();
  digits_.clear();
  snilsKeys_.clear();
  rows_.clear();
  if (results_) {
    const std::size_t count = results_->Results.Persons.size();
    names_.reserve(count);
    digits_.reserve(count);
    snilsKeys_.reserve(count);
    for (std::size_t person = 0; person < count; ++person) {
      const TMainLine& line = LineOf(*results_, person);
      names_.push_back(QStringFromCp1251(line.FIO).toLower());
      digits_.push_back(line.SNILS);
      // Eleven digits read as a number order as the text does; any other text goes last.
      std::int64_t key = line.SNILS.size() == 11 ? 0 : INT64_MAX;
      for (const char ch : line.SNILS) {
        if (ch < '0' || ch > '9') {
          key = INT64_MAX;
          break;
        }
        if (key != INT64_MAX) key = key * 10 + (ch - '0');
      }
      snilsKeys_.push_back(key);
    }
  }
  Refilter();
  SortRows();
  endResetModel();
}

void TResultsModel::SetQuery(const QString& search, TFilter filter) {
  beginResetModel();
  search_ = search.trimmed().toLower();
  filter_ = filter;
  Refilter();
  SortRows();
  endResetModel();
}

void TResultsModel::Refilter() {
  rows_.clear();
  if (!results_) return;
  const std::string digits = DigitsOf(search_);
  const bool byNumber = !search_.isEmpty() && search_[0].isDigit();
  const auto& persons = results_->Results.Persons;
  rows_.reserve(persons.size());
  for (std::size_t person = 0; person < persons.size(); ++person) {
    const TPersonResult& result = persons[person];
    switch (filter_) {
      case FilterDebt:
        if (result.InsBalance <= 0 && result.FundBalance <= 0) continue;
        break;
      case FilterOverpaid:
        if (result.InsBalance >= 0 && result.FundBalance >= 0) continue;
        break;
      case FilterActions:
        if (result.Actions.empty()) continue;
        break;
      case FilterAll:
        break;
    }
    if (byNumber) {
      if (digits_[person].compare(0, digits.size(), digits) != 0) continue;
    } else if (!search_.isEmpty() && !names_[person].startsWith(search_)) {
      continue;
    }
    rows_.push_back(person);
  }
}

void TResultsModel::SortRows() {
  if (!results_ || sortColumn_ < 0) return;
  const auto& persons = results_->Results.Persons;
  // One number per row: a keystroke re-sorts up to 100,000 rows.
  std::vector<std::int64_t> keys(persons.size());
  for (const std::size_t person : rows_) {
    const TPersonResult& result = persons[person];
    switch (sortColumn_) {
      case ColSnils: keys[person] = snilsKeys_[person]; break;
      // The protocol lists the persons by name already.
      case ColName: keys[person] = static_cast<std::int64_t>(person); break;
      case ColIns: keys[person] = result.InsBalance; break;
      case ColFund: keys[person] = result.FundBalance; break;
      case ColPeriods: keys[person] = static_cast<std::int64_t>(result.Periods.size()); break;
      case ColActions: keys[person] = static_cast<std::int64_t>(result.Actions.size()); break;
      default: keys[person] = static_cast<std::int64_t>(person); break;
    }
  }
  if (sortOrder_ == Qt::AscendingOrder) {
    std::stable_sort(rows_.begin(), rows_.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  } else {
    std::stable_sort(rows_.begin(), rows_.end(), [&](std::size_t a, std::size_t b) { return keys[a] > keys[b]; });
  }
}

void TResultsModel::sort(int column, Qt::SortOrder order) {
  beginResetModel();
  sortColumn_ = column;
  sortOrder_ = order;
  Refilter();  // back to the protocol's order, so that equal rows keep it
  SortRows();
  endResetModel();
}

int TResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColCount; }

QVariant TResultsModel::data(const QModelIndex& index, int role) const {
  if (!results_ || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const std::size_t person = rows_[static_cast<std::size_t>(index.row())];
  const TPersonResult& result = PersonOf(*results_, person);
  const TMainLine& line = LineOf(*results_, person);
  if (role == Qt::TextAlignmentRole) {
    if (index.column() == ColIns || index.column() == ColFund) {
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
  }
  if (role == Qt::ToolTipRole && index.column() == ColActions) {
    QStringList texts;
    for (const TAction& action : result.Actions) texts << QStringFromCp1251(action.Text);
    return texts.join(QLatin1Char('\n'));
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case ColSnils:
      return QStringFromCp1251(FormatSNILS(line.SNILS));
    case ColName:
      return QStringFromCp1251(line.FIO);
    case ColIns:
      return AmountText(result.InsBalance);
    case ColFund:
      return AmountText(result.FundBalance);
    case ColPeriods: {
      QStringList names;
      for (const std::int32_t period : result.Periods) {
        names << QStringFromCp1251(results_->Report.PeriodList[static_cast<std::size_t>(period)]);
      }
      return names.join(QStringLiteral(", "));
    }
    case ColActions: {
      QStringList texts;
      for (const TAction& action : result.Actions) texts << QStringFromCp1251(action.Text);
      return texts.join(QStringLiteral(" | "));
    }
    default:
      return {};
  }
}

QVariant TResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  static const char* const kTitles[ColCount] = {"СНИЛС", "ФИО", "Сальдо страх., руб.", "Сальдо накоп., руб.",
                                                "Периоды", "Что сделать"};
  return section >= 0 && section < ColCount ? Text(kTitles[section]) : QVariant();
}

TResults_Form::TResults_Form(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Results_Form"));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* searchLabel = new QLabel(Text("Поиск (СНИЛС или фамилия):"), this);
  Search_Edit = new QLineEdit(this);
  Search_Edit->setObjectName(QStringLiteral("Search_Edit"));
  Search_Edit->setClearButtonEnabled(true);
  Search_Edit->setPlaceholderText(Text("например, 112-233 или Иванов"));
  searchLabel->setBuddy(Search_Edit);
  Filter_Combo = new QComboBox(this);
  Filter_Combo->setObjectName(QStringLiteral("Filter_Combo"));
  Filter_Combo->addItems({Text("Все"), Text("С задолженностью"), Text("С переплатой"), Text("Есть что сделать")});
  top->addWidget(searchLabel);
  top->addWidget(Search_Edit, 1);
  top->addWidget(Filter_Combo);
  layout->addLayout(top);

  model_ = new TResultsModel(this);
  Results_Grid = new QTableView(this);
  Results_Grid->setObjectName(QStringLiteral("Results_Grid"));
  Results_Grid->setModel(model_);
  Results_Grid->setSortingEnabled(true);
  Results_Grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  Results_Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  Results_Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Results_Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Results_Grid->setWordWrap(false);
  // Fixed row heights and column widths: measuring 100,000 rows would take seconds.
  Results_Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Results_Grid->verticalHeader()->hide();
  Results_Grid->horizontalHeader()->setStretchLastSection(true);
  Results_Grid->verticalHeader()->setDefaultSectionSize(Results_Grid->fontMetrics().height() + 8);
  const int digit = Results_Grid->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  Results_Grid->setColumnWidth(TResultsModel::ColSnils, 15 * digit);
  Results_Grid->setColumnWidth(TResultsModel::ColName, 28 * digit);
  Results_Grid->setColumnWidth(TResultsModel::ColIns, 17 * digit);
  Results_Grid->setColumnWidth(TResultsModel::ColFund, 17 * digit);
  Results_Grid->setColumnWidth(TResultsModel::ColPeriods, 17 * digit);
  layout->addWidget(Results_Grid, 1);

  Totals_Label = new QLabel(this);
  Totals_Label->setObjectName(QStringLiteral("Totals_Label"));
  Totals_Label->setWordWrap(true);
  Totals_Label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(Totals_Label);

  connect(Search_Edit, &QLineEdit::textChanged, this, [this] { ApplyQuery(); });
  connect(Filter_Combo, &QComboBox::currentIndexChanged, this, [this] { ApplyQuery(); });
  connect(Results_Grid, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { GridDblClick(index.row()); });
  UpdateTotals();
}

void TResults_Form::SetResults(std::shared_ptr<const TRunResults> results) {
  model_->SetResults(std::move(results));
  ApplyQuery();
}

void TResults_Form::ApplyQuery() {
  model_->SetQuery(Search_Edit->text(), static_cast<TResultsModel::TFilter>(Filter_Combo->currentIndex()));
  UpdateTotals();
}

void TResults_Form::UpdateTotals() {
  const TRunResults* results = model_->Results();
  if (results == nullptr) {
    Totals_Label->setText(Text("Результаты появятся после обработки."));
    return;
  }
  const TResultTotals& totals = results->Results.Totals;
  Totals_Label->setText(
      Text("Задолженность: страх. %1, накоп. %2 руб.; переплата: страх. %3, накоп. %4 руб. "
           "Сотрудников, по которым есть что сделать: %5 из %6. Показано строк: %7.")
          .arg(AmountText(totals.InsDebt), AmountText(totals.FundDebt), AmountText(totals.InsOverpaid),
               AmountText(totals.FundOverpaid))
          .arg(totals.Persons)
          .arg(results->Results.Persons.size())
          .arg(model_->rowCount()));
}

void TResults_Form::GridDblClick(int row) {
  const TRunResults* results = model_->Results();
  if (results == nullptr || row < 0 || row >= model_->rowCount()) return;
  // The window shares the run's results: it stays valid when the next run replaces them here.
  auto* form = new TSources_Form(model_->SharedResults(), model_->PersonAt(row), this);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->show();
}

}  // namespace brisolt
