// "Откуда взялись суммы": one person's documents in every pack in the order they were folded, what
// the folding did with each, then the person's result per period, notes and actions.
#pragma once

#include <QDialog>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/pipeline.h"

class QLabel;
class QListWidget;
class QTableWidget;

namespace brisolt {

class TSources_Form : public QDialog {
  Q_OBJECT

 public:
  // `person` indexes results->Results.Persons.
  TSources_Form(std::shared_ptr<const TRunResults> results, std::size_t person, QWidget* parent = nullptr);

 private:
  void FillSources();
  void FillPayments();
  void FillPeriods();
  // The full path of a file of the run by its number; empty for a number outside the list.
  QString FilePath(std::int32_t number) const;

  std::shared_ptr<const TRunResults> results_;
  std::size_t person_;
  QLabel* Person_Label;
  QTableWidget* Sources_Grid;
  QLabel* Payments_Label;
  QTableWidget* Payments_Grid;
  QTableWidget* Periods_Grid;
  QListWidget* Actions_List;
};

}  // namespace brisolt
