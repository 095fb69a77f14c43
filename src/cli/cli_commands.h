// tollhaven-cli commands.  main.cpp parses the global options and runs the command
// named next; each command lives in its own cli_<name>.cpp.  To add one, declare its
// entry function below and give it one line in kCliCommands.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "cache/cache_source.h"
#include "platform/file_time.h"

class TWebCache;
class TWebCacheTree;

// Global options, given before the command: the ones the window shares
// (app/startup.h) and the command line's own.
struct CliOptions : TStartupOptions {
  bool NoScheme = false;  // --no-scheme: tree without the scheme level
};

struct CliContext {
  const CliOptions& Options;
  std::vector<std::string> Args;  // what follows the command name
  std::ostream& Out;
  std::ostream& Err;
};

// Exit codes shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using CliCommandFunction = int (*)(CliContext& context);

// Whether a command may write the settings files (renameList.dat, contentType.dat);
// commands that only look at the cache leave them as they are.
enum class CliSettings { ReadOnly, Writes };

struct CliCommand {
  const char* Name;
  const char* Usage;    // arguments after the name, "" when none
  const char* Summary;  // one line for --help
  CliCommandFunction Run;
  CliSettings Settings;
};

int RunWhereCommand(CliContext& context);
int RunEntriesCommand(CliContext& context);
int RunExportCommand(CliContext& context);
int RunListCommand(CliContext& context);
int RunTreeCommand(CliContext& context);
int RunFindCommand(CliContext& context);
int RunFavoritesCommand(CliContext& context);
int RunCopyFavoritesCommand(CliContext& context);
int RunWarcCommand(CliContext& context);

inline constexpr CliCommand kCliCommands[] = {
    {"where", "", "show where the Netscape cache was looked for and found", RunWhereCommand, CliSettings::ReadOnly},
    {"entries", "", "list every cache entry as tab-separated UTF-8", RunEntriesCommand, CliSettings::ReadOnly},
    {"export", "URL...|--all --to DIR", "copy cached folders or files to DIR with links made local", RunExportCommand, CliSettings::Writes},
    {"list", "", "list every cached file with its local name and title (TSV)", RunListCommand, CliSettings::ReadOnly},
    {"tree", "", "show the folder tree with file counts and sizes", RunTreeCommand, CliSettings::ReadOnly},
    {"find", "[--in URL] [--name P] [--text T] ...", "search the cache like the find window (TSV hits)", RunFindCommand, CliSettings::ReadOnly},
    {"favorites", "", "list the favorites of favorites.dat with their settings", RunFavoritesCommand, CliSettings::ReadOnly},
    {"copy-favorites", "[--move] [--scheduled] NAME...", "copy favorites to their folders and stamp them", RunCopyFavoritesCommand, CliSettings::Writes},
    {"warc", "URLPREFIX...|--all --to FILE [--cdx]", "write cached objects as a WARC 1.1 file (and a CDXJ index)", RunWarcCommand, CliSettings::ReadOnly},
};

// ---- helpers shared by commands (cli_common.cpp) ----

// Prints "tollhaven-cli: <message>" on the error stream.
void CliError(CliContext& context, const std::string& utf8Message);

// The index file to read (FAT.DB or index.db): --fat-db as given, else what the
// search of the options finds.  "" when it cannot be determined.
std::string CliFatDbPath(const CliOptions& options);

// Checks that the cache can be read; when not, says on the error stream where it
// looked and returns false.
bool CliCheckCache(CliContext& context, std::string& fatDbPath);

// A TWebCache over the cache that the options name; reader messages go to the error
// stream of `context`, which must outlive the cache.
std::unique_ptr<TWebCache> CliMakeWebCache(CliContext& context);

// Text for output: CP932 -> UTF-8, with TAB, CR and LF turned into blanks so that a
// value always stays one tab-separated field.
std::string CliField(const std::string& ansi);

// Rows of tab-separated output gathered into large writes: a command that prints a row
// per entry adds its fields here rather than one stream operation at a time.  What is
// left goes out at Flush or when the rows go.
class CliRows {
 public:
  explicit CliRows(std::ostream& out);
  ~CliRows();
  CliRows(const CliRows&) = delete;
  CliRows& operator=(const CliRows&) = delete;

  // A field as CliField gives it.
  CliRows& Field(const std::string& ansi);
  CliRows& Number(std::uint64_t value);
  // Text as it is (UTF-8, separators, indents).
  CliRows& Text(std::string_view text) {
    text_ += text;
    return *this;
  }
  CliRows& Text(char c) {
    text_ += c;
    return *this;
  }
  void EndRow();
  void Flush();

 private:
  static constexpr std::size_t kChunk = std::size_t(1) << 16;
  std::ostream& out_;
  std::string text_;
};

// Reader messages (an absurdly long string in FAT.DB) become warnings on stderr.
class CliWarningNotifier : public TCacheNotifier {
 public:
  explicit CliWarningNotifier(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override;

 private:
  std::ostream& err_;
};

// Loads the cache as the window's refresh does: build, sort, settle the names, with
// the window's rename list and content types (not written back when the options are
// read-only).  A non-empty `defaultFileName` is set
// before the names are settled.  Null (after a message) when the cache cannot be read.
// The returned tree keeps the notifier that its cache reports to alive.
std::shared_ptr<TWebCacheTree> CliLoadTree(CliContext& context,
                                           const std::string& defaultFileName = std::string());

// "2001-02-03T04:05:06", as the TSV outputs write times; messages for people use a
// blank as the `separator`.
std::string CliIsoDateTime(const platform::SYSTEMTIME& t, char separator = 'T');

// The --overwrite answer of export and copy-favorites when there is no terminal to ask:
// a file already in the destination is replaced only when the cached copy is newer.
inline constexpr const char* kCliOverwriteWithoutTerminal = "newer";

// True for the values that --overwrite takes: ask, yes, no, all, none, newer.
bool CliIsOverwriteValue(const std::string& value);

// The engine's answer for an --overwrite value; 0 for "ask" (and anything else).
int CliOverwriteAnswer(const std::string& value);

// The answer for a key typed at an overwrite question (y, n, a, s, w, c; trailing
// blanks and CR ignored); 0 when the line is none of them.
int CliOverwriteKey(std::string line);

// Prints a copy engine's error as "tollhaven-cli: CAPTION: TEXT" (ANSI in, UTF-8 out,
// CRs dropped, one final newline).
void CliPrintCopyError(std::ostream& err, const std::string& text, const std::string& caption);
