// The page "Результаты" of the main window: every person of the last run's protocol with both
// balances, the periods where they arise and what to do, sortable, searched by insurance number or
// surname as the clerk types, filtered by debts, overpayments or anything to do, with the totals.
// A double-click opens where that person's figures come from (TSources_Form).
#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/pipeline.h"
#include "app/gui/userdialogs.h"
#include "protocol/protdata.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace brisolt {

// The rows of the table over a run's results. It filters and sorts itself: a proxy model over
// 100,000 rows answers a keystroke too slowly.
class TResultsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum TColumn { ColSnils, ColName, ColIns, ColFund, ColPeriods, ColActions, ColCount };
  enum TFilter { FilterAll, FilterDebt, FilterOverpaid, FilterActions };

  explicit TResultsModel(QObject* parent = nullptr);

  void SetResults(std::shared_ptr<const TRunResults> results);
  const TRunResults* Results() const { return results_.get(); }
  const std::shared_ptr<const TRunResults>& SharedResults() const { return results_; }
  // The text typed in the search field and the filter chosen: which rows are shown.
  void SetQuery(const QString& search, TFilter filter);
  // The person (index into the results' Persons) of a shown row.
  std::size_t PersonAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  // The shown persons, in the shown order.
  const std::vector<std::size_t>& Rows() const { return rows_; }

  // What the search compares: lower case, ё as е.
  static QString SearchKey(const QString& text);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  void Refilter();
  void SortRows();

  std::shared_ptr<const TRunResults> results_;
  // By person: what the search compares, prepared once per run.
  std::vector<QString> names_;       // lower case
  std::vector<std::string> digits_;  // the 11 digits of the insurance number
  std::vector<std::int64_t> snilsKeys_;  // the same as a number, for sorting
  std::vector<std::int64_t> nameRanks_;  // by person: its place in Russian order; made when first sorted by name
  std::vector<std::size_t> rows_;    // shown persons, in the shown order
  QString search_;
  TFilter filter_ = FilterAll;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

class TResults_Form : public QWidget {
  Q_OBJECT

 public:
  explicit TResults_Form(QWidget* parent = nullptr);

  void SetResults(std::shared_ptr<const TRunResults> results);
  TResultsModel* Model() const { return model_; }

  // The widths of the table's columns but the last (which takes the rest), for the settings; an
  // empty or wrongly sized list leaves the designed widths.
  std::vector<int> ColumnWidths() const;
  void SetColumnWidths(const std::vector<int>& widths);

  // Opens the sources window of the person on a shown row.
  void GridDblClick(int row);

  // The dialogs the buttons ask through (the desktop's unless set).
  void SetDialogs(TUserDialogs* dialogs) { dialogs_ = dialogs; }
  // The shown list saved where the user says, in a format of the formats table that saves lists
  // (by the name's ending), or written as a page to the temporary folder and opened in the
  // browser to print.
  void SaveList();
  void PrintList();

 private:
  void ApplyQuery();
  void UpdateTotals();
  // The insurer, the filter and the search, for the list's heading (windows-1251).
  std::string ListCaption() const;
  // False, the user told why, when the list could not be written.
  bool WriteList(TListWriter writer, const QString& fileName);

  TResultsModel* model_;
  QLineEdit* Search_Edit;
  QComboBox* Filter_Combo;
  QTableView* Results_Grid;
  QLabel* Totals_Label;
  QPushButton* SaveList_Button;
  QPushButton* PrintList_Button;
  TUserDialogs* dialogs_ = nullptr;
};

// "1 500,00" without the currency: the table's amounts.
QString AmountText(std::int64_t amount);

}  // namespace brisolt
