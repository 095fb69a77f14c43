// list: every cached file as the tree shows it, with its local name and page title.
#include <memory>
#include <ostream>

#include "cache/netscape_cache.h"
#include "cache/web_cache.h"
#include "cli/cli_commands.h"
#include "common/url.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"

namespace {

// A local name holds no separator: one that came from an escaped "%2F" is written
// the way the mirror writes it.
std::string SafeLocalName(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t n = platform::AnsiCharLength(name, i);
    if (n == 1 && name[i] == '/') {
      out += "$2f";
    } else if (n == 1 && name[i] == '\\') {
      out += "$5c";
    } else {
      out.append(name, i, n);
    }
    i += n;
  }
  return out;
}

void ListFiles(const TWebCacheTreeNode* node, CliRows& out) {
  // The folder as the tree has it (URLs that differ only in case share one), made
  // once for all its files.
  std::string folder;
  bool haveFolder = false;
  for (std::size_t i = 0; i < node->Count(); ++i) {
    const TWebCacheTreeNode* c = node->Items(i);
    if (c->IsFolder()) {
      ListFiles(c, out);
      continue;
    }
    const TWebCacheEntryView e = c->EntryInfo();
    if (!haveFolder) {
      folder = UrlToLocalPath(node->EntryInfo().FolderUrl);
      haveFolder = true;
    }
    std::string local = folder + SafeLocalName(c->GetDisplayName());
    out.Field(std::string(e.SourceUrl)).Text('\t').Field(local).Text('\t').Number(e.Size).Text('\t');
    out.Text(CliIsoDateTime(e.LastModified)).Text('\t');
    out.Field(e.HeaderInfo.GetValue("Content-Type")).Text('\t');
    out.Field(TWebCacheTree::GetPageTitle(c)).Text('\t').Field(std::string(e.LocalFileName)).EndRow();
  }
}

}  // namespace

int RunListCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "list takes no arguments");
    return kExitUsage;
  }
  std::shared_ptr<TWebCacheTree> tree = CliLoadTree(context);
  if (!tree) return kExitFailure;
  std::ostream& out = context.Out;
  CliRows rows(out);
  rows.Text("url\tlocal_path\tsize\tmodified\tcontent_type\ttitle\tcache_file").EndRow();
  ListFiles(tree->Root(), rows);
  rows.Flush();
  out.flush();
  if (!out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
