// The window on the real engine: a generated folder listed and processed from the window gives the
// same protocol as the batch run with the same choices.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "app/gui/helpform.h"
#include "app/gui/mainform.h"
#include "app/gui/progressform.h"
#include "app/gui/qtext.h"
#include "app/pipeline.h"
#include "guitestsupport.h"
#include "packgen.h"

using namespace brisolt;
using testing::TRecordingDialogs;

namespace {

// The protocol's lines without the time it was made; the window's version text has "Версия " in
// front of the batch run's.
QList<QByteArray> ComparableLines(const QString& fileName, bool fromWindow) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {QByteArray("cannot read ") + fileName.toUtf8()};
  QByteArray bytes = file.readAll();
  if (fromWindow) {
    const QByteArray prefix = QByteArray::fromStdString(Cp1251FromQString(QStringLiteral("Версия ")));
    const QByteArray version = QByteArray(BRISOLT_TEST_PRODUCT_VERSION);
    const qsizetype at = bytes.indexOf(prefix + version);
    if (at < 0) return {QByteArray("no version label text in the window's protocol")};
    bytes.remove(at, prefix.size());
  }
  const QByteArray timeLine = QByteArray::fromStdString(
      Cp1251FromQString(QStringLiteral("Дата и время формирования протокола: ")));
  QList<QByteArray> lines;
  for (const QByteArray& line : bytes.split('\n')) {
    if (!line.contains(timeLine)) lines.append(line);
  }
  return lines;
}

}  // namespace

class TestWindowRun : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir settingsFolder_;
  QTemporaryDir work_;
  QString packs_;
  QString temp_;

  struct TWindows {
    explicit TWindows(TWindowEngine engine = DefaultWindowEngine())
        : Main(Dialogs, std::move(engine)), Help(&Main), Progress(&Main) {
      Main.SetCompanions(&Help, &Progress);
      Main.show();
    }
    template <typename T>
    T* Find(const char* name) {
      T* control = Main.findChild<T*>(QString::fromLatin1(name));
      if (control == nullptr) qFatal("no control %s", name);
      return control;
    }
    void Select(const char* group, int index) {
      Find<QGroupBox>(group)->findChildren<QRadioButton*>().at(index)->click();
    }
    TRecordingDialogs Dialogs;
    TMain_Form Main;
    THelp_Form Help;
    TProgress_Form Progress;
  };

 private slots:
  void initTestCase() {
    testing::UseTemporarySettingsStore(settingsFolder_);
    QVERIFY(work_.isValid());
    packs_ = QDir(work_.path()).filePath(QStringLiteral("пачки"));
    // In the system's own form, as the variable holds it (backslashes on Windows).
    temp_ = QDir::toNativeSeparators(QDir(work_.path()).filePath(QStringLiteral("temp")));
    QVERIFY(QDir().mkpath(temp_));
    testing::SetTempVariable(temp_);
    packgen::GenerateSample(packs_.toStdString());
  }

  void listButtonListsTheInsurersOfTheFolder() {
    TWindows windows;
    windows.Find<QLineEdit>("Path_Edit")->setText(packs_);
    QTest::mouseClick(windows.Find<QToolButton>("GetList_Button"), Qt::LeftButton);
    QVERIFY(windows.Dialogs.Messages.empty());
    auto* grid = windows.Find<QTableWidget>("Insurers_Grid");
    QVERIFY(grid->rowCount() >= 2);
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("087-001-012345"));
    QCOMPARE(windows.Find<QLineEdit>("RegNumb_Edit")->text(), QStringLiteral("087-001-012345"));
    QCOMPARE(windows.Find<QLineEdit>("OrgName_Edit")->text(), grid->item(0, 1)->text());
  }

  void listButtonOnAFolderWithoutPacks() {
    TWindows windows;
    windows.Find<QLineEdit>("Path_Edit")->setText(temp_);
    QTest::mouseClick(windows.Find<QToolButton>("GetList_Button"), Qt::LeftButton);
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text,
             QStringLiteral("Файлов с инд. сведениями не обнаружено."));
  }

  void aNumberTypedWronglyFindsNobody() {
    TWindows windows;
    windows.Find<QLineEdit>("Path_Edit")->setText(packs_);
    windows.Find<QLineEdit>("RegNumb_Edit")->setText(QStringLiteral("87-001-012345"));
    QTest::mouseClick(windows.Find<QPushButton>("Process_Button"), Qt::LeftButton);
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text,
             QStringLiteral("Не удалось извлечь сведения о сотрудниках."));
    QVERIFY(!QFile::exists(QDir(temp_).filePath(QStringLiteral("87-001-012345.html"))));
  }

  void windowRunWritesTheBatchRunsProtocol_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("saldo");
    QTest::addColumn<bool>("calcCorr");
    QTest::newRow("html compact, all persons") << 0 << 0 << 0 << false;
    QTest::newRow("html detailed, debts, corrective data") << 0 << 1 << 2 << true;
    QTest::newRow("excel compact, non-zero") << 1 << 0 << 1 << false;
    QTest::newRow("calc detailed, overpaid") << 2 << 1 << 3 << true;
  }

  void windowRunWritesTheBatchRunsProtocol() {
    QFETCH(int, format);
    QFETCH(int, layout);
    QFETCH(int, saldo);
    QFETCH(bool, calcCorr);
    const QString orgName = QStringLiteral("ООО Ромашка");
    TWindows windows;
    windows.Find<QLineEdit>("Path_Edit")->setText(packs_);
    windows.Find<QLineEdit>("RegNumb_Edit")->setText(QStringLiteral("087-001-012345"));
    windows.Find<QLineEdit>("OrgName_Edit")->setText(orgName);
    windows.Find<QCheckBox>("CalcCorr_Checkbox")->setChecked(calcCorr);
    windows.Select("Format_Group", format);
    windows.Select("Layout_Group", layout);
    windows.Select("Saldo_Group", saldo);
    QTest::mouseClick(windows.Find<QPushButton>("Process_Button"), Qt::LeftButton);
    QVERIFY(windows.Dialogs.Messages.empty());
    QVERIFY(windows.Dialogs.Questions.empty());
    const QString windowProtocol = windows.Find<QTextEdit>("ProtName_Text")->toPlainText();
    QCOMPARE(windowProtocol, temp_ + QDir::separator() + (format == 0 ? QStringLiteral("087-001-012345.html")
                                                               : QStringLiteral("087-001-012345.xml")));
    QCOMPARE(windows.Progress.State_Label->text(), QStringLiteral("Создание протокола..."));

    const QString batchProtocol = QDir(work_.path()).filePath(QStringLiteral("batch.out"));
    QProcess batch;
    batch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    batch.start(QStringLiteral(BRISOLT_BINARY),
                {QStringLiteral("/regnumb=087-001-012345"), QStringLiteral("/path=") + packs_,
                 QStringLiteral("/orgname=") + orgName,
                 QStringLiteral("/protformat=%1").arg(format),
                 QStringLiteral("/protform=%1").arg(layout),
                 QStringLiteral("/saldofilter=%1").arg(saldo),
                 QStringLiteral("/calccorr=%1").arg(calcCorr ? 1 : 0),
                 QStringLiteral("/protfilename=") + batchProtocol});
    QVERIFY(batch.waitForFinished(120000));
    QCOMPARE(batch.exitCode(), 0);

    const QList<QByteArray> fromWindow = ComparableLines(windowProtocol, true);
    const QList<QByteArray> fromBatch = ComparableLines(batchProtocol, false);
    QVERIFY(fromWindow.size() > 50);
    QCOMPARE(fromWindow.size(), fromBatch.size());
    for (qsizetype index = 0; index < fromWindow.size(); ++index) {
      QCOMPARE(fromWindow[index], fromBatch[index]);
    }
  }

  // A page past the size a browser opens in reasonable time: the window says so before writing
  // it and writes what the user chose. The run's estimate is raised past the limit, so that a
  // small folder stands for a large insurer.
  void aLargePageIsWrittenAsTheUserChooses_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");  // the file in the temporary folder; empty: none
    QTest::addColumn<QString>("page");     // the page shown afterwards
    QTest::addColumn<bool>("results");     // the results table filled
    QTest::newRow("the page all the same") << QStringLiteral("Записать HTML")
                                           << QStringLiteral("087-001-012345.html")
                                           << QStringLiteral("Protocol_Sheet") << true;
    if (XlsxAvailable()) {
      QTest::newRow("a workbook instead") << QStringLiteral("Книга XLSX")
                                          << QStringLiteral("087-001-012345.xlsx")
                                          << QStringLiteral("Protocol_Sheet") << true;
    }
    QTest::newRow("the debts only") << QStringLiteral("С задолженностью")
                                    << QStringLiteral("087-001-012345.html")
                                    << QStringLiteral("Protocol_Sheet") << true;
    QTest::newRow("the results table") << QStringLiteral("Показать результаты") << QString()
                                       << QStringLiteral("Results_Sheet") << true;
    QTest::newRow("cancel") << QStringLiteral("Отмена") << QString()
                            << QStringLiteral("Params_Sheet") << false;
  }

  void aLargePageIsWrittenAsTheUserChooses() {
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(QString, page);
    QFETCH(bool, results);
    TWindowEngine engine = DefaultWindowEngine();
    std::vector<std::uint64_t> estimates;
    engine.Run = [&estimates](const TRunRequest& request, const TProgressEvent& progress) {
      TRunRequest large = request;
      if (request.ChooseHtml) {
        large.ChooseHtml = [&estimates, ask = request.ChooseHtml](std::uint64_t bytes) {
          estimates.push_back(bytes);
          return ask(bytes + kLargeHtmlProtocol);
        };
      }
      return RunProtocol(large, progress);
    };
    const QDir temp(temp_);
    for (const QString& name : temp.entryList(QDir::Files)) QVERIFY(QFile::remove(temp.filePath(name)));
    TWindows windows(std::move(engine));
    windows.Find<QLineEdit>("Path_Edit")->setText(packs_);
    windows.Find<QLineEdit>("RegNumb_Edit")->setText(QStringLiteral("087-001-012345"));
    windows.Find<QCheckBox>("Open_CheckBox")->setChecked(true);
    windows.Select("Format_Group", 0);
    windows.Select("Saldo_Group", 0);
    const QStringList answers =
        XlsxAvailable()
            ? QStringList{QStringLiteral("Книга XLSX"), QStringLiteral("С задолженностью"),
                          QStringLiteral("Показать результаты"), QStringLiteral("Записать HTML"),
                          QStringLiteral("Отмена")}
            : QStringList{QStringLiteral("С задолженностью"), QStringLiteral("Показать результаты"),
                          QStringLiteral("Записать HTML"), QStringLiteral("Отмена")};
    windows.Dialogs.ChoiceAnswer = static_cast<int>(answers.indexOf(answer));
    QTest::mouseClick(windows.Find<QPushButton>("Process_Button"), Qt::LeftButton);

    QCOMPARE(estimates.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Questions.size(), std::size_t(1));
    const testing::TChoiceQuestion& question = windows.Dialogs.Questions[0];
    QCOMPARE(question.Answers, answers);
    QCOMPARE(question.Cancel, answers.size() - 1);
    QCOMPARE(question.Caption, QStringLiteral("Brisolt"));
    // The run waits for the answer with the window's input let through.
    QVERIFY(!question.WaitCursor);
    const QString megabytes = QString::number((estimates[0] + kLargeHtmlProtocol + 500'000) / 1'000'000);
    QCOMPARE(question.Text,
             QStringLiteral("Протокол HTML займёт около ") + megabytes +
                 QStringLiteral(" МБ: браузер будет открывать его очень долго. Для большого числа "
                                "сотрудников удобнее ") +
                 (XlsxAvailable() ? QStringLiteral("книга XLSX, отбор") : QStringLiteral("отбор")) +
                 QStringLiteral(" \"С задолженностью\" или вкладка \"Результаты\"."));
    QVERIFY(windows.Dialogs.Messages.empty());

    QCOMPARE(temp.entryList(QDir::Files), written.isEmpty() ? QStringList() : QStringList{written});
    QCOMPARE(windows.Find<QTabWidget>("PageControl")->currentWidget()->objectName(), page);
    QCOMPARE(windows.Find<QTableView>("Results_Grid")->model()->rowCount() > 0, results);
    if (written.isEmpty()) {
      QVERIFY(windows.Dialogs.Opened.empty() && windows.Dialogs.Started.empty());
      return;
    }
    // The protocol page names the file written and the window opens it in its program.
    const QString file = temp.filePath(written);
    QCOMPARE(windows.Find<QTextEdit>("ProtName_Text")->toPlainText(), QDir::toNativeSeparators(file));
    if (written.endsWith(QStringLiteral(".xlsx"))) {
      QVERIFY(windows.Dialogs.Opened.empty());
      QCOMPARE(windows.Dialogs.Started.size(), std::size_t(1));
      QCOMPARE(QString::fromStdString(windows.Dialogs.Started[0].second), QDir::toNativeSeparators(file));
      return;
    }
    QCOMPARE(windows.Dialogs.Opened, std::vector<std::string>{NativeFromQString(QDir::toNativeSeparators(file))});
    // The debts' page lists fewer persons than everyone's.
    const bool debts = answer == QStringLiteral("С задолженностью");
    QCOMPARE(static_cast<std::uint64_t>(QFileInfo(file).size()) < estimates[0] / 2, debts);
  }
};

QTEST_MAIN(TestWindowRun)
#include "tst_windowrun.moc"
