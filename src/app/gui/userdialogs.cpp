#include "app/gui/userdialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include "app/gui/dirselect.h"
#include "app/pipeline.h"

namespace brisolt {
namespace {

class TDesktopUserDialogs final : public TUserDialogs {
 public:
  void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                   TMessageIcon icon) override {
    QMessageBox box(icon == TMessageIcon::Error ? QMessageBox::Critical
                                                : QMessageBox::Information,
                    caption, text, QMessageBox::Ok, owner);
    box.exec();
  }

  int AskChoice(QWidget* owner, const QString& text, const QString& caption,
                const QStringList& answers, int cancel) override {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, owner);
    QList<QPushButton*> buttons;
    for (const QString& answer : answers) {
      // One role for all keeps the buttons in the order given on every platform's style.
      buttons.append(box.addButton(answer, QMessageBox::ActionRole));
    }
    if (!buttons.isEmpty()) box.setDefaultButton(buttons.first());
    if (cancel >= 0 && cancel < buttons.size()) box.setEscapeButton(buttons[cancel]);
    box.exec();
    const int taken = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return taken >= 0 ? taken : cancel;
  }

  QString BrowseForFolder(QWidget* owner, const QString& initialFolder) override {
    return brisolt::BrowseForFolder(owner, initialFolder);
  }

  QString AskSaveFileName(QWidget* owner, const QString& dialogName, const QString& filter,
                          const QString& fileName) override {
    QFileDialog dialog(owner);
    dialog.setObjectName(dialogName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    // The overwrite question is on by default; say so, since the copy overwrites without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectFile(fileName);
    PrepareFileColumns(dialog);
    dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 440)));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    // A name typed without an extension takes the one of the file type chosen, which for a
    // spreadsheet decides between the XML file and the XLSX workbook.
    QString name = chosen.first();
    if (QFileInfo(name).suffix().isEmpty()) {
      static const QRegularExpression firstPattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
      const QRegularExpressionMatch match = firstPattern.match(dialog.selectedNameFilter());
      if (match.hasMatch()) name += match.captured(1);
    }
    return name;
  }

  void ShellOpen(const std::string& target) override {
    const QString text = QString::fromStdString(target);
    const bool address = text.startsWith(QLatin1String("http://")) ||
                         text.startsWith(QLatin1String("https://"));
    QDesktopServices::openUrl(address ? QUrl(text) : QUrl::fromLocalFile(text));
  }

  void StartProgram(const std::string& program, const std::string& file) override {
    // The batch run's opener knows what stands for these programs on this platform.
    OpenProtocol(file, program == "excel.exe" ? TProtFormat::ExcelXml : TProtFormat::CalcXml);
  }
};

}  // namespace

TUserDialogs& DesktopUserDialogs() {
  static TDesktopUserDialogs dialogs;
  return dialogs;
}

}  // namespace brisolt
