// Loading and saving a favorites.dat of 5,000 favorites (about 1 MB) through the
// favorites store: the best of several runs of each, with the file's size and the
// time of the atomic write alone (temporary file, fsync, rename), which bounds a save.
//   favorites_bench [--count N] [--runs R] [--dir PARENT]
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

double Millis(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Processor time of this process in ms: on a machine shared with other work the
// wall time of one run depends on what else runs.
double CpuMillis() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

std::unique_ptr<TFavoriteItem> MakeFavorite(int i) {
  auto item = std::make_unique<TFavoriteItem>();
  const std::string n = std::to_string(i);
  // Japanese titles and destinations, as a user's list holds them.
  item->Title = platform::Utf8ToAnsi("お気に入りのサイト ") + n;
  item->UrlName = "http://www" + std::to_string(i % 97) + ".example.co.jp/dir" + n + "/";
  item->PathName = platform::Utf8ToAnsi("C:\\保存先\\") + n + "\\";
  item->Default = "index.html";
  item->Folder = static_cast<std::uint8_t>(i % 2 + 1);
  item->Method = static_cast<std::uint8_t>(i % 3 + 1);
  item->Timer = i % 5 == 0;
  item->Date = ParseFavoriteDate("2026/12/08 " + std::to_string(i % 24) + ":30:15");
  return item;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 5000;
  int runs = 5;
  std::string parent = platform::TempFolder();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--count")) count = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--dir")) parent = argv[i + 1];
  }
  const std::string dir = platform::CreateUniqueFolder(parent, "thfavbench");
  if (dir.empty()) {
    std::fprintf(stderr, "cannot create a folder in %s\n", parent.c_str());
    return 1;
  }
  const std::string path = platform::JoinPath(dir, TFavorites::kFileName);

  // The list is built in memory (no path: nothing is saved per favorite), then the
  // path is set on an empty file's store and the whole list saved once.
  TFavorites store;
  for (int i = 1; i <= count; ++i) store.AddFavorite(MakeFavorite(i));
  store.SetFavoritesPath(path);
  if (!store.SaveFavorites()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }

  double bestSave = 1e300, cpuSave = 1e300;
  double bestLoad = 1e300, cpuLoad = 1e300;
  int loaded = 0;
  for (int r = 0; r < runs; ++r) {
    // A change of one favorite, so that every save really writes the file.
    store.GetItem(r % count)->Title += "*";
    auto t0 = std::chrono::steady_clock::now();
    double c0 = CpuMillis();
    bool ok = store.SaveFavorites();
    cpuSave = std::min(cpuSave, CpuMillis() - c0);
    bestSave = std::min(bestSave, Millis(std::chrono::steady_clock::now() - t0));
    if (!ok) {
      std::fprintf(stderr, "save failed\n");
      return 1;
    }
    TFavorites fresh;
    t0 = std::chrono::steady_clock::now();
    c0 = CpuMillis();
    fresh.SetFavoritesPath(path);
    cpuLoad = std::min(cpuLoad, CpuMillis() - c0);
    bestLoad = std::min(bestLoad, Millis(std::chrono::steady_clock::now() - t0));
    loaded = fresh.Count();
  }
  // The save's floor on this disk: writing the same bytes atomically (with fsync).
  std::string bytes;
  platform::ReadWholeFile(path, bytes);
  double bestWrite = 1e300;
  for (int r = 0; r < runs; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    platform::AtomicWriteFile(path + ".copy", bytes);
    bestWrite = std::min(bestWrite, Millis(std::chrono::steady_clock::now() - t0));
  }
  std::uint64_t size = 0;
  platform::GetFileSize(path, size);
  std::printf("favorites.dat: %d favorites, %.2f MB\n", count, double(size) / 1e6);
  std::printf("load: %d favorites in %.1f ms wall, %.1f ms processor (best of %d)\n", loaded,
              bestLoad, cpuLoad, runs);
  std::printf("save: %d favorites in %.1f ms wall, %.1f ms processor (best of %d)\n", count,
              bestSave, cpuSave, runs);
  std::printf("atomic write of the same bytes alone: %.1f ms (best of %d)\n", bestWrite, runs);
  std::printf("goal: < 100 ms each: load %s, save %s\n", bestLoad < 100 ? "met" : "NOT met",
              bestSave < 100 ? "met" : "NOT met");
  platform::DeleteTreeSilent(dir);
  return loaded == count ? 0 : 1;
}
