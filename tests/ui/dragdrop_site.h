// The site that the drag and clipboard tests carry out of the window: pages written
// the way real ones are (a mixed-case host, anchors, ?page= links, a comment with an
// apostrophe, a percent-escaped Shift_JIS folder, a mailto link, binary images), and
// a check that every relative link of the copied pages leads to a file of the copy.
#pragma once

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/netscape_fixture.h"

namespace dragsite {

inline constexpr const char* kHost = "http://WWW.Example.CO.JP/";
inline constexpr const char* kShop = "http://WWW.Example.CO.JP/shop/";

inline std::string BinaryBody() {
  std::string body = "GIF89a";
  for (int i = 0; i < 300; ++i) body.push_back(static_cast<char>(i * 7));
  return body;
}

inline thtest::NetscapeCacheSpec Spec() {
  thtest::NetscapeCacheSpec spec;
  auto add = [&spec](std::string url, const char* type, std::string body) {
    thtest::NetscapeEntry e;
    e.url = std::move(url);
    e.contentType = type;
    e.lastModified = 978307200;
    e.body = std::move(body);
    spec.entries.push_back(std::move(e));
  };
  // "日本" in Shift_JIS is 93 FA 96 7B.
  add(std::string(kShop) + "index.html", "text/html",
      "<html><head><title>\x93\xfa\x96\x7b shop</title></head>\n"
      "<!-- it's the shop's top page; don't \"touch\" -->\n"
      "<a href=\"item.html#spec\">item</a>\n"
      "<A HREF='list.html?page=2'>page 2</A>\n"
      "<a href=\"%93%fa%96%7b/a.html\">jp</a>\n"
      "<img src=\"img/logo.gif\" alt='logo'>\n"
      "<a href=\"mailto:shop@example.co.jp\">mail</a>\n"
      "</html>\n");
  add(std::string(kShop) + "item.html", "text/html; charset=Shift_JIS",
      "<title>item</title><a href=\"index.html#top\">back</a><img src=\"/shop/img/logo.gif\">");
  add(std::string(kShop) + "list.html?page=2", "text/html",
      "<title>list</title><a href=\"list.html?page=2#top\">again</a><a href=\"./item.html\">i</a>");
  add(std::string(kShop) + "%93%fa%96%7b/a.html", "text/html",
      "<title>a</title><a href=\"../index.html\">up</a>");
  add(std::string(kShop) + "img/logo.gif", "image/gif", BinaryBody());
  add(std::string(kHost) + "about.txt", "text/plain", "about us\r\n");
  return spec;
}

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::string PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// The quoted values of href= and src= attributes, in any case.
inline std::vector<std::string> LinkValues(const std::string& page) {
  std::string lower = page;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::vector<std::string> values;
  for (std::size_t at = 0; at < lower.size(); ++at) {
    std::size_t p = at;
    if (lower.compare(at, 4, "href") == 0) p += 4;
    else if (lower.compare(at, 3, "src") == 0) p += 3;
    else continue;
    while (p < lower.size() && std::isspace(static_cast<unsigned char>(lower[p]))) ++p;
    if (p >= lower.size() || lower[p] != '=') continue;
    ++p;
    while (p < lower.size() && std::isspace(static_cast<unsigned char>(lower[p]))) ++p;
    if (p >= lower.size() || (lower[p] != '"' && lower[p] != '\'')) continue;
    const std::size_t end = page.find(page[p], p + 1);
    if (end == std::string::npos) break;
    values.push_back(page.substr(p + 1, end - p - 1));
    at = end;
  }
  return values;
}

// Relative href/src values of every .html file below `root` that do not name a file
// of the copy ("page -> link"); links with a scheme are left out, "#x" parts ignored.
inline std::vector<std::string> BrokenLinks(const std::filesystem::path& root,
                                            int* checked = nullptr) {
  namespace fs = std::filesystem;
  std::vector<std::string> broken;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".html") continue;
    for (std::string link : LinkValues(ReadAll(entry.path()))) {
      if (link.find(':') != std::string::npos) continue;  // mailto: and the like
      if (const auto hash = link.find('#'); hash != std::string::npos) link.erase(hash);
      if (link.empty()) continue;
      if (checked) ++*checked;
      // Read as a browser reads a file URL here: escapes are bytes of the host's
      // (UTF-8) file name.
      const fs::path target = entry.path().parent_path() / fs::u8path(PercentDecode(link));
      if (!fs::is_regular_file(target))
        broken.push_back(entry.path().filename().string() + " -> " + link);
    }
  }
  return broken;
}

}  // namespace dragsite
