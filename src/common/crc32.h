// CRC-32 over a lookup table: polynomial 0x04C11DB7, most significant bit first,
// neither input nor output reflected, no final XOR; the caller supplies the start
// value.  Started from 0, "123456789" gives 0x89A1897F.  The cache tree names files
// of URLs with a query by this value ("%08x").
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class TCrcTable {
 public:
  TCrcTable();  // builds the 256 entries

  std::uint32_t operator[](std::size_t i) const { return table_[i]; }
  const std::array<std::uint32_t, 256>& Entries() const { return table_; }

 private:
  std::array<std::uint32_t, 256> table_;
};

// The table on the heap for owners that create it once and keep it; freeing it is
// the unique_ptr's business.
std::unique_ptr<TCrcTable> CreateCrcTable();

// For each byte b: crc = (crc << 8) ^ table[(crc >> 24) ^ b].
std::uint32_t UpdateCrc32(const TCrcTable& table, std::uint32_t crc, const void* bytes,
                          std::size_t count);
std::uint32_t UpdateCrc32(const TCrcTable& table, std::uint32_t crc, std::string_view bytes);
