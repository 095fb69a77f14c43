#include "ui/dragdrop/file_drop_target.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include "dragdrop/drop_data.h"
#include "ui/dragdrop/file_drag_source.h"

namespace ui {

namespace {

// A drag's QMimeData as the target reads it: local file URLs are its file drop list.
class TMimeDropData : public TDropData {
 public:
  explicit TMimeDropData(const QMimeData* data) : data_(data) {}
  bool QueryGetData(std::uint16_t format) const override {
    return format == ole::CF_HDROP && data_ && !LocalFilesOf(data_->urls()).empty();
  }
  bool GetData(std::uint16_t format, std::vector<std::uint8_t>& block) const override {
    if (!QueryGetData(format)) return false;
    block = BuildHDrop(LocalFilesOf(data_->urls()));
    return true;
  }

 private:
  const QMimeData* data_;
};

std::uint32_t KeyStateOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  std::uint32_t keys = 0;
  if (buttons & Qt::LeftButton) keys |= ole::MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= ole::MK_RBUTTON;
  if (buttons & Qt::MiddleButton) keys |= ole::MK_MBUTTON;
  if (mods & Qt::ShiftModifier) keys |= ole::MK_SHIFT;
  if (mods & Qt::ControlModifier) keys |= ole::MK_CONTROL;
  return keys;
}

std::uint32_t EffectsOf(Qt::DropActions actions) {
  std::uint32_t e = 0;
  if (actions & Qt::CopyAction) e |= ole::DROPEFFECT_COPY;
  if (actions & Qt::MoveAction) e |= ole::DROPEFFECT_MOVE;
  if (actions & Qt::LinkAction) e |= ole::DROPEFFECT_LINK;
  return e;
}

// Accepts the event with the effect's action, or refuses it.
void Answer(QDropEvent* event, std::uint32_t effect) {
  Qt::DropAction action = Qt::IgnoreAction;
  if (effect & ole::DROPEFFECT_COPY) action = Qt::CopyAction;
  else if (effect & ole::DROPEFFECT_MOVE) action = Qt::MoveAction;
  else if (effect & ole::DROPEFFECT_LINK) action = Qt::LinkAction;
  if (action == Qt::IgnoreAction) {
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
  } else {
    event->setDropAction(action);
    event->accept();
  }
}

TDropPoint PointOf(const QDropEvent* event) {
  const QPoint p = event->position().toPoint();
  return {p.x(), p.y()};
}

}  // namespace

// ---------------------------------------------------------------------------
// The control
// ---------------------------------------------------------------------------

TQtDropControl::TQtDropControl(QWidget* widget, std::function<QAbstractScrollArea*()> scroller)
    : widget_(widget), scroller_(std::move(scroller)) {}

QAbstractScrollArea* TQtDropControl::Scroller() const {
  if (scroller_) return scroller_();
  return qobject_cast<QAbstractScrollArea*>(widget_.data());
}

std::string TQtDropControl::Name() const {
  return widget_ ? widget_->objectName().toStdString() : std::string();
}

bool TQtDropControl::HasWindow() const { return !widget_.isNull(); }

bool TQtDropControl::HasHorizontalScrollBar() const {
  QAbstractScrollArea* s = Scroller();
  return s && s->horizontalScrollBar()->isVisible();
}

bool TQtDropControl::HasVerticalScrollBar() const {
  QAbstractScrollArea* s = Scroller();
  return s && s->verticalScrollBar()->isVisible();
}

int TQtDropControl::FontHeight() const {
  return widget_ ? QFontMetrics(widget_->font()).height() : 0;
}

int TQtDropControl::ClientWidth() const { return widget_ ? widget_->width() : 0; }
int TQtDropControl::ClientHeight() const { return widget_ ? widget_->height() : 0; }

void TQtDropControl::ScrollBy(int dx, int dy) {
  QAbstractScrollArea* s = Scroller();
  if (!s) return;
  if (dy) s->verticalScrollBar()->triggerAction(dy < 0 ? QAbstractSlider::SliderSingleStepSub
                                                       : QAbstractSlider::SliderSingleStepAdd);
  if (dx) s->horizontalScrollBar()->triggerAction(dx < 0 ? QAbstractSlider::SliderSingleStepSub
                                                         : QAbstractSlider::SliderSingleStepAdd);
}

// ---------------------------------------------------------------------------
// Registration: the widget accepts drops and its drag events come to the target.
// ---------------------------------------------------------------------------

class TFileDropTarget::TRegistry : public TDropRegistry {
 public:
  explicit TRegistry(TFileDropTarget& owner) : owner_(owner) {}
  HRESULT RegisterDragDrop(TDropControl& control, TDropTarget&) override {
    QWidget* w = static_cast<TQtDropControl&>(control).Widget();
    if (!w) return ole::E_INVALIDARG;
    if (w->property("th_drop_target").isValid()) return ole::DRAGDROP_E_ALREADYREGISTERED;
    w->setProperty("th_drop_target", true);
    w->setAcceptDrops(true);
    w->installEventFilter(&owner_);
    return ole::S_OK;
  }
  HRESULT RevokeDragDrop(TDropControl& control) override {
    QWidget* w = static_cast<TQtDropControl&>(control).Widget();
    if (!w || !w->property("th_drop_target").isValid()) return ole::DRAGDROP_E_NOTREGISTERED;
    w->setProperty("th_drop_target", QVariant());
    w->setAcceptDrops(false);
    w->removeEventFilter(&owner_);
    return ole::S_OK;
  }

 private:
  TFileDropTarget& owner_;
};

TFileDropTarget::TFileDropTarget(QObject* parent)
    : QObject(parent),
      registry_(std::make_unique<TRegistry>(*this)),
      target_(std::make_unique<TDropFileTarget>(*registry_)),
      timer_(new QTimer(this)) {
  timer_->setInterval(TDropTarget::kScrollInterval);
  connect(timer_, &QTimer::timeout, this, [this] {
    target_->OnScrollTimer();
    if (!target_->ScrollTimerRunning()) timer_->stop();
  });
}

TFileDropTarget::~TFileDropTarget() {
  // The target detaches while the control object still exists.
  target_.reset();
  control_.reset();
}

void TFileDropTarget::Register(QWidget* widget, std::function<QAbstractScrollArea*()> scroller) {
  auto control = std::make_unique<TQtDropControl>(widget, std::move(scroller));
  target_->Register(*control);
  if (control_ && target_->Control() != control_.get()) control_.reset();
  control_ = std::move(control);
}

void TFileDropTarget::Unregister() {
  target_->Unregister();
  control_.reset();
}

bool TFileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (!control_ || watched != control_->Widget()) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter: {
      auto* e = static_cast<QDragEnterEvent*>(event);
      data_ = std::make_unique<TMimeDropData>(e->mimeData());
      std::uint32_t effect = EffectsOf(e->possibleActions());
      target_->DragEnter(data_.get(), KeyStateOf(e->modifiers(), e->buttons()), PointOf(e), effect);
      Answer(e, effect);
      return true;
    }
    case QEvent::DragMove: {
      auto* e = static_cast<QDragMoveEvent*>(event);
      std::uint32_t effect = EffectsOf(e->possibleActions());
      target_->DragOver(KeyStateOf(e->modifiers(), e->buttons()), PointOf(e), effect);
      if (target_->ScrollTimerRunning()) timer_->start();
      else timer_->stop();
      Answer(e, effect);
      return true;
    }
    case QEvent::DragLeave:
      timer_->stop();
      target_->DragLeave();
      data_.reset();
      return true;
    case QEvent::Drop: {
      auto* e = static_cast<QDropEvent*>(event);
      timer_->stop();
      TMimeDropData data(e->mimeData());
      std::uint32_t effect = EffectsOf(e->possibleActions());
      target_->Drop(&data, KeyStateOf(e->modifiers(), e->buttons()), PointOf(e), effect);
      data_.reset();
      Answer(e, effect);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace ui
