// Thin wrapper over the Berkeley DB 1.85 library (libdb1.so.2 from libdb1-compat),
// loaded at run time so that FAT.DB is written by the very code the browser used.
// Only the hash access method is needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mnc {

class HashDb185 {
 public:
  HashDb185() = default;
  ~HashDb185();
  HashDb185(const HashDb185&) = delete;
  HashDb185& operator=(const HashDb185&) = delete;

  // Creates (truncates) `path` as a little-endian hash file with 4096-byte pages.
  // `cacheBytes` is the library's buffer pool; it changes speed, not the file format.
  bool Create(const std::string& path, unsigned cacheBytes, std::string& error);
  // Stores one pair; an existing equal key is replaced, as the browser's put did.
  bool Put(std::string_view key, std::string_view data, std::string& error);
  // Removes the pair of `key`; true also when there was none.
  bool Del(std::string_view key, std::string& error);
  // Flushes and closes; the file is complete only after this returned true.
  bool Close(std::string& error);

 private:
  void* lib_ = nullptr;
  void* db_ = nullptr;
};

}  // namespace mnc
