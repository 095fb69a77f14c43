#include "ui/dialogs/property_dialog.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "common/file_utils.h"
#include "common/format.h"
#include "platform/codepage.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

QString SizeText(std::uint64_t bytes) {
  const std::string shortForm =
      FormatSize(static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu)));
  return QStringLiteral("%1 (%2 バイト)").arg(ToQ(shortForm), ToQ(FormatThousands(bytes)));
}

// The extension of a cache file path, dot included ("" when it has none).
std::string_view ExtensionOf(std::string_view path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t sep = path.find_last_of("\\/");
  if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return {};
  return path.substr(dot);
}

std::string_view FileNamePart(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

// The folder URL a node sits in: a file's directory URL, a folder's parent's URL.
std::string_view ContainingFolderUrl(const TWebCacheTreeNode* node) {
  if (!node->IsFolder()) return node->EntryInfo().FolderUrl;
  return node->Parent() ? node->Parent()->EntryInfo().FolderUrl : std::string_view();
}

bool SameTextFast(std::string_view a, std::string_view b) {
  return a == b || (a.size() == b.size() && platform::AnsiLowerCase(a) ==
                                                platform::AnsiLowerCase(b)) ||
         platform::AnsiSameText(a, b);
}

void FolderIcon(TPropertyTexts& t) {
  QIcon small, large;
  std::string typeName;
  GetFolderIconInfo(false, small, large, typeName);
  t.Icon = large;
  t.TypeName = ToQ(typeName);
}

void TypeIcon(const std::string& name, TPropertyTexts& t) {
  bool fromFile = false;
  QIcon small, large;
  std::string typeName;
  GetTypeIconInfo(name, fromFile, small, typeName, large);
  t.Icon = large.isNull() ? GenericFileIcon() : large;
  t.TypeName = ToQ(typeName);
}

QString LinesWithNewlines(std::string text) {
  QString out = ToQ(text);
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return out;
}

TPropertyTexts DescribeOne(const TWebCacheTreeNode* node) {
  TPropertyTexts t;
  t.Single = true;
  const std::string name = node->GetDisplayName();
  t.Name = ToQ(name);
  if (node->IsFolder()) {
    FolderIcon(t);
    if (!node->Parent()) {
      // The whole cache: the browser's own picture, still called a folder.
      QIcon small, large;
      std::string exeType;
      if (GetFileIconInfo(GetNetscapeExePath(), small, large, exeType)) t.Icon = large;
    }
  } else {
    TypeIcon(name, t);
  }
  t.Location = ToQ(LocationOfParent(node));
  const TWebCacheEntryView entry = node->EntryInfo();
  t.Size = SizeText(node->TotalSize());
  t.CacheName = ToQ(FileNamePart(entry.LocalFileName));
  t.Address = ToQ(entry.SourceUrl);
  t.Modified = ToQ(FormatLongDateTime(entry.LastModified));
  t.Header = LinesWithNewlines(entry.HeaderInfo.GetText());
  t.Caption = t.Name + QStringLiteral("のプロパティ");
  return t;
}

TPropertyTexts DescribeSeveral(const std::vector<TWebCacheTreeNode*>& nodes) {
  TPropertyTexts t;
  int files = 0;
  int folders = 0;
  std::uint64_t total = 0;
  const TWebCacheTreeNode* firstFile = nullptr;
  std::string_view firstExt;
  bool allFolders = true;
  bool sameExt = true;
  const std::string_view place = ContainingFolderUrl(nodes.front());
  bool samePlace = true;
  for (const TWebCacheTreeNode* node : nodes) {
    total += node->TotalSize();
    if (node->IsFolder()) {
      ++folders;
    } else {
      ++files;
      allFolders = false;
      const std::string_view ext = ExtensionOf(node->EntryInfo().LocalFileName);
      if (!firstFile) {
        firstFile = node;
        firstExt = ext;
      } else if (sameExt && !SameTextFast(ext, firstExt)) {
        sameExt = false;
      }
    }
    if (samePlace && !SameTextFast(ContainingFolderUrl(node), place)) samePlace = false;
  }
  const bool sameKind = allFolders || (folders == 0 && sameExt);
  t.Name = QStringLiteral("ファイル数: %1、フォルダ数: %2").arg(files).arg(folders);
  t.Location = samePlace ? QStringLiteral("すべて ") + ToQ(LocationOfParent(nodes.back()))
                         : QStringLiteral("複数のフォルダ");
  t.Size = SizeText(total);
  if (sameKind) {
    if (allFolders) {
      FolderIcon(t);
    } else {
      TypeIcon(std::string(firstFile->EntryInfo().LocalFileName), t);
    }
    t.TypeName = QStringLiteral("すべて ") + t.TypeName;
  } else {
    t.TypeName = QStringLiteral("複数の種類");
    t.Icon = QIcon();
  }
  t.Caption = ToQ(nodes.front()->GetDisplayName()) + QStringLiteral(", ...のプロパティ");
  return t;
}

QLabel* ValueLabel(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setTextFormat(Qt::PlainText);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

QPlainTextEdit* Memo(QWidget* parent) {
  auto* m = new QPlainTextEdit(parent);
  m->setReadOnly(true);
  m->setFrameShape(QFrame::NoFrame);
  QPalette p = m->palette();
  p.setColor(QPalette::Base, p.color(QPalette::Window));
  m->setPalette(p);
  return m;
}

QFrame* Rule(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

std::string LocationOfParent(const TWebCacheTreeNode* node) {
  const TWebCacheTreeNode* parent = node->Parent();
  if (!parent) return {};
  if (!parent->Parent()) return "Web Cache";
  std::string url;
  for (const TWebCacheTreeNode* n = parent; n->Parent(); n = n->Parent()) {
    const std::string name = n->GetDisplayName();
    const bool scheme = !name.empty() && name.back() == ':';
    url.insert(0, name + (scheme ? "//" : "/"));
  }
  return url;
}

TPropertyTexts DescribeNodes(const std::vector<TWebCacheTreeNode*>& nodes) {
  if (nodes.empty()) return {};
  return nodes.size() == 1 ? DescribeOne(nodes.front()) : DescribeSeveral(nodes);
}

TfrmProperty::TfrmProperty(QWidget* owner, std::vector<TWebCacheTreeNode*> nodes)
    : QDialog(owner), nodes_(std::move(nodes)) {
  setObjectName(QStringLiteral("frmProperty"));
  setFont(DialogFont());
  setFixedSize(416, 384);

  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget;
  tabs->addTab(page, QStringLiteral("全般"));

  imgIcon_ = new QLabel(page);
  imgIcon_->setFixedSize(32, 32);
  lblName_ = ValueLabel(page);
  lblType_ = ValueLabel(page);
  lblLocation_ = ValueLabel(page);
  lblSize_ = ValueLabel(page);
  lblLocation_->setWordWrap(true);

  auto* upper = new QGridLayout;
  upper->addWidget(imgIcon_, 0, 0);
  upper->addWidget(lblName_, 0, 1);
  upper->addWidget(Rule(page), 1, 0, 1, 2);
  upper->addWidget(new QLabel(QStringLiteral("種類:"), page), 2, 0);
  upper->addWidget(lblType_, 2, 1);
  upper->addWidget(new QLabel(QStringLiteral("場所:"), page), 3, 0);
  upper->addWidget(lblLocation_, 3, 1);
  upper->addWidget(new QLabel(QStringLiteral("サイズ:"), page), 4, 0);
  upper->addWidget(lblSize_, 4, 1);
  upper->setColumnMinimumWidth(0, 80);
  upper->setColumnStretch(1, 1);

  pnlLower_ = new QWidget(page);
  lblCacheName_ = ValueLabel(pnlLower_);
  lblModified_ = ValueLabel(pnlLower_);
  memAddress_ = Memo(pnlLower_);
  memHeader_ = Memo(pnlLower_);
  auto* lower = new QGridLayout(pnlLower_);
  lower->setContentsMargins(0, 0, 0, 0);
  lower->addWidget(Rule(pnlLower_), 0, 0, 1, 2);
  lower->addWidget(new QLabel(QStringLiteral("キャッシュ名:"), pnlLower_), 1, 0);
  lower->addWidget(lblCacheName_, 1, 1);
  lower->addWidget(new QLabel(QStringLiteral("更新日時:"), pnlLower_), 2, 0);
  lower->addWidget(lblModified_, 2, 1);
  auto* addressCaption = new QVBoxLayout;
  addressCaption->addWidget(new QLabel(QStringLiteral("アドレス:"), pnlLower_));
  addressCaption->addWidget(new QLabel(QStringLiteral("(URL)"), pnlLower_));
  addressCaption->addStretch();
  lower->addLayout(addressCaption, 3, 0);
  lower->addWidget(memAddress_, 3, 1);
  lower->addWidget(new QLabel(QStringLiteral("ヘッダー:"), pnlLower_), 4, 0, Qt::AlignTop);
  lower->addWidget(memHeader_, 4, 1);
  lower->setColumnMinimumWidth(0, 80);
  lower->setColumnStretch(1, 1);
  lower->setRowStretch(3, 1);
  lower->setRowStretch(4, 2);

  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addLayout(upper);
  pageLayout->addWidget(pnlLower_, 1);
  pageLayout->addStretch(0);

  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  close->setObjectName(QStringLiteral("btnClose"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* frame = new QVBoxLayout(this);
  frame->addWidget(tabs, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  frame->addLayout(buttons);
}

void TfrmProperty::showEvent(QShowEvent* event) {
  if (!filled_) {
    filled_ = true;
    FormShow();
  }
  QDialog::showEvent(event);
}

void TfrmProperty::FormShow() {
  texts_ = DescribeNodes(nodes_);
  setWindowTitle(texts_.Caption);
  lblName_->setText(texts_.Name);
  lblType_->setText(texts_.TypeName);
  lblLocation_->setText(texts_.Location);
  lblSize_->setText(texts_.Size);
  if (texts_.Icon.isNull()) {
    imgIcon_->clear();
  } else {
    imgIcon_->setPixmap(texts_.Icon.pixmap(32, 32));
  }
  pnlLower_->setVisible(texts_.Single);
  if (texts_.Single) {
    lblCacheName_->setText(texts_.CacheName);
    lblModified_->setText(texts_.Modified);
    memAddress_->setPlainText(texts_.Address);
    memHeader_->setPlainText(texts_.Header);
  }
}

}  // namespace ui
