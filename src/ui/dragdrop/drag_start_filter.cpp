#include "ui/dragdrop/drag_start_filter.h"

#include <QMouseEvent>
#include <QWidget>

#include "dragdrop/drag_start.h"

namespace ui {

TDragStartFilter::TDragStartFilter(TStart start, QObject* parent)
    : QObject(parent), start_(std::move(start)) {}

void TDragStartFilter::Watch(QWidget* widget) { widget->installEventFilter(this); }

bool TDragStartFilter::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
      pressX_ = p.x();
      pressY_ = p.y();
      break;
    }
    case QEvent::MouseButtonRelease:
      Reset();
      break;
    case QEvent::MouseMove: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (busy_ || pressX_ < 0 || pressY_ < 0) break;
      if (!(e->buttons() & (Qt::LeftButton | Qt::RightButton))) break;
      const QPoint p = e->position().toPoint();
      if (!DragThresholdReached(pressX_, pressY_, p.x(), p.y())) break;
      if (start_ && start_(widget, QPoint(pressX_, pressY_))) return true;
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ui
