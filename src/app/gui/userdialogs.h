// Everything the windows ask of the user or hand to the desktop goes through this one interface:
// message boxes, the folder picker, the save dialog and the shell. The program uses the real one;
// tests put in their own to see what would have been shown or started.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

class QWidget;

namespace brisolt {

enum class TMessageIcon { Error, Information };

class TUserDialogs {
 public:
  virtual ~TUserDialogs() = default;

  // A modal message box owned by `owner`.
  virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                           TMessageIcon icon) = 0;

  // A modal question with one button for each of `answers`, the first one the default; the
  // index of the answer taken, `cancel` when the box is closed without one (Esc, its cross).
  virtual int AskChoice(QWidget* owner, const QString& text, const QString& caption,
                        const QStringList& answers, int cancel) = 0;

  // The folder picker; empty when the user cancels.
  virtual QString BrowseForFolder(QWidget* owner, const QString& initialFolder) = 0;

  // A save dialog that asks before overwriting; `dialogName` names it (HTMLSaveDialog,
  // XMLSaveDialog), `filter` is a Qt name filter. Empty when the user cancels.
  virtual QString AskSaveFileName(QWidget* owner, const QString& dialogName,
                                  const QString& filter, const QString& fileName) = 0;

  // The desktop's program for a document or a web address; detached, result not checked.
  virtual void ShellOpen(const std::string& target) = 0;

  // A named spreadsheet program with the file as its one parameter; detached, result not checked.
  virtual void StartProgram(const std::string& program, const std::string& file) = 0;
};

// Real boxes, real dialogs, the real desktop.
TUserDialogs& DesktopUserDialogs();

}  // namespace brisolt
