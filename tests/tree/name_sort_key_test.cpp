// The ASCII rank keys used to sort folder children must order names exactly as the
// collator's keys do, or a folder would list (and number) its files differently
// depending on whether one of them has a non-ASCII name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tree/web_cache_tree.h"

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

std::vector<std::string> MixedAsciiNames() {
  // Every printable non-capital ASCII byte, in names shaped like real file names and
  // in random runs; prefixes, digits against letters, punctuation against both.
  std::string alphabet;
  for (int c = 0x20; c < 0x7F; ++c) {
    if (c < 'A' || c > 'Z') alphabet.push_back(static_cast<char>(c));
  }
  std::vector<std::string> names = {"", "a", "a.gif", "a~0001.gif", "a-b", "a_b", "a b",
                                    "a.b", "ab", "a1", "a10", "a9", "index.html",
                                    "index.htm", "index", "~", "-", "_", "1", "10", "9z"};
  for (char c : alphabet) {
    names.push_back(std::string(1, c));
    names.push_back(std::string("x") + c + "y");
    names.push_back(std::string("file") + c);
  }
  std::uint64_t s = 0x2545F4914F6CDD1Dull;
  for (int i = 0; i < 1500; ++i) {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    std::string n;
    std::size_t len = 1 + s % 7;
    for (std::size_t k = 0; k < len; ++k) {
      n.push_back(alphabet[(s >> (8 + 6 * k)) % alphabet.size()]);
    }
    names.push_back(n);
  }
  return names;
}

TEST(NameSortKeyTest, AsciiRankKeysOrderAsTheCollator) {
  std::vector<std::string> names = MixedAsciiNames();
  std::vector<std::string> fast(names.size());
  std::vector<std::string> icu(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_TRUE(FastNameSortKey(names[i], &fast[i])) << names[i];
    icu[i] = platform::AnsiSortKey(names[i], false);
  }
  int checked = 0;
  for (std::size_t i = 0; i < names.size(); i += 3) {
    for (std::size_t j = 0; j < names.size(); j += 2) {
      int want = Sign(icu[i].compare(icu[j]));
      ASSERT_EQ(Sign(fast[i].compare(fast[j])), want) << '"' << names[i] << "\" vs \"" << names[j] << '"';
      ASSERT_EQ(Sign(platform::AnsiCompareStr(names[i], names[j])), want)
          << '"' << names[i] << "\" vs \"" << names[j] << '"';
      ++checked;
    }
  }
  EXPECT_GT(checked, 100000);
}

TEST(NameSortKeyTest, WholeListSortsTheSameBothWays) {
  std::vector<std::string> byFast = MixedAsciiNames();
  std::vector<std::string> byIcu = byFast;
  std::stable_sort(byFast.begin(), byFast.end(), [](const std::string& a, const std::string& b) {
    std::string ka, kb;
    FastNameSortKey(a, &ka);
    FastNameSortKey(b, &kb);
    return ka < kb;
  });
  std::stable_sort(byIcu.begin(), byIcu.end(), [](const std::string& a, const std::string& b) {
    return platform::AnsiSortKey(a, false) < platform::AnsiSortKey(b, false);
  });
  EXPECT_EQ(byFast, byIcu);
}

TEST(NameSortKeyTest, NamesOutsidePrintableLowerAsciiGoToTheCollator) {
  std::string key;
  EXPECT_FALSE(FastNameSortKey("Index.html", &key));         // a capital
  EXPECT_FALSE(FastNameSortKey("a\tb", &key));               // a control byte
  EXPECT_FALSE(FastNameSortKey("\x82\xa0.html", &key));      // CP932 hiragana
  EXPECT_FALSE(FastNameSortKey("caf\xe9", &key));            // high byte
  EXPECT_TRUE(FastNameSortKey("", &key));
  EXPECT_TRUE(key.empty());
}

}  // namespace
