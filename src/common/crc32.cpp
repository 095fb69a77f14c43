#include "common/crc32.h"

TCrcTable::TCrcTable() {
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
    }
    table_[i] = c;
  }
}

std::unique_ptr<TCrcTable> CreateCrcTable() { return std::make_unique<TCrcTable>(); }

std::uint32_t UpdateCrc32(const TCrcTable& table, std::uint32_t crc, const void* bytes,
                          std::size_t count) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < count; ++i) {
    crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
  }
  return crc;
}

std::uint32_t UpdateCrc32(const TCrcTable& table, std::uint32_t crc, std::string_view bytes) {
  return UpdateCrc32(table, crc, bytes.data(), bytes.size());
}
