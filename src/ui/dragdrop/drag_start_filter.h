// The start of a drag out of a view: a press records the point, a release forgets it,
// and a move with the left or right button down that leaves the point by 3 pixels or
// more on either axis starts the drag (the move is then not passed on to the view).
// One filter can watch several widgets (the viewports of a window's panes); they
// share the press point, as one window's panes share one press.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QWidget;

namespace ui {

class TDragStartFilter : public QObject {
  Q_OBJECT
 public:
  // `start` gets the widget and the press point (in its coordinates) and answers
  // whether it started a drag.
  using TStart = std::function<bool(QWidget* widget, QPoint press)>;
  explicit TDragStartFilter(TStart start, QObject* parent = nullptr);

  void Watch(QWidget* widget);
  // The press point, (-1, -1) when none is recorded.
  int PressX() const { return pressX_; }
  int PressY() const { return pressY_; }
  void Reset() { pressX_ = pressY_ = -1; }
  // While set, moves start nothing (a drag is running).
  void SetBusy(bool busy) { busy_ = busy; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TStart start_;
  int pressX_ = -1;
  int pressY_ = -1;
  bool busy_ = false;
};

}  // namespace ui
