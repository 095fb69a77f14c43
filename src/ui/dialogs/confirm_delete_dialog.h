// TfrmConfirmDelete: asks before cached objects are deleted.  One folder, one file
// and several objects each get their own caption and message.
#pragma once

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class TWebCacheTreeNode;

namespace ui {

class TfrmConfirmDelete : public QDialog {
  Q_OBJECT
 public:
  // `nodes` are not owned; they must live while the dialog is shown.
  TfrmConfirmDelete(QWidget* parent, std::vector<TWebCacheTreeNode*> nodes);

  // 6 (yes), 7 (no, also Esc) or 2 when the window was closed otherwise.
  int exec() override;
  QLabel* Message() const { return lblMessage_; }
  QPushButton* YesButton() const { return btnYes_; }
  QPushButton* NoButton() const { return btnNo_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FillTexts();

  std::vector<TWebCacheTreeNode*> nodes_;
  QLabel* imgIcon_;
  QLabel* lblMessage_;
  QPushButton* btnYes_;
  QPushButton* btnNo_;
};

}  // namespace ui
