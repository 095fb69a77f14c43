// The main window's drag out and clipboard copy: what PrepareDragFiles gathers and
// the components that carry it (the file drag source dfsCache, the refusing drop
// targets dftCacheTree and dftCacheList, the press watcher of both panes).
#pragma once

#include <string>
#include <vector>

#include "dragdrop/drag_start.h"
#include "tree/web_cache_tree.h"

namespace ui {

class TDragStartFilter;
class TFileDragSource;
class TFileDropTarget;

struct TMainDrag {
  std::vector<TWebCacheTreeNode*> FDragNodes;
  std::string FDragBaseUrl;
  TWebCacheTreeNodeCopyList FCopyList;
  // The folder of the last drag or clipboard copy; it goes with the window.
  TDragTempFolder FTempFolder;
  bool FDragging = false;
  // False once the model changed after the preparation: the gathered nodes may be
  // gone, and a late read of the drag's data must not copy them.
  bool FNodesValid = false;

  // Owned by the window (Qt children).
  TFileDragSource* dfsCache = nullptr;
  TFileDropTarget* dftCacheTree = nullptr;
  TFileDropTarget* dftCacheList = nullptr;
  TDragStartFilter* Press = nullptr;

  void ForgetNodes() {
    FNodesValid = false;
    FDragNodes.clear();
    FCopyList.Clear();
  }
};

}  // namespace ui
