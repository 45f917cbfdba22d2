#include "app/dirselect.h"

#include <QDir>
#include <QFileDialog>

namespace brisolt {

QString BrowseForFolder(QWidget* owner, const QString& initialFolder) {
  QFileDialog dialog(owner, QStringLiteral("Выбор папки"), initialFolder);
  dialog.setObjectName(QStringLiteral("BrowseForFolder"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!initialFolder.isEmpty() && QDir(initialFolder).exists()) {
    dialog.setDirectory(initialFolder);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  return QDir::toNativeSeparators(QDir(chosen.first()).absolutePath());
}

}  // namespace brisolt
