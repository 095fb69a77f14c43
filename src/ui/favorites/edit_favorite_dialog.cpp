#include "ui/favorites/edit_favorite_dialog.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "favorites/favorites.h"
#include "ui/favorites/favorite_messages.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

const QString kCheckCaption = QStringLiteral("項目チェック");

bool EndsInSeparator(const QString& path) {
  return path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'));
}

// The value shared by every favorite of the list, or nothing.
template <typename Get>
bool AllSame(const std::vector<TFavoriteItem*>& list, Get get) {
  for (const TFavoriteItem* item : list)
    if (!(get(*item) == get(*list.front()))) return false;
  return !list.empty();
}

}  // namespace

QString WithFolderSeparator(const QString& path) {
  if (path.isEmpty() || EndsInSeparator(path)) return path;
  return path + QLatin1Char('/');
}

// ---------------------------------------------------------------------------

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 2, 8, 2);
  layout->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    group_->addButton(button, i);
    layout->addWidget(button);
  }
  layout->addStretch();
  connect(group_, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = group_->button(index)) {
    button->setChecked(true);
    return;
  }
  // No choice: an exclusive group cannot uncheck its checked button.
  group_->setExclusive(false);
  for (QAbstractButton* button : group_->buttons()) button->setChecked(false);
  group_->setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
  return static_cast<QRadioButton*>(group_->button(index));
}

// ---------------------------------------------------------------------------

TfrmEditFavorite::TfrmEditFavorite(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEditFavorite"));
  if (parent) setFont(parent->font());
  setFixedSize(520, 240);

  lblTitle = new QLabel(QStringLiteral("タイトル(&T) :"), this);
  edtTitle = new QLineEdit(this);
  lblTitle->setBuddy(edtTitle);
  lblUrlName = new QLabel(QStringLiteral("&URL :"), this);
  edtUrlName = new QLineEdit(this);
  lblUrlName->setBuddy(edtUrlName);
  auto* lblPathName = new QLabel(QStringLiteral("保存先(&P) :"), this);
  edtPathName = new QLineEdit(this);
  lblPathName->setBuddy(edtPathName);
  btnBrowse = new QPushButton(QStringLiteral("参照(&B)..."), this);
  btnBrowse->setAutoDefault(false);
  auto* lblDefault = new QLabel(QStringLiteral("デフォルトのファイル名(&D) :"), this);
  edtDefault = new QLineEdit(this);
  lblDefault->setBuddy(edtDefault);
  rgpFolder = new TRadioGroup(QStringLiteral("フォルダの作成方法(&F)"),
                              {QStringLiteral("URL以下を作成"), QStringLiteral("URLの最初から作成")},
                              this);
  rgpMethod = new TRadioGroup(
      QStringLiteral("参照ファイルのコピー方法(&M)"),
      {QStringLiteral("URL以下"), QStringLiteral("同一ドメイン内"), QStringLiteral("すべて")}, this);
  rgpTimer = new TRadioGroup(QStringLiteral("スケジュール設定(&S)"),
                             {QStringLiteral("有効"), QStringLiteral("無効")}, this);
  rgpTimer->setVisible(false);  // kept for the file; nothing schedules in the window
  btnEntry = new QPushButton(QStringLiteral("登録(&E)"), this);
  btnEntry->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
  btnCancel->setAutoDefault(false);

  const std::pair<QObject*, const char*> names[] = {
      {edtTitle, "edtTitle"},     {edtUrlName, "edtUrlName"}, {edtPathName, "edtPathName"},
      {btnBrowse, "btnBrowse"},   {edtDefault, "edtDefault"}, {rgpFolder, "rgpFolder"},
      {rgpMethod, "rgpMethod"},   {rgpTimer, "rgpTimer"},     {btnEntry, "btnEntry"},
      {btnCancel, "btnCancel"},   {lblTitle, "lblTitle"},     {lblUrlName, "lblUrlName"}};
  for (const auto& [object, name] : names) object->setObjectName(QString::fromLatin1(name));

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 8, 10, 8);
  grid->setVerticalSpacing(4);
  grid->addWidget(lblTitle, 0, 0);
  grid->addWidget(edtTitle, 0, 1, 1, 3);
  grid->addWidget(lblUrlName, 1, 0);
  grid->addWidget(edtUrlName, 1, 1, 1, 3);
  grid->addWidget(lblPathName, 2, 0);
  grid->addWidget(edtPathName, 2, 1, 1, 2);
  grid->addWidget(btnBrowse, 2, 3);
  grid->addWidget(lblDefault, 3, 0);
  grid->addWidget(edtDefault, 3, 1, 1, 3);
  auto* groups = new QHBoxLayout;
  groups->addWidget(rgpFolder);
  groups->addWidget(rgpMethod);
  groups->addWidget(rgpTimer);
  grid->addLayout(groups, 4, 0, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnEntry);
  buttons->addWidget(btnCancel);
  grid->addLayout(buttons, 5, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);

  // Creating folders only below the URL goes with copying only the files below it.
  connect(rgpFolder, &TRadioGroup::Clicked, this, [this](int index) {
    if (index == 0) rgpMethod->SetItemIndex(0);
  });
  connect(rgpMethod, &TRadioGroup::Clicked, this, [this](int index) {
    if (index != 0) rgpFolder->SetItemIndex(1);
  });
  connect(btnEntry, &QPushButton::clicked, this, [this] { btnEntryClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { done(2); });
  connect(btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });

  browse_ = [](QWidget* owner, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
  };
}

void TfrmEditFavorite::EditFavorite(TFavoriteItem* item, bool isDefault) {
  EditList.clear();
  EditItem = item;
  DefaultMode = isDefault;
  edtTitle->setText(ToQ(item->Title));
  edtUrlName->setText(ToQ(item->UrlName));
  edtPathName->setText(ToQ(item->PathName));
  edtDefault->setText(ToQ(item->Default));
  rgpFolder->SetItemIndex(item->Folder - 1);
  rgpMethod->SetItemIndex(item->Method - 1);
  rgpTimer->SetItemIndex(item->Timer ? 0 : 1);
}

void TfrmEditFavorite::EditFavorites(const std::vector<TFavoriteItem*>& list) {
  EditList = list;
  EditItem = nullptr;
  DefaultMode = false;
  edtTitle->clear();
  edtUrlName->clear();
  edtPathName->clear();
  edtDefault->clear();
  rgpFolder->SetItemIndex(-1);
  rgpMethod->SetItemIndex(-1);
  rgpTimer->SetItemIndex(-1);
  if (list.empty()) return;
  const TFavoriteItem& first = *list.front();
  if (AllSame(list, [](const TFavoriteItem& f) { return f.PathName; }))
    edtPathName->setText(ToQ(first.PathName));
  if (AllSame(list, [](const TFavoriteItem& f) { return f.Default; }))
    edtDefault->setText(ToQ(first.Default));
  if (AllSame(list, [](const TFavoriteItem& f) { return f.Folder; }))
    rgpFolder->SetItemIndex(first.Folder - 1);
  if (AllSame(list, [](const TFavoriteItem& f) { return f.Method; }))
    rgpMethod->SetItemIndex(first.Method - 1);
  if (AllSame(list, [](const TFavoriteItem& f) { return f.Timer; }))
    rgpTimer->SetItemIndex(first.Timer ? 0 : 1);
}

int TfrmEditFavorite::exec() { return QDialog::exec() == 1 ? 1 : 2; }

void TfrmEditFavorite::showEvent(QShowEvent* event) {
  setWindowTitle(DefaultMode ? QStringLiteral("デフォルトのお気に入りの設定")
                             : QStringLiteral("お気に入りの設定"));
  const bool single = EditItem && !DefaultMode;
  for (QWidget* w : {static_cast<QWidget*>(lblTitle), static_cast<QWidget*>(edtTitle),
                     static_cast<QWidget*>(lblUrlName), static_cast<QWidget*>(edtUrlName)})
    w->setVisible(single);
  QLineEdit* first = single ? edtTitle : edtPathName;
  first->setFocus();
  first->selectAll();
  QDialog::showEvent(event);
}

void TfrmEditFavorite::Refuse(QLineEdit* edit, const QString& message) {
  ShowFavoriteMessage(this, message, kCheckCaption, QMessageBox::Warning);
  edit->setFocus();
}

void TfrmEditFavorite::btnEntryClick() {
  if (EditItem && !DefaultMode) {
    if (edtTitle->text().isEmpty())
      return Refuse(edtTitle, QStringLiteral("タイトルが入力されていません。"));
    if (edtUrlName->text().isEmpty())
      return Refuse(edtUrlName, QStringLiteral("URLが入力されていません。"));
  }
  if (EditItem) {
    if (edtPathName->text().isEmpty())
      return Refuse(edtPathName, QStringLiteral("保存先が入力されていません。"));
    if (edtDefault->text().isEmpty())
      return Refuse(edtDefault, QStringLiteral("デフォルトのファイル名が入力されていません。"));
  }
  edtPathName->setText(WithFolderSeparator(edtPathName->text()));

  const int folder = rgpFolder->ItemIndex();
  const int method = rgpMethod->ItemIndex();
  const int timer = rgpTimer->ItemIndex();
  if (EditItem) {
    TFavoriteItem& item = *EditItem;
    if (!DefaultMode) {
      item.Title = FromQ(edtTitle->text());
      item.UrlName = FromQ(edtUrlName->text());
    }
    item.PathName = FromQ(edtPathName->text());
    item.Default = FromQ(edtDefault->text());
    if (folder >= 0) item.Folder = static_cast<std::uint8_t>(folder + 1);
    if (method >= 0) item.Method = static_cast<std::uint8_t>(method + 1);
    if (timer >= 0) item.Timer = timer == 0;
    if (DefaultMode) {
      item.Date = platform::SYSTEMTIME{};
    } else if (item.Date.wYear == 0) {
      item.Date = FavoriteNow();
    }
  } else {
    const std::string path = FromQ(edtPathName->text());
    const std::string def = FromQ(edtDefault->text());
    for (TFavoriteItem* item : EditList) {
      if (!path.empty()) item->PathName = path;
      if (!def.empty()) item->Default = def;
      if (folder >= 0) item->Folder = static_cast<std::uint8_t>(folder + 1);
      if (method >= 0) item->Method = static_cast<std::uint8_t>(method + 1);
      if (timer >= 0) item->Timer = timer == 0;
      if (item->Date.wYear == 0) item->Date = FavoriteNow();
    }
  }
  done(1);
}

void TfrmEditFavorite::btnBrowseClick() {
  BrowseStartFolder = edtPathName->text();
  QString start = BrowseStartFolder;
  if (start.size() > 1 && EndsInSeparator(start)) start.chop(1);
  const QString picked =
      browse_(this, QStringLiteral("保存先フォルダを選択してください"), start);
  if (picked.isEmpty()) return;
  edtPathName->setText(WithFolderSeparator(QDir::fromNativeSeparators(picked)));
}

}  // namespace ui
