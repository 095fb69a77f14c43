// Copying (or moving) favorites: every file below each favorite's folder in the cache
// tree is copied into the favorite's destination with the favorite's own settings,
// and each favorite copied is stamped with the time and saved.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

class TCopyCallbacks;
class TFavoriteItem;
class TFavorites;
class TWebCacheTree;

struct TCopyFavoritesHooks {
  // The progress maximum: the number of files of all favorites together.
  std::function<void(std::size_t)> SetProgressMax;
  // A move is about to delete the folder that the tree pane shows: reset the panes.
  std::function<void()> ShownFolderDeleting;
};

// Copies the favorites in the order given (the window's selected rows; the command
// line's names).  `shown` is the favorite whose folder the tree shows, or null; the
// tree's default file name follows each favorite while it is copied and is set back to
// the shown favorite's (or the default settings') afterwards.  One overwrite answer
// holds for the whole run.  With `move`, each favorite's folder is deleted from the
// cache once it is copied.  A failed or cancelled copy ends the run before the next
// favorite; the result is that of the last copy (true when there was nothing to copy).
bool CopyFavorites(TFavorites& favorites, TWebCacheTree& tree,
                   const std::vector<TFavoriteItem*>& selected, bool move, TFavoriteItem* shown,
                   TCopyCallbacks& callbacks, const TCopyFavoritesHooks& hooks = {});
