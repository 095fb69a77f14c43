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
  CliRows rows(out);
  rows.Text("url\tcache_file\tsize\tmodified\tcontent_type").EndRow();
  TWebCacheEntryInfo entry;
  for (bool more = cache->FindFirst(entry); more; more = cache->FindNext(entry)) {
    rows.Field(entry.SourceUrl).Text('\t').Field(entry.LocalFileName).Text('\t');
    rows.Number(entry.Size).Text('\t').Text(CliIsoDateTime(entry.LastModified)).Text('\t');
    rows.Field(entry.HeaderInfo.GetValue("Content-Type")).EndRow();
  }
  cache->FindClose();
  rows.Flush();
  out.flush();
  if (!out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
