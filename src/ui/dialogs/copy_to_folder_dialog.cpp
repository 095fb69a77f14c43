#include "ui/dialogs/copy_to_folder_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/dialogs/dialog_common.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {
const QChar kSeparator = QLatin1Char('/');
}  // namespace

QString WithTrailingSeparator(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(kSeparator)) return folder;
  return folder + kSeparator;
}

QString WithoutTrailingSeparator(const QString& folder) {
  QString out = folder;
  while (out.size() > 1 && out.endsWith(kSeparator)) out.chop(1);
  return out;
}

TfrmCopyToFolder::TfrmCopyToFolder(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmCopyToFolder"));
  setWindowTitle(QStringLiteral("フォルダを指定してコピー"));
  setFont(DialogFont());
  setFixedSize(536, 72);

  auto* label = new QLabel(QStringLiteral("コピー先フォルダ"), this);
  edtFolderName_ = new QLineEdit(this);
  edtFolderName_->setObjectName(QStringLiteral("edtFolderName"));
  btnBrowse_ = new QPushButton(QStringLiteral("参照(&B)..."), this);
  btnBrowse_->setObjectName(QStringLiteral("btnBrowse"));
  btnBrowse_->setAutoDefault(false);
  btnCopy_ = new QPushButton(QStringLiteral("コピー実行(&P)"), this);
  btnCopy_->setObjectName(QStringLiteral("btnCopy"));
  btnCopy_->setDefault(true);
  btnCancel_ = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
  btnCancel_->setObjectName(QStringLiteral("btnCancel"));
  btnCancel_->setAutoDefault(false);
  connect(btnBrowse_, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
  connect(btnCopy_, &QPushButton::clicked, this, [this] { done(1); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { done(2); });

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 6, 8, 6);
  grid->addWidget(label, 0, 0);
  grid->addWidget(edtFolderName_, 1, 0);
  grid->addWidget(btnBrowse_, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCopy_);
  buttons->addWidget(btnCancel_);
  grid->addLayout(buttons, 0, 1, 1, 1, Qt::AlignRight);
  grid->setColumnStretch(0, 1);

  browse_ = [](QWidget* owner, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
  };
}

std::string TfrmCopyToFolder::FolderName() const { return FromQ(edtFolderName_->text()); }

void TfrmCopyToFolder::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edtFolderName_->setFocus();
  edtFolderName_->selectAll();
}

void TfrmCopyToFolder::btnBrowseClick() {
  const QString picked = browse_(this, QStringLiteral("コピー先フォルダを選択してください"),
                                 WithoutTrailingSeparator(edtFolderName_->text()));
  if (picked.isEmpty()) return;  // cancelled: the edit stays as it was
  edtFolderName_->setText(WithTrailingSeparator(QDir::fromNativeSeparators(picked)));
}

int TfrmCopyToFolder::exec() {
  const int result = QDialog::exec();
  return result == 1 ? 1 : 2;
}

}  // namespace ui
