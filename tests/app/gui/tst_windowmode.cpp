// Starting the program without parameters where no window can be shown.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class TestWindowMode : public QObject {
  Q_OBJECT

 private slots:
  void noDisplayGivesOneLineAndAFailureStatus_data() {
    QTest::addColumn<QString>("display");
    QTest::newRow("no display named") << QString();
    QTest::newRow("display that does not answer") << QStringLiteral(":97");
  }

  void noDisplayGivesOneLineAndAFailureStatus() {
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
};

QTEST_GUILESS_MAIN(TestWindowMode)
#include "tst_windowmode.moc"
