// The progress window: shown over the main window while a run loads, assembles and writes.
#pragma once

#include <QWidget>

#include <memory>
#include <mutex>
#include <string>

class QLabel;
class QProgressBar;

namespace brisolt {

class TProgress_Form : public QWidget {
  Q_OBJECT

 public:
  explicit TProgress_Form(QWidget* mainForm);

  // Sets the bar to `position` of `maximum` and the two lines of text. Runs on the window's
  // thread; a worker reports through a TProgressRelay.
  void ShowProgress(const QString& stage, const QString& detail, int position, int maximum);

  // Shown centred over the main window and modal to the whole program while `busy`; the user
  // cannot close it during a run.
  void StartRun();
  void EndRun();

  QLabel* State_Label;
  QProgressBar* ProgressBar;
  QLabel* Data_Label;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool busy_ = false;
};

// Carries progress from a worker thread to the window. The worker may report far faster than the
// window can draw, so only the latest report is kept and one queued call at a time is pending.
class TProgressRelay {
 public:
  explicit TProgressRelay(TProgress_Form* form);

  // Safe to call from any thread; texts are UTF-8. A report still queued when the relay is gone
  // is delivered all the same, and one for a window that is gone is dropped.
  void Report(const std::string& stage, const std::string& detail, int position, int maximum);

 private:
  struct TState {
    std::mutex Mutex;
    bool Pending = false;
    std::string Stage;
    std::string Detail;
    int Position = 0;
    int Maximum = 0;
  };

  TProgress_Form* form_;
  std::shared_ptr<TState> state_;
};

}  // namespace brisolt
