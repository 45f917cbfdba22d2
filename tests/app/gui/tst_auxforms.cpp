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
#include <QTreeView>
#include <QDate>

#include <thread>

#include "app/gui/dirselect.h"
#include "app/gui/helpform.h"
#include "app/gui/progressform.h"
#include "app/gui/userdialogs.h"
#include "protocol/protformats.h"

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
    QCOMPARE(help.size(), QSize(614, 346));
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
#ifdef Q_OS_WIN
    QSKIP("Windows' offscreen platform has no fonts to measure the lines with (Qt ships none)");
#endif
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

  void helpNamesEveryFormatOfTheTable() {
    // Wrapped lines read as one text.
    const QString text = HelpTextLines().join(QLatin1Char(' ')).simplified();
    for (const TProtFormatRow& row : kProtFormats) {
      const QString extension = QString::fromUtf8(row.Extension.data(), static_cast<qsizetype>(row.Extension.size()));
      QVERIFY2(text.contains(extension), qPrintable(extension));
      if (!row.Caption.empty() && FormatBuilt(row)) {
        const QString caption = QString::fromUtf8(row.Caption.data(), static_cast<qsizetype>(row.Caption.size()));
        QVERIFY2(text.contains(QLatin1Char('"') + caption + QLatin1Char('"')), qPrintable(caption));
      }
    }
    QVERIFY(HelpTextLines().contains(QStringLiteral("/protformat - формат вывода: 0 - HTML, 1 - Excel, 2 - OpenOffice Calc;")));
  }

  void helpWindowResizesAndClosesOnEscape() {
    QWidget owner;
    owner.show();
    THelp_Form help(&owner);
    help.ShowBeside();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    help.resize(900, 700);
    QCOMPARE(help.size(), QSize(900, 700));
    help.Help_RichEdit->setFocus();
    QTest::keyClick(help.Help_RichEdit, Qt::Key_Escape);
    QVERIFY(!help.isVisible());
    QVERIFY(owner.isVisible());
  }

  void helpListsEveryExitStatus() {
    const QString all = HelpTextLines().join(QLatin1Char(' '));
    const qsizetype from = all.indexOf(QStringLiteral("завершается с кодом:"));
    QVERIFY(from >= 0);
    const QString text = all.mid(from, all.indexOf(QStringLiteral("Дополнительная"), from) - from);
    for (int status = 0; status <= 5; ++status) {
      QVERIFY2(text.contains(QStringLiteral("%1 - ").arg(status)), qPrintable(QString::number(status)));
    }
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

  // Whatever the system's language, the columns speak Russian: no "Folder", no "KiB".
  void fileDialogsShowTheirColumnsInRussian() {
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Пачки")));
    {
      QFile file(QDir(folder.path()).filePath(QStringLiteral("087-001-000001.html")));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(QByteArray(2560, 'x'));
    }
    struct TRow {
      QString Name;
      QStringList Columns;
    };
    const auto rowsOf = [](QFileDialog* dialog, QStringList& header, std::vector<TRow>& rows) {
      auto* view = dialog->findChild<QTreeView*>();
      QAbstractItemModel* model = view->model();
      const QModelIndex root = view->rootIndex();
      QTRY_VERIFY(model->rowCount(root) > 0);
      for (int column = 0; column < 4; ++column) {
        header << model->headerData(column, Qt::Horizontal).toString();
      }
      for (int row = 0; row < model->rowCount(root); ++row) {
        TRow shown{model->index(row, 0, root).data().toString(), {}};
        for (int column = 1; column < 4; ++column) {
          shown.Columns << model->index(row, column, root).data().toString();
        }
        rows.push_back(shown);
      }
    };
    const QStringList russianHeader = {QStringLiteral("Имя"), QStringLiteral("Размер"),
                                       QStringLiteral("Тип"), QStringLiteral("Дата изменения")};
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));

    QStringList header;
    std::vector<TRow> rows;
    OnNextModalDialog([&](QFileDialog* dialog) {
      rowsOf(dialog, header, rows);
      dialog->reject();
    });
    BrowseForFolder(nullptr, folder.path());
    QCOMPARE(header, russianHeader);
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[0].Name, QStringLiteral("Пачки"));
    QCOMPARE(rows[0].Columns.at(0), QString());
    QCOMPARE(rows[0].Columns.at(1), QStringLiteral("Папка"));
    QVERIFY2(rows[0].Columns.at(2).startsWith(today), qPrintable(rows[0].Columns.at(2)));

    header.clear();
    rows.clear();
    OnNextModalDialog([&](QFileDialog* dialog) {
      rowsOf(dialog, header, rows);
      dialog->reject();
    });
    DesktopUserDialogs().AskSaveFileName(nullptr, QStringLiteral("HTMLSaveDialog"),
                                         QStringLiteral("Web-страницы (*.htm *.html)"),
                                         QDir(folder.path()).filePath(QStringLiteral("x.html")));
    QCOMPARE(header, russianHeader);
    QCOMPARE(rows.size(), std::size_t(2));
    for (const TRow& row : rows) {
      if (row.Name != QStringLiteral("087-001-000001.html")) continue;
      QCOMPARE(row.Columns.at(0), QStringLiteral("2,5 КБ"));
      QCOMPARE(row.Columns.at(1), QStringLiteral("Файл HTML"));
      QVERIFY2(row.Columns.at(2).startsWith(today), qPrintable(row.Columns.at(2)));
    }
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
