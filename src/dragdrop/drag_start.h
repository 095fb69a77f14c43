// What the windows share around a drag out: the start rule and the temporary folder
// that the dragged files are copied into.
#pragma once

#include <string>

// A drag starts once the pointer is 3 pixels or more away from the press point
// horizontally or vertically.
inline constexpr int kDragThreshold = 3;
bool DragThresholdReached(int pressX, int pressY, int x, int y);

// The temporary folder of the last drag or clipboard copy ("TLH..." in the user's
// temporary folder).  Renew deletes the previous folder and makes a new one; the
// folder of the last one goes when the owner does, so clipboard contents stay valid
// until then.
class TDragTempFolder {
 public:
  TDragTempFolder() = default;
  ~TDragTempFolder();
  TDragTempFolder(const TDragTempFolder&) = delete;
  TDragTempFolder& operator=(const TDragTempFolder&) = delete;

  // The new folder's path ending in the separator; "" when none could be made.
  const std::string& Renew();
  void Delete();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};
