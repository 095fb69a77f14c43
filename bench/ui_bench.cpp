// The window's commands at scale, on a real Netscape cache of 100,000 entries made by
// make-netscape-cache: the properties of 10,000 selected nodes (texts worked out and
// the dialog shown), and the delete of 10,000 selected files through the window's
// delete command, against one enumeration of the cache.
//
//   ui_bench [entries] [folder files] [files deleted]   (defaults 100000 10000 10000)
// The properties are always of the whole folder; the delete takes the first
// `files deleted` files of it (while every delete reads the whole index, a smaller
// count gives the cost per file in reasonable time).
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/property_dialog.h"
#include "ui/main/cache_list_control.h"
#include "ui/main/cache_list_view.h"
#include "ui/main/cache_tree_view.h"
#include "ui/main/main_window.h"

namespace {

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

std::string Run(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

std::string Value(const std::string& output, const std::string& key) {
  const std::size_t at = output.find(key + "=");
  if (at == std::string::npos) return {};
  const std::size_t end = output.find('\n', at);
  return output.substr(at + key.size() + 1, end - at - key.size() - 1);
}

// The folder with the most files.
TWebCacheTreeNode* BiggestFolder(TWebCacheTreeNode* node, std::size_t& best) {
  TWebCacheTreeNode* found = nullptr;
  std::size_t files = 0;
  for (std::size_t i = 0; i < node->Count(); ++i) {
    TWebCacheTreeNode* child = node->Items(i);
    if (child->IsFolder()) {
      if (TWebCacheTreeNode* f = BiggestFolder(child, best)) found = f;
    } else {
      ++files;
    }
  }
  if (files > best) {
    best = files;
    found = node;
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string entries = argc > 1 ? argv[1] : "100000";
  const std::string folderFiles = argc > 2 ? argv[2] : "10000";
  const int toDelete = argc > 3 ? std::atoi(argv[3]) : 10000;
  char work[] = "/tmp/th_ui_bench_XXXXXX";
  if (!mkdtemp(work)) return 1;
  const std::string dir = work;
  QElapsedTimer t;
  t.start();
  const std::string out = Run(std::string(TH_MAKE_CACHE_TOOL) + " --generate " + entries +
                              " --body-size 16 --folder-files " + folderFiles + " " + dir +
                              "/prefix --reg-file " + dir + "/netscape.reg");
  const std::string fatDb = Value(out, "fat_db");
  if (fatDb.empty()) {
    std::fprintf(stderr, "make-netscape-cache failed: %s\n", out.c_str());
    return 1;
  }
  std::printf("cache of %s entries written in %.0f ms\n", Value(out, "records").c_str(), Ms(t));
  platform::SetSettingsFolder(dir + "/");
  if (FILE* f = std::fopen((dir + "/screen.dat").c_str(), "wb")) {
    std::fputs("[Cache]\r\nRefresh=0\r\n", f);
    std::fclose(f);
  }

  // One enumeration of the cache, the yardstick of the delete.
  double enumeration = 0;
  {
    TWebCache cache(std::make_unique<TNetscapeCacheSource>(fatDb));
    TWebCacheEntryInfo entry;
    t.restart();
    int n = 0;
    for (bool more = cache.FindFirst(entry); more; more = cache.FindNext(entry)) ++n;
    cache.FindClose();
    enumeration = Ms(t);
    std::printf("one enumeration: %.0f ms (%d entries)\n", enumeration, n);
  }

  ui::TfrmMain w(std::make_unique<TNetscapeCacheSource>(fatDb));
  w.FormCreate();
  t.restart();
  w.RefreshCache();
  w.TreePane()->Rebuild();
  std::printf("refresh: %.0f ms\n", Ms(t));
  std::size_t best = 0;
  TWebCacheTreeNode* big = BiggestFolder(w.CacheTree()->Root(), best);
  if (!big) return 1;
  const std::string url(big->EntryInfo().FolderUrl);
  QTreeWidgetItem* item = w.TreePane()->FindTreeNode(url);
  if (!item) return 1;
  w.Ui().tvwCache->setCurrentItem(item);
  ui::CacheListControl* list = w.Ui().lvwCache;
  list->CurrentView()->setFocus();
  QApplication::processEvents();
  list->SelectAll();
  const std::vector<TWebCacheTreeNode*> nodes = w.CollectSelectedNodes();
  std::printf("folder %s: %zu files, %zu selected\n", url.c_str(), best, nodes.size());

  t.restart();
  const ui::TPropertyTexts texts = ui::DescribeNodes(nodes);
  const double describe = Ms(t);
  t.restart();
  {
    ui::TfrmProperty dialog(&w, nodes);
    dialog.show();
    QApplication::processEvents();
  }
  const double shown = Ms(t);
  std::printf("properties of %zu nodes: texts %.1f ms, dialog made and shown %.1f ms (%s)\n",
              nodes.size(), describe, shown, texts.Name.toUtf8().constData());

  for (int row = 0; row < list->Model()->Count(); ++row) list->SetSelected(row, row < toDelete);
  const std::size_t deleting = w.CollectSelectedNodes().size();
  // The confirmation is answered yes as soon as it shows.
  QTimer::singleShot(0, [] {
    if (QWidget* d = QApplication::activeModalWidget())
      if (auto* yes = d->findChild<QPushButton*>(QStringLiteral("btnYes"))) yes->click();
  });
  t.restart();
  w.DeleteSelection();
  const double del = Ms(t);
  std::printf("delete of %zu files: %.0f ms = %.2f x one enumeration (%zu files left in the list)\n",
              deleting, del, del / enumeration,
              static_cast<std::size_t>(list->Model()->Count()));
  platform::DeleteTreeSilent(dir);
  return 0;
}
