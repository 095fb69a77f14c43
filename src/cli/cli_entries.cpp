// entries: every entry that the cache source delivers, one tab-separated line each.
#include <ostream>

#include "cache/web_cache.h"
#include "cli/cli_commands.h"

int RunEntriesCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "entries takes no arguments");
    return kExitUsage;
  }
  std::string fatDb;
  if (!CliCheckCache(context, fatDb)) return kExitFailure;

  auto cache = CliMakeWebCache(context);
  std::ostream& out = context.Out;
  out << "url\tcache_file\tsize\tmodified\tcontent_type\n";
  TWebCacheEntryInfo entry;
  for (bool more = cache->FindFirst(entry); more; more = cache->FindNext(entry)) {
    out << CliField(entry.SourceUrl) << '\t' << CliField(entry.LocalFileName) << '\t'
        << entry.Size << '\t' << CliIsoDateTime(entry.LastModified) << '\t'
        << CliField(entry.HeaderInfo.GetValue("Content-Type")) << '\n';
  }
  cache->FindClose();
  out.flush();
  if (!out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
