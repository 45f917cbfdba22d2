#include "app/gui/progressform.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace brisolt {

TProgress_Form::TProgress_Form(QWidget* mainForm)
    : QWidget(mainForm, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("Progress_Form"));
  setWindowTitle(QStringLiteral("Идёт обработка..."));
  setWindowModality(Qt::ApplicationModal);
  resize(555, 138);

  State_Label = new QLabel(
      QStringLiteral("Для старта обработки перейдите на вкладку \"Параметры\" и щёлкните "
                     "\"Обработать\""),
      this);
  State_Label->setObjectName(QStringLiteral("State_Label"));
  State_Label->setAlignment(Qt::AlignCenter);

  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  Data_Label = new QLabel(QStringLiteral("Ожидание..."), this);
  Data_Label->setObjectName(QStringLiteral("Data_Label"));
  Data_Label->setWordWrap(true);
  Data_Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Data_Label->setMinimumHeight(2 * Data_Label->fontMetrics().lineSpacing());

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(State_Label);
  layout->addWidget(ProgressBar);
  layout->addWidget(Data_Label);
  layout->addStretch(1);
}

void TProgress_Form::ShowProgress(const QString& stage, const QString& detail, int position,
                                  int maximum) {
  // A bar of 0..0 would turn into Qt's busy animation; an empty bar is what an empty total means.
  const int barMaximum = std::max(maximum, 1);
  ProgressBar->setMaximum(barMaximum);
  ProgressBar->setValue(std::clamp(position, 0, maximum > 0 ? maximum : 0));
  State_Label->setText(stage);
  Data_Label->setText(detail);
  update();
}

void TProgress_Form::StartRun() {
  busy_ = true;
  if (QWidget* owner = parentWidget()) {
    const QRect area = owner->frameGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
  raise();
  activateWindow();
}

void TProgress_Form::EndRun() {
  busy_ = false;
  hide();
}

void TProgress_Form::closeEvent(QCloseEvent* event) {
  // The run goes on whatever the user does with this window; it closes itself at the end.
  if (busy_) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

TProgressRelay::TProgressRelay(TProgress_Form* form)
    : form_(form), state_(std::make_shared<TState>()) {}

void TProgressRelay::Report(const std::string& stage, const std::string& detail, int position,
                            int maximum) {
  std::lock_guard<std::mutex> lock(state_->Mutex);
  state_->Stage = stage;
  state_->Detail = detail;
  state_->Position = position;
  state_->Maximum = maximum;
  if (state_->Pending) return;
  state_->Pending = true;
  QMetaObject::invokeMethod(
      form_,
      [form = form_, state = state_] {
        QString stageText;
        QString detailText;
        int latestPosition = 0;
        int latestMaximum = 0;
        {
          std::lock_guard<std::mutex> deliveryLock(state->Mutex);
          stageText = QString::fromStdString(state->Stage);
          detailText = QString::fromStdString(state->Detail);
          latestPosition = state->Position;
          latestMaximum = state->Maximum;
          state->Pending = false;
        }
        form->ShowProgress(stageText, detailText, latestPosition, latestMaximum);
      },
      Qt::QueuedConnection);
}

}  // namespace brisolt
