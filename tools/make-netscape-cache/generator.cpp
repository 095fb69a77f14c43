#include "generator.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "description.h"

namespace mnc {
namespace {

// Smallest valid GIF: one transparent 1x1 pixel.
const unsigned char kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                              0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x21, 0xF9, 0x04,
                              0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01,
                              0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

const char* const kFolders[] = {"news", "img",  "images", "cgi-bin", "docs", "archive",
                                "2000", "01",   "user",   "~taro",   "pub",  "Products"};
// Names repeat across folders on purpose, and differ only in case in places.
const char* const kNames[] = {"index.html", "Index.html", "a.gif",     "logo.gif", "default.htm",
                              "style.css",  "bg.jpg",     "top.html",  "menu.js",  "main.html",
                              "LOGO.GIF",   "back.gif",   "link.html", "a.html"};

struct Generated {
  std::vector<std::string> urls;
  std::string titles[4];  // the same Japanese title in each page encoding
};

const char* TypeFor(const std::string& url) {
  auto q = url.find('?');
  std::string path = url.substr(0, q);
  auto ends = [&](const char* ext) {
    std::string e(ext);
    return path.size() >= e.size() &&
           std::equal(e.rbegin(), e.rend(), path.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
  };
  if (ends(".gif") || url.find("counter.cgi") != std::string::npos) return "image/gif";
  if (ends(".jpg")) return "image/jpeg";
  if (ends(".css")) return "text/css";
  if (ends(".js")) return "application/x-javascript";
  return "text/html";
}

}  // namespace

void BuildGenerated(const GenerateOptions& options, CacheDescription& out) {
  out = CacheDescription{};
  out.profile.subfolders = options.count >= 1000;
  std::mt19937 rng(options.seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  std::size_t hosts = std::max<std::size_t>(1, options.hosts);
  std::size_t big = std::min(options.folderFiles, options.count / 3);

  auto shared = std::make_shared<Generated>();
  const char* encodings[] = {"SHIFT_JIS", "EUC-JP", "ISO-2022-JP", "UTF-8"};
  const char* charsets[] = {"Shift_JIS", "EUC-JP", "ISO-2022-JP", "UTF-8"};
  for (int i = 0; i < 4; ++i)
    ConvertEncoding("キャッシュの試験ページ", encodings[i], shared->titles[i]);

  std::unordered_set<std::string> seen;
  int clashes = 0;
  out.entries.reserve(options.count);
  shared->urls.reserve(options.count);
  while (out.entries.size() < options.count) {
    std::size_t i = out.entries.size();
    std::string url;
    if (i < big) {
      char buf[96];
      std::snprintf(buf, sizeof buf, "http://archive.example.co.jp/big/p%06zu.html", i);
      url = buf;
    } else {
      std::size_t h = pick(hosts);
      url = "http://www" + std::to_string(h) + ".host" + std::to_string(h % 7) +
            (h % 3 == 0 ? ".example.co.jp" : ".example.com");
      if (h % 11 == 5) url += ":8080";
      url += "/";
      std::size_t depth = pick(4);
      for (std::size_t d = 0; d < depth; ++d) url += std::string(kFolders[pick(std::size(kFolders))]) + "/";
      std::size_t kind = pick(20);
      if (kind == 0) {
        // a folder URL
      } else if (kind <= 2) {
        url += "search.cgi?q=" + std::to_string(pick(100000)) + "&p=" + std::to_string(pick(9));
      } else if (kind == 3) {
        url += "counter.cgi?id=" + std::to_string(pick(100000));
      } else {
        url += kNames[pick(std::size(kNames))];
        if (kind == 4) url += "?v=" + std::to_string(pick(1000));
      }
    }
    if (options.longUrlPercent && pick(100) < options.longUrlPercent) {
      // A long form submitted by GET: 4 to 6 KB of query.
      std::size_t want = 4096 + pick(2048);
      url += (url.find('?') == std::string::npos ? "?" : "&");
      for (std::size_t f = 0; url.size() < want; ++f)
        url += "f" + std::to_string(f) + "=%93%8C%8B%9E+" + std::to_string(pick(1000000)) + "&";
      url += "end=" + std::to_string(i);
    }
    if (!seen.contains(url)) {
      clashes = 0;
    } else if (++clashes < 20) {
      continue;
    } else {
      // Few hosts and many entries use up the random names; make this one unique.
      url += (url.find('?') == std::string::npos ? "?u=" : "&u=") + std::to_string(i);
    }
    seen.insert(url);

    CacheEntry e;
    e.url = url;
    e.contentType = TypeFor(url);
    std::uint32_t base = 852076800u;  // 1997-01-01
    e.lastModified = base + static_cast<std::uint32_t>(pick(4u * 365 * 86400));
    e.lastAccessed = e.lastModified + static_cast<std::uint32_t>(pick(200u * 86400));
    e.expires = pick(4) == 0 ? e.lastAccessed + 86400 : 0;
    if (e.contentType == std::string("text/html")) {
      std::size_t c = pick(5);
      if (c < 4) e.charset = charsets[c];
    }
    if (pick(3) == 0) e.headerA = "Server: Apache/1.3.12 (Unix)";
    if (options.faultPercent && pick(100) < options.faultPercent) {
      switch (pick(3)) {
        case 0: e.version = 4; break;
        case 1: e.missingBody = true; break;
        default: e.badLength["header-a"] = 20000 + static_cast<std::int64_t>(pick(50000)); break;
      }
      if (e.badLength.count("header-a") && e.headerA.empty()) e.headerA = "X-Fault: yes";
    }
    shared->urls.push_back(url);
    out.entries.push_back(std::move(e));
  }

  if (options.churn) {
    const std::size_t first = out.entries.size();
    out.deleteAt = first;
    for (std::size_t i = 1; i < first; i += 3) out.deletions.push_back(i);
    for (std::size_t j = 0; j < out.deletions.size(); ++j) {
      CacheEntry e;
      if (j % 2 == 0) {
        // The same URL again, fetched later into a new body file.
        e = out.entries[out.deletions[j]];
        e.lastModified += 86400;
        e.fileName.clear();
      } else {
        e.url = "http://churn.example.com/new/" + std::to_string(j) + ".html";
        e.contentType = "text/html";
        e.lastModified = 946684800u + static_cast<std::uint32_t>(pick(365u * 86400));
      }
      shared->urls.push_back(e.url);
      out.entries.push_back(std::move(e));
    }
  }

  std::size_t bodySize = options.bodySize;
  std::uint32_t seed = options.seed;
  out.makeBody = [shared, bodySize, seed](std::size_t index, const CacheEntry& e,
                                          std::string& body) {
    std::mt19937 r(seed ^ static_cast<std::uint32_t>(index * 7919));
    if (e.contentType != std::string("text/html")) {
      body.assign(reinterpret_cast<const char*>(kGif), sizeof kGif);
      if (body.size() < bodySize && e.contentType != std::string("image/gif"))
        body.resize(bodySize, ' ');
      else if (body.size() < bodySize)
        body.resize(bodySize, '\0');  // bytes after the GIF trailer are ignored by readers
      return;
    }
    const auto& urls = shared->urls;
    static const char* const kCharsets[] = {"Shift_JIS", "EUC-JP", "ISO-2022-JP", "UTF-8"};
    std::size_t enc = 0;
    while (enc < 4 && e.charset != kCharsets[enc]) ++enc;
    body = "<html><head>";
    if (enc < 4)
      body += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" +
              std::string(e.charset) + "\">";
    body += "<title>" + shared->titles[enc < 4 ? enc : 0] + " " + std::to_string(index) + "</title></head>\n";
    body += "<body background=\"bg.jpg\">\n";
    for (int l = 0; l < 6; ++l) {
      const std::string& target = urls[r() % urls.size()];
      body += "<a href=\"" + target + "\">link " + std::to_string(l) + "</a>\n";
    }
    body += "<a href=\"never-cached-" + std::to_string(r() % 1000) + ".html\">gone</a>\n";
    body += "<img src=\"a.gif\"><img src=\"/img/logo.gif\">\n";
    while (body.size() + 16 < bodySize) body += "<p>filler text</p>\n";
    body += "</body></html>\n";
  };
}

}  // namespace mnc
