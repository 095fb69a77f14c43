// list: every cached file as the tree shows it, with its local name and page title.
#include <cstdio>
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

// Reader messages go to the error stream as warnings.
class TreeNotifier : public TCacheNotifier {
 public:
  explicit TreeNotifier(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override {
    err_ << "tollhaven-cli: warning: " << platform::AnsiToUtf8(text) << "\n";
  }

 private:
  std::ostream& err_;
};

// The tree with the notifier its cache reports to.
struct CliTree {
  TreeNotifier notifier;
  std::unique_ptr<TWebCacheTree> tree;
  explicit CliTree(std::ostream& err) : notifier(err) {}
  // The tree saves its lists when it goes; the notifier must still be there then.
  ~CliTree() { tree.reset(); }
};

std::string IsoDateTime(const platform::SYSTEMTIME& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned{t.wYear},
                unsigned{t.wMonth}, unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute},
                unsigned{t.wSecond});
  return text;
}

// A local name holds no separator: one that came from an escaped "%2F" is written
// the way the mirror writes it.
std::string SafeLocalName(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (platform::IsLeadByte(c) && i + 1 < name.size()) {
      out += name[i];
      out += name[++i];
    } else if (c == '/') {
      out += "$2f";
    } else if (c == '\\') {
      out += "$5c";
    } else {
      out += name[i];
    }
  }
  return out;
}

void ListFiles(const TWebCacheTreeNode* node, std::ostream& out) {
  for (std::size_t i = 0; i < node->Count(); ++i) {
    const TWebCacheTreeNode* c = node->Items(i);
    if (c->IsFolder()) {
      ListFiles(c, out);
      continue;
    }
    const TWebCacheEntryInfoEx& e = c->EntryInfo();
    // The folder as the tree has it (URLs that differ only in case share one).
    std::string local =
        UrlToLocalPath(node->EntryInfo().FolderUrl) + SafeLocalName(c->GetDisplayName());
    out << CliField(e.SourceUrl) << '\t' << CliField(local) << '\t' << e.Size << '\t'
        << IsoDateTime(e.LastModified) << '\t' << CliField(e.HeaderInfo.GetValue("Content-Type"))
        << '\t' << CliField(TWebCacheTree::GetPageTitle(c)) << '\t' << CliField(e.LocalFileName)
        << '\n';
  }
}

}  // namespace

// Loads the cache as the window's refresh does: build, sort, settle the names.  Null
// (after a message) when the cache cannot be read.  Shared with the tree command.
std::shared_ptr<TWebCacheTree> CliLoadTree(CliContext& context) {
  std::string fatDb;
  if (!CliCheckCache(context, fatDb)) return nullptr;
  auto holder = std::make_shared<CliTree>(context.Err);
  holder->tree = std::make_unique<TWebCacheTree>(
      std::make_unique<TNetscapeCacheSource>(context.Options.FatDb));
  TWebCacheTree& tree = *holder->tree;
  tree.WebCache().SetNotifier(&holder->notifier);
  tree.SetEnableScheme(!context.Options.NoScheme);
  std::string settings = platform::SettingsFolder();
  tree.SetRenameListFile(platform::JoinPath(settings, "renameList.dat"));
  tree.SetContentTypeFile(platform::JoinPath(settings, "contentType.dat"));
  tree.Refresh();
  // Aliasing pointer: the caller sees the tree, the holder keeps the notifier alive.
  return std::shared_ptr<TWebCacheTree>(holder, holder->tree.get());
}

int RunListCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "list takes no arguments");
    return kExitUsage;
  }
  std::shared_ptr<TWebCacheTree> tree = CliLoadTree(context);
  if (!tree) return kExitFailure;
  std::ostream& out = context.Out;
  out << "url\tlocal_path\tsize\tmodified\tcontent_type\ttitle\tcache_file\n";
  ListFiles(tree->Root(), out);
  out.flush();
  if (!out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
