// Builds, sorts and names cache trees from a synthetic cache of 10,000, 100,000 and
// 1,000,000 entries and prints the time of each step and the peak memory.  Each size
// runs in a child process of its own so that its peak memory is its own.
//
//   tree_bench [count ...]
//
// The synthetic cache looks like a real one: many hosts, a few folders holding tens of
// thousands of files, names repeated within a folder, query URLs, mixed content types.
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cache/cache_source.h"
#include "platform/file_time.h"
#include "support/memory_source.h"
#include "tree/web_cache_tree.h"

namespace {

// xorshift: the same cache on every run.
struct Random {
  std::uint64_t s;
  std::uint64_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
};

struct TypeShape {
  const char* type;
  const char* ext;
};
constexpr TypeShape kTypes[] = {
    {"text/html", ".html"}, {"image/gif", ".gif"},   {"image/jpeg", ".jpg"},
    {"text/plain", ".txt"}, {"image/gif", ".cgi"},   {"application/x-javascript", ".js"},
    {"text/html", ""},      {"image/jpeg", ".jpeg"},
};

// Makes the records one after another; a new one starts the same sequence again.
class SyntheticRecords {
 public:
  explicit SyntheticRecords(std::size_t count) : count_(count), rng_{0x9E3779B97F4A7C15ull} {
    hosts_ = count / 100 + 5;
  }

  bool Next(TCacheSourceRecord& rec) {
    if (next_ >= count_) return false;
    Make(next_++, rec);
    return true;
  }

 private:
  void Make(std::size_t i, TCacheSourceRecord& rec) {
    const TypeShape& t = kTypes[rng_.Below(sizeof kTypes / sizeof kTypes[0])];
    std::string url = rng_.Below(10) == 0 ? "https://" : "http://";
    std::uint32_t pick = rng_.Below(100);
    if (pick < 12) {
      // A few big folders of 10,000+ files (image servers, archives).
      url += "img" + std::to_string(rng_.Below(3)) + ".bigsite.co.jp/photos/";
      url += "p" + std::to_string(rng_.Below(static_cast<std::uint32_t>(count_ / 20 + 10))) + t.ext;
    } else {
      // Hosts with a Zipf-like skew; each site has a few dozen folders at most,
      // one to three levels deep, as browsed sites do.
      std::uint32_t host = rng_.Below(rng_.Below(static_cast<std::uint32_t>(hosts_)) + 1);
      url += "www" + std::to_string(host) + ".example" + std::to_string(host % 7) + ".com/";
      int depth = 1 + static_cast<int>(rng_.Below(3));
      static constexpr std::uint32_t kFan[] = {4, 3, 2};
      for (int d = 0; d < depth; ++d) url += "dir" + std::to_string(rng_.Below(kFan[d])) + "/";
      std::uint32_t kind = rng_.Below(100);
      if (kind < 5) {
        // folder URL: default document
      } else if (kind < 20) {
        url += "page.cgi?id=" + std::to_string(rng_.Below(1000000));
      } else if (kind < 30) {
        url += "Index" + std::string(t.ext);  // repeated names, mixed case
      } else {
        url += "file" + std::to_string(rng_.Below(400)) + t.ext;
      }
    }
    rec.SourceUrlName = std::move(url);
    char name[64];
    std::snprintf(name, sizeof name, "C:\\Cache\\%02X\\M%07X%s", static_cast<unsigned>(i % 32),
                  static_cast<unsigned>(i), t.ext);
    rec.LocalFileName = name;
    rec.CacheEntryType = NORMAL_CACHE_ENTRY;
    rec.SizeLow = 200 + rng_.Below(200000);
    rec.LastModifiedTime = platform::UnixSecondsToFileTime(900000000 + rng_.Below(100000000));
    rec.HeaderInfo = std::string("Content-Type: ") + t.type + "\r\nContent-Length: " +
                     std::to_string(rec.SizeLow) + "\r\n";
  }

  std::size_t count_;
  std::size_t hosts_;
  std::size_t next_ = 0;
  Random rng_;
};

// The memory source of the test support, fed by SyntheticRecords: a million records
// are made as they are read instead of being held.
std::unique_ptr<TWebCacheSource> SyntheticSource(std::size_t count) {
  auto cache = std::make_shared<thtest::MemoryCache>();
  cache->makeRecords = [count]() -> thtest::MemoryCache::RecordMaker {
    auto records = std::make_shared<SyntheticRecords>(count);
    return [records](TCacheSourceRecord& rec) { return records->Next(rec); };
  };
  return std::make_unique<thtest::MemorySource>(cache);
}

struct Result {
  double build = 0, sort = 0, names = 0;
  double cpu = 0;  // process CPU time of the three steps
  double sys = 0;  // of which in the kernel (mostly page faults of new memory)
  std::size_t files = 0, renames = 0, folders = 0;
  double peakMiB = 0;         // before the digest below is made
  std::uint64_t digest = 0;  // of the whole tree and rename list, to compare builds
};

// FNV-1a over every node in tree order (caption, key, URL parts, size, date) and the
// rename list's file image: two builds that print the same digest made the same tree.
struct Digest {
  std::uint64_t h = 1469598103934665603ull;
  void Add(std::string_view s) {
    for (unsigned char c : s) {
      h ^= c;
      h *= 1099511628211ull;
    }
    h ^= 0xFF;
    h *= 1099511628211ull;
  }
  void Add(std::uint64_t v) { Add(std::to_string(v)); }
  void Add(const TWebCacheTreeNode* n) {
    Add(n->Caption());
    Add(n->Key());
    Add(n->IsFolder() ? 1 : 0);
    const TWebCacheEntryView e = n->EntryInfo();
    Add(e.SourceUrl);
    Add(e.LocalFileName);
    Add(e.FolderUrl);
    Add(e.FileName);
    Add(e.QueryPart);
    Add(e.HeaderInfo.GetText());
    Add(n->TotalSize());
    const platform::SYSTEMTIME& t = e.LastModified;
    for (unsigned v : {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}) {
      Add(v);
    }
    Add(n->Count());
    for (std::size_t i = 0; i < n->Count(); ++i) Add(n->Items(i));
  }
};

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double SysSeconds() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_stime.tv_sec) + static_cast<double>(u.ru_stime.tv_usec) / 1e6;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

Result RunOne(std::size_t count) {
  Result r;
  TWebCacheTree tree(SyntheticSource(count));
  tree.ContentTypes().LoadFromMimeTypes("/etc/mime.types");
  double c0 = CpuSeconds();
  double s0 = SysSeconds();
  auto t0 = std::chrono::steady_clock::now();
  tree.Build();
  auto t1 = std::chrono::steady_clock::now();
  tree.SortAll();
  auto t2 = std::chrono::steady_clock::now();
  tree.MakeNamesUnique(tree.Root());
  auto t3 = std::chrono::steady_clock::now();
  r.cpu = CpuSeconds() - c0;
  r.sys = SysSeconds() - s0;
  r.build = Seconds(t0, t1);
  r.sort = Seconds(t1, t2);
  r.names = Seconds(t2, t3);
  r.files = TWebCacheTree::CountFiles(tree.Root());
  std::vector<const TWebCacheTreeNode*> stack{tree.Root()};
  while (!stack.empty()) {
    const TWebCacheTreeNode* n = stack.back();
    stack.pop_back();
    for (std::size_t i = 0; i < n->Count(); ++i) {
      if (n->Items(i)->IsFolder()) {
        ++r.folders;
        stack.push_back(n->Items(i));
      }
    }
  }
  r.renames = tree.RenameItems().Count();
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  r.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  Digest d;
  d.Add(tree.Root());
  for (std::size_t i = 0; i < tree.RenameItems().Count(); ++i) {
    d.Add(tree.RenameItems()[i].OriginalUrl);
    d.Add(tree.RenameItems()[i].NewUrl);
  }
  r.digest = d.h;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};

  // Times are wall-clock seconds; cpu_s is the CPU time of the same steps (the two
  // differ when the machine is busy with other work).
  std::printf("%10s %9s %9s %9s %9s %9s %9s %10s %9s\n", "entries", "build_s", "sort_s",
              "names_s", "total_s", "cpu_s", "sys_s", "peak_MiB", "renamed");
  double previous = 0;
  std::size_t previousSize = 0;
  for (std::size_t n : sizes) {
    int fds[2];
    if (pipe(fds) != 0) return 1;
    pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
      close(fds[0]);
      Result r = RunOne(n);
      ssize_t w = write(fds[1], &r, sizeof r);
      _exit(w == static_cast<ssize_t>(sizeof r) ? 0 : 1);
    }
    close(fds[1]);
    Result r;
    ssize_t got = read(fds[0], &r, sizeof r);
    close(fds[0]);
    int status = 0;
    wait4(pid, &status, 0, nullptr);
    if (got != static_cast<ssize_t>(sizeof r) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("%10zu failed\n", n);
      return 1;
    }
    double total = r.build + r.sort + r.names;
    std::printf("%10zu %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %10.1f %9zu", n, r.build, r.sort,
                r.names, total, r.cpu, r.sys, r.peakMiB, r.renames);
    if (previous > 0) {
      std::printf("   x%.1f cpu time for x%.0f entries", r.cpu / previous,
                  static_cast<double>(n) / static_cast<double>(previousSize));
    }
    std::printf("\n");
    std::fflush(stdout);
    std::printf("%10s files %zu, folders %zu, digest %016llx\n", "", r.files, r.folders,
                static_cast<unsigned long long>(r.digest));
    previous = r.cpu;
    previousSize = n;
  }
  return 0;
}
