// TfrmFind: the find window.  The criteria on four pages (name and place, date,
// types, size) with the start, stop and new-query buttons on the right; below them
// the hits, listed, titled and sorted by a second TCacheListView; the status bar with
// the progress bar at the bottom.  The search runs on the find engine's thread and
// each hit is added on the user-interface thread while the walk waits.
//
// Files: find_window.cpp (layout, settings, criteria, the search), find_hits.cpp
// (the commands on the hits: open, properties, delete, the copies and the drag).
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTreeWidget;
class QWidget;
class TFindThread;
class TWebCacheTree;
class TWebCacheTreeNode;

namespace ui {

class CacheListControl;
class TCacheListView;
class TDragStartFilter;
class TFileDragSource;
class TfrmBrowse;
class TUpDown;

// One record of the result index: the hit's URL text and the node its row shows.
struct TFindItemData {
  std::string Url;
  TWebCacheTreeNode* Row = nullptr;
};

struct TFindWidgets {
  QMenuBar* MainMenu = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabName = nullptr;
  QWidget* TabDate = nullptr;
  QWidget* TabType = nullptr;
  QWidget* TabSize = nullptr;
  QLineEdit* edtFileName = nullptr;
  QLineEdit* edtContains = nullptr;
  QLineEdit* edtFolder = nullptr;
  QPushButton* btnBrowse = nullptr;
  QCheckBox* cbxSubFolders = nullptr;
  QRadioButton* rbtDateAll = nullptr;
  QRadioButton* rbtDateSelect = nullptr;
  QRadioButton* rbtDateMonth = nullptr;
  QRadioButton* rbtDateDay = nullptr;
  QDateEdit* dtpBegin = nullptr;
  QDateEdit* dtpEnd = nullptr;
  QLineEdit* edtDateMonth = nullptr;
  TUpDown* udDateMonth = nullptr;
  QLineEdit* edtDateDay = nullptr;
  TUpDown* udDateDay = nullptr;
  QTreeWidget* lvwType = nullptr;
  QPushButton* btnAll = nullptr;
  QPushButton* btnClear = nullptr;
  QLineEdit* edtSizeBegin = nullptr;
  TUpDown* udSizeBegin = nullptr;
  QComboBox* cbxFunc = nullptr;
  QLineEdit* edtSizeEnd = nullptr;
  TUpDown* udSizeEnd = nullptr;
  QPushButton* btnBegin = nullptr;
  QPushButton* btnPause = nullptr;
  QPushButton* btnNewQuery = nullptr;
  CacheListControl* lvwList = nullptr;
  QStatusBar* StatusBar = nullptr;
  QLabel* pnlStatus0 = nullptr;
  QLabel* pnlStatus1 = nullptr;
  QProgressBar* ProgressBar = nullptr;
  TFileDragSource* dfsList = nullptr;
  // The press point of the result list and the start of a drag from it.
  TDragStartFilter* Press = nullptr;
};

struct TFindActions {
  QAction* actFileDelete = nullptr;
  QAction* actFileShowProperty = nullptr;
  QAction* mnuClose = nullptr;
  QAction* actFileCopy = nullptr;
  QAction* actListSelectAll = nullptr;
  QAction* actListItemChange = nullptr;
  QAction* actListLargeIcon = nullptr;
  QAction* actListSmallIcon = nullptr;
  QAction* actListListIcon = nullptr;
  QAction* actListDetailIcon = nullptr;
  QAction* actListSortByName = nullptr;
  QAction* actListSortByFolder = nullptr;
  QAction* actListSortByType = nullptr;
  QAction* actListSortByTitle = nullptr;
  QAction* actListSortBySize = nullptr;
  QAction* actListSortByDate = nullptr;
  QAction* actListArrangeIconAuto = nullptr;
  QAction* actListLineUp = nullptr;
  QAction* mnuIgnoreCase = nullptr;
  QActionGroup* ViewStyles = nullptr;
  QMenu* mnuPopupList1 = nullptr;
  QMenu* mnuPopupList2 = nullptr;
};

class TfrmFind : public QDialog {
  Q_OBJECT
 public:
  // `settingsFile` is "find.dat"; empty: the file in the settings folder.
  explicit TfrmFind(QWidget* parent = nullptr, QString settingsFile = {});
  ~TfrmFind() override;

  // The model searched and the folder where the search starts ("" for the root).
  void SetSearchStart(TWebCacheTree* tree, const std::string& url);

  void ResetSearch();
  void btnNewQueryClick();
  void btnBrowseClick();
  void btnBeginClick();
  void btnPauseClick();
  void EnableCriteria(bool on);
  void SearchFinished();
  // The type list, built on the first visit of its page.
  void TabTypeShow();
  void rbtDateClick(int tag);
  void cbxFuncChange();
  void mnuIgnoreCaseClick();
  void lvwListColumnClick(int column);
  void ExecuteViewStyle(int style);
  void lvwListSelectItem();
  void lvwListDblClick();

  // Commands on the hits (find_hits.cpp).
  std::vector<TWebCacheTreeNode*> SelectedNodes() const;
  void actFileShowPropertyExecute();
  void actFileDeleteExecute();
  void OnHitRemoved(const std::string& url);
  void AddToFindCopyList(TWebCacheTreeNode* node);
  void PrepareFindDrag();
  // The drop event: copies CopyList into TempFolder; false when a copy failed.
  bool dfsListDrop();
  // A move far enough from a press on a selected row: the drag of the selection.
  bool lvwListStartDrag(QPoint press);
  bool CopyHitToFolder(const std::string& destination, TWebCacheTreeNode* node);
  void actFileCopyExecute();
  // The paths the drag source offers (TempFolder + escaped display names).
  const std::vector<std::string>& DragFiles() const { return dragFiles_; }

  // State.
  TWebCacheTree* CacheTree() const { return FCacheTree; }
  const std::string& StartFolderText() const { return StartFolderText_; }
  TCacheListView* ResultPane() const { return ResultPane_.get(); }
  TfrmBrowse* BrowseDialog() const { return BrowseDialog_; }
  TFindThread* SearchThread() const { return SearchThread_.get(); }
  bool SearchActive() const { return SearchActive_; }
  bool MatchCase() const { return MatchCase_; }
  int DateMode() const { return DateMode_; }
  int HitCount() const { return HitCount_; }
  const std::vector<TFindItemData>& ResultIndex() const { return ResultIndex_; }
  const std::vector<TWebCacheTreeNode*>& CopyList() const { return CopyList_; }
  const std::string& TempFolder() const { return TempFolder_; }
  bool Dragging() const { return Dragging_; }
  // How often the type list was built.
  int TypeListBuilds() const { return typeListBuilds_; }
  // The status bar's single text (shown instead of the panels), or "".
  QString StatusText() const;

  const TFindWidgets& Ui() const { return W; }
  const TFindActions& Actions() const { return A; }
  QString SettingsFile() const { return settingsFile_; }
  void LoadFindSettings();
  void SaveFindSettings();
  // Waits for a running search to end (its end event included).
  void WaitForSearch();

  // The question of "新しい条件(&W)"; tests answer it through a hook (1 OK, 2 cancel).
  using TQuestionHook = std::function<int(const QString& text, const QString& caption)>;
  static TQuestionHook SetQuestionHook(TQuestionHook hook);
  // Opening a cached file with the desktop's application; tests take the path.
  using TOpenHook = std::function<void(const std::string& path)>;
  static TOpenHook SetOpenHook(TOpenHook hook);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void reject() override;

 private:
  void CreateActions();
  void CreateLayout();
  QWidget* CreateNamePage();
  QWidget* CreateDatePage();
  QWidget* CreateTypePage();
  QWidget* CreateSizePage();
  void PlaceProgressBar();
  void SetHeightHeld(bool held);
  void ShowStatusText(const QString& text);
  void ShowFoundCount(int count);
  void StopSearch();
  void RebuildResultIndex();
  int RowOfNode(const TWebCacheTreeNode* node) const;
  void ShowListPopup(const QPoint& globalPos);
  void ReleaseFinishedThread();
  void OpenCachedFile(const std::string& path);

  TFindWidgets W;
  TFindActions A;
  QString settingsFile_;
  TWebCacheTree* FCacheTree = nullptr;
  std::string StartFolderText_ = "Web Cache";
  std::unique_ptr<TCacheListView> ResultPane_;
  TfrmBrowse* BrowseDialog_ = nullptr;
  std::unique_ptr<TFindThread> SearchThread_;
  // A thread whose end event has run; it is joined once it has returned from it.
  std::unique_ptr<TFindThread> finishedThread_;
  bool SearchActive_ = false;
  bool MatchCase_ = false;
  int DateMode_ = 0;
  int HitCount_ = 0;
  std::vector<TFindItemData> ResultIndex_;
  std::vector<TWebCacheTreeNode*> CopyList_;
  std::string TempFolder_;
  std::vector<std::string> dragFiles_;
  bool Dragging_ = false;
  std::function<void(const std::string&)> PreviousNodeRemoved;
  QMenu* listPopup_ = nullptr;
  int typeListBuilds_ = 0;
};

}  // namespace ui
