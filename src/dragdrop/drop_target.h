// The drop target attached to a window control: it decides the effect of a drag
// over the control (Shift, Ctrl and the allowed drag types, or the owner's own
// answer), scrolls the control while the pointer rests near an edge, and on a drop
// reads the offered data.  TDropFileTarget reads file drop lists (and the clipboard's).
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dragdrop/drop_types.h"

class TClipboard;
class TDropTarget;

struct TDropPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TDropPoint&) const = default;
};

// The control a target is attached to, as the target needs to see it.
class TDropControl {
 public:
  virtual ~TDropControl() = default;
  virtual std::string Name() const = 0;
  virtual bool HasWindow() const = 0;
  virtual bool HasHorizontalScrollBar() const = 0;
  virtual bool HasVerticalScrollBar() const = 0;
  virtual int FontHeight() const = 0;  // may be negative, as font heights in points are
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // One line (dy = -1 up, 1 down) or one column (dx).
  virtual void ScrollBy(int dx, int dy) = 0;
  virtual void ShowDragImage(bool /*show*/, TDropPoint /*at*/) {}
};

// The platform's registration of targets.
class TDropRegistry {
 public:
  virtual ~TDropRegistry() = default;
  virtual HRESULT RegisterDragDrop(TDropControl& control, TDropTarget& target) = 0;
  virtual HRESULT RevokeDragDrop(TDropControl& control) = 0;
};

// The dragged data as a target reads it.
class TDropData {
 public:
  virtual ~TDropData() = default;
  virtual bool QueryGetData(std::uint16_t format) const = 0;
  virtual bool GetData(std::uint16_t format, std::vector<std::uint8_t>& block) const = 0;
  virtual bool HasDragImage() const { return false; }
};

// "Failed to Register <name>" / "Failed to Unregister <name>".
class EDropTargetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The effect of a drag over a target without its own answer: `offered` masked with
// `types`; Shift+Ctrl → link, Shift → move, else copy, move, link in that order of
// preference.
std::uint32_t ChooseDropEffect(std::uint32_t keyState, std::uint32_t offered, TDragTypes types);

class TDropTarget {
 public:
  static constexpr int kScrollInterval = 100;  // ms

  // (Sender, ShiftState as key state, Point in client coordinates, Effect)
  using TDropTargetEvent =
      std::function<void(TDropTarget&, std::uint32_t, TDropPoint, std::uint32_t&)>;

  explicit TDropTarget(TDropRegistry& registry);
  virtual ~TDropTarget();
  TDropTarget(const TDropTarget&) = delete;
  TDropTarget& operator=(const TDropTarget&) = delete;

  TDragTypes Dragtypes{dtCopy};
  bool GetDataOnEnter = false;
  bool ShowImage = true;
  TDropTargetEvent OnEnter;
  TDropTargetEvent OnDragOver;
  std::function<void(TDropTarget&)> OnLeave;
  TDropTargetEvent OnDrop;
  TDropTargetEvent OnGetDropEffect;

  // Attaches to a control (detaching from another one first); throws
  // EDropTargetError "Failed to Register <name>".
  void Register(TDropControl& control);
  // Throws EDropTargetError "Failed to Unregister <name>" when revoking fails.
  void Unregister();
  TDropControl* Control() const { return control_; }

  // The drop target's calls; `point` in client coordinates, `effect` in: what the
  // source allows, out: the answer.
  HRESULT DragEnter(TDropData* data, std::uint32_t keyState, TDropPoint point,
                    std::uint32_t& effect);
  HRESULT DragOver(std::uint32_t keyState, TDropPoint point, std::uint32_t& effect);
  HRESULT DragLeave();
  HRESULT Drop(TDropData* data, std::uint32_t keyState, TDropPoint point,
               std::uint32_t& effect);

  // The scroll timer (interval 100 ms): the platform calls OnScrollTimer while it runs.
  bool ScrollTimerRunning() const { return timerRunning_; }
  void OnScrollTimer();
  bool CanScroll(TScrollDirection d) const;
  int ScrollMargin() const { return scrollMargin_; }
  bool Dragging() const { return data_ != nullptr; }

 protected:
  // Whether the data offers a format this target reads.
  virtual bool AcceptsData(const TDropData& data) const = 0;
  // Reads the data; true when there is something.
  virtual bool FetchData(const TDropData& data) = 0;
  virtual void ClearData() = 0;

 private:
  std::uint32_t ComputeEffect(std::uint32_t keyState, TDropPoint point, std::uint32_t offered);
  bool InScrollMargin(TDropPoint point) const;

  TDragDropUse use_;
  TDropRegistry& registry_;
  TDropControl* control_ = nullptr;
  TDropData* data_ = nullptr;
  TDropPoint lastPoint_;
  bool timerRunning_ = false;
  bool scrollH_ = false;
  bool scrollV_ = false;
  int scrollMargin_ = 0;
  bool fetched_ = false;
  bool imageShown_ = false;
};

class TDropFileTarget : public TDropTarget {
 public:
  explicit TDropFileTarget(TDropRegistry& registry);

  std::vector<std::string> Files;
  std::vector<std::string> MappedNames;

  // Reads the clipboard's file drop list into Files; false when there is none or it
  // names no file.
  bool PasteFromClipboard(const TClipboard& clipboard);

 protected:
  bool AcceptsData(const TDropData& data) const override;
  bool FetchData(const TDropData& data) override;
  void ClearData() override;

 private:
  bool ReadBlocks(const std::vector<std::uint8_t>& drop, const std::vector<std::uint8_t>* map,
                  bool wideMap);
};
