// Stored settings: the nine values, their fallbacks, the first start and an unreadable store.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/gui/qtext.h"
#include "app/gui/settings.h"
#include "guitestsupport.h"

using namespace brisolt;

namespace {

// A choice as the item of its radio group, as the store keeps it: -1 for none.
template <typename TChoice>
int Item(std::optional<TChoice> choice) {
  return choice ? static_cast<int>(*choice) : -1;
}

}  // namespace

class TestSettings : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;

  QSettings Store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                     QStringLiteral("Brisolt"));
  }

  void ClearStore() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                    QStringLiteral("Brisolt"));
    const QString file = store.fileName();
    QFile::remove(file);
    QDir(file).removeRecursively();
  }

 private slots:
  void initTestCase() { testing::UseTemporarySettingsStore(folder_); }
  void init() { ClearStore(); }

  void firstStartLeavesOpenProtocolCleared() {
    TSettings settings;
    settings.FilesPath = "left over";
    LoadSettings(settings);
    QCOMPARE(settings.FilesPath, std::string());
    QCOMPARE(Item(settings.PPPMethod), 0);
    QCOMPARE(Item(settings.SaldoGroup), 0);
    QCOMPARE(Item(settings.ProtFormat), 0);
    QCOMPARE(settings.RegNumb, std::string());
    QCOMPARE(settings.OrgName, std::string());
    // The fresh store has no values at all, so the flag reads false, not its default.
    QCOMPARE(settings.OpenProtocol, false);
    QCOMPARE(settings.SubDirs, false);
    QCOMPARE(settings.CalcCorr, false);
  }

  void roundTripKeepsEveryValue() {
    TSettings saved;
    saved.FilesPath = "/home/клерк/ПФР 2012";
    saved.PPPMethod = TProtForm::Detailed;
    saved.SaldoGroup = TSaldoFilter::Overpayment;
    saved.ProtFormat = TProtFormat::CalcXml;
    saved.RegNumb = Cp1251FromQString(QStringLiteral("087-001-000001,087-001-000002"));
    saved.OrgName = Cp1251FromQString(QStringLiteral("ООО \"Ёлка & Ко\" №1"));
    saved.OpenProtocol = true;
    saved.SubDirs = true;
    saved.CalcCorr = true;
    SaveSettings(saved);

    TSettings loaded;
    LoadSettings(loaded);
    QCOMPARE(loaded.FilesPath, saved.FilesPath);
    QCOMPARE(Item(loaded.PPPMethod), 1);
    QCOMPARE(Item(loaded.SaldoGroup), 3);
    QCOMPARE(Item(loaded.ProtFormat), 2);
    QCOMPARE(loaded.RegNumb, saved.RegNumb);
    QCOMPARE(loaded.OrgName, saved.OrgName);
    QCOMPARE(loaded.OpenProtocol, true);
    QCOMPARE(loaded.SubDirs, true);
    QCOMPARE(loaded.CalcCorr, true);
  }

  void saveWritesItsValuesWithFlagsAsIntegers() {
    TSettings saved;
    saved.OpenProtocol = false;
    saved.SubDirs = true;
    saved.PPPMethod = std::nullopt;
    saved.ProtFormat = TProtFormat::Xlsx;
    SaveSettings(saved);
    QSettings store = Store();
    // The nine choices of the form, then the window's size and the results table's column widths.
    const QStringList expected = {"CalcCorr",     "FilesPath",   "OpenProtocol", "OrgName",
                                  "PPPMethod",    "ProtFormat",  "RegNumb",      "ResultsColumns",
                                  "SaldoGroup",   "SubDirs",     "WindowHeight", "WindowMaximized",
                                  "WindowWidth"};
    QStringList keys = store.allKeys();
    keys.sort();
    QCOMPARE(keys, expected);
    QCOMPARE(store.value("OpenProtocol").toString(), QStringLiteral("0"));
    QCOMPARE(store.value("SubDirs").toString(), QStringLiteral("1"));
    QCOMPARE(store.value("CalcCorr").toString(), QStringLiteral("0"));
    // The choices as the items of their groups, none as -1.
    QCOMPARE(store.value("PPPMethod").toString(), QStringLiteral("-1"));
    QCOMPARE(store.value("ProtFormat").toString(), QStringLiteral("3"));
    QCOMPARE(store.value("SaldoGroup").toString(), QStringLiteral("0"));
  }

  void wrongValuesFallBackOneByOne_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("integer as a word") << "PPPMethod" << QVariant("Наглядная") << QVariant(0);
    QTest::newRow("integer as a list") << "ProtFormat" << QVariant(QStringList{"1", "2"})
                                       << QVariant(0);
    QTest::newRow("integer with a blank") << "SaldoGroup" << QVariant(" 2") << QVariant(0);
    QTest::newRow("integer with a plus") << "SaldoGroup" << QVariant("+2") << QVariant(0);
    QTest::newRow("integer beyond 32 bits") << "SaldoGroup" << QVariant("4294967296")
                                            << QVariant(0);
    QTest::newRow("item above the last reads as the last") << "ProtFormat" << QVariant(7)
                                                           << QVariant(3);
    QTest::newRow("item above the last layout") << "PPPMethod" << QVariant(2) << QVariant(1);
    QTest::newRow("item above the last filter") << "SaldoGroup" << QVariant(4) << QVariant(3);
    QTest::newRow("negative item reads as none") << "PPPMethod" << QVariant(-1) << QVariant(-1);
    QTest::newRow("any negative item is none") << "SaldoGroup" << QVariant(-7) << QVariant(-1);
    QTest::newRow("flag as a word") << "SubDirs" << QVariant("да") << QVariant(false);
    QTest::newRow("flag any non-zero") << "CalcCorr" << QVariant(5) << QVariant(true);
    QTest::newRow("text as a list") << "FilesPath" << QVariant(QStringList{"a", "b"})
                                    << QVariant(QString());
    QTest::newRow("text as a number stays text") << "OrgName" << QVariant("123")
                                                 << QVariant(QStringLiteral("123"));
  }

  void wrongValuesFallBackOneByOne() {
    QFETCH(QString, name);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, expected);
    TSettings good;
    good.FilesPath = "/data";
    good.PPPMethod = TProtForm::Detailed;
    good.SaldoGroup = TSaldoFilter::NonZero;
    good.ProtFormat = TProtFormat::ExcelXml;
    good.RegNumb = "087-001-000001";
    good.OrgName = "Org";
    good.OpenProtocol = true;
    good.SubDirs = true;
    good.CalcCorr = true;
    SaveSettings(good);
    {
      QSettings store = Store();
      store.setValue(name, stored);
    }
    TSettings loaded;
    LoadSettings(loaded);

    // The value under test reads as expected...
    const QMap<QString, QVariant> actual = {
        {"FilesPath", QString::fromStdString(loaded.FilesPath)},
        {"PPPMethod", Item(loaded.PPPMethod)},
        {"SaldoGroup", Item(loaded.SaldoGroup)},
        {"ProtFormat", Item(loaded.ProtFormat)},
        {"RegNumb", QStringFromCp1251(loaded.RegNumb)},
        {"OrgName", QStringFromCp1251(loaded.OrgName)},
        {"OpenProtocol", loaded.OpenProtocol},
        {"SubDirs", loaded.SubDirs},
        {"CalcCorr", loaded.CalcCorr}};
    QCOMPARE(actual.value(name), expected);
    // ...and the others are untouched by it.
    const QMap<QString, QVariant> unchanged = {
        {"FilesPath", QStringLiteral("/data")}, {"PPPMethod", 1}, {"SaldoGroup", 1},
        {"ProtFormat", 1}, {"RegNumb", QStringLiteral("087-001-000001")},
        {"OrgName", QStringLiteral("Org")}, {"OpenProtocol", true}, {"SubDirs", true},
        {"CalcCorr", true}};
    for (auto entry = unchanged.begin(); entry != unchanged.end(); ++entry) {
      if (entry.key() != name) QCOMPARE(actual.value(entry.key()), entry.value());
    }
  }

  void missingValuesReadEmptyZeroOrFalse() {
    {
      QSettings store = Store();
      store.setValue("PPPMethod", 1);
    }
    TSettings loaded;
    LoadSettings(loaded);
    QCOMPARE(Item(loaded.PPPMethod), 1);
    QCOMPARE(Item(loaded.SaldoGroup), 0);
    QCOMPARE(loaded.OpenProtocol, false);
    QCOMPARE(loaded.FilesPath, std::string());
  }

  void unreadableStoreKeepsDefaultsAndWritesNothing() {
    // A folder where the settings file belongs: the store cannot be opened at all.
    const QString file = Store().fileName();
    QVERIFY(QDir().mkpath(file));
    TSettings loaded;
    loaded.SaldoGroup = TSaldoFilter::Overpayment;
    QVERIFY(!LoadSettings(loaded));
    QCOMPARE(loaded.OpenProtocol, true);
    QCOMPARE(Item(loaded.SaldoGroup), 0);
    QCOMPARE(loaded.FilesPath, std::string());

    TSettings changed;
    changed.FilesPath = "/elsewhere";
    SaveSettings(changed);
    QVERIFY(QFileInfo(file).isDir());
  }

  void charactersOutsideTheCodePageBecomeQuestionMarks() {
    {
      QSettings store = Store();
      store.setValue("OrgName", QStringLiteral("Кафе \u263A"));
    }
    TSettings loaded;
    LoadSettings(loaded);
    QCOMPARE(QStringFromCp1251(loaded.OrgName), QStringLiteral("Кафе ?"));
  }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
