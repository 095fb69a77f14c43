// favorites: the favorites of favorites.dat in the settings folder, one per line.
// Columns: index (1-based; "default" for the settings new favorites start from),
// title, url, destination, default file name, folder creation, copy method,
// scheduled (1/0), date.
#include <ostream>

#include "cli/cli_commands.h"
#include "favorites/favorites.h"
#include "platform/files.h"

namespace {

void PrintFavorite(std::ostream& out, const std::string& index, const TFavoriteItem& f) {
  out << index << '\t' << CliField(f.Title) << '\t' << CliField(f.UrlName) << '\t'
      << CliField(f.PathName) << '\t' << CliField(f.Default) << '\t' << unsigned{f.Folder}
      << '\t' << unsigned{f.Method} << '\t' << (f.Timer ? 1 : 0) << '\t'
      << CliField(FormatFavoriteDate(f.Date)) << '\n';
}

}  // namespace

int RunFavoritesCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "favorites takes no arguments");
    return kExitUsage;
  }
  TFavorites favorites;
  favorites.SetFavoritesPath(platform::SettingsFolder() + TFavorites::kFileName);
  std::ostream& out = context.Out;
  out << "index\ttitle\turl\tdestination\tdefault_name\tfolders\tmethod\tscheduled\tdate\n";
  PrintFavorite(out, "default", favorites.DefaultFavorite());
  for (int i = 0; i < favorites.Count(); ++i)
    PrintFavorite(out, std::to_string(i + 1), *favorites.GetItem(i));
  out.flush();
  if (!out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
