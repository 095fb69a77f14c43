#include "ui/main/cache_list_view.h"

#include <QHeaderView>

#include <QApplication>
#include <QStyle>
#include <algorithm>
#include <cstring>

#include "common/binary_search.h"
#include "common/format.h"
#include "common/url.h"
#include "platform/codepage.h"
#include "tree/web_cache_tree.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

// Columns whose text decides the order under each key (besides the caption).
int KeyColumn(int key) {
  switch (key) {
    case stCacheName: return 1;
    case stTitle: return 2;
    case stType: return 4;
    default: return 0;
  }
}

void EnsureKey(CacheListItem& item, int column) {
  if (item.haveKey[column]) return;
  item.key[column] = platform::AnsiSortKey(
      column == 0 ? std::string_view(item.ansiCaption) : FromQ(item.text[column]), true);
  item.haveKey[column] = true;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareText(const CacheListItem& a, const CacheListItem& b, int column) {
  return Sign(a.key[column].compare(b.key[column]));
}

// Newer first: the later time of item 1 makes it come before item 2.
int CompareTimes(const CacheListItem& a, const CacheListItem& b) {
  if (b.time < a.time) return -1;
  if (b.time > a.time) return 1;
  return 0;
}

}  // namespace

int SortTypeOfColumn(int column) {
  switch (column) {
    case 0: return stName;
    case 1: return stCacheName;
    case 2: return stTitle;
    case 3: return stSize;
    case 4: return stType;
    case 5: return stDate;
    default: return -1;
  }
}

void PrepareSortKeys(std::vector<CacheListItem>& items, int key) {
  const int column = KeyColumn(key);
  for (CacheListItem& item : items) {
    EnsureKey(item, 0);
    if (column != 0) EnsureKey(item, column);
  }
}

int CompareItems(const CacheListItem& a, const CacheListItem& b, int order, int key) {
  int r = 0;
  if (key < stCacheName || key > stName) return 0;
  if (a.folder != b.folder) {
    r = a.folder ? -1 : 1;
  } else {
    switch (key) {
      case stCacheName:
        r = CompareText(a, b, 1);
        if (r == 0) r = CompareText(a, b, 0);
        if (r == 0) r = CompareTimes(a, b);
        break;
      case stTitle:
      case stType:
        if (a.folder) {
          r = CompareText(a, b, 0);
        } else {
          r = CompareText(a, b, KeyColumn(key));
          if (r == 0) r = CompareText(a, b, 0);
          if (r == 0) r = CompareTimes(a, b);
        }
        break;
      case stSize:
        if (a.folder) {
          r = CompareText(a, b, 0);
        } else {
          // A three-way comparison: subtracting two 32-bit sizes would overflow
          // for files above 2 GB apart and put them in the wrong order.
          r = a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
          if (r == 0) r = CompareText(a, b, 0);
          if (r == 0) r = CompareTimes(a, b);
        }
        break;
      case stDate:
        r = CompareTimes(a, b);
        if (r == 0) r = CompareText(a, b, 0);
        break;
      case stName:
        r = CompareText(a, b, 0);
        if (r == 0) r = CompareTimes(a, b);
        break;
    }
  }
  return order == 1 ? -r : r;
}

TCacheListView::TCacheListView() = default;

TCacheListView::~TCacheListView() {
  if (FListView) FListView->Model()->Clear();
}

void TCacheListView::LoadBaseImages() {
  CacheListModel* model = FListView->Model();
  model->ClearImages();
  FTypeCache.clear();
  QIcon generic = GenericFileIcon();
  model->AddImage(generic, generic);  // 0: generic document
  QIcon smallFolder, largeFolder;
  if (!GetFolderIconInfo(false, smallFolder, largeFolder, FFolderTypeName)) {
    smallFolder = largeFolder = generic;
  }
  model->AddImage(smallFolder, largeFolder);  // 1: closed folder
}

void TCacheListView::SetListView(CacheListControl* control) {
  if (control == FListView) return;
  FListView = control;
  if (FListView) LoadBaseImages();
}

void TCacheListView::SetCacheTree(TWebCacheTree* tree) {
  if (tree == FCacheTree) return;
  FCacheTree = tree;
  FTitleCache.clear();
  captionKeys_.clear();
  Refill();
}

void TCacheListView::SetFolder(const std::string& url) {
  FFolderUrl = url;
  Refill();
}

void TCacheListView::SetSort(int order, int key) {
  FSortOrder = static_cast<std::uint8_t>(order);
  FSortType = static_cast<std::uint8_t>(key);
  SortItems();
}

void TCacheListView::SetSortOrder(int order) {
  if (order == FSortOrder) return;
  FSortOrder = static_cast<std::uint8_t>(order);
  SortItems();
}

void TCacheListView::SortItems() {
  if (!FListView) return;
  CacheListModel* model = FListView->Model();
  PrepareSortKeys(model->Items(), FSortType);
  const int order = FSortOrder;
  const int key = FSortType;
  model->SortBy([order, key](const CacheListItem& a, const CacheListItem& b) {
    return CompareItems(a, b, order, key) < 0;
  });
  // The column header of the sort key shows the order.
  FListView->DetailsView()->header()->setSortIndicatorShown(true);
  for (int column = 0; column < kListColumnCount; ++column) {
    if (SortTypeOfColumn(column) == key) {
      FListView->DetailsView()->header()->setSortIndicator(
          column, order == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
  }
}

TWebCacheTreeNode* TCacheListView::NodeAt(int row) const {
  if (!FListView || row < 0 || row >= FListView->Model()->Count()) return nullptr;
  return FListView->Model()->Item(row).node;
}

int TCacheListView::FindTitle(const TWebCacheTreeNode* node) const {
  return BinarySearchList(FTitleCache, node,
                          [](const TWebCacheTreeNode* key, const TTitleCache& item) {
                            std::less<const TWebCacheTreeNode*> less;
                            if (less(key, item.Node)) return -1;
                            if (less(item.Node, key)) return 1;
                            return 0;
                          });
}

std::string TCacheListView::TitleOf(TWebCacheTreeNode* node) {
  // Only pages go into the title cache; the tree model reads the title itself.
  if (node->IsFolder() || !IsHtmlEntry(node->EntryInfo())) return {};
  int pos = FindTitle(node);
  if (pos >= 0) return FTitleCache[static_cast<std::size_t>(pos)].Title;
  TTitleCache record;
  record.Node = node;
  record.Title = TWebCacheTree::GetPageTitle(node);
  ++titlesParsed_;
  FTitleCache.insert(FTitleCache.begin() + ~pos, record);
  return record.Title;
}

void TCacheListView::LookupFileType(const std::string& fileName,
                                    const std::string& cacheFile, int& imageIndex,
                                    std::string& typeName) {
  typeName.clear();
  imageIndex = 0;
  std::string ext;
  {
    std::size_t dot = platform::AnsiFindLast(fileName, '.');
    std::size_t slash = platform::AnsiFindLast(fileName, '/');
    std::size_t bslash = platform::AnsiFindLast(fileName, '\\');
    if (dot != platform::npos && (slash == platform::npos || slash < dot) &&
        (bslash == platform::npos || bslash < dot))
      ext = fileName.substr(dot);
  }
  // Extensions are compared lower-cased byte by byte: the order only has to be
  // consistent, and a collator call per step would dominate a refill.
  ext = platform::AnsiLowerCase(ext);
  auto cmp = [](const std::string& key, const TFileTypeRecord& rec) {
    return key.compare(rec.Extension);
  };
  int pos = BinarySearchList(FTypeCache, ext, cmp);
  int first = -1;
  if (pos >= 0) {
    first = pos;
    while (first > 0 && cmp(ext, FTypeCache[static_cast<std::size_t>(first - 1)]) == 0)
      --first;
    const TFileTypeRecord& head = FTypeCache[static_cast<std::size_t>(first)];
    if (!head.PerFile) {
      imageIndex = head.ImageIndex;
      typeName = head.TypeName;
      return;
    }
    for (std::size_t i = static_cast<std::size_t>(first);
         i < FTypeCache.size() && cmp(ext, FTypeCache[i]) == 0; ++i) {
      if (FTypeCache[i].PerFile && FTypeCache[i].FileName == cacheFile) {
        imageIndex = FTypeCache[i].ImageIndex;
        typeName = FTypeCache[i].TypeName;
        return;
      }
    }
  }
  bool fromFile = false;
  QIcon smallIcon, largeIcon;
  const bool ok = GetTypeIconInfo(fileName, fromFile, smallIcon, typeName, largeIcon);
  TFileTypeRecord rec;
  rec.Extension = ext;
  rec.TypeName = typeName;
  rec.PerFile = fromFile ? 1 : 0;
  if (fromFile) rec.FileName = cacheFile;
  rec.ImageIndex = 0;
  if (ok && FListView) rec.ImageIndex = FListView->Model()->AddImage(smallIcon, largeIcon);
  imageIndex = rec.ImageIndex;
  const int insertAt = first >= 0 ? first : ~pos;
  FTypeCache.insert(FTypeCache.begin() + insertAt, std::move(rec));
}

CacheListItem TCacheListView::MakeItem(TWebCacheTreeNode* node, bool forFind) {
  CacheListItem item;
  item.node = node;
  item.folder = node->IsFolder();
  const TWebCacheEntryView entry = node->EntryInfo();
  item.ansiCaption = node->GetDisplayName();
  item.text[0] = ToQ(item.ansiCaption);
  auto known = captionKeys_.find(item.ansiCaption);
  if (known == captionKeys_.end())
    known = captionKeys_.emplace(item.ansiCaption,
                                 platform::AnsiSortKey(item.ansiCaption, true)).first;
  item.key[0] = known->second;
  item.haveKey[0] = true;
  platform::SystemTimeToFileTime(entry.LastModified, item.time);
  item.text[5] = ToQ(FormatShortDateTime(entry.LastModified));
  if (item.folder) {
    item.image = 1;
    item.text[4] = ToQ(FFolderTypeName);
    if (forFind) {
      TWebCacheTreeNode* parent = node->Parent();
      if (parent) item.text[1] = ToQ(parent->EntryInfo().FolderUrl);
    }
    return item;
  }
  item.size = entry.Size;
  if (forFind) {
    item.text[1] = ToQ(entry.FolderUrl);
  } else {
    std::string fileName, extra;
    SplitUrl(entry.SourceUrl, nullptr, &fileName, &extra);
    item.text[1] = ToQ(fileName + extra);
  }
  item.text[2] = ToQ(TitleOf(node));
  item.text[3] = ToQ(FormatSizeKB(entry.Size));
  std::string typeName;
  LookupFileType(item.ansiCaption, std::string(entry.LocalFileName), item.image, typeName);
  item.text[4] = ToQ(typeName);
  return item;
}

void TCacheListView::Refill() {
  ++refillCount_;
  if (!FListView) return;
  std::vector<CacheListItem> items;
  TWebCacheTreeNode* folder = FCacheTree ? FCacheTree->FindNodeByUrl(FFolderUrl) : nullptr;
  if (folder) {
    items.reserve(folder->Count());
    for (std::size_t i = 0; i < folder->Count(); ++i) {
      TWebCacheTreeNode* child = folder->Items(i);
      if (!child || child->Destroying) continue;
      items.push_back(MakeItem(child, false));
    }
  }
  CacheListModel* model = FListView->Model();
  FListView->CurrentView()->setUpdatesEnabled(false);
  model->ReplaceAll(std::move(items));
  SortItems();
  if (model->Count() > 0) FListView->SetFocusedRow(0);
  FListView->CurrentView()->setUpdatesEnabled(true);
}

void TCacheListView::AppendNodeItem(TWebCacheTreeNode* node) {
  if (!FListView || !node) return;
  FListView->Model()->Append(MakeItem(node, true));
  // Rows added in arrival order are not sorted: the header shows no arrow until the
  // rows are sorted again.
  FListView->DetailsView()->header()->setSortIndicatorShown(false);
}

bool TCacheListView::RemoveUrl(const std::string& url) {
  if (!FListView) return false;
  std::string u = platform::AnsiReplaceAll(url, "//", "/");
  std::string folder, name;
  const bool isFolder = !u.empty() && u.back() == '/';
  if (isFolder) {
    folder = UrlParentFolder(u);
    name = UrlFolderName(u);
  } else {
    folder = UrlFolder(u);
    name = UrlFileName(u);
  }
  folder = platform::AnsiLowerCase(folder);
  name = platform::AnsiLowerCase(name);
  std::string shown = platform::AnsiReplaceAll(platform::AnsiLowerCase(FFolderUrl), "//", "/");
  if (shown != folder) return false;
  CacheListModel* model = FListView->Model();
  // A file and a folder may share a name (http://h/a and http://h/a/b): only an
  // item of the removed node's kind is taken.
  for (int row = 0; row < model->Count(); ++row) {
    const CacheListItem& item = model->Item(row);
    if (item.folder == isFolder && platform::AnsiLowerCase(item.ansiCaption) == name) {
      model->RemoveRow(row);
      return true;
    }
  }
  return false;
}

}  // namespace ui
