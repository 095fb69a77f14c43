// The find window on a small cache held in memory (bodies are real files): sizes and
// captions, find.dat, the criteria's enabling and errors, a search started, stopped
// and restarted, the type list, the browse dialog, deleting hits, the flat copy of
// the drag and the clipboard, and the main window's find command.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <thread>

#include "find/find_engine.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/confirm_delete_dialog.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/dragdrop/file_drag_source.h"
#include "ui/find/browse_dialog.h"
#include "ui/find/find_window.h"
#include "ui/find/number_edit.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_text.h"
#include "ui_fixture.h"

namespace {

using ui::TfrmFind;
using uitest::MemoryEntry;

constexpr std::int64_t kDay = 86400;

// Keys as typed: each character goes to the widget (and on to its parents when the
// widget leaves it).
void Type(QWidget* w, const QString& text, int key = 0) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
  }
}
constexpr std::int64_t kT0 = 978307200;  // 2001-01-01

// Pages as they come off real sites: a mixed-case host, a query, an anchor, a
// percent-escaped Shift_JIS path, a comment with an apostrophe.
void AddMessySite(uitest::TMemoryCacheSource& s) {
  s.Add({"http://WWW.Example.COM/index.html", "text/html",
         "<html><head><title>Top</title><!-- don't cache --></head>"
         "<a href=\"list.cgi?page=2#top\">next</a></html>",
         kT0});
  s.Add({"http://www.example.com/list.cgi?page=2", "text/html", "<title>Page 2</title>", kT0});
  s.Add({"http://www.example.com/%83e%83X%83g/report.txt", "text/plain", "quarterly report",
         kT0 + kDay});
  s.Add({"http://www.example.com/img/logo.gif", "image/gif", "old logo", kT0});
  s.Add({"http://other.example.org/art/logo.gif", "image/gif", "new logo", kT0 + 5 * kDay});
  s.Add({"http://other.example.org/art/photo.jpg", "image/jpeg", std::string(3000, 'j'), kT0});
}

class FindWindowTest : public uitest::WithApp, public ::testing::Test {
 protected:
  void SetUp() override {
    auto source = std::make_unique<uitest::TMemoryCacheSource>(bodies_.path());
    source_ = source.get();
    AddMessySite(*source);
    tree_ = std::make_unique<TWebCacheTree>(std::move(source));
    tree_->SetSettingsReadOnly(true);
    tree_->Refresh();
    oldMessage_ = ui::SetMessageHook(
        [this](const QString& text, const QString& caption, QMessageBox::Icon) {
          messages_ << caption + QStringLiteral("|") + text;
        });
    window_ = std::make_unique<TfrmFind>(nullptr, Settings());
    window_->SetSearchStart(tree_.get(), "");
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    ui::SetMessageHook(oldMessage_);
  }

  QString Settings() const { return QString::fromStdString(settings_.File("find.dat")); }

  // Starts a search and waits for its end.
  void Search(const QString& name, const QString& contains = {}) {
    window_->Ui().edtFileName->setText(name);
    window_->Ui().edtContains->setText(contains);
    window_->btnBeginClick();
    WaitForEnd();
  }
  void WaitForEnd() {
    for (int i = 0; i < 2000 && window_->SearchThread(); ++i) uitest::Pump(5);
    ASSERT_EQ(window_->SearchThread(), nullptr);
  }
  QStringList HitNames() const {
    QStringList names;
    const ui::CacheListModel* m = window_->Ui().lvwList->Model();
    for (int r = 0; r < m->Count(); ++r) names << m->Item(r).text[0];
    names.sort();
    return names;
  }
  int RowOf(const QString& name, const QString& folder = {}) const {
    const ui::CacheListModel* m = window_->Ui().lvwList->Model();
    for (int r = 0; r < m->Count(); ++r)
      if (m->Item(r).text[0] == name && (folder.isEmpty() || m->Item(r).text[1] == folder))
        return r;
    return -1;
  }

  uitest::TempDir bodies_, settings_;
  uitest::TMemoryCacheSource* source_ = nullptr;
  std::unique_ptr<TWebCacheTree> tree_;
  std::unique_ptr<TfrmFind> window_;
  QStringList messages_;
  ui::TMessageHook oldMessage_;
};

TEST_F(FindWindowTest, HeldAt215UntilTheFirstSearchThen343AndFree) {
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("検索: 条件 = すべてのファイル"));
  EXPECT_EQ(window_->height(), 215);
  window_->resize(700, 400);
  EXPECT_EQ(window_->height(), 215);
  EXPECT_EQ(window_->width(), 700);
  window_->resize(300, 215);
  EXPECT_EQ(window_->width(), 581);
  EXPECT_FALSE(window_->Ui().StatusBar->isVisible());

  Search(QStringLiteral("logo"));
  EXPECT_EQ(window_->height(), 343);
  EXPECT_TRUE(window_->Ui().StatusBar->isVisible());
  window_->resize(700, 500);
  EXPECT_EQ(window_->height(), 500);
  window_->resize(700, 100);
  EXPECT_EQ(window_->height(), 215);
}

TEST_F(FindWindowTest, CaptionDescribesTextAndName) {
  struct Case {
    const char* contains;
    const char* name;
    const char* caption;
  };
  const Case cases[] = {
      {"abc", "x", "検索: 条件 = abc を含む、x というファイル名"},
      {"", "x", "検索: 条件 = x というファイル名"},
      {"abc", "", "検索: 条件 = abc を含む"},
      {"  ", "", "検索: 条件 = すべてのファイル"},
  };
  for (const Case& c : cases) {
    Search(QString::fromUtf8(c.name), QString::fromUtf8(c.contains));
    EXPECT_EQ(window_->windowTitle(), QString::fromUtf8(c.caption)) << c.contains << c.name;
  }
}

TEST_F(FindWindowTest, SearchFindsMessyNamesAndReportsTheCount) {
  Search(QStringLiteral("LOGO;report"));
  EXPECT_EQ(HitNames(), (QStringList{"logo.gif", "logo.gif", "report.txt"}));
  EXPECT_EQ(window_->HitCount(), 3);
  EXPECT_EQ(window_->StatusText(), QString());
  EXPECT_EQ(window_->Ui().pnlStatus0->text(), QStringLiteral("3 個のファイルが見つかりました。"));
  // The Shift_JIS folder shows decoded in the folder column.
  const int row = RowOf(QStringLiteral("report.txt"));
  ASSERT_GE(row, 0);
  EXPECT_TRUE(window_->Ui().lvwList->Model()->Item(row).text[1].contains(QStringLiteral("テスト")))
      << window_->Ui().lvwList->Model()->Item(row).text[1].toStdString();
  // The index is sorted by URL ignoring case and holds every hit.
  ASSERT_EQ(window_->ResultIndex().size(), 3u);
  for (std::size_t i = 1; i < window_->ResultIndex().size(); ++i)
    EXPECT_LT(platform::AnsiCompareText(window_->ResultIndex()[i - 1].Url,
                                        window_->ResultIndex()[i].Url),
              0);
  // Text inside the cached page, case ignored by default.
  Search({}, QStringLiteral("QUARTERLY"));
  EXPECT_EQ(HitNames(), QStringList{"report.txt"});
}

TEST_F(FindWindowTest, HitsInArrivalOrderShowNoSortArrowUntilSorted) {
  QHeaderView* header = window_->Ui().lvwList->DetailsView()->header();
  Search(QStringLiteral("o"));
  ASSERT_GE(window_->HitCount(), 3);
  EXPECT_FALSE(header->isSortIndicatorShown());
  window_->lvwListColumnClick(3);  // size
  EXPECT_TRUE(header->isSortIndicatorShown());
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  const ui::CacheListModel* m = window_->Ui().lvwList->Model();
  for (int r = 1; r < m->Count(); ++r) EXPECT_LE(m->Item(r - 1).size, m->Item(r).size);
  // The next search lists its hits as they come again.
  Search(QStringLiteral("logo"));
  EXPECT_FALSE(header->isSortIndicatorShown());
}

TEST_F(FindWindowTest, CriteriaErrorsLeaveTheWindowInEntry) {
  window_->Ui().edtFolder->setText(QStringLiteral("  http://nowhere.example/  "));
  window_->Ui().cbxFunc->setCurrentIndex(1);  // "以下" without a value: not checked yet
  window_->btnBeginClick();
  EXPECT_EQ(messages_, QStringList{QStringLiteral("検索開始エラー|探す場所が存在しません。")});
  EXPECT_EQ(window_->Ui().edtFolder->text(), QStringLiteral("http://nowhere.example/"));
  EXPECT_EQ(window_->Ui().PageControl1->currentWidget(), window_->Ui().TabName);
  EXPECT_EQ(window_->SearchThread(), nullptr);
  EXPECT_FALSE(window_->SearchActive());
  EXPECT_TRUE(window_->Ui().btnBegin->isEnabled());
  EXPECT_TRUE(window_->Ui().edtFileName->isEnabled());
  EXPECT_EQ(window_->height(), 215);

  messages_.clear();
  window_->Ui().edtFolder->setText(QStringLiteral("Web Cache"));
  window_->btnBeginClick();
  EXPECT_EQ(messages_, QStringList{QStringLiteral("検索開始エラー|サイズが入力されていません。")});
  EXPECT_EQ(window_->Ui().PageControl1->currentWidget(), window_->Ui().TabSize);
  EXPECT_EQ(window_->SearchThread(), nullptr);
}

TEST_F(FindWindowTest, SearchStoppedKeepsItsHitsAndRestartsInFull) {
  // Enough files that the walk (1 ms per node) is still running when stopped.
  for (int i = 0; i < 250; ++i)
    source_->Add({"http://bulk.example.com/d" + std::to_string(i / 50) + "/page" +
                      std::to_string(i) + ".html",
                  "text/html", "<title>p</title>", kT0});
  tree_->Refresh();
  window_->Ui().edtFileName->setText(QStringLiteral("page"));
  window_->btnBeginClick();
  ASSERT_NE(window_->SearchThread(), nullptr);
  EXPECT_FALSE(window_->Ui().btnBegin->isEnabled());
  EXPECT_TRUE(window_->Ui().btnPause->isEnabled());
  EXPECT_FALSE(window_->Ui().edtFileName->isEnabled());
  EXPECT_FALSE(window_->Ui().dtpBegin->isEnabled());
  for (int i = 0; i < 400 && window_->HitCount() < 5; ++i) uitest::Pump(5);
  EXPECT_FALSE(window_->StatusText().isEmpty());  // "... を検索中..." while walking
  window_->Ui().btnPause->click();
  WaitForEnd();
  const int stopped = window_->HitCount();
  EXPECT_GE(stopped, 5);
  EXPECT_LT(stopped, 250);
  EXPECT_EQ(window_->Ui().lvwList->Model()->Count(), stopped);
  EXPECT_TRUE(window_->Ui().btnBegin->isEnabled());
  EXPECT_FALSE(window_->Ui().btnPause->isEnabled());
  EXPECT_TRUE(window_->Ui().edtFileName->isEnabled());
  EXPECT_EQ(window_->Ui().pnlStatus0->text(),
            QStringLiteral("%1 個のファイルが見つかりました。").arg(stopped));

  window_->btnBeginClick();
  WaitForEnd();
  // The restarted search lists every hit the engine finds when run to its end.
  TFindThread engine;
  auto data = std::make_unique<TFindData>();
  data->AddName("page");
  data->StartNode = tree_->Root();
  engine.SetCriteria(std::move(data));
  engine.PausePerNode = std::chrono::microseconds(0);
  int all = 0;
  engine.OnFound = [&all](TFindThread&, TWebCacheTreeNode*) { ++all; };
  engine.Execute();
  EXPECT_GE(all, 250);
  EXPECT_EQ(window_->HitCount(), all);
  EXPECT_EQ(window_->Ui().lvwList->Model()->Count(), all);
}

TEST_F(FindWindowTest, ClosingStopsTheSearch) {
  for (int i = 0; i < 300; ++i)
    source_->Add({"http://bulk.example.com/f" + std::to_string(i) + ".txt", "text/plain", "b", kT0});
  tree_->Refresh();
  window_->btnBeginClick();
  ASSERT_NE(window_->SearchThread(), nullptr);
  uitest::Pump(30);
  Type(window_->Ui().edtFileName, QString(QChar(0x1b)), Qt::Key_Escape);
  EXPECT_FALSE(window_->isVisible());
  // Stopped, and its end event has run.
  EXPECT_EQ(window_->SearchThread(), nullptr);
  EXPECT_TRUE(window_->Ui().btnBegin->isEnabled());
}

TEST_F(FindWindowTest, TypeListIsBuiltOnceOnTheFirstVisit) {
  EXPECT_EQ(window_->Ui().lvwType->topLevelItemCount(), 0);
  window_->Ui().PageControl1->setCurrentWidget(window_->Ui().TabType);
  QStringList captions;
  for (int i = 0; i < window_->Ui().lvwType->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = window_->Ui().lvwType->topLevelItem(i);
    captions << row->text(0);
    EXPECT_EQ(row->checkState(0), Qt::Checked);
    EXPECT_FALSE(row->text(1).isEmpty());
  }
  // Sorted by caption; one row per lower-cased extension.
  EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end()));
  EXPECT_TRUE(captions.contains(QStringLiteral(".gif")));
  EXPECT_TRUE(captions.contains(QStringLiteral(".html")));
  EXPECT_EQ(captions.count(QStringLiteral(".gif")), 1);

  source_->Add({"http://late.example.com/a.mp3", "audio/mpeg", "m", kT0});
  tree_->Refresh();
  window_->Ui().PageControl1->setCurrentWidget(window_->Ui().TabName);
  window_->Ui().PageControl1->setCurrentWidget(window_->Ui().TabType);
  EXPECT_EQ(window_->TypeListBuilds(), 1);
  EXPECT_EQ(window_->Ui().lvwType->topLevelItemCount(), captions.size());

  // Unchecking .gif leaves it out of the search.
  for (int i = 0; i < window_->Ui().lvwType->topLevelItemCount(); ++i)
    if (window_->Ui().lvwType->topLevelItem(i)->text(0) == QStringLiteral(".gif"))
      window_->Ui().lvwType->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
  Search(QStringLiteral("o"));
  EXPECT_FALSE(HitNames().contains(QStringLiteral("logo.gif")));
  EXPECT_TRUE(HitNames().contains(QStringLiteral("photo.jpg")));
  // Nothing checked is an error on the types page.
  window_->Ui().btnClear->click();
  window_->btnBeginClick();
  EXPECT_EQ(messages_.last(), QStringLiteral("検索開始エラー|種類が選択されていません。"));
  EXPECT_EQ(window_->Ui().PageControl1->currentWidget(), window_->Ui().TabType);
}

TEST_F(FindWindowTest, InputHelpersEnableAndFilter) {
  int beeps = 0;
  ui::TBeepHook old = ui::SetBeepHook([&beeps] { ++beeps; });
  QLineEdit* size = window_->Ui().edtSizeBegin;
  window_->Ui().PageControl1->setCurrentWidget(window_->Ui().TabSize);
  Type(size, QStringLiteral("1a2-3456"));
  EXPECT_EQ(size->text(), QStringLiteral("1234"));  // at most four characters
  EXPECT_EQ(beeps, 2);
  ui::SetBeepHook(old);

  // Date radio buttons: which controls each one enables.
  struct Case {
    QRadioButton* radio;
    bool pickers, month, day;
  };
  const auto& w = window_->Ui();
  const Case cases[] = {{w.rbtDateAll, false, false, false},
                        {w.rbtDateSelect, true, false, false},
                        {w.rbtDateMonth, false, true, false},
                        {w.rbtDateDay, false, false, true}};
  for (int tag = 0; tag < 4; ++tag) {
    cases[tag].radio->click();
    EXPECT_EQ(window_->DateMode(), tag);
    EXPECT_EQ(w.dtpBegin->isEnabled(), cases[tag].pickers) << tag;
    EXPECT_EQ(w.dtpEnd->isEnabled(), cases[tag].pickers) << tag;
    EXPECT_EQ(w.edtDateMonth->isEnabled(), cases[tag].month) << tag;
    EXPECT_EQ(w.edtDateDay->isEnabled(), cases[tag].day) << tag;
  }
  for (int item = 0; item < 4; ++item) {
    w.cbxFunc->setCurrentIndex(item);
    EXPECT_EQ(w.edtSizeEnd->isEnabled(), item == 3) << item;
  }
  // The up-down steps within its limits from an empty edit.
  w.edtDateDay->clear();
  w.udDateDay->Step(-1);
  EXPECT_EQ(w.edtDateDay->text(), QStringLiteral("999"));
  w.udDateDay->Step(1);
  EXPECT_EQ(w.edtDateDay->text(), QStringLiteral("999"));
}

TEST_F(FindWindowTest, NewQueryAsksAndResetsTheFolder) {
  window_->Ui().edtFolder->setText(QStringLiteral("http://www.example.com/img/"));
  Search(QStringLiteral("logo"));
  ASSERT_EQ(window_->HitCount(), 1);
  QString asked;
  TfrmFind::TQuestionHook old = TfrmFind::SetQuestionHook(
      [&asked](const QString& text, const QString& caption) {
        asked = caption + QStringLiteral("|") + text;
        return 2;
      });
  window_->btnNewQueryClick();
  EXPECT_EQ(asked, QStringLiteral("検索: 条件 = logo というファイル名|現在の検索をクリアします。"));
  EXPECT_EQ(window_->Ui().edtFolder->text(), QStringLiteral("http://www.example.com/img/"));
  EXPECT_EQ(window_->Ui().lvwList->Model()->Count(), 1);

  TfrmFind::SetQuestionHook([](const QString&, const QString&) { return 1; });
  window_->btnNewQueryClick();
  TfrmFind::SetQuestionHook(old);
  EXPECT_EQ(window_->Ui().edtFolder->text(), QStringLiteral("Web Cache"));
  EXPECT_EQ(window_->Ui().edtFileName->text(), QString());
  EXPECT_EQ(window_->Ui().lvwList->Model()->Count(), 0);
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("検索: 条件 = すべてのファイル"));
  EXPECT_EQ(window_->height(), 215);
  EXPECT_FALSE(window_->Ui().StatusBar->isVisible());
}

TEST_F(FindWindowTest, FindDatKeepsTheListSettings) {
  window_->resize(640, 215);
  window_->Ui().lvwList->SetColumnWidth(2, 222);
  window_->lvwListColumnClick(3);  // size, ascending
  window_->lvwListColumnClick(3);  // the same column flips the order
  window_->ExecuteViewStyle(1);
  window_->Actions().mnuIgnoreCase->trigger();
  EXPECT_TRUE(window_->MatchCase());
  EXPECT_TRUE(window_->Actions().actListArrangeIconAuto->isEnabled());
  window_.reset();

  platform::IniFile ini(Settings().toStdString());
  EXPECT_EQ(ini.ReadInteger("General", "Width", 0), 640);
  EXPECT_TRUE(ini.ReadBool("General", "IgnoreCase", false));
  EXPECT_EQ(ini.ReadInteger("List", "Col03", 0), 222);
  EXPECT_EQ(ini.ReadInteger("List", "SortType", 0), ui::stSize);
  EXPECT_EQ(ini.ReadInteger("List", "SortOrder", 0), 1);
  EXPECT_EQ(ini.ReadInteger("List", "ViewStyle", 0), 1);

  // Read back; a ViewStyle out of range leaves the details view.
  ini.WriteInteger("List", "ViewStyle", 7);
  TfrmFind again(nullptr, Settings());
  EXPECT_EQ(again.width(), 640);
  EXPECT_TRUE(again.MatchCase());
  EXPECT_TRUE(again.Actions().mnuIgnoreCase->isChecked());
  EXPECT_EQ(again.Ui().lvwList->ColumnWidth(2), 222);
  EXPECT_EQ(again.ResultPane()->SortType(), ui::stSize);
  EXPECT_EQ(again.ResultPane()->SortOrder(), 1);
  EXPECT_EQ(again.Ui().lvwList->ViewStyle(), ui::TViewStyle::Report);
  EXPECT_TRUE(again.Actions().actListDetailIcon->isChecked());
  EXPECT_FALSE(again.Actions().actListArrangeIconAuto->isEnabled());
}

TEST_F(FindWindowTest, BrowseDialogStartsAtTheTextAndReturnsTheFolderUrl) {
  window_->Ui().edtFolder->setText(QStringLiteral("http://other.example.org/art/"));
  QString picked;
  QTimer::singleShot(0, [this, &picked] {
    ui::TfrmBrowse* browse = window_->BrowseDialog();
    ASSERT_NE(browse, nullptr);
    picked = ui::ToQ(browse->GetBrowseResult());
    // Up to the root: "Web Cache".
    browse->FolderTree()->setCurrentItem(browse->FolderTree()->topLevelItem(0));
    browse->OkButton()->click();
  });
  window_->btnBrowseClick();
  EXPECT_EQ(picked, QStringLiteral("http://other.example.org/art/"));
  EXPECT_EQ(window_->Ui().edtFolder->text(), QStringLiteral("Web Cache"));
}

TEST_F(FindWindowTest, DeletingHitsFollowsThroughThePreviousHandler) {
  std::vector<std::string> removed;
  tree_->OnNodeRemoved = [&removed](const std::string& url) { removed.push_back(url); };
  window_->Ui().edtFolder->setText(QStringLiteral("http://other.example.org/"));
  Search({});
  // The folder "art" and its two files.
  ASSERT_EQ(HitNames(), (QStringList{"art", "logo.gif", "photo.jpg"}));
  window_->Ui().lvwList->SetSelected(RowOf(QStringLiteral("photo.jpg")), true);
  EXPECT_TRUE(window_->Actions().actFileDelete->isEnabled());
  QTimer::singleShot(0, [] {
    auto* confirm = qobject_cast<ui::TfrmConfirmDelete*>(QApplication::activeModalWidget());
    ASSERT_NE(confirm, nullptr);
    confirm->YesButton()->click();
  });
  window_->actFileDeleteExecute();
  EXPECT_EQ(HitNames(), (QStringList{"art", "logo.gif"}));
  EXPECT_EQ(window_->Ui().pnlStatus0->text(), QStringLiteral("2 個のファイルが見つかりました。"));
  EXPECT_EQ(removed, std::vector<std::string>{"http://other.example.org/art/photo.jpg"});
  EXPECT_EQ(tree_->FindNodeByUrl("http://other.example.org/art/photo.jpg"), nullptr);
  ASSERT_TRUE(tree_->OnNodeRemoved);  // the previous handler is back

  // The folder: its file and, left empty, the host go too; every row of them leaves.
  window_->Ui().lvwList->Selection()->clearSelection();
  window_->Ui().lvwList->SetSelected(RowOf(QStringLiteral("art")), true);
  QTimer::singleShot(0, [] {
    auto* confirm = qobject_cast<ui::TfrmConfirmDelete*>(QApplication::activeModalWidget());
    ASSERT_NE(confirm, nullptr);
    confirm->YesButton()->click();
  });
  window_->actFileDeleteExecute();
  EXPECT_EQ(HitNames(), QStringList());
  EXPECT_EQ(window_->ResultIndex().size(), 0u);
  EXPECT_EQ(window_->Ui().pnlStatus0->text(), QStringLiteral("0 個のファイルが見つかりました。"));
  EXPECT_EQ(removed.size(), 4u);  // photo, logo, art/, the host
}

TEST_F(FindWindowTest, TwoHitsOfOneNameCopyTheNewerFile) {
  Search(QStringLiteral("logo;report;index"));
  ASSERT_EQ(window_->HitCount(), 4);
  window_->Ui().lvwList->SelectAll();
  window_->PrepareFindDrag();
  ASSERT_EQ(window_->CopyList().size(), 3u);
  ASSERT_FALSE(window_->TempFolder().empty());
  const std::vector<std::string> expected = {window_->TempFolder() + "index.html",
                                             window_->TempFolder() + "logo.gif",
                                             window_->TempFolder() + "report.txt"};
  EXPECT_EQ(window_->DragFiles(), expected);
  TDropFileSource& source = window_->Ui().dfsList->Source();
  EXPECT_EQ(source.Files, expected);
  // A target takes the data after the drop: the copy runs then.
  bool go = false;
  source.OnDrop(source, dtCopy, go);
  ASSERT_TRUE(go);
  EXPECT_EQ(uitest::ReadFile(expected[1]), "new logo");
  EXPECT_EQ(uitest::ReadFile(expected[2]), "quarterly report");
  // The page went through the link rewriter; the query link keeps pointing at a file.
  const std::string page = uitest::ReadFile(expected[0]);
  EXPECT_NE(page.find("don't cache"), std::string::npos);
  EXPECT_EQ(page.find("list.cgi?page=2"), std::string::npos) << page;
  // The file carries the cached date.
  platform::FILETIME written = 0;
  ASSERT_TRUE(platform::GetFileLastWriteTime(expected[1], written));
  EXPECT_EQ(platform::FileTimeToUnixSeconds(written), kT0 + 5 * kDay);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('\n').toStdString();

  // The clipboard copy offers the same files.
  window_->actFileCopyExecute();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->urls().size(), 3);
  EXPECT_TRUE(data->urls()[1].toLocalFile().endsWith(QStringLiteral("/logo.gif")));
  const std::string temp = window_->TempFolder();
  window_.reset();
  EXPECT_FALSE(platform::DirectoryExists(temp));  // removed with the window
}

TEST_F(FindWindowTest, FolderHitsCopyBelowTheirNameAndFailuresStop) {
  window_->Ui().edtFolder->setText(QStringLiteral("http://other.example.org/"));
  Search(QStringLiteral("art"));
  ASSERT_EQ(HitNames(), QStringList{"art"});
  window_->Ui().lvwList->SelectAll();
  window_->PrepareFindDrag();
  ASSERT_TRUE(window_->dfsListDrop());
  EXPECT_EQ(uitest::ReadFile(window_->TempFolder() + "art/logo.gif"), "new logo");
  EXPECT_EQ(uitest::ReadFile(window_->TempFolder() + "art/photo.jpg").size(), 3000u);

  // A cached body that has gone: the stop message, and the drop fails.
  std::filesystem::remove(
      tree_->FindNodeByUrl("http://other.example.org/art/logo.gif")->EntryInfo().LocalFileName);
  window_->PrepareFindDrag();
  bool go = true;
  window_->Ui().dfsList->Source().OnDrop(window_->Ui().dfsList->Source(), dtCopy, go);
  EXPECT_FALSE(go);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("ファイルのコピー|ファイルのコピーに失敗しました。")))
      << messages_[0].toStdString();
  EXPECT_EQ(window_->Ui().pnlStatus0->text(), QStringLiteral("1 個のファイルが見つかりました。"));
  EXPECT_TRUE(window_->isEnabled());
}

TEST_F(FindWindowTest, OpeningAFolderBeepsAndAFileOpensItsBody) {
  int beeps = 0;
  ui::TBeepHook oldBeep = ui::SetBeepHook([&beeps] { ++beeps; });
  std::string opened;
  TfrmFind::TOpenHook oldOpen = TfrmFind::SetOpenHook([&opened](const std::string& p) { opened = p; });
  window_->Ui().edtFolder->setText(QStringLiteral("http://other.example.org/"));
  Search({});
  window_->Ui().lvwList->SetSelected(RowOf(QStringLiteral("art")), true);
  window_->lvwListDblClick();
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(opened, "");
  window_->Ui().lvwList->Selection()->clearSelection();
  window_->Ui().lvwList->SetSelected(RowOf(QStringLiteral("photo.jpg")), true);
  window_->lvwListDblClick();
  EXPECT_EQ(opened,
            tree_->FindNodeByUrl("http://other.example.org/art/photo.jpg")->EntryInfo().LocalFileName);
  ui::SetBeepHook(oldBeep);
  TfrmFind::SetOpenHook(oldOpen);
}

// The main window opens the find window once per selected folder, in order.
TEST(MainFindTest, OneModalFindWindowPerSelectedFolder) {
  uitest::App();
  uitest::TempDir bodies, settings;
  platform::SetSettingsFolder(settings.path() + "/");
  {
    ui::TfrmMain main(uitest::MakeSampleSource(bodies.path()));
    main.FormCreate();
    main.TreePane()->SelectPath("http://www.example.com/docs/");
    main.ShowSelectedFolder();
    ui::CacheListControl* list = main.Ui().lvwCache;
    // The folder "api" and the files beside it: only the folder is searched.
    for (int r = 0; r < list->Model()->Count(); ++r) list->SetSelected(r, true);
    main.activateWindow();
    list->CurrentView()->setFocus();
    uitest::Pump(20);
    std::vector<std::string> starts;
    std::function<void()> closeNext = [&] {
      auto* find = qobject_cast<ui::TfrmFind*>(QApplication::activeModalWidget());
      if (!find) return;
      starts.push_back(ui::FromQ(find->Ui().edtFolder->text()));
      QTimer::singleShot(0, closeNext);
      find->close();
    };
    QTimer::singleShot(0, closeNext);
    main.actCacheFindExecute();
    EXPECT_EQ(starts, std::vector<std::string>{"http://www.example.com/docs/api/"});

    // Two hosts selected: one window each, in list order.
    main.TreePane()->SelectPath("http://");
    main.ShowSelectedFolder();
    starts.clear();
    for (int r = 0; r < list->Model()->Count(); ++r) list->SetSelected(r, true);
    list->CurrentView()->setFocus();
    ASSERT_EQ(list->SelectedCount(), 2);
    QTimer::singleShot(0, closeNext);
    main.actCacheFindExecute();
    EXPECT_EQ(starts, (std::vector<std::string>{"http://news.example.org/",
                                                "http://www.example.com/"}));
  }
  platform::SetSettingsFolder("");
}

}  // namespace

// A picture of the window with hits for the documentation.  Disabled in the normal run:
//   TH_SHOT_DIR=docs th_ui_tests --gtest_also_run_disabled_tests --gtest_filter='FindShots.*'
TEST(FindShots, DISABLED_WindowWithHits) {
  const char* dir = std::getenv("TH_SHOT_DIR");
  ASSERT_NE(dir, nullptr);
  uitest::App();
  uitest::TempDir bodies, settings;
  auto source = uitest::MakeSampleSource(bodies.path());
  AddMessySite(*source);
  TWebCacheTree tree(std::move(source));
  tree.SetSettingsReadOnly(true);
  tree.Refresh();
  TfrmFind window(nullptr, QString::fromStdString(settings.File("find.dat")));
  window.SetSearchStart(&tree, "");
  window.show();
  window.Ui().edtFileName->setText(QStringLiteral("html;gif"));
  window.btnBeginClick();
  for (int i = 0; i < 1000 && window.SearchThread(); ++i) uitest::Pump(5);
  ASSERT_EQ(window.SearchThread(), nullptr);
  ASSERT_GT(window.HitCount(), 0);
  window.resize(720, 343);
  window.Ui().lvwList->DetailsView()->resizeColumnToContents(1);
  window.Ui().lvwList->SetSelected(0, true);
  uitest::Pump(300);
  const QString file = QString::fromUtf8(dir) + QStringLiteral("/screenshot-find.png");
  EXPECT_TRUE(window.grab().save(file, "PNG"));
}
