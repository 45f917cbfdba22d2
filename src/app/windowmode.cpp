#include "app/windowmode.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/helpform.h"
#include "app/mainform.h"
#include "app/platform.h"
#include "app/progressform.h"
#include "app/userdialogs.h"

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

bool DisplayConfigured() {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
  return true;
#else
  return !platform::GetEnv("DISPLAY").empty() || !platform::GetEnv("WAYLAND_DISPLAY").empty() ||
         !platform::GetEnv("QT_QPA_PLATFORM").empty();
#endif
}

}  // namespace

int RunWindowMode(int argc, char** argv) {
  if (!DisplayConfigured()) {
    platform::ReportError(kNoDisplay);
    return 1;
  }
  g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
  QApplication application(argc, argv);
  g_starting = false;
  QApplication::setApplicationName(QStringLiteral("Brisolt"));
  QApplication::setOrganizationName(QStringLiteral("Ostrak"));

  TMain_Form mainForm(DesktopUserDialogs());
  THelp_Form helpForm(&mainForm);
  TProgress_Form progressForm(&mainForm);
  mainForm.SetCompanions(&helpForm, &progressForm);
  mainForm.show();
  QApplication::exec();
  return 0;
}

}  // namespace brisolt
