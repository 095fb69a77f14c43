// The find window searching by name over a cache of 100,000 entries held in memory:
// the time to its first hit and to its end, and the longest wait of the window's
// event loop meanwhile (the largest interval between ticks of a 5 ms timer, which
// includes the 5 ms themselves).  The search runs as the window runs it: on its own
// thread at idle priority, 1 ms per tested node, each hit handed to the window.
// All times are wall-clock milliseconds from the press of the start button.  The
// idle-priority walk only gets processor time nothing else wants, so on a busy
// machine its times say more about the load (printed) than about the walk; each long
// gap is printed with what the window's own thread did meanwhile.
//
//   ui_find_bench [entries]   (default 100000)
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <memory>
#include <string>
#include <vector>

#include "find/find_engine.h"
#include "platform/files.h"
#include "support/memory_source.h"
#include "tree/web_cache_tree.h"
#include "ui/find/find_window.h"
#include "ui/main/cache_list_control.h"

namespace {

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

// What the calling thread has had so far: processor time, time it waited, ready to
// run, for a processor, and page faults that had to read from disk.
struct ThreadUse {
  double cpuMs = 0;
  double queuedMs = 0;
  long diskFaults = 0;
};
ThreadUse ThreadUsage() {
  ThreadUse use;
  if (FILE* f = std::fopen("/proc/thread-self/schedstat", "r")) {
    unsigned long long run = 0, wait = 0;
    if (std::fscanf(f, "%llu %llu", &run, &wait) == 2) {
      use.cpuMs = static_cast<double>(run) / 1e6;
      use.queuedMs = static_cast<double>(wait) / 1e6;
    }
    std::fclose(f);
  }
  rusage ru{};
  getrusage(RUSAGE_THREAD, &ru);
  use.diskFaults = ru.ru_majflt;
  return use;
}

// The machine's load average over the last minute (an idle-priority walk only gets
// the processor time nothing else wants).
std::string LoadAverage() {
  std::string text;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    char buf[64] = {};
    if (std::fgets(buf, sizeof buf, f)) text = buf;
    std::fclose(f);
  }
  return text.substr(0, text.find(' '));
}

// 100 hosts, 10 folders each, files spread over them; one file in 100 is a photo.
std::shared_ptr<thtest::MemoryCache> MakeCache(int entries) {
  auto cache = std::make_shared<thtest::MemoryCache>();
  cache->records.reserve(static_cast<std::size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const std::string host = "http://www" + std::to_string(i % 100) + ".example.com/";
    const std::string folder = "dir" + std::to_string((i / 100) % 10) + "/";
    const bool photo = i % 100 == 57;
    const std::string name =
        photo ? "photo" + std::to_string(i) + ".jpg" : "page" + std::to_string(i) + ".html";
    cache->records.push_back(thtest::Rec(host + folder + name, photo ? "image/jpeg" : "text/html",
                                         2048, 1000000000 + i));
  }
  return cache;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  char work[] = "/tmp/th_find_bench_XXXXXX";
  if (!mkdtemp(work)) return 1;
  const std::string dir = work;

  QElapsedTimer t;
  t.start();
  TWebCacheTree tree(std::make_unique<thtest::MemorySource>(MakeCache(entries)));
  tree.SetSettingsReadOnly(true);
  tree.Refresh();
  std::printf("tree of %d entries built in %.0f ms\n", entries, Ms(t));

  int code = 0;
  {
    ui::TfrmFind window(nullptr, QString::fromStdString(dir + "/find.dat"));
    window.SetSearchStart(&tree, "");
    window.show();
    QApplication::processEvents();
    window.Ui().edtFileName->setText(QStringLiteral("photo"));

    // The event loop's pulse: the longest interval between two ticks.
    QElapsedTimer pulse;
    double longest = 0;
    int longestHits = 0;
    // Gaps over 50 ms: where they end, how long they are, and what the window's
    // thread did meanwhile (worked, waited for a processor, or for the disk).
    struct Gap {
      double at, length;
      ThreadUse use;
    };
    std::vector<Gap> gaps;
    Gap longestGap{};
    ThreadUse last;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const double gap = Ms(pulse);
      const ThreadUse now = ThreadUsage();
      const Gap g{Ms(t), gap,
                  {now.cpuMs - last.cpuMs, now.queuedMs - last.queuedMs,
                   now.diskFaults - last.diskFaults}};
      last = now;
      if (gap > 50) gaps.push_back(g);
      if (gap > longest) {
        longest = gap;
        longestGap = g;
        longestHits = window.HitCount();
      }
      pulse.restart();
    });

    double first = -1;
    const std::string loadBefore = LoadAverage();
    t.restart();
    pulse.start();
    last = ThreadUsage();
    const ThreadUse atStart = last;
    ticker.start();
    window.btnBeginClick();
    // Kept by the window after its end event until the next search.
    TFindThread* const walk = window.SearchThread();
    while (window.SearchThread()) {
      // Sleeps until something happens (a hit, a folder, the timer): the window idles
      // as it would under its own event loop.
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
      if (first < 0 && window.HitCount() > 0) first = Ms(t);
    }
    const double end = Ms(t);
    const ThreadUse atEnd = ThreadUsage();
    ticker.stop();
    const int hits = window.HitCount();
    const int rows = window.Ui().lvwList->Model()->Count();
    std::printf("search by name \"photo\": %d hits (%d rows)\n", hits, rows);
    std::printf("first hit: %.0f ms\n", first);
    std::printf("end: %.0f ms\n", end);
    while (walk && !walk->Finished()) QApplication::processEvents();
    std::printf("the window's thread worked %.0f ms and waited %.0f ms for a processor\n",
                atEnd.cpuMs - atStart.cpuMs, atEnd.queuedMs - atStart.queuedMs);
    std::printf("nodes tested: %llu\n",
                walk ? static_cast<unsigned long long>(walk->TestedCount()) : 0ull);
    std::printf("longest event-loop gap: %.1f ms (5 ms timer; goal <= 100 ms)\n", longest);
    auto describe = [](const Gap& g) {
      std::printf("%.1f ms ending at %.0f ms: the window's thread worked %.1f ms, waited "
                  "%.1f ms for a processor, read %ld pages from disk\n",
                  g.length, g.at, g.use.cpuMs, g.use.queuedMs, g.use.diskFaults);
    };
    std::printf("  with %d hits listed: ", longestHits);
    describe(longestGap);
    std::printf("gaps over 50 ms: %zu\n", gaps.size());
    for (const Gap& g : gaps) {
      std::printf("  ");
      describe(g);
    }
    std::printf("load average: %s at the start, %s at the end\n", loadBefore.c_str(),
                LoadAverage().c_str());
    if (hits != entries / 100 + (entries % 100 > 57 ? 1 : 0) || rows != hits) {
      std::fprintf(stderr, "unexpected hit count\n");
      code = 1;
    }
  }
  platform::DeleteTreeSilent(dir);
  return code;
}
