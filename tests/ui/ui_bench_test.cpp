// Timings of the window on a synthetic cache of 100,000 entries: the refresh
// (build, sort, names, tree fill) and the list refill of a folder of 10,000 files,
// cold (page titles parsed) and warm (titles from the title cache).  Disabled in
// the normal run; start it with
//   th_ui_tests --gtest_also_run_disabled_tests --gtest_filter='UiBench.*'
// Figures are printed, never asserted.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTreeWidget>
#include <cstdio>

#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"
#include "ui_fixture.h"

namespace {

std::unique_ptr<uitest::TMemoryCacheSource> MakeBigSource(const std::string& folder,
                                                          std::size_t total,
                                                          std::size_t bigFolder) {
  auto source = std::make_unique<uitest::TMemoryCacheSource>(folder);
  const char* kTypes[] = {"text/html", "image/gif", "image/jpeg", "text/plain"};
  const char* kExt[] = {".html", ".gif", ".jpg", ".txt"};
  for (std::size_t i = 0; i < bigFolder; ++i) {
    const int t = static_cast<int>(i % 4);
    std::string body = t == 0 ? "<html><head><title>Page " + std::to_string(i) +
                                    "</title></head><body>text</body></html>"
                              : std::string(100 + i % 900, 'b');
    source->Add({"http://big.example.com/files/f" + std::to_string(i) + kExt[t], kTypes[t],
                 body, 978307200 + static_cast<std::int64_t>(i)});
  }
  // The rest of the cache shares a few body files: writing 90,000 files would time
  // the disk rather than the window.
  std::string shared[4];
  for (int t = 0; t < 4; ++t) {
    shared[t] = folder + "/shared" + std::to_string(t);
    std::FILE* f = std::fopen(shared[t].c_str(), "wb");
    if (f) {
      std::fputs(t == 0 ? "<html><head><title>Shared page</title></head></html>" : "data", f);
      std::fclose(f);
    }
  }
  for (std::size_t i = bigFolder; i < total; ++i) {
    const int t = static_cast<int>(i % 4);
    const std::string host = "h" + std::to_string(i % 40) + ".example.org";
    const std::string dir = "d" + std::to_string((i / 40) % 60) + "/s" + std::to_string(i % 7);
    std::string body = t == 0 ? "<title>T" + std::to_string(i) + "</title>" : std::string(64, 'x');
    source->Add({(i % 5 == 0 ? "https://" : "http://") + host + "/" + dir + "/p" +
                     std::to_string(i) + kExt[t],
                 kTypes[t], body, 978307200 + static_cast<std::int64_t>(i % 100000),
                 shared[t]});
  }
  return source;
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

TEST(UiBench, DISABLED_RefreshAndRefill) {
  uitest::App();
  uitest::TempDir bodies, settings;
  platform::SetSettingsFolder(settings.path() + "/");
  {
    std::FILE* f = std::fopen(settings.File("screen.dat").c_str(), "wb");
    std::fputs("[Cache]\r\nRefresh=0\r\n", f);
    std::fclose(f);
  }
  QElapsedTimer t;
  t.start();
  auto source = MakeBigSource(bodies.path(), 100000, 10000);
  std::printf("synthetic cache: %zu entries written in %.0f ms\n", source->Size(), Ms(t));

  ui::TfrmMain w(std::move(source));
  w.FormCreate();

  t.restart();
  w.RefreshCache();
  const double refresh = Ms(t);
  t.restart();
  w.TreePane()->Rebuild();
  const double treeFill = Ms(t);
  std::printf("refresh (build, sort, names): %.0f ms\n", refresh);
  std::printf("tree fill (Rebuild): %.0f ms, %d folders under the root\n", treeFill,
              w.TreePane()->RootItem()->childCount());
  std::printf("refresh total: %.0f ms\n", refresh + treeFill);

  // The model's share, step by step, on a second load (the list lets go of its
  // nodes first, as a refresh does).
  w.Ui().lvwCache->Model()->ForgetNodes();
  TWebCacheTree* model = w.CacheTree();
  t.restart();
  const int count = model->GetCount();
  std::printf("  count entries: %.0f ms (%d)\n", Ms(t), count);
  t.restart();
  model->Build();
  std::printf("  build: %.0f ms\n", Ms(t));
  t.restart();
  model->SortAll();
  std::printf("  sort: %.0f ms\n", Ms(t));
  t.restart();
  model->MakeNamesUnique(model->Root());
  std::printf("  names: %.0f ms\n", Ms(t));
  w.TreePane()->Rebuild();

  QTreeWidgetItem* big = w.TreePane()->FindTreeNode("http://big.example.com/files/");
  ASSERT_NE(big, nullptr);
  t.restart();
  w.Ui().tvwCache->setCurrentItem(big);
  const double cold = Ms(t);
  const int items = w.Ui().lvwCache->Model()->Count();
  std::printf("list refill, 10,000 files, cold: %.0f ms (%d items, %d titles parsed)\n", cold,
              items, w.ListPane()->TitlesParsed());
  w.Ui().tvwCache->setCurrentItem(w.TreePane()->RootItem());
  t.restart();
  w.Ui().tvwCache->setCurrentItem(big);
  const double warm = Ms(t);
  std::printf("list refill, 10,000 files, warm: %.0f ms (%d titles parsed in all)\n", warm,
              w.ListPane()->TitlesParsed());
  t.restart();
  w.lvwCacheColumnClick(5);
  std::printf("sort by date: %.0f ms\n", Ms(t));
  EXPECT_EQ(items, 10000);
  platform::SetSettingsFolder("");
}

}  // namespace
