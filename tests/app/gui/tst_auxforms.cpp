// The progress window, the help window, the folder picker and the real save dialog.
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QtMath>
#include <QTimer>

#include <thread>

#include "app/dirselect.h"
#include "app/helpform.h"
#include "app/progressform.h"
#include "app/userdialogs.h"

using namespace brisolt;

namespace {

// Runs `action` on the modal dialog that opens next, once it is up.
template <typename Action>
void OnNextModalDialog(Action action) {
  QTimer::singleShot(0, [action] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      QTimer::singleShot(10, [action] { OnNextModalDialog(action); });
      return;
    }
    action(dialog);
  });
}

}  // namespace

class TestAuxForms : public QObject {
  Q_OBJECT

 private slots:
  void progressWindowStartsWithItsTexts() {
    QWidget owner;
    TProgress_Form progress(&owner);
    QCOMPARE(progress.windowTitle(), QStringLiteral("Идёт обработка..."));
    QCOMPARE(progress.size(), QSize(555, 138));
    QCOMPARE(progress.State_Label->text(),
             QStringLiteral("Для старта обработки перейдите на вкладку \"Параметры\" и щёлкните "
                            "\"Обработать\""));
    QCOMPARE(progress.Data_Label->text(), QStringLiteral("Ожидание..."));
    QVERIFY(progress.Data_Label->wordWrap());
    QCOMPARE(progress.ProgressBar->value(), 0);
  }

  void showProgressSetsBarAndTexts_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("barValue");
    QTest::addColumn<int>("barMaximum");
    QTest::newRow("empty bar") << 0 << 100 << 0 << 100;
    QTest::newRow("part way") << 3 << 12 << 3 << 12;
    QTest::newRow("position past the end") << 15 << 12 << 12 << 12;
    QTest::newRow("negative position") << -1 << 12 << 0 << 12;
    // Qt turns a 0..0 bar into a busy animation; an empty total is an empty bar.
    QTest::newRow("empty total") << 0 << 0 << 0 << 1;
  }

  void showProgressSetsBarAndTexts() {
    QFETCH(int, position);
    QFETCH(int, maximum);
    QFETCH(int, barValue);
    QFETCH(int, barMaximum);
    QWidget owner;
    TProgress_Form progress(&owner);
    progress.ShowProgress(QStringLiteral("Чтение файлов"), QStringLiteral("PFR-700-Y-2011.xml"),
                          position, maximum);
    QCOMPARE(progress.ProgressBar->value(), barValue);
    QCOMPARE(progress.ProgressBar->maximum(), barMaximum);
    QCOMPARE(progress.ProgressBar->minimum(), 0);
    QCOMPARE(progress.State_Label->text(), QStringLiteral("Чтение файлов"));
    QCOMPARE(progress.Data_Label->text(), QStringLiteral("PFR-700-Y-2011.xml"));
  }

  void relayDeliversTheLatestReportFromAWorker() {
    QWidget owner;
    TProgress_Form progress(&owner);
    {
      TProgressRelay relay(&progress);
      std::thread worker([&relay] {
        for (int index = 1; index <= 1000; ++index) {
          relay.Report("Чтение файлов", "file " + std::to_string(index), index, 1000);
        }
        relay.Report("Создание протокола...", "Подождите...", 0, 0);
      });
      worker.join();
    }
    // The relay is gone; what it queued still arrives.
    QTRY_COMPARE(progress.State_Label->text(), QStringLiteral("Создание протокола..."));
    QCOMPARE(progress.Data_Label->text(), QStringLiteral("Подождите..."));
    QCOMPARE(progress.ProgressBar->value(), 0);
  }

  void progressWindowCannotBeClosedDuringARun() {
    QWidget owner;
    owner.show();
    TProgress_Form progress(&owner);
    progress.StartRun();
    QVERIFY(progress.isVisible());
    QVERIFY(progress.isModal());
    progress.close();
    QVERIFY(progress.isVisible());
    progress.EndRun();
    QVERIFY(!progress.isVisible());
  }

  void helpWindowHoldsTheSevenSectionsReadOnly() {
    QWidget owner;
    THelp_Form help(&owner);
    QCOMPARE(help.windowTitle(), QStringLiteral("Справка"));
    QCOMPARE(help.minimumWidth(), 614);
    QCOMPARE(help.maximumWidth(), 614);
    QCOMPARE(help.minimumHeight(), 345);
    QCOMPARE(help.maximumHeight(), 347);
    QVERIFY(help.Help_RichEdit->isReadOnly());
    QCOMPARE(help.Help_RichEdit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    const QStringList expected = {"Программа Brisolt",          "Назначение программы",
                                  "Системные требования:",      "Способ применения:",
                                  "Описание протокола обработки", "Работа из командной строки",
                                  "Дополнительная информация"};
    QCOMPARE(HelpSectionHeadings(), expected);
    // Shown in that order, each on a line of its own.
    const QStringList shown = help.Help_RichEdit->toPlainText().split(QLatin1Char('\n'));
    qsizetype from = 0;
    for (const QString& heading : expected) {
      const qsizetype at = shown.indexOf(heading, from);
      QVERIFY2(at >= 0, qPrintable(heading));
      from = at + 1;
    }
  }

  void everyHelpLineFitsTheWindow() {
    QWidget owner;
    THelp_Form help(&owner);
    help.show();
    QTextEdit& edit = *help.Help_RichEdit;
    const int room = edit.viewport()->width() - 2 * qCeil(edit.document()->documentMargin());
    QFont bold = edit.font();
    bold.setBold(true);
    const QStringList headings = HelpSectionHeadings();
    QStringList wrapped;
    for (const QString& line : HelpTextLines()) {
      const QFontMetrics metrics(headings.contains(line) ? bold : edit.font());
      if (metrics.horizontalAdvance(line) > room) wrapped << line;
    }
    QVERIFY2(wrapped.isEmpty(), qPrintable(wrapped.join(QLatin1Char('\n'))));
  }

  void helpNamesEveryCommandLineParameterInAlphabeticalOrder() {
    const QStringList lines = HelpTextLines();
    QStringList names;
    for (const QString& line : lines) {
      if (line.startsWith(QLatin1Char('/'))) names.append(line.section(QLatin1Char(' '), 0, 0));
    }
    const QStringList expected = {"/calccorr",   "/orgname",   "/path",
                                  "/protfilename", "/protform",  "/protformat",
                                  "/protopen",   "/regnumb",   "/saldofilter",
                                  "/subdirs"};
    QCOMPARE(names, expected);
  }

  void helpWindowOpensWithoutBlockingTheOwner() {
    QWidget owner;
    owner.show();
    THelp_Form help(&owner);
    help.ShowBeside();
    QVERIFY(help.isVisible());
    QVERIFY(!help.isModal());
  }

  void folderPickerCancelGivesEmptyText() {
    QTemporaryDir folder;
    QString title;
    OnNextModalDialog([&title](QFileDialog* dialog) {
      title = dialog->windowTitle();
      dialog->reject();
    });
    QCOMPARE(BrowseForFolder(nullptr, folder.path()), QString());
    QCOMPARE(title, QStringLiteral("Выбор папки"));
  }

  void folderPickerReturnsTheChosenFolder() {
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Пачки")));
    const QString chosen = QDir(folder.path()).filePath(QStringLiteral("Пачки"));
    QString preselected;
    bool foldersOnly = false;
    OnNextModalDialog([&](QFileDialog* dialog) {
      preselected = dialog->directory().absolutePath();
      foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                    dialog->testOption(QFileDialog::ShowDirsOnly);
      dialog->selectFile(chosen);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(BrowseForFolder(nullptr, folder.path()), QDir::toNativeSeparators(chosen));
    QCOMPARE(preselected, QDir(folder.path()).absolutePath());
    QVERIFY(foldersOnly);
  }

  void saveDialogAsksBeforeOverwritingWithTheGivenFilter() {
    QTemporaryDir folder;
    const QString preset = QDir(folder.path()).filePath(QStringLiteral("087-001-000001.html"));
    QString name;
    QStringList filters;
    QStringList selected;
    bool asksBeforeOverwriting = false;
    OnNextModalDialog([&](QFileDialog* dialog) {
      name = dialog->objectName();
      filters = dialog->nameFilters();
      selected = dialog->selectedFiles();
      asksBeforeOverwriting = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString answer = DesktopUserDialogs().AskSaveFileName(
        nullptr, QStringLiteral("HTMLSaveDialog"), QStringLiteral("Web-страницы (*.htm *.html)"),
        preset);
    QCOMPARE(name, QStringLiteral("HTMLSaveDialog"));
    QCOMPARE(filters, QStringList{QStringLiteral("Web-страницы (*.htm *.html)")});
    QCOMPARE(selected, QStringList{preset});
    QVERIFY(asksBeforeOverwriting);
    QCOMPARE(answer, preset);
  }
};

QTEST_MAIN(TestAuxForms)
#include "tst_auxforms.moc"
