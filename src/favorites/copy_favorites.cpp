#include "favorites/copy_favorites.h"

#include <string>

#include "common/url.h"
#include "favorites/favorites.h"
#include "tree/copy_engine.h"
#include "tree/web_cache_tree.h"

namespace {

std::string FolderPart(const std::string& url) {
  std::string folder;
  SplitUrl(url, &folder, nullptr, nullptr);
  return folder;
}

// A favorite without a default file name would give the files of URLs ending in '/'
// no name at all; the default settings' name (or "index.html") stands in.
std::string DefaultNameFor(const TFavoriteItem& item, const TFavorites& favorites) {
  if (!item.Default.empty()) return item.Default;
  if (!favorites.DefaultFavorite().Default.empty()) return favorites.DefaultFavorite().Default;
  return "index.html";
}

}  // namespace

bool CopyFavorites(TFavorites& favorites, TWebCacheTree& tree,
                   const std::vector<TFavoriteItem*>& selected, bool move, TFavoriteItem* shown,
                   TCopyCallbacks& callbacks, const TCopyFavoritesHooks& hooks) {
  std::size_t total = 0;
  for (TFavoriteItem* item : selected) {
    if (!item) continue;
    TWebCacheTreeNodeCopyList list;
    CollectFiles(tree.FindFolderByUrl(item->UrlName), list);
    total += list.Count();
  }
  if (hooks.SetProgressMax) hooks.SetProgressMax(total);

  int answer = kOverwriteYes;
  const bool onlyShown = selected.size() == 1 && selected[0] == shown;
  bool result = true;
  for (TFavoriteItem* item : selected) {
    if (!item) continue;
    // Each favorite's files are collected right before its copy: a file shared with a
    // favorite copied earlier is copied again (the earlier copy marked it done), and
    // after a move the tree no longer holds what the earlier favorite took away.
    TWebCacheTreeNode* node = tree.FindFolderByUrl(item->UrlName);
    if (!onlyShown) {
      tree.DefaultFileName = DefaultNameFor(*item, favorites);
      if (node) tree.MakeNamesUnique(node);
    }
    TWebCacheTreeNodeCopyList list;
    CollectFiles(node, list);
    result = CopyNodes(item->PathName, FolderPart(item->UrlName), answer, item->Method,
                       item->Folder, list, callbacks);
    if (!result) break;
    if (move && node) {
      TWebCacheTreeNode* shownNode = shown ? tree.FindFolderByUrl(shown->UrlName) : nullptr;
      if (shownNode && hooks.ShownFolderDeleting) {
        // The shown folder goes when it is this folder or lies below it.
        for (TWebCacheTreeNode* p = shownNode; p; p = p->Parent()) {
          if (p == node) {
            hooks.ShownFolderDeleting();
            break;
          }
        }
      }
      tree.DeleteNode(node);
    }
    item->Date = FavoriteNow();
    favorites.UpdateFavorite(item);
  }

  if (!onlyShown) {
    tree.DefaultFileName = shown ? DefaultNameFor(*shown, favorites)
                                 : DefaultNameFor(favorites.DefaultFavorite(), favorites);
    TWebCacheTreeNode* shownNode = shown ? tree.FindFolderByUrl(shown->UrlName) : nullptr;
    tree.MakeNamesUnique(shownNode ? shownNode : tree.Root());
  }
  return result;
}
