// Helpers of the window tests: the QApplication (offscreen platform), a cache
// source held in memory whose bodies are real files, and a fresh settings folder.
#pragma once

#include <QApplication>
#include <QString>
#include <cstdint>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "support/memory_source.h"

class TWebCacheTreeNode;

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace uitest {

// The one QApplication of the test binary.
QApplication& App();

// A first base class for fixtures whose members are widgets: the application
// must exist before them.
struct WithApp {
  WithApp() { App(); }
};

// Processes events for about `ms` milliseconds.
void Pump(int ms);

struct MemoryEntry {
  MemoryEntry(std::string u, std::string type, std::string b,
              std::int64_t time = 978307200, std::string shared = {})
      : url(std::move(u)), contentType(std::move(type)), body(std::move(b)),
        modified(time), sharedFile(std::move(shared)) {}
  std::string url;
  std::string contentType;  // "" = no Content-Type line
  std::string body;
  std::int64_t modified = 978307200;  // 2001-01-01 00:00:00 UTC
  // An existing body file to name instead of writing `body` (benchmarks share one
  // file among many entries); the size is still that of `body`.
  std::string sharedFile;
};

// The test support's memory source whose bodies are real files in `folder`;
// DeleteEntry removes the body file.
class TMemoryCacheSource : public thtest::MemorySource {
 public:
  explicit TMemoryCacheSource(std::string folder);
  // Writes the body file at once.
  void Add(const MemoryEntry& entry);
  std::size_t Size() const { return Cache().records.size(); }

 private:
  std::string folder_;
};

// A temporary folder removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A little web site in memory: two schemes, two hosts, folders and files of
// several types.  `folder` receives the bodies.
std::unique_ptr<TMemoryCacheSource> MakeSampleSource(const std::string& folder);

// The name the tree gave to the file with this URL (URLs with a query get a
// name of their own), or "" when no such file is in `folder`.
QString LocalNameOf(const TWebCacheTreeNode* folder, const std::string& url);

// The file node with this source URL in `folder` (null when none).
TWebCacheTreeNode* FileBySource(const TWebCacheTreeNode* folder, const std::string& url);

// Text of a file (empty when missing).
std::string ReadFile(const std::string& path);

}  // namespace uitest
