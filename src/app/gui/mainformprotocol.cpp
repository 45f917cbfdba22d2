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
#include <string_view>

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

void TMain_Form::OpenSpreadsheet(const QString& fileName, TProtocolOpener opener) {
  // Excel opens both its workbooks.
  dialogs_.StartProgram(opener == TProtocolOpener::CalcFirst ? "scalc.exe" : "excel.exe",
                        NativeFromQString(fileName));
}

void TMain_Form::OpenProt_ButtonClick() {
  const QString fileName = ProtName_Text->toPlainText();
  if (fileName.isEmpty()) {
    ShowMessage(Text("Нечего открывать."), Text(kCaptionError), true);
    return;
  }
  const TProtFormatRow* written = FormatOfFileName(NativeFromQString(fileName));
  if (written != nullptr && written->Opener == TProtocolOpener::Desktop) {
    dialogs_.ShellOpen(NativeFromQString(fileName));
    return;
  }
  // The spreadsheet program is the one chosen now, not the one of the run that wrote the file.
  const TProtFormatRow& chosen =
      ProtFormatRow(RadioGroupChoice<TProtFormat>(*formatItems_).value_or(kProtFormats[0].Format));
  if (chosen.Opener == TProtocolOpener::Desktop) {
    // A file whose name says its format (a workbook written instead of a large page) goes to its
    // own program; the XML workbook leaves the choice between Excel and Calc to the user.
    if (written != nullptr && written->ByFileName) {
      OpenSpreadsheet(fileName, written->Opener);
      return;
    }
    ShowMessage(Text("Пожалуйста, укажите на вкладке \"Параметры\" формат вывода для открытия "
                     "протокола нужной программой."),
                Text("Brisolt"), false);
    return;
  }
  OpenSpreadsheet(fileName, chosen.Opener);
}

void TMain_Form::SaveProt_ButtonClick() {
  const QString fileName = ProtName_Text->toPlainText();
  if (fileName.isEmpty()) {
    ShowMessage(Text("Нечего сохранять."), Text(kCaptionError), true);
    return;
  }
  const auto text = [](std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  };
  // The protocol's own format, by its name; a name the window did not make is copied as HTML is.
  const TProtFormatRow* found = FormatOfFileName(NativeFromQString(fileName));
  const TProtFormatRow& written = found != nullptr ? *found : kProtFormats[0];
  // A protocol whose report the run kept can also be written anew in another format.
  const TProtFormatRow& copyAs = ProtFormatRow(written.CopyAs);
  const bool anew = &copyAs != &written && keptReport_ != nullptr && FormatBuilt(copyAs);
  QString filters = text(written.SaveFilter);
  if (anew) filters += QStringLiteral(";;") + text(copyAs.SaveFilter);
  // The dialog remembers its folder per kind of file: "HTMLSaveDialog", "XMLSaveDialog"...
  const QString dialog = text(written.Extension).mid(1).toUpper() + QStringLiteral("SaveDialog");
  const QString target = dialogs_.AskSaveFileName(this, dialog, filters, fileName);
  if (target.isEmpty()) return;
  if (anew && target.endsWith(text(copyAs.Extension), Qt::CaseInsensitive)) {
    const TRunOutcome copied =
        WriteProtocolCopy(*keptReport_, keptStamp_, copyAs.Format, NativeFromQString(target));
    if (copied.Result == TRunResult::ProtocolTooLarge) {
      ShowMessage(QString::fromStdString(copied.Message), Text(kCaptionError), true);
    } else if (copied.Result != TRunResult::Written) {
      // The writer's message names the file first; the box names it already.
      std::string reason = copied.Message;
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
