// find: searches the cache tree with the criteria of the find window and prints each
// hit as it is found.
//   tollhaven-cli find [--in URL] [--name PATTERNS] [--text TEXT] [--match-case]
//        [--types .gif,.html] [--size-below KB | --size-above KB | --size-between KB KB]
//        [--date-between DATE DATE | --months N | --days N] [--no-subfolders]
// Output: "file|folder TAB url TAB size TAB modified" per hit, then "found TAB count".
#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cache/cache_source.h"
#include "cache/netscape_cache.h"
#include "cli/cli_commands.h"
#include "find/find_criteria.h"
#include "find/find_engine.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"

namespace {

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// "2001-02-03" or "2001/02/03".
bool ParseDay(const std::string& text, platform::SYSTEMTIME& out) {
  unsigned y = 0, m = 0, d = 0;
  char s1 = 0, s2 = 0, extra = 0;
  if (std::sscanf(text.c_str(), "%4u%c%2u%c%2u%c", &y, &s1, &m, &s2, &d, &extra) != 5)
    return false;
  if (s1 != s2 || (s1 != '-' && s1 != '/')) return false;
  platform::SYSTEMTIME t;
  t.wYear = static_cast<std::uint16_t>(y);
  t.wMonth = static_cast<std::uint16_t>(m);
  t.wDay = static_cast<std::uint16_t>(d);
  platform::FILETIME ft;
  if (!platform::SystemTimeToFileTime(t, ft)) return false;
  out = t;
  return true;
}

int Usage(CliContext& context, const std::string& message) {
  CliError(context, "find: " + message);
  return kExitUsage;
}

}  // namespace

int RunFindCommand(CliContext& context) {
  TFindInputs in;
  bool sizeSet = false, dateSet = false, inSet = false;
  const std::vector<std::string>& a = context.Args;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::string& arg = a[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= a.size()) return false;
      out = a[++i];
      return true;
    };
    std::string v, w;
    if (arg == "--match-case") {
      in.MatchCase = true;
    } else if (arg == "--no-subfolders") {
      in.SubFolders = false;
    } else if (arg == "--in") {
      if (!value(v)) return Usage(context, "--in needs a URL");
      in.Folder = platform::Utf8ToAnsi(v);
      inSet = true;
    } else if (arg == "--name") {
      if (!value(v)) return Usage(context, "--name needs patterns");
      in.FileName = platform::Utf8ToAnsi(v);
    } else if (arg == "--text") {
      if (!value(v)) return Usage(context, "--text needs a text");
      in.Contains = platform::Utf8ToAnsi(v);
    } else if (arg == "--types") {
      if (!value(v)) return Usage(context, "--types needs extensions (.gif,.html)");
      // The listed types checked, everything else not: a type filter.
      std::size_t start = 0;
      while (start <= v.size()) {
        std::size_t comma = v.find(',', start);
        std::string ext = v.substr(start, comma == std::string::npos ? std::string::npos
                                                                     : comma - start);
        if (!ext.empty()) {
          if (ext[0] != '.') ext = "." + ext;
          in.Types.push_back({platform::Utf8ToAnsi(ext), true});
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      in.Types.push_back({"*", false});
    } else if (arg == "--size-below" || arg == "--size-above") {
      if (sizeSet) return Usage(context, "give one size option");
      if (!value(v) || !AllDigits(v)) return Usage(context, arg + " needs kilobytes");
      sizeSet = true;
      in.SizeMode = arg == "--size-below" ? TFindSizeMode::AtMost : TFindSizeMode::AtLeast;
      in.SizeBegin = v;
    } else if (arg == "--size-between") {
      if (sizeSet) return Usage(context, "give one size option");
      if (!value(v) || !value(w) || !AllDigits(v) || !AllDigits(w))
        return Usage(context, "--size-between needs two sizes in kilobytes");
      sizeSet = true;
      in.SizeMode = TFindSizeMode::Between;
      in.SizeBegin = v;
      in.SizeEnd = w;
    } else if (arg == "--date-between") {
      if (dateSet) return Usage(context, "give one date option");
      if (!value(v) || !value(w) || !ParseDay(v, in.DateBegin) || !ParseDay(w, in.DateEnd))
        return Usage(context, "--date-between needs two dates (YYYY-MM-DD)");
      dateSet = true;
      in.DateMode = TFindDateMode::Between;
    } else if (arg == "--months" || arg == "--days") {
      if (dateSet) return Usage(context, "give one date option");
      if (!value(v) || !AllDigits(v)) return Usage(context, arg + " needs a number");
      dateSet = true;
      if (arg == "--months") {
        in.DateMode = TFindDateMode::PastMonths;
        in.DateMonths = v;
      } else {
        in.DateMode = TFindDateMode::PastDays;
        in.DateDays = v;
      }
    } else {
      return Usage(context, "unknown argument " + arg);
    }
  }

  std::shared_ptr<TWebCacheTree> tree = CliLoadTree(context);
  if (!tree) return kExitFailure;

  // The window searches the folder of whatever URL it is given; a URL typed here must
  // name something cached (a folder, with or without its final '/', or a file, whose
  // folder is searched).  One that names nothing is said to be missing rather than
  // quietly searched from the folder around it or from the whole cache.
  bool missing = false;
  std::string folderText = in.Folder;
  if (inSet) {
    folderText = FindTrim(folderText);
    if (folderText != "Web Cache") {
      TWebCacheTreeNode* node = folderText.empty() ? nullptr : tree->FindNodeByUrl(folderText);
      if (!node) missing = true;
      else if (node->IsFolder() && node != tree->Root()) in.Folder = std::string(node->EntryInfo().FolderUrl);
    }
  }
  TFindCriteriaResult criteria = BuildFindCriteria(in, *tree);
  if (missing) {
    CliError(context, "find: not in the cache: " + platform::AnsiToUtf8(folderText));
    const bool listed = std::any_of(criteria.Errors.begin(), criteria.Errors.end(),
                                    [](const TFindCriteriaError& e) {
                                      return e.Message == FindErrorNoFolder();
                                    });
    if (!listed)
      criteria.Errors.insert(criteria.Errors.begin(),
                             {FindErrorNoFolder(), TFindPage::NameAndPlace});
    criteria.Data.reset();
  }
  if (!criteria.Data) {
    for (const TFindCriteriaError& e : criteria.Errors)
      CliError(context, platform::AnsiToUtf8(FindErrorCaption() + ": " + e.Message + " (" +
                                             FindPageCaption(e.Page) + ")"));
    return kExitUsage;
  }

  std::ostream& out = context.Out;
  std::size_t hits = 0;
  TFindThread search;
  search.PausePerNode = std::chrono::microseconds(0);
  search.IdlePriority = false;
  search.SetCriteria(std::move(criteria.Data));
  search.OnFound = [&](TFindThread&, TWebCacheTreeNode* node) {
    ++hits;
    const TWebCacheEntryView e = node->EntryInfo();
    out << (node->IsFolder() ? "folder" : "file") << '\t' << CliField(node->GetUrlText()) << '\t'
        << node->TotalSize() << '\t' << CliIsoDateTime(e.LastModified) << '\n';
  };
  search.Execute();
  out << "found\t" << hits << '\n';
  out.flush();
  if (!out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
