#include "tree/web_cache_tree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cache/web_cache.h"
#include "common/binary_search.h"
#include "common/crc32.h"
#include "common/url.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "text/html_parser.h"
#include "tree/combine_url.h"
#include "tree/local_naming.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TH_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define TH_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define TH_POISON(p, n) ((void)(p), (void)(n))
#define TH_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// Folder levels below the root.  A URL with more segments than this (only a hostile
// or broken index has one) puts its file in the deepest allowed folder, which keeps
// every recursive walk of the tree shallow.
constexpr int kMaxFolderDepth = 128;

int CompareTime(const platform::SYSTEMTIME& a, const platform::SYSTEMTIME& b) {
  auto fields = [](const platform::SYSTEMTIME& t) {
    return std::make_tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                           t.wMilliseconds);
  };
  auto fa = fields(a);
  auto fb = fields(b);
  return fa < fb ? -1 : (fb < fa ? 1 : 0);
}

// True when AnsiLowerCase would change `s`: an ASCII capital in a single-byte position.
bool HasUpperAscii(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); i += platform::AnsiCharLength(s, i)) {
    if (s[i] >= 'A' && s[i] <= 'Z') return true;
  }
  return false;
}

// AnsiReplaceAll(s, "//", "/") without its general search: the same pairs, left to
// right, without overlap, stepping over characters the same way, so the result is
// the same byte for byte.
void FoldDoubleSlashes(std::string_view s, std::string& out) {
  out.clear();
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = platform::AnsiCharLength(s, i);
    out.append(s.substr(i, n));
    if (n == 1 && s[i] == '/' && i + 1 < s.size() && s[i + 1] == '/') ++n;
    i += n;
  }
}

std::string FoldDoubleSlashes(std::string_view s) {
  std::string out;
  FoldDoubleSlashes(s, out);
  return out;
}

std::string DropScheme(std::string_view url) {
  std::size_t sep = platform::AnsiFindStr(url, "://");
  return std::string(sep == platform::npos ? url : url.substr(sep + 3));
}

// The cut SplitUrl makes, as views of the URL itself, nothing decoded: the folder up
// to its last '/', the file name, and the extra part ("?..." and ";..." tails, and a
// segment with '=' or '$' with everything behind it).  None of the bytes looked for
// can be either byte of a double-byte character, so a plain byte search finds exactly
// what a character-stepping one does.
struct UrlCut {
  std::string_view folder, fileName, extra;
};
constexpr bool StandsAlone(char c) {
  return !platform::IsLeadByte(static_cast<unsigned char>(c)) &&
         !platform::IsTrailByte(static_cast<unsigned char>(c));
}
static_assert(StandsAlone('?') && StandsAlone(';') && StandsAlone('=') && StandsAlone('$') &&
              StandsAlone('/'));

UrlCut CutUrl(std::string_view url) {
  std::size_t end = url.find_first_of("?;");
  if (end == std::string_view::npos) end = url.size();
  for (char mark : {'=', '$'}) {
    const std::size_t at = url.substr(0, end).find(mark);
    if (at == std::string_view::npos) continue;
    const std::size_t slash = url.substr(0, at).rfind('/');
    if (slash != std::string_view::npos) end = slash + 1;
  }
  const std::string_view rest = url.substr(0, end);
  const std::size_t slash = rest.rfind('/');
  const std::size_t nameAt = slash == std::string_view::npos ? 0 : slash + 1;
  return {rest.substr(0, nameAt), rest.substr(nameAt), url.substr(end)};
}

// UrlDecodeText into `out`, which keeps its room: a text without '%' or a zero byte
// decodes to itself.
void DecodeInto(std::string_view text, std::string& out) {
  if (text.find_first_of(std::string_view("%\0", 2)) == std::string_view::npos) {
    out.assign(text);
  } else {
    out = UrlDecodeText(text);
  }
}

// Calls `fn` for each '/'-terminated, non-empty segment of `path` (text behind the
// last '/' is not a segment).  `fn` returns false to stop.  Returns the text behind
// the last '/'.
template <class Fn>
std::string_view ForEachSegment(std::string_view path, Fn fn) {
  std::size_t start = 0;
  while (true) {
    std::size_t slash = path.find('/', start);  // '/' is never a CP932 trail byte
    if (slash == std::string_view::npos) break;
    std::string_view seg = path.substr(start, slash - start);
    start = slash + 1;
    if (!seg.empty() && !fn(seg)) return {};
  }
  return path.substr(start);
}

// The collation rank of each printable ASCII byte that sorts on its own: a single
// character key under the locale's collator, ranked once against all the others.
// Zero for bytes left to the collator (controls, capitals, non-ASCII, and any two
// bytes the collator finds equal).
struct AsciiRanks {
  unsigned char rank[256] = {};
  AsciiRanks() {
    std::vector<std::pair<std::string, unsigned char>> keyed;
    for (int c = 0x20; c < 0x7F; ++c) {
      if (c >= 'A' && c <= 'Z') continue;
      keyed.emplace_back(platform::AnsiSortKey(std::string(1, static_cast<char>(c)), false),
                         static_cast<unsigned char>(c));
    }
    std::sort(keyed.begin(), keyed.end());
    unsigned char next = 1;
    for (std::size_t i = 0; i < keyed.size(); ++i) {
      bool tied = (i > 0 && keyed[i - 1].first == keyed[i].first) ||
                  (i + 1 < keyed.size() && keyed[i + 1].first == keyed[i].first);
      if (!tied && !keyed[i].first.empty()) rank[keyed[i].second] = next;
      ++next;
    }
  }
};

const AsciiRanks& Ranks() {
  static const AsciiRanks ranks;
  return ranks;
}

// Folders met while a tree is built, found by their whole path at once: one probe
// per entry instead of one per segment, and no per-folder index while the tree
// grows (each folder makes its own on first use afterwards).  The key of a folder
// is its segments, each lower-cased as a node's Key is, each followed by '/'; the
// keys live in one arena.
class FolderPathTable {
 public:
  FolderPathTable() : slots_(1024) {}

  // Hash of `key` continued from `h` (FNV-1a), so a path's prefixes hash as the
  // path is put together.
  static std::uint64_t Continue(std::uint64_t h, std::string_view key) {
    for (unsigned char c : key) {
      h ^= c;
      h *= 1099511628211ull;
    }
    return h;
  }
  static constexpr std::uint64_t kStart = 1469598103934665603ull;

  TWebCacheTreeNode* Find(std::uint64_t hash, std::string_view key) const {
    for (std::size_t i = hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& s = slots_[i];
      if (!s.node) return nullptr;
      if (s.hash == hash && s.length == key.size() &&
          std::string_view(arena_.data() + s.offset, s.length) == key) {
        return s.node;
      }
    }
  }

  void Insert(std::uint64_t hash, std::string_view key, TWebCacheTreeNode* node) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    Slot slot{hash, arena_.size(), key.size(), node};
    arena_.append(key);
    Place(slot);
    ++used_;
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
    TWebCacheTreeNode* node = nullptr;
  };
  void Place(const Slot& slot) {
    std::size_t i = slot.hash & (slots_.size() - 1);
    while (slots_[i].node) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = slot;
  }
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old) {
      if (s.node) Place(s);
    }
  }
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::string arena_;
};

// Appends `seg` lower-cased as AnsiLowerCase does: ASCII capitals in single-byte
// positions only, a lead byte takes the next byte along untouched.
void AppendLowered(std::string& out, std::string_view seg) {
  std::size_t at = out.size();
  out.append(seg);
  for (std::size_t i = at; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (platform::IsLeadByte(c) && i + 1 < out.size()) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    }
  }
}

}  // namespace

// The storage of the nodes below the root and of their texts: pieces are cut one
// after another from blocks that grow to 2 MiB, so a million nodes cost a few hundred
// blocks instead of millions of heap blocks, and a whole tree goes back in one sweep.
// Nodes and texts are only made while a tree is built (after ClearTree) or when a node
// moves, so a freed piece is not reused before the next Reset; freed nodes are
// poisoned for the address sanitizer.
class TWebCacheTree::Storage {
 public:
  Storage() = default;
  ~Storage() { Reset(); }
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  // `align` is a power of two no larger than a node's alignment.
  void* Allocate(std::size_t bytes, std::size_t align) {
    std::size_t at = (used_ + align - 1) & ~(align - 1);
    if (blocks_.empty() || at + bytes > blocks_.back().bytes) {
      Grow(bytes);
      at = 0;
    }
    used_ = at + bytes;
    void* p = blocks_.back().data + at;
    TH_UNPOISON(p, bytes);
    return p;
  }
  TWebCacheTreeNode* NewNode(TWebCacheTree* tree, TWebCacheTreeNode* parent, bool isFolder) {
    return new (Allocate(sizeof(TWebCacheTreeNode), alignof(TWebCacheTreeNode)))
        TWebCacheTreeNode(tree, parent, isFolder);
  }
  static void FreeNode(TWebCacheTreeNode* node) {
    node->~TWebCacheTreeNode();
    TH_POISON(node, sizeof(TWebCacheTreeNode));
  }

  // Gives every block back; every node must have been destroyed.
  void Reset() {
    for (const Block& b : blocks_) {
      TH_UNPOISON(b.data, b.bytes);
      if (b.huge) {
        std::free(b.data);
      } else {
        ::operator delete(b.data, std::align_val_t{kAlign});
      }
    }
    blocks_.clear();
    used_ = 0;
  }

 private:
  static constexpr std::size_t kHugeBytes = std::size_t{2} << 20;
  static constexpr std::size_t kAlign = alignof(TWebCacheTreeNode) > 16 ? alignof(TWebCacheTreeNode) : 16;
  struct Block {
    char* data;
    std::size_t bytes;
    bool huge;
  };
  void Grow(std::size_t atLeast) {
    // Small trees (most tests, a small cache) stay small; big ones get blocks of
    // 2 MiB, aligned so that the kernel can back each with one huge page.
    std::size_t bytes = 16384;
    if (!blocks_.empty()) bytes = std::min(std::max(blocks_.back().bytes, bytes) * 2, kHugeBytes);
    if (bytes < atLeast) bytes = atLeast;  // one very long text
    Block b{nullptr, bytes, false};
#if defined(__linux__) && defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
    if (bytes == kHugeBytes) {
      b.data = static_cast<char*>(std::aligned_alloc(kHugeBytes, kHugeBytes));
      if (b.data) {
        b.huge = true;
        madvise(b.data, kHugeBytes, MADV_HUGEPAGE);  // a hint; failure changes nothing
      }
    }
#endif
    if (!b.data) b.data = static_cast<char*>(::operator new(bytes, std::align_val_t{kAlign}));
    TH_POISON(b.data, bytes);
    blocks_.push_back(b);
    used_ = 0;
  }

  std::vector<Block> blocks_;
  std::size_t used_ = 0;  // in the last block
};

TWebCacheTreeNode* TWebCacheTree::NewNode(TWebCacheTreeNode* parent, bool isFolder) {
  return storage_->NewNode(this, parent, isFolder);
}

void TWebCacheTree::FreeSubtree(TWebCacheTreeNode* node) {
  for (TWebCacheTreeNode* c : node->children_) FreeSubtree(c);
  Storage::FreeNode(node);
}

struct TWebCacheTree::BuildState {
  std::unordered_map<std::string, int> typeRows;  // content type -> table row
  std::unordered_map<std::string, bool> extensionKnown;  // row NUL extension -> HasExtension
  FolderPathTable folders;
  // Scratch, reused from entry to entry.
  std::string path, key;
  struct Segment {
    std::size_t begin, end, slash;  // in `path`
    std::size_t keyEnd;             // in `key`
    std::uint64_t hash;             // of key up to keyEnd
  };
  std::vector<Segment> segments;
  // (folder, child) in the order the children are met: each folder's vector is made
  // at its full size once every entry is placed, instead of growing entry by entry.
  std::vector<std::pair<TWebCacheTreeNode*, TWebCacheTreeNode*>> links;
  bool attached = false;
  void AttachChildren();
  // A build cut short by an exception still hands every node to its folder, so that
  // clearing the tree destroys them all.
  ~BuildState() {
    try {
      AttachChildren();
    } catch (...) {
    }
  }
};

void TWebCacheTree::BuildState::AttachChildren() {
  if (attached) return;
  attached = true;
  // A new folder's total is still zero, and the root's was cleared: until the totals
  // are summed it counts the children the folder is about to receive.
  for (const auto& link : links) ++link.first->totalSize_;
  for (const auto& [folder, child] : links) {
    if (folder->totalSize_ != 0) {
      folder->children_.reserve(folder->children_.size() + folder->totalSize_);
      folder->totalSize_ = 0;
    }
    folder->children_.push_back(child);
  }
  std::vector<std::pair<TWebCacheTreeNode*, TWebCacheTreeNode*>>().swap(links);
}

bool FastNameSortKey(std::string_view lowered, std::string* out) {
  const AsciiRanks& r = Ranks();
  out->resize(lowered.size());
  for (std::size_t i = 0; i < lowered.size(); ++i) {
    unsigned char k = r.rank[static_cast<unsigned char>(lowered[i])];
    if (k == 0) return false;
    (*out)[i] = static_cast<char>(k);
  }
  return true;
}

// ---------------------------------------------------------------------------
// TWebCacheTreeNode

TWebCacheTreeNode::TWebCacheTreeNode(TWebCacheTree* tree, TWebCacheTreeNode* parent,
                                     bool isFolder)
    : tree_(tree), parent_(parent), isFolder_(isFolder) {}

TWebCacheTreeNode::~TWebCacheTreeNode() = default;

std::string_view TWebCacheTreeNode::Text(TextField field) const {
  if (!texts_) return {};
  std::uint32_t begin = 0;
  std::uint32_t end = 0;
  if (field > 0) std::memcpy(&begin, texts_ + 4 * (field - 1), 4);
  std::memcpy(&end, texts_ + 4 * field, 4);
  return std::string_view(texts_ + 4 * kTextFields + begin, end - begin);
}

void TWebCacheTreeNode::SetTexts(std::string_view sourceUrl, std::string_view localFileName,
                                 std::string_view header, std::string_view extension,
                                 std::string_view folderUrl, std::string_view fileName,
                                 std::string_view queryPart, bool folderUrlOfParent) {
  folderUrlOfParent_ = folderUrlOfParent && parent_;
  if (folderUrlOfParent_) folderUrl = {};
  const std::string_view texts[kTextFields] = {sourceUrl, localFileName, header, extension,
                                               folderUrl, fileName, queryPart};
  std::size_t total = 0;
  for (std::string_view t : texts) total += t.size();
  if (total == 0) {
    texts_ = nullptr;
    return;
  }
  // Offsets are 32-bit: a text of 4 GiB does not come from any cache index.
  char* block = static_cast<char*>(tree_->storage_->Allocate(4 * kTextFields + total, 4));
  char* out = block + 4 * kTextFields;
  std::uint32_t end = 0;
  for (int i = 0; i < kTextFields; ++i) {
    if (!texts[i].empty()) std::memcpy(out + end, texts[i].data(), texts[i].size());
    end += static_cast<std::uint32_t>(texts[i].size());
    std::memcpy(block + 4 * i, &end, 4);
  }
  texts_ = block;
}

TWebCacheEntryView TWebCacheTreeNode::EntryInfo() const {
  TWebCacheEntryView e;
  e.SourceUrl = Text(kSourceUrl);
  e.LocalFileName = Text(kLocalFileName);
  e.LastModified = lastModified_;
  e.Size = size_;
  e.HeaderInfo = TWebCacheHeaderView(Text(kHeader));
  e.FileExtension = Text(kExtension);
  e.LastModifiedUtc = lastModifiedUtc_;
  e.FolderUrl = FolderUrl();
  e.FileName = Text(kFileName);
  e.QueryPart = Text(kQueryPart);
  return e;
}

int TWebCacheTreeNode::IndexInParent() const {
  if (!parent_) return -1;
  for (std::size_t i = 0; i < parent_->children_.size(); ++i) {
    if (parent_->children_[i] == this) return static_cast<int>(i);
  }
  return -1;
}

void TWebCacheTreeNode::SetCaptionQuiet(std::string_view text) {
  if (text == caption_) return;
  if (parent_) parent_->InvalidateIndex();
  caption_ = text;
  // Most names have no capital to lower: they are their own key.
  if (HasUpperAscii(caption_)) {
    key_ = std::make_unique<std::string>(platform::AnsiLowerCase(caption_));
  } else {
    key_.reset();
  }
}

void TWebCacheTreeNode::SetCaption(const std::string& text) {
  if (text == caption_) return;
  SetCaptionQuiet(text);
  if (parent_ && !tree_->Updating()) parent_->SortChildren();
}

std::string TWebCacheTreeNode::GetDisplayName() const {
  return caption_.empty() ? tree_->DefaultFileName : caption_;
}

void TWebCacheTreeNode::IndexInsert(TWebCacheTreeNode* child) {
  if (!indexValid_) return;
  if (!child->isFolder_ && !filesIndexed_) return;
  if (!index_) index_ = std::make_unique<Index>();
  IndexSlot& slot = (*index_)[std::string_view(child->Key())];
  if (child->isFolder_) {
    if (!slot.folder) slot.folder = child;
  } else if (!slot.file) {
    slot.file = child;
  }
}

void TWebCacheTreeNode::EnsureIndex(bool withFiles) const {
  if (!index_) {
    index_ = std::make_unique<Index>();
    indexValid_ = false;
  }
  if (!indexValid_) {
    index_->clear();
    filesIndexed_ = withFiles;
    for (const auto& c : children_) {
      if (!c->isFolder_ && !withFiles) continue;
      IndexSlot& slot = (*index_)[std::string_view(c->Key())];
      TWebCacheTreeNode*& p = c->isFolder_ ? slot.folder : slot.file;
      if (!p) p = c;
    }
    indexValid_ = true;
    return;
  }
  if (withFiles && !filesIndexed_) {
    for (const auto& c : children_) {
      if (c->isFolder_) continue;
      IndexSlot& slot = (*index_)[std::string_view(c->Key())];
      if (!slot.file) slot.file = c;
    }
    filesIndexed_ = true;
  }
}

TWebCacheTreeNode* TWebCacheTreeNode::FindFolderChild(std::string_view name) const {
  if (children_.empty()) return nullptr;
  // Folders are always indexed while the index is valid; files only on demand.
  EnsureIndex(false);
  // Most names are lower case already: look them up without a lower-cased copy.
  std::string lowered;
  std::string_view key = name;
  if (HasUpperAscii(name)) {
    lowered = platform::AnsiLowerCase(name);
    key = lowered;
  }
  auto it = index_->find(key);
  return it == index_->end() ? nullptr : it->second.folder;
}

TWebCacheTreeNode* TWebCacheTreeNode::FindFileChild(std::string_view name) const {
  if (children_.empty()) return nullptr;
  EnsureIndex(true);
  std::string key = platform::AnsiLowerCase(name);
  auto it = index_->find(std::string_view(key));
  return it == index_->end() ? nullptr : it->second.file;
}

TWebCacheTreeNode* TWebCacheTreeNode::FindChild(std::string_view name) const {
  if (children_.empty()) return nullptr;
  EnsureIndex(true);
  std::string key = platform::AnsiLowerCase(name);
  auto it = index_->find(std::string_view(key));
  if (it == index_->end()) return nullptr;
  return it->second.file ? it->second.file : it->second.folder;
}

int TWebCacheTreeNode::GetLevel() const {
  int level = 0;
  for (const TWebCacheTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

std::string TWebCacheTreeNode::GetUrlText() const {
  std::string url(FolderUrl());
  if (!isFolder_) url += GetDisplayName();
  return url;
}

TWebCacheTreeNode* TWebCacheTreeNode::AddChild(TWebCacheTreeNode* child) {
  child->parent_ = this;
  children_.push_back(child);
  IndexInsert(child);
  return child;
}

bool TWebCacheTreeNode::DetachChild(TWebCacheTreeNode* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return false;
  if (indexValid_ && index_) {
    auto slot = index_->find(std::string_view(child->Key()));
    if (slot != index_->end() && (slot->second.folder == child || slot->second.file == child)) {
      InvalidateIndex();  // its key view points into the leaving node
    }
  }
  children_.erase(it);
  child->parent_ = nullptr;
  return true;
}

void TWebCacheTreeNode::MoveTo(TWebCacheTreeNode* newParent) {
  if (!parent_ || !newParent || newParent == parent_ || !newParent->isFolder_) return;
  for (TWebCacheTreeNode* p = newParent; p; p = p->parent_) {
    if (p == this) return;  // never under itself
  }
  TWebCacheTreeNode* oldParent = parent_;
  if (folderUrlOfParent_) {
    // The folder URL came from the old parent: the node takes its own copy.
    const std::string folderUrl(FolderUrl());
    SetTexts(Text(kSourceUrl), Text(kLocalFileName), Text(kHeader), Text(kExtension), folderUrl,
             Text(kFileName), Text(kQueryPart), false);
  }
  oldParent->DetachChild(this);
  newParent->AddChild(this);
  tree_->RefreshAncestorTotals(oldParent);
  tree_->RefreshAncestorTotals(newParent);
  if (!tree_->Updating()) newParent->SortChildren();
}

void TWebCacheTreeNode::SortChildren() {
  const std::size_t n = children_.size();
  if (n < 2) return;
  struct Keyed {
    std::string sortKey;
    std::size_t pos;
    TWebCacheTreeNode* node;
  };
  std::vector<Keyed> keyed(n);
  // Names of plain ASCII (nearly all of them) take rank keys, which order exactly as
  // the collator's keys do at a fraction of the cost; one name outside that set sends
  // the whole folder to the collator, so keys of the two kinds are never compared.
  bool fast = true;
  for (std::size_t i = 0; i < n && fast; ++i) {
    fast = FastNameSortKey(children_[i]->Key(), &keyed[i].sortKey);
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!fast) keyed[i].sortKey = platform::AnsiSortKey(children_[i]->Key(), false);
    keyed[i].pos = i;
    keyed[i].node = children_[i];
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    int r = a.sortKey.compare(b.sortKey);
    if (r != 0) return r < 0;
    // Equal names: the newest object first, so it keeps the plain name.
    int t = CompareTime(a.node->lastModified_, b.node->lastModified_);
    if (t != 0) return t > 0;
    return a.pos < b.pos;
  });
  for (std::size_t i = 0; i < n; ++i) children_[i] = keyed[i].node;
}

// ---------------------------------------------------------------------------
// TWebCacheTreeNodeCopyList

int TWebCacheTreeNodeCopyList::Search(const std::string& key) const {
  return BinarySearchList(items_, key, [](const std::string& k, const Item& item) {
    int r = k.compare(item.key);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  });
}

namespace {

// URL order ignoring case, then the exact URL: objects whose URLs differ only in case
// (a.gif, A.gif) are different files with different local names, and each must be
// copied.  ICU collation keys hold no zero byte, so the zero keeps the order of the first
// part intact.
std::string CopyListKey(const TWebCacheTreeNode* node) {
  const std::string_view url = node->EntryInfo().SourceUrl;
  std::string key = platform::AnsiSortKey(platform::AnsiLowerCase(url), false);
  key.push_back('\0');
  key += url;
  return key;
}

}  // namespace

int TWebCacheTreeNodeCopyList::AddNode(TWebCacheTreeNode* node) {
  if (!node) return -1;
  std::string key = CopyListKey(node);
  int i = Search(key);
  if (i >= 0) return i;
  int at = -(i + 1);
  node->Marked = false;
  items_.insert(items_.begin() + at, Item{std::move(key), node});
  return at;
}

int TWebCacheTreeNodeCopyList::IndexOfNode(const TWebCacheTreeNode* node) const {
  if (!node || items_.empty()) return -1;
  int i = Search(CopyListKey(node));
  return i >= 0 ? i : -1;
}

int CompareNodesForHits(const TWebCacheTreeNode* a, const TWebCacheTreeNode* b) {
  if (a->IsFolder() != b->IsFolder()) return a->IsFolder() ? 1 : -1;
  return platform::AnsiCompareText(a->GetDisplayName(), b->GetDisplayName());
}

void SortNodesForHits(std::vector<TWebCacheTreeNode*>& nodes) {
  struct Keyed {
    bool folder;
    std::string key;
    TWebCacheTreeNode* node;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(nodes.size());
  for (TWebCacheTreeNode* n : nodes) {
    keyed.push_back({n->IsFolder(), platform::AnsiSortKey(n->GetDisplayName(), true), n});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.folder != b.folder) return !a.folder;
    return a.key < b.key;
  });
  for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i] = keyed[i].node;
}

// ---------------------------------------------------------------------------
// TWebCacheTree

TWebCacheTree::TWebCacheTree() : TWebCacheTree(nullptr) {}

TWebCacheTree::TWebCacheTree(std::unique_ptr<TWebCacheSource> source)
    : storage_(std::make_unique<Storage>()),
      root_(std::make_unique<TWebCacheTreeNode>(this, nullptr, true)),
      webCache_(source ? std::make_unique<TWebCache>(std::move(source))
                       : std::make_unique<TWebCache>()),
      crc_(CreateCrcTable()) {
  root_->SetCaptionQuiet("Web Cache");
}

TWebCacheTree::~TWebCacheTree() {
  SaveRenameList();
  SaveContentTypes();
  renameItems_.Clear();
  contentTypes_.Clear();
  ClearTree();
  root_.reset();
}

void TWebCacheTree::SetRenameListFile(const std::string& path) {
  if (path == renameListFile_) return;
  renameListFile_ = path;
  renameItems_.LoadRenameList(path);
}

void TWebCacheTree::SetContentTypeFile(const std::string& path) {
  if (path == contentTypeFile_) return;
  contentTypeFile_ = path;
  LoadContentTypes();
}

void TWebCacheTree::SetContentTypeRegistry(const platform::Registry* reg,
                                           std::string mimeTypesPath) {
  registry_ = reg;
  mimeTypesPath_ = std::move(mimeTypesPath);
}

void TWebCacheTree::LoadContentTypes() {
  contentTypes_.LoadFromRegistry(registry_ ? *registry_ : platform::Registry::Current(),
                                 mimeTypesPath_);
  if (!contentTypeFile_.empty()) contentTypes_.LoadFromFile(contentTypeFile_);
}

bool TWebCacheTree::SaveContentTypes() const {
  if (settingsReadOnly_ || contentTypeFile_.empty()) return false;
  return contentTypes_.SaveToFile(contentTypeFile_);
}

bool TWebCacheTree::SaveRenameList() const {
  if (settingsReadOnly_ || renameListFile_.empty()) return false;
  return renameItems_.SaveRenameList(renameListFile_);
}

int TWebCacheTree::GetCount() { return webCache_->GetCount(); }

void TWebCacheTree::ClearTree() {
  for (TWebCacheTreeNode* c : root_->children_) FreeSubtree(c);
  root_->children_.clear();
  storage_->Reset();
  root_->index_.reset();
  root_->indexValid_ = true;
  root_->filesIndexed_ = false;
  root_->totalSize_ = 0;
  root_->size_ = 0;
  root_->lastModified_ = platform::SYSTEMTIME{};
}

void TWebCacheTree::Build() {
  struct Guard {
    TWebCacheTree* t;
    ~Guard() {
      t->webCache_->FindClose();
      t->updating_ = false;
    }
  } guard{this};
  updating_ = true;
  ClearTree();
  root_->indexValid_ = false;  // made on first use, like every folder's
  BuildState state;
  // One record for every entry: its strings keep their room from entry to entry, and
  // the node copies what it keeps into the tree's storage.
  TWebCacheEntryInfoEx entry;
  bool more = webCache_->FindFirst(entry);
  while (more) {
    PlaceEntry(entry, state);
    more = webCache_->FindNext(entry);
  }
  webCache_->FindClose();
  state.AttachChildren();
  UpdateFolderTotals(root_.get());
}

void TWebCacheTree::PlaceEntry(TWebCacheEntryInfoEx& entry, BuildState& state) {
  // The parts of the previous entry go; the source filled the rest.
  entry.FolderUrl.clear();
  entry.FileName.clear();
  entry.QueryPart.clear();
  if (OnLoadProgress) OnLoadProgress(entry);

  // A URL renamed in an earlier run keeps its stored name.
  std::string newUrl = renameItems_.Lookup(entry.SourceUrl);
  if (newUrl.empty()) {
    const UrlCut cut = CutUrl(entry.SourceUrl);
    DecodeInto(cut.folder, entry.FolderUrl);
    DecodeInto(cut.fileName, entry.FileName);
    entry.QueryPart.assign(cut.extra);
  } else {
    // The list holds decoded URLs; decoding them again would read "100%.gif" as an
    // escape.
    TUrlParts parts = SplitUrlRaw(newUrl);
    entry.FolderUrl = std::move(parts.folder);
    entry.FileName = std::move(parts.fileName);
    entry.QueryPart = std::move(parts.extra);
  }
  if (!enableScheme_) entry.FolderUrl = DropScheme(entry.FolderUrl);

  if (newUrl.empty()) {
    std::string type = NamingContentType(entry.HeaderInfo);
    auto it = state.typeRows.find(type);
    if (it == state.typeRows.end()) {
      it = state.typeRows.emplace(type, contentTypes_.IndexOfType(type)).first;
    }
    const TContentTypeItem* row = it->second >= 0 ? &contentTypes_[it->second] : nullptr;
    if (row) {
      // HasExtension compares in the locale for every extension of the type; a cache
      // repeats a few (type, extension) pairs endlessly, so each is asked once.  A row
      // that already has the extension changes nothing, exactly like no row at all.
      std::string probe = std::to_string(it->second);
      probe.push_back('\0');
      probe += FileNameExtension(entry.FileName);
      auto known = state.extensionKnown.find(probe);
      if (known == state.extensionKnown.end()) {
        bool has = row->HasExtension(std::string_view(probe).substr(probe.find('\0') + 1));
        known = state.extensionKnown.emplace(std::move(probe), has).first;
      }
      if (known->second) row = nullptr;
    }
    std::string name = ChooseLocalFileName(entry.FileName, entry.QueryPart, type, row, *crc_);
    if (name != entry.FileName) {
      entry.FileName = std::move(name);
      entry.QueryPart.clear();
      renameItems_.Add(entry.SourceUrl, entry.FolderUrl + entry.FileName);
    }
  }

  // The folders of the URL: its '/'-terminated, non-empty segments of the folded
  // path, at most kMaxFolderDepth of them (a deeper file goes to the deepest one).
  std::string& path = state.path;
  FoldDoubleSlashes(entry.FolderUrl, path);  // keeps its room from entry to entry
  std::string& key = state.key;
  key.clear();
  state.segments.clear();
  std::uint64_t hash = FolderPathTable::kStart;
  std::size_t start = 0;
  while (true) {
    std::size_t slash = path.find('/', start);  // '/' is never a CP932 trail byte
    if (slash == std::string::npos) break;
    std::size_t begin = start;
    start = slash + 1;
    if (slash == begin) continue;
    if (state.segments.size() >= static_cast<std::size_t>(kMaxFolderDepth)) break;
    std::size_t keyBegin = key.size();
    AppendLowered(key, std::string_view(path).substr(begin, slash - begin));
    key.push_back('/');
    hash = FolderPathTable::Continue(hash, std::string_view(key).substr(keyBegin));
    state.segments.push_back({begin, slash, slash, key.size(), hash});
  }

  TWebCacheTreeNode* node = root_.get();
  if (!state.segments.empty()) {
    node = state.folders.Find(hash, key);
    if (!node) {
      // A new folder somewhere on the path: walk it, making what is missing.  A
      // folder's URL prefix is the folded path up to its segment; only a leading
      // scheme ("http:") is followed by "//" (a host with a port, "h:8080", is an
      // ordinary segment).
      std::size_t schemeSlash = std::string::npos;  // where the scheme's second '/' goes
      const auto& firstSeg = state.segments.front();
      if (enableScheme_ && path[firstSeg.end - 1] == ':') schemeSlash = firstSeg.slash;
      node = root_.get();
      for (const auto& seg : state.segments) {
        std::string_view prefixKey = std::string_view(key).substr(0, seg.keyEnd);
        TWebCacheTreeNode* child = state.folders.Find(seg.hash, prefixKey);
        if (!child) {
          TWebCacheTreeNode* folder = NewNode(node, true);
          folder->SetCaptionQuiet(std::string_view(path).substr(seg.begin, seg.end - seg.begin));
          folder->indexValid_ = false;
          std::string prefix = path.substr(0, seg.slash + 1);
          if (schemeSlash != std::string::npos) prefix.insert(schemeSlash, 1, '/');
          folder->SetTexts({}, {}, {}, {}, prefix, {}, {}, false);
          child = folder;
          state.links.emplace_back(node, folder);
          state.folders.Insert(seg.hash, prefixKey, child);
        }
        node = child;
      }
    }
  }

  TWebCacheTreeNode* file = NewNode(node, false);
  file->SetCaptionQuiet(entry.FileName);
  file->size_ = entry.Size;
  file->lastModified_ = entry.LastModified;
  file->lastModifiedUtc_ = entry.LastModifiedUtc;
  file->SetTexts(entry.SourceUrl, entry.LocalFileName, entry.HeaderInfo.View().Packed(),
                 entry.FileExtension, entry.FolderUrl, entry.FileName, entry.QueryPart,
                 node->FolderUrl() == entry.FolderUrl);
  state.links.emplace_back(node, file);
}

void TWebCacheTree::UpdateFolderTotals(TWebCacheTreeNode* node) {
  if (!node->isFolder_) return;
  std::uint64_t total = 0;
  platform::SYSTEMTIME newest{};
  for (const auto& c : node->children_) {
    if (c->isFolder_) UpdateFolderTotals(c);
    if (CompareTime(c->lastModified_, newest) > 0) newest = c->lastModified_;
    total += c->TotalSize();
  }
  node->totalSize_ = total;
  node->size_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
  node->lastModified_ = newest;
}

void TWebCacheTree::RefreshAncestorTotals(TWebCacheTreeNode* folder) {
  for (TWebCacheTreeNode* n = folder; n; n = n->parent_) {
    std::uint64_t total = 0;
    platform::SYSTEMTIME newest{};
    for (const auto& c : n->children_) {
      if (CompareTime(c->lastModified_, newest) > 0) newest = c->lastModified_;
      total += c->TotalSize();
    }
    n->totalSize_ = total;
    n->size_ = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
    n->lastModified_ = newest;
  }
}

void TWebCacheTree::SortAll() {
  std::vector<TWebCacheTreeNode*> stack{root_.get()};
  while (!stack.empty()) {
    TWebCacheTreeNode* n = stack.back();
    stack.pop_back();
    n->SortChildren();
    for (const auto& c : n->children_) {
      if (c->isFolder_) stack.push_back(c);
    }
  }
}

namespace {

void MakeNamesUniqueIn(TWebCacheTreeNode* node, const std::string& defaultName) {
  bool changed = false;
  for (std::size_t i = 0; i < node->Count(); ++i) {
    TWebCacheTreeNode* c = node->Items(i);
    if (c->IsFolder()) {
      MakeNamesUniqueIn(c, defaultName);
      continue;
    }
    const std::string_view fileName = c->EntryInfo().FileName;
    const std::string_view name = fileName.empty() ? std::string_view(defaultName) : fileName;
    if (c->Caption() != name) {
      c->SetCaption(std::string(name));
      changed = true;
    }
  }
  // Any caption that changed (the default name, or a numbered name from an earlier
  // run going back to its plain form) moves in the order; numbering needs it sorted.
  if (changed) node->SortChildren();

  std::string previous;
  bool havePrevious = false;
  int counter = 1;
  bool renamed = false;
  // Lower-cased names of every file here; a numbered name must not hit one of them
  // (a real "a~0001.gif" next to two "a.gif"), or two copies would share one file.
  std::unordered_set<std::string> taken;
  bool takenFilled = false;
  for (std::size_t i = 0; i < node->Count(); ++i) {
    TWebCacheTreeNode* c = node->Items(i);
    if (c->IsFolder()) continue;
    std::string name = c->GetDisplayName();
    std::string key = platform::AnsiLowerCase(name);
    if (!havePrevious || key != previous) {
      previous = std::move(key);
      havePrevious = true;
      counter = 1;
      continue;
    }
    if (!takenFilled) {
      for (std::size_t j = 0; j < node->Count(); ++j) {
        if (!node->Items(j)->IsFolder()) taken.insert(node->Items(j)->Key());
      }
      takenFilled = true;
    }
    std::string numbered;
    do {
      numbered = NumberedFileName(name, counter++);
    } while (taken.count(platform::AnsiLowerCase(numbered)) != 0);
    taken.insert(platform::AnsiLowerCase(numbered));
    c->SetCaption(numbered);
    renamed = true;
  }
  if (renamed) node->SortChildren();
}

}  // namespace

void TWebCacheTree::MakeNamesUnique(TWebCacheTreeNode* node) {
  if (!node || !node->IsFolder()) return;
  bool wasUpdating = updating_;
  updating_ = true;
  MakeNamesUniqueIn(node, DefaultFileName);
  updating_ = wasUpdating;
}

void TWebCacheTree::Refresh() {
  Build();
  SortAll();
  MakeNamesUnique(root_.get());
}

TWebCacheTreeNode* TWebCacheTree::WalkUrl(std::string_view url, bool lastAsChild) const {
  std::string path = enableScheme_ ? std::string(url) : DropScheme(url);
  path = FoldDoubleSlashes(path);
  TWebCacheTreeNode* node = root_.get();
  int depth = 0;
  std::string_view rest = ForEachSegment(path, [&](std::string_view seg) {
    if (depth >= kMaxFolderDepth) return true;
    node = node->FindFolderChild(seg);
    ++depth;
    return node != nullptr;
  });
  if (!node) return nullptr;
  if (lastAsChild && !rest.empty()) return node->FindChild(rest);
  return node;
}

TWebCacheTreeNode* TWebCacheTree::FindNodeByUrl(std::string_view url) const {
  return WalkUrl(url, true);
}

TWebCacheTreeNode* TWebCacheTree::FindFolderByUrl(std::string_view url) const {
  std::string folder;
  SplitUrl(url, &folder, nullptr, nullptr);
  return WalkUrl(folder, false);
}

std::size_t TWebCacheTree::CountFiles(const TWebCacheTreeNode* node) {
  if (!node) return 0;
  if (!node->IsFolder()) return 1;
  std::size_t count = 0;
  for (std::size_t i = 0; i < node->Count(); ++i) count += CountFiles(node->Items(i));
  return count;
}

void TWebCacheTree::NodeDeleted(TWebCacheTreeNode* node) {
  node->Destroying = true;
  std::string url = node->GetUrlText();
  // A cached file that cannot be deleted is not reported; the node goes all the same.
  if (!node->isFolder_) {
    std::string sourceUrl(node->Text(TWebCacheTreeNode::kSourceUrl));
    if (pendingDeletes_) {
      pendingDeletes_->push_back(std::move(sourceUrl));
    } else {
      webCache_->DeleteEntry(sourceUrl);
    }
  }
  if (OnNodeRemoved) OnNodeRemoved(url);
}

void TWebCacheTree::SubtreeDeleted(TWebCacheTreeNode* node) {
  // Children before their parent.
  for (std::size_t i = 0; i < node->children_.size(); ++i) SubtreeDeleted(node->children_[i]);
  NodeDeleted(node);
}

void TWebCacheTree::DeleteSubtree(TWebCacheTreeNode* node) {
  // The events for the whole subtree run first (handlers may still look nodes up);
  // the nodes are then freed together.
  SubtreeDeleted(node);
  if (TWebCacheTreeNode* parent = node->parent_) {
    parent->DetachChild(node);
    FreeSubtree(node);
  }
}

void TWebCacheTree::DeleteNode(TWebCacheTreeNode* node) { DeleteNodes({node}); }

void TWebCacheTree::DeleteNodes(const std::vector<TWebCacheTreeNode*>& nodes) {
  // The cached files go in one walk of the cache index once the nodes are gone.
  std::vector<std::string> urls;
  pendingDeletes_ = &urls;
  struct Flush {
    TWebCacheTree& tree;
    std::vector<std::string>& urls;
    ~Flush() {
      tree.pendingDeletes_ = nullptr;
      if (!urls.empty()) tree.webCache_->DeleteEntries(urls);
    }
  } flush{*this, urls};
  // Removed nodes stay in place, marked Destroying, until their events have run; then
  // each folder that lost children drops them in one pass and its totals are worked
  // out once.  Erasing them one by one from a folder of 10,000 files was quadratic.
  struct Loser {
    TWebCacheTreeNode* folder;
    std::size_t left;  // children not removed yet
  };
  std::vector<Loser> losers;
  std::unordered_map<TWebCacheTreeNode*, std::size_t> loserAt;
  auto lose = [&](TWebCacheTreeNode* folder) -> Loser& {
    auto [it, added] = loserAt.try_emplace(folder, losers.size());
    if (added) {
      std::size_t left = 0;
      for (const auto& c : folder->children_) left += c->Destroying ? 0 : 1;
      losers.push_back({folder, left});
    }
    return losers[it->second];
  };
  std::vector<TWebCacheTreeNode*> gone;
  auto settle = [&] {
    for (const Loser& l : losers) {
      if (l.folder->Destroying) continue;  // leaves with its own parent
      auto& children = l.folder->children_;
      std::size_t kept = 0;
      for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->Destroying) {
          children[i]->parent_ = nullptr;
          gone.push_back(children[i]);
        } else {
          if (kept != i) children[kept] = children[i];
          ++kept;
        }
      }
      children.resize(kept);
      l.folder->InvalidateIndex();  // its keys pointed into the leaving nodes
    }
    for (const Loser& l : losers)
      if (!l.folder->Destroying) RefreshAncestorTotals(l.folder);
    losers.clear();
    loserAt.clear();
    // Freed now: a delete of the root below gives all the storage back.
    for (TWebCacheTreeNode* g : gone) FreeSubtree(g);
    gone.clear();
  };
  for (TWebCacheTreeNode* node : nodes) {
    // A node inside a subtree removed before it has had its event already.
    if (!node || node->tree_ != this || node->Destroying) continue;
    if (node == root_.get()) {
      settle();
      RemoveNode(node);  // everything below the root goes
      break;
    }
    // A folder's children are counted before the first of them is marked.
    TWebCacheTreeNode* parent = node->parent_;
    if (parent) lose(parent);
    SubtreeDeleted(node);
    // Ancestors left without children go too (never the root); their children have
    // had their events already.
    while (parent && --lose(parent).left == 0 && parent != root_.get()) {
      TWebCacheTreeNode* up = parent->parent_;
      if (up) lose(up);
      NodeDeleted(parent);
      parent = up;
    }
  }
  settle();
}

void TWebCacheTree::RemoveNode(TWebCacheTreeNode* node) {
  if (!node || node->tree_ != this) return;
  if (node == root_.get()) {
    for (std::size_t i = 0; i < root_->children_.size(); ++i) {
      SubtreeDeleted(root_->children_[i]);
    }
    ClearTree();
    return;
  }
  TWebCacheTreeNode* parent = node->parent_;
  DeleteSubtree(node);
  while (parent && parent != root_.get() && parent->children_.empty()) {
    TWebCacheTreeNode* up = parent->parent_;
    DeleteSubtree(parent);
    parent = up;
  }
  RefreshAncestorTotals(parent);
}

bool TWebCacheTree::DeleteUrl(std::string_view url) {
  TWebCacheTreeNode* node = FindNodeByUrl(url);
  if (!node) return false;
  DeleteNode(node);
  return true;
}

std::string TWebCacheTree::GetPageTitle(std::string_view url) const {
  std::string u(url);
  bool noName = UrlFileName(u).empty();
  if (noName) u += DefaultFileName;
  TWebCacheTreeNode* node = FindNodeByUrl(u);
  if (!node && noName) {
    // Before the names are settled a nameless page still has an empty caption.
    if (TWebCacheTreeNode* folder = FindNodeByUrl(url)) node = folder->FindFileChild("");
  }
  return GetPageTitle(node);
}

std::string TWebCacheTree::GetPageTitle(const TWebCacheTreeNode* node) {
  if (!node || node->IsFolder() || !IsHtmlEntry(node->EntryInfo())) return {};
  // Most pages name their title in their first kilobytes; the rest is read only
  // when those leave it open.
  constexpr std::size_t kHead = 8192;
  std::string head;
  std::string title;
  const std::string path(node->EntryInfo().LocalFileName);
  THTMLParser parser;
  if (platform::ReadFileHead(path, kHead, head)) {
    if (THTMLParser::TitleFromHead(head, title)) return title;
    // A page shorter than the head is all there already.
    if (head.size() < kHead) {
      parser.SetPage(path, std::move(head));
      return parser.Title();
    }
  }
  parser.SetFileName(path);
  return parser.Title();
}

// ---------------------------------------------------------------------------
// Link mapping

std::string TWebCacheTree::MapLinkTarget(std::string_view baseUrl, std::string_view link) const {
  std::string l(link);
  l = platform::AnsiReplaceAll(l, "&lt;", "<");
  l = platform::AnsiReplaceAll(l, "&gt;", ">");
  l = platform::AnsiReplaceAll(l, "&quot;", "\"");
  l = platform::AnsiReplaceAll(l, "&amp;", "&");

  std::string result = CombineUrl(baseUrl, l);
  // A fragment names a place in the target, not the target: it is kept as it is and
  // takes no part in finding or naming the object (page.cgi?x=1#top is page.cgi?x=1).
  std::string fragment;
  if (std::size_t hash = platform::AnsiFind(result, '#'); hash != platform::npos) {
    fragment = result.substr(hash);
    result.resize(hash);
  }
  if (!result.empty() && result.back() != '/') {
    TWebCacheTreeNode* node = FindNodeByUrl(result);
    if (node && node->IsFolder() && node != root_.get()) result += '/';
  }

  std::string renamed = renameItems_.Lookup(result);
  if (!renamed.empty()) return renamed + fragment;

  TUrlParts parts = SplitUrl(result);
  if (!parts.extra.empty()) {
    return parts.folder + QueryFileName(parts.fileName, parts.extra, DefaultFileName, *crc_) +
           fragment;
  }
  return result + fragment;
}

std::string TWebCacheTree::MakeLinkRelative(std::string_view baseUrl,
                                            std::string_view target) const {
  TUrlParts parts = SplitUrl(target);
  if (parts.fileName.empty()) parts.fileName = DefaultFileName;
  std::string t = parts.folder + parts.fileName;
  if (!parts.extra.empty() && parts.extra[0] == '#') t += parts.extra;
  return EscapeUrlPath(MakeRelativeUrl(baseUrl, t));
}

std::string TWebCacheTree::LinkToLocal(std::string_view baseUrl, std::string_view link) const {
  std::string base(baseUrl);
  std::string l(link);
  if (!enableScheme_) {
    // Folder URLs carry no scheme then; resolve as if everything were http.
    base = "http://" + base;
    std::size_t sep = platform::AnsiFindStr(l, "://");
    if (sep != platform::npos) l = "http://" + l.substr(sep + 3);
  }
  return MakeLinkRelative(base, MapLinkTarget(base, l));
}
