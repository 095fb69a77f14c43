#include "ui_fixture.h"

#include <QElapsedTimer>
#include <QLocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/file_time.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/main/ui_text.h"
#include "ui/main/shell_icons.h"

namespace uitest {

QApplication& App() {
  static int argc = 1;
  static char name[] = "th_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Dates are checked as shown in Tokyo, whatever the runner's zone.
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    auto* a = new QApplication(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    ui::EnsureIconTheme();
    return a;
  }();
  return *app;
}

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    usleep(5000);
  }
}

TMemoryCacheSource::TMemoryCacheSource(std::string folder) : folder_(std::move(folder)) {
  Cache().onDelete = [this](const std::string& url) {
    for (const TCacheSourceRecord& rec : Cache().records)
      if (rec.SourceUrlName == url) return std::remove(rec.LocalFileName.c_str()) == 0;
    return false;
  };
}

void TMemoryCacheSource::Add(const MemoryEntry& entry) {
  std::vector<TCacheSourceRecord>& records = Cache().records;
  const std::string file = entry.sharedFile.empty()
                               ? folder_ + "/M" + std::to_string(records.size()) + ".dat"
                               : entry.sharedFile;
  if (entry.sharedFile.empty()) std::ofstream(file, std::ios::binary) << entry.body;
  records.push_back(thtest::Record(entry.url)
                        .Type(entry.contentType)
                        .Size(static_cast<std::uint32_t>(entry.body.size()))
                        .Modified(entry.modified)
                        .File(file));
}

TempDir::TempDir() {
  char pattern[] = "/tmp/th_ui_XXXXXX";
  char* made = mkdtemp(pattern);
  path_ = made ? made : "/tmp";
}

TempDir::~TempDir() {
  if (path_ != "/tmp" && !std::getenv("TH_KEEP_FIXTURES")) platform::DeleteTreeSilent(path_);
}

TWebCacheTreeNode* FileBySource(const TWebCacheTreeNode* folder, const std::string& url) {
  if (!folder) return nullptr;
  for (std::size_t i = 0; i < folder->Count(); ++i)
    if (!folder->Items(i)->IsFolder() && folder->Items(i)->EntryInfo().SourceUrl == url)
      return folder->Items(i);
  return nullptr;
}

QString LocalNameOf(const TWebCacheTreeNode* folder, const std::string& url) {
  const TWebCacheTreeNode* file = FileBySource(folder, url);
  return file ? ui::ToQ(file->GetDisplayName()) : QString();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::unique_ptr<TMemoryCacheSource> MakeSampleSource(const std::string& folder) {
  auto source = std::make_unique<TMemoryCacheSource>(folder);
  // Titles are CP932 text as the pages carry them.
  source->Add({"http://www.example.com/", "text/html",
               "<html><head><title>Example Top</title></head><body>top</body></html>",
               978307200});
  source->Add({"http://www.example.com/docs/guide.html", "text/html",
               "<html><head><title>Guide</title></head><body>" + std::string(1500, 'x') +
                   "</body></html>",
               978393600});
  source->Add({"http://www.example.com/docs/logo.gif", "image/gif", std::string(2048, 'g'),
               978480000});
  source->Add({"http://www.example.com/docs/run.cgi?q=1", "text/plain", "result",
               978566400});
  source->Add({"http://www.example.com/docs/api/index.txt", "text/plain", "api",
               978652800});
  source->Add({"http://www.example.com/docs/api/ref/part.html", "TEXT/HTML; charset=Shift_JIS",
               "<html><head><title>Reference</title></head></html>", 978739200});
  source->Add({"http://news.example.org/today/story.html", "text/html",
               "<title>Story</title>", 978825600});
  source->Add({"ftp://ftp.example.net/pub/readme.xyzzy", "application/octet-stream",
               "data", 978912000});
  return source;
}

}  // namespace uitest

// Fontconfig keeps its caches for the life of the process; in sanitizer builds
// those would be reported as leaks of every window test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
