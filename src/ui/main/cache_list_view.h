// TCacheListView: fills the list control of a pane with the contents of one folder
// of the cache tree model (sub-folders and cached files with name, URL name, page
// title, size, type and date), keeps the icon/type cache and the title cache, sorts
// under six keys in both orders and drops items when the model deletes nodes.
// The find window uses it too, adding its hits one by one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/main/cache_list_control.h"

class TWebCacheTree;
class TWebCacheTreeNode;

namespace ui {

// Sort keys; the numbers are stored in screen.dat.
enum TCacheSortType : std::uint8_t {
  stCacheName = 0,
  stTitle = 1,
  stSize = 2,
  stType = 3,
  stDate = 4,
  stName = 5,
};

// The sort key of a clicked column ("名前" is name, "URL名" cache name, ...).
int SortTypeOfColumn(int column);

struct TFileTypeRecord {
  std::string Extension;  // with its dot, lower-cased
  std::string TypeName;
  std::uint8_t PerFile = 0;  // the icon belongs to one file, not to the extension
  int ImageIndex = 0;
  std::string FileName;   // the cache file path, per-file rows only
};

struct TTitleCache {
  const TWebCacheTreeNode* Node = nullptr;  // compared by identity, not owned
  std::string Title;
};
using TTitleCacheList = std::vector<TTitleCache>;

// Item order: "other key" compares equal; order 1 negates the whole result.
// Fills the collation keys the comparison needs (caption and the key's column).
void PrepareSortKeys(std::vector<CacheListItem>& items, int key);
int CompareItems(const CacheListItem& a, const CacheListItem& b, int order, int key);

class TCacheListView {
 public:
  TCacheListView();
  virtual ~TCacheListView();
  TCacheListView(const TCacheListView&) = delete;
  TCacheListView& operator=(const TCacheListView&) = delete;

  void SetListView(CacheListControl* control);
  CacheListControl* ListView() const { return FListView; }
  void SetCacheTree(TWebCacheTree* tree);
  TWebCacheTree* CacheTree() const { return FCacheTree; }

  void SetFolder(const std::string& url);
  const std::string& FolderUrl() const { return FFolderUrl; }

  void SetSort(int order, int key);
  void SetSortOrder(int order);
  int SortOrder() const { return FSortOrder; }
  int SortType() const { return FSortType; }
  void SortItems();

  void Refill();
  void AppendNodeItem(TWebCacheTreeNode* node);
  bool RemoveUrl(const std::string& url);

  void LookupFileType(const std::string& fileName, const std::string& cacheFile,
                      int& imageIndex, std::string& typeName);
  int FindTitle(const TWebCacheTreeNode* node) const;

  // The node of an item (null for a row without one).
  TWebCacheTreeNode* NodeAt(int row) const;
  const std::string& FolderTypeName() const { return FFolderTypeName; }
  const std::vector<TFileTypeRecord>& TypeCache() const { return FTypeCache; }
  std::size_t TitleCacheSize() const { return FTitleCache.size(); }
  // How many page bodies were parsed for titles since the controller was made.
  int TitlesParsed() const { return titlesParsed_; }
  // How many refills ran; the window's tests watch the keyboard delay with it.
  int RefillCount() const { return refillCount_; }

 private:
  CacheListItem MakeItem(TWebCacheTreeNode* node, bool forFind);
  std::string TitleOf(TWebCacheTreeNode* node);
  void LoadBaseImages();

  std::vector<TFileTypeRecord> FTypeCache;
  std::string FFolderTypeName;
  TTitleCacheList FTitleCache;
  // Collation keys of captions already shown: a folder shown again sorts without
  // asking the collator.  Emptied with the title cache.
  std::unordered_map<std::string, std::string> captionKeys_;
  CacheListControl* FListView = nullptr;
  TWebCacheTree* FCacheTree = nullptr;
  std::string FFolderUrl;
  std::uint8_t FSortOrder = 0;
  std::uint8_t FSortType = stName;
  int titlesParsed_ = 0;
  int refillCount_ = 0;
};

}  // namespace ui
