#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/binary_search.h"
#include "common/crc32.h"

namespace {

// Bit-at-a-time reference of the same CRC (MSB first, poly 0x04C11DB7, no
// reflection, no final XOR), to check the table-driven one against.
std::uint32_t BitwiseCrc(std::uint32_t crc, const std::string& bytes) {
  for (unsigned char b : bytes) {
    crc ^= static_cast<std::uint32_t>(b) << 24;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

TEST(Crc32, CheckValueAndTable) {
  TCrcTable table;
  EXPECT_EQ(UpdateCrc32(table, 0, "123456789"), 0x89A1897Fu);
  EXPECT_EQ(UpdateCrc32(table, 0, ""), 0u);
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[1], 0x04C11DB7u);
  EXPECT_EQ(table[255], 0xB1F740B4u);

  auto owned = CreateCrcTable();
  ASSERT_TRUE(owned);
  EXPECT_EQ(owned->Entries(), table.Entries());
}

TEST(Crc32, MatchesBitwiseReferenceAndChains) {
  TCrcTable table;
  std::mt19937 rng(7);
  for (int n = 0; n < 50; ++n) {
    std::string data(rng() % 300, '\0');
    for (auto& c : data) c = static_cast<char>(rng());
    const std::uint32_t start = (n % 2) ? 0u : static_cast<std::uint32_t>(rng());
    const std::uint32_t whole = UpdateCrc32(table, start, data);
    EXPECT_EQ(whole, BitwiseCrc(start, data));
    // Feeding the bytes in two pieces gives the same register.
    const std::size_t cut = data.empty() ? 0 : rng() % data.size();
    const std::uint32_t first = UpdateCrc32(table, start, data.data(), cut);
    EXPECT_EQ(UpdateCrc32(table, first, data.data() + cut, data.size() - cut), whole);
  }
}

// The POSIX checksum is this CRC from 0 over the data and its length bytes, inverted.
TEST(Crc32, AgreesWithPosixCksum) {
  const std::string path = ::testing::TempDir() + "crc_cksum_input.bin";
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>((i * 37) ^ (i >> 3)));
  { std::ofstream(path, std::ios::binary) << data; }

  FILE* p = popen(("cksum '" + path + "'").c_str(), "r");
  ASSERT_NE(p, nullptr);
  unsigned long expected = 0, length = 0;
  const int fields = std::fscanf(p, "%lu %lu", &expected, &length);
  pclose(p);
  std::remove(path.c_str());
  ASSERT_EQ(fields, 2) << "cksum not available";
  ASSERT_EQ(length, data.size());

  TCrcTable table;
  std::uint32_t crc = UpdateCrc32(table, 0, data);
  for (std::size_t n = data.size(); n != 0; n >>= 8) {
    const char b = static_cast<char>(n & 0xFF);
    crc = UpdateCrc32(table, crc, &b, 1);
  }
  EXPECT_EQ(~crc, static_cast<std::uint32_t>(expected));
}

int CompareInt(int key, int item) { return key < item ? -1 : (key > item ? 1 : 0); }

TEST(BinarySearchList, FoundAndInsertionPoints) {
  const std::vector<int> empty;
  EXPECT_EQ(BinarySearchList(empty, 5, CompareInt), -1);

  const std::vector<int> list = {10, 20, 30, 40, 50};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(BinarySearchList(list, list[i], CompareInt), i);
  EXPECT_EQ(BinarySearchList(list, 5, CompareInt), -1);    // before all: insert at 0
  EXPECT_EQ(BinarySearchList(list, 15, CompareInt), -2);   // insert at 1
  EXPECT_EQ(BinarySearchList(list, 45, CompareInt), -5);   // insert at 4
  EXPECT_EQ(BinarySearchList(list, 99, CompareInt), -6);   // after all n: -(n + 1)

  const std::vector<int> one = {7};
  EXPECT_EQ(BinarySearchList(one, 7, CompareInt), 0);
  EXPECT_EQ(BinarySearchList(one, 1, CompareInt), -1);
  EXPECT_EQ(BinarySearchList(one, 9, CompareInt), -2);
}

TEST(BinarySearchList, AgreesWithLinearScanOnRandomLists) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    std::vector<int> list;
    int v = 0;
    for (std::size_t n = rng() % 40; n > 0; --n) list.push_back(v += 1 + rng() % 5);
    const int key = static_cast<int>(rng() % (v + 3));
    const int r = BinarySearchList(list, key, CompareInt);
    std::size_t insertAt = 0;
    while (insertAt < list.size() && list[insertAt] < key) ++insertAt;
    if (insertAt < list.size() && list[insertAt] == key) {
      EXPECT_EQ(r, static_cast<int>(insertAt));
    } else {
      EXPECT_EQ(r, -static_cast<int>(insertAt) - 1);
      EXPECT_EQ(~r, static_cast<int>(insertAt));
    }
  }
}

TEST(BinarySearchList, WorksWithCustomListsAndCompares) {
  // Pointers ordered by a key they carry, searched with a heterogeneous compare.
  struct Item {
    std::string name;
  };
  const std::vector<Item> items = {{"alpha"}, {"beta"}, {"delta"}};
  auto cmp = [](const std::string& key, const Item& it) { return key.compare(it.name); };
  EXPECT_EQ(BinarySearchList(items, std::string("beta"), cmp), 1);
  EXPECT_EQ(BinarySearchList(items, std::string("charlie"), cmp), -3);
}

}  // namespace
