#include <charconv>
#include <cstdio>
#include <ostream>

#include "cache/netscape_cache.h"
#include "cache/netscape_location.h"
#include "cache/web_cache.h"
#include "cli/cli_commands.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_error.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"

namespace {

// TWebCache that owns the notifier its source reports to.
class CliWebCache : public TWebCache {
 public:
  CliWebCache(std::unique_ptr<TWebCacheSource> source, std::ostream& err)
      : TWebCache(std::move(source)), notifier_(err) {
    SetNotifier(&notifier_);
  }

 private:
  CliWarningNotifier notifier_;
};

// The tree with the notifier its cache reports to.
struct CliTree {
  CliWarningNotifier notifier;
  std::unique_ptr<TWebCacheTree> tree;
  explicit CliTree(std::ostream& err) : notifier(err) {}
  // The tree saves its lists when it goes; the notifier must still be there then.
  ~CliTree() { tree.reset(); }
};

}  // namespace

void CliWarningNotifier::ShowMessage(const std::string& text) {
  err_ << "tollhaven-cli: warning: " << platform::AnsiToUtf8(text) << "\n";
}

void CliError(CliContext& context, const std::string& utf8Message) {
  context.Err << "tollhaven-cli: " << utf8Message << "\n";
}

std::string CliFatDbPath(const CliOptions& options) {
  return LocateCache(CacheSearchFor(options)).IndexFile;
}

bool CliCheckCache(CliContext& context, std::string& fatDbPath) {
  fatDbPath = CliFatDbPath(context.Options);
  if (fatDbPath.empty()) {
    CliError(context, "no Netscape cache: the registry (" +
                          platform::Registry::Current().Source() +
                          ") names no usable profile (or its prefs.js cannot be read); "
                          "give --prefix, --registry, --netscape-home, --cache-dir or --fat-db");
    return false;
  }
  if (!platform::FileExists(fatDbPath)) {
    std::string shown = platform::AnsiToUtf8(fatDbPath);
    std::string host = platform::HostPath(fatDbPath);
    CliError(context, "no Netscape cache: no index file at " + shown +
                          (host != shown ? " (" + host + ")" : std::string()));
    return false;
  }
  platform::MappedFile probe;
  if (!probe.Open(fatDbPath)) {
    std::string reason = platform::SystemErrorText(platform::LastError());
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    CliError(context, "cannot read the index file " + platform::AnsiToUtf8(fatDbPath) + ": " +
                          platform::AnsiToUtf8(reason));
    return false;
  }
  return true;
}

std::unique_ptr<TWebCache> CliMakeWebCache(CliContext& context) {
  return std::make_unique<CliWebCache>(MakeCacheSource(context.Options), context.Err);
}

namespace {

void BlankSeparators(std::string& text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    char& c = text[i];
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
}

}  // namespace

std::string CliField(const std::string& ansi) {
  std::string text = platform::AnsiToUtf8(ansi);
  BlankSeparators(text, 0);
  return text;
}

std::shared_ptr<TWebCacheTree> CliLoadTree(CliContext& context,
                                           const std::string& defaultFileName) {
  std::string fatDb;
  if (!CliCheckCache(context, fatDb)) return nullptr;
  auto holder = std::make_shared<CliTree>(context.Err);
  holder->tree = std::make_unique<TWebCacheTree>(MakeCacheSource(context.Options));
  TWebCacheTree& tree = *holder->tree;
  tree.WebCache().SetNotifier(&holder->notifier);
  tree.SetEnableScheme(!context.Options.NoScheme);
  UseSettingsFiles(tree, context.Options.ReadOnly);
  if (!defaultFileName.empty()) tree.DefaultFileName = defaultFileName;
  tree.Refresh();
  // Aliasing pointer: the caller sees the tree, the holder keeps the notifier alive.
  return std::shared_ptr<TWebCacheTree>(holder, holder->tree.get());
}

namespace {

// `value` in decimal, with leading zeros up to `width` digits.
char* PutNumber(char* p, unsigned value, int width) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = n; i < width; ++i) *p++ = '0';
  while (n > 0) *p++ = digits[--n];
  return p;
}

}  // namespace

std::string CliIsoDateTime(const platform::SYSTEMTIME& t, char separator) {
  // Written digit by digit: the TSV outputs print one per row.
  char text[32];
  char* p = PutNumber(text, t.wYear, 4);
  *p++ = '-';
  p = PutNumber(p, t.wMonth, 2);
  *p++ = '-';
  p = PutNumber(p, t.wDay, 2);
  *p++ = separator;
  p = PutNumber(p, t.wHour, 2);
  *p++ = ':';
  p = PutNumber(p, t.wMinute, 2);
  *p++ = ':';
  p = PutNumber(p, t.wSecond, 2);
  return std::string(text, p);
}

CliRows::CliRows(std::ostream& out) : out_(out) { text_.reserve(kChunk + 4096); }

CliRows::~CliRows() { Flush(); }

CliRows& CliRows::Field(const std::string& ansi) {
  const std::size_t start = text_.size();
  text_ += platform::AnsiToUtf8(ansi);
  BlankSeparators(text_, start);
  return *this;
}

CliRows& CliRows::Number(std::uint64_t value) {
  char digits[24];
  const std::to_chars_result done = std::to_chars(digits, digits + sizeof digits, value);
  text_.append(digits, done.ptr);
  return *this;
}

void CliRows::EndRow() {
  text_ += '\n';
  if (text_.size() >= kChunk) Flush();
}

void CliRows::Flush() {
  if (text_.empty()) return;
  out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
  text_.clear();
}

bool CliIsOverwriteValue(const std::string& value) {
  return value == "ask" || value == "yes" || value == "no" || value == "all" ||
         value == "none" || value == "newer";
}

int CliOverwriteAnswer(const std::string& value) {
  if (value == "yes") return kOverwriteYes;
  if (value == "no") return kOverwriteNo;
  if (value == "all") return kOverwriteAll;
  if (value == "none") return kOverwriteNoToAll;
  if (value == "newer") return kOverwriteNewer;
  return 0;
}

int CliOverwriteKey(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  if (line == "y") return kOverwriteYes;
  if (line == "n") return kOverwriteNo;
  if (line == "a") return kOverwriteAll;
  if (line == "s") return kOverwriteNoToAll;
  if (line == "w") return kOverwriteNewer;
  if (line == "c") return kOverwriteCancel;
  return 0;
}

void CliPrintCopyError(std::ostream& err, const std::string& text, const std::string& caption) {
  std::string flat;
  for (char c : platform::AnsiToUtf8(text))
    if (c != '\r') flat.push_back(c);
  err << "tollhaven-cli: " << platform::AnsiToUtf8(caption) << ": " << flat;
  if (flat.empty() || flat.back() != '\n') err << "\n";
}
