// Types and codes shared by the file drag source and the file drop target: drag
// types and results, drop effects, the result codes of the exchange, clipboard
// formats and the format descriptions a data object offers.  The codes are the
// values other programs' data objects use, so the bytes and answers built here can
// be handed to a platform clipboard or drag protocol unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using HRESULT = std::int32_t;

namespace ole {

inline constexpr HRESULT Code(std::uint32_t value) { return static_cast<HRESULT>(value); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOTIMPL = Code(0x80004001);
inline constexpr HRESULT E_FAIL = Code(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = Code(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Code(0x80070057);
inline constexpr HRESULT DV_E_FORMATETC = Code(0x80040064);
inline constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = Code(0x80040003);
inline constexpr HRESULT DATA_S_SAMEFORMATETC = Code(0x00040130);
inline constexpr HRESULT DRAGDROP_S_DROP = Code(0x00040100);
inline constexpr HRESULT DRAGDROP_S_CANCEL = Code(0x00040101);
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = Code(0x00040102);
inline constexpr HRESULT DRAGDROP_E_NOTREGISTERED = Code(0x80040100);
inline constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = Code(0x80040101);

// Drop effects.
inline constexpr std::uint32_t DROPEFFECT_NONE = 0;
inline constexpr std::uint32_t DROPEFFECT_COPY = 1;
inline constexpr std::uint32_t DROPEFFECT_MOVE = 2;
inline constexpr std::uint32_t DROPEFFECT_LINK = 4;
inline constexpr std::uint32_t DROPEFFECT_SCROLL = 0x80000000u;

// Key state of a drag (mouse buttons and modifier keys).
inline constexpr std::uint32_t MK_LBUTTON = 1;
inline constexpr std::uint32_t MK_RBUTTON = 2;
inline constexpr std::uint32_t MK_SHIFT = 4;
inline constexpr std::uint32_t MK_CONTROL = 8;
inline constexpr std::uint32_t MK_MBUTTON = 0x10;

// Format descriptions.
inline constexpr std::uint32_t DVASPECT_CONTENT = 1;
inline constexpr std::uint32_t TYMED_HGLOBAL = 1;
inline constexpr std::uint32_t DATADIR_GET = 1;
inline constexpr std::uint32_t DATADIR_SET = 2;

inline constexpr std::uint16_t CF_HDROP = 15;

}  // namespace ole

enum TDragType { dtCopy, dtMove, dtLink };

// A set of drag types (bit i = TDragType i, which is also the effect bit 1 << i).
class TDragTypes {
 public:
  constexpr TDragTypes() = default;
  constexpr TDragTypes(std::initializer_list<TDragType> types) {
    for (TDragType t : types) bits_ |= Bit(t);
  }
  constexpr bool Contains(TDragType t) const { return (bits_ & Bit(t)) != 0; }
  constexpr void Include(TDragType t) { bits_ |= Bit(t); }
  constexpr void Exclude(TDragType t) { bits_ &= ~Bit(t); }
  // The drop effects the set allows (copy 1, move 2, link 4).
  constexpr std::uint32_t Effects() const { return bits_; }
  constexpr bool operator==(const TDragTypes&) const = default;

 private:
  static constexpr std::uint32_t Bit(TDragType t) { return 1u << static_cast<unsigned>(t); }
  std::uint32_t bits_ = 0;
};

enum TDragResult { drDropCopy, drDropMove, drDropLink, drCancel, drOutMemory, drUnknown };

enum TScrollDirection { sdHorizontal, sdVertical };

// One offered format: clipboard format, target device (always none here), aspect,
// index and medium.
struct TFormatEtc {
  std::uint16_t cfFormat = 0;
  const void* ptd = nullptr;
  std::uint32_t dwAspect = ole::DVASPECT_CONTENT;
  std::int32_t lindex = -1;
  std::uint32_t tymed = ole::TYMED_HGLOBAL;
  bool operator==(const TFormatEtc&) const = default;
};

// Data handed out: the medium and the bytes of its global memory block.
struct TStgMedium {
  std::uint32_t tymed = 0;
  std::vector<std::uint8_t> hGlobal;
};

// Clipboard formats registered by name, the same number for the same name (ignoring
// ASCII case) for the life of the process, from 0xC000 upwards.
std::uint16_t RegisterClipboardFormat(std::string_view name);
// The name of a registered format; "" for a predefined or unknown number.
std::string ClipboardFormatName(std::uint16_t format);

// Format names of the exchange.
inline constexpr std::string_view CFSTR_FILECONTENTS = "FileContents";
inline constexpr std::string_view CFSTR_FILEDESCRIPTOR = "FileGroupDescriptor";
inline constexpr std::string_view CFSTR_SHELLIDLIST = "Shell IDList Array";
inline constexpr std::string_view CFSTR_PREFERREDDROPEFFECT = "Preferred DropEffect";
inline constexpr std::string_view CFSTR_INETURL = "UniformResourceLocator";
inline constexpr std::string_view CFSTR_FILENAMEMAP = "FileNameMap";
inline constexpr std::string_view CFSTR_FILENAMEMAPW = "FileNameMapW";

// The process-wide state of drag and drop, set up by the first user and torn down
// by the last: the exchange's formats are registered on first use.  Every source
// and target holds one.
class TDragDropUse {
 public:
  TDragDropUse();
  ~TDragDropUse();
  TDragDropUse(const TDragDropUse&) = delete;
  TDragDropUse& operator=(const TDragDropUse&) = delete;
  static int Count();
};
