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
  std::string profile = GetProfileDirectory();
  out << "profile\t" << (profile.empty() ? "(none)" : platform::AnsiToUtf8(profile)) << "\n";

  std::string fatDb = CliFatDbPath(context.Options);
  out << "fat_db\t" << (fatDb.empty() ? "(none)" : platform::AnsiToUtf8(fatDb));
  if (!context.Options.FatDb.empty()) out << "\t(--fat-db)";
  out << "\n";
  bool exists = !fatDb.empty() && platform::FileExists(fatDb);
  if (!fatDb.empty()) out << "fat_db_host\t" << platform::HostPath(fatDb) << "\n";
  out << "exists\t" << (exists ? "yes" : "no") << "\n";
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
