#include <ostream>

#include "cache/netscape_cache.h"
#include "cache/netscape_location.h"
#include "cache/web_cache.h"
#include "cli/cli_commands.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_error.h"

namespace {

// Reader messages (an absurdly long string in FAT.DB) become warnings on stderr.
class StreamNotifier : public TCacheNotifier {
 public:
  explicit StreamNotifier(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override {
    err_ << "tollhaven-cli: warning: " << platform::AnsiToUtf8(text) << "\n";
  }

 private:
  std::ostream& err_;
};

// TWebCache that owns the notifier its source reports to.
class CliWebCache : public TWebCache {
 public:
  CliWebCache(std::unique_ptr<TWebCacheSource> source, std::ostream& err)
      : TWebCache(std::move(source)), notifier_(err) {
    SetNotifier(&notifier_);
  }

 private:
  StreamNotifier notifier_;
};

}  // namespace

void CliError(CliContext& context, const std::string& utf8Message) {
  context.Err << "tollhaven-cli: " << utf8Message << "\n";
}

std::string CliFatDbPath(const CliOptions& options) {
  if (!options.FatDb.empty()) return options.FatDb;
  return GetFatDbPath();
}

bool CliCheckCache(CliContext& context, std::string& fatDbPath) {
  fatDbPath = CliFatDbPath(context.Options);
  if (fatDbPath.empty()) {
    CliError(context, "no Netscape cache: the registry (" +
                          platform::Registry::Current().Source() +
                          ") names no usable profile (or its prefs.js cannot be read); "
                          "give --prefix, --registry or --fat-db");
    return false;
  }
  if (!platform::FileExists(fatDbPath)) {
    std::string shown = platform::AnsiToUtf8(fatDbPath);
    std::string host = platform::HostPath(fatDbPath);
    CliError(context, "no Netscape cache: FAT.DB not found at " + shown +
                          (host != shown ? " (" + host + ")" : std::string()));
    return false;
  }
  platform::MappedFile probe;
  if (!probe.Open(fatDbPath)) {
    std::string reason = platform::SystemErrorText(platform::LastError());
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    CliError(context, "cannot read FAT.DB at " + platform::AnsiToUtf8(fatDbPath) + ": " +
                          platform::AnsiToUtf8(reason));
    return false;
  }
  return true;
}

std::unique_ptr<TWebCache> CliMakeWebCache(CliContext& context) {
  auto source = std::make_unique<TNetscapeCacheSource>(context.Options.FatDb);
  return std::make_unique<CliWebCache>(std::move(source), context.Err);
}

std::string CliField(const std::string& ansi) {
  std::string text = platform::AnsiToUtf8(ansi);
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}
