// The two pane controllers on their own controls: item order, the type and title
// caches, removal of items, the tree rooted at a URL, and the desktop's type names.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "platform/codepage.h"
#include "platform/file_time.h"
#include "tree/web_cache_tree.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"
#include "ui_fixture.h"

namespace {

using ui::CacheListItem;
using ui::CompareItems;

CacheListItem Item(const char* name, bool folder, std::uint32_t size, std::int64_t unixTime,
                   const char* title = "") {
  CacheListItem item;
  item.folder = folder;
  item.ansiCaption = name;
  item.text[0] = QString::fromUtf8(name);
  item.text[2] = QString::fromUtf8(title);
  item.size = size;
  item.time = platform::UnixSecondsToFileTime(unixTime);
  return item;
}

std::vector<std::string> SortedNames(std::vector<CacheListItem> items, int order, int key) {
  ui::PrepareSortKeys(items, key);
  std::stable_sort(items.begin(), items.end(), [&](const auto& a, const auto& b) {
    return CompareItems(a, b, order, key) < 0;
  });
  std::vector<std::string> names;
  for (const auto& i : items) names.push_back(i.ansiCaption);
  return names;
}

TEST(CompareItemsTest, KeysOrdersAndTieBreaks) {
  uitest::App();
  std::vector<CacheListItem> items = {
      Item("b.html", false, 10, 1000, "Zeta"), Item("A.html", false, 10, 2000, "alpha"),
      Item("dir", true, 0, 500), Item("c.gif", false, 5, 3000),
      Item("a.html", false, 10, 4000)};
  // Name: ignoring case; equal names newest first; folders first.
  EXPECT_EQ(SortedNames(items, 0, ui::stName),
            (std::vector<std::string>{"dir", "a.html", "A.html", "b.html", "c.gif"}));
  // Descending reverses everything, the folder included.
  EXPECT_EQ(SortedNames(items, 1, ui::stName),
            (std::vector<std::string>{"c.gif", "b.html", "A.html", "a.html", "dir"}));
  // Size, then name, then newest first.
  EXPECT_EQ(SortedNames(items, 0, ui::stSize),
            (std::vector<std::string>{"dir", "c.gif", "a.html", "A.html", "b.html"}));
  // Date: newest first in ascending order.
  EXPECT_EQ(SortedNames(items, 0, ui::stDate),
            (std::vector<std::string>{"dir", "a.html", "c.gif", "A.html", "b.html"}));
  // Title: untitled files first among files, ordered by name.
  EXPECT_EQ(SortedNames(items, 0, ui::stTitle),
            (std::vector<std::string>{"dir", "a.html", "c.gif", "A.html", "b.html"}));
  // An unknown key compares equal and keeps the order.
  EXPECT_EQ(CompareItems(items[0], items[2], 0, 6), 0);
}

TEST(CompareItemsTest, SizesFarApartDoNotWrapAround) {
  uitest::App();
  std::vector<CacheListItem> items = {Item("big", false, 0xF0000000u, 0),
                                      Item("small", false, 1, 0)};
  EXPECT_EQ(SortedNames(items, 0, ui::stSize), (std::vector<std::string>{"small", "big"}));
}

class ListPaneTest : public uitest::WithApp, public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    tree_ = std::make_unique<TWebCacheTree>(uitest::MakeSampleSource(bodies_.path()));
    tree_->Refresh();
    pane_.SetListView(&control_);
    pane_.SetCacheTree(tree_.get());
  }
  QStringList Names() const {
    QStringList names;
    for (int r = 0; r < control_.Model()->Count(); ++r)
      names << control_.Model()->Item(r).text[0];
    return names;
  }
  uitest::TempDir bodies_;
  std::unique_ptr<TWebCacheTree> tree_;
  ui::CacheListControl control_;
  ui::TCacheListView pane_;
};

TEST_F(ListPaneTest, TitlesAreParsedOncePerModel) {
  pane_.SetFolder("http://www.example.com/docs/api/ref/");
  ASSERT_EQ(control_.Model()->Count(), 1);
  // Upper-case type with a charset parameter still counts as HTML.
  EXPECT_EQ(control_.Model()->Item(0).text[2], QStringLiteral("Reference"));
  const int parsed = pane_.TitlesParsed();
  EXPECT_EQ(parsed, 1);
  pane_.SetFolder("http://www.example.com/docs/");
  pane_.SetFolder("http://www.example.com/docs/api/ref/");
  pane_.SetSort(1, ui::stTitle);
  EXPECT_EQ(pane_.TitlesParsed(), 2);  // guide.html once, part.html not again
  EXPECT_EQ(pane_.TitleCacheSize(), 2u);
  // A different model starts the title cache afresh.
  TWebCacheTree other(uitest::MakeSampleSource(bodies_.path()));
  other.Refresh();
  pane_.SetCacheTree(&other);
  EXPECT_EQ(pane_.TitleCacheSize(), 1u);
  EXPECT_EQ(pane_.TitlesParsed(), 3);
  pane_.SetCacheTree(tree_.get());
}

TEST_F(ListPaneTest, TypesAreLookedUpOncePerExtension) {
  int image1 = -1, image2 = -1;
  std::string type1, type2;
  pane_.LookupFileType("a.gif", "/x/1", image1, type1);
  const std::size_t rows = pane_.TypeCache().size();
  pane_.LookupFileType("B.GIF", "/x/2", image2, type2);
  EXPECT_EQ(pane_.TypeCache().size(), rows);
  EXPECT_EQ(image1, image2);
  EXPECT_EQ(type1, type2);
  EXPECT_FALSE(type1.empty());
  // The cache stays sorted by extension, ignoring case, so every one is found again.
  for (const char* name : {"c.aaa", "d.ZZZ", "e.html", "f", "g.Aaa", "h.txt"})
    pane_.LookupFileType(name, std::string("/x/") + name, image2, type2);
  const auto& cache = pane_.TypeCache();
  for (std::size_t i = 1; i < cache.size(); ++i)
    EXPECT_LE(cache[i - 1].Extension, cache[i].Extension);
  const std::size_t known = cache.size();
  pane_.LookupFileType("x.AAA", "/x/9", image2, type2);
  pane_.LookupFileType("y.zzz", "/x/10", image2, type2);
  EXPECT_EQ(pane_.TypeCache().size(), known);
  EXPECT_EQ(type2, "ZZZ \xCC\xA7\xB2\xD9");
}

TEST_F(ListPaneTest, UnknownFolderGivesAnEmptyListAndRemovalMatchesKind) {
  pane_.SetFolder("http://nowhere.example/");
  EXPECT_EQ(control_.Model()->Count(), 0);
  pane_.SetFolder("http://www.example.com/docs/");
  EXPECT_FALSE(pane_.RemoveUrl("http://www.example.com/other/guide.html"));
  EXPECT_FALSE(pane_.RemoveUrl("http://www.example.com/docs/guide.html/"));  // not a folder item
  EXPECT_TRUE(pane_.RemoveUrl("HTTP://WWW.EXAMPLE.COM/docs/Guide.html"));
  const QString run = uitest::LocalNameOf(tree_->FindNodeByUrl("http://www.example.com/docs/"),
                                          "http://www.example.com/docs/run.cgi?q=1");
  EXPECT_EQ(Names(), (QStringList{"api", "logo.gif", run}));
  EXPECT_TRUE(pane_.RemoveUrl("http://www.example.com/docs/api/"));
  EXPECT_EQ(Names(), (QStringList{"logo.gif", run}));
}

TEST_F(ListPaneTest, FoundItemsShowTheirFolderUrl) {
  control_.Model()->Clear();
  pane_.AppendNodeItem(tree_->FindNodeByUrl("http://www.example.com/docs/logo.gif"));
  pane_.AppendNodeItem(tree_->FindNodeByUrl("http://www.example.com/docs/api/"));
  ASSERT_EQ(control_.Model()->Count(), 2);
  EXPECT_EQ(control_.Model()->Item(0).text[1], QStringLiteral("http://www.example.com/docs/"));
  EXPECT_EQ(control_.Model()->Item(1).text[1], QStringLiteral("http://www.example.com/docs/"));
  EXPECT_EQ(control_.Model()->Item(1).image, 1);
}

class TreePaneTest : public uitest::WithApp, public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    tree_ = std::make_unique<TWebCacheTree>(uitest::MakeSampleSource(bodies_.path()));
  }
  void Load(bool schemes) {
    tree_->SetEnableScheme(schemes);
    tree_->Refresh();
    pane_.SetTreeView(&control_);
    pane_.SetCacheTree(tree_.get());
    pane_.Rebuild();
  }
  uitest::TempDir bodies_;
  std::unique_ptr<TWebCacheTree> tree_;
  QTreeWidget control_;
  ui::TCacheTreeView pane_;
};

TEST_F(TreePaneTest, RootedAtAFavoriteUrl) {
  Load(true);
  pane_.SetRoot("Docs", "http://www.example.com/docs/guide.html");
  QTreeWidgetItem* root = pane_.RootItem();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), QStringLiteral("Docs"));
  ASSERT_EQ(root->childCount(), 1);
  EXPECT_EQ(root->child(0)->text(0), QStringLiteral("api"));
  EXPECT_EQ(pane_.GetNodeUrl(root->child(0)), "http://www.example.com/docs/api/");
  EXPECT_EQ(pane_.FindTreeNode("http://www.example.com/docs/api/"), root->child(0));
  EXPECT_EQ(pane_.FindTreeNode("http://news.example.org/today/"), nullptr);
  // The same URL again only renames the root.
  pane_.SetRootCaption("Docs");
  pane_.SetRoot("Handbook", "http://www.example.com/docs/");
  EXPECT_EQ(pane_.RootItem(), root);
  EXPECT_EQ(root->text(0), QStringLiteral("Handbook"));
  // Deleting the favorite's own folder empties the root but keeps it.
  pane_.RemoveFolderUrl("http://www.example.com/docs/");
  EXPECT_EQ(pane_.RootItem(), root);
  EXPECT_EQ(root->childCount(), 0);
  // A URL that is not in the cache: the title and no children.
  pane_.SetRoot("Gone", "http://gone.example/");
  EXPECT_EQ(pane_.RootItem()->text(0), QStringLiteral("Gone"));
  EXPECT_EQ(pane_.RootItem()->childCount(), 0);
  EXPECT_EQ(ui::TCacheTreeView::NodeOf(pane_.RootItem()), nullptr);
}

TEST_F(TreePaneTest, FavoriteRootWithoutSchemesKeepsOtherFolders) {
  Load(false);
  pane_.SetRoot("Docs", "http://www.example.com/docs/");
  QTreeWidgetItem* root = pane_.RootItem();
  ASSERT_EQ(root->childCount(), 1);
  QTreeWidgetItem* api = root->child(0);
  EXPECT_EQ(pane_.GetNodeUrl(api), "www.example.com/docs/api/");
  // The model names removed folders without the scheme; only api/ref goes.
  pane_.RemoveFolderUrl("www.example.com/docs/api/ref/");
  EXPECT_EQ(root->childCount(), 1);
  EXPECT_EQ(api->childCount(), 0);
  // A folder outside the favorite is not this tree's business.
  pane_.RemoveFolderUrl("news.example.org/today/");
  EXPECT_EQ(root->childCount(), 1);
}

TEST_F(TreePaneTest, FindChildAndSelectPathIgnoreCase) {
  Load(true);
  QTreeWidgetItem* root = pane_.RootItem();
  QTreeWidgetItem* http = pane_.FindChildNode(root, "HTTP:");
  ASSERT_NE(http, nullptr);
  EXPECT_EQ(pane_.FindChildNode(http, "www.EXAMPLE.com")->text(0),
            QStringLiteral("www.example.com"));
  EXPECT_EQ(pane_.FindChildNode(http, "zzz"), nullptr);
  EXPECT_EQ(pane_.FindChildNode(pane_.FindTreeNode("http://www.example.com/docs/api/ref/"), "x"),
            nullptr);
  QTreeWidgetItem* ref = pane_.SelectPath("http://WWW.example.com/Docs/api/ref/");
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(control_.currentItem(), ref);
  EXPECT_EQ(pane_.SelectPath("http://www.example.com/missing/"), nullptr);
  EXPECT_EQ(control_.currentItem(), ref);
  // A file name after the last '/' is ignored.
  EXPECT_EQ(pane_.FindTreeNode("http://www.example.com/docs/api/ref/part.html"), ref);
}

TEST(ShellIconsTest, TypeNamesComeFromTheMimeDatabaseWithAFallback) {
  uitest::App();
  bool fromFile = true;
  QIcon small, large;
  std::string type;
  ASSERT_TRUE(ui::GetTypeIconInfo("page.html", fromFile, small, type, large));
  EXPECT_FALSE(fromFile);
  EXPECT_FALSE(type.empty());
  EXPECT_EQ(type.find("\xCC\xA7\xB2\xD9"), std::string::npos);
  // An extension nobody knows: "XYZZY ﾌｧｲﾙ" with the generic icon.
  ASSERT_TRUE(ui::GetTypeIconInfo("data.xyzzy", fromFile, small, type, large));
  EXPECT_EQ(type, "XYZZY \xCC\xA7\xB2\xD9");
  EXPECT_FALSE(small.isNull());
  std::string folderType;
  ASSERT_TRUE(ui::GetFolderIconInfo(false, small, large, folderType));
  EXPECT_FALSE(folderType.empty());
  EXPECT_FALSE(ui::ProgramIcon().isNull());
}

}  // namespace
