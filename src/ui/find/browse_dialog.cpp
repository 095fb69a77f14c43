#include "ui/find/browse_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "tree/web_cache_tree.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/main/cache_tree_view.h"

namespace ui {

TfrmBrowse::TfrmBrowse(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmBrowse"));
  setWindowTitle(QStringLiteral("フォルダの参照"));
  setFont(DialogFont());
  resize(320, 360);

  auto* label = new QLabel(QStringLiteral("検索を開始するフォルダを選んでください。"), this);
  lvwFolder_ = new QTreeWidget(this);
  lvwFolder_->setObjectName(QStringLiteral("lvwFolder"));
  lvwFolder_->setHeaderHidden(true);
  lvwFolder_->setIconSize(QSize(16, 16));
  lvwFolder_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  btnOk_ = new QPushButton(QStringLiteral("OK"), this);
  btnOk_->setDefault(true);
  btnCancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
  btnCancel_->setAutoDefault(false);
  connect(btnOk_, &QPushButton::clicked, this, [this] { done(1); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { done(2); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(label);
  layout->addWidget(lvwFolder_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk_);
  buttons->addWidget(btnCancel_);
  layout->addLayout(buttons);

  FindFolderTree_ = std::make_unique<TCacheTreeView>();
}

TfrmBrowse::~TfrmBrowse() = default;

void TfrmBrowse::SetBrowseStart(TWebCacheTree* tree, const std::string& text) {
  startText_ = text;
  FindFolderTree_->SetTreeView(lvwFolder_);
  if (FindFolderTree_->CacheTree() == tree) {
    // The same model may have been read again or lost folders since the last use.
    FindFolderTree_->Rebuild();
  } else {
    FindFolderTree_->SetCacheTree(tree);
  }
}

std::string TfrmBrowse::GetBrowseResult() const {
  const TWebCacheTreeNode* node = TCacheTreeView::NodeOf(lvwFolder_->currentItem());
  std::string url = node ? std::string(node->EntryInfo().FolderUrl) : std::string();
  return url.empty() ? std::string("Web Cache") : url;
}

void TfrmBrowse::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmBrowse::FormShow() {
  QTreeWidgetItem* root = lvwFolder_->topLevelItem(0);
  if (!root) return;
  lvwFolder_->collapseAll();
  root->setExpanded(true);
  if (startText_.empty() || startText_ == "Web Cache") {
    lvwFolder_->setCurrentItem(root);
  } else {
    FindFolderTree_->SelectPath(startText_);
  }
  lvwFolder_->setFocus();
}

}  // namespace ui
