// FAT.DB files from old disks: truncated, with flipped bytes, with counts and offsets
// overwritten.  The reader must stay inside the file, never hand out a body outside
// the cache folder, and keep delivering the records of pages that were not touched.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "cache/fat_db_reader.h"
#include "cache/netscape_cache.h"
#include "cache_test_util.h"
#include "platform/files.h"

using namespace cachetest;

namespace {

std::string Slurp(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class CountingNotifier : public TCacheNotifier {
 public:
  void ShowMessage(const std::string& text) override {
    ++count;
    last = text;
  }
  int count = 0;
  std::string last;
};

class DamagedFatDb : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    thtest::NetscapeGenerateOptions gen;
    gen.count = 2500;
    gen.seed = 11;
    gen.bodySize = 16;
    fx_ = new thtest::NetscapeFixture(gen);
    if (!fx_->ok()) return;
    original_ = Slurp(fx_->fatDb());
    delivered_ = ReadAll(fx_->fatDb());
    // The page each delivered record lives on.
    TFatDbWalker walker(original_);
    TCacheObject obj;
    while (walker.NextItem(obj)) {
      std::pair<std::string, std::string> key{obj.Url, obj.FileName};
      if (delivered_.count(key)) pageOf_[key] = walker.PageOffset();
    }
  }
  static void TearDownTestSuite() {
    delete fx_;
    fx_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(fx_->ok()) << fx_->error();
    ASSERT_GT(delivered_.size(), 2000u);
    ASSERT_EQ(pageOf_.size(), delivered_.size());
  }

  // Reads `bytes` as a FAT.DB beside the real one, so that body names resolve.
  Delivered ReadDamaged(const std::string& bytes, int* messages = nullptr,
                        std::string* lastMessage = nullptr) {
    std::string path = fx_->cacheFolder() + "/DAMAGED.DB";
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    CountingNotifier notifier;
    Delivered got = ReadAll(path, &notifier);
    if (messages) *messages = notifier.count;
    if (lastMessage) *lastMessage = notifier.last;
    // Whatever comes out names an existing file inside the cache folder.
    TNetscapeCacheOptions options;
    options.FatDbPath = path;
    TNetscapeCache cache(options);
    for (const auto& [url, name] : got) {
      TCacheObject r;
      r.FileName = name;
      std::string body = cache.BodyPath(r);
      EXPECT_EQ(body.rfind(fx_->cacheFolder() + "/", 0), 0u) << name;
      EXPECT_TRUE(platform::FileExists(body)) << name;
    }
    return got;
  }

  // Every record of the original on a page that `damaged` leaves alone is there.
  static void ExpectUntouchedPagesDelivered(const std::set<std::size_t>& damagedPages,
                                            const Delivered& got) {
    std::size_t missing = 0;
    for (const auto& [key, page] : pageOf_) {
      if (damagedPages.count(page)) continue;
      if (!got.count(key) && ++missing <= 3) ADD_FAILURE() << "lost " << key.first;
    }
    EXPECT_EQ(missing, 0u);
  }

  static std::size_t Pages() { return original_.size() / kFatDbPageSize; }

  static thtest::NetscapeFixture* fx_;
  static std::string original_;
  static Delivered delivered_;
  static std::map<std::pair<std::string, std::string>, std::size_t> pageOf_;
};

thtest::NetscapeFixture* DamagedFatDb::fx_ = nullptr;
std::string DamagedFatDb::original_;
Delivered DamagedFatDb::delivered_;
std::map<std::pair<std::string, std::string>, std::size_t> DamagedFatDb::pageOf_;

bool Includes(const Delivered& big, const Delivered& small) {
  return std::includes(big.begin(), big.end(), small.begin(), small.end());
}

TEST_F(DamagedFatDb, TruncatedFilesLoseOnlyTheirTail) {
  EXPECT_EQ(ReadDamaged(original_), delivered_);
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100}, std::size_t{4095},
                           std::size_t{4096}, std::size_t{4097}}) {
    EXPECT_TRUE(ReadDamaged(original_.substr(0, size)).empty()) << size;
  }
  // Cutting at a page boundary keeps the pages before it whole; a cut inside a page
  // yields at least that and at most what the whole page would give.
  Delivered previous;
  std::mt19937 rng(3);
  for (std::size_t page = 2; page <= Pages(); page += 1 + Pages() / 12) {
    Delivered atBoundary = ReadDamaged(original_.substr(0, page * kFatDbPageSize));
    std::set<std::size_t> cut;
    for (std::size_t p = page * kFatDbPageSize; p < original_.size(); p += kFatDbPageSize) cut.insert(p);
    ExpectUntouchedPagesDelivered(cut, atBoundary);
    EXPECT_TRUE(Includes(delivered_, atBoundary));
    EXPECT_TRUE(Includes(atBoundary, previous));
    if (page < Pages()) {
      std::size_t inside = page * kFatDbPageSize + 1 + rng() % (kFatDbPageSize - 1);
      Delivered partial = ReadDamaged(original_.substr(0, inside));
      EXPECT_TRUE(Includes(partial, atBoundary));
      Delivered next = ReadDamaged(original_.substr(0, (page + 1) * kFatDbPageSize));
      EXPECT_TRUE(Includes(next, partial)) << inside;
    }
    previous = atBoundary;
  }
}

TEST_F(DamagedFatDb, FlippedBytesSpoilOnlyTheirPage) {
  std::mt19937 rng(5);
  for (int round = 0; round < 40; ++round) {
    std::string bytes = original_;
    std::set<std::size_t> pages;
    int flips = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < flips; ++i) {
      std::size_t at = kFatDbPageSize + rng() % (bytes.size() - kFatDbPageSize);
      bytes[at] = static_cast<char>(bytes[at] ^ (1 + rng() % 255));
      pages.insert(at / kFatDbPageSize * kFatDbPageSize);
    }
    Delivered got = ReadDamaged(bytes);
    ExpectUntouchedPagesDelivered(pages, got);
  }
}

TEST_F(DamagedFatDb, OverwrittenCountsAndOffsets) {
  std::mt19937 rng(9);
  // Counts: above the page's capacity, the top bit set, odd, and just at capacity.
  for (std::uint16_t count : {std::uint16_t{0xFFFF}, std::uint16_t{0x8000}, std::uint16_t{2048},
                              std::uint16_t{2047}, std::uint16_t{1}, std::uint16_t{3}}) {
    std::string bytes = original_;
    std::set<std::size_t> pages;
    for (std::size_t p = kFatDbPageSize; p < bytes.size(); p += 3 * kFatDbPageSize) {
      bytes[p] = static_cast<char>(count & 0xFF);
      bytes[p + 1] = static_cast<char>(count >> 8);
      pages.insert(p);
    }
    ExpectUntouchedPagesDelivered(pages, ReadDamaged(bytes));
  }
  // Offset words: near the page end, inside the offset table, random.
  for (int round = 0; round < 30; ++round) {
    std::string bytes = original_;
    std::set<std::size_t> pages;
    for (int i = 0; i < 20; ++i) {
      std::size_t page = kFatDbPageSize * (1 + rng() % (Pages() - 1));
      std::size_t word = 1 + rng() % 40;
      std::uint16_t value = 0;
      switch (rng() % 4) {
        case 0: value = static_cast<std::uint16_t>(4096 - 1 - rng() % 40); break;
        case 1: value = static_cast<std::uint16_t>(rng() % 90); break;
        case 2: value = static_cast<std::uint16_t>(rng()); break;
        default: value = static_cast<std::uint16_t>(4000 + rng() % 200); break;
      }
      bytes[page + 2 * word] = static_cast<char>(value & 0xFF);
      bytes[page + 2 * word + 1] = static_cast<char>(value >> 8);
      pages.insert(page);
    }
    ExpectUntouchedPagesDelivered(pages, ReadDamaged(bytes));
  }
}

TEST_F(DamagedFatDb, LengthWordsOverwrittenInPlace) {
  // Every counted-string length of the first items of some pages made huge, negative
  // or slightly too long: those records go, and the huge ones are told once, counted.
  std::string bytes = original_;
  std::set<std::size_t> pages;
  int huge = 0;
  for (std::size_t page = kFatDbPageSize; page + kFatDbPageSize <= bytes.size();
       page += 5 * kFatDbPageSize) {
    std::uint16_t count = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[page]) |
                                                     static_cast<unsigned char>(bytes[page + 1]) << 8);
    if (count < 2 || count > 2047) continue;
    std::size_t data = static_cast<unsigned char>(bytes[page + 4]) |
                       static_cast<unsigned char>(bytes[page + 5]) << 8;
    if (data < 8 || data + 33 > kFatDbPageSize) continue;
    if (Le32(bytes, page + data + 4) != 5) continue;
    std::int32_t lie = (pages.size() % 3 == 0) ? 123456 : (pages.size() % 3 == 1) ? -2 : 4000;
    huge += lie > 10000;
    for (int i = 0; i < 4; ++i) bytes[page + data + 29 + i] = static_cast<char>((lie >> (8 * i)) & 0xFF);
    pages.insert(page);
  }
  ASSERT_GT(pages.size(), 3u);
  int messages = 0;
  std::string text;
  Delivered got = ReadDamaged(bytes, &messages, &text);
  ExpectUntouchedPagesDelivered(pages, got);
  EXPECT_LT(got.size(), delivered_.size());
  ASSERT_GT(huge, 1);
  EXPECT_EQ(messages, 1);
  EXPECT_NE(text.find("[123456] (" + std::to_string(huge) + " "), std::string::npos) << text;
}

// Records too big for a page, on chains of overflow pages that a damaged file breaks:
// a loop, a link past the end, a piece whose offset lies.  Only the broken record goes,
// without a message, and the walk ends.
TEST(DamagedBigItems, BrokenChainsDropTheirRecordOnly) {
  thtest::NetscapeGenerateOptions gen;
  gen.count = 600;
  gen.seed = 21;
  gen.bodySize = 16;
  gen.longUrlPercent = 5;
  thtest::NetscapeFixture fx(gen);
  ASSERT_TRUE(fx.ok()) << fx.error();
  const std::string original = Slurp(fx.fatDb());
  const HashHeader h = ReadHashHeader(original);
  Delivered all = ReadAll(fx.fatDb());
  ASSERT_EQ(all, ExpectedFromDump(fx, fx.fatDb()));

  // The first page of each big record, and the page its first link leads to.
  auto le16 = [](const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
  };
  auto pageOf = [&](std::uint16_t address) {
    std::uint32_t split = address >> 11;
    std::uint64_t bucket = (1u << split) - 1;
    std::uint32_t spare = 0;
    for (std::uint32_t i = 0, limit = 1; limit < bucket + 1; limit <<= 1, ++i) spare = h.spares[i];
    return (bucket + 1 + spare + (address & 0x7FF)) * kFatDbPageSize;
  };
  struct Big {
    std::pair<std::string, std::string> record;
    std::size_t first = 0;
  };
  std::vector<Big> bigs;
  {
    TFatDbWalker walker(original);
    TCacheObject obj;
    while (walker.NextItem(obj)) {
      if (obj.Url.size() > 4000) bigs.push_back({{obj.Url, obj.FileName}, walker.PageOffset()});
    }
  }
  ASSERT_GE(bigs.size(), 3u);

  std::string path = fx.cacheFolder() + "/DAMAGED.DB";
  auto readDamaged = [&](const std::string& bytes, const Big& broken, std::size_t which) {
    ASSERT_TRUE(platform::AtomicWriteFile(path, bytes));
    CountingNotifier notifier;
    Delivered got = ReadAll(path, &notifier);
    Delivered want = all;
    want.erase(want.find(broken.record));
    EXPECT_TRUE(got == want) << "case " << which;
    for (const auto& g : got) {
      if (!want.count(g)) ADD_FAILURE() << which << " extra " << g.first.substr(0, 80);
    }
    for (const auto& w : want) {
      if (!got.count(w)) ADD_FAILURE() << which << " missing " << w.first.substr(0, 80);
    }
    EXPECT_EQ(notifier.count, 0);
  };
  for (std::size_t i = 0; i < 3; ++i) {
    const Big& big = bigs[i];
    std::string bytes = original;
    std::uint16_t count = le16(bytes, big.first);
    ASSERT_GE(count, 4u);
    std::uint16_t link = le16(bytes, big.first + 2 * (count - 1));
    std::size_t second = pageOf(link);
    ASSERT_LT(second, bytes.size());
    switch (i) {
      case 0: {
        // The first page links to itself: its own address is the link word of the
        // page before it in the bucket's chain.
        std::uint16_t self = 0;
        for (std::size_t p = kFatDbPageSize; p + kFatDbPageSize <= bytes.size(); p += kFatDbPageSize) {
          std::uint16_t n = le16(bytes, p);
          if (n >= 2 && n < 2047 && le16(bytes, p + 2 * n) == 0 &&
              pageOf(le16(bytes, p + 2 * (n - 1))) == big.first)
            self = le16(bytes, p + 2 * (n - 1));
        }
        ASSERT_NE(self, 0u);
        std::size_t at = big.first + 2 * (count - 1);
        bytes[at] = static_cast<char>(self & 0xFF);
        bytes[at + 1] = static_cast<char>(self >> 8);
        break;
      }
      case 1: {
        // A link to a page past the end of the file.
        std::uint16_t far = static_cast<std::uint16_t>((h.ovflPoint << 11) | 0x7FF);
        std::size_t at = big.first + 2 * (count - 1);
        bytes[at] = static_cast<char>(far & 0xFF);
        bytes[at + 1] = static_cast<char>(far >> 8);
        break;
      }
      default: {
        // The piece's offset points into the offset table.
        bytes[big.first + 2] = 2;
        bytes[big.first + 3] = 0;
        break;
      }
    }
    readDamaged(bytes, big, i);
  }
}

}  // namespace
