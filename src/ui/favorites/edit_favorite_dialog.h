// TfrmEditFavorite: edits one favorite, several favorites at once, or the default
// settings that new favorites start from.  Accepting changes the favorites in memory
// only; the caller saves them through the store.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TFavoriteItem;

namespace ui {

// A framed group of radio buttons with an item index (-1: none chosen).  Clicked
// reports a choice made by the user, not one set by the program.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Button(int index) const;

 signals:
  void Clicked(int index);

 private:
  QButtonGroup* group_;
};

// The path with one separator at its end ('/' added unless it already ends in '/'
// or '\'); empty stays empty.
QString WithFolderSeparator(const QString& path);

class TfrmEditFavorite : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmEditFavorite(QWidget* parent = nullptr);

  // One favorite, or the default favorite (isDefault: title and URL hidden).
  void EditFavorite(TFavoriteItem* item, bool isDefault);
  // Several favorites: a field shows a value only when all of them share it, and
  // only fields given a value are changed.
  void EditFavorites(const std::vector<TFavoriteItem*>& list);

  // 1 when "登録(&E)" accepted (the favorites changed), 2 otherwise.
  int exec() override;
  void btnEntryClick();
  void btnBrowseClick();

  // The folder browser: title and start folder in, the chosen folder out ("" when
  // cancelled).  Qt's folder dialog unless a test replaces it.
  using TBrowse = std::function<QString(QWidget* parent, const QString& title,
                                        const QString& start)>;
  void SetBrowse(TBrowse browse) { browse_ = std::move(browse); }

  TFavoriteItem* EditItem = nullptr;
  std::vector<TFavoriteItem*> EditList;
  bool DefaultMode = false;
  QString BrowseStartFolder;

  QLabel* lblTitle;
  QLineEdit* edtTitle;
  QLabel* lblUrlName;
  QLineEdit* edtUrlName;
  QLineEdit* edtPathName;
  QPushButton* btnBrowse;
  QLineEdit* edtDefault;
  TRadioGroup* rgpFolder;
  TRadioGroup* rgpMethod;
  TRadioGroup* rgpTimer;
  QPushButton* btnEntry;
  QPushButton* btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Shows the check's message, focuses the edit and keeps the dialog open.
  void Refuse(QLineEdit* edit, const QString& message);
  TBrowse browse_;
};

}  // namespace ui
