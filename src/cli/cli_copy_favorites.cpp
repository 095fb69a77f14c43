// copy-favorites: copies (or moves) favorites of favorites.dat as the window's favorite
// copy does, each into its own destination with its own settings, and stamps them.
//   tollhaven-cli copy-favorites [--move] [--overwrite ask|yes|no|all|none|newer]
//                                [--scheduled] NAME...
// A NAME is a favorite's index (as `favorites` lists it) or its title.  --scheduled
// takes every favorite whose schedule flag is set, for runs from cron or a timer;
// without a terminal to ask, the answer is kCliOverwriteWithoutTerminal (as export's).
#include <unistd.h>

#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "cache/netscape_cache.h"
#include "cli/cli_commands.h"
#include "favorites/copy_favorites.h"
#include "favorites/favorites.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"

namespace {

class FavoriteCopyCallbacks : public TCopyCallbacks {
 public:
  FavoriteCopyCallbacks(std::istream& in, std::ostream& err) : in_(in), err_(err) {}

  int AskOverwrite(const TWebCacheTreeNode& node, const std::string& existingPath) override {
    err_ << "overwrite " << platform::AnsiToUtf8(existingPath) << " with "
         << platform::AnsiToUtf8(node.EntryInfo().SourceUrl) << "?\n";
    for (;;) {
      err_ << "[y] yes  [n] no  [a] all  [s] none  [w] all newer  [c] cancel ? " << std::flush;
      std::string line;
      if (!std::getline(in_, line)) return kOverwriteCancel;
      if (int answer = CliOverwriteKey(line)) return answer;
    }
  }
  void ShowError(const std::string& text, const std::string& caption) override {
    CliPrintCopyError(err_, text, caption);
  }
  void FileFinished(const TWebCacheTreeNode&, const std::string&, bool written, bool,
                    std::uint64_t) override {
    ++(written ? copied : skipped);
  }

  std::size_t copied = 0, skipped = 0;

 private:
  std::istream& in_;
  std::ostream& err_;
};

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

int RunCopyFavoritesCommand(CliContext& context) {
  bool move = false, scheduled = false;
  std::string overwrite;
  std::vector<std::string> names;
  const std::vector<std::string>& a = context.Args;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == "--move") {
      move = true;
    } else if (a[i] == "--scheduled") {
      scheduled = true;
    } else if (a[i] == "--overwrite") {
      if (i + 1 >= a.size()) {
        CliError(context, "copy-favorites: --overwrite needs ask, yes, no, all, none or newer");
        return kExitUsage;
      }
      overwrite = a[++i];
      if (!CliIsOverwriteValue(overwrite)) {
        CliError(context, "copy-favorites: --overwrite takes ask, yes, no, all, none or newer");
        return kExitUsage;
      }
    } else if (a[i].size() > 1 && a[i].compare(0, 2, "--") == 0) {
      CliError(context, "copy-favorites: unknown option " + a[i]);
      return kExitUsage;
    } else {
      names.push_back(a[i]);
    }
  }
  if (names.empty() && !scheduled) {
    CliError(context, "copy-favorites: name favorites (index or title) or give --scheduled");
    return kExitUsage;
  }

  TFavorites favorites;
  favorites.SetFavoritesPath(platform::SettingsFolder() + TFavorites::kFileName);
  std::vector<TFavoriteItem*> selected;
  auto take = [&](TFavoriteItem* item) {
    for (TFavoriteItem* s : selected)
      if (s == item) return;
    selected.push_back(item);
  };
  for (const std::string& name : names) {
    TFavoriteItem* found = nullptr;
    if (AllDigits(name) && name.size() < 9) found = favorites.GetItem(std::stoi(name) - 1);
    std::string title = platform::Utf8ToAnsi(name);
    for (int i = 0; !found && i < favorites.Count(); ++i)
      if (favorites.GetItem(i)->Title == title) found = favorites.GetItem(i);
    if (!found) {
      CliError(context, "copy-favorites: no favorite " + name + " in " +
                            platform::AnsiToUtf8(favorites.FavoritesPath()));
      return kExitFailure;
    }
    take(found);
  }
  if (scheduled)
    for (int i = 0; i < favorites.Count(); ++i)
      if (favorites.GetItem(i)->Timer) take(favorites.GetItem(i));
  if (selected.empty()) {
    context.Out << "no scheduled favorites\n";
    return kExitOk;
  }

  std::shared_ptr<TWebCacheTree> tree =
      CliLoadTree(context, favorites.DefaultFavorite().Default.empty()
                               ? std::string("index.html")
                               : favorites.DefaultFavorite().Default);
  if (!tree) return kExitFailure;

  if (overwrite.empty()) overwrite = isatty(0) ? "ask" : kCliOverwriteWithoutTerminal;
  // The run's one answer starts as the window's (ask); a fixed answer is given
  // through the callbacks so that the engine's own rules (newer, none) apply.
  class Answering : public FavoriteCopyCallbacks {
   public:
    using FavoriteCopyCallbacks::FavoriteCopyCallbacks;
    int fixed = 0;
    int AskOverwrite(const TWebCacheTreeNode& node, const std::string& path) override {
      return fixed ? fixed : FavoriteCopyCallbacks::AskOverwrite(node, path);
    }
  } callbacks(std::cin, context.Err);
  callbacks.fixed = CliOverwriteAnswer(overwrite);

  bool ok = CopyFavorites(favorites, *tree, selected, move, nullptr, callbacks);
  std::ostream& out = context.Out;
  for (TFavoriteItem* item : selected)
    out << "favorite\t" << favorites.IndexOf(item) + 1 << '\t' << CliField(item->Title) << '\t'
        << CliField(item->PathName) << '\t' << CliField(FormatFavoriteDate(item->Date)) << '\n';
  out << "files copied: " << callbacks.copied << "\n"
      << "files skipped: " << callbacks.skipped << "\n";
  out.flush();
  if (!favorites.LastSaveOk())
    CliError(context, "cannot write " + platform::AnsiToUtf8(favorites.FavoritesPath()));
  if (!ok) {
    CliError(context, "copy-favorites stopped before the end");
    return kExitFailure;
  }
  return favorites.LastSaveOk() ? kExitOk : kExitFailure;
}
