#include "ui/dialogs/confirm_delete_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "tree/web_cache_tree.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/main/ui_text.h"

namespace ui {

TfrmConfirmDelete::TfrmConfirmDelete(QWidget* parent, std::vector<TWebCacheTreeNode*> nodes)
    : QDialog(parent), nodes_(std::move(nodes)) {
  setObjectName(QStringLiteral("frmConfirmDelete"));
  setFont(DialogFont());
  setFixedSize(478, 117);

  imgIcon_ = new QLabel(this);
  imgIcon_->setFixedSize(32, 32);
  lblMessage_ = new QLabel(this);
  lblMessage_->setObjectName(QStringLiteral("lblMessage"));
  lblMessage_->setWordWrap(true);
  lblMessage_->setTextFormat(Qt::PlainText);
  btnYes_ = new QPushButton(QStringLiteral("はい(&Y)"), this);
  btnYes_->setObjectName(QStringLiteral("btnYes"));
  btnYes_->setDefault(true);
  btnNo_ = new QPushButton(QStringLiteral("いいえ(&N)"), this);
  btnNo_->setObjectName(QStringLiteral("btnNo"));
  connect(btnYes_, &QPushButton::clicked, this, [this] { done(6); });
  connect(btnNo_, &QPushButton::clicked, this, [this] { done(7); });

  auto* frame = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(imgIcon_, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addWidget(lblMessage_, 1);
  frame->addLayout(top, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnYes_);
  buttons->addWidget(btnNo_);
  frame->addLayout(buttons);
  FillTexts();
}

void TfrmConfirmDelete::FillTexts() {
  imgIcon_->setPixmap(DialogIcon(TDialogIcon::Delete).pixmap(32, 32));
  if (nodes_.size() == 1) {
    const QString name = ToQ(nodes_.front()->GetDisplayName());
    if (nodes_.front()->IsFolder()) {
      setWindowTitle(QStringLiteral("フォルダの削除の確認"));
      lblMessage_->setText(
          QStringLiteral("フォルダ '%1' とフォルダ内のすべてのファイルを削除してもよろしいですか？")
              .arg(name));
    } else {
      setWindowTitle(QStringLiteral("ファイルの削除の確認"));
      lblMessage_->setText(QStringLiteral("'%1' を削除してもよろしいですか？").arg(name));
    }
  } else {
    setWindowTitle(QStringLiteral("複数ファイルの削除の確認"));
    lblMessage_->setText(QStringLiteral("これらの %1 個のファイルを削除してもよろしいですか？")
                             .arg(nodes_.size()));
  }
}

void TfrmConfirmDelete::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  btnYes_->setFocus();
}

void TfrmConfirmDelete::keyPressEvent(QKeyEvent* event) {
  // Esc presses the cancel button, which is "いいえ".
  if (event->key() == Qt::Key_Escape) {
    done(7);
    return;
  }
  QDialog::keyPressEvent(event);
}

int TfrmConfirmDelete::exec() {
  // Closing the window by other means answers cancel (QDialog's reject gives 0).
  const int result = QDialog::exec();
  return result == QDialog::Rejected ? 2 : result;
}

}  // namespace ui
