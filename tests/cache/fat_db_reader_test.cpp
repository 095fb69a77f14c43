// Decoding rules of the FAT.DB page walker, on hand-assembled pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "cache/fat_db_reader.h"
#include "fat_db_bytes.h"
#include "platform/codepage.h"

using namespace fatdb_test;

namespace {

class RecordingNotifier : public TCacheNotifier {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::vector<std::string> messages;
};

Item Body(const std::string& name) {
  Item it;
  it.fileName = name;
  it.contentType = "text/html";
  return it;
}

std::vector<std::string> Urls(const std::string& file, TCacheNotifier* notifier = nullptr) {
  TFatDbWalker walker(file, notifier);
  std::vector<std::string> urls;
  TCacheObject obj;
  while (walker.NextItem(obj)) urls.push_back(obj.Url);
  return urls;
}

std::string PageOf(const std::vector<std::string>& urls) {
  Page p;
  for (const auto& u : urls) p.Add(EncodeKey(u), EncodeItem(Body("M" + u.substr(u.size() - 1))));
  return p.Build();
}

TEST(FatDbWalker, PagesInFileOrderPairsFromLastToFirst) {
  std::string file = File({PageOf({"http://a/1", "http://a/2", "http://a/3"}),
                           PageOf({"http://b/4", "http://b/5"})});
  EXPECT_EQ(Urls(file), (std::vector<std::string>{"http://a/3", "http://a/2", "http://a/1",
                                                  "http://b/5", "http://b/4"}));
  // Rewind starts again from the first bucket page.
  TFatDbWalker walker(file);
  TCacheObject obj;
  while (walker.NextItem(obj)) {
  }
  walker.Rewind();
  ASSERT_TRUE(walker.NextItem(obj));
  EXPECT_EQ(obj.Url, "http://a/3");
}

TEST(FatDbWalker, DecodesEveryField) {
  Item it;
  it.lastModified = 922881600;
  it.contentLength = 1234;
  it.fileName = "0A\\M0ABCDEF.HTM";
  it.headerA = "HTTP/1.0 200 OK";
  it.contentType = "text/html";
  it.headerB = "Server: x";
  it.charset = "Shift_JIS";
  it.textB = "tb";
  it.textC = "tc";
  Page p;
  p.Add(EncodeKey("http://h/p.html"), EncodeItem(it));
  std::string file = File({p.Build()});
  TFatDbWalker walker(file);
  TCacheObject obj;
  ASSERT_TRUE(walker.NextItem(obj));
  EXPECT_EQ(obj.Version, 5u);
  EXPECT_EQ(obj.LastModified, 922881600u);
  EXPECT_EQ(obj.ContentLength, 1234u);
  EXPECT_EQ(obj.FileName, "0A\\M0ABCDEF.HTM");
  EXPECT_EQ(obj.HeaderTextA, "HTTP/1.0 200 OK");
  EXPECT_EQ(obj.ContentType, "text/html");
  EXPECT_EQ(obj.HeaderTextB, "Server: x");
  EXPECT_EQ(obj.Charset, "Shift_JIS");
  EXPECT_EQ(obj.TextB, "tb");
  EXPECT_EQ(obj.TextC, "tc");
  EXPECT_TRUE(obj.FlagB);
  EXPECT_EQ(obj.Url, "http://h/p.html");
  EXPECT_FALSE(walker.NextItem(obj));
}

TEST(FatDbWalker, OffsetWordsThatEndOrSkip) {
  // Data offset 0 passes over one pair only.
  Page zero;
  zero.Add(EncodeKey("http://z/1"), EncodeItem(Body("A")));
  zero.AddRawPair(100, 0);
  zero.Add(EncodeKey("http://z/3"), EncodeItem(Body("C")));
  // Data offset 4096 or more drops the rest of the page; the next page still counts.
  Page end;
  end.Add(EncodeKey("http://e/1"), EncodeItem(Body("A")));
  end.AddRawPair(100, 4096);
  end.Add(EncodeKey("http://e/3"), EncodeItem(Body("C")));
  Page big;
  big.Add(EncodeKey("http://g/1"), EncodeItem(Body("A")));
  big.AddRawPair(100, 0xFFFF);
  // Berkeley DB's big-item markers (1-3) in a data word point into the offset table.
  Page markers;
  markers.Add(EncodeKey("http://m/1"), EncodeItem(Body("A")));
  markers.AddRawPair(9, 1);
  markers.AddRawPair(9, 2);
  markers.AddRawPair(9, 3);
  std::string file = File({zero.Build(), end.Build(), big.Build(), markers.Build()});
  EXPECT_EQ(Urls(file), (std::vector<std::string>{"http://z/3", "http://z/1", "http://e/3",
                                                  "http://m/1"}));
}

TEST(FatDbWalker, CountsThatMakeAPageEmpty) {
  std::string good = PageOf({"http://ok/1"});
  std::string zero = PageOf({"http://zero/1"});
  Put16(zero, 0, 0);
  std::string negative = PageOf({"http://neg/1"});
  Put16(negative, 0, 0x8002);
  // 2048 words cannot fit behind the count of a 4096-byte page.
  std::string tooMany = PageOf({"http://many/1"});
  Put16(tooMany, 0, 2048);
  EXPECT_EQ(Urls(File({zero, negative, tooMany, good})),
            std::vector<std::string>{"http://ok/1"});
}

TEST(FatDbWalker, OnlyVersionFiveIsDelivered) {
  Page p;
  for (std::uint32_t v : {4u, 5u, 6u, 0u}) {
    Item it = Body("V");
    it.version = v;
    p.Add(EncodeKey("http://v/" + std::to_string(v)), EncodeItem(it));
  }
  EXPECT_EQ(Urls(File({p.Build()})), std::vector<std::string>{"http://v/5"});
}

TEST(FatDbWalker, ShortFilesYieldNothing) {
  EXPECT_TRUE(Urls("").empty());
  EXPECT_TRUE(Urls(std::string(100, '\x05')).empty());
  EXPECT_TRUE(Urls(std::string(4096, '\x01')).empty());
  // A header page plus one byte of a bucket page: no count can be read.
  EXPECT_TRUE(Urls(std::string(4097, '\x01')).empty());
}

TEST(FatDbWalker, TruncatedPageKeepsWhatFits) {
  Page second;
  auto first = second.Add(EncodeKey("http://b/1"), EncodeItem(Body("A")));
  auto lower = second.Add(EncodeKey("http://b/2"), EncodeItem(Body("B")));
  std::string file = File({PageOf({"http://a/1"}), second.Build()});
  // Cut inside the offset table, inside the lower pair's item, inside the URL of the
  // pair stored at the page end: only what lies wholly before the cut is read.
  const std::size_t page2 = 8192;
  EXPECT_EQ(Urls(file.substr(0, page2 + 3)), std::vector<std::string>{"http://a/1"});
  EXPECT_EQ(Urls(file.substr(0, page2 + lower.second + 40)), std::vector<std::string>{"http://a/1"});
  EXPECT_EQ(Urls(file.substr(0, page2 + first.first + 12)),
            (std::vector<std::string>{"http://a/1", "http://b/2"}));
  EXPECT_EQ(Urls(file), (std::vector<std::string>{"http://a/1", "http://b/2", "http://b/1"}));

  // A page cut inside its offset table: the pairs whose words are gone are not read.
  Page p;
  for (int i = 0; i < 20; ++i) p.Add(EncodeKey("http://t/" + std::to_string(i)), EncodeItem(Body("T")));
  std::string table = File({p.Build()}).substr(0, 4096 + 20);
  EXPECT_TRUE(Urls(table).empty());
}

TEST(FatDbWalker, CountedStringRules) {
  Page p;
  // Bytes after the first zero are not part of the string.
  std::string item = EncodeItem(Body("F"));
  p.Add(EncodeKey("http://s/1"), item);
  std::string key;
  Append32(key, 99);
  Append32(key, 8);
  key += std::string("abc\0def\0", 8);
  p.Add(key, item);
  // A key of length 0 gives an empty URL.
  std::string emptyKey;
  Append32(emptyKey, 13);
  Append32(emptyKey, 0);
  p.Add(emptyKey, item);
  EXPECT_EQ(Urls(File({p.Build()})), (std::vector<std::string>{"", "abc", "http://s/1"}));
}

TEST(FatDbWalker, LyingLengthsMakeOnlyTheirItemUnusable) {
  RecordingNotifier notifier;
  Page p;
  p.Add(EncodeKey("http://ok/first"), EncodeItem(Body("A")));

  // File name lengths 10001 and 20000: dropped, told once for the walk with the count.
  std::string huge = EncodeItem(Body("B"));
  std::string len;
  Append32(len, 10001);
  huge.replace(29, 4, len);
  p.Add(EncodeKey("http://bad/huge"), huge);
  std::string huge2 = EncodeItem(Body("G"));
  std::string len2;
  Append32(len2, 20000);
  huge2.replace(29, 4, len2);
  p.Add(EncodeKey("http://bad/huge2"), huge2);

  // Negative length: dropped without a word.
  std::string negative = EncodeItem(Body("C"));
  std::string neg;
  Append32(neg, 0xFFFFFFF0u);
  negative.replace(29, 4, neg);
  p.Add(EncodeKey("http://bad/negative"), negative);

  // A length within the limit that runs past the page end.
  std::string past = EncodeItem(Body("D"));
  std::string pastLen;
  Append32(pastLen, 9000);
  past.replace(29, 4, pastLen);
  p.Add(EncodeKey("http://bad/past"), past);

  // A key whose URL length lies.
  std::string badKey;
  Append32(badKey, 0);
  Append32(badKey, 5000);
  badKey += "http://bad/key";
  p.Add(badKey, EncodeItem(Body("E")));

  p.Add(EncodeKey("http://ok/last"), EncodeItem(Body("F")));
  EXPECT_EQ(Urls(File({p.Build()}), &notifier),
            (std::vector<std::string>{"http://ok/last", "http://ok/first"}));
  ASSERT_EQ(notifier.messages.size(), 1u);
  // The walk goes from the last pair to the first: 20000 is met first.
  EXPECT_EQ(platform::AnsiToUtf8(notifier.messages[0]),
            "とてつもなく大きい文字列[20000] (2 件のレコードを読み飛ばしました)");
}

TEST(FatDbWalker, ItemsRunningPastThePageEnd) {
  Page p;
  p.Reserve(16);
  p.Add(EncodeKey("http://ok/1"), EncodeItem(Body("A")));
  // A pair whose data item starts 10 bytes before the page end, and one whose key does.
  std::string tail = EncodeItem(Body("B")).substr(0, 10);
  p.Poke(4086, tail);
  std::size_t validKey = p.Top() - 100;
  p.Poke(validKey, EncodeKey("http://x/"));
  p.AddRawPair(static_cast<std::uint16_t>(validKey), 4086);
  std::size_t validItem = p.Top() - 400;
  p.Poke(validItem, EncodeItem(Body("C")));
  p.Poke(4088, std::string("\0\0\0\0\x05\0\0\0", 8));
  p.AddRawPair(4088, static_cast<std::uint16_t>(validItem));
  // The same item with a good key is delivered: only the key was at fault above.
  p.AddRawPair(static_cast<std::uint16_t>(validKey), static_cast<std::uint16_t>(validItem));
  EXPECT_EQ(Urls(File({p.Build()})), (std::vector<std::string>{"http://x/", "http://ok/1"}));
}

}  // namespace
