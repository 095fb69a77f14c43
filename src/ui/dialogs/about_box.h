// TfrmAboutBox: the program's icon, its name and its version.
#pragma once

#include <QDialog>

class QLabel;

namespace ui {

// "Version 1.2.3" for a version "1.2.3" or "1.2.3.4" (the build number is not
// shown); "(未定義)" when the build has no version.
QString VersionLabelText(const QString& version);

// The version this program was built as ("" when the build named none).
QString BuildVersion();

class TfrmAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAboutBox(QWidget* parent = nullptr);

  QLabel* ProductName() const { return lblProductName_; }
  QLabel* Version() const { return lblVersion_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  QLabel* imgProgramIcon_;
  QLabel* lblProductName_;
  QLabel* lblVersion_;
};

}  // namespace ui
