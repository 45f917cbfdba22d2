// What the main window runs on a worker thread, the insurer scan and the protocol run, and what it
// says of their outcome.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "app/gui/mainform.h"
#include "app/gui/mainformtexts.h"
#include "app/platform.h"
#include "app/gui/progressform.h"
#include "app/gui/qtext.h"
#include "app/gui/resultsform.h"
#include "app/gui/userdialogs.h"

namespace brisolt {

using namespace mainform;

namespace {

// While the window waits for a worker, the user's input goes nowhere: it must neither reach the
// window now nor be replayed once the work is done.
class TInputBlocker : public QObject {
 public:
  TInputBlocker() {
    Block();
    current_ = this;
  }
  ~TInputBlocker() override {
    current_ = nullptr;
    Unblock();
  }

  // Lets the input through while the run asks the user something on the window's thread.
  class TPause {
   public:
    TPause() : blocker_(current_) {
      if (blocker_ != nullptr) blocker_->Unblock();
    }
    ~TPause() {
      if (blocker_ != nullptr) blocker_->Block();
    }
    TPause(const TPause&) = delete;
    TPause& operator=(const TPause&) = delete;

   private:
    TInputBlocker* blocker_;
  };

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::ShortcutOverride:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      default:
        return false;
    }
  }

 private:
  void Block() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
  }
  void Unblock() {
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }

  // The one that blocks now; only the window's thread touches it.
  static inline TInputBlocker* current_ = nullptr;
};

}  // namespace

void TMain_Form::RunOnWorker(const std::function<void()>& work) {
  TInputBlocker blocker;
  QThread* worker = QThread::create(work);
  QEventLoop loop;
  connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
  worker->start();
  // The windows keep painting and the progress window keeps moving while the work goes on.
  loop.exec();
  worker->wait();
  delete worker;
}

void TMain_Form::GetList_ButtonClick() {
  if (running_) return;
  std::vector<std::string> names;
  std::vector<std::string> regNumbs;
  const std::string folder =
      NativeFromQString(Path_Edit->text()) + std::string(1, platform::PathSeparator());
  const bool subDirs = Subdirs_CheckBox->isChecked();
  std::string failure;
  // Every pack of the folder is read; a big folder must not freeze the window meanwhile, and the
  // progress window shows how far the reading is.
  running_ = true;
  if (progress_) {
    progress_->ShowProgress(Text("Поиск страхователей"), Text("Подождите..."), 0, 100);
    progress_->StartRun();
  }
  {
    TProgressRelay relay(progress_);
    TProgressEvent report;
    if (progress_) {
      report = [&relay](const std::string& stage, const std::string& detail, int position,
                        int maximum) { relay.Report(stage, detail, position, maximum); };
    }
    RunOnWorker([&] {
      try {
        engine_.ScanInsurers(folder, subDirs, names, regNumbs, report);
      } catch (const std::exception& error) {
        failure = error.what();
      } catch (...) {
        failure = "Неизвестная ошибка.";
      }
    });
  }
  if (progress_) {
    QCoreApplication::sendPostedEvents(progress_);
    progress_->EndRun();
  }
  running_ = false;
  if (!failure.empty()) {
    ShowMessage(QString::fromStdString(failure), Text("Brisolt"), true);
    return;
  }
  if (regNumbs.empty()) {
    ShowMessage(Text("Файлов с инд. сведениями не обнаружено."), Text(kCaptionError), true);
  } else {
    const QSignalBlocker quiet(Insurers_Grid);
    Insurers_Grid->clearContents();
    Insurers_Grid->setRowCount(static_cast<int>(regNumbs.size()));
    for (std::size_t index = 0; index < regNumbs.size(); ++index) {
      const int row = static_cast<int>(index);
      Insurers_Grid->setItem(row, 0, new QTableWidgetItem(QStringFromCp1251(regNumbs[index])));
      Insurers_Grid->setItem(row, 1,
                         new QTableWidgetItem(index < names.size()
                                                  ? QStringFromCp1251(names[index])
                                                  : QString()));
    }
    Insurers_Grid->setCurrentCell(0, 0);
  }
  GridClick();
}

TRunOutcome TMain_Form::RunPipeline(const TRunRequest& request) {
  TProgressRelay relay(progress_);
  TRunOutcome outcome;
  const TWindowRunner& runner = engine_.Run;
  RunOnWorker([&outcome, &request, &relay, &runner] {
    try {
      outcome = runner(request, [&relay](const std::string& stage, const std::string& detail,
                                         int position, int maximum) {
        relay.Report(stage, detail, position, maximum);
      });
    } catch (const std::exception& failure) {
      outcome = TRunOutcome();
      outcome.Message = failure.what();
    } catch (...) {
      outcome = TRunOutcome();
      outcome.Message = "Неизвестная ошибка.";
    }
  });
  // Deliver the last progress report before the window goes away.
  if (progress_) QCoreApplication::sendPostedEvents(progress_);
  return outcome;
}

TLargeHtmlChoice TMain_Form::ChooseHtml(std::uint64_t bytes) {
  if (bytes <= kLargeHtmlProtocol) return TLargeHtmlChoice::WriteHtml;
  TLargeHtmlChoice choice = TLargeHtmlChoice::Cancel;
  QMetaObject::invokeMethod(
      this, [this, bytes] { return AskLargeHtml(bytes); }, Qt::BlockingQueuedConnection, &choice);
  return choice;
}

TLargeHtmlChoice TMain_Form::AskLargeHtml(std::uint64_t bytes) {
  const bool xlsx = XlsxAvailable();
  QString text = QString::fromStdString(LargeHtmlNotice(bytes)) +
                 Text(xlsx ? " Для большого числа сотрудников удобнее книга XLSX, отбор "
                             "\"С задолженностью\" или вкладка \"Результаты\"."
                           : " Для большого числа сотрудников удобнее отбор \"С задолженностью\" "
                             "или вкладка \"Результаты\".");
  QStringList answers;
  std::vector<TLargeHtmlChoice> choices;
  const auto offer = [&answers, &choices](const char* answer, TLargeHtmlChoice choice) {
    answers << Text(answer);
    choices.push_back(choice);
  };
  if (xlsx) offer("Книга XLSX", TLargeHtmlChoice::WriteXlsx);
  offer("С задолженностью", TLargeHtmlChoice::DebtsOnly);
  offer("Показать результаты", TLargeHtmlChoice::ResultsOnly);
  offer("Записать HTML", TLargeHtmlChoice::WriteHtml);
  offer("Отмена", TLargeHtmlChoice::Cancel);
  // The run waits for the answer; the user must be able to give it over the progress window.
  TInputBlocker::TPause pause;
  QWidget* owner = progress_ != nullptr && progress_->isVisible() ? static_cast<QWidget*>(progress_)
                                                                   : this;
  const int cancel = static_cast<int>(choices.size()) - 1;
  const int taken = dialogs_.AskChoice(owner, text, Text("Brisolt"), answers, cancel);
  return taken >= 0 && taken < static_cast<int>(choices.size()) ? choices[taken] : choices[cancel];
}

void TMain_Form::Process_ButtonClick() {
  if (running_) return;
  if (RegNumb_Edit->text().isEmpty()) {
    ShowMessage(Text("Не указан рег. № страхователя."), Text(kCaptionError), true);
    return;
  }
  running_ = true;
  TRunRequest request;
  request.Path = NativeFromQString(Path_Edit->text());
  request.SubDirs = Subdirs_CheckBox->isChecked();
  request.CalcCorr = CalcCorr_Checkbox->isChecked();
  request.RegNumb = Cp1251FromQString(RegNumb_Edit->text());
  request.OrgName = Cp1251FromQString(OrgName_Edit->text());
  request.VersionText = Cp1251FromQString(Version_Label->text());
  // A group left without a selected item (a stored item below 0) runs as its first item.
  request.SaldoFilter = RadioGroupChoice<TSaldoFilter>(*saldoItems_).value_or(TSaldoFilter::All);
  request.ProtForm = RadioGroupChoice<TProtForm>(*layoutItems_).value_or(TProtForm::Compact);
  const TProtFormat format = RadioGroupChoice<TProtFormat>(*formatItems_).value_or(kProtFormats[0].Format);
  const TProtFormatRow& row = ProtFormatRow(format);
  request.ProtFormat = format;
  // A protocol that can be saved again in another format keeps its report for it.
  const TProtFormatRow& copyAs = ProtFormatRow(row.CopyAs);
  request.KeepReport = &copyAs != &row && FormatBuilt(copyAs);
  request.WindowWording = true;
  request.KeepResults = true;
  request.ProtFileName = NativeFromQString(DefaultProtocolName(RegNumb_Edit->text(), format));
  request.ChooseHtml = [this](std::uint64_t bytes) { return ChooseHtml(bytes); };

  if (progress_) {
    progress_->ShowProgress(Text("Старт обработки"), Text("Подождите..."), 0, 100);
    progress_->StartRun();
  }
  const TRunOutcome outcome = RunPipeline(request);
  // Whatever is said next is said about a finished run.
  if (progress_) progress_->EndRun();
  const bool open = Open_CheckBox->isChecked();

  if (!outcome.ReadFailures.empty()) {
    QStringList lines;
    for (const std::string& failure : outcome.ReadFailures) {
      lines << QString::fromStdString(failure);
    }
    ShowMessage(lines.join(QLatin1Char('\n')), Text(kCaptionError), true);
  }
  // The table shows this run's results, or none: never an earlier run's beside a failure.
  Results_Sheet->SetResults(outcome.Results);
  // What the run wrote: the chosen format, or the workbook the user took instead of a large page.
  const TProtFormatRow& written = ProtFormatRow(outcome.ProtFormat);
  const QString protocolName = QStringFromNative(outcome.ProtFileName);
  QWidget* page = Protocol_Sheet;
  switch (outcome.Result) {
    case TRunResult::Written:
    case TRunResult::WrittenIncomplete:
      if (!outcome.Warnings.empty()) {
        QStringList lines;
        for (const std::string& warning : outcome.Warnings) lines << QString::fromStdString(warning);
        ShowMessage(lines.join(QLatin1Char('\n')), Text(kCaptionInformation), false);
      }
      SetProtocolResult(protocolName);
      keptReport_ = outcome.Report;
      keptStamp_ = outcome.Stamp;
      if (open) {
        if (written.Opener == TProtocolOpener::Desktop) {
          dialogs_.ShellOpen(outcome.ProtFileName);
        } else {
          OpenSpreadsheet(protocolName, written.Opener);
        }
      }
      break;
    case TRunResult::NoPersons:
      ShowMessage(Text("Не удалось извлечь сведения о сотрудниках."), Text(kCaptionError), true);
      break;
    case TRunResult::ProtocolNotWritten:
      // The run's message carries, for a spreadsheet, the hint that it may still be open in
      // the spreadsheet program, and the system's reason for both formats.
      ShowMessage(QString::fromStdString(outcome.Message),
                  Text(written.HeldOpenHint ? kCaptionError : "Brisolt"), true);
      break;
    case TRunResult::ProtocolTooLarge:
      ShowMessage(QString::fromStdString(outcome.Message), Text(kCaptionError), true);
      break;
    case TRunResult::ResultsOnly:
      page = Results_Sheet;
      break;
    case TRunResult::Cancelled:
      page = Params_Sheet;
      break;
    case TRunResult::Failed:
      ShowMessage(QString::fromStdString(outcome.Message), Text("Brisolt"), true);
      break;
  }
  PageControl->setCurrentWidget(page);
  PCChange();
  running_ = false;
}

}  // namespace brisolt
