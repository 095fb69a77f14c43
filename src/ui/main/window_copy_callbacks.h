// Messages and progress of a copy, shown by the main window (the copy to a folder
// and the favorites' copy and move).
#pragma once

#include "tree/copy_engine.h"

class QProgressBar;
class QWidget;

namespace ui {

class TWindowCopyCallbacks : public TCopyCallbacks {
 public:
  TWindowCopyCallbacks(QWidget* owner, QProgressBar* bar) : owner_(owner), bar_(bar) {}
  int AskOverwrite(const TWebCacheTreeNode&, const std::string&) override {
    return kOverwriteYes;  // the overwrite dialog answers in front of this
  }
  void ShowError(const std::string& text, const std::string& caption) override;
  void ProgressStep() override;
  void ProgressGrow() override;
  void ProcessMessages() override;

 private:
  QWidget* owner_;
  QProgressBar* bar_;
};

}  // namespace ui
