#include "ui/main/cache_tree_view.h"

#include <QByteArray>

#include "common/url.h"
#include "platform/codepage.h"
#include "tree/web_cache_tree.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr int kAnsiTextRole = Qt::UserRole + 1;

bool EndsWith(const std::string& s, char c) { return !s.empty() && s.back() == c; }

std::string DropSchemePart(const std::string& url) {
  std::size_t p = platform::AnsiFindStr(url, "://");
  return p == platform::npos ? url : url.substr(p + 3);
}

bool StartsWithIgnoringCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() &&
         platform::AnsiLowerCase(s.substr(0, prefix.size())) ==
             platform::AnsiLowerCase(prefix);
}

}  // namespace

TCacheTreeView::TCacheTreeView() = default;
TCacheTreeView::~TCacheTreeView() = default;

TWebCacheTreeNode* TCacheTreeView::NodeOf(const QTreeWidgetItem* item) {
  if (!item) return nullptr;
  return reinterpret_cast<TWebCacheTreeNode*>(item->data(0, kNodeRole).value<quintptr>());
}

std::string TCacheTreeView::TextOf(const QTreeWidgetItem* item) {
  if (!item) return {};
  return item->data(0, kAnsiTextRole).toByteArray().toStdString();
}

int TCacheTreeView::LevelOf(const QTreeWidgetItem* item) {
  int level = 0;
  for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent()) ++level;
  return level;
}

QTreeWidgetItem* TCacheTreeView::RootItem() const {
  return FTreeView ? FTreeView->topLevelItem(0) : nullptr;
}

bool TCacheTreeView::SchemesShown() const {
  return FCacheTree == nullptr || FCacheTree->EnableScheme();
}

void TCacheTreeView::SetTreeView(QTreeWidget* tree) {
  if (tree == FTreeView) return;
  FTreeView = tree;
  if (!FTreeView) return;
  // Image 0 is the root's, 1 the closed folder and 2 the open folder shown while
  // a node is selected (one icon with a selected-state picture).
  rootIcon_ = ProgramIcon();
  QIcon closedSmall, closedLarge, openSmall, openLarge;
  std::string typeName;
  GetFolderIconInfo(false, closedSmall, closedLarge, typeName);
  GetFolderIconInfo(true, openSmall, openLarge, typeName);
  folderIcon_ = QIcon();
  for (int size : {16, 24, 32}) {
    folderIcon_.addPixmap(closedSmall.pixmap(size, size), QIcon::Normal);
    folderIcon_.addPixmap(openSmall.pixmap(size, size), QIcon::Selected);
  }
}

void TCacheTreeView::SetCacheTree(TWebCacheTree* tree) {
  if (tree == FCacheTree) return;
  FCacheTree = tree;
  Rebuild();
}

QTreeWidgetItem* TCacheTreeView::MakeItem(const std::string& text, TWebCacheTreeNode* node,
                                          bool root) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, ToQ(text));
  item->setData(0, kAnsiTextRole, QByteArray::fromStdString(text));
  item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
  item->setIcon(0, root ? rootIcon_ : folderIcon_);
  return item;
}

void TCacheTreeView::AddFolders(QTreeWidgetItem* parent, TWebCacheTreeNode* node) {
  QList<QTreeWidgetItem*> children;
  for (std::size_t i = 0; i < node->Count(); ++i) {
    TWebCacheTreeNode* child = node->Items(i);
    if (!child || !child->IsFolder()) continue;
    QTreeWidgetItem* item = MakeItem(child->GetDisplayName(), child, false);
    AddFolders(item, child);
    children.append(item);
  }
  parent->addChildren(children);
}

void TCacheTreeView::Rebuild() {
  if (!FTreeView) return;
  FTreeView->setUpdatesEnabled(false);
  const std::string selectedUrl = GetSelectedUrl();
  FTreeView->setCurrentItem(nullptr);
  FTreeView->clear();

  std::string caption;
  TWebCacheTreeNode* node = nullptr;
  if (FRootUrl.empty()) {
    caption = "Web Cache";
    node = FCacheTree ? FCacheTree->Root() : nullptr;
  } else {
    caption = FRootCaption;
    std::string url = SchemesShown() ? FRootUrl : DropSchemePart(FRootUrl);
    node = FCacheTree ? FCacheTree->FindNodeByUrl(url) : nullptr;
  }
  QTreeWidgetItem* root = MakeItem(caption, node, true);
  if (node) AddFolders(root, node);
  FTreeView->addTopLevelItem(root);
  root->setExpanded(true);

  QTreeWidgetItem* select = nullptr;
  if (!selectedUrl.empty()) select = FindTreeNode(selectedUrl);
  if (!select) select = root;
  FTreeView->setCurrentItem(select);
  FTreeView->scrollToItem(select);
  FTreeView->setUpdatesEnabled(true);
}

std::string TCacheTreeView::GetSelectedUrl() const {
  if (!FTreeView || !FTreeView->currentItem()) return {};
  return GetNodeUrl(FTreeView->currentItem());
}

std::string TCacheTreeView::GetNodeUrl(const QTreeWidgetItem* item) const {
  std::string url;
  for (const QTreeWidgetItem* n = item; n && n->parent(); n = n->parent()) {
    const std::string text = TextOf(n);
    const bool scheme = LevelOf(n) == 1 && EndsWith(text, ':');
    url = text + (scheme ? "//" : "/") + url;
  }
  if (!FRootUrl.empty()) {
    std::string folder;
    SplitUrl(FRootUrl, &folder, nullptr, nullptr);
    url = folder + url;
    if (!SchemesShown()) url = DropSchemePart(url);
  }
  return url;
}

QTreeWidgetItem* TCacheTreeView::FindChildNode(const QTreeWidgetItem* parent,
                                               const std::string& text) const {
  if (!parent || parent->childCount() == 0) return nullptr;
  const std::string sought = platform::AnsiLowerCase(text);
  int low = 0;
  int high = parent->childCount() - 1;
  while (low <= high) {
    const int middle = (low + high) / 2;
    QTreeWidgetItem* child = parent->child(middle);
    const int r = platform::AnsiCompareStr(platform::AnsiLowerCase(TextOf(child)), sought);
    if (r == 0) return child;
    if (r < 0) low = middle + 1;
    else high = middle - 1;
  }
  // The children follow the model's order; should a name collate differently
  // there (it sorts by key with ties by date), find it the slow way rather than
  // lose a folder.
  for (int i = 0; i < parent->childCount(); ++i)
    if (platform::AnsiLowerCase(TextOf(parent->child(i))) == sought) return parent->child(i);
  return nullptr;
}

QTreeWidgetItem* TCacheTreeView::FindTreeNode(const std::string& url) const {
  QTreeWidgetItem* node = RootItem();
  if (!node) return nullptr;
  std::string rest = url;
  if (!FRootUrl.empty()) {
    // Strip what the root stands for, in the form the URL is written in (without
    // the scheme when schemes are not distinguished); a URL outside the root has
    // no node here.
    std::string prefix;
    SplitUrl(FRootUrl, &prefix, nullptr, nullptr);
    if (!SchemesShown()) prefix = DropSchemePart(prefix);
    if (!StartsWithIgnoringCase(rest, prefix)) return nullptr;
    rest = rest.substr(prefix.size());
  }
  rest = platform::AnsiReplaceAll(rest, "//", "/");
  for (;;) {
    std::size_t slash = platform::AnsiFind(rest, '/');
    if (slash == platform::npos) break;
    const std::string segment = rest.substr(0, slash);
    rest = rest.substr(slash + 1);
    node = FindChildNode(node, segment);
    if (!node) return nullptr;
  }
  return node;
}

QTreeWidgetItem* TCacheTreeView::SelectPath(const std::string& url) {
  QTreeWidgetItem* node = RootItem();
  if (!node) return nullptr;
  std::string rest = platform::AnsiReplaceAll(url, "//", "/");
  for (;;) {
    std::size_t slash = platform::AnsiFind(rest, '/');
    if (slash == platform::npos) break;
    const std::string segment = platform::AnsiLowerCase(rest.substr(0, slash));
    rest = rest.substr(slash + 1);
    node = FindChildNode(node, segment);
    if (!node) return nullptr;
  }
  FTreeView->setCurrentItem(node);
  FTreeView->scrollToItem(node);
  return node;
}

void TCacheTreeView::SetRoot(const std::string& caption, const std::string& url) {
  std::string folder;
  SplitUrl(url, &folder, nullptr, nullptr);
  if (folder != FRootUrl) {
    FRootUrl = folder;
    FRootCaption = caption;
    Rebuild();
  } else if (caption != FRootCaption) {
    SetRootCaption(caption);
  }
}

void TCacheTreeView::SetRootCaption(const std::string& caption) {
  if (caption == FRootCaption) return;
  FRootCaption = caption;
  if (QTreeWidgetItem* root = RootItem()) {
    root->setText(0, ToQ(caption));
    root->setData(0, kAnsiTextRole, QByteArray::fromStdString(caption));
  }
}

void TCacheTreeView::RemoveFolderUrl(const std::string& url) {
  std::string current = url;
  for (;;) {
    QTreeWidgetItem* node = FindTreeNode(current);
    if (!node) return;
    if (!node->parent()) {
      qDeleteAll(node->takeChildren());
      return;
    }
    delete node;
    std::string parent = platform::AnsiReplaceAll(current, "//", "/");
    if (!parent.empty()) parent.pop_back();
    std::size_t slash = platform::AnsiFindLast(parent, '/');
    if (slash == platform::npos) return;
    parent = platform::AnsiReplaceAll(parent.substr(0, slash + 1), ":/", "://");
    if (FCacheTree && FCacheTree->FindNodeByUrl(parent)) return;
    current = parent;
  }
}

}  // namespace ui
