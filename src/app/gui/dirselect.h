// The folder picker behind the "Обзор" button, and what it shares with the save dialog.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace brisolt {

// Shows the platform's folder browser over `owner` with `initialFolder` preselected. Returns the
// chosen folder's full path, or the empty text when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& initialFolder);

// The size, type and date columns of Qt's own file dialog in Russian whatever the system's
// language ("Папка", "12,5 КБ", "07.12.2026 12:34"), each as wide as what it shows, the name
// taking the rest. Call before the dialog is shown; a native dialog speaks the system's language.
void PrepareFileColumns(QFileDialog& dialog);

}  // namespace brisolt
