#include "dragdrop/drop_source.h"

#include <new>

#include "dragdrop/drop_data.h"

using namespace ole;

TDragResult MapDragOutcome(HRESULT outcome, std::uint32_t effect, TDragTypes types) {
  if (outcome == E_OUTOFMEMORY) return drOutMemory;
  if (outcome == DRAGDROP_S_CANCEL) return drCancel;
  if (outcome != DRAGDROP_S_DROP) return drUnknown;
  if ((effect & types.Effects()) == 0) return drCancel;
  if (effect & DROPEFFECT_COPY) return drDropCopy;
  if (effect & DROPEFFECT_MOVE) return drDropMove;
  return drDropLink;
}

// ---------------------------------------------------------------------------
// TDropSource
// ---------------------------------------------------------------------------

TDropSource::TDropSource() = default;
TDropSource::~TDropSource() = default;

TDragResult TDropSource::Execute(TDragDriver& driver) {
  const bool image = ShowImage && Images != nullptr &&
                     driver.BeginImageDrag(ImageIndex, ImageHotSpotX, ImageHotSpotY);
  std::uint32_t effect = DROPEFFECT_NONE;
  const HRESULT outcome = driver.DoDragDrop(*this, Dragtypes.Effects(), effect);
  if (image) driver.EndImageDrag();
  return MapDragOutcome(outcome, effect, Dragtypes);
}

bool TDropSource::AddFormatEtc(std::uint16_t format, const void* device, std::uint32_t aspect,
                               std::int32_t index, std::uint32_t medium) {
  if (formats_.size() >= kMaxFormats) return false;
  formats_.push_back(TFormatEtc{format, device, aspect, index, medium});
  return true;
}

HRESULT TDropSource::QueryContinueDrag(bool escapePressed, std::uint32_t keyState) {
  if (escapePressed) return DRAGDROP_S_CANCEL;
  if (keyState & (MK_LBUTTON | MK_RBUTTON)) return S_OK;
  // Released: the drop goes ahead with the effect the target reported last.
  bool continueDrop = true;
  TDragType type = dtCopy;
  if (lastEffect_ & DROPEFFECT_COPY) {
    type = dtCopy;
  } else if (lastEffect_ & DROPEFFECT_MOVE) {
    type = dtMove;
  } else if (lastEffect_ & DROPEFFECT_LINK) {
    type = dtLink;
  } else {
    continueDrop = false;
  }
  if (continueDrop && !Dragtypes.Contains(type)) continueDrop = false;
  if (continueDrop && OnDrop) OnDrop(*this, type, continueDrop);
  return continueDrop ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
}

HRESULT TDropSource::GiveFeedback(std::uint32_t effect) {
  lastEffect_ = effect;
  bool useDefaultCursors = true;
  if (OnFeedback) OnFeedback(*this, effect, useDefaultCursors);
  return useDefaultCursors ? DRAGDROP_S_USEDEFAULTCURSORS : S_OK;
}

HRESULT TDropSource::GetData(const TFormatEtc& format, TStgMedium& medium) {
  medium = TStgMedium{};
  if (!HasData()) return E_UNEXPECTED;
  if (format.dwAspect != DVASPECT_CONTENT || (format.tymed & TYMED_HGLOBAL) == 0)
    return DV_E_FORMATETC;
  try {
    std::vector<std::uint8_t> block;
    const HRESULT hr = BuildData(format, block);
    if (hr != S_OK) return hr;
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = std::move(block);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT TDropSource::BuildData(const TFormatEtc&, std::vector<std::uint8_t>&) {
  return DV_E_FORMATETC;
}

HRESULT TDropSource::GetDataHere(const TFormatEtc&, TStgMedium&) { return E_NOTIMPL; }

HRESULT TDropSource::QueryGetData(const TFormatEtc& format) const {
  for (const TFormatEtc& f : formats_)
    if (f.cfFormat == format.cfFormat && f.dwAspect == format.dwAspect &&
        (f.tymed & format.tymed) != 0)
      return S_OK;
  return E_FAIL;
}

HRESULT TDropSource::GetCanonicalFormatEtc(const TFormatEtc& in, TFormatEtc& out) const {
  out = in;
  out.ptd = nullptr;
  return DATA_S_SAMEFORMATETC;
}

HRESULT TDropSource::SetData(const TFormatEtc&, const TStgMedium&, bool) { return E_NOTIMPL; }

HRESULT TDropSource::EnumFormatEtc(std::uint32_t direction,
                                   std::vector<TFormatEtc>& formats) const {
  formats.clear();
  if (direction == DATADIR_GET) {
    formats = formats_;
    return S_OK;
  }
  return direction == DATADIR_SET ? E_NOTIMPL : E_INVALIDARG;
}

HRESULT TDropSource::DAdvise() { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TDropSource::DUnadvise() { return OLE_E_ADVISENOTSUPPORTED; }

HRESULT TDropSource::EnumDAdvise(void** enumerator) {
  if (enumerator) *enumerator = nullptr;
  return OLE_E_ADVISENOTSUPPORTED;
}

// ---------------------------------------------------------------------------
// TDropFileSource
// ---------------------------------------------------------------------------

TDropFileSource::TDropFileSource()
    : cfShellIdList_(RegisterClipboardFormat(CFSTR_SHELLIDLIST)),
      cfPreferredDropEffect_(RegisterClipboardFormat(CFSTR_PREFERREDDROPEFFECT)),
      cfFileNameMap_(RegisterClipboardFormat(CFSTR_FILENAMEMAP)),
      cfFileNameMapW_(RegisterClipboardFormat(CFSTR_FILENAMEMAPW)) {
  for (std::uint16_t f :
       {CF_HDROP, cfShellIdList_, cfPreferredDropEffect_, cfFileNameMap_, cfFileNameMapW_})
    AddFormatEtc(f, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL);
}

HRESULT TDropFileSource::BuildData(const TFormatEtc& format, std::vector<std::uint8_t>& block) {
  const std::uint16_t cf = format.cfFormat;
  if (cf == CF_HDROP) {
    block = BuildHDrop(Files);
    return S_OK;
  }
  if (cf == cfPreferredDropEffect_) {
    block = BuildPreferredDropEffect(LastEffect());
    return S_OK;
  }
  if (cf == cfFileNameMap_ || cf == cfFileNameMapW_) {
    if (MappedNames.size() != Files.size()) return DV_E_FORMATETC;
    block = cf == cfFileNameMap_ ? BuildFileNameMap(MappedNames) : BuildFileNameMapW(MappedNames);
    return S_OK;
  }
  if (cf == cfShellIdList_) {
    // Item ID lists come from the shell's namespace, and this host has no shell to
    // parse paths into them: the format stays listed and yields no data.
    return E_FAIL;
  }
  return DV_E_FORMATETC;
}

bool TDropFileSource::CopyToClipboard(TClipboard& clipboard) {
  return PutOnClipboard(clipboard, DROPEFFECT_COPY);
}

bool TDropFileSource::CutToClipboard(TClipboard& clipboard) {
  return PutOnClipboard(clipboard, DROPEFFECT_MOVE);
}

bool TDropFileSource::PutOnClipboard(TClipboard& clipboard, std::uint32_t effect) {
  if (Files.empty()) return false;
  if (!clipboard.Open()) return false;
  bool ok = clipboard.SetData(CF_HDROP, BuildHDrop(Files));
  SetLastEffect(effect);
  ok = clipboard.SetData(cfPreferredDropEffect_, BuildPreferredDropEffect(effect)) && ok;
  clipboard.Close();
  return ok;
}
