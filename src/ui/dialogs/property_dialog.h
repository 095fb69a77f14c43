// TfrmProperty: what the selected cached objects are.  For one object: its name,
// type, place, size, cache file, date, address and header lines; for several: how
// many files and folders, whether they share a type and a place, and their total size.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <cstdint>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QWidget;
class TWebCacheTreeNode;

namespace ui {

// The texts of the dialog, worked out from the nodes alone.
struct TPropertyTexts {
  QString Caption;
  QString Name;
  QString TypeName;
  QString Location;
  QString Size;
  QIcon Icon;          // null: no picture (several types)
  bool Single = false;  // the lower panel is shown
  QString CacheName;
  QString Modified;
  QString Address;
  QString Header;
};

// "" without a parent, "Web Cache" for a child of the root, else the URL of the
// folder `parent` built from display names ("http://host/dir/").
std::string LocationOfParent(const TWebCacheTreeNode* node);
TPropertyTexts DescribeNodes(const std::vector<TWebCacheTreeNode*>& nodes);

class TfrmProperty : public QDialog {
  Q_OBJECT
 public:
  // Keeps its own copy of the list; the texts are taken when it is first shown.
  TfrmProperty(QWidget* owner, std::vector<TWebCacheTreeNode*> nodes);

  const TPropertyTexts& Texts() const { return texts_; }
  QWidget* LowerPanel() const { return pnlLower_; }
  QLabel* NameLabel() const { return lblName_; }
  QLabel* TypeLabel() const { return lblType_; }
  QLabel* LocationLabel() const { return lblLocation_; }
  QLabel* SizeLabel() const { return lblSize_; }
  QLabel* IconImage() const { return imgIcon_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  std::vector<TWebCacheTreeNode*> nodes_;
  TPropertyTexts texts_;
  bool filled_ = false;
  QLabel* imgIcon_;
  QLabel* lblName_;
  QLabel* lblType_;
  QLabel* lblLocation_;
  QLabel* lblSize_;
  QWidget* pnlLower_;
  QLabel* lblCacheName_;
  QLabel* lblModified_;
  QPlainTextEdit* memAddress_;
  QPlainTextEdit* memHeader_;
};

}  // namespace ui
