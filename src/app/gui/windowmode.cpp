#include "app/windowmode.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/gui/helpform.h"
#include "app/gui/mainform.h"
#include "app/platform.h"
#include "app/gui/progressform.h"
#include "app/gui/userdialogs.h"

namespace brisolt {
namespace {

const char kNoDisplay[] =
    "Не удалось открыть окно программы: нет графического дисплея. Для работы без окна укажите "
    "параметры командной строки.";

// Until the window system is up, a failure to reach it is fatal inside Qt (it aborts). Tell the
// user in one line and end with the status of any other failure instead.
bool g_starting = true;
QtMessageHandler g_previousHandler = nullptr;

void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (g_starting && type == QtFatalMsg) {
    platform::ReportError(kNoDisplay);
    std::_Exit(1);
  }
  if (g_starting) {
    // Qt's own explanations of why no window can be opened would only repeat that line.
    return;
  }
  if (g_previousHandler) g_previousHandler(type, context, message);
}

}  // namespace

bool InstallQtTranslation() {
  // Qt's own texts (the file dialogs, the overwrite question, the edit menus) in Russian like the
  // rest of the window, whatever the user's locale. Qt's folder on Linux, beside the program on
  // Windows, where the translations travel with it.
  auto* translator = new QTranslator(QCoreApplication::instance());
  const QString beside = QCoreApplication::applicationDirPath();
  const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               beside + QStringLiteral("/translations"), beside};
  for (const QString& folder : folders) {
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                         QStringLiteral("_"), folder)) {
      return QCoreApplication::installTranslator(translator);
    }
  }
  delete translator;
  return false;
}

int RunWindowMode(int argc, char** argv) {
  if (!platform::DisplayConfigured()) {
    platform::ReportError(kNoDisplay);
    return 1;
  }
  g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
  QApplication application(argc, argv);
  g_starting = false;
  QApplication::setApplicationName(QStringLiteral("Brisolt"));
  QApplication::setOrganizationName(QStringLiteral("Ostrak"));
  if (!InstallQtTranslation()) {
    // The window still works; only Qt's standard dialogs speak English.
    platform::ReportError("Не найден перевод Qt на русский язык (qtbase_ru.qm).");
  }

  TMain_Form mainForm(DesktopUserDialogs());
  THelp_Form helpForm(&mainForm);
  TProgress_Form progressForm(&mainForm);
  mainForm.SetCompanions(&helpForm, &progressForm);
  mainForm.show();
  QApplication::exec();
  return 0;
}

}  // namespace brisolt
