#include "ui/find/find_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/binary_search.h"
#include "common/file_utils.h"
#include "find/find_criteria.h"
#include "find/find_engine.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dragdrop/drag_start_filter.h"
#include "ui/dragdrop/file_drag_source.h"
#include "ui/find/browse_dialog.h"
#include "ui/find/find_settings.h"
#include "ui/find/number_edit.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

constexpr int kHeldHeight = 215;
constexpr int kSearchHeight = 343;
constexpr int kMinWidth = 581;
constexpr int kCriteriaHeight = 167;

TfrmFind::TQuestionHook& QuestionHook() {
  static TfrmFind::TQuestionHook hook;
  return hook;
}

platform::SYSTEMTIME ToSystemTime(const QDate& d) {
  platform::SYSTEMTIME t;
  t.wYear = static_cast<std::uint16_t>(d.year());
  t.wMonth = static_cast<std::uint16_t>(d.month());
  t.wDay = static_cast<std::uint16_t>(d.day());
  return t;
}

// The hit's URL text, as the model reports removed nodes.
std::string HitUrl(const TWebCacheTreeNode* node) {
  return node->GetUrlText();
}

int CompareUrls(const std::string& a, const std::string& b) {
  return platform::AnsiCompareText(a, b);
}

}  // namespace

TfrmFind::TQuestionHook TfrmFind::SetQuestionHook(TQuestionHook hook) {
  TQuestionHook old = std::move(QuestionHook());
  QuestionHook() = std::move(hook);
  return old;
}

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

TfrmFind::TfrmFind(QWidget* parent, QString settingsFile)
    : QDialog(parent), settingsFile_(std::move(settingsFile)) {
  setObjectName(QStringLiteral("frmFind"));
  setFont(DialogFont());
  setSizeGripEnabled(true);
  if (settingsFile_.isEmpty())
    settingsFile_ =
        QString::fromStdString(platform::JoinPath(platform::SettingsFolder(), "find.dat"));

  CreateActions();
  CreateLayout();

  ResultPane_ = std::make_unique<TCacheListView>();
  ResultPane_->SetListView(W.lvwList);
  SearchActive_ = false;
  LoadFindSettings();
  PlaceProgressBar();
  W.ProgressBar->hide();
  ResetSearch();
}

TfrmFind::~TfrmFind() {
  StopSearch();
  ReleaseFinishedThread();
  if (!TempFolder_.empty()) DeleteFolderTree(TempFolder_);
  SaveFindSettings();
  W.lvwList->Model()->ForgetNodes();
}

void TfrmFind::CreateActions() {
  auto make = [this](const char* name, const QString& caption, const QKeySequence& key = {}) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) a->setShortcut(key);
    addAction(a);
    return a;
  };
  A.actFileDelete = make("actFileDelete", QStringLiteral("削除(&D)"), QKeySequence::Delete);
  A.actFileShowProperty = make("actFileShowProperty", QStringLiteral("プロパティ(&R)"));
  A.mnuClose = make("mnuClose", QStringLiteral("閉じる(&C)"));
  A.actFileCopy = make("actFileCopy", QStringLiteral("コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
  A.actListSelectAll =
      make("actListSelectAll", QStringLiteral("すべて選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A));
  A.actListItemChange = make("actListItemChange", QStringLiteral("選択の切り替え(&I)"));
  A.actListLargeIcon = make("actListLargeIcon", QStringLiteral("大きいアイコン(&G)"));
  A.actListSmallIcon = make("actListSmallIcon", QStringLiteral("小さいアイコン(&M)"));
  A.actListListIcon = make("actListListIcon", QStringLiteral("一覧(&L)"));
  A.actListDetailIcon = make("actListDetailIcon", QStringLiteral("詳細(&D)"));
  A.actListSortByName = make("actListSortByName", QStringLiteral("名前順(&N)"));
  A.actListSortByFolder = make("actListSortByFolder", QStringLiteral("フォルダ順(&F)"));
  A.actListSortByType = make("actListSortByType", QStringLiteral("種類順(&T)"));
  A.actListSortByTitle = make("actListSortByTitle", QStringLiteral("タイトル順(&I)"));
  A.actListSortBySize = make("actListSortBySize", QStringLiteral("サイズ順(&Z)"));
  A.actListSortByDate = make("actListSortByDate", QStringLiteral("日付順(&D)"));
  A.actListArrangeIconAuto =
      make("actListArrangeIconAuto", QStringLiteral("アイコンの自動整列(&A)"));
  A.actListArrangeIconAuto->setCheckable(true);
  A.actListLineUp = make("actListLineUp", QStringLiteral("等間隔に整列(&U)"));
  A.mnuIgnoreCase = make("mnuIgnoreCase", QStringLiteral("大文字と小文字の区別(&I)"));
  A.mnuIgnoreCase->setCheckable(true);

  A.ViewStyles = new QActionGroup(this);
  for (QAction* a : {A.actListLargeIcon, A.actListSmallIcon, A.actListListIcon,
                     A.actListDetailIcon}) {
    a->setCheckable(true);
    A.ViewStyles->addAction(a);
  }

  connect(A.actFileDelete, &QAction::triggered, this, [this] { actFileDeleteExecute(); });
  connect(A.actFileShowProperty, &QAction::triggered, this,
          [this] { actFileShowPropertyExecute(); });
  connect(A.mnuClose, &QAction::triggered, this, [this] { close(); });
  connect(A.actFileCopy, &QAction::triggered, this, [this] { actFileCopyExecute(); });
  connect(A.actListSelectAll, &QAction::triggered, this, [this] {
    W.lvwList->SelectAll();
    W.lvwList->CurrentView()->setFocus();
  });
  connect(A.actListItemChange, &QAction::triggered, this, [this] {
    W.lvwList->InvertSelection();
    W.lvwList->CurrentView()->setFocus();
  });
  const QAction* styles[] = {A.actListLargeIcon, A.actListSmallIcon, A.actListListIcon,
                             A.actListDetailIcon};
  for (int i = 0; i < 4; ++i)
    connect(styles[i], &QAction::triggered, this, [this, i] { ExecuteViewStyle(i); });
  const std::pair<QAction*, int> sorts[] = {
      {A.actListSortByName, stName},  {A.actListSortByFolder, stCacheName},
      {A.actListSortByTitle, stTitle}, {A.actListSortBySize, stSize},
      {A.actListSortByType, stType},  {A.actListSortByDate, stDate}};
  for (const auto& [action, key] : sorts)
    connect(action, &QAction::triggered, this, [this, key = key] { ResultPane_->SetSort(0, key); });
  connect(A.actListArrangeIconAuto, &QAction::triggered, this, [this] {
    const bool on = A.actListArrangeIconAuto->isChecked();
    W.lvwList->SetAutoArrange(on);
    if (on) W.lvwList->Arrange();
  });
  connect(A.actListLineUp, &QAction::triggered, this, [this] { W.lvwList->Arrange(); });
  // The click has flipped the check already; the handler flips the state with it.
  connect(A.mnuIgnoreCase, &QAction::triggered, this, [this] {
    A.mnuIgnoreCase->setChecked(!A.mnuIgnoreCase->isChecked());
    mnuIgnoreCaseClick();
  });

  // Escape closes the window whichever control has the focus.
  auto* escape = new QAction(this);
  escape->setShortcut(QKeySequence(Qt::Key_Escape));
  escape->setShortcutContext(Qt::WindowShortcut);
  connect(escape, &QAction::triggered, this, [this] { close(); });
  addAction(escape);
}

void TfrmFind::CreateLayout() {
  // Menus.
  W.MainMenu = new QMenuBar(this);
  QMenu* file = W.MainMenu->addMenu(QStringLiteral("ファイル(&F)"));
  file->addAction(A.actFileDelete);
  file->addAction(A.actFileShowProperty);
  file->addSeparator();
  file->addAction(A.mnuClose);
  QMenu* edit = W.MainMenu->addMenu(QStringLiteral("編集(&E)"));
  edit->addAction(A.actFileCopy);
  edit->addSeparator();
  edit->addAction(A.actListSelectAll);
  edit->addAction(A.actListItemChange);
  QMenu* view = W.MainMenu->addMenu(QStringLiteral("表示(&V)"));
  auto addStyles = [this](QMenu* menu) {
    menu->addAction(A.actListLargeIcon);
    menu->addAction(A.actListSmallIcon);
    menu->addAction(A.actListListIcon);
    menu->addAction(A.actListDetailIcon);
    menu->addSeparator();
    QMenu* arrange = menu->addMenu(QStringLiteral("アイコンの整列(&I)"));
    for (QAction* a : {A.actListSortByName, A.actListSortByFolder, A.actListSortByType,
                       A.actListSortByTitle, A.actListSortBySize, A.actListSortByDate})
      arrange->addAction(a);
    arrange->addSeparator();
    arrange->addAction(A.actListArrangeIconAuto);
    menu->addAction(A.actListLineUp);
  };
  addStyles(view);
  QMenu* option = W.MainMenu->addMenu(QStringLiteral("オプション(&O)"));
  option->addAction(A.mnuIgnoreCase);

  A.mnuPopupList1 = new QMenu(this);
  A.mnuPopupList1->setObjectName(QStringLiteral("mnuPopupList1"));
  A.mnuPopupList1->addAction(A.actFileCopy);
  A.mnuPopupList1->addSeparator();
  A.mnuPopupList1->addAction(A.actFileDelete);
  A.mnuPopupList1->addSeparator();
  A.mnuPopupList1->addAction(A.actFileShowProperty);
  A.mnuPopupList2 = new QMenu(this);
  A.mnuPopupList2->setObjectName(QStringLiteral("mnuPopupList2"));
  addStyles(A.mnuPopupList2);
  listPopup_ = A.mnuPopupList2;

  // The criteria panel: the pages on the left, the three buttons on the right.
  auto* criteria = new QWidget(this);
  criteria->setFixedHeight(kCriteriaHeight);
  W.PageControl1 = new QTabWidget(criteria);
  W.PageControl1->setObjectName(QStringLiteral("PageControl1"));
  W.TabName = CreateNamePage();
  W.TabDate = CreateDatePage();
  W.TabType = CreateTypePage();
  W.TabSize = CreateSizePage();
  W.PageControl1->addTab(W.TabName, QStringLiteral("名前と場所"));
  W.PageControl1->addTab(W.TabDate, QStringLiteral("日付"));
  W.PageControl1->addTab(W.TabType, QStringLiteral("種類"));
  W.PageControl1->addTab(W.TabSize, QStringLiteral("サイズ"));
  connect(W.PageControl1, &QTabWidget::currentChanged, this, [this](int) {
    if (W.PageControl1->currentWidget() == W.TabType) TabTypeShow();
  });

  W.btnBegin = new QPushButton(QStringLiteral("検索開始(&I)"), criteria);
  W.btnBegin->setObjectName(QStringLiteral("btnBegin"));
  W.btnBegin->setDefault(true);
  W.btnPause = new QPushButton(QStringLiteral("終了(&P)"), criteria);
  W.btnPause->setObjectName(QStringLiteral("btnPause"));
  W.btnPause->setAutoDefault(false);
  W.btnNewQuery = new QPushButton(QStringLiteral("新しい条件(&W)"), criteria);
  W.btnNewQuery->setObjectName(QStringLiteral("btnNewQuery"));
  W.btnNewQuery->setAutoDefault(false);
  connect(W.btnBegin, &QPushButton::clicked, this, [this] { btnBeginClick(); });
  connect(W.btnPause, &QPushButton::clicked, this, [this] { btnPauseClick(); });
  connect(W.btnNewQuery, &QPushButton::clicked, this, [this] { btnNewQueryClick(); });
  auto* buttons = new QVBoxLayout;
  buttons->setContentsMargins(0, 22, 0, 0);
  for (QPushButton* b : {W.btnBegin, W.btnPause, W.btnNewQuery}) {
    b->setFixedWidth(100);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  auto* panel = new QHBoxLayout(criteria);
  panel->setContentsMargins(6, 4, 6, 4);
  panel->addWidget(W.PageControl1, 1);
  panel->addLayout(buttons);

  // The result list.
  W.lvwList = new CacheListControl(this);
  W.lvwList->setObjectName(QStringLiteral("lvwList"));
  W.lvwList->setMinimumHeight(0);
  W.lvwList->Model()->SetHeaderText(1, QStringLiteral("フォルダ"));
  W.lvwList->Model()->SetHeaderText(5, QStringLiteral("更新日"));
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(W.lvwList->DetailsView()),
                               static_cast<QAbstractItemView*>(W.lvwList->IconView())}) {
    v->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v->setMinimumHeight(0);
  }
  // Dragging hits out: copy only; the files are written when the target takes them.
  W.dfsList = new TFileDragSource(this);
  W.dfsList->setObjectName(QStringLiteral("dfsList"));
  W.dfsList->Source().Dragtypes = {dtCopy};
  W.dfsList->Source().OnDrop = [this](TDropSource&, TDragType, bool& go) { go = dfsListDrop(); };
  // No second drag starts from the same press.
  W.dfsList->Source().OnFeedback = [this](TDropSource&, std::uint32_t, bool&) {
    W.Press->Reset();
  };
  W.Press = new TDragStartFilter(
      [this](QWidget*, QPoint press) { return lvwListStartDrag(press); }, this);
  W.Press->Watch(W.lvwList->DetailsView()->viewport());
  W.Press->Watch(W.lvwList->IconView()->viewport());
  connect(W.lvwList, &CacheListControl::ColumnClicked, this,
          [this](int column) { lvwListColumnClick(column); });
  connect(W.lvwList, &CacheListControl::ItemActivated, this, [this](int) { lvwListDblClick(); });
  connect(W.lvwList, &CacheListControl::EnterPressed, this, [this] { lvwListDblClick(); });
  connect(W.lvwList, &CacheListControl::SelectionChangedRows, this,
          [this] { lvwListSelectItem(); });
  connect(W.lvwList, &CacheListControl::ContextMenuAt, this,
          [this](const QPoint& p) { ShowListPopup(p); });

  // The status bar: two panels, or one text while searching.
  W.StatusBar = new QStatusBar(this);
  W.StatusBar->setSizeGripEnabled(false);
  W.pnlStatus0 = new QLabel(W.StatusBar);
  W.pnlStatus0->setFixedWidth(240);
  W.pnlStatus1 = new QLabel(W.StatusBar);
  W.pnlStatus1->setFixedWidth(50);
  W.StatusBar->addWidget(W.pnlStatus0);
  W.StatusBar->addWidget(W.pnlStatus1);
  W.ProgressBar = new QProgressBar(W.StatusBar);
  W.ProgressBar->setTextVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(W.MainMenu);
  layout->addWidget(criteria);
  layout->addWidget(W.lvwList, 1);
  layout->addWidget(W.StatusBar);
  setMinimumWidth(kMinWidth);
}

QWidget* TfrmFind::CreateNamePage() {
  auto* page = new QWidget;
  W.edtFileName = new QLineEdit(page);
  W.edtFileName->setObjectName(QStringLiteral("edtFileName"));
  W.edtContains = new QLineEdit(page);
  W.edtContains->setObjectName(QStringLiteral("edtContains"));
  W.edtFolder = new QLineEdit(page);
  W.edtFolder->setObjectName(QStringLiteral("edtFolder"));
  W.btnBrowse = new QPushButton(QStringLiteral("参照(&B)..."), page);
  W.btnBrowse->setAutoDefault(false);
  W.cbxSubFolders = new QCheckBox(QStringLiteral("サブフォルダも探す(&S)"), page);
  connect(W.btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });

  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 4);
  auto label = [page](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, page);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label(QStringLiteral("名前(&N):"), W.edtFileName), 0, 0);
  grid->addWidget(W.edtFileName, 0, 1, 1, 2);
  grid->addWidget(label(QStringLiteral("含まれる文字(&C):"), W.edtContains), 1, 0);
  grid->addWidget(W.edtContains, 1, 1, 1, 2);
  grid->addWidget(label(QStringLiteral("探す場所(&L)"), W.edtFolder), 2, 0);
  grid->addWidget(W.edtFolder, 2, 1);
  grid->addWidget(W.btnBrowse, 2, 2);
  grid->addWidget(W.cbxSubFolders, 3, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);
  return page;
}

QWidget* TfrmFind::CreateDatePage() {
  auto* page = new QWidget;
  W.rbtDateAll = new QRadioButton(QStringLiteral("すべてのファイル(&A)"), page);
  W.rbtDateSelect = new QRadioButton(QStringLiteral("日付指定(&B)"), page);
  W.rbtDateMonth = new QRadioButton(QStringLiteral("過去(&S)"), page);
  W.rbtDateDay = new QRadioButton(QStringLiteral("過去(&D)"), page);
  W.dtpBegin = new QDateEdit(page);
  W.dtpEnd = new QDateEdit(page);
  for (QDateEdit* d : {W.dtpBegin, W.dtpEnd}) {
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
  }
  W.edtDateMonth = new QLineEdit(page);
  W.edtDateDay = new QLineEdit(page);
  for (QLineEdit* e : {W.edtDateMonth, W.edtDateDay}) {
    MakeDigitEdit(e, 3);
    e->setFixedWidth(40);
  }
  W.udDateMonth = new TUpDown(W.edtDateMonth, 1, 999, page);
  W.udDateDay = new TUpDown(W.edtDateDay, 1, 999, page);
  const QRadioButton* radios[] = {W.rbtDateAll, W.rbtDateSelect, W.rbtDateMonth, W.rbtDateDay};
  for (int tag = 0; tag < 4; ++tag)
    connect(radios[tag], &QRadioButton::clicked, this, [this, tag] { rbtDateClick(tag); });

  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 4);
  grid->addWidget(W.rbtDateAll, 0, 0);
  grid->addWidget(W.rbtDateSelect, 1, 0);
  auto* between = new QHBoxLayout;
  between->addWidget(W.dtpBegin);
  between->addWidget(new QLabel(QStringLiteral("から"), page));
  between->addWidget(W.dtpEnd);
  between->addStretch(1);
  grid->addLayout(between, 1, 1);
  auto numberRow = [page](QLineEdit* e, TUpDown* ud, const QString& unit) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(e);
    row->addWidget(ud);
    row->addSpacing(4);
    row->addWidget(new QLabel(unit, page));
    row->addStretch(1);
    return row;
  };
  grid->addWidget(W.rbtDateMonth, 2, 0);
  grid->addLayout(numberRow(W.edtDateMonth, W.udDateMonth, QStringLiteral("か月間")), 2, 1);
  grid->addWidget(W.rbtDateDay, 3, 0);
  grid->addLayout(numberRow(W.edtDateDay, W.udDateDay, QStringLiteral("日間")), 3, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(4, 1);
  return page;
}

QWidget* TfrmFind::CreateTypePage() {
  auto* page = new QWidget;
  W.lvwType = new QTreeWidget(page);
  W.lvwType->setObjectName(QStringLiteral("lvwType"));
  W.lvwType->setColumnCount(2);
  W.lvwType->setHeaderLabels({QStringLiteral("拡張子"), QStringLiteral("種類")});
  W.lvwType->setColumnWidth(0, 80);
  W.lvwType->setColumnWidth(1, 245);
  W.lvwType->setRootIsDecorated(false);
  W.lvwType->setSortingEnabled(true);
  W.lvwType->sortByColumn(0, Qt::AscendingOrder);
  W.lvwType->header()->setSectionsClickable(false);
  W.btnAll = new QPushButton(QStringLiteral("すべて選択(&S)"), page);
  W.btnClear = new QPushButton(QStringLiteral("すべて解除(&D)"), page);
  for (QPushButton* b : {W.btnAll, W.btnClear}) b->setAutoDefault(false);
  auto setAll = [this](bool on) {
    for (int i = 0; i < W.lvwType->topLevelItemCount(); ++i)
      W.lvwType->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
  };
  connect(W.btnAll, &QPushButton::clicked, this, [setAll] { setAll(true); });
  connect(W.btnClear, &QPushButton::clicked, this, [setAll] { setAll(false); });

  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 4, 8, 4);
  auto* label = new QLabel(QStringLiteral("ファイルの種類(&T):"), page);
  label->setBuddy(W.lvwType);
  grid->addWidget(label, 0, 0);
  grid->addWidget(W.lvwType, 1, 0, 3, 1);
  grid->addWidget(W.btnAll, 1, 1);
  grid->addWidget(W.btnClear, 2, 1);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(0, 1);
  return page;
}

QWidget* TfrmFind::CreateSizePage() {
  auto* page = new QWidget;
  W.edtSizeBegin = new QLineEdit(page);
  W.edtSizeEnd = new QLineEdit(page);
  for (QLineEdit* e : {W.edtSizeBegin, W.edtSizeEnd}) {
    MakeDigitEdit(e, 4);
    e->setFixedWidth(48);
  }
  W.udSizeBegin = new TUpDown(W.edtSizeBegin, 0, 9999, page);
  W.udSizeEnd = new TUpDown(W.edtSizeEnd, 0, 9999, page);
  W.cbxFunc = new QComboBox(page);
  W.cbxFunc->setObjectName(QStringLiteral("cbxFunc"));
  W.cbxFunc->addItems({QString(), QStringLiteral("以下"), QStringLiteral("以上"),
                       QStringLiteral("から")});
  connect(W.cbxFunc, &QComboBox::currentIndexChanged, this, [this](int) { cbxFuncChange(); });

  auto* label = new QLabel(QStringLiteral("ファイル サイズ(&S):"), page);
  label->setBuddy(W.edtSizeBegin);
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  row->addWidget(W.edtSizeBegin);
  row->addWidget(W.udSizeBegin);
  row->addSpacing(4);
  row->addWidget(new QLabel(QStringLiteral("KB"), page));
  row->addSpacing(8);
  row->addWidget(W.cbxFunc);
  row->addSpacing(8);
  row->addWidget(W.edtSizeEnd);
  row->addWidget(W.udSizeEnd);
  row->addSpacing(4);
  row->addWidget(new QLabel(QStringLiteral("KBまで"), page));
  row->addStretch(1);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 8, 8, 4);
  layout->addWidget(label);
  layout->addLayout(row);
  layout->addStretch(1);
  return page;
}

// ---------------------------------------------------------------------------
// Settings, sizes, status bar
// ---------------------------------------------------------------------------

void TfrmFind::LoadFindSettings() {
  TFindSettings s;
  ReadFindSettings(FromQ(settingsFile_), s);
  resize(std::max(s.Width, kMinWidth), height());
  MatchCase_ = s.IgnoreCase;
  A.mnuIgnoreCase->setChecked(MatchCase_);
  for (int i = 0; i < kListColumnCount; ++i) W.lvwList->SetColumnWidth(i, s.Cols[i]);
  ResultPane_->SetSort(s.SortOrder == 1 ? 1 : 0, s.SortType);
  A.actListArrangeIconAuto->setChecked(s.AutoArrange);
  W.lvwList->SetAutoArrange(s.AutoArrange);
  // Anything but the four known styles leaves the details view.
  ExecuteViewStyle(s.ViewStyle >= 0 && s.ViewStyle <= 3 ? s.ViewStyle : 3);
}

void TfrmFind::SaveFindSettings() {
  TFindSettings s;
  s.Width = width();
  s.IgnoreCase = MatchCase_;
  for (int i = 0; i < kListColumnCount; ++i) s.Cols[i] = W.lvwList->ColumnWidth(i);
  s.SortType = ResultPane_->SortType();
  s.SortOrder = ResultPane_->SortOrder();
  s.AutoArrange = A.actListArrangeIconAuto->isChecked();
  s.ViewStyle = static_cast<int>(W.lvwList->ViewStyle());
  WriteFindSettings(FromQ(settingsFile_), s);
}

void TfrmFind::SetHeightHeld(bool held) {
  if (held) {
    setMinimumHeight(kHeldHeight);
    setMaximumHeight(kHeldHeight);
    resize(width(), kHeldHeight);
  } else {
    setMaximumHeight(QWIDGETSIZE_MAX);
    setMinimumHeight(kHeldHeight);
  }
}

void TfrmFind::PlaceProgressBar() {
  const int left = W.pnlStatus0->width() + 2;
  W.ProgressBar->setGeometry(left, 2, std::max(0, W.StatusBar->width() - 16 - left),
                             std::max(0, W.StatusBar->height() - 4));
}

void TfrmFind::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceProgressBar();
}

QString TfrmFind::StatusText() const { return W.StatusBar->currentMessage(); }

void TfrmFind::ShowStatusText(const QString& text) { W.StatusBar->showMessage(text); }

void TfrmFind::ShowFoundCount(int count) {
  W.StatusBar->clearMessage();
  W.pnlStatus0->setText(QStringLiteral("%1 個のファイルが見つかりました。").arg(count));
}

void TfrmFind::ExecuteViewStyle(int style) {
  static const TViewStyle kStyles[] = {TViewStyle::LargeIcon, TViewStyle::SmallIcon,
                                       TViewStyle::List, TViewStyle::Report};
  QAction* const actions[] = {A.actListLargeIcon, A.actListSmallIcon, A.actListListIcon,
                              A.actListDetailIcon};
  if (style < 0 || style > 3) return;
  W.lvwList->SetViewStyle(kStyles[style]);
  actions[style]->setChecked(true);
  A.actListArrangeIconAuto->setEnabled(style <= 1);
  A.actListLineUp->setEnabled(style <= 1);
}

// ---------------------------------------------------------------------------
// Showing, closing, resetting
// ---------------------------------------------------------------------------

void TfrmFind::SetSearchStart(TWebCacheTree* tree, const std::string& url) {
  FCacheTree = tree;
  // The model may have been read again since the last search: titles cached by node
  // must not outlive it.
  ResultPane_->SetCacheTree(nullptr);
  ResultPane_->SetCacheTree(tree);
  StartFolderText_ = url.empty() ? std::string("Web Cache") : url;
}

void TfrmFind::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  ResetSearch();
  W.PageControl1->setCurrentWidget(W.TabName);
  W.edtFolder->setText(ToQ(StartFolderText_));
  W.edtFileName->setFocus();
}

void TfrmFind::StopSearch() {
  TFindThread* thread = SearchThread_.get();
  if (!thread) return;
  thread->Terminate();
  // The walk may be waiting for a hit to be taken; those calls run here.  Its end
  // event (SearchFinished) runs in the same way.
  thread->WaitFor([this] { QCoreApplication::sendPostedEvents(this, QEvent::MetaCall); });
  ReleaseFinishedThread();
}

void TfrmFind::WaitForSearch() {
  TFindThread* thread = SearchThread_.get();
  if (!thread) return;
  thread->WaitFor([this] { QCoreApplication::sendPostedEvents(this, QEvent::MetaCall); });
  ReleaseFinishedThread();
}

void TfrmFind::ReleaseFinishedThread() {
  // Its end event has returned (or it never started): joining is quick.
  if (finishedThread_) finishedThread_->WaitFor();
  finishedThread_.reset();
}

void TfrmFind::closeEvent(QCloseEvent* event) {
  // The model must not change under a running walk once the window is gone.
  StopSearch();
  QDialog::closeEvent(event);
}

void TfrmFind::reject() {
  StopSearch();
  QDialog::reject();
}

void TfrmFind::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfrmFind::ResetSearch() {
  StopSearch();
  setWindowTitle(QStringLiteral("検索: 条件 = すべてのファイル"));
  W.edtFileName->clear();
  W.edtContains->clear();
  W.edtFolder->setText(QStringLiteral("Web Cache"));
  W.cbxSubFolders->setChecked(true);
  W.rbtDateAll->setChecked(true);
  rbtDateClick(0);
  W.dtpBegin->setDate(QDate::currentDate());
  W.dtpEnd->setDate(QDate::currentDate());
  W.edtDateMonth->setText(QStringLiteral("1"));
  W.edtDateDay->setText(QStringLiteral("1"));
  for (int i = 0; i < W.lvwType->topLevelItemCount(); ++i)
    W.lvwType->topLevelItem(i)->setCheckState(0, Qt::Checked);
  W.edtSizeBegin->clear();
  W.edtSizeEnd->clear();
  W.cbxFunc->setCurrentIndex(0);
  cbxFuncChange();
  A.actFileShowProperty->setEnabled(false);
  A.actFileDelete->setEnabled(false);
  A.actFileCopy->setEnabled(false);
  SearchActive_ = false;
  W.btnBegin->setEnabled(true);
  W.btnPause->setEnabled(false);
  EnableCriteria(true);
  W.StatusBar->hide();
  SetHeightHeld(true);
  W.lvwList->Model()->Clear();
  ResultIndex_.clear();
  HitCount_ = 0;
}

void TfrmFind::btnNewQueryClick() {
  const QString text = QStringLiteral("現在の検索をクリアします。");
  int answer;
  if (QuestionHook()) {
    answer = QuestionHook()(text, windowTitle());
  } else {
    QMessageBox box(QMessageBox::Question, windowTitle(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    answer = box.exec() == QMessageBox::Ok ? 1 : 2;
  }
  if (answer == 1) ResetSearch();
}

// ---------------------------------------------------------------------------
// Criteria
// ---------------------------------------------------------------------------

void TfrmFind::rbtDateClick(int tag) {
  DateMode_ = tag;
  for (QWidget* w : {static_cast<QWidget*>(W.dtpBegin), static_cast<QWidget*>(W.dtpEnd)})
    w->setEnabled(tag == 1);
  W.edtDateMonth->setEnabled(tag == 2);
  W.udDateMonth->setEnabled(tag == 2);
  W.edtDateDay->setEnabled(tag == 3);
  W.udDateDay->setEnabled(tag == 3);
}

void TfrmFind::cbxFuncChange() {
  const bool range = W.cbxFunc->currentIndex() == 3;
  W.edtSizeEnd->setEnabled(range);
  W.udSizeEnd->setEnabled(range);
}

void TfrmFind::mnuIgnoreCaseClick() {
  MatchCase_ = !MatchCase_;
  A.mnuIgnoreCase->setChecked(MatchCase_);
}

void TfrmFind::EnableCriteria(bool on) {
  for (QWidget* w : std::initializer_list<QWidget*>{
           W.edtFileName, W.edtContains, W.edtFolder, W.cbxSubFolders, W.btnBrowse,
           W.rbtDateAll, W.rbtDateSelect, W.rbtDateMonth, W.rbtDateDay, W.lvwType, W.btnAll,
           W.btnClear, W.edtSizeBegin, W.udSizeBegin, W.cbxFunc})
    w->setEnabled(on);
  if (on) {
    rbtDateClick(DateMode_);
    cbxFuncChange();
  } else {
    for (QWidget* w : std::initializer_list<QWidget*>{
             W.dtpBegin, W.dtpEnd, W.edtDateMonth, W.udDateMonth, W.edtDateDay, W.udDateDay,
             W.edtSizeEnd, W.udSizeEnd})
      w->setEnabled(false);
  }
}

void TfrmFind::TabTypeShow() {
  if (!W.lvwType->isEnabled() || W.lvwType->topLevelItemCount() > 0 || !FCacheTree) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ++typeListBuilds_;
  static QMimeDatabase mimeDb;
  std::vector<std::string> seen;  // sorted captions
  QList<QTreeWidgetItem*> rows;
  std::vector<const TWebCacheTreeNode*> stack{FCacheTree->Root()};
  // Depth first from the root, children in their order.
  while (!stack.empty()) {
    const TWebCacheTreeNode* node = stack.back();
    stack.pop_back();
    for (std::size_t i = node->Count(); i-- > 0;) stack.push_back(node->Items(i));
    if (node->IsFolder()) continue;
    const std::string name = node->GetDisplayName();
    const std::size_t dot = platform::AnsiFindLast(name, '.');
    const std::string ext =
        dot == platform::npos ? std::string() : platform::AnsiLowerCase(name.substr(dot));
    auto at = std::lower_bound(seen.begin(), seen.end(), ext);
    if (at != seen.end() && *at == ext) continue;
    seen.insert(at, ext);
    QIcon smallIcon, largeIcon;
    std::string typeName;
    GetFileIconInfo(ext, smallIcon, largeIcon, typeName);
    // The desktop's catch-all type is no type name of its own.
    if (ext.empty() || mimeDb.mimeTypeForFile(ToQ(ext), QMimeDatabase::MatchExtension).isDefault())
      typeName.clear();
    if (typeName.empty()) typeName = ext + platform::Utf8ToAnsi(" ファイル");
    auto* row = new QTreeWidgetItem;
    row->setText(0, ToQ(ext));
    row->setText(1, ToQ(typeName));
    row->setIcon(0, smallIcon);
    row->setCheckState(0, Qt::Checked);
    rows.append(row);
  }
  W.lvwType->addTopLevelItems(rows);
  QApplication::restoreOverrideCursor();
}

void TfrmFind::btnBrowseClick() {
  if (!BrowseDialog_) BrowseDialog_ = new TfrmBrowse(this);
  BrowseDialog_->SetBrowseStart(FCacheTree, FromQ(W.edtFolder->text()));
  if (BrowseDialog_->exec() == 1) W.edtFolder->setText(ToQ(BrowseDialog_->GetBrowseResult()));
}

// ---------------------------------------------------------------------------
// The search
// ---------------------------------------------------------------------------

void TfrmFind::btnBeginClick() {
  if (SearchThread_ || !FCacheTree) return;
  ReleaseFinishedThread();
  W.lvwList->Model()->Clear();
  ResultIndex_.clear();

  TFindInputs in;
  in.FileName = FromQ(W.edtFileName->text());
  in.Contains = FromQ(W.edtContains->text());
  in.MatchCase = MatchCase_;
  in.Folder = FromQ(W.edtFolder->text());
  in.SubFolders = W.cbxSubFolders->isChecked();
  in.DateMode = static_cast<TFindDateMode>(DateMode_);
  in.DateBegin = ToSystemTime(W.dtpBegin->date());
  in.DateEnd = ToSystemTime(W.dtpEnd->date());
  in.DateMonths = FromQ(W.edtDateMonth->text());
  in.DateDays = FromQ(W.edtDateDay->text());
  for (int i = 0; i < W.lvwType->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = W.lvwType->topLevelItem(i);
    in.Types.push_back({FromQ(row->text(0)), row->checkState(0) == Qt::Checked});
  }
  in.SizeMode = static_cast<TFindSizeMode>(W.cbxFunc->currentIndex());
  in.SizeBegin = FromQ(W.edtSizeBegin->text());
  in.SizeEnd = FromQ(W.edtSizeEnd->text());

  TFindCriteriaResult r = BuildFindCriteria(in, *FCacheTree);
  W.edtFileName->setText(ToQ(r.FileName));
  W.edtContains->setText(ToQ(r.Contains));
  W.edtFolder->setText(ToQ(r.Folder));
  for (const TFindCriteriaError& e : r.Errors) {
    ShowMessage(this, ToQ(e.Message), ToQ(FindErrorCaption()), QMessageBox::Warning);
    switch (e.Page) {
      case TFindPage::NameAndPlace:
        W.PageControl1->setCurrentWidget(W.TabName);
        W.edtFolder->setFocus();
        break;
      case TFindPage::Types:
        W.PageControl1->setCurrentWidget(W.TabType);
        W.lvwType->setFocus();
        break;
      case TFindPage::Date:
        W.PageControl1->setCurrentWidget(W.TabDate);
        break;
      case TFindPage::Size:
        W.PageControl1->setCurrentWidget(W.TabSize);
        break;
    }
  }
  if (!r.Data) return;

  auto thread = std::make_unique<TFindThread>();
  thread->SetCriteria(std::move(r.Data));
  thread->OnFound = [this](TFindThread&, TWebCacheTreeNode* node) {
    if (!SearchActive_) return;
    ResultPane_->AppendNodeItem(node);
    ++HitCount_;
  };
  thread->OnFolder = [this](TFindThread&, const std::string& url) {
    ShowStatusText(ToQ(url) + QStringLiteral(" を検索中..."));
  };
  thread->OnTerminate = [this](TFindThread&) { SearchFinished(); };
  // Every event of the walk runs on this window's thread while the walk waits.
  thread->Synchronize = [this](const std::function<void()>& call) {
    QMetaObject::invokeMethod(this, [&call] { call(); }, Qt::BlockingQueuedConnection);
  };
  thread->IdlePriority = true;
  SearchThread_ = std::move(thread);

  if (!SearchActive_) {
    SearchActive_ = true;
    SetHeightHeld(false);
    resize(width(), kSearchHeight);
    W.StatusBar->show();
  }
  W.btnBegin->setEnabled(false);
  W.btnPause->setEnabled(true);
  EnableCriteria(false);
  // Hits can be neither deleted nor dropped into the model while the walk reads it.
  A.actFileDelete->setEnabled(false);

  const std::string contains = FromQ(W.edtContains->text());
  const std::string name = FromQ(W.edtFileName->text());
  QString description;
  if (!contains.empty()) description = ToQ(contains) + QStringLiteral(" を含む");
  if (!name.empty()) {
    if (!description.isEmpty()) description += QStringLiteral("、");
    description += ToQ(name) + QStringLiteral(" というファイル名");
  }
  if (description.isEmpty()) description = QStringLiteral("すべてのファイル");
  setWindowTitle(QStringLiteral("検索: 条件 = ") + description);
  ShowStatusText(QStringLiteral("検索中..."));
  HitCount_ = 0;
  SearchThread_->Resume();
}

void TfrmFind::btnPauseClick() {
  if (SearchThread_) SearchThread_->Terminate();
}

void TfrmFind::SearchFinished() {
  W.btnBegin->setEnabled(true);
  W.btnPause->setEnabled(false);
  EnableCriteria(true);
  ShowFoundCount(HitCount_);
  // The thread is still returning from this call; it is joined later.
  finishedThread_ = std::move(SearchThread_);
  RebuildResultIndex();
  lvwListSelectItem();
}

void TfrmFind::RebuildResultIndex() {
  ResultIndex_.clear();
  const CacheListModel* model = W.lvwList->Model();
  ResultIndex_.reserve(static_cast<std::size_t>(model->Count()));
  for (int row = 0; row < model->Count(); ++row) {
    TWebCacheTreeNode* node = model->Item(row).node;
    if (!node) continue;
    TFindItemData record{HitUrl(node), node};
    int pos = BinarySearchList(ResultIndex_, record.Url,
                               [](const std::string& key, const TFindItemData& item) {
                                 return CompareUrls(key, item.Url);
                               });
    if (pos < 0) pos = ~pos;
    ResultIndex_.insert(ResultIndex_.begin() + pos, std::move(record));
  }
}

int TfrmFind::RowOfNode(const TWebCacheTreeNode* node) const {
  const CacheListModel* model = W.lvwList->Model();
  for (int row = 0; row < model->Count(); ++row)
    if (model->Item(row).node == node) return row;
  return -1;
}

// ---------------------------------------------------------------------------
// The result list
// ---------------------------------------------------------------------------

void TfrmFind::lvwListColumnClick(int column) {
  if (column < 0 || column >= kListColumnCount) return;
  const int key = SortTypeOfColumn(column);
  if (key == ResultPane_->SortType()) {
    ResultPane_->SetSortOrder(ResultPane_->SortOrder() == 0 ? 1 : 0);
  } else {
    ResultPane_->SetSort(0, key);
  }
}

void TfrmFind::lvwListSelectItem() {
  const bool any = W.lvwList->SelectedCount() > 0;
  listPopup_ = any ? A.mnuPopupList1 : A.mnuPopupList2;
  A.actFileShowProperty->setEnabled(any);
  A.actFileCopy->setEnabled(any);
  A.actFileDelete->setEnabled(any && !SearchThread_);
}

void TfrmFind::ShowListPopup(const QPoint& globalPos) {
  lvwListSelectItem();
  listPopup_->popup(globalPos);
}

void TfrmFind::lvwListDblClick() {
  const std::vector<int> rows = W.lvwList->SelectedRows();
  if (rows.empty()) return;
  const TWebCacheTreeNode* node = W.lvwList->Model()->Item(rows.front()).node;
  if (!node) return;
  if (node->IsFolder()) {
    Beep();
    return;
  }
  OpenCachedFile(std::string(node->EntryInfo().LocalFileName));
}

}  // namespace ui
