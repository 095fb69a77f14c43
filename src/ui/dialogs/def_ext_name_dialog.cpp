#include "ui/dialogs/def_ext_name_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "common/content_type.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

constexpr int kItemRole = Qt::UserRole + 1;
constexpr int kMarkerRole = Qt::UserRole + 2;

TContentTypeItem* ItemOf(const QTreeWidgetItem* row) {
  return row ? static_cast<TContentTypeItem*>(row->data(0, kItemRole).value<void*>()) : nullptr;
}

QIcon MarkerIcon() {
  QIcon icon = QIcon::fromTheme(QStringLiteral("list-add"));
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("emblem-documents"));
  return icon;
}

}  // namespace

TfrmDefExtName::TfrmDefExtName(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDefExtName"));
  setWindowTitle(QStringLiteral("デフォルト拡張子設定"));
  setFont(DialogFont());
  setFixedSize(420, 360);

  auto* lblList = new QLabel(QStringLiteral("登録されている拡張子："), this);
  lvwContentType_ = new QTreeWidget(this);
  lvwContentType_->setObjectName(QStringLiteral("lvwContentType"));
  lvwContentType_->setColumnCount(2);
  lvwContentType_->setHeaderLabels({QStringLiteral("ContentType"),
                                    QStringLiteral("デフォルト拡張子")});
  lvwContentType_->setColumnWidth(0, 180);
  lvwContentType_->setColumnWidth(1, 100);
  lvwContentType_->setRootIsDecorated(false);
  lvwContentType_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvwContentType_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvwContentType_->setAllColumnsShowFocus(true);
  lvwContentType_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvwContentType_->header()->setSectionsClickable(false);
  lvwContentType_->setSortingEnabled(false);
  auto* lblExt = new QLabel(QStringLiteral("デフォルト拡張子："), this);
  cbxExtName_ = new QComboBox(this);
  cbxExtName_->setObjectName(QStringLiteral("cbxExtName"));
  cbxExtName_->setEditable(true);
  cbxExtName_->setInsertPolicy(QComboBox::NoInsert);
  btnChange_ = new QPushButton(QStringLiteral("変更(&U)..."), this);
  btnChange_->setObjectName(QStringLiteral("btnChange"));
  btnClose_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  btnClose_->setObjectName(QStringLiteral("btnClose"));
  connect(btnChange_, &QPushButton::clicked, this, [this] { btnChangeClick(); });
  connect(btnClose_, &QPushButton::clicked, this, [this] { Finish(); });
  connect(lvwContentType_, &QTreeWidget::itemSelectionChanged, this,
          [this] { lvwContentTypeSelectItem(); });

  auto* grid = new QGridLayout(this);
  grid->addWidget(lblList, 0, 0, 1, 2);
  grid->addWidget(lvwContentType_, 1, 0, 1, 2);
  grid->addWidget(lblExt, 2, 0, 1, 2);
  grid->addWidget(cbxExtName_, 3, 0);
  grid->addWidget(btnChange_, 3, 1);
  grid->addWidget(btnClose_, 4, 1);
  grid->setColumnStretch(0, 1);
  lvwContentTypeSelectItem();
}

void TfrmDefExtName::ShowContentTypes(TContentType& table) {
  lvwContentType_->clear();
  // One shell lookup per extension: many types share one.
  std::map<std::string, QIcon> icons;
  QList<QTreeWidgetItem*> rows;
  for (std::size_t i = 0; i < table.Count(); ++i) {
    TContentTypeItem& item = table[i];
    auto* row = new QTreeWidgetItem;
    row->setText(0, ToQ(item.Name));
    row->setText(1, ToQ(item.Extension));
    row->setData(0, kItemRole, QVariant::fromValue(static_cast<void*>(&item)));
    auto found = icons.find(item.Extension);
    if (found == icons.end()) {
      bool fromFile = false;
      QIcon small, large;
      std::string typeName;
      GetTypeIconInfo("a" + item.Extension, fromFile, small, typeName, large);
      found = icons.emplace(item.Extension, small.isNull() ? GenericFileIcon() : small).first;
    }
    row->setIcon(0, found->second);
    SetMarker(row, item.Extensions.size() > 1);
    rows.append(row);
  }
  // Rows stand in the order of their captions.
  std::stable_sort(rows.begin(), rows.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
    return a->text(0).localeAwareCompare(b->text(0)) < 0;
  });
  lvwContentType_->addTopLevelItems(rows);
}

bool TfrmDefExtName::HasAlternativesMarker(const QTreeWidgetItem* row) {
  return row && row->data(1, kMarkerRole).toBool();
}

void TfrmDefExtName::SetMarker(QTreeWidgetItem* row, bool on) {
  row->setData(1, kMarkerRole, on);
  row->setIcon(1, on ? MarkerIcon() : QIcon());
}

void TfrmDefExtName::showEvent(QShowEvent* event) {
  modified_ = false;
  if (lvwContentType_->topLevelItemCount() > 0)
    lvwContentType_->setCurrentItem(lvwContentType_->topLevelItem(0));
  QDialog::showEvent(event);
}

void TfrmDefExtName::lvwContentTypeSelectItem() {
  const QList<QTreeWidgetItem*> selected = lvwContentType_->selectedItems();
  TContentTypeItem* item = selected.isEmpty() ? nullptr : ItemOf(selected.front());
  cbxExtName_->setEnabled(item != nullptr);
  btnChange_->setEnabled(item != nullptr);
  if (!item) return;
  cbxExtName_->clear();
  for (const std::string& ext : item->Extensions) cbxExtName_->addItem(ToQ(ext));
  cbxExtName_->setEditText(ToQ(item->Extension));
}

void TfrmDefExtName::btnChangeClick() {
  const QList<QTreeWidgetItem*> selected = lvwContentType_->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* row = selected.front();
  TContentTypeItem* item = ItemOf(row);
  if (!item) return;
  const QString text = cbxExtName_->currentText();
  if (text.isEmpty() || !text.startsWith(QLatin1Char('.'))) {
    ShowMessage(this, QStringLiteral("拡張子の最初の文字は、'.' でなければなりません。"),
                QStringLiteral("拡張子チェック"), QMessageBox::Warning);
    cbxExtName_->setFocus();
    return;
  }
  const std::string ext = FromQ(text);
  if (ext == item->Extension) return;
  item->SetExtension(ext);
  SetMarker(row, item->Extensions.size() > 1);
  row->setText(1, text);
  modified_ = true;
  // The list of the combo box follows the item's extensions.
  cbxExtName_->clear();
  for (const std::string& e : item->Extensions) cbxExtName_->addItem(ToQ(e));
  cbxExtName_->setEditText(text);
}

void TfrmDefExtName::Finish() { done(modified_ ? QDialog::Accepted : QDialog::Rejected); }

// Esc and the title bar's close answer as "閉じる" does.
void TfrmDefExtName::reject() { Finish(); }

}  // namespace ui
