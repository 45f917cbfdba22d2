#include "app/gui/helpform.h"

#include <QKeySequence>
#include <QScrollBar>
#include <QShortcut>
#include <QTextEdit>
#include <QVBoxLayout>

#include <iterator>
#include <string_view>

#include "protocol/protformats.h"

namespace brisolt {
namespace {

// Lines made from the table of formats (HelpLines), so that a new format needs no new text here.
const char kWindowFormats[] = "@window-formats";
const char kNamedFormats[] = "@named-formats";
const char kChosenFormats[] = "@chosen-formats";

// Section headings are marked with "#" so that the window can set them in bold.
const char* const kHelpText[] = {
    "#Программа Brisolt",
    "",
    "#Назначение программы",
    "Программа анализирует индивидуальные (персонифицированные) сведения, переданные",
    "страхователем в Пенсионный фонд Российской Федерации, и сопоставляет начисленные",
    "и уплаченные страховые взносы по каждому застрахованному лицу и каждому отчётному",
    "периоду начиная с 1 января 2010 года, отдельно по страховой и накопительной части.",
    "Так выявляется задолженность, которую нужно погасить в текущем периоде, и переплата,",
    "которую индивидуальные сведения показывать не должны.",
    "",
    "#Системные требования:",
    "- процессор с тактовой частотой от 1 ГГц;",
    "- оперативная память от 512 МБ (для больших объёмов данных - от 2 ГБ);",
    "- 50 МБ свободного места на диске для программы и ещё место для протоколов:",
    "  протокол HTML занимает около 1 КБ на работника за каждый отчётный период",
    "  (около 12 КБ на работника за три года), книга XLSX - в 10-15 раз меньше;",
    "- Windows 7, 8, 10 или 11, либо Linux с графическим окружением;",
    "- для протоколов в виде электронной таблицы - Microsoft Excel или OpenOffice",
    "  (LibreOffice) Calc; протокол в формате HTML открывается любым браузером.",
    "",
    "#Способ применения:",
    "1. Поместите в одну папку файлы с индивидуальными сведениями по формам СЗВ-6-1,",
    "   СЗВ-6-2, СЗВ-6-4 и СЗВ-6-3 одного или нескольких страхователей за все периоды",
    "   начиная с первого полугодия 2010 года. Файлы можно разложить по вложенным папкам.",
    "   Файлы других форм (РСВ-1, АДВ-6-2, СПВ-1 и т. п.) программа пропускает,",
    "   корректирующие и отменяющие сведения учитываются.",
    "2. Запустите программу.",
    "3. Нажмите кнопку \"Обзор\" и выберите папку с файлами. Если файлы лежат и во",
    "   вложенных папках, отметьте \"Включать вложенные папки\".",
    "4. Нажмите кнопку \"Получить список страхователей\" - в таблице появятся",
    "   страхователи, найденные в папке. Можно также ввести регистрационный номер",
    "   (несколько номеров - через запятую) и наименование страхователя вручную.",
    "   Внимание: при неверно введённом номере обработка завершится",
    "   сообщением об ошибке.",
    "5. Выберите страхователя в таблице, укажите параметры протокола (каких работников",
    "   выводить, формат и вид протокола) и нажмите \"Обработать\" либо щёлкните",
    "   двойным щелчком на строке со страхователем.",
    kWindowFormats,
    "Примечание: обработка большого объёма сведений может занять несколько минут и",
    "полностью загрузить процессор. В это время программа лишь кажется зависшей:",
    "дождитесь окончания обработки, ход которой показывает окно \"Идёт обработка...\".",
    "",
    "#Описание протокола обработки",
    "Протокол состоит из следующих частей:",
    "1. Версия программы, сформировавшей протокол.",
    "2. Дата и время формирования протокола.",
    "3. Сведения о страхователе: наименование и регистрационный номер в ПФР.",
    "4. Список обработанных файлов в порядке обработки (его можно скрыть).",
    "5. Список обработанных отчётных периодов.",
    "6. Таблица по каждому застрахованному лицу.",
    "7. Итоги по всем застрахованным лицам за каждый период.",
    "8. Сверка индивидуальных сведений с формами СЗВ-6-3 (если такие формы найдены).",
    "Таблица по застрахованным лицам содержит столбцы:",
    "- \"Страховой номер\" - СНИЛС застрахованного лица;",
    "- \"Фамилия, имя, отчество\";",
    "- \"Дата увольнения\" - дата окончания последнего периода работы, если она раньше",
    "  окончания последнего обработанного периода; \"Отсутствует\" - если сведений о",
    "  периодах работы нет; прочерк - если лицо работает до конца последнего периода;",
    "- \"№ файла\" - номера файлов из списка обработанных файлов, откуда взяты сведения;",
    "- по страховой и по накопительной части: \"Начислено\" и \"Уплачено\" в периоде,",
    "  \"Начислено\" и \"Уплачено\" нарастающим итогом и \"Сальдо\";",
    "- \"Примечание\" - предупреждения и ошибки по застрахованному лицу.",
    "Сальдо - разница между начисленными и уплаченными взносами нарастающим итогом.",
    "Положительное сальдо - задолженность, которую нужно указать в графе \"Уплачено\"",
    "индивидуальных сведений следующего периода. Отрицательное сальдо - переплата,",
    "которая в индивидуальных сведениях недопустима. Такие застрахованные лица и",
    "ошибочные значения сальдо выделяются в протоколе красным цветом.",
    "",
    "#Работа из командной строки",
    "Программу можно запустить без окна, указав параметры в командной строке:",
    "brisolt /regnumb=<рег. номер> /path=<папка> /orgname=<наименование>",
    "        [/calccorr=0|1] [/protfilename=<файл>] [/protform=0|1] [/protformat=0|1|2]",
    "        [/protopen=0|1] [/saldofilter=0|1|2|3] [/subdirs=0|1]",
    "Значения с пробелами заключаются в кавычки, например /orgname=\"ООО Ромашка\".",
    "Кавычки снимаются, только если ими начинается и заканчивается всё значение:",
    "кавычки в самом наименовании (ООО \"Ромашка\") сохраняются.",
    "Обязательны три параметра: regnumb, path и orgname; остальные семь - нет.",
    "/calccorr - учитывать корр. сведения при отсутствии исходных: 0 - нет, 1 - да;",
    "   по умолчанию 0.",
    "/orgname - наименование страхователя для протокола; может быть пустым.",
    "/path - папка с файлами ПФР; папка должна существовать.",
    "/protfilename - полное имя файла протокола; по умолчанию файл во временной папке",
    kNamedFormats,
    "/protform - вид формы протокола: 0 - компактная, 1 - наглядная; по умолчанию 0.",
    kChosenFormats,
    "   по умолчанию 0.",
    "/protopen - открыть протокол после обработки: 0 - нет, 1 - да; по умолчанию 0.",
    "/regnumb - регистрационный номер страхователя в ПФР вида NNN-NNN-NNNNNN;",
    "   несколько номеров указываются через запятую без пробелов.",
    "/saldofilter - выводить работников с сальдо: 0 - всех, 1 - с ненулевым,",
    "   2 - с задолженностью, 3 - с переплатой; по умолчанию 0.",
    "/subdirs - включать вложенные папки: 0 - нет, 1 - да; по умолчанию 0.",
    "Без окна программа сообщает об ошибках одной строкой в стандартный поток ошибок",
    "и завершается с кодом: 0 - протокол сформирован; 2 - ошибка в параметрах;",
    "3 - не удалось извлечь сведения о сотрудниках; 4 - не удалось записать протокол;",
    "5 - протокол сформирован, но не все файлы удалось прочитать; 1 - прочие ошибки.",
    "",
    "#Дополнительная информация",
    "Подробное руководство - как читать протокол, что означает каждое примечание и",
    "что делать с каждым сообщением - открывается ссылкой \"Описание\" в главном окне;",
    "оно поставляется вместе с программой (папка guide).",
    "Программа время от времени обновляется: меняются тарифы страховых взносов,",
    "предельная величина базы и формы сведений. Сообщая об ошибке, приложите,",
    "пожалуйста, протокол и опишите, что было сделано.",
};

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// `text` in lines of at most kWidth characters where its words allow, each after `indent`.
constexpr qsizetype kWidth = 80;
void AppendWrapped(QStringList& lines, const QString& text, const QString& indent) {
  QString line = indent;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (line.size() > indent.size() && line.size() + 1 + word.size() > kWidth) {
      lines.append(line);
      line = indent;
    }
    if (line.size() > indent.size()) line += QLatin1Char(' ');
    line += word;
  }
  lines.append(line);
}

// The help's lines, headings still marked with "#", the formats' lines made from the table.
QStringList HelpLines() {
  QStringList lines;
  const QString indent = QStringLiteral("   ");
  for (const char* line : kHelpText) {
    if (line == kWindowFormats) {
      // The formats the window offers, by the file each writes: "Excel" and "OpenOffice Calc" the same.
      QString text;
      for (std::size_t at = 0; at < std::size(kProtFormats); ++at) {
        const TProtFormatRow& row = kProtFormats[at];
        if (row.Caption.empty() || !FormatBuilt(row)) continue;
        text += text.isEmpty() ? QStringLiteral("Формат \"") : QStringLiteral("\"");
        text += Utf8(row.Caption) + QLatin1Char('"');
        const bool sameNext = at + 1 < std::size(kProtFormats) && kProtFormats[at + 1].Extension == row.Extension &&
                              !kProtFormats[at + 1].Caption.empty();
        text += sameNext ? QStringLiteral(" и ") : QStringLiteral(" - файл ") + Utf8(row.Extension) + QStringLiteral("; ");
      }
      text.chop(2);
      AppendWrapped(lines, text + QLatin1Char('.'), indent);
    } else if (line == kNamedFormats) {
      QStringList chosen;
      QStringList named;
      for (const TProtFormatRow& row : kProtFormats) {
        QStringList& list = row.ByFileName ? named : chosen;
        if (!list.contains(Utf8(row.Extension))) list.append(Utf8(row.Extension));
      }
      const auto either = [](QStringList list) {
        const QString last = list.takeLast();
        return list.isEmpty() ? last : list.join(QStringLiteral(", ")) + QStringLiteral(" или ") + last;
      };
      AppendWrapped(lines,
                    QStringLiteral("с именем из регистрационного номера и расширением ") + either(chosen) +
                        QStringLiteral("; имя с расширением ") + either(named) +
                        QStringLiteral(" - файл этого формата при любом значении protformat."),
                    indent);
    } else if (line == kChosenFormats) {
      QStringList values;
      for (const TProtFormatRow& row : kProtFormats) {
        if (row.Caption.empty() || row.ByFileName) continue;
        values << QString::number(static_cast<int>(row.Format)) + QStringLiteral(" - ") + Utf8(row.Caption);
      }
      AppendWrapped(lines, QStringLiteral("/protformat - формат вывода: ") + values.join(QStringLiteral(", ")) +
                               QLatin1Char(';'), QString());
    } else {
      lines.append(QString::fromUtf8(line));
    }
  }
  return lines;
}

}  // namespace

QStringList HelpTextLines() {
  QStringList lines = HelpLines();
  for (QString& line : lines) {
    if (line.startsWith(QLatin1Char('#'))) line.remove(0, 1);
  }
  return lines;
}

QStringList HelpSectionHeadings() {
  QStringList headings;
  for (const QString& line : HelpLines()) {
    if (line.startsWith(QLatin1Char('#'))) headings.append(line.mid(1));
  }
  return headings;
}

THelp_Form::THelp_Form(QWidget* mainForm) : QWidget(mainForm, Qt::Window) {
  setObjectName(QStringLiteral("Help_Form"));
  setWindowTitle(QStringLiteral("Справка"));
  // Opens at the size its lines were set for; a clerk may make it larger, or smaller and scroll.
  resize(614, 346);
  setMinimumSize(300, 150);
  // Closed as a dialog is, from the keyboard.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);

  Help_RichEdit = new QTextEdit(this);
  Help_RichEdit->setObjectName(QStringLiteral("Help_RichEdit"));
  Help_RichEdit->setReadOnly(true);
  Help_RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Help_RichEdit->setLineWrapMode(QTextEdit::WidgetWidth);

  QString html = QStringLiteral("<html><body style=\"white-space: pre-wrap\">");
  for (const QString& line : HelpLines()) {
    const bool heading = line.startsWith(QLatin1Char('#'));
    const QString text = (heading ? line.mid(1) : line).toHtmlEscaped();
    html += heading ? QStringLiteral("<b>") + text + QStringLiteral("</b>") : text;
    html += QStringLiteral("<br/>");
  }
  html += QStringLiteral("</body></html>");
  Help_RichEdit->setHtml(html);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Help_RichEdit);
}

void THelp_Form::ShowBeside() {
  if (!placed_) {
    if (QWidget* owner = parentWidget()) {
      move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
}

}  // namespace brisolt
