// The folder picker behind the "Обзор" button.
#pragma once

#include <QString>

class QWidget;

namespace brisolt {

// Shows the platform's folder browser over `owner` with `initialFolder` preselected. Returns the
// chosen folder's full path, or the empty text when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& initialFolder);

}  // namespace brisolt
