// warc: writes cached objects as a WARC 1.1 file for web archives and replay tools.
//   tollhaven-cli warc URLPREFIX... --to FILE.warc.gz [--cdx]
//   tollhaven-cli warc --all --to FILE.warc.gz [--cdx]
// --cdx also writes a CDXJ index beside it (FILE.cdxj).  Bodies are never changed.
#include <chrono>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "archive/warc_writer.h"
#include "cache/netscape_cache.h"
#include "cli/cli_commands.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/system_error.h"

#ifndef TH_VERSION
#define TH_VERSION "unknown"
#endif

namespace {

struct WarcArgs {
  std::vector<std::string> Prefixes;  // ANSI
  std::string Destination;            // ANSI
  bool All = false;
  bool Cdx = false;
};

bool ParseArgs(CliContext& context, WarcArgs& args) {
  const std::vector<std::string>& a = context.Args;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::string& arg = a[i];
    if (arg == "--all") {
      args.All = true;
    } else if (arg == "--cdx") {
      args.Cdx = true;
    } else if (arg == "--to" || arg.compare(0, 5, "--to=") == 0) {
      std::string value = arg.size() > 4 ? arg.substr(5) : (i + 1 < a.size() ? a[++i] : "");
      if (value.empty()) {
        CliError(context, "warc: --to needs a value");
        return false;
      }
      args.Destination = platform::Utf8ToAnsi(value);
    } else if (arg.compare(0, 2, "--") == 0) {
      CliError(context, "warc: unknown option " + arg);
      return false;
    } else {
      args.Prefixes.push_back(platform::Utf8ToAnsi(arg));
    }
  }
  if (args.Destination.empty()) {
    CliError(context, "warc: --to FILE.warc.gz is required");
    return false;
  }
  if (args.All == !args.Prefixes.empty()) {
    CliError(context, "warc: give URL prefixes or --all (not both)");
    return false;
  }
  return true;
}

// FILE.warc.gz -> FILE.cdxj (FILE.warc -> FILE.cdxj, anything else + ".cdxj").
std::string CdxjPath(const std::string& warc) {
  for (const char* ext : {".warc.gz", ".warc"}) {
    std::string e = ext;
    if (warc.size() > e.size() && warc.compare(warc.size() - e.size(), e.size(), e) == 0)
      return warc.substr(0, warc.size() - e.size()) + ".cdxj";
  }
  return warc + ".cdxj";
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrorText() {
  std::string reason = platform::SystemErrorText(platform::LastError());
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
  return platform::AnsiToUtf8(reason);
}

}  // namespace

int RunWarcCommand(CliContext& context) {
  WarcArgs args;
  if (!ParseArgs(context, args)) return kExitUsage;
  std::string fatDb;
  if (!CliCheckCache(context, fatDb)) return kExitFailure;

  const auto started = std::chrono::steady_clock::now();
  CliWarningNotifier notifier(context.Err);
  TNetscapeCacheSource source(fatDb);
  source.SetNotifier(&notifier);

  TWarcWriter writer;
  if (!writer.Open(args.Destination)) {
    CliError(context, "warc: cannot create " + platform::AnsiToUtf8(args.Destination) + ": " +
                          ErrorText());
    return kExitFailure;
  }
  TWarcExportOptions options;
  options.Prefixes = args.Prefixes;
  options.Software = std::string("tollhaven-cli ") + TH_VERSION;
  options.SourceDescription = "Netscape 4.x disk cache, index " + platform::AnsiToUtf8(fatDb);
  TWarcExportResult result;
  bool ok = WriteCacheWarc(source, options, writer, result);
  const int writeError = platform::LastError();
  if (!writer.Close()) ok = false;
  if (!ok) {
    platform::SetLastError(writeError);
    CliError(context, "warc: cannot write " + platform::AnsiToUtf8(args.Destination) + ": " +
                          ErrorText());
    return kExitFailure;
  }
  if (args.Cdx) {
    const std::string cdx = CdxjPath(args.Destination);
    if (!platform::AtomicWriteFile(cdx, writer.CdxjIndex(platform::AnsiToUtf8(BaseName(args.Destination))))) {
      CliError(context, "warc: cannot write " + platform::AnsiToUtf8(cdx) + ": " + ErrorText());
      return kExitFailure;
    }
  }
  if (result.Unreadable) {
    CliError(context, "warning: " + std::to_string(result.Unreadable) +
                          " body files could not be read (first: " +
                          platform::AnsiToUtf8(result.FirstError) + ")");
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char secondsText[32];
  std::snprintf(secondsText, sizeof secondsText, "%.3f", seconds);
  context.Out << "response records: " << result.Responses << "\n"
              << "resource records: " << result.Resources << "\n"
              << "unreadable bodies: " << result.Unreadable << "\n"
              << "body bytes: " << result.BodyBytes << "\n"
              << "warc bytes: " << result.FileBytes << "\n"
              << "seconds: " << secondsText << "\n";
  context.Out.flush();
  if (result.Responses + result.Resources == 0 && !args.All) {
    CliError(context, "warc: no cached object under the given prefixes");
    return kExitFailure;
  }
  return kExitOk;
}
