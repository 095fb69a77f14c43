// TfrmDefExtName: the content-type table with each type's default extension, which
// the user may change to another known extension or a new one.  Changes act on the
// live table at once; the dialog answers OK when anything changed, so that the
// window can show the new local names.
#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TContentType;

namespace ui {

class TfrmDefExtName : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDefExtName(QWidget* parent = nullptr);

  // One row per item of `table` (not owned; it must outlive the rows).
  void ShowContentTypes(TContentType& table);
  bool Modified() const { return modified_; }

  void btnChangeClick();
  QTreeWidget* lvwContentType() const { return lvwContentType_; }
  QComboBox* cbxExtName() const { return cbxExtName_; }
  QPushButton* btnChange() const { return btnChange_; }
  QPushButton* btnClose() const { return btnClose_; }
  // Whether a row shows the marker that its type knows other extensions.
  static bool HasAlternativesMarker(const QTreeWidgetItem* row);

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void lvwContentTypeSelectItem();
  void SetMarker(QTreeWidgetItem* row, bool on);
  void Finish();

  QTreeWidget* lvwContentType_;
  QComboBox* cbxExtName_;
  QPushButton* btnChange_;
  QPushButton* btnClose_;
  bool modified_ = false;
};

}  // namespace ui
