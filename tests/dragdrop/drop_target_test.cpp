// The file drop target: registration and its messages, the effect with Shift and
// Ctrl or the owner's own answer, scrolling near the edges, reading a drop (from the
// file drag source itself) and the clipboard; the start rule and the temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "dragdrop/drag_start.h"
#include "dragdrop/drop_data.h"
#include "dragdrop/drop_source.h"
#include "dragdrop/drop_target.h"

using namespace ole;
using Bytes = std::vector<std::uint8_t>;

namespace {

class FakeControl : public TDropControl {
 public:
  std::string name = "tvwCache";
  bool window = true, hbar = false, vbar = true;
  int font = -12, width = 200, height = 100;
  std::vector<std::pair<int, int>> scrolls;
  std::string Name() const override { return name; }
  bool HasWindow() const override { return window; }
  bool HasHorizontalScrollBar() const override { return hbar; }
  bool HasVerticalScrollBar() const override { return vbar; }
  int FontHeight() const override { return font; }
  int ClientWidth() const override { return width; }
  int ClientHeight() const override { return height; }
  void ScrollBy(int dx, int dy) override { scrolls.emplace_back(dx, dy); }
};

class FakeRegistry : public TDropRegistry {
 public:
  HRESULT registerAnswer = S_OK, revokeAnswer = S_OK;
  std::map<TDropControl*, TDropTarget*> registered;
  HRESULT RegisterDragDrop(TDropControl& c, TDropTarget& t) override {
    if (registerAnswer == S_OK) registered[&c] = &t;
    return registerAnswer;
  }
  HRESULT RevokeDragDrop(TDropControl& c) override {
    if (revokeAnswer == S_OK) registered.erase(&c);
    return revokeAnswer;
  }
};

// The file drag source seen through a target's eyes.
class SourceData : public TDropData {
 public:
  explicit SourceData(TDropSource& s) : source_(s) {}
  bool QueryGetData(std::uint16_t f) const override {
    return source_.QueryGetData(TFormatEtc{f}) == S_OK;
  }
  bool GetData(std::uint16_t f, Bytes& block) const override {
    TStgMedium m;
    if (source_.GetData(TFormatEtc{f}, m) != S_OK) return false;
    block = m.hGlobal;
    return true;
  }

 private:
  TDropSource& source_;
};

class NoFiles : public TDropData {
 public:
  bool QueryGetData(std::uint16_t) const override { return false; }
  bool GetData(std::uint16_t, Bytes&) const override { return false; }
};

}  // namespace

TEST(DropTarget, RegisterAndUnregisterWithTheirMessages) {
  FakeRegistry registry;
  FakeControl tree, list;
  list.name = "lvwCache";
  {
    TDropFileTarget target(registry);
    target.Register(tree);
    target.Register(list);  // a different control: the first is detached
    EXPECT_EQ(registry.registered.count(&tree), 0u);
    EXPECT_EQ(registry.registered.at(&list), &target);
    target.Unregister();
    EXPECT_TRUE(registry.registered.empty());
    registry.registerAnswer = DRAGDROP_E_ALREADYREGISTERED;
    try {
      target.Register(tree);
      ADD_FAILURE() << "no error";
    } catch (const EDropTargetError& e) {
      EXPECT_STREQ(e.what(), "Failed to Register tvwCache");
    }
    registry.registerAnswer = S_OK;
    target.Register(list);
    registry.revokeAnswer = DRAGDROP_E_NOTREGISTERED;
    try {
      target.Unregister();
      ADD_FAILURE() << "no error";
    } catch (const EDropTargetError& e) {
      EXPECT_STREQ(e.what(), "Failed to Unregister lvwCache");
    }
    registry.revokeAnswer = S_OK;
    target.Register(tree);
  }
  EXPECT_TRUE(registry.registered.empty());  // the destructor detaches
}

TEST(DropTarget, EffectFromKeysAndDragTypes) {
  struct Row { std::uint32_t keys; std::uint32_t offered; TDragTypes types; std::uint32_t effect; };
  const std::uint32_t all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  const TDragTypes every{dtCopy, dtMove, dtLink};
  const Row rows[] = {
      {0, all, every, DROPEFFECT_COPY},
      {MK_SHIFT, all, every, DROPEFFECT_MOVE},
      {MK_CONTROL, all, every, DROPEFFECT_COPY},
      {MK_SHIFT | MK_CONTROL, all, every, DROPEFFECT_LINK},
      {MK_SHIFT | MK_CONTROL, DROPEFFECT_COPY, every, DROPEFFECT_COPY},
      {MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_LINK, every, DROPEFFECT_COPY},
      {0, DROPEFFECT_MOVE | DROPEFFECT_LINK, every, DROPEFFECT_MOVE},
      {0, DROPEFFECT_LINK, every, DROPEFFECT_LINK},
      {0, all, TDragTypes{dtLink}, DROPEFFECT_LINK},
      {0, DROPEFFECT_COPY, TDragTypes{dtMove}, DROPEFFECT_NONE},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ChooseDropEffect(r.keys, r.offered, r.types), r.effect) << r.keys << " " << r.offered;
}

TEST(DropTarget, OwnersAnswerIsFinalAndARefusalFetchesNothing) {
  FakeRegistry registry;
  FakeControl tree;
  TDropFileTarget target(registry);
  target.Register(tree);
  target.OnGetDropEffect = [](TDropTarget&, std::uint32_t, TDropPoint, std::uint32_t& e) {
    e = DROPEFFECT_NONE;  // nothing can be dropped here
  };
  bool dropped = false;
  target.OnDrop = [&](TDropTarget&, std::uint32_t, TDropPoint, std::uint32_t&) { dropped = true; };
  TDropFileSource source;
  source.Files = {"/t/a"};
  SourceData data(source);
  std::uint32_t effect = DROPEFFECT_COPY;
  target.DragEnter(&data, 0, {5, 2}, effect);  // inside the scroll margin, still none
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = DROPEFFECT_COPY;
  target.DragOver(0, {50, 50}, effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_FALSE(target.ScrollTimerRunning());
  effect = DROPEFFECT_COPY;
  target.Drop(&data, 0, {50, 50}, effect);
  // The target read the files but reports no effect; the source sees a refusal.
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_TRUE(dropped);
}

TEST(DropTarget, ScrollsNearTheEdgesWhileTheTimerRuns) {
  FakeRegistry registry;
  FakeControl list;
  list.hbar = true;
  list.font = -12;  // margin 12
  TDropFileTarget target(registry);
  target.Register(list);
  TDropFileSource source;
  source.Files = {"/t/a"};
  SourceData data(source);
  std::uint32_t effect = DROPEFFECT_COPY;
  target.DragEnter(&data, 0, {100, 50}, effect);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  EXPECT_EQ(target.ScrollMargin(), 12);
  struct Row { TDropPoint at; bool scroll; std::pair<int, int> step; };
  const Row rows[] = {
      {{100, 50}, false, {0, 0}}, {{100, 5}, true, {0, -1}}, {{100, 95}, true, {0, 1}},
      {{3, 50}, true, {-1, 0}},   {{195, 50}, true, {1, 0}}, {{100, 12}, false, {0, 0}},
  };
  for (const Row& r : rows) {
    list.scrolls.clear();
    effect = DROPEFFECT_COPY;
    target.DragOver(0, r.at, effect);
    EXPECT_EQ((effect & DROPEFFECT_SCROLL) != 0, r.scroll) << r.at.x << "," << r.at.y;
    EXPECT_EQ(effect & ~DROPEFFECT_SCROLL, DROPEFFECT_COPY);
    EXPECT_EQ(target.ScrollTimerRunning(), r.scroll);
    target.OnScrollTimer();
    if (r.scroll) {
      ASSERT_EQ(list.scrolls.size(), 1u);
      EXPECT_EQ(list.scrolls[0], r.step);
    } else {
      EXPECT_TRUE(list.scrolls.empty());
    }
  }
  target.DragLeave();
  EXPECT_FALSE(target.ScrollTimerRunning());
  EXPECT_FALSE(target.Dragging());
}

TEST(DropFileTarget, ReadsFilesAndNamesOfADrop) {
  FakeRegistry registry;
  FakeControl tree;
  TDropFileTarget target(registry);
  target.Register(tree);
  std::vector<std::string> seenFiles, seenNames;
  target.OnDrop = [&](TDropTarget& t, std::uint32_t, TDropPoint, std::uint32_t&) {
    seenFiles = static_cast<TDropFileTarget&>(t).Files;
    seenNames = static_cast<TDropFileTarget&>(t).MappedNames;
  };
  struct Row { std::vector<std::string> names; bool enterFetch; };
  const Row rows[] = {{{"A", "\x93\xfa\x96\x7b"}, false}, {{"only one"}, true}, {{}, false}};
  for (const Row& r : rows) {
    TDropFileSource source;
    source.Files = {"/t/a", "/t/\x93\xfa\x96\x7b"};
    source.MappedNames = r.names;
    SourceData data(source);
    target.GetDataOnEnter = r.enterFetch;
    std::uint32_t effect = DROPEFFECT_COPY;
    target.DragEnter(&data, 0, {50, 50}, effect);
    effect = DROPEFFECT_COPY;
    target.Drop(&data, 0, {50, 50}, effect);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(seenFiles, source.Files);
    EXPECT_EQ(seenNames, r.names.size() == 2 ? r.names : std::vector<std::string>{});
    EXPECT_TRUE(target.Files.empty());  // cleared after the drop
  }
  NoFiles none;
  std::uint32_t effect = DROPEFFECT_COPY;
  target.DragEnter(&none, 0, {50, 50}, effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = DROPEFFECT_COPY;
  target.DragOver(0, {50, 50}, effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
}

TEST(DropFileTarget, PastesTheClipboardsFileList) {
  class Board : public TClipboard {
   public:
    std::map<std::uint16_t, Bytes> data;
    bool Open() override { return true; }
    bool SetData(std::uint16_t f, Bytes b) override { return data[f] = std::move(b), true; }
    bool HasFormat(std::uint16_t f) const override { return data.count(f) != 0; }
    bool GetData(std::uint16_t f, Bytes& b) const override { return b = data.at(f), true; }
    void Close() override {}
  } board;
  FakeRegistry registry;
  TDropFileTarget target(registry);
  EXPECT_FALSE(target.PasteFromClipboard(board));
  board.data[CF_HDROP] = BuildHDrop({});
  EXPECT_FALSE(target.PasteFromClipboard(board));
  TDropFileSource source;
  source.Files = {"/t/a", "/t/b"};
  ASSERT_TRUE(source.CopyToClipboard(board));
  EXPECT_TRUE(target.PasteFromClipboard(board));
  EXPECT_EQ(target.Files, source.Files);
}

TEST(DragStart, ThresholdOfThreePixelsOnEitherAxis) {
  struct Row { int x, y; bool starts; };
  const Row rows[] = {{10, 10, false}, {12, 12, false}, {8, 8, false}, {13, 10, true},
                      {10, 7, true},   {7, 12, true},   {10, 40, true}};
  for (const Row& r : rows) EXPECT_EQ(DragThresholdReached(10, 10, r.x, r.y), r.starts) << r.x << "," << r.y;
}

TEST(DragStart, TempFolderIsRenewedAndDeleted) {
  namespace fs = std::filesystem;
  std::string first;
  {
    TDragTempFolder folder;
    first = folder.Renew();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back(), '/');
    EXPECT_EQ(fs::path(first).parent_path().filename().string().rfind("TLH", 0), 0u);
    std::ofstream(first + "x.html") << "x";
    const std::string second = folder.Renew();
    EXPECT_NE(second, first);
    EXPECT_FALSE(fs::exists(first));  // a second drag deletes the first one's folder
    EXPECT_TRUE(fs::is_directory(second));
    first = second;
  }
  EXPECT_FALSE(fs::exists(first));
}
