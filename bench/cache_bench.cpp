// Enumerates a generated 100,000-entry Netscape cache with TWebCache and times
// db_dump185 -p (the Berkeley DB 1.85 library's own dump) over the same FAT.DB in the
// same run.  Prints records per second for both and their ratio.
//
//   cache_bench [count] [existing-prefix-dir]
//
// Without a prefix folder the cache is written to a temporary folder by
// make-netscape-cache --generate and removed afterwards.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;

int Run(const std::vector<std::string>& args, const char* stdoutPath) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Best of `runs` timings, in seconds.
template <typename F>
double Best(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

std::size_t Enumerate(const std::string& fatDb) {
  TWebCache cache(std::make_unique<TNetscapeCacheSource>(fatDb));
  TWebCacheEntryInfo entry;
  std::size_t n = 0;
  for (bool more = cache.FindFirst(entry); more; more = cache.FindNext(entry)) ++n;
  cache.FindClose();
  return n;
}

std::string FindLine(const std::string& file, const std::string& key) {
  std::FILE* f = std::fopen(file.c_str(), "r");
  if (!f) return {};
  char line[4096];
  std::string value;
  while (std::fgets(line, sizeof line, f)) {
    std::string s = line;
    if (s.rfind(key + "=", 0) == 0) {
      value = s.substr(key.size() + 1);
      while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    }
  }
  std::fclose(f);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  std::string prefix = argc > 2 ? argv[2] : "";
  bool temporary = prefix.empty();
  std::string work = platform::CreateUniqueFolder(platform::TempFolder(), "thbench");
  std::string log = work + "/tool.log";

  if (temporary) {
    std::string tool = TH_MAKE_CACHE_TOOL;
    if (tool.empty()) {
      std::fprintf(stderr, "cache_bench: make-netscape-cache was not built\n");
      return 1;
    }
    prefix = work + "/prefix";
    std::printf("generating %zu entries with make-netscape-cache ...\n", count);
    std::fflush(stdout);
    auto t0 = Clock::now();
    if (Run({tool, "--generate", std::to_string(count), "--body-size", "16", prefix}, log.c_str()) != 0) {
      std::fprintf(stderr, "cache_bench: the generator failed, see %s\n", log.c_str());
      return 1;
    }
    std::printf("generated in %.1f s\n",
                std::chrono::duration<double>(Clock::now() - t0).count());
  }
  std::string fatDb = temporary ? FindLine(log, "fat_db") : "";
  std::string fatDbWindows = temporary ? FindLine(log, "fat_db_windows") : "";
  if (!temporary) {
    // A prefix written earlier: its manifest names FAT.DB by its Windows path.
    platform::SetWinePrefix(prefix);
    std::string manifest;
    if (platform::ReadWholeFile(prefix + "/manifest.tsv", manifest)) {
      std::size_t at = manifest.find("# fat.db\t");
      if (at != std::string::npos) {
        at += 9;
        fatDbWindows = manifest.substr(at, manifest.find('\n', at) - at);
        fatDb = platform::HostPath(fatDbWindows);
      }
    }
  }
  if (fatDb.empty()) {
    std::fprintf(stderr, "cache_bench: no FAT.DB path (give a generated prefix's tool output)\n");
    return 1;
  }
  platform::SetWinePrefix(prefix);

  const int runs = 5;
  std::size_t delivered = 0;
  double ours = Best(runs, [&] { delivered = Enumerate(fatDb); });
  std::size_t deliveredWin = 0;
  double oursWindows = fatDbWindows.empty() ? 0 : Best(runs, [&] { deliveredWin = Enumerate(fatDbWindows); });

  std::string dumpOut = work + "/dump.txt";
  int dumpCode = 0;
  double dump = Best(runs, [&] { dumpCode = Run({"db_dump185", "-p", fatDb}, dumpOut.c_str()); });
  if (dumpCode != 0) std::fprintf(stderr, "cache_bench: db_dump185 exited with %d\n", dumpCode);

  std::printf("FAT.DB: %s\n", fatDb.c_str());
  std::printf("TWebCache enumeration (host path):    %8zu records in %.3f s = %10.0f records/s\n",
              delivered, ours, delivered / ours);
  if (!fatDbWindows.empty()) {
    std::printf("TWebCache enumeration (C:\\ path):      %8zu records in %.3f s = %10.0f records/s\n",
                deliveredWin, oursWindows, deliveredWin / oursWindows);
  }
  std::printf("db_dump185 -p (same file, to a file): %8zu records in %.3f s = %10.0f records/s\n",
              delivered, dump, delivered / dump);
  std::printf("ratio TWebCache / db_dump185 time: %.2f (host path)", ours / dump);
  if (!fatDbWindows.empty()) std::printf(", %.2f (C:\\ path)", oursWindows / dump);
  std::printf("  (below 1 = faster than the library's dump; best of %d runs each)\n", runs);

  if (temporary) platform::DeleteTreeSilent(work);
  else platform::DeleteTreeSilent(work);
  return 0;
}
