// Small hand-assembled FAT.DB pages for tests of single decoding rules that a real
// Berkeley DB file cannot be made to show (offsets, counts and lengths that lie).
// Whole caches in tests come from tools/make-netscape-cache instead.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace fatdb_test {

inline void Put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}

inline void Append32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A counted string: length including the zero byte, the bytes, the zero.
inline void AppendCounted(std::string& b, const std::string& s) {
  if (s.empty()) {
    Append32(b, 0);
    return;
  }
  Append32(b, static_cast<std::uint32_t>(s.size() + 1));
  b += s;
  b.push_back('\0');
}

struct Item {
  std::uint32_t version = 5;
  std::uint32_t lastModified = 0;
  std::uint32_t contentLength = 0;
  std::string fileName;
  std::string headerA, contentType, headerB, charset;
  std::string textB, textC;
};

inline std::string EncodeItem(const Item& it) {
  std::string b;
  Append32(b, 0);  // head value
  Append32(b, it.version);
  Append32(b, it.lastModified);
  Append32(b, 0);  // last accessed
  Append32(b, 0);  // expires
  Append32(b, it.contentLength);
  b.push_back(0);  // flag A
  Append32(b, 0);  // value A
  AppendCounted(b, it.fileName);
  Append32(b, 0);  // value B
  b.push_back(1);  // flag B
  Append32(b, 0);  // value C
  AppendCounted(b, it.textB);
  Append32(b, 0);  // value D
  AppendCounted(b, it.headerA);
  AppendCounted(b, it.contentType);
  AppendCounted(b, it.headerB);
  AppendCounted(b, it.charset);
  b.push_back(0);  // flag C
  Append32(b, 0);  // value E
  AppendCounted(b, it.textC);
  return b;
}

inline std::string EncodeKey(const std::string& url) {
  std::string b;
  Append32(b, static_cast<std::uint32_t>(url.size() + 13));
  AppendCounted(b, url);
  Append32(b, 0);
  return b;
}

// One 4096-byte page: items are stored from the end downwards, the offset table
// (count, then key/data word pairs) at the start.
class Page {
 public:
  Page() : bytes_(4096, '\0') {}

  // Stores a pair; returns its (key, data) offsets.
  std::pair<std::uint16_t, std::uint16_t> Add(const std::string& key, const std::string& data) {
    if (key.size() + data.size() + 2 * words_.size() + 8 > top_) std::abort();  // test bug
    top_ -= key.size();
    std::memcpy(&bytes_[top_], key.data(), key.size());
    auto keyOffset = static_cast<std::uint16_t>(top_);
    top_ -= data.size();
    std::memcpy(&bytes_[top_], data.data(), data.size());
    auto dataOffset = static_cast<std::uint16_t>(top_);
    words_.push_back(keyOffset);
    words_.push_back(dataOffset);
    return {keyOffset, dataOffset};
  }
  void AddRawPair(std::uint16_t keyOffset, std::uint16_t dataOffset) {
    words_.push_back(keyOffset);
    words_.push_back(dataOffset);
  }
  // Raw bytes at an offset, for items that lie.
  void Poke(std::size_t at, const std::string& bytes) {
    std::memcpy(&bytes_[at], bytes.data(), bytes.size());
  }
  std::size_t Top() const { return top_; }
  // Keeps the `n` bytes below the current top free for Poke.
  void Reserve(std::size_t n) { top_ -= n; }

  std::string Build(int countOverride = -1) const {
    std::string b = bytes_;
    Put16(b, 0, static_cast<std::uint16_t>(countOverride >= 0 ? countOverride : words_.size()));
    for (std::size_t i = 0; i < words_.size(); ++i) Put16(b, 2 + 2 * i, words_[i]);
    return b;
  }

 private:
  std::string bytes_;
  std::vector<std::uint16_t> words_;
  std::size_t top_ = 4096;
};

// A file: a zeroed header page, then the given pages.
inline std::string File(const std::vector<std::string>& pages) {
  std::string b(4096, '\0');
  for (const auto& p : pages) b += p;
  return b;
}

}  // namespace fatdb_test
