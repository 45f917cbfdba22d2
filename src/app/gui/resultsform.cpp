#include "app/gui/resultsform.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.h"
#include "app/gui/qtext.h"
#include "app/gui/sourcesform.h"
#include "base/amount.h"
#include "protocol/protformats.h"

namespace brisolt {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

const TPersonResult& PersonOf(const TRunResults& results, std::size_t person) {
  return results.Results.Persons[person];
}

const TMainLine& LineOf(const TRunResults& results, std::size_t person) {
  return results.Report.PersonLine(results.Results.Persons[person].Line);
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

namespace {

// A UTF-8 text of the formats table.
QString QtText(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

QString AmountText(std::int64_t amount) { return QStringFromCp1251(FormatGroupedSum(amount)); }

TResultsModel::TResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResultsModel::SetResults(std::shared_ptr<const TRunResults> results) {
  beginResetModel();
  results_ = std::move(results);
  names_.clear();
  digits_.clear();
  snilsKeys_.clear();
  nameRanks_.clear();
  rows_.clear();
  if (results_) {
    const std::size_t count = results_->Results.Persons.size();
    names_.reserve(count);
    digits_.reserve(count);
    snilsKeys_.reserve(count);
    for (std::size_t person = 0; person < count; ++person) {
      const TMainLine& line = LineOf(*results_, person);
      names_.push_back(SearchKey(QStringFromCp1251(line.FIO)));
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
  search_ = SearchKey(search.trimmed());
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
        if (!result.HasDebt()) continue;
        break;
      case FilterOverpaid:
        if (!result.HasOverpayment()) continue;
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

QString TResultsModel::SearchKey(const QString& text) {
  QString key = text.toLower();
  key.replace(QChar(0x0451), QChar(0x0435));  // ё as е
  return key;
}

void TResultsModel::SortRows() {
  if (!results_ || sortColumn_ < 0) return;
  const auto& persons = results_->Results.Persons;
  if (sortColumn_ == ColName && nameRanks_.size() != persons.size()) {
    // Lower case with ё as е orders Russian names by the alphabet; made once per run.
    std::vector<std::size_t> order(persons.size());
    for (std::size_t at = 0; at < order.size(); ++at) order[at] = at;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return names_[a] < names_[b]; });
    nameRanks_.assign(persons.size(), 0);
    for (std::size_t at = 0; at < order.size(); ++at) nameRanks_[order[at]] = static_cast<std::int64_t>(at);
  }
  // One number per row: a keystroke re-sorts up to 100,000 rows.
  std::vector<std::int64_t> keys(persons.size());
  for (const std::size_t person : rows_) {
    const TPersonResult& result = persons[person];
    switch (sortColumn_) {
      case ColSnils: keys[person] = snilsKeys_[person]; break;
      case ColName: keys[person] = nameRanks_[person]; break;
      case ColIns: keys[person] = result.InsBalance; break;
      case ColFund: keys[person] = result.FundBalance; break;
      // The first period in time where a balance arises; none last.
      case ColPeriods: keys[person] = result.Periods.empty() ? INT64_MAX : result.Periods.front(); break;
      // The first action's kind, then its amount; none last.
      case ColActions:
        keys[person] = result.Actions.empty()
                           ? INT64_MAX
                           : (static_cast<std::int64_t>(result.Actions.front().Kind) << 52) +
                                 std::min<std::int64_t>(result.Actions.front().Amount, (std::int64_t{1} << 52) - 1);
        break;
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
  // The table takes what the search row and the totals leave: narrow margins, the buttons on the
  // search row and the totals on one line under the table at 1366 points.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  auto* top = new QHBoxLayout;
  auto* searchLabel = new QLabel(Text("Поиск:"), this);
  Search_Edit = new QLineEdit(this);
  Search_Edit->setObjectName(QStringLiteral("Search_Edit"));
  Search_Edit->setClearButtonEnabled(true);
  Search_Edit->setPlaceholderText(Text("СНИЛС или фамилия, например 112-233 или Иванов"));
  searchLabel->setBuddy(Search_Edit);
  Filter_Combo = new QComboBox(this);
  Filter_Combo->setObjectName(QStringLiteral("Filter_Combo"));
  Filter_Combo->addItems({Text("Все"), Text("С задолженностью"), Text("С переплатой"), Text("Есть что сделать")});
  SaveList_Button = new QPushButton(Text("Сохранить список..."), this);
  SaveList_Button->setObjectName(QStringLiteral("SaveList_Button"));
  PrintList_Button = new QPushButton(Text("Печать списка..."), this);
  PrintList_Button->setObjectName(QStringLiteral("PrintList_Button"));
  top->addWidget(searchLabel);
  top->addWidget(Search_Edit, 1);
  top->addWidget(Filter_Combo);
  top->addSpacing(8);
  top->addWidget(SaveList_Button);
  top->addWidget(PrintList_Button);
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
  // The text and a margin of two points above and below it, as a spreadsheet's rows.
  Results_Grid->verticalHeader()->setDefaultSectionSize(Results_Grid->fontMetrics().height() + 4);
  // Room for the column's figures, and for its whole heading with the sort mark.
  const int digit = Results_Grid->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const auto setWidth = [this](int column, int width) {
    Results_Grid->setColumnWidth(column,
                                 std::max(width, Results_Grid->horizontalHeader()->sectionSizeHint(column)));
  };
  setWidth(TResultsModel::ColSnils, 15 * digit);
  setWidth(TResultsModel::ColName, 28 * digit);
  setWidth(TResultsModel::ColIns, 17 * digit);
  setWidth(TResultsModel::ColFund, 17 * digit);
  setWidth(TResultsModel::ColPeriods, 17 * digit);
  layout->addWidget(Results_Grid, 1);

  Totals_Label = new QLabel(this);
  Totals_Label->setObjectName(QStringLiteral("Totals_Label"));
  Totals_Label->setWordWrap(true);
  Totals_Label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(Totals_Label);
  connect(SaveList_Button, &QPushButton::clicked, this, [this] { SaveList(); });
  connect(PrintList_Button, &QPushButton::clicked, this, [this] { PrintList(); });

  connect(Search_Edit, &QLineEdit::textChanged, this, [this] { ApplyQuery(); });
  connect(Filter_Combo, &QComboBox::currentIndexChanged, this, [this] { ApplyQuery(); });
  connect(Results_Grid, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { GridDblClick(index.row()); });
  UpdateTotals();
}

std::vector<int> TResults_Form::ColumnWidths() const {
  std::vector<int> widths;
  for (int column = 0; column + 1 < TResultsModel::ColCount; ++column) widths.push_back(Results_Grid->columnWidth(column));
  return widths;
}

void TResults_Form::SetColumnWidths(const std::vector<int>& widths) {
  if (widths.size() + 1 != static_cast<std::size_t>(TResultsModel::ColCount)) return;
  for (std::size_t column = 0; column < widths.size(); ++column) {
    Results_Grid->setColumnWidth(static_cast<int>(column), widths[column]);
  }
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
    SaveList_Button->setEnabled(false);
    PrintList_Button->setEnabled(false);
    return;
  }
  SaveList_Button->setEnabled(true);
  PrintList_Button->setEnabled(true);
  const TResultTotals& totals = results->Results.Totals;
  if (model_->rowCount() == 0) {
    Totals_Label->setText(Text("Ничего не найдено: ни одна строка не подходит под поиск «%1» и отбор «%2». "
                               "Показано строк: 0.")
                              .arg(Search_Edit->text().trimmed(), Filter_Combo->currentText()));
    return;
  }
  Totals_Label->setText(
      Text("Задолженность: страх. %1, накоп. %2 руб.; переплата: страх. %3, накоп. %4 руб. "
           "Сотрудников, по которым есть что сделать: %5 из %6. Показано строк: %7.")
          .arg(AmountText(totals.InsDebt), AmountText(totals.FundDebt), AmountText(totals.InsOverpaid),
               AmountText(totals.FundOverpaid))
          .arg(totals.Persons)
          .arg(results->Results.Persons.size())
          .arg(model_->rowCount()));
}

std::string TResults_Form::ListCaption() const {
  const TRunResults* results = model_->Results();
  QString caption = Text("Что сделать");
  if (results != nullptr) {
    caption += Text(": ") + QStringFromCp1251(results->Report.OrgName) + Text(", рег. № ") +
               QStringFromCp1251(results->Report.RegNumb);
  }
  caption += Text(". Отбор: ") + Filter_Combo->currentText();
  if (!Search_Edit->text().trimmed().isEmpty()) caption += Text(", поиск «") + Search_Edit->text().trimmed() + Text("»");
  return Cp1251FromQString(caption);
}

bool TResults_Form::WriteList(TListWriter writer, const QString& fileName) {
  const TRunResults* results = model_->Results();
  TUserDialogs& dialogs = dialogs_ != nullptr ? *dialogs_ : DesktopUserDialogs();
  const std::string caption = ListCaption();
  const std::string target = NativeFromQString(fileName);
  try {
    writer(TListJob{results->Report, results->Results, model_->Rows(), caption, target});
  } catch (const std::exception& failure) {
    dialogs.ShowMessage(this,
                        Text("Не удалось записать список в файл ") + QDir::toNativeSeparators(fileName) + Text(": ") +
                            QString::fromUtf8(failure.what()),
                        Text("Ошибка"), TMessageIcon::Error);
    return false;
  }
  return true;
}

void TResults_Form::SaveList() {
  const TRunResults* results = model_->Results();
  if (results == nullptr) return;
  TUserDialogs& dialogs = dialogs_ != nullptr ? *dialogs_ : DesktopUserDialogs();
  // Every format of the table that saves the list and that this build writes, in its order.
  std::vector<const TProtFormatRow*> offered;
  QStringList filters;
  for (const TProtFormatRow& row : kProtFormats) {
    if (row.WriteList == nullptr || !FormatBuilt(row)) continue;
    offered.push_back(&row);
    filters << QtText(row.SaveFilter);
  }
  if (offered.empty()) return;
  const QString folder = QStringFromNative(platform::TempFolder());
  const QString name = folder + QLatin1Char(platform::PathSeparator()) + Text("список-") +
                       QStringFromCp1251(results->Report.RegNumb).replace(QLatin1Char(','), QLatin1Char('_')) +
                       QtText(offered.front()->Extension);
  const QString target =
      dialogs.AskSaveFileName(this, QStringLiteral("ListSaveDialog"), filters.join(QStringLiteral(";;")), name);
  if (target.isEmpty()) return;
  // The format whose extension ends the name; a name without one gets the first format's.
  const TProtFormatRow* format = offered.front();
  for (const TProtFormatRow* row : offered) {
    if (target.endsWith(QtText(row->Extension), Qt::CaseInsensitive)) {
      format = row;
      break;
    }
  }
  WriteList(format->WriteList, target);
}

void TResults_Form::PrintList() {
  const TRunResults* results = model_->Results();
  if (results == nullptr) return;
  const QString target = QStringFromNative(platform::TempFolder()) + QLatin1Char(platform::PathSeparator()) +
                         Text("список-для-печати.html");
  if (!WriteList(WritePrintableList, target)) return;
  TUserDialogs& dialogs = dialogs_ != nullptr ? *dialogs_ : DesktopUserDialogs();
  dialogs.ShellOpen(NativeFromQString(target));
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
