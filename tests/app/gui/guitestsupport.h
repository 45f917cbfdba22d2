// Shared by the window tests: a settings store in a temporary folder, and dialogs that record
// what would have been shown or started.
#pragma once

#include <QGuiApplication>
#include <QSettings>
#include <cstdlib>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "app/gui/settings.h"
#include "app/gui/userdialogs.h"

namespace brisolt::testing {

// Points the program's settings store into `folder` so that no test reads or writes the user's.
inline void UseTemporarySettingsStore(const QTemporaryDir& folder) {
  QVERIFY(folder.isValid());
  // Windows' native store is the registry, one key for all the tests running at once.
  UseSettingsFile();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
  QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrak"),
                  QStringLiteral("Brisolt"));
  QVERIFY2(store.fileName().startsWith(folder.path()), qPrintable(store.fileName()));
}

// Sets the TEMP variable the program takes its default protocol folder from. Windows keeps the
// environment in UTF-16; qputenv would pass the bytes in the ANSI code page.
inline void SetTempVariable(const QString& folder) {
#ifdef Q_OS_WIN
  _wputenv_s(L"TEMP", reinterpret_cast<const wchar_t*>(folder.utf16()));
#else
  qputenv("TEMP", folder.toUtf8());
#endif
}

struct TShownMessage {
  QString Text;
  QString Caption;
  TMessageIcon Icon;
};

struct TChoiceQuestion {
  QString Text;
  QString Caption;
  QStringList Answers;
  int Cancel;
  bool WaitCursor;  // the program's wait cursor was up while it asked
};

struct TSaveQuestion {
  QString DialogName;
  QString Filter;
  QString FileName;
};

class TRecordingDialogs : public TUserDialogs {
 public:
  void ShowMessage(QWidget*, const QString& text, const QString& caption,
                   TMessageIcon icon) override {
    Messages.push_back({text, caption, icon});
  }
  int AskChoice(QWidget*, const QString& text, const QString& caption, const QStringList& answers,
                int cancel) override {
    Questions.push_back({text, caption, answers, cancel, QGuiApplication::overrideCursor() != nullptr});
    return ChoiceAnswer;
  }
  QString BrowseForFolder(QWidget*, const QString& initialFolder) override {
    BrowseInitialFolders.push_back(initialFolder);
    return FolderAnswer;
  }
  QString AskSaveFileName(QWidget*, const QString& dialogName, const QString& filter,
                          const QString& fileName) override {
    SaveQuestions.push_back({dialogName, filter, fileName});
    return SaveAnswer;
  }
  void ShellOpen(const std::string& target) override { Opened.push_back(target); }
  void StartProgram(const std::string& program, const std::string& file) override {
    Started.push_back({program, file});
  }

  int ChoiceAnswer = 0;
  std::vector<TChoiceQuestion> Questions;
  QString FolderAnswer;
  QString SaveAnswer;
  std::vector<TShownMessage> Messages;
  std::vector<QString> BrowseInitialFolders;
  std::vector<TSaveQuestion> SaveQuestions;
  std::vector<std::string> Opened;
  std::vector<std::pair<std::string, std::string>> Started;
};

}  // namespace brisolt::testing
