// where: how the cache was located, step by step, so that a user whose cache does
// not show up can see which step failed.
#include <ostream>

#include "cache/netscape_location.h"
#include "cli/cli_commands.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"

int RunWhereCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "where takes no arguments");
    return kExitUsage;
  }
  std::ostream& out = context.Out;
  out << "registry\t" << platform::Registry::Current().Source() << "\n";
  const TCacheSearch search = CacheSearchFor(context.Options);
  const TCacheLocation found = LocateCache(search);
  auto shown = [](const std::string& path) {
    return path.empty() ? std::string("(none)") : platform::AnsiToUtf8(path);
  };
  out << "profile\t" << shown(found.Profile) << "\n";

  std::string fatDb = found.IndexFile;
  out << "fat_db\t" << shown(fatDb);
  if (!context.Options.FatDb.empty()) out << "\t(--fat-db)";
  out << "\n";
  bool exists = !fatDb.empty() && platform::FileExists(fatDb);
  if (!fatDb.empty()) out << "fat_db_host\t" << platform::HostPath(fatDb) << "\n";
  out << "exists\t" << (exists ? "yes" : "no") << "\n";
  out << "bookmarks\t" << shown(found.BookmarkFile) << "\n";
  // Every place looked at, in order: the Wine prefix's profile, then ~/.netscape.
  for (const TCacheLookup& step : SearchCache(search, platform::Registry::Current())) {
    out << "search\t" << step.Step << "\t" << shown(step.Location.IndexFile) << "\t"
        << (step.Location.Exists() ? "found" : "not found") << "\n";
  }
  // Where this program keeps its own files (an installed one: ~/.config and share/).
  out << "settings\t" << platform::AnsiToUtf8(platform::SettingsFolder()) << "\n";
  out << "help_file\t" << platform::AnsiToUtf8(platform::JoinPath(platform::DataFolder(), "tollhaven.hlp"))
      << "\n";
  out.flush();
  if (!exists) {
    std::string ignored;
    CliCheckCache(context, ignored);  // says why on stderr
    return kExitFailure;
  }
  return kExitOk;
}
