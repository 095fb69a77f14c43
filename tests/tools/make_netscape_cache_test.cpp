// The fixture writer checked from outside: FAT.DB is read back with db_dump185 (a reader
// that shares no code with ours), the registry files and prefs.js are read by the
// program's own location lookup, exactly as on a user's machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "cache/netscape_location.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "support/netscape_fixture.h"

namespace {
namespace fs = std::filesystem;
using thtest::DumpedPair;
using thtest::NetscapeCacheSpec;
using thtest::NetscapeEntry;
using thtest::NetscapeFixture;

std::uint32_t U32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// A data item taken apart by the browser's layout; `lengths` keeps the raw length words.
struct Item {
  std::uint32_t head = 0, version = 0, lastModified = 0, lastAccessed = 0, expires = 0,
                contentLength = 0;
  std::vector<std::string> strings;     // file, text B, header A, type, header B, charset, text C
  std::vector<std::uint32_t> lengths;
  bool complete = false;  // every field was inside the item
};

Item DecodeItem(const std::string& d) {
  Item it;
  if (d.size() < 29) return it;
  it.head = U32(d, 0);
  it.version = U32(d, 4);
  it.lastModified = U32(d, 8);
  it.lastAccessed = U32(d, 12);
  it.expires = U32(d, 16);
  it.contentLength = U32(d, 20);
  std::size_t pos = 29;
  auto counted = [&]() {
    if (pos + 4 > d.size()) return false;
    std::uint32_t len = U32(d, pos);
    pos += 4;
    it.lengths.push_back(len);
    if (len > d.size() - pos) {
      it.strings.emplace_back();
      return false;
    }
    std::string s = d.substr(pos, len);
    it.strings.push_back(s.substr(0, s.find('\0')));
    pos += len;
    return true;
  };
  auto skip = [&](std::size_t n) {
    pos += n;
    return pos <= d.size();
  };
  it.complete = counted() && skip(9) && counted() && skip(4) && counted() && counted() &&
                counted() && counted() && skip(5) && counted() && pos == d.size();
  return it;
}

std::map<std::string, Item> ItemsByUrl(const std::string& fatDb) {
  std::vector<DumpedPair> pairs;
  std::string error;
  EXPECT_TRUE(thtest::DumpFatDb(fatDb, pairs, &error)) << error;
  std::map<std::string, Item> items;
  for (const DumpedPair& p : pairs)
    if (auto url = thtest::UrlFromKey(p.key)) items[*url] = DecodeItem(p.data);
  return items;
}

const std::string kSjisUrl = "http://www.example.co.jp/\x93\xfa\x96\x7b\x8c\xea/a.html";  // 日本語

NetscapeCacheSpec SmallSpec() {
  NetscapeCacheSpec spec;
  NetscapeEntry page;
  page.url = "http://www.example.co.jp/index.html";
  page.contentType = "text/html";
  page.charset = "Shift_JIS";
  page.headerA = "Server: Apache/1.3.6";
  page.headerB = "Content-Encoding: x-none";
  page.lastModified = 920548800;  // 1999-03-04 12:00 UTC
  page.lastAccessed = 920600000;
  page.expires = 920700000;
  page.body = "<html><title>t</title></html>";
  spec.entries.push_back(page);

  NetscapeEntry image;
  image.url = "http://img.example.com/a.gif";
  image.contentType = "image/gif";
  image.body = std::string("GIF89a\0\0", 8);
  image.fileName = "0A\\M0ABCDEF.gif";
  spec.entries.push_back(image);

  NetscapeEntry japanese;
  japanese.url = kSjisUrl;
  japanese.contentType = "text/html";
  japanese.body = "x";
  japanese.contentLength = 4000;  // the browser's count, not the file's
  spec.entries.push_back(japanese);
  return spec;
}

TEST(MakeNetscapeCache, KeysAndItemsAreWhatWasDescribed) {
  NetscapeFixture fx(SmallSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();

  std::vector<DumpedPair> pairs;
  std::string error;
  ASSERT_TRUE(thtest::DumpFatDb(fx.fatDb(), pairs, &error)) << error;
  std::vector<std::string> urls, others;
  for (const DumpedPair& p : pairs) {
    if (auto url = thtest::UrlFromKey(p.key)) {
      urls.push_back(*url);
      // Total length word = URL + 13, counted length = URL + 1.
      EXPECT_EQ(U32(p.key, 0), url->size() + 13);
      EXPECT_EQ(U32(p.key, 4), url->size() + 1);
      EXPECT_EQ(p.key.size(), url->size() + 13);
    } else {
      others.push_back(p.key);
    }
  }
  std::sort(urls.begin(), urls.end());
  std::vector<std::string> expected = {"http://img.example.com/a.gif", kSjisUrl,
                                       "http://www.example.co.jp/index.html"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(urls, expected);
  // The browser's own records are there too, and are not URL-shaped.
  EXPECT_EQ(others.size(), 3u);

  auto items = ItemsByUrl(fx.fatDb());
  const Item& page = items["http://www.example.co.jp/index.html"];
  ASSERT_TRUE(page.complete);
  EXPECT_EQ(page.version, 5u);
  EXPECT_EQ(page.lastModified, 920548800u);
  EXPECT_EQ(page.lastAccessed, 920600000u);
  EXPECT_EQ(page.expires, 920700000u);
  EXPECT_EQ(page.contentLength, 29u);
  EXPECT_EQ(page.strings[2], "Server: Apache/1.3.6");
  EXPECT_EQ(page.strings[3], "text/html");
  EXPECT_EQ(page.strings[4], "Content-Encoding: x-none");
  EXPECT_EQ(page.strings[5], "Shift_JIS");
  EXPECT_EQ(page.lengths[3], 10u);  // "text/html" and its zero
  EXPECT_EQ(page.lengths[1], 0u);   // empty strings are stored as length 0
  // The body named by the item holds the described bytes.
  std::ifstream body(fx.BodyPath(page.strings[0]), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(body)), {});
  EXPECT_EQ(bytes, "<html><title>t</title></html>");
  EXPECT_EQ(page.strings[0].substr(0, 2), "M0");

  const Item& image = items["http://img.example.com/a.gif"];
  ASSERT_TRUE(image.complete);
  EXPECT_EQ(image.strings[0], "0A\\M0ABCDEF.gif");
  EXPECT_TRUE(fs::is_regular_file(fx.cacheFolder() + "/0A/M0ABCDEF.gif"));
  EXPECT_EQ(fs::file_size(fx.cacheFolder() + "/0A/M0ABCDEF.gif"), 8u);

  EXPECT_EQ(items[kSjisUrl].contentLength, 4000u);

  // HeadValue is the item's own length.
  std::vector<DumpedPair> again;
  ASSERT_TRUE(thtest::DumpFatDb(fx.fatDb(), again));
  for (const DumpedPair& p : again) {
    if (thtest::UrlFromKey(p.key)) {
      EXPECT_EQ(U32(p.data, 0), p.data.size());
    }
  }
}

TEST(MakeNetscapeCache, FaultsAreWrittenAsAsked) {
  NetscapeCacheSpec spec;
  NetscapeEntry e;
  e.url = "http://faults.example.com/v4.html";
  e.version = 4;
  e.body = "old";
  spec.entries.push_back(e);

  e = {};
  e.url = "http://faults.example.com/gone.html";
  e.missingBody = true;
  e.body = "never written";
  e.fileName = "M0GONE00.html";
  spec.entries.push_back(e);

  e = {};
  e.url = "http://faults.example.com/huge.html";
  e.headerA = "X-Big: 1";
  e.badLength["header-a"] = 20000;
  e.badLength["url"] = 0;
  e.body = "b";
  spec.entries.push_back(e);

  // Two keys with one URL: only the first word differs.
  e = {};
  e.url = "http://faults.example.com/twice.html";
  e.body = "first";
  e.fileName = "M0TWICE1.html";
  spec.entries.push_back(e);
  e.body = "second";
  e.fileName = "M0TWICE2.html";
  e.keyPrefix = 7;
  spec.entries.push_back(e);
  spec.profile.bookkeeping = false;

  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();

  std::vector<DumpedPair> pairs;
  ASSERT_TRUE(thtest::DumpFatDb(fx.fatDb(), pairs));
  EXPECT_EQ(pairs.size(), 5u);  // no bookkeeping records this time
  std::multimap<std::string, std::pair<std::string, Item>> byUrl;
  for (const DumpedPair& p : pairs) {
    auto url = thtest::UrlFromKey(p.key);
    ASSERT_TRUE(url.has_value());
    byUrl.insert({*url, {p.key, DecodeItem(p.data)}});
  }
  for (const char* url : {"http://faults.example.com/v4.html", "http://faults.example.com/gone.html",
                          "http://faults.example.com/huge.html"})
    ASSERT_EQ(byUrl.count(url), 1u) << url;
  ASSERT_EQ(byUrl.count("http://faults.example.com/twice.html"), 2u);
  EXPECT_EQ(byUrl.find("http://faults.example.com/v4.html")->second.second.version, 4u);

  EXPECT_FALSE(fs::exists(fx.BodyPath("M0GONE00.html")));
  EXPECT_TRUE(byUrl.find("http://faults.example.com/gone.html")->second.second.complete);

  const auto& huge = byUrl.find("http://faults.example.com/huge.html")->second;
  EXPECT_EQ(U32(huge.first, 4), 0u);              // the key's counted length lies
  EXPECT_EQ(huge.second.lengths.at(2), 20000u);   // so does header A's
  EXPECT_FALSE(huge.second.complete);

  auto range = byUrl.equal_range("http://faults.example.com/twice.html");
  std::set<std::uint32_t> prefixes;
  std::set<std::string> files;
  for (auto it = range.first; it != range.second; ++it) {
    prefixes.insert(U32(it->second.first, 0));
    files.insert(it->second.second.strings.at(0));
  }
  EXPECT_EQ(prefixes, (std::set<std::uint32_t>{7u, 49u}));
  EXPECT_EQ(files, (std::set<std::string>{"M0TWICE1.html", "M0TWICE2.html"}));

  std::map<std::string, std::string> states;
  for (const auto& row : fx.Manifest()) states[row.url + "|" + row.fileName] = row.state;
  EXPECT_EQ(states["http://faults.example.com/v4.html|" +
                   byUrl.find("http://faults.example.com/v4.html")->second.second.strings[0]],
            "version");
  EXPECT_EQ(states["http://faults.example.com/gone.html|M0GONE00.html"], "missing-body");
  EXPECT_EQ(states["http://faults.example.com/twice.html|M0TWICE2.html"], "ok");
}

TEST(MakeNetscapeCache, ItemsLargerThanAPageStayWhole) {
  // The library moves such pairs to chained big-item pages; what a reader that walks
  // bucket pages meets there is its own business, but the record must be intact.
  NetscapeCacheSpec spec;
  NetscapeEntry e;
  e.url = "http://big.example.com/huge-header.html";
  e.headerA = "X-Long: " + std::string(12000, 'y');
  e.body = "b";
  spec.entries.push_back(e);
  e = {};
  e.url = "http://big.example.com/small.html";
  e.body = "s";
  spec.entries.push_back(e);
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  auto items = ItemsByUrl(fx.fatDb());
  ASSERT_EQ(items.size(), 2u);
  const Item& big = items["http://big.example.com/huge-header.html"];
  ASSERT_TRUE(big.complete);
  EXPECT_EQ(big.lengths[2], 12009u);
  EXPECT_EQ(big.strings[2].size(), 12008u);
  EXPECT_GE(fs::file_size(fx.fatDb()), 4096u * 5);
  EXPECT_TRUE(items["http://big.example.com/small.html"].complete);
}

TEST(MakeNetscapeCache, SameKeyTwiceKeepsTheLaterItem) {
  NetscapeCacheSpec spec;
  NetscapeEntry e;
  e.url = "http://dup.example.com/";
  e.body = "one";
  spec.entries.push_back(e);
  e.body = "three";
  spec.entries.push_back(e);
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  auto items = ItemsByUrl(fx.fatDb());
  EXPECT_EQ(items["http://dup.example.com/"].contentLength, 5u);
  std::vector<std::string> states;
  for (const auto& row : fx.Manifest())
    if (row.url == "http://dup.example.com/") states.push_back(row.state);
  EXPECT_EQ(states, (std::vector<std::string>{"replaced", "ok"}));
}

// The location lookup must arrive at FAT.DB from what the tool wrote.
struct WinePrefixGuard {
  explicit WinePrefixGuard(const std::string& prefix) : before(platform::WinePrefix()) {
    platform::SetWinePrefix(prefix);
  }
  ~WinePrefixGuard() { platform::SetWinePrefix(before); }
  std::string before;
};

void ExpectLocationFindsFatDb(const NetscapeFixture& fx) {
  WinePrefixGuard guard(fx.prefix());
  platform::Registry wine;
  ASSERT_TRUE(wine.LoadWinePrefix(fx.prefix()));
  EXPECT_EQ(GetFatDbPath(wine), fx.fatDbWindowsPath());
  platform::Registry exported;
  ASSERT_TRUE(exported.LoadRegFile(fx.regFile()));
  EXPECT_EQ(GetFatDbPath(exported), fx.fatDbWindowsPath());
  EXPECT_EQ(exported.ReadString(platform::RootKey::LocalMachine,
                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe",
                                ""),
            wine.ReadString(platform::RootKey::LocalMachine,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe",
                            ""));

  EXPECT_EQ(fs::canonical(platform::HostPath(fx.fatDbWindowsPath())), fs::canonical(fx.fatDb()));
}

TEST(MakeNetscapeCache, RegistryAndPrefsLeadToFatDb) {
  NetscapeCacheSpec spec = SmallSpec();
  {
    NetscapeFixture fx(spec);
    ASSERT_TRUE(fx.ok()) << fx.error();
    EXPECT_EQ(fx.fatDbWindowsPath(),
              "C:\\Program Files\\Netscape\\Communicator\\Users\\taro\\Cache\\FAT.DB");
    ExpectLocationFindsFatDb(fx);
    platform::Registry wine;
    ASSERT_TRUE(wine.LoadWinePrefix(fx.prefix()));
    EXPECT_EQ(wine.ReadString(platform::RootKey::LocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe",
                              ""),
              "C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe");
  }
  // Cache elsewhere, named in prefs.js with a trailing backslash, on another drive;
  // a Japanese user name; an install folder given with a trailing backslash.
  spec.profile.cacheDirectory = "D:\\Netscape\\\x83\x4c\x83\x83\x83\x62\x83\x56\x83\x85\\";
  spec.profile.user = "\x91\xbe\x98\x59";  // 太郎
  spec.profile.installDirectory = "C:\\Netscape\\Program\\";
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  EXPECT_EQ(fx.fatDbWindowsPath(),
            "D:\\Netscape\\\x83\x4c\x83\x83\x83\x62\x83\x56\x83\x85\\FAT.DB");
  ExpectLocationFindsFatDb(fx);
  EXPECT_TRUE(fs::is_regular_file(fx.prefix() + "/drive_c/Netscape/Users/太郎/prefs.js"));
  std::ifstream prefs(fx.prefix() + "/drive_c/Netscape/Users/太郎/prefs.js", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(prefs)), {});
  // Backslashes doubled, as the browser stores them.
  EXPECT_NE(text.find("user_pref(\"browser.cache.directory\", \"D:\\\\Netscape\\\\\x83\x4c"),
            std::string::npos);
}

TEST(MakeNetscapeCache, JapaneseInstallFolderAndUserName) {
  // 表 and ソ end in 0x5C, the byte of a backslash: neither may split a path.
  NetscapeCacheSpec spec = SmallSpec();
  spec.profile.installDirectory = "C:\\\x83\x6c\x83\x62\x83\x67\\\x95\x5c";  // C:\ネット\表
  spec.profile.user = "\x83\x5c\x83\x6a\x81\x5b";                             // ソニー
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  EXPECT_EQ(fx.fatDbWindowsPath(),
            "C:\\\x83\x6c\x83\x62\x83\x67\\Users\\\x83\x5c\x83\x6a\x81\x5b\\Cache\\FAT.DB");
  EXPECT_TRUE(fs::is_regular_file(fx.prefix() + "/drive_c/ネット/表/netscape.exe"));
  EXPECT_TRUE(fs::is_regular_file(fx.prefix() + "/drive_c/ネット/Users/ソニー/prefs.js"));
  EXPECT_TRUE(fs::is_regular_file(fx.prefix() + "/drive_c/ネット/Users/ソニー/Cache/FAT.DB"));
  ExpectLocationFindsFatDb(fx);
  platform::Registry wine;
  ASSERT_TRUE(wine.LoadWinePrefix(fx.prefix()));
  EXPECT_EQ(wine.ReadString(platform::RootKey::CurrentUser,
                            "Software\\Netscape\\Netscape Navigator\\biff", "CurrentUser"),
            spec.profile.user);
  platform::Registry reg;
  ASSERT_TRUE(reg.LoadRegFile(fx.regFile()));
  EXPECT_EQ(reg.ReadString(platform::RootKey::CurrentUser,
                           "Software\\Netscape\\Netscape Navigator\\Main", "Install Directory"),
            spec.profile.installDirectory);
}

TEST(MakeNetscapeCache, MissingRegistryValuesLeaveNoPath) {
  NetscapeCacheSpec spec = SmallSpec();
  spec.profile.writeInstallDirectory = false;
  NetscapeFixture fx(spec);
  ASSERT_TRUE(fx.ok()) << fx.error();
  WinePrefixGuard guard(fx.prefix());
  platform::Registry wine;
  ASSERT_TRUE(wine.LoadWinePrefix(fx.prefix()));
  EXPECT_EQ(GetProfileDirectory(wine), "");
  EXPECT_EQ(GetFatDbPath(wine), "");
  // The files are still there, as on a machine whose registry was cleaned.
  EXPECT_TRUE(fs::is_regular_file(fx.fatDb()));
}

TEST(MakeNetscapeCache, BadDescriptionsAreRefusedWithTheLine) {
  std::string tool = TH_MAKE_CACHE_TOOL;
  ASSERT_FALSE(tool.empty());
  std::string dir = platform::CreateUniqueFolder(platform::TempFolder(), "mnc");
  ASSERT_FALSE(dir.empty());
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"[entry]\nurl = http://a/\nversoin = 4\n", ":3: unknown entry key versoin"},
      {"[profile]\nuser = taro\n[entry]\nurl = x\nlast-modified = 1999-13-01\n", ":5: bad time"},
      {"[entry]\nbody <<END\nno end\n", ":2: body block not closed"},
      {"url = http://a/\n", ":1: key outside a section"},
      {"[entry]\nurl = http://a/\nbody-file = no-such-file.bin\n", "cannot read"},
      {"[profile]\ninstall = Program\n", "drive-letter path"},
      {"[entry]\nurl = \"http://a/\\q\"\n", ":2: unknown escape"},
      {"[entry]\nurl = http://a/\nbody = x\nbody-encoding = EUC-JP\n[entry]\nurl = http://b/\n"
       "body-file = d.txt\nbody-encoding = EUC-JP\n",
       ":5: body-encoding converts inline bodies only"},
      // Names that would put files outside the output folder.
      {"[entry]\nurl = http://a/\nfile = ..\\..\\..\\..\\..\\..\\..\\..\\..\\x.html\nbody = x\n",
       "leads out of the output folder"},
      {"[profile]\nuser = ..\\..\\..\\..\\..\\..\\..\\tmp\n", "leads out of the output folder"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string desc = dir + "/d.txt";
    std::ofstream(desc, std::ios::binary) << c.text;
    std::string out = dir + "/out" + std::to_string(n++);
    std::string cmd = "'" + tool + "' '" + desc + "' '" + out + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string output;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) output += buf;
    int status = pclose(p);
    EXPECT_NE(status, 0) << c.text;
    EXPECT_NE(output.find(c.message), std::string::npos) << c.text << " -> " << output;
  }
  // Nothing was written outside the output folders.
  for (const std::string& name : platform::ListFolder(dir))
    EXPECT_TRUE(name == "d.txt" || name.rfind("out", 0) == 0) << name;
  platform::DeleteTreeSilent(dir);
}

TEST(MakeNetscapeCache, RefusesAFolderThatIsNotEmpty) {
  NetscapeFixture fx(SmallSpec());
  ASSERT_TRUE(fx.ok()) << fx.error();
  auto before = fs::file_size(fx.fatDb());
  std::string cmd = std::string("'") + TH_MAKE_CACHE_TOOL + "' '" + fx.descriptionFile() + "' '" +
                    fx.prefix() + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string output;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) output += buf;
  EXPECT_NE(pclose(p), 0);
  EXPECT_NE(output.find("is not empty"), std::string::npos) << output;
  EXPECT_EQ(fs::file_size(fx.fatDb()), before);
  EXPECT_EQ(thtest::DumpFatDbUrls(fx.fatDb()).size(), 3u);
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(MakeNetscapeCache, GeneratorIsRepeatableBySeed) {
  thtest::NetscapeGenerateOptions options;
  options.count = 300;
  options.seed = 5;
  NetscapeFixture a(options), b(options);
  options.seed = 6;
  NetscapeFixture c(options);
  ASSERT_TRUE(a.ok() && b.ok() && c.ok()) << a.error() << b.error() << c.error();
  // Compared as records: the library leaves whatever its buffers held in the unused
  // part of each page, so the files themselves differ from run to run.
  std::vector<DumpedPair> pa, pb;
  ASSERT_TRUE(thtest::DumpFatDb(a.fatDb(), pa));
  ASSERT_TRUE(thtest::DumpFatDb(b.fatDb(), pb));
  ASSERT_EQ(pa.size(), 303u);
  ASSERT_EQ(pa.size(), pb.size());
  bool same = true;
  for (std::size_t i = 0; i < pa.size(); ++i)
    same = same && pa[i].key == pb[i].key && pa[i].data == pb[i].data;
  EXPECT_TRUE(same);
  EXPECT_EQ(fs::file_size(a.fatDb()), fs::file_size(b.fatDb()));
  EXPECT_EQ(FileBytes(a.prefix() + "/manifest.tsv"), FileBytes(b.prefix() + "/manifest.tsv"));
  EXPECT_NE(thtest::DumpFatDbUrls(a.fatDb()), thtest::DumpFatDbUrls(c.fatDb()));
  // Bodies too: the same page, byte for byte.
  auto rows = a.Manifest();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(FileBytes(a.BodyPath(rows[10].fileName)), FileBytes(b.BodyPath(rows[10].fileName)));
}

// Insert, delete a third, insert again, all through the library: the dump holds exactly
// the rows the manifest calls ok, long URLs among them.
TEST(MakeNetscapeCache, ChurnDeletesAThirdAndPutsAgain) {
  thtest::NetscapeGenerateOptions options;
  options.count = 900;
  options.seed = 4;
  options.bodySize = 16;
  options.longUrlPercent = 5;
  options.churn = true;
  NetscapeFixture fx(options);
  ASSERT_TRUE(fx.ok()) << fx.error();
  std::multiset<std::string> ok, deleted;
  for (const auto& row : fx.Manifest()) {
    if (row.state == "ok") ok.insert(row.url);
    if (row.state == "deleted") deleted.insert(row.url);
  }
  EXPECT_EQ(deleted.size(), 300u);
  EXPECT_EQ(ok.size(), 900u);
  std::vector<std::string> dumped = thtest::DumpFatDbUrls(fx.fatDb());
  EXPECT_EQ(std::multiset<std::string>(dumped.begin(), dumped.end()), ok);
  std::size_t again = 0, longUrls = 0;
  for (const std::string& url : deleted) again += ok.count(url);
  for (const std::string& url : ok) longUrls += url.size() > 4000;
  EXPECT_EQ(again, 150u);
  EXPECT_GT(longUrls, 20u);
}

TEST(MakeNetscapeCache, ThousandsOfEntriesSpillIntoOverflowPages) {
  thtest::NetscapeGenerateOptions options;
  options.count = 4000;
  options.seed = 7;
  options.bodySize = 300;
  options.faultPercent = 5;
  NetscapeFixture fx(options);
  ASSERT_TRUE(fx.ok()) << fx.error();

  std::vector<std::string> urls = thtest::DumpFatDbUrls(fx.fatDb());
  ASSERT_EQ(urls.size(), 4000u);
  EXPECT_EQ(std::adjacent_find(urls.begin(), urls.end()), urls.end());
  std::vector<std::string> listed;
  std::size_t ok = 0, faulty = 0, queries = 0;
  std::map<std::string, int> leafNames;
  for (const auto& row : fx.Manifest()) {
    if (row.state == "bookkeeping") continue;
    listed.push_back(row.url);
    if (row.state == "ok") {
      ++ok;
      EXPECT_EQ(fs::file_size(fx.BodyPath(row.fileName)), row.contentLength) << row.url;
    } else {
      ++faulty;
    }
    if (row.url.find('?') != std::string::npos) ++queries;
    leafNames[row.url.substr(row.url.rfind('/') + 1)]++;
  }
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, urls);
  EXPECT_GT(faulty, 100u);
  EXPECT_GT(ok, 3500u);
  EXPECT_GT(queries, 200u);
  EXPECT_GT(leafNames["index.html"], 20);  // one name in many folders
  EXPECT_GT(leafNames["Index.html"], 20);

  // The hash file outgrew its buckets: look at the header and the pages themselves.
  std::ifstream in(fx.fatDb(), std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GT(file.size(), 4096u * 50);
  ASSERT_EQ(file.size() % 4096, 0u);
  // The library keeps its header page big-endian whatever the byte order of the pages.
  auto be32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 3]));
  };
  EXPECT_EQ(be32(0), 0x061561u);  // hash magic
  EXPECT_EQ(be32(8), 1234u);      // byte order of the pages: little-endian
  EXPECT_EQ(be32(12), 4096u);     // bucket size
  std::uint32_t maxBucket = be32(40);
  std::size_t pages = file.size() / 4096;
  EXPECT_GT(pages, maxBucket + 2u);  // header + buckets + overflow and bitmap pages
  // A bucket page chained to an overflow page ends its offset table with a 0 marker.
  std::size_t chained = 0;
  for (std::size_t pg = 1; pg < pages; ++pg) {
    const std::string page = file.substr(pg * 4096, 4096);
    unsigned n = static_cast<unsigned char>(page[0]) | static_cast<unsigned char>(page[1]) << 8;
    if (n >= 2 && n < 2047) {
      std::size_t at = 2 * n;
      unsigned last = static_cast<unsigned char>(page[at]) | static_cast<unsigned char>(page[at + 1]) << 8;
      if (last == 0) ++chained;
    }
  }
  EXPECT_GT(chained, 0u);
}

}  // namespace
