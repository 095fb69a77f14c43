// The file drag source: the bytes of each offered format, the data object's answers,
// the drag loop's questions and outcomes, and the clipboard commands.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dragdrop/drop_data.h"
#include "dragdrop/drop_source.h"

using namespace ole;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

TFormatEtc Fmt(std::uint16_t cf) { return TFormatEtc{cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// A drag loop as the platform runs it: the target's effects arrive as feedback, then
// the user presses Escape or lets go of the button.
class ScriptedDriver : public TDragDriver {
 public:
  std::vector<std::uint32_t> effects;  // target answers while moving
  bool escape = false;
  std::uint32_t okEffects = 0;
  HRESULT DoDragDrop(TDropSource& source, std::uint32_t ok, std::uint32_t& effect) override {
    okEffects = ok;
    std::uint32_t last = DROPEFFECT_NONE;
    for (std::uint32_t e : effects) {
      EXPECT_EQ(source.QueryContinueDrag(false, MK_LBUTTON), S_OK);
      last = e;  // as the target answered, even outside what the source allows
      source.GiveFeedback(last);
    }
    const HRESULT answer = source.QueryContinueDrag(escape, 0);
    effect = answer == DRAGDROP_S_DROP ? last : DROPEFFECT_NONE;
    return answer;
  }
};

class RecordingClipboard : public TClipboard {
 public:
  bool open = false, opened = false, closed = false;
  std::map<std::uint16_t, Bytes> data;
  bool Open() override { return opened = open = true; }
  bool SetData(std::uint16_t f, Bytes b) override {
    EXPECT_TRUE(open);
    data[f] = std::move(b);
    return true;
  }
  bool HasFormat(std::uint16_t f) const override { return data.count(f) != 0; }
  bool GetData(std::uint16_t f, Bytes& b) const override {
    auto it = data.find(f);
    if (it == data.end()) return false;
    b = it->second;
    return true;
  }
  void Close() override {
    open = false;
    closed = true;
  }
};

const std::uint16_t kIdList = RegisterClipboardFormat("Shell IDList Array");
const std::uint16_t kEffect = RegisterClipboardFormat("Preferred DropEffect");
const std::uint16_t kMap = RegisterClipboardFormat("FileNameMap");
const std::uint16_t kMapW = RegisterClipboardFormat("FileNameMapW");

}  // namespace

TEST(DropData, FileDropListHasTheHeaderEightBitPathsAndTwoEndZeros) {
  // A Shift_JIS path ("日本" = 93 FA 96 7B) with a trail byte 0x5C in "表" (95 5C).
  const std::vector<std::string> files = {"/tmp/TLH1/a.html", "/tmp/TLH1/\x93\xfa\x96\x7b\x95\x5c"};
  const Bytes expected = B(std::string("\x14\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\0\0\0\0", 20) +
                           std::string("/tmp/TLH1/a.html\0/tmp/TLH1/\x93\xfa\x96\x7b\x95\x5c\0\0", 35));
  EXPECT_EQ(BuildHDrop(files), expected);
  EXPECT_EQ(ReadHDrop(expected), files);
  EXPECT_EQ(BuildHDrop({}).size(), 21u);
}

TEST(DropData, NameMapsInEightBitAndUtf16) {
  const std::vector<std::string> names = {"a", "\x93\xfa\x96\x7b.htm"};  // 日本.htm
  EXPECT_EQ(BuildFileNameMap(names), B(std::string("a\0\x93\xfa\x96\x7b.htm\0\0", 12)));
  const Bytes wide = BuildFileNameMapW(names);
  // 2 + (2*1 + 2) + (2*6 + 2) bytes.
  const Bytes expected = {'a', 0, 0, 0, 0xE5, 0x65, 0x2C, 0x67, '.', 0, 'h', 0, 't', 0, 'm', 0,
                          0, 0, 0, 0};
  EXPECT_EQ(wide, expected);
  EXPECT_EQ(ReadFileNameMapW(wide), names);
  EXPECT_EQ(BuildPreferredDropEffect(0x01020304), (Bytes{4, 3, 2, 1}));
}

TEST(DropData, WideAndDamagedDropListsAreReadSafely) {
  Bytes wide(20, 0);
  wide[0] = 20;
  wide[16] = 1;  // wide flag
  const char16_t names[] = u"/x/\u65E5\0/y\0";  // the literal's own zero ends the list
  for (char16_t c : names) {
    wide.push_back(static_cast<std::uint8_t>(c & 0xFF));
    wide.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  EXPECT_EQ(ReadHDrop(wide), (std::vector<std::string>{"/x/\x93\xfa", "/y"}));
  struct Row { Bytes block; std::size_t paths; };
  const Row rows[] = {
      {Bytes(19, 0), 0},                                                // shorter than the header
      {B(std::string("\xff\0\0\0", 4) + std::string(16, '\0') + "a"), 0},  // offset outside
      {B(std::string("\x14\0\0\0", 4) + std::string(16, '\0') + "ab"), 0}, // no zero end
      {B(std::string("\x14\0\0\0", 4) + std::string(16, '\0') + std::string("ab\0c", 4)), 1},
  };
  for (const Row& r : rows) EXPECT_EQ(ReadHDrop(r.block).size(), r.paths);
}

TEST(DropFileSource, OffersFiveFormatsInOrderAndKeepsAtMostTwenty) {
  TDropFileSource source;
  const std::uint16_t order[] = {CF_HDROP, kIdList, kEffect, kMap, kMapW};
  ASSERT_EQ(source.Formats().size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(source.Formats()[i], Fmt(order[i])) << i;
  int added = 0;
  for (std::uint16_t f = 100; f < 116; ++f) added += source.AddFormatEtc(f, nullptr, 1, -1, 1);
  EXPECT_EQ(added, 15);  // the 21st entry is ignored
  EXPECT_EQ(source.Formats().size(), TDropSource::kMaxFormats);
  EXPECT_EQ(source.Formats().back().cfFormat, 114);
}

TEST(DropFileSource, GetDataAnswersPerFormatAndCondition) {
  enum Setup { NoFiles, Matched, FewerNames };
  struct Row { Setup setup; TFormatEtc request; HRESULT hr; std::size_t size; };
  TFormatEtc thumbnail = Fmt(CF_HDROP);
  thumbnail.dwAspect = 2;
  TFormatEtc stream = Fmt(CF_HDROP);
  stream.tymed = 4;
  const Row rows[] = {
      {NoFiles, Fmt(CF_HDROP), E_UNEXPECTED, 0},
      {NoFiles, Fmt(kEffect), E_UNEXPECTED, 0},
      {NoFiles, Fmt(kMapW), E_UNEXPECTED, 0},
      {NoFiles, Fmt(999), E_UNEXPECTED, 0},
      {Matched, Fmt(CF_HDROP), S_OK, 20 + 5 + 6 + 1},
      {Matched, Fmt(kEffect), S_OK, 4},
      {Matched, Fmt(kMap), S_OK, 2 + 3 + 1},
      {Matched, Fmt(kMapW), S_OK, 2 + (2 + 2) + (4 + 2)},
      {Matched, Fmt(kIdList), E_FAIL, 0},  // no shell to make item ID lists
      {Matched, Fmt(999), DV_E_FORMATETC, 0},
      {Matched, thumbnail, DV_E_FORMATETC, 0},
      {Matched, stream, DV_E_FORMATETC, 0},
      {FewerNames, Fmt(CF_HDROP), S_OK, 32},
      {FewerNames, Fmt(kEffect), S_OK, 4},
      {FewerNames, Fmt(kMap), DV_E_FORMATETC, 0},
      {FewerNames, Fmt(kMapW), DV_E_FORMATETC, 0},
  };
  for (const Row& r : rows) {
    TDropFileSource source;
    if (r.setup != NoFiles) source.Files = {"/t/a", "/t/bc"};
    if (r.setup == Matched) source.MappedNames = {"x", "yz"};
    if (r.setup == FewerNames) source.MappedNames = {"x"};
    TStgMedium medium;
    EXPECT_EQ(source.GetData(r.request, medium), r.hr) << r.setup << " " << r.request.cfFormat;
    EXPECT_EQ(medium.hGlobal.size(), r.size) << r.setup << " " << r.request.cfFormat;
    EXPECT_EQ(medium.tymed, r.hr == S_OK ? TYMED_HGLOBAL : 0u);
  }
}

TEST(DropFileSource, FixedAnswersOfTheDataObject) {
  TDropFileSource source;
  TStgMedium medium;
  TFormatEtc out;
  EXPECT_EQ(source.GetCanonicalFormatEtc(Fmt(CF_HDROP), out), DATA_S_SAMEFORMATETC);
  EXPECT_EQ(source.SetData(Fmt(CF_HDROP), medium, true), E_NOTIMPL);
  EXPECT_EQ(source.GetDataHere(Fmt(CF_HDROP), medium), E_NOTIMPL);
  EXPECT_EQ(source.DAdvise(), OLE_E_ADVISENOTSUPPORTED);
  EXPECT_EQ(source.DUnadvise(), OLE_E_ADVISENOTSUPPORTED);
  int dummy = 0;
  void* enumerator = &dummy;
  EXPECT_EQ(source.EnumDAdvise(&enumerator), OLE_E_ADVISENOTSUPPORTED);
  EXPECT_EQ(enumerator, nullptr);
  std::vector<TFormatEtc> list;
  EXPECT_EQ(source.EnumFormatEtc(DATADIR_GET, list), S_OK);
  EXPECT_EQ(list, source.Formats());
  EXPECT_EQ(source.EnumFormatEtc(DATADIR_SET, list), E_NOTIMPL);
  EXPECT_EQ(source.EnumFormatEtc(3, list), E_INVALIDARG);
  // QueryGetData: same format and aspect, and a medium that overlaps.
  TFormatEtc any = Fmt(kEffect);
  any.tymed = 0xFF;
  TFormatEtc file = Fmt(kEffect);
  file.tymed = 2;
  TFormatEtc icon = Fmt(kEffect);
  icon.dwAspect = 4;
  EXPECT_EQ(source.QueryGetData(any), S_OK);
  EXPECT_EQ(source.QueryGetData(file), E_FAIL);
  EXPECT_EQ(source.QueryGetData(icon), E_FAIL);
  EXPECT_EQ(source.QueryGetData(Fmt(998)), E_FAIL);
}

TEST(DropSource, DragOutcomes) {
  struct Row {
    const char* what;
    TDragTypes types;
    std::vector<std::uint32_t> effects;
    bool escape;
    bool refuse;  // OnDrop sets ContinueDrop false
    TDragResult result;
    int drops;    // OnDrop raised
  };
  const Row rows[] = {
      {"copy accepted", {dtCopy}, {DROPEFFECT_NONE, DROPEFFECT_COPY}, false, false, drDropCopy, 1},
      {"move accepted", {dtCopy, dtMove}, {DROPEFFECT_MOVE}, false, false, drDropMove, 1},
      {"link accepted", {dtLink}, {DROPEFFECT_LINK}, false, false, drDropLink, 1},
      {"released over a refusing target", {dtCopy}, {DROPEFFECT_COPY, DROPEFFECT_NONE}, false,
       false, drCancel, 0},
      {"handler stops the drop", {dtCopy}, {DROPEFFECT_COPY}, false, true, drCancel, 1},
      {"escape", {dtCopy}, {DROPEFFECT_COPY}, true, false, drCancel, 0},
      {"effect outside the drag types", {dtCopy}, {DROPEFFECT_MOVE}, false, false, drCancel, 0},
  };
  for (const Row& r : rows) {
    TDropFileSource source;
    source.Files = {"/t/a"};
    source.Dragtypes = r.types;
    int drops = 0;
    TDragType seen = dtLink;
    source.OnDrop = [&](TDropSource&, TDragType type, bool& go) {
      ++drops;
      seen = type;
      EXPECT_TRUE(go);
      if (r.refuse) go = false;
    };
    ScriptedDriver driver;
    driver.effects = r.effects;
    driver.escape = r.escape;
    EXPECT_EQ(source.Execute(driver), r.result) << r.what;
    EXPECT_EQ(drops, r.drops) << r.what;
    EXPECT_EQ(driver.okEffects, r.types.Effects()) << r.what;
    if (r.result == drDropMove) {
      EXPECT_EQ(seen, dtMove);
    }
  }
}

TEST(DropSource, OutcomeMapping) {
  struct Row { HRESULT hr; std::uint32_t effect; TDragResult result; };
  const Row rows[] = {
      {DRAGDROP_S_DROP, DROPEFFECT_COPY | DROPEFFECT_MOVE, drDropCopy},
      {DRAGDROP_S_DROP, DROPEFFECT_MOVE | DROPEFFECT_LINK, drDropMove},
      {DRAGDROP_S_DROP, DROPEFFECT_LINK | DROPEFFECT_SCROLL, drDropLink},
      {DRAGDROP_S_DROP, DROPEFFECT_SCROLL, drCancel},
      {DRAGDROP_S_CANCEL, DROPEFFECT_COPY, drCancel},
      {E_OUTOFMEMORY, 0, drOutMemory},
      {E_UNEXPECTED, DROPEFFECT_COPY, drUnknown},
  };
  for (const Row& r : rows)
    EXPECT_EQ(MapDragOutcome(r.hr, r.effect, TDragTypes{dtCopy, dtMove, dtLink}), r.result)
        << std::hex << r.hr << " " << r.effect;
}

TEST(DropSource, FeedbackKeepsTheEffectAndLetsTheOwnerDrawCursors) {
  TDropFileSource source;
  source.Files = {"/t/a"};
  std::vector<std::uint32_t> heard;
  bool own = false;
  source.OnFeedback = [&](TDropSource&, std::uint32_t e, bool& useDefault) {
    heard.push_back(e);
    EXPECT_TRUE(useDefault);
    useDefault = !own;
  };
  EXPECT_EQ(source.GiveFeedback(DROPEFFECT_MOVE), DRAGDROP_S_USEDEFAULTCURSORS);
  own = true;
  EXPECT_EQ(source.GiveFeedback(DROPEFFECT_COPY | DROPEFFECT_SCROLL), S_OK);
  EXPECT_EQ(heard, (std::vector<std::uint32_t>{DROPEFFECT_MOVE, DROPEFFECT_COPY | DROPEFFECT_SCROLL}));
  TStgMedium medium;
  ASSERT_EQ(source.GetData(Fmt(kEffect), medium), S_OK);
  EXPECT_EQ(ReadPreferredDropEffect(medium.hGlobal), DROPEFFECT_COPY | DROPEFFECT_SCROLL);
}

TEST(DropFileSource, ClipboardCommands) {
  for (const bool cut : {false, true}) {
    TDropFileSource source;
    source.Files = {"/t/a", "/t/b"};
    RecordingClipboard clipboard;
    EXPECT_TRUE(cut ? source.CutToClipboard(clipboard) : source.CopyToClipboard(clipboard));
    EXPECT_TRUE(clipboard.closed);
    EXPECT_EQ(clipboard.data.size(), 2u);
    EXPECT_EQ(ReadHDrop(clipboard.data[CF_HDROP]), source.Files);
    EXPECT_EQ(ReadPreferredDropEffect(clipboard.data[kEffect]), cut ? 2u : 1u);
    EXPECT_EQ(source.LastEffect(), cut ? 2u : 1u);
  }
  TDropFileSource empty;
  RecordingClipboard clipboard;
  EXPECT_FALSE(empty.CopyToClipboard(clipboard));
  EXPECT_FALSE(clipboard.opened);
}

TEST(DragDropUse, FormatsAreRegisteredOnFirstUseAndTheCountFollowsUsers) {
  const int before = TDragDropUse::Count();
  {
    TDropFileSource a;
    TDropFileSource b;
    EXPECT_EQ(TDragDropUse::Count(), before + 2);
  }
  EXPECT_EQ(TDragDropUse::Count(), before);
  EXPECT_EQ(ClipboardFormatName(kMapW), "FileNameMapW");
  EXPECT_EQ(RegisterClipboardFormat("filenamemapw"), kMapW);  // names ignore case
  EXPECT_GE(kIdList, 0xC000);
  EXPECT_NE(RegisterClipboardFormat("UniformResourceLocator"), kIdList);
  EXPECT_EQ(ClipboardFormatName(CF_HDROP), "");
}
