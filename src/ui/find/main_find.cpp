// The main window's find command: the find window, shown modally once for each
// folder gathered from the selection (or for the selected favorite's folder).
#include "favorites/favorites.h"
#include "tree/web_cache_tree.h"
#include "ui/find/find_window.h"
#include "ui/main/main_window.h"

namespace ui {

void TfrmMain::actCacheFindExecute() {
  std::vector<TWebCacheTreeNode*> nodes;
  if (FavoritesHaveFocus()) {
    const std::vector<TFavoriteItem*> favorites = SelectedFavorites();
    if (!favorites.empty())
      if (TWebCacheTreeNode* node = FCacheTree->FindFolderByUrl(favorites.front()->UrlName))
        nodes.push_back(node);
  } else {
    nodes = CollectSelectedNodes();
  }
  for (TWebCacheTreeNode* node : nodes) {
    if (!node->IsFolder()) continue;
    D.frmFind->SetSearchStart(FCacheTree.get(), node->GetUrlText());
    D.frmFind->exec();
  }
}

}  // namespace ui
