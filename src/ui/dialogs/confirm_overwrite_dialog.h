// TfrmConfirmOverwrite: the copy engine's question when a destination file exists.
// Six buttons answer with the results the engine understands (kOverwrite* in
// tree/copy_engine.h).  TOverwriteQuestion plugs the dialog into the engine.
#pragma once

#include <QDialog>
#include <string>

#include "tree/copy_engine.h"

class QLabel;
class QPushButton;
class TWebCacheTreeNode;

namespace ui {

class TfrmConfirmOverwrite : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmConfirmOverwrite(QWidget* parent = nullptr);

  // Fills the labels for `node` and the existing file at `existingPath` (ANSI).
  // An existing file that cannot be opened shows neither size nor time.
  void Prepare(const TWebCacheTreeNode& node, const std::string& existingPath);
  // One of 6, 10, 7, 2, -1, 9; closing the window or Esc answers cancel (2).
  int exec() override;

  // The button with this result (null for any other number).
  QPushButton* ButtonFor(int result) const;
  QLabel* Title() const { return lblTitle_; }
  QLabel* ExistingSize() const { return lblOldSize_; }
  QLabel* ExistingTime() const { return lblOldTime_; }
  QLabel* NewSize() const { return lblNewSize_; }
  QLabel* NewTime() const { return lblNewTime_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  QLabel* imgWarning_;
  QLabel* lblTitle_;
  QLabel* imgOld_;
  QLabel* lblOldSize_;
  QLabel* lblOldTime_;
  QLabel* imgNew_;
  QLabel* lblNewSize_;
  QLabel* lblNewTime_;
  QPushButton* buttons_[6];
};

// The engine's question answered by the dialog; everything else is left to the
// callbacks it forwards to (messages, progress).
class TOverwriteQuestion : public TCopyCallbacks {
 public:
  TOverwriteQuestion(TfrmConfirmOverwrite& dialog, TCopyCallbacks& rest)
      : dialog_(dialog), rest_(rest) {}
  int AskOverwrite(const TWebCacheTreeNode& node, const std::string& existingPath) override;
  void ShowError(const std::string& text, const std::string& caption) override {
    rest_.ShowError(text, caption);
  }
  void ProgressStep() override { rest_.ProgressStep(); }
  void ProgressGrow() override { rest_.ProgressGrow(); }
  void ProcessMessages() override { rest_.ProcessMessages(); }
  void FileFinished(const TWebCacheTreeNode& node, const std::string& path, bool written,
                    bool rewritten, std::uint64_t bytes) override {
    rest_.FileFinished(node, path, written, rewritten, bytes);
  }
  bool GoOnAfterFailure() const override { return rest_.GoOnAfterFailure(); }
  void FileFailed(const TWebCacheTreeNode& node, const std::string& path) override {
    rest_.FileFailed(node, path);
  }

 private:
  TfrmConfirmOverwrite& dialog_;
  TCopyCallbacks& rest_;
};

}  // namespace ui
