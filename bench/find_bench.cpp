// Content search of the find engine over a generated cache of about 20,000 bodies
// (200 MB: Shift_JIS, EUC-JP, ISO-2022-JP, UTF-8 and binary), without the per-node
// pause, against `grep -rlF` (match case) and `grep -rliF` (ignore case) over the same
// body files, in one run.  Prints the rates and the ratios of the times; exits 1 when
// the hits differ from the files grep lists.
//   find_bench [--files N] [--size BYTES] [--dir PARENT]
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "find/find_engine.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/memory_source.h"
#include "text/jcode.h"
#include "tree/web_cache_tree.h"

namespace {

constexpr const char* kNeedle = "tollhaven-needle-0042";
// Every other needle is written in this case, found only when ignoring case.
constexpr const char* kNeedleMixed = "TollHaven-Needle-0042";

struct Generated {
  std::vector<TCacheSourceRecord> records;
  std::uint64_t bytes = 0;
  int needles = 0;       // bodies holding the needle in either case
  int needlesExact = 0;  // ... as kNeedle
};

// Shift_JIS sentences of web-page-like Japanese.
std::vector<std::string> Sentences(std::mt19937& gen) {
  const char* words[] = {"東京", "大阪", "日本語", "文字コード", "変換", "キャッシュ", "ブラウザ",
                         "ページ", "検索", "お気に入り", "保存", "表示", "設定", "ファイル",
                         "フォルダ", "画像", "ソフトウェア", "予定", "図書館", "新聞", "天気予報",
                         "ホームページ", "インターネット", "メール", "会社概要", "Netscape",
                         "HTML", "2001", "Version 4.7", "<a href=\"index.html\">"};
  const char* glue[] = {"の", "を", "に", "は", "が", "と", "で", "から", "です。", "ます。"};
  std::vector<std::string> out;
  for (int i = 0; i < 400; ++i) {
    std::string utf8 = "<p>";
    int parts = 4 + static_cast<int>(gen() % 10);
    for (int p = 0; p < parts; ++p) {
      utf8 += words[gen() % (sizeof words / sizeof *words)];
      utf8 += glue[gen() % (sizeof glue / sizeof *glue)];
    }
    utf8 += "</p>\r\n";
    out.push_back(platform::Utf8ToAnsi(utf8));
  }
  return out;
}

Generated Generate(const std::string& dir, int files, std::size_t size) {
  std::mt19937 gen(7);
  std::vector<std::string> sentences = Sentences(gen);
  Generated g;
  for (int i = 0; i < files; ++i) {
    std::size_t target = size / 2 + gen() % size;  // sizes vary around `size`
    std::string body;
    int kind = static_cast<int>(gen() % 20);  // 7 SJIS, 4 EUC, 3 JIS, 3 UTF-8, 3 binary
    std::string ext = ".html";
    if (kind >= 17) {
      ext = ".gif";
      body = "GIF89a";
      while (body.size() < target) body.push_back(static_cast<char>(gen() & 0xFF));
    } else {
      body = "<html><head><title>page</title></head><body>\r\n";
      while (body.size() < target) body += sentences[gen() % sentences.size()];
      body += "</body></html>\r\n";
    }
    if (gen() % 100 == 0) {
      // The needle somewhere in the second half, between sentences.
      std::size_t at = body.size() / 2;
      while (at < body.size() && body[at] != '\n') ++at;
      const bool exact = g.needles % 2 == 0;
      body.insert(at < body.size() ? at + 1 : body.size(), exact ? kNeedle : kNeedleMixed);
      ++g.needles;
      if (exact) ++g.needlesExact;
    }
    if (kind >= 7 && kind < 11) body = sjis2euc(body);
    else if (kind >= 11 && kind < 14) body = sjis2jis83(body);
    else if (kind >= 14 && kind < 17) body = platform::AnsiToUtf8(body);
    std::string path = dir + "/b" + std::to_string(i % 64) + "/M" + std::to_string(i) + ext;
    if (i < 64) platform::CreateOneFolder(dir + "/b" + std::to_string(i));
    // Plain writes: a synced write per body would make generating take minutes.
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool written = f && std::fwrite(body.data(), 1, body.size(), f) == body.size();
    if (f && std::fclose(f) != 0) written = false;
    if (!written) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
    g.bytes += body.size();
    g.records.push_back(thtest::Record("http://host" + std::to_string(i % 50) + ".example.jp/d" +
                                       std::to_string(i % 37) + "/page" + std::to_string(i) + ext)
                            .File(path)
                            .Size(static_cast<std::uint32_t>(body.size()))
                            .Modified(1000000000 + i)
                            .Type(kind >= 17 ? "image/gif" : "text/html"));
  }
  return g;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs grep (-rlF, or -rliF) and counts the files it lists.
int GrepFiles(const std::string& dir, bool ignoreCase, double& seconds) {
  std::string cmd = std::string(ignoreCase ? "grep -rliF '" : "grep -rlF '") + kNeedle + "' '" +
                    dir + "'";
  auto start = std::chrono::steady_clock::now();
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  int lines = 0;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p))
    if (std::strchr(buf, '\n')) ++lines;
  pclose(p);
  seconds = Seconds(start);
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 20000;
  std::size_t size = 10 * 1024;
  std::string parent = platform::TempFolder();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--files")) files = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--size")) size = std::strtoul(argv[i + 1], nullptr, 10);
    else if (!std::strcmp(argv[i], "--dir")) parent = argv[i + 1];
  }
  std::string dir = platform::CreateUniqueFolder(parent, "thfindbench");
  if (dir.empty()) {
    std::fprintf(stderr, "cannot create a folder in %s\n", parent.c_str());
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  Generated g = Generate(dir, files, size);
  std::printf("generated %d bodies, %.1f MB, %d with the needle (%d as typed), in %.1f s\n",
              files, g.bytes / 1e6, g.needles, g.needlesExact, Seconds(start));

  auto cache = std::make_shared<thtest::MemoryCache>();
  cache->records = std::move(g.records);
  TWebCacheTree tree(std::make_unique<thtest::MemorySource>(cache));
  tree.ContentTypes().AddType("text/html", ".html");
  tree.ContentTypes().AddType("image/gif", ".gif");
  tree.Refresh();

  // Warm the page cache for both contenders.
  double warm = 0;
  GrepFiles(dir, false, warm);

  auto run = [&](bool ignoreCase, std::uint64_t& hits) {
    auto data = std::make_unique<TFindData>();
    data->StartNode = tree.Root();
    data->IgnoreCase = ignoreCase;
    data->Contains = kNeedle;
    TFindThread search;
    search.PausePerNode = std::chrono::microseconds(0);
    search.IdlePriority = false;
    search.SetCriteria(std::move(data));
    hits = 0;
    search.OnFound = [&](TFindThread&, TWebCacheTreeNode*) { ++hits; };
    auto t = std::chrono::steady_clock::now();
    search.Execute();
    return Seconds(t);
  };

  // Each contender's best of three rounds, the rounds interleaved so that a burst of
  // load on the machine falls on all of them alike.
  std::uint64_t hitsCase = 0, hitsIgnore = 0;
  double bestCase = 1e9, bestIgnore = 1e9, bestGrep = 1e9, bestGrepI = 1e9;
  int grepFiles = 0, grepFilesI = 0;
  for (int round = 0; round < 3; ++round) {
    // `run(ignoreCase, ...)`: the engine's IgnoreCase flag.
    bestCase = std::min(bestCase, run(false, hitsCase));
    bestIgnore = std::min(bestIgnore, run(true, hitsIgnore));
    double s = 0;
    grepFiles = GrepFiles(dir, false, s);
    bestGrep = std::min(bestGrep, s);
    grepFilesI = GrepFiles(dir, true, s);
    bestGrepI = std::min(bestGrepI, s);
  }
  const double mb = g.bytes / 1e6;
  const char* locale = std::getenv("LC_ALL");
  if (!locale || !*locale) locale = std::getenv("LANG");
  std::printf("grep runs in the locale %s\n", locale && *locale ? locale : "C");
  std::printf("find (match case):  %.3f s  %7.1f MB/s  hits %llu\n", bestCase, mb / bestCase,
              static_cast<unsigned long long>(hitsCase));
  std::printf("find (ignore case): %.3f s  %7.1f MB/s  hits %llu\n", bestIgnore,
              mb / bestIgnore, static_cast<unsigned long long>(hitsIgnore));
  std::printf("grep -rlF:          %.3f s  %7.1f MB/s  files %d\n", bestGrep, mb / bestGrep,
              grepFiles);
  std::printf("grep -rliF:         %.3f s  %7.1f MB/s  files %d\n", bestGrepI, mb / bestGrepI,
              grepFilesI);
  std::printf("ratio find/grep -rlF (match case): %.2fx   find/grep -rliF (ignore case): %.2fx\n",
              bestCase / bestGrep, bestIgnore / bestGrepI);
  platform::DeleteTreeSilent(dir);
  return hitsCase == static_cast<std::uint64_t>(grepFiles) &&
                 hitsIgnore == static_cast<std::uint64_t>(grepFilesI)
             ? 0
             : 1;
}
