// The main window's protocol page: the protocol a run wrote, opened in its program or saved
// under another name.
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSaveFile>
#include <QTextEdit>

#include <string>

#include "app/gui/mainform.h"
#include "app/gui/mainformtexts.h"
#include "app/gui/qtext.h"
#include "app/gui/userdialogs.h"

namespace brisolt {

using namespace mainform;

namespace {

const char kStateWritten[] = "Сформирован протокол с именем";

}  // namespace

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

}  // namespace brisolt
