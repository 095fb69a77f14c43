#include "tree/web_cache_tree.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "cache/web_cache.h"
#include "common/url.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "support/memory_source.h"
#include "tree/local_naming.h"

namespace {

using thtest::MemoryCache;
using thtest::MemorySource;
using thtest::Rec;

platform::FILETIME Stamp(const TWebCacheTreeNode* node) {
  platform::FILETIME ft = 0;
  EXPECT_TRUE(platform::SystemTimeToFileTime(node->EntryInfo().LastModified, ft));
  return ft;
}

class TempDir {
 public:
  TempDir() : path_(platform::CreateUniqueFolder(platform::TempFolder(), "thtr")) {}
  ~TempDir() { platform::DeleteTreeSilent(path_); }
  std::string File(const std::string& name) const { return platform::JoinPath(path_, name); }

 private:
  std::string path_;
};

// A tree over an in-memory cache with a small fixed content-type table.
class TreeTest : public ::testing::Test {
 protected:
  TreeTest() : cache(std::make_shared<MemoryCache>()) {}

  TWebCacheTree& Tree() {
    if (!tree) {
      tree = std::make_unique<TWebCacheTree>(std::make_unique<MemorySource>(cache));
      tree->ContentTypes().AddType("image/gif", ".gif");
      tree->ContentTypes().AddType("text/html", ".htm");
      tree->ContentTypes().AddType("text/html", ".html");
      tree->ContentTypes().AddType("text/plain", ".txt");
    }
    return *tree;
  }
  void Add(const std::string& url, const std::string& type, std::uint32_t size = 100,
           std::int64_t when = 1000000000, const std::string& body = "") {
    cache->records.push_back(Rec(url, type, size, when, body));
  }
  TWebCacheTree& Refresh() {
    Tree().Refresh();
    return *tree;
  }
  // Captions of a folder's children in order; folders end in '/'.
  std::vector<std::string> Children(const std::string& folderUrl) {
    std::vector<std::string> out;
    TWebCacheTreeNode* f = Tree().FindNodeByUrl(folderUrl);
    if (!f) return {"<no folder>"};
    for (std::size_t i = 0; i < f->Count(); ++i) {
      out.push_back(f->Items(i)->GetDisplayName() + (f->Items(i)->IsFolder() ? "/" : ""));
    }
    return out;
  }

  std::shared_ptr<MemoryCache> cache;
  std::unique_ptr<TWebCacheTree> tree;
};

TEST_F(TreeTest, UrlsBecomeSchemeHostFolderAndFileNodes) {
  Add("http://h/a/b.html", "text/html");
  Add("http://h:8080/x/", "text/html");
  Add("http://H/A/c.gif", "image/gif");
  Refresh();
  TWebCacheTreeNode* root = Tree().Root();
  EXPECT_EQ(root->Caption(), "Web Cache");
  ASSERT_EQ(root->Count(), 1u);
  TWebCacheTreeNode* scheme = root->Items(0);
  EXPECT_EQ(scheme->Caption(), "http:");
  EXPECT_EQ(scheme->EntryInfo().FolderUrl, "http://");
  TWebCacheTreeNode* h = Tree().FindNodeByUrl("http://h/");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->EntryInfo().FolderUrl, "http://h/");
  EXPECT_EQ(h->GetLevel(), 2);
  // Folders are matched ignoring case; the first URL's spelling names them.
  TWebCacheTreeNode* a = Tree().FindNodeByUrl("http://H/A/");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Caption(), "a");
  EXPECT_EQ(a->EntryInfo().FolderUrl, "http://h/a/");
  EXPECT_EQ(Children("http://h/a/"), (std::vector<std::string>{"b.html", "c.gif"}));
  // The file keeps its own URL's folder part.
  TWebCacheTreeNode* c = Tree().FindNodeByUrl("http://h/a/C.GIF");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->EntryInfo().FolderUrl, "http://H/A/");
  EXPECT_EQ(c->GetUrlText(), "http://H/A/c.gif");
  // A host with a port keeps it in its caption and gets a single slash after it.
  TWebCacheTreeNode* port = Tree().FindNodeByUrl("http://h:8080/x/");
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->EntryInfo().FolderUrl, "http://h:8080/x/");
  EXPECT_EQ(port->Parent()->Caption(), "h:8080");
  EXPECT_EQ(TWebCacheTree::CountFiles(root), 3u);
  EXPECT_EQ(TWebCacheTree::CountFiles(c), 1u);
}

TEST_F(TreeTest, WithoutSchemeHttpAndHttpsShareTheHostFolder) {
  Add("http://h/x", "text/html");
  Add("https://h/y.html", "text/html");
  Add("https://h/sub/z.html", "text/html");
  Tree().SetEnableScheme(false);
  Refresh();
  ASSERT_EQ(Tree().Root()->Count(), 1u);
  TWebCacheTreeNode* h = Tree().Root()->Items(0);
  EXPECT_EQ(h->Caption(), "h");
  EXPECT_EQ(h->EntryInfo().FolderUrl, "h/");
  EXPECT_EQ(Children("h/"), (std::vector<std::string>{"sub/", "x.html", "y.html"}));
  EXPECT_EQ(Tree().FindNodeByUrl("https://h/sub/")->EntryInfo().FolderUrl, "h/sub/");
  // Lookups drop the scheme too.
  EXPECT_NE(Tree().FindNodeByUrl("http://h/y.html"), nullptr);
  EXPECT_NE(Tree().FindNodeByUrl("h/sub/z.html"), nullptr);
}

TEST_F(TreeTest, LocalNamesAtBuildTimeAndTheRenameList) {
  Add("http://h/cgi/img.cgi?n=1", "image/gif");
  Add("http://h/a/readme", "text/plain");
  Add("http://h/a/page.htm", "text/html; charset=Shift_JIS");
  Add("http://h/?q=x", "text/html");
  Add("http://h/d/", "text/html");
  Add("http://h/a/pic", "image/gif");
  Tree().Build();
  auto file = [&](const std::string& folder, std::size_t i) {
    return Tree().FindNodeByUrl(folder)->Items(i);
  };
  TWebCacheTreeNode* img = file("http://h/cgi/", 0);
  EXPECT_EQ(img->Caption(), "img~42c94d0c.gif");
  EXPECT_EQ(img->EntryInfo().QueryPart, "");
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/a/readme")->EntryInfo().FileName, "readme");
  EXPECT_NE(Tree().FindNodeByUrl("http://h/a/page.htm"), nullptr);
  EXPECT_NE(Tree().FindNodeByUrl("http://h/42c226a9.html"), nullptr);
  EXPECT_NE(Tree().FindNodeByUrl("http://h/a/pic.gif"), nullptr);
  // A URL ending in '/' is a file without a name until names are settled.
  TWebCacheTreeNode* d = file("http://h/d/", 0);
  EXPECT_EQ(d->Caption(), "");
  EXPECT_EQ(d->GetDisplayName(), "index.html");

  TWebCacheRenameItems& items = Tree().RenameItems();
  EXPECT_EQ(items.Count(), 3u);
  EXPECT_EQ(items.Lookup("http://h/cgi/img.cgi?n=1"), "http://h/cgi/img~42c94d0c.gif");
  EXPECT_EQ(items.Lookup("http://h/?q=x"), "http://h/42c226a9.html");
  EXPECT_EQ(items.Lookup("http://h/a/pic"), "http://h/a/pic.gif");
  EXPECT_EQ(items.Lookup("http://h/d/"), "");

  Tree().MakeNamesUnique(Tree().Root());
  EXPECT_EQ(d->Caption(), "index.html");
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/d/index.html"), d);

  // The next build keeps the stored names even when the table no longer gives them.
  Tree().ContentTypes().Clear();
  Tree().Build();
  EXPECT_NE(Tree().FindNodeByUrl("http://h/cgi/img~42c94d0c.gif"), nullptr);
  EXPECT_NE(Tree().FindNodeByUrl("http://h/a/pic.gif"), nullptr);
}

TEST_F(TreeTest, EqualNamesNewestFirstThenNumberedByAge) {
  Add("http://h/i/a.gif", "image/gif", 10, 1000000100);  // D2
  Add("http://h/i/A.GIF", "image/gif", 10, 1000000200);  // D3
  Add("http://h/i/b.gif", "image/gif", 10, 1000000000);
  Add("http://h/i/a.gif", "image/gif", 10, 1000000000);  // D1
  Refresh();
  EXPECT_EQ(Children("http://h/i/"),
            (std::vector<std::string>{"A.GIF", "a~0001.gif", "a~0002.gif", "b.gif"}));
  auto node = [&](const std::string& name) { return Tree().FindNodeByUrl("http://h/i/" + name); };
  EXPECT_GT(Stamp(node("A.GIF")), Stamp(node("a~0001.gif")));
  EXPECT_GT(Stamp(node("a~0001.gif")), Stamp(node("a~0002.gif")));
  // The suffixes stay out of the rename list: links lead to the plain name.
  EXPECT_EQ(Tree().RenameItems().Count(), 0u);
  // Running it again gives the same names.
  Tree().MakeNamesUnique(Tree().Root());
  EXPECT_EQ(Children("http://h/i/"),
            (std::vector<std::string>{"A.GIF", "a~0001.gif", "a~0002.gif", "b.gif"}));
}

TEST_F(TreeTest, NumberedNamesNeverHitARealFileOfThatName) {
  Add("http://h/a.gif", "image/gif", 1, 1000000300);
  Add("http://h/a.gif", "image/gif", 1, 1000000200);
  Add("http://h/a~0001.gif", "image/gif", 1, 1000000100);
  Add("http://h/index.html", "text/html", 1, 1000000000);
  Add("http://h/", "text/html", 1, 1000000500);
  Refresh();
  std::vector<std::string> names = Children("http://h/");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.gif", "a~0001.gif", "a~0002.gif", "index.html",
                                             "index~0001.html"}));
  // The newer nameless page keeps index.html.
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/index.html")->EntryInfo().SourceUrl, "http://h/");
}

TEST_F(TreeTest, SortingMixesFoldersAndFilesByKeyIgnoringCase) {
  Add("http://h/Beta/x.html", "text/html");
  Add("http://h/alpha.html", "text/html");
  Add("http://h/gamma/y.html", "text/html");
  Add("http://h/Delta.html", "text/html");
  Add("http://h/beta.gif", "image/gif");
  Refresh();
  EXPECT_EQ(Children("http://h/"), (std::vector<std::string>{"alpha.html", "Beta/", "beta.gif",
                                                              "Delta.html", "gamma/"}));
  // A caption change outside Build re-sorts the parent at once.
  Tree().FindNodeByUrl("http://h/alpha.html")->SetCaption("zeta.html");
  EXPECT_EQ(Children("http://h/").back(), "zeta.html");
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/zeta.html")->Key(), "zeta.html");
  Tree().FindNodeByUrl("http://h/zeta.html")->SetCaption("ZETA.HTML");
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/zeta.html")->Key(), "zeta.html");
}

TEST_F(TreeTest, MovingANodeKeepsTotalsAndOrder) {
  Add("http://h/a/z.gif", "image/gif", 10, 1000000000);
  Add("http://h/a/y.gif", "image/gif", 20, 1000000000);
  Add("http://h/b/m.gif", "image/gif", 40, 1000000000);
  Refresh();
  TWebCacheTreeNode* b = Tree().FindNodeByUrl("http://h/b/");
  TWebCacheTreeNode* z = Tree().FindNodeByUrl("http://h/a/z.gif");
  z->MoveTo(b);
  EXPECT_EQ(z->Parent(), b);
  EXPECT_EQ(Children("http://h/b/"), (std::vector<std::string>{"m.gif", "z.gif"}));
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/a/")->TotalSize(), 20u);
  EXPECT_EQ(b->TotalSize(), 50u);
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/b/z.gif"), z);
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/a/z.gif"), nullptr);
  // The moved file keeps its own entry, even once the folder it came from is gone.
  Tree().DeleteNode(Tree().FindNodeByUrl("http://h/a/"));
  EXPECT_EQ(z->EntryInfo().FolderUrl, "http://h/a/");
  EXPECT_EQ(z->EntryInfo().SourceUrl, "http://h/a/z.gif");
  EXPECT_EQ(z->GetUrlText(), "http://h/a/z.gif");
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/b/m.gif")->EntryInfo().FolderUrl, "http://h/b/");
  // A folder never goes below itself.
  TWebCacheTreeNode* h = Tree().FindNodeByUrl("http://h/");
  h->MoveTo(b);
  EXPECT_EQ(h->Parent()->Caption(), "http:");
}

TEST_F(TreeTest, FolderTotalsAreSumsAndNewestDates) {
  Add("http://h/a/x.gif", "image/gif", 100, 1000000000);
  Add("http://h/a/b/y.gif", "image/gif", 200, 1000009000);
  Add("http://h/c.gif", "image/gif", 4000000000u, 1000000500);
  Add("http://k/z.gif", "image/gif", 1000000000u, 900000000);
  Refresh();
  TWebCacheTreeNode* a = Tree().FindNodeByUrl("http://h/a/");
  EXPECT_EQ(a->EntryInfo().Size, 300u);
  EXPECT_EQ(a->EntryInfo().LastModified, Tree().FindNodeByUrl("http://h/a/b/y.gif")->EntryInfo().LastModified);
  TWebCacheTreeNode* h = Tree().FindNodeByUrl("http://h/");
  EXPECT_EQ(h->TotalSize(), 4000000300u);
  EXPECT_EQ(h->EntryInfo().LastModified, a->EntryInfo().LastModified);
  // Above 4 GiB the 32-bit field saturates; the 64-bit total is exact.
  EXPECT_EQ(Tree().Root()->TotalSize(), 5000000300ull);
  EXPECT_EQ(Tree().Root()->EntryInfo().Size, 0xFFFFFFFFu);
}

TEST_F(TreeTest, DeletingTheLastFileRemovesEmptyAncestorsButNotTheRoot) {
  Add("http://h/a/b/only.gif", "image/gif", 50, 1000000000);
  Add("http://h/keep.gif", "image/gif", 70, 1000000000);
  Refresh();
  std::vector<std::string> removed;
  Tree().OnNodeRemoved = [&](const std::string& url) { removed.push_back(url); };
  EXPECT_TRUE(Tree().DeleteUrl("http://h/a/b/only.gif"));
  EXPECT_EQ(removed, (std::vector<std::string>{"http://h/a/b/only.gif", "http://h/a/b/",
                                               "http://h/a/"}));
  EXPECT_EQ(cache->deleted, std::vector<std::string>{"http://h/a/b/only.gif"});
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/a/"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/")->EntryInfo().Size, 70u);
  EXPECT_EQ(Tree().Root()->TotalSize(), 70u);
  EXPECT_FALSE(Tree().DeleteUrl("http://h/a/b/only.gif"));

  removed.clear();
  EXPECT_TRUE(Tree().DeleteUrl("http://h/keep.gif"));
  EXPECT_EQ(removed, (std::vector<std::string>{"http://h/keep.gif", "http://h/", "http://"}));
  EXPECT_EQ(Tree().Root()->Count(), 0u);
  EXPECT_EQ(Tree().Root()->Caption(), "Web Cache");
}

TEST_F(TreeTest, DeletingAFolderDeletesChildrenFirstAndTheirCachedFiles) {
  Add("http://h/d/1.gif", "image/gif");
  Add("http://h/d/e/2.gif", "image/gif");
  Add("http://h/d/3.gif", "image/gif");
  Add("http://h/other.gif", "image/gif");
  Refresh();
  std::vector<std::string> removed;
  Tree().OnNodeRemoved = [&](const std::string& url) {
    removed.push_back(url);
    // Handlers may still look at the tree while the deletion runs.
    EXPECT_NE(Tree().FindNodeByUrl("http://h/other.gif"), nullptr);
  };
  Tree().DeleteNode(Tree().FindNodeByUrl("http://h/d/"));
  EXPECT_EQ(removed, (std::vector<std::string>{"http://h/d/1.gif", "http://h/d/3.gif",
                                               "http://h/d/e/2.gif", "http://h/d/e/",
                                               "http://h/d/"}));
  std::vector<std::string> files = cache->deleted;
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"http://h/d/1.gif", "http://h/d/3.gif",
                                             "http://h/d/e/2.gif"}));
  EXPECT_EQ(Children("http://h/"), std::vector<std::string>{"other.gif"});
}

TEST_F(TreeTest, DeletingManyFilesOfABigFolderKeepsTheRest) {
  // Every third file of 3,000 goes, with a sub-folder and a file inside it both
  // selected, and a folder whose only file goes empties out.
  const int count = 3000;
  for (int i = 0; i < count; ++i)
    Add("http://Big.Example/f/p" + std::to_string(10000 + i) + ".gif", "image/gif",
        static_cast<std::uint32_t>(i + 1), 1000000000 + i);
  Add("http://Big.Example/f/sub/x.gif", "image/gif", 5);
  Add("http://Big.Example/f/sub/y.gif", "image/gif", 5);
  Add("http://Big.Example/g/only.gif", "image/gif", 7);
  Refresh();
  TWebCacheTreeNode* folder = Tree().FindNodeByUrl("http://big.example/f/");
  ASSERT_NE(folder, nullptr);
  std::vector<TWebCacheTreeNode*> selected;
  std::vector<std::string> kept;
  std::uint64_t keptSize = 0;
  for (int i = 0; i < count; ++i) {
    TWebCacheTreeNode* node = folder->FindChild("p" + std::to_string(10000 + i) + ".gif");
    ASSERT_NE(node, nullptr);
    if (i % 3 == 0) {
      selected.push_back(node);
    } else {
      kept.push_back(node->GetDisplayName());
      keptSize += static_cast<std::uint64_t>(i + 1);
    }
  }
  selected.push_back(Tree().FindNodeByUrl("http://big.example/f/sub/"));
  selected.push_back(Tree().FindNodeByUrl("http://big.example/f/sub/x.gif"));
  selected.push_back(Tree().FindNodeByUrl("http://big.example/g/only.gif"));
  std::vector<std::string> removed;
  Tree().OnNodeRemoved = [&](const std::string& url) { removed.push_back(url); };
  Tree().DeleteNodes(selected);

  EXPECT_EQ(removed.size(), static_cast<std::size_t>(count / 3 + 5));
  EXPECT_EQ(std::vector<std::string>(removed.end() - 5, removed.end()),
            (std::vector<std::string>{"http://Big.Example/f/sub/x.gif",
                                      "http://Big.Example/f/sub/y.gif", "http://Big.Example/f/sub/",
                                      "http://Big.Example/g/only.gif", "http://Big.Example/g/"}));
  EXPECT_EQ(cache->deleted.size(), static_cast<std::size_t>(count / 3 + 3));
  EXPECT_EQ(Children("http://big.example/f/"), kept);
  for (const std::string& name : kept)
    EXPECT_NE(Tree().FindNodeByUrl("http://big.example/f/" + name), nullptr) << name;
  EXPECT_EQ(Tree().FindNodeByUrl("http://big.example/f/p10000.gif"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("http://big.example/f/sub/"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("http://big.example/g/"), nullptr);
  EXPECT_EQ(folder->TotalSize(), keptSize);
  EXPECT_EQ(Tree().Root()->TotalSize(), keptSize);
  EXPECT_EQ(folder->EntryInfo().LastModified,
            Tree().FindNodeByUrl("http://big.example/f/p12999.gif")->EntryInfo().LastModified);
}

TEST_F(TreeTest, DeletingTheRootClearsEverythingAndKeepsTheRoot) {
  Add("http://h/a.gif", "image/gif");
  Add("ftp://f/b.gif", "image/gif");
  Refresh();
  int events = 0;
  Tree().OnNodeRemoved = [&](const std::string&) { ++events; };
  Tree().DeleteNode(Tree().Root());
  EXPECT_EQ(events, 6);
  EXPECT_EQ(cache->deleted.size(), 2u);
  EXPECT_EQ(Tree().Root()->Count(), 0u);
  EXPECT_EQ(Tree().Root()->TotalSize(), 0u);
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/a.gif"), nullptr);
  // ClearTree touches no cached file.
  Tree().Build();
  Tree().ClearTree();
  EXPECT_EQ(cache->deleted.size(), 2u);
  EXPECT_EQ(Tree().Root()->Count(), 0u);
}

TEST_F(TreeTest, FileAndFolderOfTheSameName) {
  Add("http://h/a", "image/gif");       // named a.gif
  Add("http://h/doc", "text/plain");    // stays doc
  Add("http://h/doc/x.html", "text/html");
  Refresh();
  TWebCacheTreeNode* file = Tree().FindNodeByUrl("http://h/doc");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->IsFolder());
  TWebCacheTreeNode* folder = Tree().FindNodeByUrl("http://h/doc/");
  ASSERT_NE(folder, nullptr);
  EXPECT_TRUE(folder->IsFolder());
  EXPECT_EQ(folder->Count(), 1u);
  EXPECT_EQ(Tree().FindFolderByUrl("http://h/doc/x.html"), folder);
  EXPECT_EQ(Tree().FindFolderByUrl("http://h/doc"), Tree().FindNodeByUrl("http://h/"));
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/nothing/x.html"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("gopher://h/"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl(""), Tree().Root());
}

TEST_F(TreeTest, FindFolderByUrlDecodesWhileFindNodeByUrlDoesNot) {
  Add("http://h/a%20b/c.html", "text/html");
  Refresh();
  EXPECT_NE(Tree().FindNodeByUrl("http://h/a b/c.html"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/a%20b/c.html"), nullptr);
  EXPECT_EQ(Tree().FindFolderByUrl("http://h/a%20b/c.html"), Tree().FindNodeByUrl("http://h/a b/"));
}

TEST_F(TreeTest, LoadProgressOncePerEntryAndGetCount) {
  Add("http://h/1.gif", "image/gif");
  Add("cookie:x", "");
  cache->records.back().CacheEntryType = COOKIE_CACHE_ENTRY;
  Add("wysiwyg://1/http://h/2.gif", "image/gif");
  Add("http://h/3.gif", "image/gif");
  std::vector<std::string> seen;
  Tree().OnLoadProgress = [&](const TWebCacheEntryInfoEx& e) {
    seen.push_back(e.SourceUrl);
    EXPECT_TRUE(Tree().Updating());
  };
  EXPECT_EQ(Tree().GetCount(), 2);
  Tree().Build();
  EXPECT_FALSE(Tree().Updating());
  EXPECT_EQ(seen, (std::vector<std::string>{"http://h/1.gif", "http://h/3.gif"}));
}

TEST_F(TreeTest, EmptyCacheGivesTheRootAlone) {
  Refresh();
  EXPECT_EQ(Tree().Root()->Count(), 0u);
  EXPECT_EQ(TWebCacheTree::CountFiles(Tree().Root()), 0u);
}

TEST_F(TreeTest, CopyListKeepsUrlOrderWithoutDuplicates) {
  Add("http://h/B.gif", "image/gif");
  Add("http://h/a.gif", "image/gif");
  Add("http://h/c.gif", "image/gif");
  Refresh();
  TWebCacheTreeNode* a = Tree().FindNodeByUrl("http://h/a.gif");
  TWebCacheTreeNode* b = Tree().FindNodeByUrl("http://h/b.gif");
  TWebCacheTreeNode* c = Tree().FindNodeByUrl("http://h/c.gif");
  a->Marked = b->Marked = c->Marked = true;
  TWebCacheTreeNodeCopyList list;
  EXPECT_EQ(list.AddNode(c), 0);
  EXPECT_EQ(list.AddNode(a), 0);
  EXPECT_EQ(list.AddNode(b), 1);
  EXPECT_EQ(list.AddNode(c), 2);
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0], a);
  EXPECT_EQ(list[1], b);
  EXPECT_EQ(list[2], c);
  EXPECT_FALSE(a->Marked);
  EXPECT_TRUE(list.Contains(b));
  TWebCacheTreeNodeCopyList other;
  EXPECT_FALSE(other.Contains(b));
}

TEST_F(TreeTest, SearchHitOrderPutsFilesFirst) {
  Add("http://h/zz.gif", "image/gif");
  Add("http://h/B/x.gif", "image/gif");
  Add("http://h/a/x.gif", "image/gif");
  Add("http://h/Ab.gif", "image/gif");
  Refresh();
  std::vector<TWebCacheTreeNode*> hits = {
      Tree().FindNodeByUrl("http://h/B/"), Tree().FindNodeByUrl("http://h/zz.gif"),
      Tree().FindNodeByUrl("http://h/a/"), Tree().FindNodeByUrl("http://h/ab.gif")};
  SortNodesForHits(hits);
  std::vector<std::string> names;
  for (auto* n : hits) names.push_back(n->GetDisplayName());
  EXPECT_EQ(names, (std::vector<std::string>{"Ab.gif", "zz.gif", "a", "B"}));
  EXPECT_LT(CompareNodesForHits(hits[0], hits[2]), 0);
  EXPECT_GT(CompareNodesForHits(hits[3], hits[1]), 0);
}

TEST_F(TreeTest, LinksMapToRelativeLocalPaths) {
  Add("http://h/a/page.html", "text/html");
  Add("http://h/a/sub/", "text/html");
  Add("http://h/cgi/img.cgi?n=1", "image/gif");
  Add("http://h/a/doc", "text/html");
  Refresh();
  TWebCacheTree& t = Tree();
  const char* base = "http://h/a/page.html";
  // Renamed targets go through the rename list.
  EXPECT_EQ(t.MapLinkTarget(base, "../cgi/img.cgi?n=1"), "http://h/cgi/img~42c94d0c.gif");
  EXPECT_EQ(t.LinkToLocal(base, "../cgi/img.cgi?n=1"), "../cgi/img~42c94d0c.gif");
  EXPECT_EQ(t.LinkToLocal(base, "doc#part"), "doc.html#part");
  // Entities are decoded before the link is resolved.
  EXPECT_EQ(t.MapLinkTarget(base, "/cgi/img.cgi?n=1&amp;m=2"),
            "http://h/cgi/img~" + QueryTag(t.Crc(), "?n=1&m=2") + ".cgi");
  // A folder gets its slash and then the default document.
  EXPECT_EQ(t.MapLinkTarget(base, "sub"), "http://h/a/sub/");
  EXPECT_EQ(t.LinkToLocal(base, "sub"), "sub/index.html");
  EXPECT_EQ(t.LinkToLocal(base, "./"), "index.html");
  // An uncached target with a query: CRC over the query; the fragment stays a fragment.
  EXPECT_EQ(t.LinkToLocal(base, "page.cgi?x=1#top"),
            "page~" + QueryTag(t.Crc(), "?x=1") + ".cgi#top");
  // A fragment alone leads to the page itself.
  EXPECT_EQ(t.LinkToLocal(base, "#sec"), "page.html#sec");
  EXPECT_EQ(t.LinkToLocal(base, "http://other/x/y.gif"), "../../other/x/y.gif");
  EXPECT_EQ(t.LinkToLocal(base, "../b c.html"), "../b c.html");
  EXPECT_EQ(t.LinkToLocal(base, "x.html?a=1|2"), "x~" + QueryTag(t.Crc(), "?a=1%7C2") + ".html");
}

TEST_F(TreeTest, LinksWithoutSchemeFolders) {
  Add("http://h/a/page.html", "text/html");
  Add("http://h/b/x.cgi?id=3", "image/gif");
  Tree().SetEnableScheme(false);
  Refresh();
  // Base URLs are folder URLs of the scheme-less tree.
  EXPECT_EQ(Tree().LinkToLocal("h/a/page.html", "../b/x.cgi?id=3"), "../b/x~9a6ab1cf.gif");
  EXPECT_EQ(Tree().LinkToLocal("h/a/page.html", "https://h/a/q.html"), "q.html");
  EXPECT_EQ(Tree().LinkToLocal("h/a/page.html", "ftp://k/f.txt"), "../../k/f.txt");
}

TEST_F(TreeTest, PageTitleOfHtmlEntriesOnly) {
  TempDir dir;
  std::string page = dir.File("page.html");
  ASSERT_TRUE(platform::AtomicWriteFile(
      page, "<html><head><title>Hello \x93\xfa\x96\x7b</title></head><body></body></html>"));
  Add("http://h/p.html", "text/html", 10, 1000000000, page);
  Add("http://h/", "TEXT/HTML; charset=Shift_JIS", 10, 1000000000, page);
  Add("http://h/p.gif", "image/gif", 10, 1000000000, page);
  // The title of a page in JIS (日本), and one behind a comment longer than the head
  // that is read first.
  std::string jis = dir.File("jis.html");
  ASSERT_TRUE(platform::AtomicWriteFile(
      jis, "<html><head><title>\x1b$BF|K\\\x1b(B</title></head><body>x</body></html>"));
  Add("http://h/jis.html", "text/html", 10, 1000000000, jis);
  std::string longHead = dir.File("long.html");
  ASSERT_TRUE(platform::AtomicWriteFile(
      longHead, "<html><head><!-- " + std::string(9000, 'x') +
                    " --><title>After 'it'</title></head><body></body></html>"));
  Add("http://h/long.html", "text/html", 10, 1000000000, longHead);
  Refresh();
  EXPECT_EQ(Tree().GetPageTitle("http://h/jis.html"), "\x93\xfa\x96\x7b");
  EXPECT_EQ(Tree().GetPageTitle("http://h/long.html"), "After 'it'");
  EXPECT_EQ(Tree().GetPageTitle("http://h/p.html"), "Hello \x93\xfa\x96\x7b");
  EXPECT_EQ(Tree().GetPageTitle("http://h/"), "Hello \x93\xfa\x96\x7b");
  EXPECT_EQ(Tree().GetPageTitle("http://h/p.gif"), "");
  EXPECT_EQ(Tree().GetPageTitle("http://h/none.html"), "");
}

TEST_F(TreeTest, SettingsFilesAreLoadedWhenSetAndSavedAtTheEnd) {
  TempDir dir;
  std::string renames = dir.File("renameList.dat");
  std::string types = dir.File("contentType.dat");
  std::string mime = dir.File("mime.types");
  ASSERT_TRUE(platform::AtomicWriteFile(mime, "image/gif gif\ntext/html html htm\n"));
  ASSERT_TRUE(platform::AtomicWriteFile(types, "image/gif\t.GIF\r\n"));
  ASSERT_TRUE(platform::AtomicWriteFile(renames, "http://h/old\thttp://h/kept.bin\r\n"));
  platform::Registry noTypes;
  Add("http://h/old", "image/gif");
  Add("http://h/new", "image/gif");
  {
    TWebCacheTree t(std::make_unique<MemorySource>(cache));
    t.SetContentTypeRegistry(&noTypes, mime);
    t.SetContentTypeFile(types);
    t.SetRenameListFile(renames);
    EXPECT_EQ(t.ContentTypes().Count(), 2u);
    t.Refresh();
    EXPECT_NE(t.FindNodeByUrl("http://h/kept.bin"), nullptr);
    EXPECT_NE(t.FindNodeByUrl("http://h/new.GIF"), nullptr);
  }
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(renames, bytes));
  EXPECT_EQ(bytes, "http://h/new\thttp://h/new.GIF\r\nhttp://h/old\thttp://h/kept.bin\r\n");
  ASSERT_TRUE(platform::ReadWholeFile(types, bytes));
  EXPECT_EQ(bytes, "image/gif\t.GIF\r\ntext/html\t.html\r\n");
}

TEST_F(TreeTest, HostileUrlsDoNotBreakTheTree) {
  std::string deep = "http://h";
  for (int i = 0; i < 5000; ++i) deep += "/d";
  Add(deep + "/leaf.gif", "image/gif");
  Add("http://h//x///y.gif", "image/gif");
  Add("http://h/%2e%2e/%2E%2E/z.gif", "image/gif");
  Add("file:///C:/dir/f.html", "text/html");
  Refresh();
  EXPECT_EQ(TWebCacheTree::CountFiles(Tree().Root()), 4u);
  TWebCacheTreeNode* leaf = Tree().FindNodeByUrl(deep + "/leaf.gif");
  ASSERT_NE(leaf, nullptr);
  EXPECT_LE(leaf->GetLevel(), 130);
  EXPECT_NE(Tree().FindNodeByUrl("http://h/x/y.gif"), nullptr);
  EXPECT_NE(Tree().FindNodeByUrl("file:///C:/dir/f.html"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("file:///C:/dir/")->EntryInfo().FolderUrl, "file:///C:/dir/");
  Tree().DeleteNode(Tree().Root());
  EXPECT_EQ(Tree().Root()->Count(), 0u);
}

TEST_F(TreeTest, BigFolderWithManyDuplicatesGetsUniqueNames) {
  for (int i = 0; i < 3000; ++i) {
    Add("http://h/big/f" + std::to_string(i % 1000) + ".gif", "image/gif", 1, 1000000000 + i);
  }
  Refresh();
  TWebCacheTreeNode* big = Tree().FindNodeByUrl("http://h/big/");
  ASSERT_EQ(big->Count(), 3000u);
  std::set<std::string> keys;
  for (std::size_t i = 0; i < big->Count(); ++i) keys.insert(big->Items(i)->Key());
  EXPECT_EQ(keys.size(), 3000u);
  EXPECT_NE(Tree().FindNodeByUrl("http://h/big/f7~0002.gif"), nullptr);
  EXPECT_EQ(Tree().FindNodeByUrl("http://h/big/f7~0003.gif"), nullptr);
  // The plain name belongs to the newest of the three.
  EXPECT_GT(Stamp(Tree().FindNodeByUrl("http://h/big/f7.gif")),
            Stamp(Tree().FindNodeByUrl("http://h/big/f7~0001.gif")));
  EXPECT_GT(Stamp(Tree().FindNodeByUrl("http://h/big/f7~0001.gif")),
            Stamp(Tree().FindNodeByUrl("http://h/big/f7~0002.gif")));
}

}  // namespace

namespace {

// Slash runs in folder URLs fold pairwise (double-byte names around them untouched), and
// a folder holding one non-ASCII name still sorts all its names in the collator's order.
TEST_F(TreeTest, FoldedFolderUrlsAndMixedNameOrder) {
  Add("http://h///\x83\x5c//b////c.gif", "image/gif");
  Add("http://h/m/b-c.gif", "image/gif");
  Add("http://h/m/b_c.gif", "image/gif");
  Add("http://h/m/B1.gif", "image/gif");
  Add("http://h/m/\x82\xa0.gif", "image/gif");
  Add("http://h/m/a c.gif", "image/gif");
  Refresh();
  TWebCacheTreeNode* c = Tree().FindNodeByUrl("http://h/\x83\x5c/b/c.gif");
  ASSERT_NE(c, nullptr);
  // A file keeps its URL's folder as it came; folder prefixes fold each "//" pair once,
  // left to right, so "///" leaves "//" behind (stored names depend on it).
  EXPECT_EQ(c->EntryInfo().FolderUrl, "http://h///\x83\x5c//b////");
  EXPECT_EQ(c->Parent()->EntryInfo().FolderUrl, "http://h//\x83\x5c/b/");
  EXPECT_EQ(c->Parent()->Parent()->EntryInfo().FolderUrl, "http://h//\x83\x5c/");

  TWebCacheTreeNode* m = Tree().FindNodeByUrl("http://h/m/");
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->Count(), 5u);
  for (std::size_t i = 1; i < m->Count(); ++i) {
    EXPECT_LT(platform::AnsiCompareStr(m->Items(i - 1)->Key(), m->Items(i)->Key()), 0)
        << m->Items(i - 1)->Key() << " / " << m->Items(i)->Key();
  }
}

}  // namespace

// Each file keeps the pieces SplitUrl cuts its URL into (unless it was renamed, when
// the rename list holds its new URL), on URLs written the way real pages write them.
TEST_F(TreeTest, FilesKeepTheirUrlsPiecesAsSplitUrlCutsThem) {
  const std::vector<std::string> urls = {
      "http://Example.COM/Dir/Page.html",
      "http://h/list.cgi?page=2&sort=d",
      "http://h/a/b.html#frag",
      "http://h/shop;jsessionid=AB12?x=1",
      "http://h/a;b/c.gif",
      std::string("http://h/z\0y/n.gif", 19),
      "http://h/cgi-bin/run/key=v/img.gif",
      "http://h/pay/$sid/x.gif",
      "http://h/%93%FA%96%7B/%83%5C.html",
      "http://h/%E6%97%A5/u.html",
      "http://h/100%.gif",
      "http://h/\x83\x5C/\x95\x5C.htm",
      "http://h/cut%00tail/n.gif",
      "http://h/trail/",
      "http://h/a/=b?c/d",
  };
  for (const std::string& u : urls) Add(u, "image/gif");
  Refresh();
  std::size_t checked = 0;
  std::vector<const TWebCacheTreeNode*> stack{Tree().Root()};
  while (!stack.empty()) {
    const TWebCacheTreeNode* n = stack.back();
    stack.pop_back();
    for (std::size_t i = 0; i < n->Count(); ++i) {
      const TWebCacheTreeNode* c = n->Items(i);
      if (c->IsFolder()) {
        stack.push_back(c);
        continue;
      }
      const TWebCacheEntryView e = c->EntryInfo();
      const std::string url(e.SourceUrl);
      SCOPED_TRACE(url);
      const TUrlParts parts = SplitUrl(url);
      EXPECT_EQ(e.FolderUrl, parts.folder);
      const std::string renamed = Tree().RenameItems().Lookup(url);
      if (renamed.empty()) {
        EXPECT_EQ(e.FileName, parts.fileName);
        EXPECT_EQ(e.QueryPart, parts.extra);
      } else {
        EXPECT_EQ(renamed, std::string(e.FolderUrl) + std::string(e.FileName));
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, urls.size());
}
