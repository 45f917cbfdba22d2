#include "app/gui/dirselect.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace brisolt {
namespace {

enum TColumn { kName, kSize, kType, kDate };

QString SizeText(qint64 bytes) {
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  if (bytes < 1024) return russian.toString(bytes) + QStringLiteral(" байт");
  static const char* const kUnits[] = {"КБ", "МБ", "ГБ", "ТБ"};
  double amount = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (amount >= 1024 && unit < 3) {
    amount /= 1024;
    ++unit;
  }
  return russian.toString(amount, 'f', amount < 10 ? 1 : 0) + QLatin1Char(' ') +
         QString::fromUtf8(kUnits[unit]);
}

// Qt's file system model names types and sizes in English ("Folder", "KiB") and leaves the date
// to a format the column may be too narrow for; the clerk reads Russian.
class TRussianColumns final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || index.column() == kName) {
      return QIdentityProxyModel::data(index, role);
    }
    const QFileInfo info = files->fileInfo(mapToSource(index));
    switch (index.column()) {
      case kSize:
        return info.isDir() ? QString() : SizeText(info.size());
      case kType:
        if (info.isDir()) return QStringLiteral("Папка");
        return info.suffix().isEmpty() ? QStringLiteral("Файл")
                                       : QStringLiteral("Файл ") + info.suffix().toUpper();
      case kDate:
        return info.lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
      default:
        return QIdentityProxyModel::data(index, role);
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
      switch (section) {
        case kName: return QStringLiteral("Имя");
        case kSize: return QStringLiteral("Размер");
        case kType: return QStringLiteral("Тип");
        case kDate: return QStringLiteral("Дата изменения");
        default: break;
      }
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
  }
};

}  // namespace

void PrepareFileColumns(QFileDialog& dialog) {
  dialog.setProxyModel(new TRussianColumns(&dialog));
  if (auto* details = dialog.findChild<QTreeView*>()) {
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(kName, QHeaderView::Stretch);
  }
}

QString BrowseForFolder(QWidget* owner, const QString& initialFolder) {
  QFileDialog dialog(owner, QStringLiteral("Выбор папки"), initialFolder);
  dialog.setObjectName(QStringLiteral("BrowseForFolder"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!initialFolder.isEmpty() && QDir(initialFolder).exists()) {
    dialog.setDirectory(initialFolder);
  }
  PrepareFileColumns(dialog);
  dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 440)));
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  return QDir::toNativeSeparators(QDir(chosen.first()).absolutePath());
}

}  // namespace brisolt
