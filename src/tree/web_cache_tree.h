// The cache tree model: the flat list of cache entries turned into a tree of scheme,
// host, folder and file nodes that mirrors the URLs.  It is the one model behind the
// tree and list panes, find, favorites and copying.  The tree owns the cache source,
// the rename list, the content-type table and the CRC table used for query names.
//
// Children of a folder are kept in a vector and found through a hash index of their
// keys, so that building and naming a cache with folders of tens of thousands of
// files stays near-linear; sorting computes one collation key per child per sort.
// Every node below the root lives in the tree's own storage, and so do its entry's
// texts, packed in one block per node (a million entries would otherwise cost some
// six million heap blocks); a folder's children vector holds plain pointers, and the
// tree frees a subtree when it removes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cache/cache_entry.h"
#include "cache/web_cache.h"
#include "common/content_type.h"
#include "tree/rename_list.h"

class TCrcTable;
class TWebCacheTree;

class TWebCacheTreeNode {
 public:
  TWebCacheTreeNode(TWebCacheTree* tree, TWebCacheTreeNode* parent, bool isFolder);
  ~TWebCacheTreeNode();
  TWebCacheTreeNode(const TWebCacheTreeNode&) = delete;
  TWebCacheTreeNode& operator=(const TWebCacheTreeNode&) = delete;

  TWebCacheTree* Tree() const { return tree_; }
  TWebCacheTreeNode* Parent() const { return parent_; }
  // Shown name: "Web Cache", a scheme ("http:"), host, folder or local file name;
  // empty for a file without a name until MakeNamesUnique gives it the default name.
  const std::string& Caption() const { return caption_; }
  // Caption lower-cased; used for finding and sorting.
  const std::string& Key() const { return key_ ? *key_ : caption_; }
  bool IsFolder() const { return isFolder_; }
  // A file's entry; for a folder only Size, LastModified and FolderUrl are used.  The
  // texts are views into the node, valid while it lives and stays where it is.
  TWebCacheEntryView EntryInfo() const;
  // A folder's total size as a 64-bit sum (EntryInfo().Size is capped at 4 GiB - 1).
  std::uint64_t TotalSize() const { return isFolder_ ? totalSize_ : size_; }

  std::size_t Count() const { return children_.size(); }
  TWebCacheTreeNode* Items(std::size_t i) const { return children_[i]; }
  TWebCacheTreeNode* operator[](std::size_t i) const { return children_[i]; }
  // Position among the parent's children, or -1 for the root.
  int IndexInParent() const;

  // Changes Caption and Key; outside Build and MakeNamesUnique the parent's children
  // are sorted again.
  void SetCaption(const std::string& text);
  // Caption, or the tree's DefaultFileName when Caption is empty.
  std::string GetDisplayName() const;
  // A child whose Key equals `name` lower-cased: the file of that name when there is
  // one, else the folder.
  TWebCacheTreeNode* FindChild(std::string_view name) const;
  // The folder child of that name only (a file and a folder can share a name:
  // http://h/a and http://h/a/b).
  TWebCacheTreeNode* FindFolderChild(std::string_view name) const;
  TWebCacheTreeNode* FindFileChild(std::string_view name) const;
  // Number of ancestors: 0 for the root.
  int GetLevel() const;
  // The node's URL text: FolderUrl for a folder, FolderUrl + GetDisplayName for a file.
  std::string GetUrlText() const;
  // Moves this node (with its subtree) under another folder, which is re-sorted.
  void MoveTo(TWebCacheTreeNode* newParent);

  // Sorts the children: ascending Key in the locale's order, equal keys newest
  // first; folders and files mixed.
  void SortChildren();

 private:
  friend class TWebCacheTree;
  struct IndexSlot {
    TWebCacheTreeNode* folder = nullptr;
    TWebCacheTreeNode* file = nullptr;
  };
  TWebCacheTreeNode* AddChild(TWebCacheTreeNode* child);
  // Takes the child out of the list; it stays alive (the caller places or frees it).
  bool DetachChild(TWebCacheTreeNode* child);
  void IndexInsert(TWebCacheTreeNode* child);
  void EnsureIndex(bool withFiles) const;
  void InvalidateIndex() { indexValid_ = false; }
  void SetCaptionQuiet(std::string_view text);

  // The entry's texts, in this order, in the block at texts_.
  enum TextField { kSourceUrl, kLocalFileName, kHeader, kExtension, kFolderUrl, kFileName,
                   kQueryPart, kTextFields };
  std::string_view Text(TextField field) const;
  std::string_view FolderUrl() const {
    return folderUrlOfParent_ ? parent_->Text(kFolderUrl) : Text(kFolderUrl);
  }
  // Packs the texts into a new block in the tree's storage.  A file whose folder URL
  // is its parent's keeps none of its own (`folderUrl` is then ignored).
  void SetTexts(std::string_view sourceUrl, std::string_view localFileName,
                std::string_view header, std::string_view extension, std::string_view folderUrl,
                std::string_view fileName, std::string_view queryPart, bool folderUrlOfParent);

  TWebCacheTree* tree_;
  TWebCacheTreeNode* parent_;
  // Block of the texts: kTextFields 32-bit end offsets, then the bytes; null when all
  // are empty.
  const char* texts_ = nullptr;
  std::uint32_t size_ = 0;  // Size: a folder's total, capped
  bool isFolder_;
  bool folderUrlOfParent_ = false;
  // While a file index is not needed (Build), files are left out of the index and
  // added when it is first asked for.
  mutable bool indexValid_ = true;
  mutable bool filesIndexed_ = false;

 public:
  // Set while the node is being deleted.
  bool Destroying = false;
  // Cleared when the node joins a copy list; the copy engine uses it.
  bool Marked = false;

 private:
  std::string caption_;
  // Only held when it differs from the caption (most names are lower case already);
  // a million nodes make every byte count.
  std::unique_ptr<std::string> key_;
  platform::SYSTEMTIME lastModified_{};  // a folder's: the newest below it
  platform::FILETIME lastModifiedUtc_ = 0;
  std::uint64_t totalSize_ = 0;
  std::vector<TWebCacheTreeNode*> children_;  // owned by the tree's node pool
  // Key -> folder / first file child, for folders only (created on first use).
  // Views point into the children's own keys.
  using Index = std::unordered_map<std::string_view, IndexSlot>;
  mutable std::unique_ptr<Index> index_;
};

// A sort key for a lower-cased name of printable ASCII whose plain comparison orders
// names as the locale's collation keys (AnsiSortKey, case kept) do.  False, with `out`
// undefined, when the name holds a byte outside that set.
bool FastNameSortKey(std::string_view lowered, std::string* out);

// File nodes in order of their lower-cased SourceUrl, without duplicates (the same URL
// byte for byte; URLs that differ only in case are different objects); the input of
// every copy.  Does not own the nodes.
class TWebCacheTreeNodeCopyList {
 public:
  // Inserts `node` at its place and clears its Marked flag; when a node with the same
  // URL is there, returns that position and inserts nothing.
  int AddNode(TWebCacheTreeNode* node);
  // Index of a node with the same URL as `node`, or -1.
  int IndexOfNode(const TWebCacheTreeNode* node) const;
  bool Contains(const TWebCacheTreeNode* node) const { return IndexOfNode(node) >= 0; }
  std::size_t Count() const { return items_.size(); }
  TWebCacheTreeNode* operator[](std::size_t i) const { return items_[i].node; }
  TWebCacheTreeNode* Items(std::size_t i) const { return items_[i].node; }
  void Clear() { items_.clear(); }

 private:
  struct Item {
    std::string key;  // collation key of the lower-cased SourceUrl
    TWebCacheTreeNode* node;
  };
  int Search(const std::string& key) const;
  std::vector<Item> items_;
};

// The ordering of search-hit lists: files before folders, then by GetDisplayName
// ignoring case in the locale's order.  Returns <0, 0, >0.
int CompareNodesForHits(const TWebCacheTreeNode* a, const TWebCacheTreeNode* b);
void SortNodesForHits(std::vector<TWebCacheTreeNode*>& nodes);

class TWebCacheTree {
 public:
  // Reads the Netscape cache through the default source.
  TWebCacheTree();
  // Reads through the given source (tests, benchmarks, other caches).
  explicit TWebCacheTree(std::unique_ptr<TWebCacheSource> source);
  // Saves the rename list and the content-type table to their files.
  ~TWebCacheTree();
  TWebCacheTree(const TWebCacheTree&) = delete;
  TWebCacheTree& operator=(const TWebCacheTree&) = delete;

  TWebCacheTreeNode* Root() { return root_.get(); }
  const TWebCacheTreeNode* Root() const { return root_.get(); }
  std::string DefaultFileName = "index.html";

  // Called once per entry during Build, before the entry is placed (the record is
  // reused for the next entry).
  std::function<void(const TWebCacheEntryInfoEx&)> OnLoadProgress;
  // Called with the URL text of each node removed by DeleteNode / DeleteUrl.
  std::function<void(const std::string&)> OnNodeRemoved;

  bool EnableScheme() const { return enableScheme_; }
  // Takes effect at the next Build.
  void SetEnableScheme(bool flag) { enableScheme_ = flag; }
  bool Updating() const { return updating_; }

  const std::string& RenameListFile() const { return renameListFile_; }
  const std::string& ContentTypeFile() const { return contentTypeFile_; }
  // A path different from the current one is stored and its list reloaded.
  void SetRenameListFile(const std::string& path);
  void SetContentTypeFile(const std::string& path);
  // The registry and mime.types file the content-type table is read from (the
  // process-wide registry and /etc/mime.types unless set).  Not owned.
  void SetContentTypeRegistry(const platform::Registry* reg, std::string mimeTypesPath);
  void LoadContentTypes();
  // Read-only: the two files are read but never written, not even when the tree goes
  // (for commands that only look at the cache).
  bool SettingsReadOnly() const { return settingsReadOnly_; }
  void SetSettingsReadOnly(bool flag) { settingsReadOnly_ = flag; }
  bool SaveContentTypes() const;
  bool SaveRenameList() const;

  TWebCacheRenameItems& RenameItems() { return renameItems_; }
  const TWebCacheRenameItems& RenameItems() const { return renameItems_; }
  TContentType& ContentTypes() { return contentTypes_; }
  const TCrcTable& Crc() const { return *crc_; }
  TWebCache& WebCache() { return *webCache_; }

  // Rebuilds the whole tree from the cache.
  void Build();
  void SortAll();
  // Gives every file in the folder (and below) its local name and numbers clashes.
  void MakeNamesUnique(TWebCacheTreeNode* node);
  // Build, SortAll and MakeNamesUnique on the root: what a refresh does.
  void Refresh();

  TWebCacheTreeNode* FindNodeByUrl(std::string_view url) const;
  TWebCacheTreeNode* FindFolderByUrl(std::string_view url) const;
  static std::size_t CountFiles(const TWebCacheTreeNode* node);
  // Deletes the node's subtree with its cached files, then every ancestor folder left
  // empty (never the root).  For the root: all content, the root stays.
  void DeleteNode(TWebCacheTreeNode* node);
  // DeleteNode for each node in turn (siblings, as a selection gives them); their cached
  // files are deleted together in one walk of the cache index.
  void DeleteNodes(const std::vector<TWebCacheTreeNode*>& nodes);
  bool DeleteUrl(std::string_view url);
  // Drops every node below the root; cached files are not touched.
  void ClearTree();
  std::string GetPageTitle(std::string_view url) const;
  // The title of a file node's cached page; "" for folders and non-HTML entries.
  static std::string GetPageTitle(const TWebCacheTreeNode* node);
  // WebCache's entry count (for a progress bar before Build).
  int GetCount();

  // Link mapping for pages copied from the cache.
  std::string MapLinkTarget(std::string_view baseUrl, std::string_view link) const;
  std::string MakeLinkRelative(std::string_view baseUrl, std::string_view target) const;
  std::string LinkToLocal(std::string_view baseUrl, std::string_view link) const;

 private:
  friend class TWebCacheTreeNode;
  struct BuildState;
  class Storage;
  TWebCacheTreeNode* NewNode(TWebCacheTreeNode* parent, bool isFolder);
  // Destroys the node and everything below it (already out of its parent's list).
  void FreeSubtree(TWebCacheTreeNode* node);
  void PlaceEntry(TWebCacheEntryInfoEx& entry, BuildState& state);
  void UpdateFolderTotals(TWebCacheTreeNode* node);
  void DeleteSubtree(TWebCacheTreeNode* node);
  void SubtreeDeleted(TWebCacheTreeNode* node);
  void NodeDeleted(TWebCacheTreeNode* node);
  void RefreshAncestorTotals(TWebCacheTreeNode* folder);
  TWebCacheTreeNode* WalkUrl(std::string_view url, bool lastAsChild) const;

  std::unique_ptr<Storage> storage_;
  std::unique_ptr<TWebCacheTreeNode> root_;
  std::string renameListFile_;
  TWebCacheRenameItems renameItems_;
  bool enableScheme_ = true;
  TContentType contentTypes_;
  std::string contentTypeFile_;
  bool settingsReadOnly_ = false;
  const platform::Registry* registry_ = nullptr;
  std::string mimeTypesPath_ = "/etc/mime.types";
  bool updating_ = false;
  std::unique_ptr<TWebCache> webCache_;
  // While DeleteNode runs: the URLs of removed files, deleted from the cache together.
  std::vector<std::string>* pendingDeletes_ = nullptr;
  void RemoveNode(TWebCacheTreeNode* node);
  std::unique_ptr<TCrcTable> crc_;
};
