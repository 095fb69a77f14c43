// The window's start on a real cache, as `tollhaven` does it: the application, the main
// window and its first load, until the tree pane is filled and painted; then it quits.
//
//   ui_start_bench [--prefix DIR | --fat-db FILE | ...]   (the window's own options)
//
// Without --settings the window gets a fresh settings folder of its own, so every run
// starts alike and the settings of other programs are left alone.  Prints the time from
// the start of main() to the filled tree; run_all.sh times the whole process against
// `tollhaven-cli tree` on the same cache.
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/files.h"
#include "ui/main/main_window.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace {

int CountItems(const QTreeWidgetItem* item) {
  int n = 1;
  for (int i = 0; i < item->childCount(); ++i) n += CountItems(item->child(i));
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer clock;
  clock.start();
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                   : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  ui::SetApplicationTitle(QStringLiteral("Tollhaven"));
  ui::EnsureIconTheme();

  TStartupOptions options;
  TStartupRules rules;
  std::vector<std::string> args;
  for (const QString& arg : QApplication::arguments()) args.push_back(arg.toStdString());
  const TStartupResult started = StartUp(args, rules, options);
  if (started.Status != TStartupStatus::Ok) {
    std::fprintf(stderr, "ui_start_bench: bad option %s\n", started.Subject.c_str());
    return 2;
  }
  std::string ownSettings;
  if (options.SettingsDir.empty()) {
    ownSettings = platform::CreateUniqueFolder(platform::TempFolder(), "th_ui_start_");
    if (ownSettings.empty()) return 1;
    platform::SetSettingsFolder(ownSettings);
  }

  int items = 0, top = 0;
  double filled = 0;
  {
    ui::TfrmMain window(MakeCacheSource(options));
    window.FormCreate();
    QApplication::processEvents();  // the first paint of the filled tree
    filled = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QTreeWidget* tree = window.Ui().tvwCache;
    top = tree->topLevelItemCount();
    for (int i = 0; i < top; ++i) items += CountItems(tree->topLevelItem(i));
  }
  std::printf("window start to filled tree: %.0f ms (%d tree items, %d at the top)\n", filled,
              items, top);
  if (!ownSettings.empty()) platform::DeleteTreeSilent(ownSettings);
  return items > 0 ? 0 : 1;
}
