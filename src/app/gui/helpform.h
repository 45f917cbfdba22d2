// The help window: the program's fixed help text, read-only, shown beside the main window.
#pragma once

#include <QStringList>
#include <QWidget>

class QTextEdit;

namespace brisolt {

class THelp_Form : public QWidget {
  Q_OBJECT

 public:
  explicit THelp_Form(QWidget* mainForm);

  // Shown without blocking the main window, centred over it the first time.
  void ShowBeside();

  QTextEdit* Help_RichEdit;

 private:
  bool placed_ = false;
};

// The help text, one entry per line; the section headings are lines of their own.
QStringList HelpTextLines();

// The seven section headings, in order.
QStringList HelpSectionHeadings();

}  // namespace brisolt
