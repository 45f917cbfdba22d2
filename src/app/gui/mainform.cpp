// The main window as a whole: its size and place, the settings it shows and keeps, the insurer
// list, the pages and the links. Its controls are built in mainformcontrols.cpp, the work it
// runs in mainformrun.cpp and the protocol page's buttons in mainformprotocol.cpp.
#include "app/gui/mainform.h"
#include "app/gui/resultsform.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <string_view>

#include "app/gui/helpform.h"
#include "app/gui/mainformtexts.h"
#include "app/platform.h"
#include "app/gui/qtext.h"
#include "app/gui/userdialogs.h"
#include "app/verdata.h"

namespace brisolt {

using namespace mainform;

namespace {

const char kNoGuide[] =
    "Не найдено описание программы (guide/index.html). Оно поставляется вместе с программой: "
    "установите программу заново из пакета или архива.";

const char kNoticeProtocol[] = "Для смены каталога перейдите на вкладку \"Параметры\".";

// File names may not hold folder separators or the characters Windows reserves; a typed
// registration number must not be able to send the protocol into another folder.
QString FileNameStem(const QString& regNumbText) {
  QString stem = regNumbText;
  for (QChar& character : stem) {
    if (character == QLatin1Char('/') || character == QLatin1Char('\\') ||
        character == QLatin1Char(':') || character == QLatin1Char('*') ||
        character == QLatin1Char('?') || character == QLatin1Char('"') ||
        character == QLatin1Char('<') || character == QLatin1Char('>') ||
        character == QLatin1Char('|') || character.unicode() < 0x20) {
      character = QLatin1Char('_');
    }
  }
  if (stem == QLatin1String(".") || stem == QLatin1String("..")) stem.fill(QLatin1Char('_'));
  return stem;
}

// The user guide that came with the program, in the desktop's browser; a box when it is missing.
void OpenGuide(TUserDialogs& dialogs, QWidget* owner) {
  const std::string guide = FindGuide(platform::ExecutablePath());
  if (guide.empty()) {
    dialogs.ShowMessage(owner, Text(kNoGuide), Text(kCaptionError), TMessageIcon::Error);
    return;
  }
  dialogs.ShellOpen(guide);
}

}  // namespace

int RadioGroupIndex(const QButtonGroup& group) { return group.checkedId(); }

void SetRadioGroupIndex(QButtonGroup& group, int index) {
  const QList<QAbstractButton*> buttons = group.buttons();
  if (buttons.isEmpty()) return;
  if (index < 0) {
    // An exclusive group will not let its last checked button go.
    group.setExclusive(false);
    for (QAbstractButton* button : buttons) button->setChecked(false);
    group.setExclusive(true);
    return;
  }
  const int last = static_cast<int>(buttons.size()) - 1;
  group.button(index > last ? last : index)->setChecked(true);
}

QString TMain_Form::DefaultProtocolName(const QString& regNumbText, TProtFormat format) {
  const QString folder = QStringFromNative(platform::TempFolder());
  const std::string_view extension = ProtocolExtension(format);
  return folder + QLatin1Char(platform::PathSeparator()) + FileNameStem(regNumbText) +
         QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
}

TMain_Form::TMain_Form(TUserDialogs& dialogs, TWindowEngine engine)
    : QWidget(nullptr), dialogs_(dialogs), engine_(std::move(engine)) {
  setObjectName(QStringLiteral("Main_Form"));
  setWindowTitle(Text("Программа сверки начислений и уплат в ПФР"));
  CreateControls();
  // The designed size, or more where the fonts need it (a large system font), or less where the
  // screen is lower: 1366 x 768 at 125 % leaves some 560 points under the title bar and above
  // the task bar. The window grows from there (maximised, the list of insurers and the pages take
  // the room); it shrinks no further than its controls need.
  const QSize needed = layout()->totalMinimumSize();
  setMinimumSize(needed);
  QSize size = QSize(580, 600).expandedTo(needed);
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const int titleBar = 2 * QFontMetrics(font()).height();
    const int room = screen->availableGeometry().height() - titleBar;
    size.setHeight(std::max(needed.height(), std::min(size.height(), room)));
  }
  resize(size);
  Centre();
}

void TMain_Form::Centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  QPoint corner = area.center() - QPoint(width() / 2, height() / 2);
  // Never above the screen's top, where the title bar would be out of reach.
  corner.setY(std::max(corner.y(), area.top()));
  corner.setX(std::max(corner.x(), area.left()));
  move(corner);
}

TMain_Form::~TMain_Form() = default;

void TMain_Form::SetCompanions(THelp_Form* help, TProgress_Form* progress) {
  help_ = help;
  progress_ = progress;
}

void TMain_Form::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Restoring from the task bar shows the window again; the settings are read once.
  if (!shown_) {
    shown_ = true;
    OnShow();
  }
}

void TMain_Form::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The work cannot be stopped half-way; the window can be closed once it is done.
    event->ignore();
    return;
  }
  OnClose();
  if (help_) help_->close();
  QWidget::closeEvent(event);
}

bool TMain_Form::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == Guide_Label) {
      Guide_LabelClick();
      return true;
    }
    if (watched == Site_Label) {
      Site_LabelClick();
      return true;
    }
  }
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == Insurers_Grid->horizontalHeader()->viewport()) {
      GridDblClick(-1);
      return true;
    }
    if (watched == Insurers_Grid->viewport()) {
      // The row under the pointer, -1 below the last row.
      const QPoint point = static_cast<QMouseEvent*>(event)->position().toPoint();
      const int row = Insurers_Grid->rowAt(point.y());
      if (row >= 0) Insurers_Grid->setCurrentCell(row, std::max(Insurers_Grid->columnAt(point.x()), 0));
      GridDblClick(row);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TMain_Form::ShowMessage(const QString& text, const QString& caption, bool error) {
  dialogs_.ShowMessage(this, text, caption,
                        error ? TMessageIcon::Error : TMessageIcon::Information);
}

void TMain_Form::OnShow() {
  settingsReadable_ = LoadSettings(settings_);
  SetRadioGroupChoice(*layoutItems_, settings_.PPPMethod);
  Path_Edit->setText(QStringFromNative(settings_.FilesPath));
  SetRadioGroupChoice(*saldoItems_, settings_.SaldoGroup);
  SetRadioGroupChoice(*formatItems_, settings_.ProtFormat);
  OrgName_Edit->setText(QStringFromCp1251(settings_.OrgName));
  RegNumb_Edit->setText(QStringFromCp1251(settings_.RegNumb));
  Open_CheckBox->setChecked(settings_.OpenProtocol);
  Subdirs_CheckBox->setChecked(settings_.SubDirs);
  CalcCorr_Checkbox->setChecked(settings_.CalcCorr);
  // The size the user left, within the screen's room and no smaller than the controls need.
  if (settings_.WindowWidth > 0 && settings_.WindowHeight > 0) {
    QSize size = QSize(settings_.WindowWidth, settings_.WindowHeight).expandedTo(minimumSize());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      size = size.boundedTo(screen->availableGeometry().size()).expandedTo(minimumSize());
    }
    resize(size);
    Centre();
  }
  if (settings_.WindowMaximized) setWindowState(windowState() | Qt::WindowMaximized);
  Results_Sheet->SetColumnWidths(settings_.ResultsColumns);

  TFileVersionInfo version;
  ReadFileVersionInfo(platform::ExecutablePath(), version);
  Version_Label->setText(Text("Версия ") + QString::fromStdString(version.ProductVersion) + Text(" от ") +
                  Text(ReleaseDate));
  if (PublicTestBuild) {
    PublicTest_Label->setText(Text("Версия предназначена для публичного тестирования."));
    PublicTest_Label->setVisible(true);
  }
  // Selecting the page here is no page change: the notice keeps its first text.
  const QSignalBlocker quiet(PageControl);
  PageControl->setCurrentWidget(Params_Sheet);
}

void TMain_Form::OnClose() {
  settings_.FilesPath = NativeFromQString(Path_Edit->text());
  settings_.PPPMethod = RadioGroupChoice<TProtForm>(*layoutItems_);
  settings_.SaldoGroup = RadioGroupChoice<TSaldoFilter>(*saldoItems_);
  settings_.ProtFormat = RadioGroupChoice<TProtFormat>(*formatItems_);
  settings_.OrgName = Cp1251FromQString(OrgName_Edit->text());
  settings_.RegNumb = Cp1251FromQString(RegNumb_Edit->text());
  settings_.OpenProtocol = Open_CheckBox->isChecked();
  settings_.SubDirs = Subdirs_CheckBox->isChecked();
  settings_.CalcCorr = CalcCorr_Checkbox->isChecked();
  settings_.WindowMaximized = isMaximized();
  const QSize size = isMaximized() ? normalGeometry().size() : this->size();
  settings_.WindowWidth = size.width();
  settings_.WindowHeight = size.height();
  settings_.ResultsColumns = Results_Sheet->ColumnWidths();
  // A store that could not be read at the start is left for the user to repair.
  if (settingsReadable_) SaveSettings(settings_);
}

void TMain_Form::Browse_ButtonClick() {
  const QString folder = dialogs_.BrowseForFolder(this, Path_Edit->text());
  if (!folder.isEmpty()) Path_Edit->setText(folder);
}

void TMain_Form::GridClick() {
  const int row = Insurers_Grid->currentRow();
  if (row < 0 || row >= Insurers_Grid->rowCount()) return;
  const QTableWidgetItem* regNumb = Insurers_Grid->item(row, 0);
  // A row that holds no insurer (the grid before the first list) must not wipe what the user
  // typed into the fields.
  if (regNumb == nullptr || regNumb->text().isEmpty()) return;
  const QTableWidgetItem* orgName = Insurers_Grid->item(row, 1);
  RegNumb_Edit->setText(regNumb->text());
  OrgName_Edit->setText(orgName ? orgName->text() : QString());
  orgNameTyped_ = false;
}

void TMain_Form::RegNumbEdited() {
  if (orgNameTyped_) return;
  const QString typed = RegNumb_Edit->text().trimmed();
  QString name;
  for (int row = 0; row < Insurers_Grid->rowCount(); ++row) {
    const QTableWidgetItem* regNumb = Insurers_Grid->item(row, 0);
    if (regNumb != nullptr && !typed.isEmpty() && regNumb->text() == typed) {
      const QTableWidgetItem* orgName = Insurers_Grid->item(row, 1);
      if (orgName != nullptr) name = orgName->text();
      break;
    }
  }
  OrgName_Edit->setText(name);
}

void TMain_Form::GridDblClick(int row) {
  if (row < 0 || row >= Insurers_Grid->rowCount()) {
    ShowMessage(Text("Выберите страхователя"), Text(kCaptionInformation), false);
    return;
  }
  const QTableWidgetItem* regNumb = Insurers_Grid->item(row, 0);
  if (regNumb == nullptr || regNumb->text().isEmpty()) {
    ShowMessage(Text("Список страхователей пуст."), Text(kCaptionError), false);
    return;
  }
  const QTableWidgetItem* orgName = Insurers_Grid->item(row, 1);
  RegNumb_Edit->setText(regNumb->text());
  OrgName_Edit->setText(orgName ? orgName->text() : QString());
  orgNameTyped_ = false;
  Process_ButtonClick();
}

void TMain_Form::ToProcess_ButtonClick() {
  PageControl->setCurrentWidget(Params_Sheet);
  PCChange();
}

void TMain_Form::PCChange() {
  const bool params = PageControl->currentWidget() == Params_Sheet;
  // Back on the parameters the notice says again what it said at the start: the folder needs the
  // СЗВ-6-4 packs as well.
  Notice_Label->setText(Text(params ? kNoticeFirst : kNoticeProtocol));
  Path_Edit->setEnabled(params);
  Subdirs_CheckBox->setEnabled(params);
  Browse_Button->setEnabled(params);
  GetList_Button->setEnabled(params);
  // The results table takes the room of the folder and the insurer list, which it does not use:
  // maximised at 1366 x 768 it shows some 29 rows.
  const bool results = PageControl->currentWidget() == Results_Sheet;
  Folder_Panel->setVisible(!results);
  Insurers_Panel->setVisible(!results);
}

void TMain_Form::Help_ButtonClick() {
  if (help_) help_->ShowBeside();
}

void TMain_Form::Guide_LabelClick() { OpenGuide(dialogs_, this); }

void TMain_Form::Site_LabelClick() {
  if (HomePageURL[0] != '\0') {
    dialogs_.ShellOpen(HomePageURL);
  } else {
    OpenGuide(dialogs_, this);
  }
}

}  // namespace brisolt
