#include "dragdrop/drag_start.h"

#include <cstdlib>

#include "common/file_utils.h"

bool DragThresholdReached(int pressX, int pressY, int x, int y) {
  return std::abs(x - pressX) >= kDragThreshold || std::abs(y - pressY) >= kDragThreshold;
}

TDragTempFolder::~TDragTempFolder() { Delete(); }

const std::string& TDragTempFolder::Renew() {
  Delete();
  path_ = CreateWorkFolder();
  return path_;
}

void TDragTempFolder::Delete() {
  if (path_.empty()) return;
  DeleteFolderTree(path_);
  path_.clear();
}
