// The main window: settings into and out of the controls, the handlers' paths and messages, and
// the run on its worker thread.
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QLayout>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <memory>

#include "app/gui/helpform.h"
#include "app/gui/mainform.h"
#include "app/platform.h"
#include "app/gui/progressform.h"
#include "app/gui/qtext.h"
#include "app/gui/settings.h"
#include "app/verdata.h"
#include "base/encoding.h"
#include "guitestsupport.h"

using namespace brisolt;
using testing::TRecordingDialogs;

namespace {

const char kNoticeFirst[] =
    "Для корректного расчёта папка должна содержать все файлы с индивидуальными сведениями по "
    "формам СЗВ-6-1, СЗВ-6-2, СЗВ-6-4,  переданные одним или несколькими страхователями в ПФР за "
    "период с 1 января 2010 года.";

// A fake engine: lists the insurers it is given and answers runs with a chosen outcome, writing
// a small file when the outcome is Written.
struct TFakeEngine {
  std::vector<std::string> Names;
  std::vector<std::string> RegNumbs;
  TRunResult Result = TRunResult::Written;
  std::string Message;
  std::vector<std::string> ReadFailures;
  std::vector<TRunRequest> Requests;
  std::vector<std::string> ScannedFolders;
  std::function<void(const TProgressEvent&)> DuringRun;
  std::function<void(const TProgressEvent&)> DuringScan;
  // Handed back when the window asks to keep the report of a written run.
  std::shared_ptr<const TReport> KeptReport = std::make_shared<const TReport>();

  TWindowEngine Engine() {
    TWindowEngine engine;
    engine.ScanInsurers = [this](const std::string& folder, bool, std::vector<std::string>& names,
                                 std::vector<std::string>& regNumbs,
                                 const TProgressEvent& progress) {
      ScannedFolders.push_back(folder);
      if (DuringScan) DuringScan(progress);
      names.insert(names.end(), Names.begin(), Names.end());
      regNumbs.insert(regNumbs.end(), RegNumbs.begin(), RegNumbs.end());
    };
    engine.Run = [this](const TRunRequest& request, const TProgressEvent& progress) {
      Requests.push_back(request);
      if (DuringRun) DuringRun(progress);
      if (Result == TRunResult::Written || Result == TRunResult::WrittenIncomplete) {
        QFile file(QString::fromStdString(request.ProtFileName));
        if (!file.open(QIODevice::WriteOnly)) {
          TRunOutcome failed;
          failed.Message = "no file";
          return failed;
        }
        file.write("protocol of " + QByteArray::fromStdString(request.RegNumb));
      }
      TRunOutcome outcome;
      outcome.Result = Result;
      outcome.Message = Message;
      outcome.ReadFailures = ReadFailures;
      outcome.ProtFileName = request.ProtFileName;
      outcome.ProtFormat = request.ProtFormat;
      if (Result != TRunResult::Failed && request.KeepReport) {
        outcome.Report = KeptReport;
        outcome.Stamp = "07.12.2026 12:34:56";
      }
      return outcome;
    };
    return engine;
  }
};

// The three windows as the program makes them, around recording dialogs and a fake engine.
struct TWindows {
  explicit TWindows(TFakeEngine& engine)
      : Main(Dialogs, engine.Engine()), Help(&Main), Progress(&Main) {
    Main.SetCompanions(&Help, &Progress);
  }

  template <typename T>
  T* Find(const char* name) {
    T* control = Main.findChild<T*>(QString::fromLatin1(name));
    if (control == nullptr) qFatal("no control %s", name);
    return control;
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QCheckBox* Check(const char* name) { return Find<QCheckBox>(name); }
  QLabel* Label(const char* name) { return Find<QLabel>(name); }
  QTableWidget* Grid() { return Find<QTableWidget>("Insurers_Grid"); }
  QString ProtocolName() { return Find<QTextEdit>("ProtName_Text")->toPlainText(); }
  QTabWidget* Pages() { return Find<QTabWidget>("PageControl"); }

  // The checked item of a radio group by its position, -1 when none.
  int Selected(const char* groupName) {
    const QList<QRadioButton*> items = Find<QGroupBox>(groupName)->findChildren<QRadioButton*>();
    for (int index = 0; index < items.size(); ++index) {
      if (items[index]->isChecked()) return index;
    }
    return -1;
  }
  void Select(const char* groupName, int index) {
    Find<QGroupBox>(groupName)->findChildren<QRadioButton*>().at(index)->click();
  }

  void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }

  // Processes the given registration numbers as the user would: typed in, then the button.
  void Process(const QString& regNumbs) {
    Edit("RegNumb_Edit")->setText(regNumbs);
    Click("Process_Button");
  }

  TRecordingDialogs Dialogs;
  TMain_Form Main;
  THelp_Form Help;
  TProgress_Form Progress;
};

struct TEngineHolder {
  TFakeEngine Engine;
};

// The windows around their own fake engine, the main window shown: how most tests start.
struct TShownWindows : TEngineHolder, TWindows {
  TShownWindows() : TWindows(Engine) { Main.show(); }
};

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir settingsFolder_;
  QTemporaryDir tempFolder_;

  void ClearSettings() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                    QStringLiteral("Brisolt"));
    store.clear();
    store.sync();
  }

  // In the system's own form, as TEMP holds it (backslashes on Windows).
  QString TempName(const char* name) {
    return QDir::toNativeSeparators(QDir(tempFolder_.path()).filePath(name));
  }

 private slots:
  void initTestCase() {
    testing::UseTemporarySettingsStore(settingsFolder_);
    QVERIFY(tempFolder_.isValid());
    testing::SetTempVariable(QDir::toNativeSeparators(tempFolder_.path()));
  }

  void init() { ClearSettings(); }

  void controlsCarryTheirCaptions() {
    TFakeEngine engine;
    TWindows windows(engine);
    QCOMPARE(windows.Main.windowTitle(),
             QStringLiteral("Программа сверки начислений и уплат в ПФР"));
#ifndef Q_OS_WIN
    // Windows' offscreen platform has no fonts to lay the texts out with (Qt ships none); the
    // window's size there is checked by its picture under Wine's own platform. The window opens
    // at its designed width and grows; its least size fits 1366 x 768 at 125 % with a task bar.
    QCOMPARE(windows.Main.width(), 580);
    QVERIFY2(windows.Main.minimumSize().height() <= 560, qPrintable(QString::number(windows.Main.minimumSize().height())));
    QVERIFY(windows.Main.minimumSize().width() <= 580);
    QCOMPARE(windows.Main.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
#endif
    QCOMPARE(windows.Find<QPushButton>("Process_Button")->text(), QStringLiteral("Обработать"));
    QCOMPARE(windows.Find<QPushButton>("Browse_Button")->text(), QStringLiteral("Обзор"));
    QCOMPARE(windows.Find<QPushButton>("OpenProt_Button")->text(),
             QStringLiteral("Открыть протокол"));
    QCOMPARE(windows.Find<QPushButton>("SaveProt_Button")->text(),
             QStringLiteral("Сохранить как..."));
    QCOMPARE(windows.Find<QPushButton>("ToProcess_Button")->text(), QStringLiteral("Назад"));
    QCOMPARE(windows.Find<QToolButton>("GetList_Button")->toolTip(),
             QStringLiteral("Получить список страхователей"));
    QCOMPARE(windows.Find<QToolButton>("Help_Button")->toolTip(), QStringLiteral("Справка"));
    QCOMPARE(windows.Pages()->tabText(0), QStringLiteral("Параметры"));
    QCOMPARE(windows.Pages()->tabText(1), QStringLiteral("Протокол"));
    QCOMPARE(windows.Find<QGroupBox>("Saldo_Group")->title(),
             QStringLiteral("Выводить работников с сальдо:"));
    QCOMPARE(windows.Label("ProtState_Label")->text(),
             QStringLiteral("Обработка не выполнялась, протокол не сформирован"));
    QCOMPARE(windows.ProtocolName(), QString());
    QCOMPARE(windows.Grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Рег. № в ПФР"));
  }

  void firstStartShowsDefaultsAndVersion() {
    TShownWindows windows;
    QCOMPARE(windows.Edit("Path_Edit")->text(), QString());
    QCOMPARE(windows.Edit("RegNumb_Edit")->text(), QString());
    QCOMPARE(windows.Edit("OrgName_Edit")->text(), QString());
    QCOMPARE(windows.Selected("Layout_Group"), 0);
    QCOMPARE(windows.Selected("Saldo_Group"), 0);
    QCOMPARE(windows.Selected("Format_Group"), 0);
    QVERIFY(!windows.Check("Open_CheckBox")->isChecked());
    QVERIFY(!windows.Check("Subdirs_CheckBox")->isChecked());
    QVERIFY(!windows.Check("CalcCorr_Checkbox")->isChecked());
    QCOMPARE(windows.Label("Version_Label")->text(),
             QStringLiteral("Версия " BRISOLT_TEST_PRODUCT_VERSION " от 26 марта 2013 г."));
    QCOMPARE(windows.Pages()->currentIndex(), 0);
  }

  // A group shown without a selected item runs as its first item and is stored as it is shown.
  void storedRadioItemsAreClampedToTheGroup_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("saldo");
    QTest::addColumn<QString>("extension");
    QTest::newRow("in range") << 1 << 1 << 1 << 1 << ".xml";
    QTest::newRow("above the last selects the last")
        << 7 << (XlsxAvailable() ? 3 : 2) << 1 << 3 << (XlsxAvailable() ? ".xlsx" : ".xml");
    QTest::newRow("below zero selects none") << -3 << -1 << -1 << -1 << ".html";
  }

  void storedRadioItemsAreClampedToTheGroup() {
    QFETCH(int, stored);
    QFETCH(int, format);
    QFETCH(int, layout);
    QFETCH(int, saldo);
    QFETCH(QString, extension);
    {
      QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                      QStringLiteral("Brisolt"));
      store.setValue("ProtFormat", stored);
      store.setValue("PPPMethod", stored);
      store.setValue("SaldoGroup", stored);
    }
    TShownWindows windows;
    QCOMPARE(windows.Selected("Format_Group"), format);
    QCOMPARE(windows.Selected("Layout_Group"), layout);
    QCOMPARE(windows.Selected("Saldo_Group"), saldo);

    windows.Process(QStringLiteral("087-001-000001"));
    QCOMPARE(windows.Engine.Requests.size(), std::size_t(1));
    const TRunRequest& request = windows.Engine.Requests[0];
    QCOMPARE(static_cast<int>(request.ProtFormat), std::max(format, 0));
    QCOMPARE(static_cast<int>(request.ProtForm), std::max(layout, 0));
    QCOMPARE(static_cast<int>(request.SaldoFilter), std::max(saldo, 0));
    QCOMPARE(QString::fromStdString(request.ProtFileName), TempName("087-001-000001") + extension);

    QVERIFY(windows.Main.close());
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                    QStringLiteral("Brisolt"));
    QCOMPARE(store.value("ProtFormat").toInt(), format);
    QCOMPARE(store.value("PPPMethod").toInt(), layout);
    QCOMPARE(store.value("SaldoGroup").toInt(), saldo);
  }

  void closingStoresTheControlsAndShowingRestoresThem() {
    TFakeEngine engine;
    {
      TWindows windows(engine);
      windows.Main.show();
      windows.Edit("Path_Edit")->setText(QStringLiteral("/данные/ПФР"));
      windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
      windows.Edit("OrgName_Edit")->setText(QStringLiteral("ООО \"Ромашка\""));
      windows.Select("Saldo_Group", 2);
      windows.Select("Format_Group", 1);
      windows.Select("Layout_Group", 1);
      windows.Check("Open_CheckBox")->setChecked(true);
      windows.Check("Subdirs_CheckBox")->setChecked(true);
      windows.Check("CalcCorr_Checkbox")->setChecked(true);
      QVERIFY(windows.Main.close());
    }
    TSettings stored;
    LoadSettings(stored);
    QCOMPARE(stored.FilesPath, std::string("/данные/ПФР"));
    QCOMPARE(QStringFromCp1251(stored.OrgName), QStringLiteral("ООО \"Ромашка\""));
    QVERIFY(stored.SaldoGroup == TSaldoFilter::Debt);
    QVERIFY(stored.ProtFormat == TProtFormat::ExcelXml);
    QVERIFY(stored.PPPMethod == TProtForm::Detailed);
    QVERIFY(stored.OpenProtocol && stored.SubDirs && stored.CalcCorr);

    TWindows again(engine);
    again.Main.show();
    QCOMPARE(again.Edit("Path_Edit")->text(), QStringLiteral("/данные/ПФР"));
    QCOMPARE(again.Edit("RegNumb_Edit")->text(), QStringLiteral("087-001-000001"));
    QCOMPARE(again.Selected("Saldo_Group"), 2);
    QCOMPARE(again.Selected("Format_Group"), 1);
    QCOMPARE(again.Selected("Layout_Group"), 1);
    QVERIFY(again.Check("Open_CheckBox")->isChecked());
  }

  void theWindowsSizeAndTheResultsColumnsAreRemembered() {
    TFakeEngine engine;
    std::vector<int> widths;
    QSize wanted;
    {
      TWindows windows(engine);
      windows.Main.show();
      // A size above the least the controls need, which depends on the system's fonts.
      wanted = windows.Main.minimumSize().expandedTo(QSize(700, 560)) + QSize(17, 13);
      windows.Main.resize(wanted);
      auto* grid = windows.Find<QTableView>("Results_Grid");
      grid->setColumnWidth(0, 123);
      grid->setColumnWidth(1, 234);
      for (int column = 0; column + 1 < grid->model()->columnCount(); ++column) widths.push_back(grid->columnWidth(column));
      QVERIFY(windows.Main.close());
    }
    TSettings stored;
    LoadSettings(stored);
    QCOMPARE(stored.WindowWidth, wanted.width());
    QCOMPARE(stored.WindowHeight, wanted.height());
    QVERIFY(!stored.WindowMaximized);
    QVERIFY(stored.ResultsColumns == widths);
    TWindows again(engine);
    again.Main.show();
    // Back at its size, as far as the screen has room for it.
    const QSize room = again.Main.screen()->availableGeometry().size();
    QCOMPARE(again.Main.size(), wanted.boundedTo(room).expandedTo(again.Main.minimumSize()));
    QCOMPARE(again.Find<QTableView>("Results_Grid")->columnWidth(1), 234);
  }

  void aBrokenSettingsFileSurvivesAStartAndAClose_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("section header without its bracket")
        << QByteArray("[General\nFilesPath=/data/pfr\nSaldoGroup=2\nOpenProtocol=0\n");
    QTest::newRow("a later section header without its bracket")
        << QByteArray("[General]\nFilesPath=/data/pfr\nSaldoGroup=2\n[Notes\nOpenProtocol=0\n");
  }

  void aBrokenSettingsFileSurvivesAStartAndAClose() {
    QFETCH(QByteArray, content);
    const QString fileName =
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                  QStringLiteral("Brisolt"))
            .fileName();
    QVERIFY(QDir().mkpath(QFileInfo(fileName).path()));
    {
      QFile file(fileName);
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(content);
    }
    TFakeEngine engine;
    {
      TWindows windows(engine);
      windows.Main.show();
      // The defaults of an unreadable store: nothing half-read from the broken file.
      QCOMPARE(windows.Edit("Path_Edit")->text(), QString());
      QCOMPARE(windows.Selected("Saldo_Group"), 0);
      QVERIFY(windows.Check("Open_CheckBox")->isChecked());
      windows.Edit("Path_Edit")->setText(QStringLiteral("/elsewhere"));
      QVERIFY(windows.Main.close());
    }
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
  }

  void everyTextFitsItsControl_data() {
    QTest::addColumn<qreal>("fontScale");
    QTest::newRow("default font") << 1.0;
    // What a clerk with 125 % scaling and a wider system font may see.
    QTest::newRow("a quarter larger font") << 1.25;
  }

  void everyTextFitsItsControl() {
    QFETCH(qreal, fontScale);
    const QFont defaultFont = QApplication::font();
    QFont font = defaultFont;
    font.setPointSizeF(font.pointSizeF() * fontScale);
    QApplication::setFont(font);
    TShownWindows windows;
    // A protocol name without a blank to wrap at: several registration numbers.
    windows.Edit("RegNumb_Edit")
        ->setText(QStringLiteral("087-001-000001,087-001-000002,087-001-000003,087-001-000004,"
                                 "087-001-000005,087-001-000006,087-001-000007"));
    windows.Click("Process_Button");

    QStringList cut;
    const auto check = [&cut](QWidget* control, const QString& text, QSize needed,
                              QSize room = QSize()) {
      if (text.isEmpty() || !control->isVisible()) return;
      if (!room.isValid()) room = control->size();
      if (needed.width() > room.width() || needed.height() > room.height()) {
        cut << QStringLiteral("%1 \"%2\": needs %3x%4, has %5x%6")
                   .arg(control->objectName(), text)
                   .arg(needed.width())
                   .arg(needed.height())
                   .arg(room.width())
                   .arg(room.height());
      }
    };
    for (int page = 0; page < windows.Pages()->count(); ++page) {
      windows.Pages()->setCurrentIndex(page);
      QApplication::processEvents();
      for (QLabel* label : windows.Main.findChildren<QLabel*>()) {
        const QSize needed = label->wordWrap()
                                 ? QSize(0, label->heightForWidth(label->width()))
                                 : label->minimumSizeHint();
        check(label, label->text(), needed);
      }
      // A button's text is cut when the button is narrower than its wish or lower than a line.
      for (QAbstractButton* button : windows.Main.findChildren<QAbstractButton*>()) {
        check(button, button->text(),
              QSize(button->sizeHint().width(), button->fontMetrics().height()));
      }
      for (QGroupBox* group : windows.Main.findChildren<QGroupBox*>()) {
        check(group, group->title(), QSize(group->minimumSizeHint().width(), 0));
      }
      for (QTextEdit* edit : windows.Main.findChildren<QTextEdit*>()) {
        check(edit, edit->toPlainText(), edit->document()->size().toSize(),
              edit->viewport()->size());
      }
    }
    QApplication::setFont(defaultFont);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
  }

  void theResultsTableTakesTheRoomOfTheFolderAndTheInsurerList() {
    TShownWindows windows;
    windows.Main.resize(1366, 728);
    QApplication::processEvents();
    auto* folder = windows.Find<QWidget>("Folder_Panel");
    auto* insurers = windows.Find<QWidget>("Insurers_Grid");
    QVERIFY(folder->isVisible());
    const int pages = windows.Pages()->height();
    windows.Pages()->setCurrentIndex(2);
    QApplication::processEvents();
    QVERIFY(!folder->isVisible());
    QVERIFY(!insurers->isVisible());
    const int spacing = windows.Main.layout()->spacing();
    QCOMPARE(windows.Pages()->height(), pages + folder->height() + spacing +
                                            windows.Find<QWidget>("Insurers_Panel")->height() + spacing);
    windows.Pages()->setCurrentIndex(1);
    QApplication::processEvents();
    QVERIFY(insurers->isVisible());
    QCOMPARE(windows.Pages()->height(), pages);
  }

  // Maximised on a 1366 x 768 screen with a 40-point task bar and a 30-point title bar, the
  // results table shows at least 25 whole rows, and every column its whole heading.
  void theResultsTableShowsAScreenfulOfRowsMaximisedAt1366() {
#ifdef Q_OS_WIN
    QSKIP("Windows' offscreen platform has no fonts to lay the texts out with");
#endif
    TShownWindows windows;
    windows.Main.resize(1366, 768 - 40 - 30);
    windows.Pages()->setCurrentIndex(2);
    QApplication::processEvents();
    auto* grid = windows.Find<QTableView>("Results_Grid");
    const int rowHeight = grid->verticalHeader()->defaultSectionSize();
    const int rows = grid->viewport()->height() / rowHeight;
    qInfo("%d rows of %d points in %d points", rows, rowHeight, grid->viewport()->height());
    QVERIFY2(rows >= 25, qPrintable(QString::number(rows)));
    // The rows are no lower than the text and its margins need.
    QVERIFY(rowHeight >= grid->fontMetrics().height() + 4);
    QHeaderView* header = grid->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
      const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
      // The heading's text, its margins and the sort mark.
      QVERIFY2(header->sectionSize(column) >= header->sectionSizeHint(column), qPrintable(title));
    }
    // What to do has the most room: some 60 characters.
    QVERIFY(header->sectionSize(header->count() - 1) >= 60 * grid->fontMetrics().averageCharWidth());
  }

  void noticeChangesWithTheFirstPageChange() {
    TShownWindows windows;
    QCOMPARE(windows.Label("Notice_Label")->text(), QString::fromUtf8(kNoticeFirst));

    windows.Pages()->setCurrentIndex(1);
    QCOMPARE(windows.Label("Notice_Label")->text(),
             QStringLiteral("Для смены каталога перейдите на вкладку \"Параметры\"."));
    for (const char* name : {"Path_Edit", "Subdirs_CheckBox", "Browse_Button", "GetList_Button"}) {
      QVERIFY2(!windows.Find<QWidget>(name)->isEnabled(), name);
    }

    windows.Click("ToProcess_Button");
    QCOMPARE(windows.Pages()->currentIndex(), 0);
    QCOMPARE(windows.Label("Notice_Label")->text(), QString::fromUtf8(kNoticeFirst));
    for (const char* name : {"Path_Edit", "Subdirs_CheckBox", "Browse_Button", "GetList_Button"}) {
      QVERIFY2(windows.Find<QWidget>(name)->isEnabled(), name);
    }
  }

  void browseKeepsTheFolderWhenCancelled() {
    TFakeEngine engine;
    TWindows windows(engine);
    windows.Edit("Path_Edit")->setText(QStringLiteral("/old"));
    windows.Click("Browse_Button");
    QCOMPARE(windows.Dialogs.BrowseInitialFolders, std::vector<QString>{"/old"});
    QCOMPARE(windows.Edit("Path_Edit")->text(), QStringLiteral("/old"));

    windows.Dialogs.FolderAnswer = QStringLiteral("/new");
    windows.Click("Browse_Button");
    QCOMPARE(windows.Edit("Path_Edit")->text(), QStringLiteral("/new"));
  }

  void listButtonWithoutInsurersKeepsTheGridAndTheFields() {
    TFakeEngine engine;
    TWindows windows(engine);
    windows.Edit("Path_Edit")->setText(QStringLiteral("/packs"));
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000009"));
    windows.Click("GetList_Button");
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text,
             QStringLiteral("Файлов с инд. сведениями не обнаружено."));
    QCOMPARE(windows.Dialogs.Messages[0].Caption, QStringLiteral("Ошибка"));
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Error);
    QCOMPARE(engine.ScannedFolders,
             std::vector<std::string>{"/packs" + std::string(1, platform::PathSeparator())});
    QCOMPARE(windows.Grid()->rowCount(), 1);
    // The empty row of the unfilled grid must not wipe a number typed by hand.
    QCOMPARE(windows.Edit("RegNumb_Edit")->text(), QStringLiteral("087-001-000009"));
  }

  void listButtonFillsTheGridAndTakesTheFirstInsurer() {
    TFakeEngine engine;
    engine.RegNumbs = {"087-001-000001", "087-001-000002"};
    engine.Names = {Cp1251FromQString(QStringLiteral("ООО \"Первая\"")),
                    Cp1251FromQString(QStringLiteral("ЗАО Вторая"))};
    TWindows windows(engine);
    windows.Click("GetList_Button");
    QVERIFY(windows.Dialogs.Messages.empty());
    QTableWidget* grid = windows.Grid();
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("087-001-000002"));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("ЗАО Вторая"));
    QCOMPARE(windows.Edit("RegNumb_Edit")->text(), QStringLiteral("087-001-000001"));
    QCOMPARE(windows.Edit("OrgName_Edit")->text(), QStringLiteral("ООО \"Первая\""));

    const QRect second = grid->visualItemRect(grid->item(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(windows.Edit("RegNumb_Edit")->text(), QStringLiteral("087-001-000002"));
    QCOMPARE(windows.Edit("OrgName_Edit")->text(), QStringLiteral("ЗАО Вторая"));
  }

  void doubleClicksOnTheGrid_data() {
    QTest::addColumn<bool>("filled");
    QTest::addColumn<bool>("onHeader");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("runs");
    QTest::newRow("header") << true << true << QStringLiteral("Выберите страхователя")
                            << QStringLiteral("Информация") << 0;
    QTest::newRow("row of a grid never filled")
        << false << false << QStringLiteral("Список страхователей пуст.")
        << QStringLiteral("Ошибка") << 0;
    QTest::newRow("row of an insurer") << true << false << QString() << QString() << 1;
  }

  void doubleClicksOnTheGrid() {
    QFETCH(bool, filled);
    QFETCH(bool, onHeader);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(int, runs);
    TFakeEngine engine;
    engine.RegNumbs = {"087-001-000001"};
    engine.Names = {"Org"};
    TWindows windows(engine);
    windows.Main.show();
    if (filled) windows.Click("GetList_Button");
    QTableWidget* grid = windows.Grid();
    if (onHeader) {
      QHeaderView* header = grid->horizontalHeader();
      const QPoint point(header->sectionViewportPosition(0) + 5, header->height() / 2);
      QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, point);
    } else {
      const QPoint point = grid->visualRect(grid->model()->index(0, 0)).center();
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, point);
    }
    QCOMPARE(static_cast<int>(engine.Requests.size()), runs);
    if (text.isEmpty()) {
      QVERIFY(windows.Dialogs.Messages.empty());
      QCOMPARE(engine.Requests[0].RegNumb, std::string("087-001-000001"));
      return;
    }
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text, text);
    QCOMPARE(windows.Dialogs.Messages[0].Caption, caption);
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Information);
  }

  void processWithoutRegistrationNumberStartsNothing() {
    TShownWindows windows;
    TFakeEngine& engine = windows.Engine;
    windows.Click("Process_Button");
    QVERIFY(engine.Requests.empty());
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text, QStringLiteral("Не указан рег. № страхователя."));
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Error);
    QCOMPARE(windows.Pages()->currentIndex(), 0);
  }

  void processPassesTheControlsToTheRun() {
    TShownWindows windows;
    TFakeEngine& engine = windows.Engine;
    windows.Edit("Path_Edit")->setText(QStringLiteral("/пачки"));
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001, 087-001-000002"));
    windows.Edit("OrgName_Edit")->setText(QStringLiteral("Ёж"));
    windows.Check("Subdirs_CheckBox")->setChecked(true);
    windows.Check("CalcCorr_Checkbox")->setChecked(true);
    windows.Select("Saldo_Group", 3);
    windows.Select("Layout_Group", 1);
    windows.Select("Format_Group", 2);
    windows.Click("Process_Button");
    QCOMPARE(engine.Requests.size(), std::size_t(1));
    const TRunRequest& request = engine.Requests[0];
    QCOMPARE(request.Path, std::string("/пачки"));
    QVERIFY(request.SubDirs);
    QVERIFY(request.CalcCorr);
    QCOMPARE(request.RegNumb, std::string("087-001-000001, 087-001-000002"));
    QCOMPARE(QStringFromCp1251(request.OrgName), QStringLiteral("Ёж"));
    QVERIFY(request.SaldoFilter == TSaldoFilter::Overpayment);
    QVERIFY(request.ProtForm == TProtForm::Detailed);
    QVERIFY(request.ProtFormat == TProtFormat::CalcXml);
    QCOMPARE(QStringFromCp1251(request.VersionText), windows.Label("Version_Label")->text());
    QVERIFY(request.WindowWording);
    QCOMPARE(QString::fromStdString(request.ProtFileName),
             TempName("087-001-000001, 087-001-000002.xml"));
  }

  void writtenHtmlProtocolIsShownAndOpened() {
    TShownWindows windows;
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    windows.Check("Open_CheckBox")->setChecked(true);
    windows.Click("Process_Button");
    const QString expected = TempName("087-001-000001.html");
    QVERIFY(windows.Dialogs.Messages.empty());
    QCOMPARE(windows.ProtocolName(), expected);
    QCOMPARE(windows.Label("ProtState_Label")->text(),
             QStringLiteral("Сформирован протокол с именем"));
    QCOMPARE(windows.Pages()->currentIndex(), 1);
    QCOMPARE(windows.Label("Notice_Label")->text(),
             QStringLiteral("Для смены каталога перейдите на вкладку \"Параметры\"."));
    QCOMPARE(windows.Dialogs.Opened, std::vector<std::string>{expected.toStdString()});
    QVERIFY(windows.Dialogs.Started.empty());
    QVERIFY(!windows.Progress.isVisible());
  }

  void spreadsheetProtocolStartsTheChosenProgram_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("program");
    QTest::newRow("Excel") << 1 << QStringLiteral("excel.exe");
    QTest::newRow("OpenOffice Calc") << 2 << QStringLiteral("scalc.exe");
  }

  void spreadsheetProtocolStartsTheChosenProgram() {
    QFETCH(int, format);
    QFETCH(QString, program);
    TShownWindows windows;
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    windows.Check("Open_CheckBox")->setChecked(true);
    windows.Select("Format_Group", format);
    windows.Click("Process_Button");
    const std::string file = TempName("087-001-000001.xml").toStdString();
    QCOMPARE(windows.Dialogs.Started.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(windows.Dialogs.Started[0].first), program);
    QCOMPARE(windows.Dialogs.Started[0].second, file);
    QVERIFY(windows.Dialogs.Opened.empty());
  }

  void uncheckedOpenStartsNothing() {
    TShownWindows windows;
    windows.Process(QStringLiteral("087-001-000001"));
    QVERIFY(windows.Dialogs.Opened.empty());
    QVERIFY(windows.Dialogs.Started.empty());
  }

  void failedRunsKeepThePreviousProtocol_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::newRow("no persons")
        << int(TRunResult::NoPersons) << 0
        << QStringLiteral("Не удалось извлечь сведения о сотрудниках.") << QStringLiteral("Ошибка");
    QTest::newRow("spreadsheet not written")
        << int(TRunResult::ProtocolNotWritten) << 1 << QStringLiteral("disk full")
        << QStringLiteral("Ошибка");
    QTest::newRow("page not written") << int(TRunResult::ProtocolNotWritten) << 0
                                      << QStringLiteral("disk full") << QStringLiteral("Brisolt");
    QTest::newRow("spreadsheet too large") << int(TRunResult::ProtocolTooLarge) << 1
                                           << QStringLiteral("disk full") << QStringLiteral("Ошибка");
    QTest::newRow("unreadable date") << int(TRunResult::Failed) << 0
                                     << QStringLiteral("disk full") << QStringLiteral("Brisolt");
  }

  void failedRunsKeepThePreviousProtocol() {
    QFETCH(int, result);
    QFETCH(int, format);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    TShownWindows windows;
    TFakeEngine& engine = windows.Engine;
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    windows.Select("Format_Group", format);
    windows.Click("Process_Button");
    const QString first = windows.ProtocolName();
    QVERIFY(!first.isEmpty());

    engine.Result = static_cast<TRunResult>(result);
    engine.Message = "disk full";
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000002"));
    windows.Pages()->setCurrentIndex(0);
    windows.Click("Process_Button");
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text, text);
    QCOMPARE(windows.Dialogs.Messages[0].Caption, caption);
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Error);
    QCOMPARE(windows.ProtocolName(), first);
    QCOMPARE(windows.Pages()->currentIndex(), 1);
    QVERIFY(!windows.Progress.isVisible());
    QVERIFY(!windows.Main.IsRunning());
  }

  void filesThatCouldNotBeReadAreShownAfterTheRun() {
    TFakeEngine engine;
    engine.Result = TRunResult::WrittenIncomplete;
    engine.ReadFailures = {"Не удалось прочитать файл /a/PFR-1.xml: Permission denied",
                           "Не удалось прочитать папку /a/sub: Permission denied"};
    TWindows windows(engine);
    windows.Main.show();
    windows.Process(QStringLiteral("087-001-000001"));
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text,
             QStringLiteral("Не удалось прочитать файл /a/PFR-1.xml: Permission denied\n"
                            "Не удалось прочитать папку /a/sub: Permission denied"));
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Error);
    QVERIFY(!windows.ProtocolName().isEmpty());
    QVERIFY(!windows.Progress.isVisible());
  }

  void failedFirstRunShowsTheProtocolPageWithoutAProtocol() {
    TFakeEngine engine;
    engine.Result = TRunResult::NoPersons;
    TWindows windows(engine);
    windows.Main.show();
    windows.Process(QStringLiteral("999-999-99999"));
    QCOMPARE(windows.Pages()->currentIndex(), 1);
    QCOMPARE(windows.Label("ProtState_Label")->text(),
             QStringLiteral("Обработка не выполнялась, протокол не сформирован"));
    QCOMPARE(windows.ProtocolName(), QString());
  }

  void aTypedNumberCannotSendTheProtocolElsewhere() {
    TFakeEngine engine;
    engine.Result = TRunResult::NoPersons;
    TWindows windows(engine);
    windows.Main.show();
    windows.Process(QStringLiteral("087-001-000001,../../x"));
    const QString name = QString::fromStdString(engine.Requests.at(0).ProtFileName);
    QCOMPARE(QFileInfo(name).absolutePath(), QFileInfo(tempFolder_.path()).absoluteFilePath());
    QCOMPARE(QFileInfo(name).fileName(), QStringLiteral("087-001-000001,.._.._x.html"));
  }

  void openButtonFollowsTheFormatChosenNow_data() {
    QTest::addColumn<int>("runFormat");
    QTest::addColumn<int>("chosenFormat");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("started");
    QTest::addColumn<QString>("message");
    QTest::newRow("html page") << 0 << 1 << QStringLiteral(".html") << QString() << QString();
    QTest::newRow("excel run then html chosen")
        << 1 << 0 << QString() << QString()
        << QStringLiteral("Пожалуйста, укажите на вкладке \"Параметры\" формат вывода для "
                          "открытия протокола нужной программой.");
    QTest::newRow("excel run then calc chosen") << 1 << 2 << QString()
                                                << QStringLiteral("scalc.exe") << QString();
    QTest::newRow("calc run then excel chosen") << 2 << 1 << QString()
                                                << QStringLiteral("excel.exe") << QString();
    // A workbook written instead of a large page opens in its program though HTML is chosen.
    if (XlsxAvailable()) {
      QTest::newRow("xlsx run then html chosen") << 3 << 0 << QString()
                                                 << QStringLiteral("excel.exe") << QString();
    }
  }

  void openButtonFollowsTheFormatChosenNow() {
    QFETCH(int, runFormat);
    QFETCH(int, chosenFormat);
    QFETCH(QString, opened);
    QFETCH(QString, started);
    QFETCH(QString, message);
    TShownWindows windows;
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    windows.Select("Format_Group", runFormat);
    windows.Click("Process_Button");
    windows.Select("Format_Group", chosenFormat);
    windows.Click("OpenProt_Button");
    const QString file = windows.ProtocolName();
    if (!opened.isEmpty()) {
      QCOMPARE(windows.Dialogs.Opened, std::vector<std::string>{file.toStdString()});
      QVERIFY(file.endsWith(opened));
    } else {
      QVERIFY(windows.Dialogs.Opened.empty());
    }
    if (!started.isEmpty()) {
      QCOMPARE(windows.Dialogs.Started.size(), std::size_t(1));
      QCOMPARE(QString::fromStdString(windows.Dialogs.Started[0].first), started);
      QCOMPARE(QString::fromStdString(windows.Dialogs.Started[0].second), file);
    } else {
      QVERIFY(windows.Dialogs.Started.empty());
    }
    if (!message.isEmpty()) {
      QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
      QCOMPARE(windows.Dialogs.Messages[0].Text, message);
      QCOMPARE(windows.Dialogs.Messages[0].Caption, QStringLiteral("Brisolt"));
      QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Information);
    } else {
      QVERIFY(windows.Dialogs.Messages.empty());
    }
  }

  void openAndSaveBeforeAnyProtocol_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("open") << QStringLiteral("OpenProt_Button") << QStringLiteral("Нечего открывать.");
    QTest::newRow("save") << QStringLiteral("SaveProt_Button") << QStringLiteral("Нечего сохранять.");
  }

  void openAndSaveBeforeAnyProtocol() {
    QFETCH(QString, button);
    QFETCH(QString, text);
    TShownWindows windows;
    windows.Pages()->setCurrentIndex(1);
    windows.Click(button.toLatin1().constData());
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text, text);
    QCOMPARE(windows.Dialogs.Messages[0].Caption, QStringLiteral("Ошибка"));
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Error);
    QVERIFY(windows.Dialogs.SaveQuestions.empty());
    QVERIFY(windows.Dialogs.Opened.empty());
  }

  void saveAsOffersTheFilterOfTheProtocolAndCopiesIt_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("filter");
    QTest::newRow("html") << 0 << QStringLiteral("HTMLSaveDialog")
                          << QStringLiteral("Web-страницы (*.htm *.html)");
    QTest::newRow("spreadsheet")
        << 1 << QStringLiteral("XMLSaveDialog")
        << (XlsxAvailable()
                ? QStringLiteral("XML-файлы Excel/OpenOffice (*.xml);;Книги Excel (*.xlsx)")
                : QStringLiteral("XML-файлы Excel/OpenOffice (*.xml)"));
  }

  void saveAsOffersTheFilterOfTheProtocolAndCopiesIt() {
    QFETCH(int, format);
    QFETCH(QString, dialog);
    QFETCH(QString, filter);
    TShownWindows windows;
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    windows.Select("Format_Group", format);
    windows.Click("Process_Button");
    const QString protocol = windows.ProtocolName();

    // Cancelled: nothing copied.
    windows.Click("SaveProt_Button");
    QCOMPARE(windows.Dialogs.SaveQuestions.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.SaveQuestions[0].DialogName, dialog);
    QCOMPARE(windows.Dialogs.SaveQuestions[0].Filter, filter);
    QCOMPARE(windows.Dialogs.SaveQuestions[0].FileName, protocol);

    // Confirmed over an existing file: replaced by the protocol.
    QTemporaryDir target;
    const QString copy = QDir(target.path()).filePath(QStringLiteral("копия"));
    {
      QFile old(copy);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("an older and much longer file that must be replaced entirely");
    }
    windows.Dialogs.SaveAnswer = copy;
    windows.Click("SaveProt_Button");
    QFile copied(copy);
    QVERIFY(copied.open(QIODevice::ReadOnly));
    QCOMPARE(copied.readAll(), QByteArray("protocol of 087-001-000001"));
    QVERIFY(windows.Dialogs.Messages.empty());
  }

  // An .xlsx name chosen for a spreadsheet protocol gets the workbook of the report the run kept,
  // not a copy of the XML file. The page's report is not kept at all.
  void saveAsXlsxWritesTheWorkbookOfTheShownProtocol() {
    if (!XlsxAvailable()) QSKIP("this build writes no XLSX");
    TFakeEngine engine;
    TWindows windows(engine);
    windows.Main.show();
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    windows.Click("Process_Button");
    QVERIFY(!engine.Requests.back().KeepReport);
    windows.Pages()->setCurrentIndex(0);
    windows.Select("Format_Group", 2);
    windows.Click("Process_Button");
    QVERIFY(engine.Requests.back().KeepReport);

    QTemporaryDir target;
    const QString workbook = QDir(target.path()).filePath(QStringLiteral("копия.XLSX"));
    windows.Dialogs.SaveAnswer = workbook;
    windows.Click("SaveProt_Button");
    QVERIFY(windows.Dialogs.Messages.empty());
    QFile written(workbook);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.read(2), QByteArray("PK"));

    windows.Dialogs.SaveAnswer = QDir(target.path()).filePath(QStringLiteral("нет/копия.xlsx"));
    windows.Click("SaveProt_Button");
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QVERIFY(windows.Dialogs.Messages[0].Text.startsWith(
        QStringLiteral("Не удалось сохранить протокол в файл ")));
  }

  void aFailedCopyIsReported() {
    TShownWindows windows;
    windows.Process(QStringLiteral("087-001-000001"));
    windows.Dialogs.SaveAnswer = QDir(tempFolder_.path()).filePath("no/such/folder/copy.html");
    windows.Click("SaveProt_Button");
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QVERIFY(windows.Dialogs.Messages[0].Text.startsWith(
        QStringLiteral("Не удалось сохранить протокол в файл ")));
    QCOMPARE(windows.Dialogs.Messages[0].Icon, TMessageIcon::Error);
  }

  void runKeepsTheWindowAliveAndFeedsTheProgressWindow() {
    TFakeEngine engine;
    std::atomic<bool> released{false};
    std::atomic<bool> sawProgressWindow{false};
    TWindows* shown = nullptr;
    engine.DuringRun = [&](const TProgressEvent& progress) {
      progress("Чтение файлов", "PFR-700-Y-2011-ORG-1.xml", 1, 2);
      // The window thread must still run its timers while the run works.
      for (int wait = 0; wait < 1000 && !released; ++wait) QThread::msleep(5);
      progress("Создание протокола...", "Подождите...", 2, 2);
    };
    TWindows windows(engine);
    shown = &windows;
    windows.Main.show();
    windows.Edit("RegNumb_Edit")->setText(QStringLiteral("087-001-000001"));
    QTimer::singleShot(20, [&] {
      sawProgressWindow = shown->Progress.isVisible() && shown->Main.IsRunning() &&
                          QApplication::activeModalWidget() == &shown->Progress;
      // Clicks during the run go nowhere, now or later.
      shown->Click("Process_Button");
      shown->Click("GetList_Button");
      QTest::keyClicks(shown->Edit("OrgName_Edit"), QStringLiteral("typed"));
      released = true;
    });
    windows.Click("Process_Button");
    QVERIFY(released);
    QVERIFY(sawProgressWindow);
    QCoreApplication::processEvents();
    QCOMPARE(engine.Requests.size(), std::size_t(1));
    QVERIFY(engine.ScannedFolders.empty());
    QCOMPARE(windows.Edit("OrgName_Edit")->text(), QString());
    QCOMPARE(windows.Progress.State_Label->text(), QStringLiteral("Создание протокола..."));
    QCOMPARE(windows.Progress.ProgressBar->value(), 2);
    QVERIFY(!windows.Progress.isVisible());
    QCOMPARE(windows.Label("ProtState_Label")->text(),
             QStringLiteral("Сформирован протокол с именем"));
  }

  void aFailingScanIsShownAndTheGridKept() {
    TFakeEngine engine;
    TWindows windows(engine);
    TWindowEngine failing = engine.Engine();
    failing.ScanInsurers = [](const std::string&, bool, std::vector<std::string>&,
                              std::vector<std::string>&, const TProgressEvent&) {
      throw std::runtime_error("Пачки/PFR.xml: ''31.02.2011'' is not a valid date");
    };
    TMain_Form main(windows.Dialogs, failing);
    QTest::mouseClick(main.findChild<QToolButton*>("GetList_Button"), Qt::LeftButton);
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text,
             QStringLiteral("Пачки/PFR.xml: ''31.02.2011'' is not a valid date"));
    QCOMPARE(main.findChild<QTableWidget*>("Insurers_Grid")->rowCount(), 1);
    QVERIFY(!main.IsRunning());
  }

  void anExceptionInTheRunIsShownAndTheWindowRecovers() {
    TFakeEngine engine;
    engine.DuringRun = [](const TProgressEvent&) {
      throw std::runtime_error("PFR-700-Y-2011.xml: ''31.02.2011'' is not a valid date");
    };
    TWindows windows(engine);
    windows.Main.show();
    windows.Process(QStringLiteral("087-001-000001"));
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(windows.Dialogs.Messages[0].Text,
             QStringLiteral("PFR-700-Y-2011.xml: ''31.02.2011'' is not a valid date"));
    QVERIFY(!windows.Main.IsRunning());
    QVERIFY(!windows.Progress.isVisible());
  }

  // The XLSX workbook is a choice of its own: asked for by the file's name as on the command line,
  // opened by the spreadsheet program, saved as a copy, and remembered.
  void xlsxChoiceWritesTheWorkbookDirectly() {
    if (!XlsxAvailable()) QSKIP("this build writes no XLSX");
    TFakeEngine engine;
    {
      TWindows windows(engine);
      windows.Main.show();
      QCOMPARE(windows.Find<QGroupBox>("Format_Group")->findChildren<QRadioButton*>().at(3)->text(),
               QStringLiteral("Книга Excel (XLSX)"));
      windows.Select("Format_Group", 3);
      windows.Check("Open_CheckBox")->setChecked(true);
      windows.Process(QStringLiteral("087-001-000001"));
      const TRunRequest& request = engine.Requests.at(0);
      const QString file = TempName("087-001-000001.xlsx");
      QCOMPARE(QString::fromStdString(request.ProtFileName), file);
      QCOMPARE(ProtocolType(request.ProtFormat, request.ProtFileName), TProtocolType::Xlsx);
      QVERIFY(!request.KeepReport);
      QCOMPARE(windows.ProtocolName(), file);
      QCOMPARE(windows.Dialogs.Started.size(), std::size_t(1));
      QCOMPARE(windows.Dialogs.Started[0].first, std::string("excel.exe"));
      QCOMPARE(QString::fromStdString(windows.Dialogs.Started[0].second), file);

      QTemporaryDir target;
      const QString copy = QDir(target.path()).filePath(QStringLiteral("копия.xlsx"));
      windows.Dialogs.SaveAnswer = copy;
      windows.Click("SaveProt_Button");
      QCOMPARE(windows.Dialogs.SaveQuestions.size(), std::size_t(1));
      QCOMPARE(windows.Dialogs.SaveQuestions[0].DialogName, QStringLiteral("XLSXSaveDialog"));
      QCOMPARE(windows.Dialogs.SaveQuestions[0].Filter, QStringLiteral("Книги Excel (*.xlsx)"));
      QFile copied(copy);
      QVERIFY(copied.open(QIODevice::ReadOnly));
      QCOMPARE(copied.readAll(), QByteArray("protocol of 087-001-000001"));
      QVERIFY(windows.Main.close());
    }
    TSettings stored;
    LoadSettings(stored);
    QVERIFY(stored.ProtFormat == TProtFormat::Xlsx);
    TWindows again(engine);
    again.Main.show();
    QCOMPARE(again.Selected("Format_Group"), 3);
  }

  void typedNumberTakesTheNameAlong_data() {
    QTest::addColumn<bool>("fromList");
    QTest::addColumn<bool>("nameTyped");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::newRow("another number clears the listed insurer's name")
        << true << false << QStringLiteral("087-001-000009") << QString();
    QTest::newRow("a listed number brings its name")
        << true << false << QStringLiteral("087-001-000002") << QStringLiteral("ЗАО Вторая");
    QTest::newRow("the last session's name goes too")
        << false << false << QStringLiteral("087-001-000009") << QString();
    QTest::newRow("a name the user typed stays")
        << true << true << QStringLiteral("087-001-000009") << QStringLiteral("IP Ivanov");
  }

  void typedNumberTakesTheNameAlong() {
    QFETCH(bool, fromList);
    QFETCH(bool, nameTyped);
    QFETCH(QString, typed);
    QFETCH(QString, name);
    {
      QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                      QStringLiteral("Brisolt"));
      store.setValue("RegNumb", QStringLiteral("087-001-000005"));
      store.setValue("OrgName", QStringLiteral("ООО \"Прошлая\""));
    }
    TShownWindows windows;
    windows.Engine.RegNumbs = {"087-001-000001", "087-001-000002"};
    windows.Engine.Names = {Cp1251FromQString(QStringLiteral("ООО \"Первая\"")),
                            Cp1251FromQString(QStringLiteral("ЗАО Вторая"))};
    if (fromList) windows.Click("GetList_Button");
    if (nameTyped) {
      windows.Edit("OrgName_Edit")->clear();
      QTest::keyClicks(windows.Edit("OrgName_Edit"), QStringLiteral("IP Ivanov"));
    }
    windows.Edit("RegNumb_Edit")->clear();
    QTest::keyClicks(windows.Edit("RegNumb_Edit"), typed);
    QCOMPARE(windows.Edit("RegNumb_Edit")->text(), typed);
    QCOMPARE(windows.Edit("OrgName_Edit")->text(), name);
  }

  void insurerScanShowsItsProgress() {
    TFakeEngine engine;
    engine.RegNumbs = {"087-001-000001"};
    engine.Names = {"Org"};
    std::atomic<bool> released{false};
    engine.DuringScan = [&released](const TProgressEvent& progress) {
      QVERIFY(progress);
      progress("Поиск страхователей", "PFR-700-Y-2011-ORG-1.xml", 1, 2);
      for (int wait = 0; wait < 1000 && !released; ++wait) QThread::msleep(5);
    };
    TWindows windows(engine);
    windows.Main.show();
    QString stage;
    bool shown = false;
    QTimer::singleShot(20, [&] {
      QTRY_VERIFY(windows.Progress.ProgressBar->maximum() == 2);
      shown = windows.Progress.isVisible();
      stage = windows.Progress.State_Label->text();
      released = true;
    });
    windows.Click("GetList_Button");
    QVERIFY(released);
    QVERIFY(shown);
    QCOMPARE(stage, QStringLiteral("Поиск страхователей"));
    QVERIFY(!windows.Progress.isVisible());
    QCOMPARE(windows.Grid()->rowCount(), 1);
  }

  void helpButtonShowsTheHelpWindowAndLinksOpenAddresses() {
    TShownWindows windows;
    windows.Click("Help_Button");
    QVERIFY(windows.Help.isVisible());
    QVERIFY(!windows.Help.isModal());
    // A test program has no guide beside it: "Описание" says so instead of opening nothing, and
    // "Сайт программы" opens the site, or without one falls back to the guide as well.
    QTest::mouseClick(windows.Label("Guide_Label"), Qt::LeftButton);
    QTest::mouseClick(windows.Label("Site_Label"), Qt::LeftButton);
    const bool site = HomePageURL[0] != '\0';
    QCOMPARE(windows.Dialogs.Messages.size(), std::size_t(site ? 1 : 2));
    for (const auto& message : windows.Dialogs.Messages) {
      QVERIFY(message.Text.startsWith(QStringLiteral("Не найдено описание программы")));
      QVERIFY(message.Icon == TMessageIcon::Error);
    }
    QCOMPARE(windows.Dialogs.Opened.size(), std::size_t(site ? 1 : 0));
    if (site) QCOMPARE(windows.Dialogs.Opened[0], std::string(HomePageURL));
  }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
