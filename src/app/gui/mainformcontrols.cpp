// The main window's controls: built, named and laid out once, with their signals connected to
// the window's handlers.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTextOption>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/gui/mainform.h"
#include "app/gui/mainformtexts.h"
#include "app/gui/resultsform.h"

namespace brisolt {

using namespace mainform;

namespace {

// The maker's line under the version.
const char kMakerLine[] = "Разработка: Ostrak";
const char kStateNone[] = "Обработка не выполнялась, протокол не сформирован";

QLabel* MakeLinkLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  label->setStyleSheet(QStringLiteral("color: blue"));
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

// The items' ids are their places. The groups list the choices of TSaldoFilter, TProtFormat and
// TProtForm in the order of their values, so that an item is its choice (RadioGroupChoice).
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

}  // namespace

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

  // The folder, the notice and (below) the insurer list: the page "Результаты" takes their room, as
  // they serve the other pages only.
  Folder_Panel = new QWidget(this);
  Folder_Panel->setObjectName(QStringLiteral("Folder_Panel"));
  QVBoxLayout* outer = layout;
  layout = new QVBoxLayout(Folder_Panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(outer->spacing());

  // The label beside its field, the insurer list from two rows and the parameters page in a
  // scroll area: the window's least height fits 1366 x 768 at 150 % with a task bar.
  auto* pathRow = new QHBoxLayout;
  auto* pathLabel = new QLabel(Text("Путь к файлам ПФР:"), this);
  pathRow->addWidget(pathLabel);
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
  // Room for the longest notice where the window is as wide as designed or wider, so that the
  // controls below stay put when it changes; a narrower window gives it the line more it needs.
  Notice_Label->setMinimumHeight(3 * QFontMetrics(bold).lineSpacing());
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
  // The header and two rows at the least; a taller window shows more.
  Insurers_Grid->setMinimumHeight(Insurers_Grid->horizontalHeader()->sizeHint().height() + 2 * 20 +
                                  2 * Insurers_Grid->frameWidth());
  Insurers_Grid->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
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
  layout = outer;
  layout->addWidget(Folder_Panel);
  // The list in a panel of its own: the notice's height follows the window's width, and the list
  // takes a fifth of the room beyond the least, the pages the rest.
  Insurers_Panel = new QWidget(this);
  Insurers_Panel->setObjectName(QStringLiteral("Insurers_Panel"));
  Insurers_Panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
  Insurers_Panel->setMinimumHeight(Insurers_Grid->minimumHeight());
  gridRow->setContentsMargins(0, 0, 0, 0);
  Insurers_Panel->setLayout(gridRow);
  layout->addWidget(Insurers_Panel, 1);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  Params_Sheet = CreateParamsPage();
  Protocol_Sheet = CreateProtocolPage();
  PageControl->addTab(Params_Sheet, Text("Параметры"));
  PageControl->addTab(Protocol_Sheet, Text("Протокол"));
  Results_Sheet = new TResults_Form(this);
  Results_Sheet->SetDialogs(&dialogs_);
  Results_Sheet->setObjectName(QStringLiteral("Results_Sheet"));
  PageControl->addTab(Results_Sheet, Text("Результаты"));
  connect(PageControl, &QTabWidget::currentChanged, this, [this](int) { PCChange(); });
  layout->addWidget(PageControl, 4);
}

QWidget* TMain_Form::CreateParamsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("Params_Page"));
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

  auto* orgNameRow = new QHBoxLayout;
  auto* orgNameLabel = new QLabel(Text("И наименование страхователя:"), page);
  orgNameRow->addWidget(orgNameLabel);
  OrgName_Edit = new QLineEdit(page);
  OrgName_Edit->setObjectName(QStringLiteral("OrgName_Edit"));
  orgNameLabel->setBuddy(OrgName_Edit);
  orgNameRow->addWidget(OrgName_Edit, 1);
  layout->addLayout(orgNameRow);
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
  QStringList formats;
  // A build without the XLSX writer offers only what it can write.
  for (const TProtFormatRow& row : kProtFormats) {
    if (!row.Caption.empty() && FormatBuilt(row)) formats << QString::fromUtf8(row.Caption.data(), static_cast<qsizetype>(row.Caption.size()));
  }
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

  // The page scrolls where the window is lower than the page; it is never narrower than the
  // page, so that it scrolls sideways only while the up-and-down scroll bar takes its room.
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("Params_Sheet"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(page);
  scroll->setMinimumWidth(page->minimumSizeHint().width());
  // At the least: the two fields and the start of the options.
  scroll->setMinimumHeight(std::min(page->minimumSizeHint().height(),
                                    7 * QFontMetrics(page->font()).lineSpacing()));
  return scroll;
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

}  // namespace brisolt
