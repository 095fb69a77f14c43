// The few ways the panes look into the cache tree model, in one place.
#pragma once

#include <string>

#include "cache/cache_entry.h"
#include "tree/web_cache_tree.h"

namespace ui {

inline int ChildCount(const TWebCacheTreeNode* node) {
  return static_cast<int>(node->Count());
}
inline TWebCacheTreeNode* ChildAt(const TWebCacheTreeNode* node, int i) {
  return node->Items(static_cast<std::size_t>(i));
}
inline const TWebCacheEntryInfoEx& EntryOf(const TWebCacheTreeNode* node) {
  return node->EntryInfo();
}
inline TWebCacheTreeNode* ParentOf(const TWebCacheTreeNode* node) { return node->Parent(); }
inline bool IsFolderNode(const TWebCacheTreeNode* node) { return node->IsFolder(); }
inline bool IsDestroying(const TWebCacheTreeNode* node) { return node->Destroying; }
inline std::string DisplayNameOf(const TWebCacheTreeNode* node) {
  return node->GetDisplayName();
}
inline TWebCacheTreeNode* RootOf(TWebCacheTree* tree) { return tree->Root(); }
inline bool SchemesEnabled(const TWebCacheTree* tree) { return tree->EnableScheme(); }
inline int LevelOfNode(const TWebCacheTreeNode* node) { return node->GetLevel(); }

// The title of a cached HTML page body ("" when it has none or cannot be read).
std::string ReadPageTitle(const std::string& cacheFile);

}  // namespace ui
