// The drag source and data object of a drag out of the program: TDropSource keeps
// the table of offered formats, runs the drag through the platform's modal drag loop
// (TDragDriver) and answers the loop's questions; TDropFileSource offers a list of
// file paths in the shell's formats and puts them on the clipboard.
//
// The sources know nothing of the cache: the windows give them paths inside a
// temporary folder and fill that folder from the OnDrop event, at the moment the
// user releases the button over a target that accepts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dragdrop/drop_types.h"

class TDropSource;

// The platform's modal drag loop.  DoDragDrop asks the source GiveFeedback on every
// change of the target's effect and QueryContinueDrag whenever the keys or buttons
// change, and returns DRAGDROP_S_DROP with the final effect, DRAGDROP_S_CANCEL,
// E_OUTOFMEMORY or another failure.
class TDragDriver {
 public:
  virtual ~TDragDriver() = default;
  virtual HRESULT DoDragDrop(TDropSource& source, std::uint32_t okEffects,
                             std::uint32_t& effect) = 0;
  // The drag image; a driver without one answers false.
  virtual bool BeginImageDrag(int /*imageIndex*/, int /*hotSpotX*/, int /*hotSpotY*/) {
    return false;
  }
  virtual void EndImageDrag() {}
};

// The platform clipboard: opened, given blocks by format, closed.
class TClipboard {
 public:
  virtual ~TClipboard() = default;
  virtual bool Open() = 0;
  virtual bool SetData(std::uint16_t format, std::vector<std::uint8_t> block) = 0;
  virtual bool HasFormat(std::uint16_t format) const = 0;
  virtual bool GetData(std::uint16_t format, std::vector<std::uint8_t>& block) const = 0;
  virtual void Close() = 0;
};

// The outcome of a drag loop as a TDragResult: a drop whose final effect shares no
// bit with `types` counts as cancelled.
TDragResult MapDragOutcome(HRESULT outcome, std::uint32_t effect, TDragTypes types);

class TDropSource {
 public:
  static constexpr std::size_t kMaxFormats = 20;

  // (Sender, DragType, ContinueDrop)
  using TDropEvent = std::function<void(TDropSource&, TDragType, bool&)>;
  // (Sender, Effect, UseDefaultCursors)
  using TFeedbackEvent = std::function<void(TDropSource&, std::uint32_t, bool&)>;

  TDropSource();
  virtual ~TDropSource();
  TDropSource(const TDropSource&) = delete;
  TDropSource& operator=(const TDropSource&) = delete;

  TDragTypes Dragtypes{dtCopy};
  TDropEvent OnDrop;
  TFeedbackEvent OnFeedback;
  // The drag image: an image list is present when Images is set.
  const void* Images = nullptr;
  int ImageIndex = 0;
  bool ShowImage = false;
  int ImageHotSpotX = 16;
  int ImageHotSpotY = 16;

  // Runs a modal drag through `driver` with the effects Dragtypes allows.
  TDragResult Execute(TDragDriver& driver);

  // Appends to the format table; a 21st entry is ignored (false).
  bool AddFormatEtc(std::uint16_t format, const void* device, std::uint32_t aspect,
                    std::int32_t index, std::uint32_t medium);
  const std::vector<TFormatEtc>& Formats() const { return formats_; }

  // The drop source's questions.
  HRESULT QueryContinueDrag(bool escapePressed, std::uint32_t keyState);
  HRESULT GiveFeedback(std::uint32_t effect);
  // The last effect reported through feedback (or set by a clipboard command).
  std::uint32_t LastEffect() const { return lastEffect_; }

  // The data object.
  HRESULT GetData(const TFormatEtc& format, TStgMedium& medium);
  HRESULT GetDataHere(const TFormatEtc& format, TStgMedium& medium);
  HRESULT QueryGetData(const TFormatEtc& format) const;
  HRESULT GetCanonicalFormatEtc(const TFormatEtc& in, TFormatEtc& out) const;
  HRESULT SetData(const TFormatEtc& format, const TStgMedium& medium, bool release);
  HRESULT EnumFormatEtc(std::uint32_t direction, std::vector<TFormatEtc>& formats) const;
  HRESULT DAdvise();
  HRESULT DUnadvise();
  HRESULT EnumDAdvise(void** enumerator);

 protected:
  // Builds the block of a format that GetData matched; DV_E_FORMATETC when the
  // source has no such data.
  virtual HRESULT BuildData(const TFormatEtc& format, std::vector<std::uint8_t>& block);
  // Whether the source has anything at all to give (false: GetData fails).
  virtual bool HasData() const { return true; }
  void SetLastEffect(std::uint32_t effect) { lastEffect_ = effect; }

 private:
  TDragDropUse use_;
  std::vector<TFormatEtc> formats_;
  std::uint32_t lastEffect_ = ole::DROPEFFECT_NONE;
};

class TDropFileSource : public TDropSource {
 public:
  // Registers the file drop list, "Shell IDList Array", "Preferred DropEffect",
  // "FileNameMap" and "FileNameMapW", in this order.
  TDropFileSource();

  // Full paths (CP932) and, optionally, one display name per path.
  std::vector<std::string> Files;
  std::vector<std::string> MappedNames;

  // Put Files on the clipboard with the preferred effect copy (1) or move (2);
  // false when there are no files or the clipboard cannot be opened.
  bool CopyToClipboard(TClipboard& clipboard);
  bool CutToClipboard(TClipboard& clipboard);

 protected:
  HRESULT BuildData(const TFormatEtc& format, std::vector<std::uint8_t>& block) override;
  bool HasData() const override { return !Files.empty(); }

 private:
  bool PutOnClipboard(TClipboard& clipboard, std::uint32_t effect);
  std::uint16_t cfShellIdList_;
  std::uint16_t cfPreferredDropEffect_;
  std::uint16_t cfFileNameMap_;
  std::uint16_t cfFileNameMapW_;
};
