// The main window of the window mode: folder, insurer list, protocol options, the run, and the
// protocol it wrote.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/gui/settings.h"
#include "app/gui/windowrun.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTextEdit;
class QToolButton;

namespace brisolt {

class THelp_Form;
class TProgress_Form;
class TResults_Form;
class TUserDialogs;

class TMain_Form : public QWidget {
  Q_OBJECT

 public:
  explicit TMain_Form(TUserDialogs& dialogs, TWindowEngine engine = DefaultWindowEngine());
  ~TMain_Form() override;

  // The two companion windows, created after this one.
  void SetCompanions(THelp_Form* help, TProgress_Form* progress);

  // Handlers, named after the control and the event.
  void OnShow();
  // Puts the window in the middle of the screen's free room, its title bar within reach.
  void Centre();
  void OnClose();
  void Browse_ButtonClick();
  void GetList_ButtonClick();
  void GridClick();
  void GridDblClick(int row);  // row -1: the header or no row
  void RegNumbEdited();        // by the user, not by the program
  void Process_ButtonClick();
  void OpenProt_ButtonClick();
  void SaveProt_ButtonClick();
  void ToProcess_ButtonClick();
  void PCChange();
  void Help_ButtonClick();
  void Guide_LabelClick();
  void Site_LabelClick();

  // True while a run is on its worker thread.
  bool IsRunning() const { return running_; }

  // Where a run writes its protocol for the registration-number text typed in the window and the
  // chosen format.
  static QString DefaultProtocolName(const QString& regNumbText, TProtFormat format);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The controls (mainformcontrols.cpp).
  void CreateControls();
  QWidget* CreateParamsPage();
  QWidget* CreateProtocolPage();

  void ShowMessage(const QString& text, const QString& caption, bool error);

  // The protocol page (mainformprotocol.cpp).
  // "Не удалось сохранить протокол в файл" with the file and, when known, the reason.
  void ReportSaveFailure(const QString& target, const QString& reason);
  void SetProtocolResult(const QString& fileName);
  void OpenSpreadsheet(const QString& fileName, TProtocolOpener opener);

  // The work on a worker thread (mainformrun.cpp).
  // Runs `work` on a worker thread; the window keeps painting and takes no input until it ends.
  void RunOnWorker(const std::function<void()>& work);
  TRunOutcome RunPipeline(const TRunRequest& request);
  // What the run writes instead of an HTML page of `bytes`, asked of the user past
  // kLargeHtmlProtocol. Called on the run's thread; asks on the window's.
  TLargeHtmlChoice ChooseHtml(std::uint64_t bytes);
  TLargeHtmlChoice AskLargeHtml(std::uint64_t bytes);

  TUserDialogs& dialogs_;
  TWindowEngine engine_;
  THelp_Form* help_ = nullptr;
  TProgress_Form* progress_ = nullptr;
  TSettings settings_;
  bool settingsReadable_ = false;
  bool shown_ = false;
  bool running_ = false;
  // The insurer's name was typed by the user since the list or the settings last filled it.
  bool orgNameTyped_ = false;
  // The report of the spreadsheet protocol shown on the protocol page and the stamp it carries,
  // for "save as" an XLSX workbook of the same protocol. Empty without XLSX support.
  std::shared_ptr<const TReport> keptReport_;
  std::string keptStamp_;

  QLabel* Title_Label;
  QLabel* Version_Label;
  QLabel* Maker_Label;
  QLabel* Guide_Label;
  QToolButton* Help_Button;
  QLabel* Site_Label;
  QLabel* PublicTest_Label;
  QWidget* Folder_Panel;
  QWidget* Insurers_Panel;
  QLineEdit* Path_Edit;
  QPushButton* Browse_Button;
  QCheckBox* Subdirs_CheckBox;
  QLabel* Notice_Label;
  QLabel* Insurers_Label;
  QTableWidget* Insurers_Grid;
  QToolButton* GetList_Button;
  QTabWidget* PageControl;
  QWidget* Params_Sheet;
  QWidget* Protocol_Sheet;
  TResults_Form* Results_Sheet;
  QLineEdit* RegNumb_Edit;
  QLineEdit* OrgName_Edit;
  QGroupBox* Saldo_Group;
  QGroupBox* Format_Group;
  QGroupBox* Layout_Group;
  QButtonGroup* saldoItems_;
  QButtonGroup* formatItems_;
  QButtonGroup* layoutItems_;
  QCheckBox* CalcCorr_Checkbox;
  QCheckBox* Open_CheckBox;
  QPushButton* Process_Button;
  QLabel* ProtState_Label;
  QTextEdit* ProtName_Text;
  QPushButton* ToProcess_Button;
  QPushButton* OpenProt_Button;
  QPushButton* SaveProt_Button;
  QPushButton* ShowResults_Button;
};

// The selected item of a radio group, -1 when none; setting a value below 0 clears the group and
// one above the last item selects the last.
int RadioGroupIndex(const QButtonGroup& group);
void SetRadioGroupIndex(QButtonGroup& group, int index);

// The same for a group whose items are the choices of TChoice in their order; none when no item
// is selected.
template <typename TChoice>
std::optional<TChoice> RadioGroupChoice(const QButtonGroup& group) {
  const int index = RadioGroupIndex(group);
  if (index < 0) return std::nullopt;
  return static_cast<TChoice>(index);
}

template <typename TChoice>
void SetRadioGroupChoice(QButtonGroup& group, std::optional<TChoice> choice) {
  SetRadioGroupIndex(group, choice ? static_cast<int>(*choice) : -1);
}

}  // namespace brisolt
