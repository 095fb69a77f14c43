// tree: the folder tree of the cache, two blanks of indent per level, each folder with
// the number of files below it and their total size.
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_commands.h"
#include "tree/web_cache_tree.h"

namespace {

void PrintFolder(const TWebCacheTreeNode* node, int level, std::ostream& out) {
  std::size_t files = TWebCacheTree::CountFiles(node);
  out << std::string(static_cast<std::size_t>(level) * 2, ' ') << CliField(node->Caption())
      << '\t' << files << (files == 1 ? " file\t" : " files\t") << node->TotalSize()
      << " bytes\n";
  for (std::size_t i = 0; i < node->Count(); ++i) {
    if (node->Items(i)->IsFolder()) PrintFolder(node->Items(i), level + 1, out);
  }
}

}  // namespace

int RunTreeCommand(CliContext& context) {
  if (!context.Args.empty()) {
    CliError(context, "tree takes no arguments");
    return kExitUsage;
  }
  std::shared_ptr<TWebCacheTree> tree = CliLoadTree(context);
  if (!tree) return kExitFailure;
  PrintFolder(tree->Root(), 0, context.Out);
  context.Out.flush();
  if (!context.Out) {
    CliError(context, "cannot write the output");
    return kExitFailure;
  }
  return kExitOk;
}
