#include "db185.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstring>

namespace mnc {
namespace {

// The 1.85 ABI, as its <db.h> declared it.  libdb1-compat ships no header.
struct DBT {
  void* data;
  std::size_t size;
};
enum DBTYPE { DB_BTREE, DB_HASH, DB_RECNO };
struct DB {
  DBTYPE type;
  int (*close)(DB*);
  int (*del)(const DB*, const DBT*, unsigned);
  int (*get)(const DB*, const DBT*, DBT*, unsigned);
  int (*put)(const DB*, DBT*, const DBT*, unsigned);
  int (*seq)(const DB*, DBT*, DBT*, unsigned);
  int (*sync)(const DB*, unsigned);
  void* internal;
  int (*fd)(const DB*);
};
struct HASHINFO {
  unsigned bsize;
  unsigned ffactor;
  unsigned nelem;
  unsigned cachesize;
  std::uint32_t (*hash)(const void*, std::size_t);
  int lorder;
};
using DbOpenFn = DB* (*)(const char*, int, int, DBTYPE, const void*);

std::string ErrnoText(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

HashDb185::~HashDb185() {
  std::string ignored;
  Close(ignored);
  // The library stays loaded: it keeps buffers of big items until the process ends, and
  // leak reports can only name it (and be suppressed below) while it is mapped.
}

bool HashDb185::Create(const std::string& path, unsigned cacheBytes, std::string& error) {
  if (!lib_) {
    // Debian installs it as /lib/libdb1.so.2; the soname alone finds it elsewhere.
    for (const char* name : {"libdb1.so.2", "/lib/libdb1.so.2", "/usr/lib/libdb1.so.2"}) {
      lib_ = dlopen(name, RTLD_NOW | RTLD_LOCAL);
      if (lib_) break;
    }
    if (!lib_) {
      error = "cannot load libdb1.so.2 (package libdb1-compat): ";
      const char* why = dlerror();
      error += why ? why : "unknown error";
      return false;
    }
  }
  auto open = reinterpret_cast<DbOpenFn>(dlsym(lib_, "dbopen"));
  if (!open) open = reinterpret_cast<DbOpenFn>(dlsym(lib_, "__dbopen"));
  if (!open) {
    error = "libdb1.so.2 has no dbopen";
    return false;
  }
  HASHINFO info{};
  info.bsize = 4096;
  info.lorder = 1234;
  info.cachesize = cacheBytes;
  DB* db = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644, DB_HASH, &info);
  if (!db) {
    error = ErrnoText(("dbopen " + path).c_str());
    return false;
  }
  db_ = db;
  return true;
}

bool HashDb185::Put(std::string_view key, std::string_view data, std::string& error) {
  auto* db = static_cast<DB*>(db_);
  if (!db) {
    error = "database not open";
    return false;
  }
  // The library takes non-const pointers but does not write through them.
  DBT k{const_cast<char*>(key.data()), key.size()};
  DBT d{const_cast<char*>(data.data()), data.size()};
  if (db->put(db, &k, &d, 0) != 0) {
    error = ErrnoText("put");
    return false;
  }
  return true;
}

bool HashDb185::Del(std::string_view key, std::string& error) {
  auto* db = static_cast<DB*>(db_);
  if (!db) {
    error = "database not open";
    return false;
  }
  DBT k{const_cast<char*>(key.data()), key.size()};
  // 1 means the key was not there.
  if (db->del(db, &k, 0) < 0) {
    error = ErrnoText("del");
    return false;
  }
  return true;
}

bool HashDb185::Close(std::string& error) {
  auto* db = static_cast<DB*>(db_);
  if (!db) return true;
  db_ = nullptr;
  if (db->close(db) != 0) {
    error = ErrnoText("close");
    return false;
  }
  return true;
}

}  // namespace mnc

// Berkeley DB 1.85 does not free the buffers it used for items larger than a page; that
// is the library's own bookkeeping, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdb1"; }
