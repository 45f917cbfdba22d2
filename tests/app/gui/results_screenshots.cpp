// Takes the guide's pictures of the results table and of the sources window: runs the pipeline on
// a folder as the window does, shows the table filtered to the persons with something to do, and
// opens the sources of the person with the most documents. Not a test; scripts/screenshots.sh runs
// it under Xvfb.
// Usage: results_screenshots FOLDER REGNUMB OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTableView>
#include <QTest>

#include <cstdio>

#include "app/pipeline.h"
#include "app/gui/resultsform.h"
#include "app/gui/sourcesform.h"

using namespace brisolt;

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: results_screenshots FOLDER REGNUMB OUTPUT_FOLDER\n");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[3]);
  TRunRequest request;
  request.Path = argv[1];
  request.RegNumb = argv[2];
  request.OrgName = "Sample";
  request.ProtFileName = QDir(output).filePath(QStringLiteral("results-screenshots.html")).toStdString();
  request.KeepResults = true;
  const TRunOutcome outcome = RunProtocol(request, {});
  QFile::remove(QString::fromStdString(request.ProtFileName));
  if (!outcome.Results) {
    std::fprintf(stderr, "the run wrote no protocol: %s\n", outcome.Message.c_str());
    return 1;
  }
  TResults_Form form;
  form.resize(1000, 520);
  form.SetResults(outcome.Results);
  form.findChild<QComboBox*>(QStringLiteral("Filter_Combo"))->setCurrentIndex(TResultsModel::FilterActions);
  auto* grid = form.findChild<QTableView*>(QStringLiteral("Results_Grid"));
  grid->sortByColumn(TResultsModel::ColIns, Qt::DescendingOrder);
  form.show();
  QTest::qWait(500);
  if (!form.grab().save(QDir(output).filePath(QStringLiteral("results-table.png")))) return 1;

  // The person whose documents the folding changed most.
  const auto& persons = outcome.Results->Results.Persons;
  std::size_t chosen = 0;
  for (std::size_t person = 0; person < persons.size(); ++person) {
    if (persons[person].Sources.size() > persons[chosen].Sources.size()) chosen = person;
  }
  TSources_Form sources(outcome.Results, chosen);
  sources.resize(1150, 680);
  sources.show();
  QTest::qWait(500);
  if (!sources.grab().save(QDir(output).filePath(QStringLiteral("sources-window.png")))) return 1;
  std::printf("Wrote %s/results-table.png, sources-window.png\n", argv[3]);
  return 0;
}
