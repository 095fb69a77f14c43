// make-netscape-cache: writes a Netscape 4.x profile and disk cache as a Wine-style
// prefix, from a description file or generated at scale.  See README.md.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "cache_writer.h"
#include "description.h"
#include "generator.h"

namespace {

const char kUsage[] =
    "usage: make-netscape-cache DESCRIPTION OUT_DIR [--reg-file FILE]\n"
    "       make-netscape-cache --generate N [--seed S] [--body-size B] [--hosts H]\n"
    "                           [--folder-files F] [--faults PERCENT] [--long-urls PERCENT]\n"
    "                           [--churn] OUT_DIR [--reg-file FILE]\n"
    "Writes OUT_DIR/user.reg, system.reg, dosdevices/, drive_*/ (profile, prefs.js,\n"
    "bookmark.htm, cache folder with FAT.DB and bodies) and manifest.tsv.\n";

bool ParseCount(const char* text, unsigned long long max, unsigned long long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtoull(text, &end, 10);
  return errno == 0 && *text != '-' && end != text && *end == '\0' && out <= max;
}

}  // namespace

int main(int argc, char** argv) {
  std::string description, outDir, regFile;
  bool generate = false;
  mnc::GenerateOptions gen;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto number = [&](unsigned long long max, unsigned long long& v) {
      if (i + 1 >= argc || !ParseCount(argv[i + 1], max, v)) {
        std::fprintf(stderr, "make-netscape-cache: %s wants a number up to %llu\n", a.c_str(), max);
        std::exit(2);
      }
      ++i;
    };
    unsigned long long v = 0;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--reg-file" && i + 1 < argc) {
      regFile = argv[++i];
    } else if (a == "--generate") {
      number(10000000, v);
      generate = true;
      gen.count = v;
    } else if (a == "--seed") {
      number(0xFFFFFFFFull, v);
      gen.seed = static_cast<std::uint32_t>(v);
    } else if (a == "--body-size") {
      number(64u << 20, v);
      gen.bodySize = v;
    } else if (a == "--hosts") {
      number(1000000, v);
      gen.hosts = v;
    } else if (a == "--folder-files") {
      number(10000000, v);
      gen.folderFiles = v;
    } else if (a == "--faults") {
      number(100, v);
      gen.faultPercent = static_cast<unsigned>(v);
    } else if (a == "--long-urls") {
      number(100, v);
      gen.longUrlPercent = static_cast<unsigned>(v);
    } else if (a == "--churn") {
      gen.churn = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "make-netscape-cache: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else if (!generate && description.empty()) {
      description = a;
    } else if (outDir.empty()) {
      outDir = a;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (outDir.empty() || (!generate && description.empty())) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  auto started = std::chrono::steady_clock::now();
  mnc::CacheDescription desc;
  std::string error;
  if (generate) {
    mnc::BuildGenerated(gen, desc);
  } else {
    std::ifstream in(description, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "make-netscape-cache: cannot read %s\n", description.c_str());
      return 1;
    }
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::string base = std::filesystem::path(description).parent_path().string();
    if (base.empty()) base = ".";
    if (!mnc::ParseDescription(text, description, base, desc, error)) {
      std::fprintf(stderr, "make-netscape-cache: %s\n", error.c_str());
      return 1;
    }
  }

  mnc::WriteOptions options;
  options.outDir = outDir;
  options.regFile = regFile;
  if (desc.entries.size() > 5000) options.dbCacheBytes = 32u << 20;
  mnc::WriteSummary summary;
  if (!mnc::WriteCache(desc, options, summary, error)) {
    std::fprintf(stderr, "make-netscape-cache: %s\n", error.c_str());
    return 1;
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  // key=value lines, for scripts and the test helper.
  std::printf("prefix=%s\n", std::filesystem::absolute(outDir).lexically_normal().c_str());
  std::printf("profile=%s\n", summary.profileHostPath.c_str());
  std::printf("cache=%s\n", summary.cacheHostPath.c_str());
  std::printf("fat_db=%s\n", summary.fatDbHostPath.c_str());
  std::printf("fat_db_windows=%s\n", summary.fatDbWindowsPath.c_str());
  std::printf("records=%zu\n", summary.records);
  std::printf("seconds=%.2f\n", seconds);
  return 0;
}
