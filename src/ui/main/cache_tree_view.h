// TCacheTreeView: fills a tree control with the folders of the cache tree model
// (root, schemes, hosts, path folders; files are the list's business), maps tree
// nodes to folder URLs and back, and keeps the tree in step with deletions.  The
// tree can be rooted at the whole cache ("Web Cache") or at one URL (a favorite).
#pragma once

#include <QIcon>
#include <QTreeWidget>
#include <string>

class TWebCacheTree;
class TWebCacheTreeNode;

namespace ui {

class TCacheTreeView {
 public:
  TCacheTreeView();
  virtual ~TCacheTreeView();
  TCacheTreeView(const TCacheTreeView&) = delete;
  TCacheTreeView& operator=(const TCacheTreeView&) = delete;

  void SetTreeView(QTreeWidget* tree);
  QTreeWidget* TreeView() const { return FTreeView; }
  void SetCacheTree(TWebCacheTree* tree);
  TWebCacheTree* CacheTree() const { return FCacheTree; }

  void Rebuild();
  std::string GetSelectedUrl() const;
  std::string GetNodeUrl(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* FindTreeNode(const std::string& url) const;
  QTreeWidgetItem* FindChildNode(const QTreeWidgetItem* parent, const std::string& text) const;
  QTreeWidgetItem* SelectPath(const std::string& url);
  void SetRoot(const std::string& caption, const std::string& url);
  void SetRootCaption(const std::string& caption);
  void RemoveFolderUrl(const std::string& url);

  const std::string& RootUrl() const { return FRootUrl; }
  const std::string& RootCaption() const { return FRootCaption; }
  QTreeWidgetItem* RootItem() const;

  // What an item shows and stands for.
  static TWebCacheTreeNode* NodeOf(const QTreeWidgetItem* item);
  static std::string TextOf(const QTreeWidgetItem* item);
  static int LevelOf(const QTreeWidgetItem* item);

 private:
  QTreeWidgetItem* MakeItem(const std::string& text, TWebCacheTreeNode* node, bool root);
  void AddFolders(QTreeWidgetItem* parent, TWebCacheTreeNode* node);
  bool SchemesShown() const;

  QTreeWidget* FTreeView = nullptr;
  TWebCacheTree* FCacheTree = nullptr;
  std::string FRootCaption;
  std::string FRootUrl;
  QIcon rootIcon_;
  QIcon folderIcon_;
};

}  // namespace ui
