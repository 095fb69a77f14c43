// tree: the folder tree of the cache, two blanks of indent per level, each folder with
// the number of files below it and their total size.
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_commands.h"
#include "tree/web_cache_tree.h"

namespace {

// The number of files below each folder, in the order PrintFolder meets the folders:
// counted in one pass rather than once more for every level above them.
std::size_t CountFolders(const TWebCacheTreeNode* node, std::vector<std::size_t>& counts) {
  const std::size_t at = counts.size();
  counts.push_back(0);
  std::size_t files = 0;
  for (std::size_t i = 0; i < node->Count(); ++i) {
    const TWebCacheTreeNode* c = node->Items(i);
    files += c->IsFolder() ? CountFolders(c, counts) : 1;
  }
  counts[at] = files;
  return files;
}

void PrintFolder(const TWebCacheTreeNode* node, int level, const std::vector<std::size_t>& counts,
                 std::size_t& next, CliRows& out) {
  const std::size_t files = counts[next++];
  out.Text(std::string(static_cast<std::size_t>(level) * 2, ' ')).Field(node->Caption());
  out.Text('\t').Number(files).Text(files == 1 ? " file\t" : " files\t");
  out.Number(node->TotalSize()).Text(" bytes").EndRow();
  for (std::size_t i = 0; i < node->Count(); ++i) {
    if (node->Items(i)->IsFolder()) PrintFolder(node->Items(i), level + 1, counts, next, out);
  }
}

// A read-only tree has nothing left to save, and handing its hundreds of thousands of
// nodes back one by one is a seventh of the command: the process is about to end
// and gives all of its memory back at once.  The tree stays reachable from a static
// pointer, so it is not a leak to the process either.  Builds with the address
// sanitizer free it as usual, so that their leak check still sees every other block.
void KeepUntilExit(std::shared_ptr<TWebCacheTree> tree, bool readOnly) {
#if !defined(__SANITIZE_ADDRESS__)
  if (readOnly) {
    static std::shared_ptr<TWebCacheTree>* kept = nullptr;
    if (!kept) {
      kept = new std::shared_ptr<TWebCacheTree>(std::move(tree));
      return;
    }
  }
#else
  (void)readOnly;
#endif
  tree.reset();
}

}  // namespace

int RunTreeCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "tree takes no arguments");
    return kExitUsage;
  }
  std::shared_ptr<TWebCacheTree> tree = CliLoadTree(context);
  if (!tree) return kExitFailure;
  std::vector<std::size_t> counts;
  CountFolders(tree->Root(), counts);
  std::size_t next = 0;
  {
    CliRows rows(context.Out);
    PrintFolder(tree->Root(), 0, counts, next, rows);
  }
  context.Out.flush();
  if (!context.Out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  KeepUntilExit(std::move(tree), context.Options.ReadOnly);
  return kExitOk;
}
