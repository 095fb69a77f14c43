// The window's drag and clipboard copy, offscreen: what a drag offers (root, folder,
// list selection) and the temporary folder's life, the clipboard copy with its
// desktop formats and rewritten links, a failed copy leaving the clipboard alone, and
// panes that refuse drops.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "cache/netscape_cache.h"
#include "dragdrop_site.h"
#include "platform/files.h"
#include "support/netscape_fixture.h"
#include "tree/web_cache_tree.h"
#include "ui/dragdrop/file_drag_source.h"
#include "ui/dragdrop/main_drag.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui_fixture.h"

namespace fs = std::filesystem;

namespace {

class DragDropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    spec_ = dragsite::Spec();
    fx_ = std::make_unique<thtest::NetscapeFixture>(spec_);
    ASSERT_TRUE(fx_->ok()) << fx_->error();
    platform::SetSettingsFolder(settings_.path() + "/");
    w_ = std::make_unique<ui::TfrmMain>(std::make_unique<TNetscapeCacheSource>(fx_->fatDb()));
    w_->FormCreate();
    QGuiApplication::clipboard()->clear();
  }
  void TearDown() override {
    w_.reset();
    platform::SetSettingsFolder("");
  }
  void SelectInTree(const std::string& url) {
    QTreeWidgetItem* item = url.empty() ? w_->TreePane()->RootItem()
                                        : w_->TreePane()->FindTreeNode(url);
    ASSERT_NE(item, nullptr) << url;
    w_->Ui().tvwCache->setCurrentItem(item);
    w_->Ui().tvwCache->setFocus();
    uitest::Pump(10);
  }
  std::vector<std::string> Offered() const { return w_->Drag().dfsCache->Source().Files; }
  std::string Temp() const { return w_->Drag().FTempFolder.Path(); }

  thtest::NetscapeCacheSpec spec_;
  std::unique_ptr<thtest::NetscapeFixture> fx_;
  uitest::TempDir settings_;
  std::unique_ptr<ui::TfrmMain> w_;
};

}  // namespace

TEST_F(DragDropTest, RootOffersItsChildrenAndEachDragRenewsTheFolder) {
  // Schemes distinguished: the root's children are schemes, whose ':' is escaped.
  if (!w_->Actions().mnuEnableScheme->isChecked()) w_->Actions().mnuEnableScheme->trigger();
  ASSERT_TRUE(w_->CacheTree()->EnableScheme());
  SelectInTree("");
  w_->PrepareDragFiles();
  const std::string first = Temp();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(Offered(), std::vector<std::string>{first + "http$3a"});
  EXPECT_TRUE(fs::is_directory(first));
  EXPECT_TRUE(fs::is_empty(first));  // filled only when the drop is confirmed
  EXPECT_EQ(w_->Drag().FCopyList.Count(), spec_.entries.size());

  SelectInTree(std::string(dragsite::kShop));
  w_->PrepareDragFiles();
  EXPECT_FALSE(fs::exists(first));  // a second drag deletes the first one's folder
  EXPECT_EQ(Offered(), std::vector<std::string>{Temp() + "shop"});
  EXPECT_EQ(w_->Drag().FDragBaseUrl, w_->TreePane()->GetNodeUrl(
                                         w_->Ui().tvwCache->currentItem()->parent()));
  const std::string last = Temp();
  w_.reset();
  EXPECT_FALSE(fs::exists(last));  // closing the window deletes the last one
}

TEST_F(DragDropTest, ClipboardCopyOfAFolderIsABrowsableCopy) {
  SelectInTree(std::string(dragsite::kShop));
  w_->Actions().actFileCopy->trigger();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  const fs::path shop = fs::u8path(platform::HostPath(Temp() + "shop"));
  const QByteArray uri = QUrl::fromLocalFile(QString::fromStdString(shop.string())).toEncoded();
  EXPECT_EQ(data->data("text/uri-list"), uri + "\r\n");
  EXPECT_EQ(data->data("x-special/gnome-copied-files"), "copy\n" + uri);
  EXPECT_EQ(data->data("application/x-kde-cutselection"), "0");
  ASSERT_TRUE(fs::is_directory(shop));
  int checked = 0;
  EXPECT_EQ(dragsite::BrokenLinks(shop, &checked), std::vector<std::string>{});
  EXPECT_GE(checked, 9);
  EXPECT_EQ(dragsite::ReadAll(shop / "img" / "logo.gif"), dragsite::BinaryBody());
  const std::string index = dragsite::ReadAll(shop / "index.html");
  EXPECT_NE(index.find("it's the shop's top page"), std::string::npos);
  EXPECT_NE(index.find("mailto:shop@example.co.jp"), std::string::npos);
  EXPECT_EQ(w_->Ui().pnlStatus0->text().contains(QStringLiteral("テンポラリ")), false);
  EXPECT_TRUE(w_->isEnabled());
}

TEST_F(DragDropTest, ListSelectionIsOfferedByNameFromTheShownFolder) {
  SelectInTree(std::string(dragsite::kShop));
  ui::CacheListControl* list = w_->Ui().lvwCache;
  list->CurrentView()->setFocus();
  uitest::Pump(10);
  QStringList picked;
  for (int row = 0; row < list->Model()->Count(); ++row) {
    const ui::CacheListItem& item = list->Model()->Item(row);
    const bool take = item.text[0] == QStringLiteral("img") || item.text[0] == "item.html";
    list->SetSelected(row, take);
    if (take) picked << item.text[0];
  }
  ASSERT_EQ(picked.size(), 2);
  w_->Actions().actFileCopy->trigger();
  EXPECT_EQ(w_->Drag().FDragBaseUrl, w_->ListPane()->FolderUrl());
  std::vector<std::string> expected;
  for (const QString& name : picked) expected.push_back(Temp() + name.toStdString());
  EXPECT_EQ(Offered(), expected);
  const QList<QUrl> urls = QGuiApplication::clipboard()->mimeData()->urls();
  ASSERT_EQ(urls.size(), 2);
  for (const QUrl& u : urls) EXPECT_TRUE(fs::exists(fs::u8path(u.toLocalFile().toStdString())));
  EXPECT_EQ(dragsite::ReadAll(fs::u8path(platform::HostPath(Temp())) / "img" / "logo.gif"),
            dragsite::BinaryBody());
}

TEST_F(DragDropTest, FailedCopyLeavesTheClipboardAloneAndFavoritesCopyNothing) {
  SelectInTree(std::string(dragsite::kShop));
  // The temporary folder has become a file: the copy fails with its message.
  w_->PrepareDragFiles();
  const fs::path dir = fs::u8path(platform::HostPath(Temp())).parent_path();
  fs::remove(dir);
  std::ofstream(dir) << "in the way";
  ASSERT_TRUE(fs::is_regular_file(dir));
  QString shown;
  QTimer::singleShot(0, [&shown] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->windowTitle();
      box->accept();
    }
  });
  bool go = true;
  w_->dfsCacheDrop(dtCopy, go);
  fs::remove(dir);
  fs::create_directory(dir);
  EXPECT_FALSE(go);
  EXPECT_EQ(shown, QStringLiteral("フォルダの作成"));
  EXPECT_TRUE(w_->isEnabled());

  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  w_->Ui().lvwFavorites->setFocus();
  uitest::Pump(10);
  w_->actFileCopyExecute();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(DragDropTest, PanesRefuseDrops) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(fx_->fatDb()))});
  for (QWidget* pane : {static_cast<QWidget*>(w_->Ui().tvwCache),
                        static_cast<QWidget*>(w_->Ui().lvwCache)}) {
    EXPECT_TRUE(pane->acceptDrops()) << pane->objectName().toStdString();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(pane, &enter);
    EXPECT_FALSE(enter.isAccepted()) << pane->objectName().toStdString();
    EXPECT_EQ(enter.dropAction(), Qt::IgnoreAction);
  }
}
