// export: copies cached folders or files (or the whole cache) into a local folder with
// links made local, as a favorite's copy does in the window.  A folder URL copies the
// folder with everything below it; the URL of a cached file copies that file (and, by
// the method, what its page uses).  A URL that is not in the cache is an error.
//   tollhaven-cli export URL... --to DIR [--method 1|2|3] [--folders 1|2]
//                 [--default-name NAME] [--overwrite ask|yes|no|all|none|newer]
//   tollhaven-cli export --all --to DIR [...]
// Without a terminal to ask, the overwrite answer is kCliOverwriteWithoutTerminal.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cache/cache_source.h"
#include "cache/netscape_cache.h"
#include "cli/cli_commands.h"
#include "common/file_utils.h"
#include "common/format.h"
#include "common/url.h"
#include "platform/codepage.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"

namespace {

struct ExportArgs {
  std::vector<std::string> Prefixes;  // ANSI
  std::string Destination;            // ANSI
  bool All = false;
  int Method = kCopyMethodBelowUrl;
  int Folders = kFolderCreationFromStart;
  std::string DefaultName = "index.html";
  std::string Overwrite;  // "" = by terminal
};

std::string Utf8(std::string_view ansi) { return platform::AnsiToUtf8(ansi); }

// The engine's questions and messages on the terminal, with a progress bar and the
// counts for the summary.
class TerminalCallbacks : public TCopyCallbacks {
 public:
  TerminalCallbacks(std::istream& in, std::ostream& err, bool progressBar, int autoAnswer)
      : in_(in), err_(err), bar_(progressBar), autoAnswer_(autoAnswer) {}

  void SetMaximum(std::size_t max) { max_ = max; }

  int AskOverwrite(const TWebCacheTreeNode& node, const std::string& existingPath) override {
    if (autoAnswer_ != 0) return autoAnswer_;
    ClearBar();
    const TWebCacheEntryView entry = node.EntryInfo();
    err_ << "ファイルの上書きの確認: このフォルダには既に '" << Utf8(node.GetDisplayName())
         << "' ファイルが存在します。\n";
    std::uint64_t size = 0;
    platform::FILETIME local = 0;
    platform::SYSTEMTIME when{};
    err_ << "  現在のファイル: " << Utf8(existingPath);
    if (platform::GetFileSize(existingPath, size) && GetFileLocalWriteTime(existingPath, local) &&
        platform::FileTimeToSystemTime(local, when)) {
      err_ << " (" << size << " バイト, " << CliIsoDateTime(when, ' ') << ")";
    }
    err_ << "\n  新しいファイル: " << Utf8(entry.SourceUrl) << " (" << entry.Size << " バイト, "
         << CliIsoDateTime(entry.LastModified, ' ') << ")\n";
    for (;;) {
      err_ << "[y] はい  [a] すべて上書き  [n] いいえ  [c] キャンセル  "
              "[w] 新しい日付のファイルをすべて上書き  [s] すべていいえ ? "
           << std::flush;
      std::string line;
      if (!std::getline(in_, line)) {
        err_ << "\n";
        return kOverwriteCancel;  // no one left to answer
      }
      if (int answer = CliOverwriteKey(line)) return answer;
    }
  }

  void ShowError(const std::string& text, const std::string& caption) override {
    ClearBar();
    CliPrintCopyError(err_, text, caption);
  }

  void ProgressStep() override {
    ++position_;
    DrawBar(false);
  }
  void ProgressGrow() override { ++max_; }

  void FileFinished(const TWebCacheTreeNode&, const std::string&, bool written, bool rewritten,
                    std::uint64_t bytes) override {
    if (written) {
      ++copied;
      this->bytes += bytes;
    } else {
      ++skipped;
    }
    if (rewritten) ++pages;
  }

  // One file that cannot be written is reported and passed over; the summary lists it.
  bool GoOnAfterFailure() const override { return true; }
  void FileFailed(const TWebCacheTreeNode& node, const std::string& path) override {
    failed.push_back(Utf8(node.EntryInfo().SourceUrl) + "\t" + Utf8(path));
  }

  void Finish() {
    DrawBar(true);
    ClearBar();
  }

  std::size_t copied = 0, skipped = 0, pages = 0;
  std::vector<std::string> failed;  // URL TAB destination, UTF-8
  std::uint64_t bytes = 0;

 private:
  void DrawBar(bool force) {
    if (!bar_) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    const int width = 40;
    std::size_t max = max_ ? max_ : 1;
    int filled = static_cast<int>(width * (position_ > max ? max : position_) / max);
    err_ << "\r[" << std::string(filled, '#') << std::string(width - filled, ' ') << "] "
         << position_ << "/" << max_ << std::flush;
    drawn_ = true;
  }
  void ClearBar() {
    if (!drawn_) return;
    err_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
    drawn_ = false;
  }

  std::istream& in_;
  std::ostream& err_;
  bool bar_;
  int autoAnswer_;
  std::size_t position_ = 0, max_ = 0;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

bool ParseArgs(CliContext& context, ExportArgs& args) {
  const std::vector<std::string>& a = context.Args;
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::string arg = a[i];
    if (arg == "--all") {
      args.All = true;
      continue;
    }
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::string name = arg, value;
      bool hasValue = false;
      if (std::size_t eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        hasValue = true;
      } else if (i + 1 < a.size()) {
        value = a[++i];
        hasValue = true;
      }
      if (name != "--to" && name != "--method" && name != "--folders" &&
          name != "--default-name" && name != "--overwrite") {
        CliError(context, "export: unknown option " + name);
        return false;
      }
      if (!hasValue || value.empty()) {
        CliError(context, "export: " + name + " needs a value");
        return false;
      }
      if (name == "--to") {
        args.Destination = platform::Utf8ToAnsi(value);
      } else if (name == "--method") {
        if (value != "1" && value != "2" && value != "3") {
          CliError(context, "export: --method takes 1, 2 or 3");
          return false;
        }
        args.Method = value[0] - '0';
      } else if (name == "--folders") {
        if (value != "1" && value != "2") {
          CliError(context, "export: --folders takes 1 or 2");
          return false;
        }
        args.Folders = value[0] - '0';
      } else if (name == "--default-name") {
        args.DefaultName = platform::Utf8ToAnsi(value);
        if (args.DefaultName.find('/') != std::string::npos || args.DefaultName == "." ||
            args.DefaultName == "..") {
          CliError(context, "export: --default-name must be a plain file name");
          return false;
        }
      } else {
        if (!CliIsOverwriteValue(value)) {
          CliError(context, "export: --overwrite takes ask, yes, no, all, none or newer");
          return false;
        }
        args.Overwrite = value;
      }
      continue;
    }
    args.Prefixes.push_back(platform::Utf8ToAnsi(arg));
  }
  if (args.Destination.empty()) {
    CliError(context, "export: --to DIR is required");
    return false;
  }
  if (args.All == !args.Prefixes.empty()) {
    CliError(context, "export: give URL prefixes or --all (not both)");
    return false;
  }
  return true;
}

}  // namespace

int RunExportCommand(CliContext& context) {
  ExportArgs args;
  if (!ParseArgs(context, args)) return kExitUsage;
  std::string fatDb;
  if (!CliCheckCache(context, fatDb)) return kExitFailure;

  const bool stdinTerminal = isatty(0) != 0;
  if (args.Overwrite.empty()) args.Overwrite = stdinTerminal ? "ask" : kCliOverwriteWithoutTerminal;
  int answer = kOverwriteYes;
  int autoAnswer = 0;  // answers given for the engine's question without asking
  if (args.Overwrite == "yes") autoAnswer = kOverwriteYes;
  if (args.Overwrite == "no") autoAnswer = answer = kOverwriteNo;
  if (args.Overwrite == "all") answer = kOverwriteAll;
  if (args.Overwrite == "none") answer = kOverwriteNoToAll;
  if (args.Overwrite == "newer") answer = kOverwriteNewer;

  const auto started = std::chrono::steady_clock::now();
  CliWarningNotifier notifier(context.Err);
  TWebCacheTree tree(MakeCacheSource(context.Options));
  tree.WebCache().SetNotifier(&notifier);
  tree.SetEnableScheme(!context.Options.NoScheme);
  // Names follow the same rename list and content types as the window's.
  UseSettingsFiles(tree, context.Options.ReadOnly);
  // A refresh as the window does it.
  tree.Build();
  tree.SortAll();
  tree.MakeNamesUnique(tree.Root());

  // The copy lists, one per URL (or one for the whole cache).  `Folder` is the node
  // copied: a folder with everything below it, or a single file; `Base` is its folder.
  struct Job {
    std::string Prefix;
    TWebCacheTreeNode* Folder;
    std::string Base;
  };
  std::vector<Job> jobs;
  if (args.All) {
    jobs.push_back({"", tree.Root(), ""});
  } else {
    for (const std::string& url : args.Prefixes) {
      // The node the URL names itself, never the folder around it.
      TWebCacheTreeNode* node = url.empty() ? nullptr : tree.FindNodeByUrl(url);
      if (!node) {
        CliError(context, "export: not in the cache: " + Utf8(url));
        return kExitFailure;
      }
      jobs.push_back({url, node, node == tree.Root() ? "" : std::string(node->EntryInfo().FolderUrl)});
    }
  }

  TerminalCallbacks callbacks(std::cin, context.Err, isatty(2) != 0, autoAnswer);
  std::size_t total = 0;
  for (const Job& job : jobs) total += TWebCacheTree::CountFiles(job.Folder);
  callbacks.SetMaximum(total);

  const auto copyStarted = std::chrono::steady_clock::now();
  bool ok = true;
  for (const Job& job : jobs) {
    // The whole cache always mirrors full URLs.
    const int folders = args.All ? kFolderCreationFromStart : args.Folders;
    if (tree.DefaultFileName != args.DefaultName) {
      tree.DefaultFileName = args.DefaultName;
      tree.MakeNamesUnique(job.Folder->IsFolder() ? job.Folder : job.Folder->Parent());
    }
    TWebCacheTreeNodeCopyList list;
    CollectFiles(job.Folder, list);
    if (!CopyNodes(args.Destination, job.Base, answer, args.Method, folders, list, callbacks)) {
      ok = false;
      // Failed files were passed over; only a cancel ends the export here.
      if (answer == kOverwriteCancel) break;
    }
  }
  callbacks.Finish();

  const auto now = std::chrono::steady_clock::now();
  const double seconds = std::chrono::duration<double>(now - started).count();
  const double copySeconds = std::chrono::duration<double>(now - copyStarted).count();
  char secondsText[64];
  std::snprintf(secondsText, sizeof secondsText, "%.3f (copy %.3f)", seconds, copySeconds);
  std::ostream& out = context.Out;
  out << "files copied: " << callbacks.copied << "\n"
      << "files skipped: " << callbacks.skipped << "\n"
      << "bytes written: " << callbacks.bytes << "\n"
      << "pages rewritten: " << callbacks.pages << "\n"
      << "files failed: " << callbacks.failed.size() << "\n"
      << "seconds: " << secondsText << "\n";
  for (const std::string& f : callbacks.failed) out << "failed: " << f << "\n";
  out.flush();
  if (!callbacks.failed.empty()) {
    CliError(context, "export: " + std::to_string(callbacks.failed.size()) +
                          " file(s) could not be written (listed above)");
    return kExitFailure;
  }
  if (!ok) {
    CliError(context, "export stopped before the end");
    return kExitFailure;
  }
  return kExitOk;
}
