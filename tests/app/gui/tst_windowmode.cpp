// Starting the program without parameters: where no window can be shown, and Qt's own texts in
// Russian.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "app/windowmode.h"

class TestWindowMode : public QObject {
  Q_OBJECT

 private slots:
  void noDisplayGivesOneLineAndAFailureStatus_data() {
    QTest::addColumn<QString>("display");
    QTest::newRow("no display named") << QString();
    QTest::newRow("display that does not answer") << QStringLiteral(":97");
  }

  void noDisplayGivesOneLineAndAFailureStatus() {
#ifdef Q_OS_WIN
    QSKIP("Windows always has its display");
#endif
    QFETCH(QString, display);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent"));

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BRISOLT_BINARY), {});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    const QString error = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(error.count(QLatin1Char('\n')), 1);
    QVERIFY2(error.startsWith(QStringLiteral("Не удалось открыть окно программы: нет графического "
                                             "дисплея.")),
             qPrintable(error));
  }

  void qtStandardTextsAreRussian_data() {
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("save dialog title") << "QFileDialog" << "Save As" << "Сохранить как";
    QTest::newRow("save dialog folder") << "QFileDialog" << "Look in:" << "Перейти к:";
    QTest::newRow("overwrite question")
        << "QFileDialog" << "%1 already exists.\nDo you want to replace it?"
        << "%1 уже существует.\nЗаменить его?";
    QTest::newRow("dialog button") << "QPlatformTheme" << "Cancel" << "Отмена";
    QTest::newRow("edit menu") << "QLineEdit" << "&Paste" << "В&ставить";
  }

  void qtStandardTextsAreRussian() {
    QFETCH(QString, context);
    QFETCH(QString, english);
    QFETCH(QString, russian);
    static const bool installed = brisolt::InstallQtTranslation();
    QVERIFY2(installed, "qtbase_ru.qm not found");
    QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(english)), russian);
  }
};

QTEST_GUILESS_MAIN(TestWindowMode)
#include "tst_windowmode.moc"
