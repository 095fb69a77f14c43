#include "ui/find/number_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ui {

namespace {

TBeepHook& BeepHook() {
  static TBeepHook hook;
  return hook;
}

class TDigitFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.isEmpty()) return false;  // arrows, Delete, Tab: no character typed
    const QChar c = text.front();
    if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('\r') ||
        c == QLatin1Char('\n') || c == QChar(0x1b))
      return false;
    Beep();
    return true;
  }
};

}  // namespace

TBeepHook SetBeepHook(TBeepHook hook) {
  TBeepHook old = std::move(BeepHook());
  BeepHook() = std::move(hook);
  return old;
}

void Beep() {
  if (BeepHook()) BeepHook()();
  else QApplication::beep();
}

void MakeDigitEdit(QLineEdit* edit, int maxLength) {
  edit->setMaxLength(maxLength);
  edit->installEventFilter(new TDigitFilter(edit));
}

TUpDown::TUpDown(QLineEdit* associate, int min, int max, QWidget* parent)
    : QWidget(parent), edit_(associate), min_(min), max_(max) {
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFixedSize(16, 11);
    b->setFocusPolicy(Qt::NoFocus);
  }
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(up_);
  layout->addWidget(down_);
  setFixedWidth(16);
}

void TUpDown::Step(int delta) {
  bool ok = false;
  int value = edit_->text().toInt(&ok);
  if (!ok) value = delta > 0 ? min_ - 1 : max_ + 1;
  value = std::clamp(value + delta, min_, max_);
  edit_->setText(QString::number(value));
}

}  // namespace ui
