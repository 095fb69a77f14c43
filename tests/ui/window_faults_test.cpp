// Faults of the main window that were seen in use: a rubber band started right of
// the last column, the focus after start and refresh, the width of the size panel,
// column widths on a first start, hints with accelerators, the shared Del key, the
// sort arrow, and an empty window when no cache is found.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTreeView>
#include <QTreeWidget>

#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui_fixture.h"

namespace {

class WindowFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
    platform::SetSettingsFolder(settings_.path() + "/");
  }
  void TearDown() override { platform::SetSettingsFolder(""); }

  std::unique_ptr<ui::TfrmMain> MakeWindow(int files) {
    auto source = std::make_unique<uitest::TMemoryCacheSource>(bodies_.path());
    for (int i = 0; i < files; ++i)
      source->Add({"http://h.example.jp/d/f" + std::to_string(i) + ".txt", "text/plain",
                   std::string(182, 'x')});
    auto w = std::make_unique<ui::TfrmMain>(std::move(source));
    w->FormCreate();
    uitest::Pump(20);
    return w;
  }
  static void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, target->mapToGlobal(at),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
  }

  uitest::TempDir settings_;
  uitest::TempDir bodies_;
};

TEST_F(WindowFaultsTest, RubberBandFromTheBlankAreaSelectsTheRowsItCrosses) {
  auto w = MakeWindow(6);
  w->resize(1600, 600);
  uitest::Pump(20);
  ASSERT_NE(w->TreePane()->SelectPath("http://h.example.jp/d/"), nullptr);
  QTreeView* view = w->Ui().lvwCache->DetailsView();
  ASSERT_EQ(view->model()->rowCount(), 6);
  const int blankX = view->header()->length() + 20;
  ASSERT_LT(blankX, view->viewport()->width());
  const int y1 = view->visualRect(view->model()->index(1, 0)).center().y();
  const int y2 = view->visualRect(view->model()->index(2, 0)).center().y();
  QWidget* port = view->viewport();
  Mouse(port, QEvent::MouseButtonPress, {blankX, y1}, Qt::LeftButton);
  // The band ends inside the first column, one row further down.
  Mouse(port, QEvent::MouseMove, {10, y2}, Qt::LeftButton);
  Mouse(port, QEvent::MouseButtonRelease, {10, y2}, Qt::NoButton);
  EXPECT_EQ(w->Ui().lvwCache->SelectedRows(), (std::vector<int>{1, 2}));
}

TEST_F(WindowFaultsTest, FocusAfterStartAndAfterRefresh) {
  auto w = MakeWindow(2);
  EXPECT_TRUE(w->Ui().tvwCache->hasFocus());
  w->Actions().actCacheRefresh->trigger();
  uitest::Pump(20);
  EXPECT_TRUE(w->Ui().tvwCache->hasFocus());
  w->Ui().lvwCache->CurrentView()->setFocus();
  uitest::Pump(20);
  w->Actions().actCacheRefresh->trigger();
  uitest::Pump(20);
  EXPECT_TRUE(w->Ui().lvwCache->CurrentView()->hasFocus());
}

TEST_F(WindowFaultsTest, SizePanelAndFirstStartColumnsFitTheirTexts) {
  {
    auto w = MakeWindow(1);
    ASSERT_NE(w->TreePane()->SelectPath("http://h.example.jp/d/"), nullptr);
    QLabel* size = w->Ui().pnlStatus1;
    EXPECT_EQ(size->text(), QStringLiteral("182 バイト"));
    EXPECT_GE(size->sizeHint().width(),
              size->fontMetrics().horizontalAdvance(size->text()));
    QTreeView* view = w->Ui().lvwCache->DetailsView();
    const QString date = w->Ui().lvwCache->Model()->Item(0).text[5];
    EXPECT_GE(view->columnWidth(5), view->fontMetrics().horizontalAdvance(date));
    view->setColumnWidth(5, 77);
    w->close();  // saves the widths
  }
  auto again = MakeWindow(1);
  ASSERT_NE(again->TreePane()->SelectPath("http://h.example.jp/d/"), nullptr);
  EXPECT_EQ(again->Ui().lvwCache->DetailsView()->columnWidth(5), 77);
}

TEST_F(WindowFaultsTest, HintsSortArrowAndIcons) {
  struct Case {
    const char* caption;
    const char* hint;
  } const cases[] = {{"プロパティ(&R)", "プロパティ"},
                     {"フォルダを指定してコピー(&S)...", "フォルダを指定してコピー..."},
                     {"最新の情報に更新", "最新の情報に更新"},
                     {"A && B", "A & B"}};
  for (const Case& c : cases)
    EXPECT_EQ(ui::HintOf(QString::fromUtf8(c.caption)), QString::fromUtf8(c.hint));
  auto w = MakeWindow(2);
  EXPECT_EQ(w->Actions().actFileShowProperty->toolTip(), QStringLiteral("プロパティ"));
  // Enabled and disabled tool-bar pictures differ.
  const QIcon icon = w->Actions().actCacheRefresh2->icon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_NE(icon.pixmap(22, QIcon::Normal).toImage(), icon.pixmap(22, QIcon::Disabled).toImage());
  // The sort column shows its arrow.
  QHeaderView* header = w->Ui().lvwCache->DetailsView()->header();
  EXPECT_TRUE(header->isSortIndicatorShown());
  w->lvwCacheColumnClick(3);
  EXPECT_EQ(header->sortIndicatorSection(), 3);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  w->lvwCacheColumnClick(3);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(WindowFaultsTest, DelBelongsToOneWindowShortcut) {
  auto w = MakeWindow(2);
  int withDel = 0;
  for (QAction* a : w->actions())
    if (a->shortcut() == QKeySequence(Qt::Key_Delete) && a->shortcutContext() == Qt::WindowShortcut)
      ++withDel;
  EXPECT_EQ(withDel, 1);
  // With the favorites list focused, Del deletes favorites.
  int favoriteDeletes = 0;
  w->SetActionHandler(w->Actions().actFavoritesDelete, [&] { ++favoriteDeletes; });
  w->Ui().lvwFavorites->setFocus();
  uitest::Pump(20);
  w->Actions().actFileDelete->setEnabled(true);
  w->Actions().actFileDelete->trigger();
  EXPECT_EQ(favoriteDeletes, 1);
}

TEST_F(WindowFaultsTest, UpOneLevelAndAnEmptyCacheIsReported) {
  auto w = MakeWindow(0);
  EXPECT_TRUE(w->Ui().pnlStatus0->text().contains(QStringLiteral("見つかりません")))
      << w->Ui().pnlStatus0->text().toStdString();
  auto full = MakeWindow(2);
  ASSERT_NE(full->TreePane()->SelectPath("http://h.example.jp/d/"), nullptr);
  full->Actions().actTreeUpLevel->trigger();
  EXPECT_EQ(full->TreePane()->GetSelectedUrl(), "http://h.example.jp/");
}

}  // namespace
