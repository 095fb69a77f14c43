#include "dragdrop/drop_target.h"

#include <cstdlib>

#include "dragdrop/drop_data.h"
#include "dragdrop/drop_source.h"

using namespace ole;

std::uint32_t ChooseDropEffect(std::uint32_t keyState, std::uint32_t offered, TDragTypes types) {
  const std::uint32_t allowed = offered & types.Effects();
  const bool shift = (keyState & MK_SHIFT) != 0;
  const bool ctrl = (keyState & MK_CONTROL) != 0;
  if (shift && ctrl && (allowed & DROPEFFECT_LINK)) return DROPEFFECT_LINK;
  if (shift && !ctrl && (allowed & DROPEFFECT_MOVE)) return DROPEFFECT_MOVE;
  if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  if (allowed & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
  return allowed & DROPEFFECT_LINK;
}

TDropTarget::TDropTarget(TDropRegistry& registry) : registry_(registry) {}

TDropTarget::~TDropTarget() {
  if (!control_) return;
  // A destructor must not throw; a revoke that fails leaves nothing to clean up.
  if (control_->HasWindow()) registry_.RevokeDragDrop(*control_);
  control_ = nullptr;
}

void TDropTarget::Register(TDropControl& control) {
  if (control_ == &control) return;
  if (control_) Unregister();
  if (registry_.RegisterDragDrop(control, *this) != S_OK)
    throw EDropTargetError("Failed to Register " + control.Name());
  control_ = &control;
}

void TDropTarget::Unregister() {
  if (!control_) return;
  // A revoke that fails leaves the control attached, so that a later call can retry.
  if (control_->HasWindow() && registry_.RevokeDragDrop(*control_) != S_OK)
    throw EDropTargetError("Failed to Unregister " + control_->Name());
  control_ = nullptr;
}

bool TDropTarget::CanScroll(TScrollDirection d) const {
  return d == sdHorizontal ? scrollH_ : scrollV_;
}

bool TDropTarget::InScrollMargin(TDropPoint p) const {
  if (!control_) return false;
  const int m = scrollMargin_;
  if (scrollH_ && (p.x < m || p.x >= control_->ClientWidth() - m)) return true;
  if (scrollV_ && (p.y < m || p.y >= control_->ClientHeight() - m)) return true;
  return false;
}

std::uint32_t TDropTarget::ComputeEffect(std::uint32_t keyState, TDropPoint point,
                                         std::uint32_t offered) {
  std::uint32_t effect = offered & Dragtypes.Effects();
  if (OnGetDropEffect) {
    OnGetDropEffect(*this, keyState, point, effect);
    return effect;
  }
  effect = ChooseDropEffect(keyState, offered, Dragtypes);
  if ((scrollH_ || scrollV_) && InScrollMargin(point)) effect |= DROPEFFECT_SCROLL;
  return effect;
}

HRESULT TDropTarget::DragEnter(TDropData* data, std::uint32_t keyState, TDropPoint point,
                               std::uint32_t& effect) {
  ClearData();
  fetched_ = false;
  data_ = data;
  lastPoint_ = point;
  if (ShowImage && data && data->HasDragImage() && control_) {
    control_->ShowDragImage(true, point);
    imageShown_ = true;
  }
  if (!data || !AcceptsData(*data)) {
    data_ = nullptr;
    effect = DROPEFFECT_NONE;
    return S_OK;
  }
  scrollH_ = control_ && control_->HasHorizontalScrollBar();
  scrollV_ = control_ && control_->HasVerticalScrollBar();
  scrollMargin_ = control_ ? std::abs(control_->FontHeight()) : 0;
  if (GetDataOnEnter) fetched_ = FetchData(*data);
  effect = ComputeEffect(keyState, point, effect);
  if (OnEnter) OnEnter(*this, keyState, point, effect);
  return S_OK;
}

HRESULT TDropTarget::DragOver(std::uint32_t keyState, TDropPoint point, std::uint32_t& effect) {
  if (!data_) {
    effect = DROPEFFECT_NONE;
    return S_OK;
  }
  effect = ComputeEffect(keyState, point, effect);
  if (OnDragOver) OnDragOver(*this, keyState, point, effect);
  timerRunning_ = (scrollH_ || scrollV_) && (effect & DROPEFFECT_SCROLL) != 0;
  if (imageShown_ && !(point == lastPoint_) && !timerRunning_) control_->ShowDragImage(true, point);
  lastPoint_ = point;
  return S_OK;
}

HRESULT TDropTarget::DragLeave() {
  ClearData();
  timerRunning_ = false;
  data_ = nullptr;
  if (imageShown_ && control_) control_->ShowDragImage(false, lastPoint_);
  imageShown_ = false;
  if (OnLeave) OnLeave(*this);
  return S_OK;
}

HRESULT TDropTarget::Drop(TDropData* data, std::uint32_t keyState, TDropPoint point,
                          std::uint32_t& effect) {
  if (!data_) {
    effect = DROPEFFECT_NONE;
    return S_OK;
  }
  timerRunning_ = false;
  if (imageShown_ && control_) control_->ShowDragImage(false, point);
  imageShown_ = false;
  effect = ComputeEffect(keyState, point, effect);
  TDropData* source = data ? data : data_;
  if (fetched_ || FetchData(*source)) {
    if (OnDrop) OnDrop(*this, keyState, point, effect);
  } else {
    effect = DROPEFFECT_NONE;
  }
  ClearData();
  data_ = nullptr;
  fetched_ = false;
  return S_OK;
}

void TDropTarget::OnScrollTimer() {
  if (!control_ || !timerRunning_) return;
  if (imageShown_) control_->ShowDragImage(false, lastPoint_);
  const int m = scrollMargin_;
  if (scrollV_) {
    if (lastPoint_.y < m) control_->ScrollBy(0, -1);
    else if (lastPoint_.y >= control_->ClientHeight() - m) control_->ScrollBy(0, 1);
  }
  if (scrollH_) {
    if (lastPoint_.x < m) control_->ScrollBy(-1, 0);
    else if (lastPoint_.x >= control_->ClientWidth() - m) control_->ScrollBy(1, 0);
  }
  if (imageShown_) control_->ShowDragImage(true, lastPoint_);
}

// ---------------------------------------------------------------------------
// TDropFileTarget
// ---------------------------------------------------------------------------

TDropFileTarget::TDropFileTarget(TDropRegistry& registry) : TDropTarget(registry) {}

bool TDropFileTarget::AcceptsData(const TDropData& data) const {
  return data.QueryGetData(CF_HDROP);
}

void TDropFileTarget::ClearData() {
  Files.clear();
  MappedNames.clear();
}

bool TDropFileTarget::ReadBlocks(const std::vector<std::uint8_t>& drop,
                                 const std::vector<std::uint8_t>* map, bool wideMap) {
  Files = ReadHDrop(drop);
  if (Files.empty()) return false;
  if (map) MappedNames = wideMap ? ReadFileNameMapW(*map) : ReadFileNameMap(*map);
  if (MappedNames.size() != Files.size()) MappedNames.clear();
  return true;
}

bool TDropFileTarget::FetchData(const TDropData& data) {
  ClearData();
  std::vector<std::uint8_t> drop;
  if (!data.GetData(CF_HDROP, drop)) return false;
  std::vector<std::uint8_t> map;
  const std::uint16_t cfMap = RegisterClipboardFormat(CFSTR_FILENAMEMAP);
  const std::uint16_t cfMapW = RegisterClipboardFormat(CFSTR_FILENAMEMAPW);
  if (data.QueryGetData(cfMap) && data.GetData(cfMap, map)) return ReadBlocks(drop, &map, false);
  if (data.QueryGetData(cfMapW) && data.GetData(cfMapW, map)) return ReadBlocks(drop, &map, true);
  return ReadBlocks(drop, nullptr, false);
}

bool TDropFileTarget::PasteFromClipboard(const TClipboard& clipboard) {
  ClearData();
  std::vector<std::uint8_t> drop;
  if (!clipboard.HasFormat(CF_HDROP) || !clipboard.GetData(CF_HDROP, drop)) return false;
  Files = ReadHDrop(drop);
  return !Files.empty();
}
