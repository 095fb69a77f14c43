// The file drop target on Qt: a TDropFileTarget attached to a widget, fed by the
// widget's drag events.  The owner decides through the target's events; the main
// window's panes answer no effect, so a drag over them shows the refusing cursor and
// nothing can be dropped there.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "dragdrop/drop_target.h"

class QAbstractScrollArea;
class QTimer;
class QWidget;

namespace ui {

// The widget as the target sees it: its name, scroll bars and font.  `scroller`
// gives the scroll area to scroll (for a control that shows one of several views).
class TQtDropControl : public TDropControl {
 public:
  TQtDropControl(QWidget* widget, std::function<QAbstractScrollArea*()> scroller = {});
  QWidget* Widget() const { return widget_; }
  std::string Name() const override;
  bool HasWindow() const override;
  bool HasHorizontalScrollBar() const override;
  bool HasVerticalScrollBar() const override;
  int FontHeight() const override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void ScrollBy(int dx, int dy) override;

 private:
  QAbstractScrollArea* Scroller() const;
  QPointer<QWidget> widget_;
  std::function<QAbstractScrollArea*()> scroller_;
};

class TFileDropTarget : public QObject {
  Q_OBJECT
 public:
  explicit TFileDropTarget(QObject* parent = nullptr);
  ~TFileDropTarget() override;

  TDropFileTarget& Target() { return *target_; }
  // Attaches to `widget` (drops are then delivered to it); throws EDropTargetError.
  void Register(QWidget* widget, std::function<QAbstractScrollArea*()> scroller = {});
  void Unregister();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class TRegistry;
  std::unique_ptr<TRegistry> registry_;
  std::unique_ptr<TDropFileTarget> target_;
  std::unique_ptr<TQtDropControl> control_;
  std::unique_ptr<TDropData> data_;  // the current drag's data, held as long as it lasts
  QTimer* timer_;
};

}  // namespace ui
