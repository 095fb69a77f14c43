// TfrmCopyToFolder: asks for the folder a selection is copied to.  The folder text
// is kept between uses; "参照(&B)..." opens the folder chooser.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace ui {

// A chosen folder as the edit shows it: with one separator at the end.
QString WithTrailingSeparator(const QString& folder);
// The folder handed to the chooser: without a separator at the end (a root stays).
QString WithoutTrailingSeparator(const QString& folder);

class TfrmCopyToFolder : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCopyToFolder(QWidget* parent = nullptr);

  // The chosen folder (ANSI): the edit's text.
  std::string FolderName() const;
  // 1 for "コピー実行(&P)", 2 for "キャンセル(&C)" or closing.
  int exec() override;

  // The folder chooser: given the title and the start folder, the picked folder or
  // "" when cancelled.  Qt's folder dialog unless a test replaces it.
  using TBrowse = std::function<QString(QWidget* parent, const QString& title,
                                        const QString& start)>;
  void SetBrowse(TBrowse browse) { browse_ = std::move(browse); }
  void btnBrowseClick();

  QLineEdit* edtFolderName() const { return edtFolderName_; }
  QPushButton* CopyButton() const { return btnCopy_; }
  QPushButton* CancelButton() const { return btnCancel_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edtFolderName_;
  QPushButton* btnBrowse_;
  QPushButton* btnCopy_;
  QPushButton* btnCancel_;
  TBrowse browse_;
};

}  // namespace ui
