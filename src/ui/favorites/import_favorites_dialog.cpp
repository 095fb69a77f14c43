#include "ui/favorites/import_favorites_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <unordered_set>

#include "cache/netscape_location.h"
#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "text/html_parser.h"
#include "ui/favorites/favorite_messages.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kUrlRole = Qt::UserRole + 2;

void SetState(QTreeWidgetItem* item, int state) {
  item->setData(0, kStateRole, state);
  item->setData(0, Qt::CheckStateRole,
                state == isUnchecked       ? Qt::Unchecked
                : state == isPartlyChecked ? Qt::PartiallyChecked
                                           : Qt::Checked);
}

bool SameName(std::string_view a, const char* b) { return platform::AnsiSameText(a, b); }

// Bookmark files escape '&', '<', '>' and '"' in titles and addresses; the
// favorite keeps the plain text (an address with "&amp;" is not the cached one).
std::string DecodeEntities(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == '&') {
      std::size_t semi = s.find(';', i + 1);
      if (semi != std::string_view::npos && semi - i <= 8) {
        std::string_view name = s.substr(i + 1, semi - i - 1);
        int code = -1;
        if (name == "amp") code = '&';
        else if (name == "lt") code = '<';
        else if (name == "gt") code = '>';
        else if (name == "quot") code = '"';
        else if (name == "apos") code = '\'';
        else if (name.size() > 1 && name[0] == '#') {
          const bool hex = name[1] == 'x' || name[1] == 'X';
          std::string_view digits = name.substr(hex ? 2 : 1);
          int v = 0;
          bool ok = !digits.empty();
          for (char c : digits) {
            int d = c >= '0' && c <= '9'                   ? c - '0'
                    : hex && c >= 'a' && c <= 'f'          ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F'          ? c - 'A' + 10
                                                           : -1;
            if (d < 0) ok = false;
            else v = v * (hex ? 16 : 10) + d;
            if (v > 0x7F) ok = false;
            if (!ok) break;
          }
          // Only plain ASCII: other characters have no single meaning in the page's bytes.
          if (ok && v > 0) code = v;
        }
        if (code > 0) {
          out.push_back(static_cast<char>(code));
          i = semi + 1;
          continue;
        }
      }
    }
    // A double-byte character is copied whole.
    if (platform::AnsiCharLength(s, i) == 2) {
      out.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    out.push_back(s[i]);
    ++i;
  }
  return out;
}

// Draws the state images (a greyed tick for links that are favorites already) and
// turns a press on the check box, or the space key, into a toggle.
class TImportDelegate : public QStyledItemDelegate {
 public:
  TImportDelegate(TfrmImportFavorites* dialog) : QStyledItemDelegate(dialog), dialog_(dialog) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(kStateRole).toInt() == isPresent) option->state &= ~QStyle::State_Enabled;
  }

  bool editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
    QTreeWidgetItem* item = dialog_->tvwFavorites->itemFromIndex(index);
    if (!item) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QRect box = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
        if (!box.contains(static_cast<QMouseEvent*>(event)->position().toPoint())) return false;
        if (event->type() == QEvent::MouseButtonPress) dialog_->ToggleItem(item);
        return true;
      }
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select) return false;
        dialog_->ToggleItem(item);
        return true;
      }
      default:
        return false;
    }
  }

 private:
  TfrmImportFavorites* dialog_;
};

// Downwards: every child not yet a favorite takes the state; an item whose children
// are all favorites already is unchecked.
void SetSubtree(QTreeWidgetItem* item, int state) {
  if (item->childCount() == 0) return;
  bool allPresent = true;
  for (int i = 0; i < item->childCount(); ++i) {
    QTreeWidgetItem* child = item->child(i);
    if (TfrmImportFavorites::StateOf(child) == isPresent) continue;
    allPresent = false;
    SetState(child, state);
    SetSubtree(child, state);
  }
  if (allPresent) SetState(item, isUnchecked);
}

// Upwards: each parent shows what its checkable children share.
void UpdateParents(QTreeWidgetItem* item) {
  for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent()) {
    int shared = 0;
    for (int i = 0; i < parent->childCount(); ++i) {
      const int s = TfrmImportFavorites::StateOf(parent->child(i));
      if (s == isPresent) continue;
      if (shared == 0) shared = s;
      else if (s != shared) shared = isPartlyChecked;
    }
    SetState(parent, shared == 0 ? isUnchecked : shared);
  }
}

}  // namespace

TfrmImportFavorites::TfrmImportFavorites(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmImportFavorites"));
  setWindowTitle(QStringLiteral("お気に入りのインポート"));
  if (parent) setFont(parent->font());
  resize(420, 360);

  auto* label = new QLabel(QStringLiteral("インポートするお気に入り(&L) :"), this);
  tvwFavorites = new QTreeWidget(this);
  tvwFavorites->setObjectName(QStringLiteral("tvwFavorites"));
  tvwFavorites->setHeaderHidden(true);
  tvwFavorites->setColumnCount(1);
  tvwFavorites->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvwFavorites->setItemDelegate(new TImportDelegate(this));
  label->setBuddy(tvwFavorites);
  btnImport = new QPushButton(QStringLiteral("インポート(&I)"), this);
  btnImport->setObjectName(QStringLiteral("btnImport"));
  btnImport->setDefault(true);
  btnClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setAutoDefault(false);
  connect(btnImport, &QPushButton::clicked, this, [this] { btnImportClick(); });
  connect(btnClose, &QPushButton::clicked, this, [this] { done(2); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(tvwFavorites, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnImport);
  buttons->addWidget(btnClose);
  layout->addLayout(buttons);

  BookmarkFile = [] { return LocateCache(TCacheSearch{}).BookmarkFile; };
}

TfrmImportFavorites::~TfrmImportFavorites() = default;

int TfrmImportFavorites::StateOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kStateRole).toInt() : 0;
}

std::string TfrmImportFavorites::UrlOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kUrlRole).toByteArray().toStdString() : std::string();
}

void TfrmImportFavorites::showEvent(QShowEvent* event) {
  LoadBookmarks();
  QDialog::showEvent(event);
}

void TfrmImportFavorites::done(int result) {
  ClearBookmarks();
  QDialog::done(result);
}

void TfrmImportFavorites::ClearBookmarks() { tvwFavorites->clear(); }

void TfrmImportFavorites::LoadBookmarks() {
  ClearBookmarks();
  const std::string file = BookmarkFile ? BookmarkFile() : std::string();
  if (file.empty()) return;
  ReadFile(file);
}

void TfrmImportFavorites::ReadFile(const std::string& path) {
  THTMLParser parser;
  parser.SetFileName(path);
  if (parser.Text().empty()) return;

  QIcon closed, open, link, large;
  std::string typeName;
  GetFolderIconInfo(false, closed, large, typeName);
  GetFolderIconInfo(true, open, large, typeName);
  QIcon folderIcon = closed;
  for (const QSize& size : open.availableSizes())
    folderIcon.addPixmap(open.pixmap(size), QIcon::Selected);
  bool fromFile = false;
  if (!GetTypeIconInfo("bookmark.url", fromFile, link, typeName, large) || link.isNull())
    link = QIcon::fromTheme(QStringLiteral("text-html"));

  std::unordered_set<std::string> present;
  if (favorites_)
    for (int i = 0; i < favorites_->Count(); ++i)
      present.insert(platform::AnsiLowerCase(favorites_->GetItem(i)->UrlName));

  QTreeWidgetItem* current = nullptr;
  auto addItem = [&](const std::string& caption) {
    auto* item = current ? new QTreeWidgetItem(current) : new QTreeWidgetItem(tvwFavorites);
    item->setText(0, ToQ(caption));
    return item;
  };

  THTMLTag tag;
  std::size_t pos = 0;
  for (bool more = parser.ReadFirstToken(pos, tag); more; more = parser.ReadNextToken(pos, tag)) {
    if (tag.Kind() != HtmlTokenKind::Tag) continue;
    const std::string& name = tag.Name();
    if (SameName(name, "H3")) {
      if (!parser.ReadNextToken(pos, tag) || tag.Kind() != HtmlTokenKind::Text) break;
      QTreeWidgetItem* folder = addItem(DecodeEntities(tag.Text()));
      folder->setIcon(0, folderIcon);
      SetState(folder, isUnchecked);
      current = folder;
    } else if (SameName(name, "A")) {
      const int href = tag.FindAttribute("HREF");
      const std::string url = href >= 0 ? DecodeEntities(tag.Attributes(href).Value()) : "";
      if (!parser.ReadNextToken(pos, tag) || tag.Kind() != HtmlTokenKind::Text) break;
      if (url.empty()) continue;
      QTreeWidgetItem* item = addItem(DecodeEntities(tag.Text()));
      item->setIcon(0, link);
      item->setData(0, kUrlRole, QByteArray::fromStdString(url));
      SetState(item, present.count(platform::AnsiLowerCase(url)) ? isPresent : isUnchecked);
    } else if (SameName(name, "/DL")) {
      if (!current) break;
      QTreeWidgetItem* parent = current->parent();
      // Empty bookmark folders are not shown.
      if (current->childCount() == 0) delete current;
      current = parent;
    }
  }
  tvwFavorites->expandAll();
}

void TfrmImportFavorites::ToggleItem(QTreeWidgetItem* item) {
  const int state = StateOf(item);
  if (!item || state == isPresent) return;
  const int next = state == isUnchecked ? isChecked : isUnchecked;
  SetState(item, next);
  SetSubtree(item, next);
  UpdateParents(item);
}

void TfrmImportFavorites::btnImportClick() {
  int imported = 0;
  for (QTreeWidgetItemIterator it(tvwFavorites); *it; ++it) {
    QTreeWidgetItem* item = *it;
    const std::string url = UrlOf(item);
    if (url.empty() || StateOf(item) != isChecked) continue;
    if (favorites_) favorites_->AddFavoriteFromUrl(FromQ(item->text(0)), url);
    SetState(item, isPresent);
    UpdateParents(item);
    ++imported;
  }
  if (imported > 0) {
    ShowFavoriteMessage(this, QStringLiteral("%1 個のお気に入りがインポートされました。").arg(imported),
                        QStringLiteral("インポート"), QMessageBox::Information);
  } else {
    ShowFavoriteMessage(this, QStringLiteral("インポートするお気に入りが1つも選択されていません。"),
                        QStringLiteral("インポート"), QMessageBox::Warning);
  }
}

}  // namespace ui
