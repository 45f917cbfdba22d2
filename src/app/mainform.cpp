#include "app/mainform.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFontMetrics>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTextOption>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <vector>

#include "app/helpform.h"
#include "app/platform.h"
#include "app/progressform.h"
#include "app/resultsform.h"
#include "app/qtext.h"
#include "app/userdialogs.h"
#include "app/verdata.h"

namespace brisolt {
namespace {

// The maker's line under the version.
const char kMakerLine[] = "Разработка: Ostrak";
const char kNoGuide[] =
    "Не найдено описание программы (guide/index.html). Оно поставляется вместе с программой: "
    "установите программу заново из пакета или архива.";

const char kCaptionError[] = "Ошибка";
const char kCaptionInformation[] = "Информация";

const char kNoticeFirst[] =
    "Для корректного расчёта папка должна содержать все файлы с индивидуальными сведениями по "
    "формам СЗВ-6-1, СЗВ-6-2, СЗВ-6-4,  переданные одним или несколькими страхователями в ПФР за "
    "период с 1 января 2010 года.";
const char kNoticeProtocol[] = "Для смены каталога перейдите на вкладку \"Параметры\".";

const char kStateNone[] = "Обработка не выполнялась, протокол не сформирован";
const char kStateWritten[] = "Сформирован протокол с именем";

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QLabel* MakeLinkLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("color: blue"));
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

QButtonGroup* MakeRadioGroup(QGroupBox* box, const QStringList& items, int columns) {
  auto* group = new QButtonGroup(box);
  auto* layout = new QGridLayout(box);
  layout->setContentsMargins(2, 2, 0, 2);
  layout->setVerticalSpacing(1);
  layout->setHorizontalSpacing(2);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int index = 0; index < items.size(); ++index) {
    auto* button = new QRadioButton(items[index], box);
    group->addButton(button, index);
    layout->addWidget(button, index % rows, index / rows);
  }
  return group;
}

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

// While the window waits for a worker, the user's input goes nowhere: it must neither reach the
// window now nor be replayed once the work is done.
class TInputBlocker : public QObject {
 public:
  TInputBlocker() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
  }
  ~TInputBlocker() override {
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }

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
};

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
  // screen is lower: 1366 x 768 at 125 % leaves some 570 points under the title bar and above
  // the task bar. The page's free room goes first; the controls keep what they need.
  const QSize needed = layout()->totalMinimumSize();
  QSize size = QSize(580, 600).expandedTo(needed);
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const int titleBar = 2 * QFontMetrics(font()).height();
    const int room = screen->availableGeometry().height() - titleBar;
    size.setHeight(std::max(needed.height(), std::min(size.height(), room)));
  }
  setFixedSize(size);
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    QPoint corner = area.center() - QPoint(width() / 2, height() / 2);
    // Never above the screen's top, where the title bar would be out of reach.
    corner.setY(std::max(corner.y(), area.top()));
    move(corner);
  }
}

TMain_Form::~TMain_Form() = default;

void TMain_Form::SetCompanions(THelp_Form* help, TProgress_Form* progress) {
  help_ = help;
  progress_ = progress;
}

void TMain_Form::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 6, 4, 6);
  layout->setSpacing(2);

  Title_Label = new QLabel(Text("Программа сверки начислений и уплат в ПФР"), this);
  Title_Label->setObjectName(QStringLiteral("Title_Label"));
  QFont bold = Title_Label->font();
  bold.setBold(true);
  Title_Label->setFont(bold);
  Title_Label->setAlignment(Qt::AlignCenter);
  layout->addWidget(Title_Label);

  // The version and the maker share a line, so that the window fits a low screen at 125 %.
  auto* about = new QHBoxLayout;
  Version_Label = new QLabel(this);
  Version_Label->setObjectName(QStringLiteral("Version_Label"));
  Maker_Label = new QLabel(QString::fromUtf8(kMakerLine), this);
  Maker_Label->setObjectName(QStringLiteral("Maker_Label"));
  about->addStretch(1);
  about->addWidget(Version_Label);
  about->addSpacing(16);
  about->addWidget(Maker_Label);
  about->addStretch(1);
  layout->addLayout(about);

  auto* links = new QHBoxLayout;
  Guide_Label = MakeLinkLabel(Text("Описание"), this);
  Guide_Label->setObjectName(QStringLiteral("Guide_Label"));
  Guide_Label->installEventFilter(this);
  Help_Button = new QToolButton(this);
  Help_Button->setObjectName(QStringLiteral("Help_Button"));
  Help_Button->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
  Help_Button->setIconSize(QSize(16, 16));
  Help_Button->setToolTip(Text("Справка"));
  connect(Help_Button, &QToolButton::clicked, this, [this] { Help_ButtonClick(); });
  Site_Label = MakeLinkLabel(Text("Сайт программы"), this);
  Site_Label->setObjectName(QStringLiteral("Site_Label"));
  Site_Label->installEventFilter(this);
  links->addStretch(1);
  links->addWidget(Guide_Label);
  links->addSpacing(12);
  links->addWidget(Help_Button);
  links->addSpacing(12);
  links->addWidget(Site_Label);
  links->addStretch(1);
  layout->addLayout(links);

  PublicTest_Label = new QLabel(this);
  PublicTest_Label->setObjectName(QStringLiteral("PublicTest_Label"));
  PublicTest_Label->setFont(bold);
  PublicTest_Label->setStyleSheet(QStringLiteral("color: red"));
  PublicTest_Label->setAlignment(Qt::AlignCenter);
  PublicTest_Label->setVisible(false);
  layout->addWidget(PublicTest_Label);

  auto* pathLabel = new QLabel(Text("Путь к файлам ПФР:"), this);
  layout->addWidget(pathLabel);
  auto* pathRow = new QHBoxLayout;
  Path_Edit = new QLineEdit(this);
  Path_Edit->setObjectName(QStringLiteral("Path_Edit"));
  pathLabel->setBuddy(Path_Edit);
  Browse_Button = new QPushButton(Text("Обзор"), this);
  Browse_Button->setObjectName(QStringLiteral("Browse_Button"));
  connect(Browse_Button, &QPushButton::clicked, this, [this] { Browse_ButtonClick(); });
  pathRow->addWidget(Path_Edit, 1);
  pathRow->addWidget(Browse_Button);
  layout->addLayout(pathRow);

  Subdirs_CheckBox = new QCheckBox(Text("Включать вложенные папки"), this);
  Subdirs_CheckBox->setObjectName(QStringLiteral("Subdirs_CheckBox"));
  layout->addWidget(Subdirs_CheckBox);

  Notice_Label = new QLabel(Text(kNoticeFirst), this);
  Notice_Label->setObjectName(QStringLiteral("Notice_Label"));
  Notice_Label->setFont(bold);
  Notice_Label->setWordWrap(true);
  Notice_Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Room for the longest notice, so that the controls below stay put when it changes.
  Notice_Label->setMinimumHeight(4 * QFontMetrics(bold).lineSpacing());
  layout->addWidget(Notice_Label);

  Insurers_Label = new QLabel(Text("Список страхователей"), this);
  Insurers_Label->setObjectName(QStringLiteral("Insurers_Label"));
  Insurers_Label->setFont(bold);
  Insurers_Label->setAlignment(Qt::AlignCenter);
  layout->addWidget(Insurers_Label);

  auto* gridRow = new QHBoxLayout;
  Insurers_Grid = new QTableWidget(1, 2, this);
  Insurers_Grid->setObjectName(QStringLiteral("Insurers_Grid"));
  Insurers_Grid->setHorizontalHeaderLabels({Text("Рег. № в ПФР"), Text("Наименование предприятия")});
  Insurers_Grid->verticalHeader()->setVisible(false);
  Insurers_Grid->verticalHeader()->setDefaultSectionSize(20);
  Insurers_Grid->horizontalHeader()->setStretchLastSection(true);
  Insurers_Grid->horizontalHeader()->setSectionsClickable(false);
  Insurers_Grid->setColumnWidth(0, 120);
  Insurers_Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  Insurers_Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Insurers_Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Insurers_Grid->setToolTip(
      Text("Щёлкните двойным щелчком на строке со страхователем для получения протокола"));
  // The header and three rows.
  Insurers_Grid->setFixedHeight(Insurers_Grid->horizontalHeader()->sizeHint().height() + 3 * 20 +
                                2 * Insurers_Grid->frameWidth());
  Insurers_Grid->horizontalHeader()->viewport()->installEventFilter(this);
  Insurers_Grid->viewport()->installEventFilter(this);
  connect(Insurers_Grid, &QTableWidget::cellClicked, this, [this](int, int) { GridClick(); });
  connect(Insurers_Grid, &QTableWidget::currentCellChanged, this,
          [this](int, int, int, int) { GridClick(); });
  GetList_Button = new QToolButton(this);
  GetList_Button->setObjectName(QStringLiteral("GetList_Button"));
  GetList_Button->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  GetList_Button->setIconSize(QSize(24, 24));
  GetList_Button->setToolTip(Text("Получить список страхователей"));
  connect(GetList_Button, &QToolButton::clicked, this, [this] { GetList_ButtonClick(); });
  gridRow->addWidget(Insurers_Grid, 1);
  gridRow->addWidget(GetList_Button, 0, Qt::AlignTop);
  layout->addLayout(gridRow);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  Params_Sheet = CreateParamsPage();
  Protocol_Sheet = CreateProtocolPage();
  PageControl->addTab(Params_Sheet, Text("Параметры"));
  PageControl->addTab(Protocol_Sheet, Text("Протокол"));
  Results_Sheet = new TResults_Form(this);
  Results_Sheet->setObjectName(QStringLiteral("Results_Sheet"));
  PageControl->addTab(Results_Sheet, Text("Результаты"));
  connect(PageControl, &QTabWidget::currentChanged, this, [this](int) { PCChange(); });
  layout->addWidget(PageControl, 1);
}

QWidget* TMain_Form::CreateParamsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("Params_Sheet"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(1, 4, 1, 4);
  layout->setSpacing(2);

  auto* regNumbLabel = new QLabel(
      Text("Можно ввести регистрационный номер вручную (если номеров несколько, то через "
           "запятую):"),
      page);
  regNumbLabel->setWordWrap(true);
  layout->addWidget(regNumbLabel);
  RegNumb_Edit = new QLineEdit(page);
  RegNumb_Edit->setObjectName(QStringLiteral("RegNumb_Edit"));
  regNumbLabel->setBuddy(RegNumb_Edit);
  layout->addWidget(RegNumb_Edit);

  auto* orgNameLabel = new QLabel(Text("И наименование страхователя:"), page);
  layout->addWidget(orgNameLabel);
  OrgName_Edit = new QLineEdit(page);
  OrgName_Edit->setObjectName(QStringLiteral("OrgName_Edit"));
  orgNameLabel->setBuddy(OrgName_Edit);
  layout->addWidget(OrgName_Edit);
  // A number typed by hand belongs to another insurer than the name the list or the last session
  // left: the name goes with it (or becomes the listed insurer's), unless the user typed it.
  connect(RegNumb_Edit, &QLineEdit::textEdited, this, [this](const QString&) { RegNumbEdited(); });
  connect(OrgName_Edit, &QLineEdit::textEdited, this, [this](const QString&) {
    orgNameTyped_ = true;
  });

  auto* groups = new QHBoxLayout;
  Saldo_Group = new QGroupBox(Text("Выводить работников с сальдо:"), page);
  Saldo_Group->setObjectName(QStringLiteral("Saldo_Group"));
  saldoItems_ = MakeRadioGroup(
      Saldo_Group, {Text("Всех"), Text("С ненулевым"), Text("С задолженностью"), Text("С переплатой")},
      1);
  Format_Group = new QGroupBox(Text("Формат вывода:"), page);
  Format_Group->setObjectName(QStringLiteral("Format_Group"));
  QStringList formats = {Text("HTML"), Text("Excel"), Text("OpenOffice Calc")};
  // A build without the XLSX writer offers only what it can write.
  if (XlsxAvailable()) formats << Text("Книга Excel (XLSX)");
  formatItems_ = MakeRadioGroup(Format_Group, formats, 1);
  Layout_Group = new QGroupBox(Text("Вид формы протокола:"), page);
  Layout_Group->setObjectName(QStringLiteral("Layout_Group"));
  layoutItems_ = MakeRadioGroup(Layout_Group, {Text("Компактная"), Text("Наглядная")}, 1);
  groups->setSpacing(2);
  Saldo_Group->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
  groups->addWidget(Saldo_Group, 1);
  groups->addWidget(Format_Group, 0);
  groups->addWidget(Layout_Group, 0);
  layout->addLayout(groups);

  // The two check boxes with the button beside them: the balance filter's four rows take the
  // height a row of its own would.
  auto* bottom = new QHBoxLayout;
  auto* checks = new QVBoxLayout;
  checks->setSpacing(2);
  CalcCorr_Checkbox =
      new QCheckBox(Text("Учитывать корр. сведения при отсутствии исходных"), page);
  CalcCorr_Checkbox->setObjectName(QStringLiteral("CalcCorr_Checkbox"));
  checks->addWidget(CalcCorr_Checkbox);
  Open_CheckBox = new QCheckBox(Text("Открыть протокол после обработки"), page);
  Open_CheckBox->setObjectName(QStringLiteral("Open_CheckBox"));
  checks->addWidget(Open_CheckBox);
  bottom->addLayout(checks);
  bottom->addStretch(1);

  Process_Button = new QPushButton(Text("Обработать"), page);
  Process_Button->setObjectName(QStringLiteral("Process_Button"));
  Process_Button->setMinimumWidth(120);
  connect(Process_Button, &QPushButton::clicked, this, [this] { Process_ButtonClick(); });
  bottom->addWidget(Process_Button, 0, Qt::AlignVCenter);
  layout->addLayout(bottom);
  layout->addStretch(1);
  return page;
}

QWidget* TMain_Form::CreateProtocolPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("Protocol_Sheet"));
  auto* layout = new QVBoxLayout(page);
  layout->addStretch(1);

  ProtState_Label = new QLabel(Text(kStateNone), page);
  ProtState_Label->setObjectName(QStringLiteral("ProtState_Label"));
  ProtState_Label->setAlignment(Qt::AlignCenter);
  layout->addWidget(ProtState_Label);

  // The protocol's name looks like a label but wraps anywhere: several registration numbers make
  // a name without a blank to wrap at. The clerk can select and copy it whole.
  ProtName_Text = new QTextEdit(page);
  ProtName_Text->setObjectName(QStringLiteral("ProtName_Text"));
  QFont bold = ProtName_Text->font();
  bold.setBold(true);
  ProtName_Text->setFont(bold);
  ProtName_Text->setReadOnly(true);
  ProtName_Text->setAcceptRichText(false);
  ProtName_Text->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                         Qt::TextSelectableByKeyboard);
  ProtName_Text->setFrameShape(QFrame::NoFrame);
  ProtName_Text->viewport()->setAutoFillBackground(false);
  ProtName_Text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ProtName_Text->setLineWrapMode(QTextEdit::WidgetWidth);
  QTextOption nameOption(Qt::AlignHCenter);
  nameOption.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  ProtName_Text->document()->setDefaultTextOption(nameOption);
  // Four lines hold a name in a deep temporary folder with many numbers; a longer one scrolls.
  ProtName_Text->setFixedHeight(
      4 * QFontMetrics(bold).lineSpacing() +
      2 * static_cast<int>(std::ceil(ProtName_Text->document()->documentMargin())));
  layout->addWidget(ProtName_Text);
  layout->addStretch(1);

  auto* buttons = new QHBoxLayout;
  ToProcess_Button = new QPushButton(Text("Назад"), page);
  ToProcess_Button->setObjectName(QStringLiteral("ToProcess_Button"));
  connect(ToProcess_Button, &QPushButton::clicked, this, [this] { ToProcess_ButtonClick(); });
  OpenProt_Button = new QPushButton(Text("Открыть протокол"), page);
  OpenProt_Button->setObjectName(QStringLiteral("OpenProt_Button"));
  connect(OpenProt_Button, &QPushButton::clicked, this, [this] { OpenProt_ButtonClick(); });
  SaveProt_Button = new QPushButton(Text("Сохранить как..."), page);
  SaveProt_Button->setObjectName(QStringLiteral("SaveProt_Button"));
  connect(SaveProt_Button, &QPushButton::clicked, this, [this] { SaveProt_ButtonClick(); });
  buttons->addStretch(1);
  buttons->addWidget(ToProcess_Button);
  buttons->addWidget(OpenProt_Button);
  buttons->addWidget(SaveProt_Button);
  ShowResults_Button = new QPushButton(Text("Что сделать..."), page);
  ShowResults_Button->setObjectName(QStringLiteral("ShowResults_Button"));
  ShowResults_Button->setToolTip(Text("Таблица результатов: сальдо, периоды и что сделать по каждому сотруднику"));
  connect(ShowResults_Button, &QPushButton::clicked, this,
          [this] { PageControl->setCurrentWidget(Results_Sheet); });
  buttons->addWidget(ShowResults_Button);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addStretch(1);
  return page;
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
  // A store that could not be read at the start is left for the user to repair.
  if (settingsReadable_) SaveSettings(settings_);
}

void TMain_Form::Browse_ButtonClick() {
  const QString folder = dialogs_.BrowseForFolder(this, Path_Edit->text());
  if (!folder.isEmpty()) Path_Edit->setText(folder);
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
    ShowMessage(QString::fromStdString(FailureDisplayText(failure)), Text("Brisolt"), true);
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
      outcome.Message = FailureDisplayText(failure.what());
    } catch (...) {
      outcome = TRunOutcome();
      outcome.Message = "Неизвестная ошибка.";
    }
  });
  // Deliver the last progress report before the window goes away.
  if (progress_) QCoreApplication::sendPostedEvents(progress_);
  return outcome;
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
  const TProtFormat format = RadioGroupChoice<TProtFormat>(*formatItems_).value_or(TProtFormat::Html);
  request.ProtFormat = format;
  // An XML workbook can be saved again as XLSX from its report.
  request.KeepReport = XlsxAvailable() &&
                       (format == TProtFormat::ExcelXml || format == TProtFormat::CalcXml);
  request.WindowWording = true;
  request.KeepResults = true;
  const QString protocolName = DefaultProtocolName(RegNumb_Edit->text(), format);
  request.ProtFileName = NativeFromQString(protocolName);

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
        if (format == TProtFormat::Html) {
          dialogs_.ShellOpen(request.ProtFileName);
        } else {
          OpenSpreadsheet(protocolName, format);
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
                  Text(format != TProtFormat::Html ? kCaptionError : "Brisolt"), true);
      break;
    case TRunResult::ProtocolTooLarge:
      ShowMessage(QString::fromStdString(outcome.Message), Text(kCaptionError), true);
      break;
    case TRunResult::Failed:
      ShowMessage(QString::fromStdString(outcome.Message), Text("Brisolt"), true);
      break;
  }
  PageControl->setCurrentWidget(Protocol_Sheet);
  PCChange();
  running_ = false;
}

void TMain_Form::SetProtocolResult(const QString& fileName) {
  ProtName_Text->setPlainText(fileName);
  ProtState_Label->setText(Text(kStateWritten));
}

void TMain_Form::OpenSpreadsheet(const QString& fileName, TProtFormat protFormat) {
  // Excel opens both its workbooks.
  dialogs_.StartProgram(protFormat == TProtFormat::CalcXml ? "scalc.exe" : "excel.exe",
                        NativeFromQString(fileName));
}

void TMain_Form::OpenProt_ButtonClick() {
  const QString fileName = ProtName_Text->toPlainText();
  if (fileName.isEmpty()) {
    ShowMessage(Text("Нечего открывать."), Text(kCaptionError), true);
    return;
  }
  if (QFileInfo(fileName).suffix().toLower() == QLatin1String("html")) {
    dialogs_.ShellOpen(NativeFromQString(fileName));
    return;
  }
  // The spreadsheet program is the one chosen now, not the one of the run that wrote the file.
  const TProtFormat format = RadioGroupChoice<TProtFormat>(*formatItems_).value_or(TProtFormat::Html);
  if (format == TProtFormat::Html) {
    ShowMessage(Text("Пожалуйста, укажите на вкладке \"Параметры\" формат вывода для открытия "
                     "протокола нужной программой."),
                Text("Brisolt"), false);
    return;
  }
  OpenSpreadsheet(fileName, format);
}

void TMain_Form::SaveProt_ButtonClick() {
  const QString fileName = ProtName_Text->toPlainText();
  if (fileName.isEmpty()) {
    ShowMessage(Text("Нечего сохранять."), Text(kCaptionError), true);
    return;
  }
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  const bool html = suffix == QLatin1String("html");
  const bool workbook = suffix == QLatin1String("xlsx");
  // The XML workbook of the protocol shown can also be saved as XLSX, written anew from its
  // report; an XLSX protocol is copied as it is.
  const bool xlsx = !html && !workbook && keptReport_ != nullptr;
  QString spreadsheetTypes = Text("XML-файлы Excel/OpenOffice (*.xml)");
  if (xlsx) spreadsheetTypes += Text(";;Книги Excel (*.xlsx)");
  QString target;
  if (html) {
    target = dialogs_.AskSaveFileName(this, QStringLiteral("HTMLSaveDialog"),
                                      Text("Web-страницы (*.htm *.html)"), fileName);
  } else if (workbook) {
    target = dialogs_.AskSaveFileName(this, QStringLiteral("XLSXSaveDialog"),
                                      Text("Книги Excel (*.xlsx)"), fileName);
  } else {
    target = dialogs_.AskSaveFileName(this, QStringLiteral("XMLSaveDialog"), spreadsheetTypes,
                                      fileName);
  }
  if (target.isEmpty()) return;
  if (xlsx && QFileInfo(target).suffix().toLower() == QLatin1String("xlsx")) {
    const TRunOutcome written =
        WriteXlsxCopy(*keptReport_, keptStamp_, NativeFromQString(target));
    if (written.Result == TRunResult::ProtocolTooLarge) {
      ShowMessage(QString::fromStdString(written.Message), Text(kCaptionError), true);
    } else if (written.Result != TRunResult::Written) {
      // The writer's message names the file first; the box names it already.
      std::string reason = written.Message;
      const std::string named = NativeFromQString(target) + ": ";
      if (reason.compare(0, named.size(), named) == 0) reason.erase(0, named.size());
      ReportSaveFailure(target, QString::fromStdString(reason));
    }
    return;
  }
  if (QFileInfo(target).absoluteFilePath() == QFileInfo(fileName).absoluteFilePath()) return;
  // The copy replaces the chosen file only once it is complete, so a failed copy leaves the
  // old file as it was; and the user is told, since they would otherwise trust a file that
  // is not there.
  QFile source(fileName);
  QSaveFile copy(target);
  bool copied = source.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly);
  while (copied && !source.atEnd()) {
    const QByteArray block = source.read(1 << 16);
    copied = !block.isEmpty() && copy.write(block) == block.size();
  }
  copied = copied && copy.commit();
  if (!copied) {
    const QString reason =
        source.error() != QFileDevice::NoError ? source.errorString() : copy.errorString();
    copy.cancelWriting();
    ReportSaveFailure(target, reason);
  }
}

void TMain_Form::ReportSaveFailure(const QString& target, const QString& reason) {
  QString text = Text("Не удалось сохранить протокол в файл ") + QDir::toNativeSeparators(target);
  if (!reason.isEmpty()) text += QStringLiteral(" (") + reason + QStringLiteral(")");
  ShowMessage(text, Text(kCaptionError), true);
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
