#include "dragdrop/drop_data.h"

#include "platform/codepage.h"

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const std::vector<std::uint8_t>& in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
  return v;
}

// Zero-ended 8-bit names from `at` up to the first empty one.
std::vector<std::string> ReadNames8(const std::vector<std::uint8_t>& block, std::size_t at) {
  std::vector<std::string> names;
  while (at < block.size()) {
    std::size_t end = at;
    while (end < block.size() && block[end] != 0) ++end;
    if (end == block.size() || end == at) break;  // unterminated or the final zero
    names.emplace_back(reinterpret_cast<const char*>(block.data() + at), end - at);
    at = end + 1;
  }
  return names;
}

std::vector<std::string> ReadNames16(const std::vector<std::uint8_t>& block, std::size_t at) {
  std::vector<std::string> names;
  while (at + 1 < block.size()) {
    std::u16string name;
    bool ended = false;
    for (; at + 1 < block.size(); at += 2) {
      const char16_t c = static_cast<char16_t>(block[at] | (block[at + 1] << 8));
      if (c == 0) {
        ended = true;
        at += 2;
        break;
      }
      name.push_back(c);
    }
    if (!ended || name.empty()) break;
    names.push_back(platform::Utf16ToAnsi(name));
  }
  return names;
}

}  // namespace

std::vector<std::uint8_t> BuildHDrop(const std::vector<std::string>& files) {
  std::size_t size = kDropFilesHeaderSize + 1;
  for (const std::string& f : files) size += f.size() + 1;
  std::vector<std::uint8_t> block(size, 0);
  PutU32(block, 0, kDropFilesHeaderSize);  // offset of the list; point, flags stay 0
  std::size_t at = kDropFilesHeaderSize;
  for (const std::string& f : files) {
    std::copy(f.begin(), f.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
    at += f.size() + 1;
  }
  return block;
}

std::vector<std::uint8_t> BuildFileNameMap(const std::vector<std::string>& names) {
  std::size_t size = 1;
  for (const std::string& n : names) size += n.size() + 1;
  std::vector<std::uint8_t> block(size, 0);
  std::size_t at = 0;
  for (const std::string& n : names) {
    std::copy(n.begin(), n.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
    at += n.size() + 1;
  }
  return block;
}

std::vector<std::uint8_t> BuildFileNameMapW(const std::vector<std::string>& names) {
  std::vector<std::u16string> wide;
  std::size_t size = 2;
  for (const std::string& n : names) {
    wide.push_back(platform::AnsiToUtf16(n));
    size += 2 * wide.back().size() + 2;
  }
  std::vector<std::uint8_t> block(size, 0);
  std::size_t at = 0;
  for (const std::u16string& w : wide) {
    for (char16_t c : w) {
      block[at++] = static_cast<std::uint8_t>(c & 0xFF);
      block[at++] = static_cast<std::uint8_t>(c >> 8);
    }
    at += 2;
  }
  return block;
}

std::vector<std::uint8_t> BuildPreferredDropEffect(std::uint32_t effect) {
  std::vector<std::uint8_t> block(4, 0);
  PutU32(block, 0, effect);
  return block;
}

std::vector<std::string> ReadHDrop(const std::vector<std::uint8_t>& block) {
  if (block.size() < kDropFilesHeaderSize) return {};
  const std::uint32_t offset = GetU32(block, 0);
  const bool wide = GetU32(block, 16) != 0;
  if (offset >= block.size()) return {};
  return wide ? ReadNames16(block, offset) : ReadNames8(block, offset);
}

std::vector<std::string> ReadFileNameMap(const std::vector<std::uint8_t>& block) {
  return ReadNames8(block, 0);
}

std::vector<std::string> ReadFileNameMapW(const std::vector<std::uint8_t>& block) {
  return ReadNames16(block, 0);
}

std::uint32_t ReadPreferredDropEffect(const std::vector<std::uint8_t>& block) {
  return block.size() < 4 ? 0 : GetU32(block, 0);
}
