#include "ui/dialogs/confirm_overwrite_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <fstream>

#include "common/file_utils.h"
#include "common/format.h"
#include "platform/file_time.h"
#include "platform/files.h"
#include "tree/web_cache_tree.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/main/shell_icons.h"
#include "ui/main/ui_text.h"

namespace ui {

namespace {

struct ButtonSpec {
  const char* caption;
  const char* name;
  int result;
};
// In the order they stand in the dialog.
const ButtonSpec kButtons[6] = {
    {"はい(&Y)", "btnYes", kOverwriteYes},
    {"すべて上書き(&A)", "btnYesToAll", kOverwriteAll},
    {"いいえ(&N)", "btnNo", kOverwriteNo},
    {"キャンセル(&C)", "btnCancel", kOverwriteCancel},
    {"新しい日付のファイルをすべて上書き", "btnNewer", kOverwriteNewer},
    {"すべていいえ", "btnNoToAll", kOverwriteNoToAll},
};

QPixmap TypePicture(const std::string& name) {
  bool fromFile = false;
  QIcon small, large;
  std::string typeName;
  GetTypeIconInfo(name, fromFile, small, typeName, large);
  if (large.isNull()) large = GenericFileIcon();
  return large.pixmap(32, 32);
}

}  // namespace

TfrmConfirmOverwrite::TfrmConfirmOverwrite(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmConfirmOverwrite"));
  setWindowTitle(QStringLiteral("ファイルの上書きの確認"));
  setFont(DialogFont());
  setFixedSize(488, 230);

  imgWarning_ = new QLabel(this);
  imgWarning_->setFixedSize(32, 32);
  lblTitle_ = new QLabel(this);
  lblTitle_->setObjectName(QStringLiteral("lblTitle"));
  lblTitle_->setTextFormat(Qt::PlainText);
  lblTitle_->setWordWrap(true);
  auto* lblCurrent = new QLabel(QStringLiteral("現在のファイル"), this);
  auto* lblQuestion = new QLabel(QStringLiteral("に次の新しいファイルを上書きしますか？"), this);
  imgOld_ = new QLabel(this);
  imgOld_->setFixedSize(32, 32);
  lblOldSize_ = new QLabel(this);
  lblOldTime_ = new QLabel(this);
  imgNew_ = new QLabel(this);
  imgNew_->setFixedSize(32, 32);
  lblNewSize_ = new QLabel(this);
  lblNewTime_ = new QLabel(this);

  auto* frame = new QVBoxLayout(this);
  auto* head = new QHBoxLayout;
  head->addWidget(imgWarning_, 0, Qt::AlignTop);
  head->addSpacing(8);
  head->addWidget(lblTitle_, 1);
  frame->addLayout(head);

  auto* files = new QGridLayout;
  files->setContentsMargins(40, 0, 0, 0);
  files->addWidget(lblCurrent, 0, 0, 1, 3);
  files->addWidget(imgOld_, 1, 0, 2, 1);
  files->addWidget(lblOldSize_, 1, 1);
  files->addWidget(lblOldTime_, 2, 1);
  files->addWidget(lblQuestion, 3, 0, 1, 3);
  files->addWidget(imgNew_, 4, 0, 2, 1);
  files->addWidget(lblNewSize_, 4, 1);
  files->addWidget(lblNewTime_, 5, 1);
  files->setColumnStretch(1, 1);
  frame->addLayout(files);
  frame->addStretch();

  auto* row1 = new QHBoxLayout;
  auto* row2 = new QHBoxLayout;
  row1->addStretch();
  row2->addStretch();
  for (int i = 0; i < 6; ++i) {
    auto* b = new QPushButton(QString::fromUtf8(kButtons[i].caption), this);
    b->setObjectName(QString::fromLatin1(kButtons[i].name));
    b->setAutoDefault(false);
    const int result = kButtons[i].result;
    connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
    buttons_[i] = b;
    (i < 4 ? row1 : row2)->addWidget(b);
  }
  buttons_[0]->setDefault(true);
  frame->addLayout(row1);
  frame->addLayout(row2);
}

QPushButton* TfrmConfirmOverwrite::ButtonFor(int result) const {
  for (int i = 0; i < 6; ++i)
    if (kButtons[i].result == result) return buttons_[i];
  return nullptr;
}

void TfrmConfirmOverwrite::Prepare(const TWebCacheTreeNode& node,
                                   const std::string& existingPath) {
  imgOld_->setPixmap(TypePicture(existingPath));
  lblOldSize_->clear();
  lblOldTime_->clear();
  // Size and time only for a file that opens (a locked or vanished one shows none).
  std::ifstream probe(platform::HostPath(existingPath), std::ios::binary);
  std::uint64_t size = 0;
  platform::FILETIME local = 0;
  platform::SYSTEMTIME when{};
  if (probe.is_open() && platform::FileExists(existingPath) &&
      platform::GetFileSize(existingPath, size) &&
      GetFileLocalWriteTime(existingPath, local) && platform::FileTimeToSystemTime(local, when)) {
    lblOldSize_->setText(ToQ(FormatSize(static_cast<std::uint32_t>(
        std::min<std::uint64_t>(size, 0xFFFFFFFFu)))));
    lblOldTime_->setText(ToQ(FormatLongDateTime(when)));
  }
  const std::string name = node.GetDisplayName();
  const TWebCacheEntryView entry = node.EntryInfo();
  imgNew_->setPixmap(TypePicture(name));
  lblNewSize_->setText(ToQ(FormatSize(entry.Size)));
  lblNewTime_->setText(ToQ(FormatLongDateTime(entry.LastModified)));
  lblTitle_->setText(
      QStringLiteral("このフォルダには既に '%1' ファイルが存在します。").arg(ToQ(name)));
}

void TfrmConfirmOverwrite::showEvent(QShowEvent* event) {
  imgWarning_->setPixmap(DialogIcon(TDialogIcon::Warning).pixmap(32, 32));
  QDialog::showEvent(event);
  buttons_[0]->setFocus();
}

void TfrmConfirmOverwrite::reject() { done(kOverwriteCancel); }

int TfrmConfirmOverwrite::exec() { return QDialog::exec(); }

int TOverwriteQuestion::AskOverwrite(const TWebCacheTreeNode& node,
                                     const std::string& existingPath) {
  dialog_.Prepare(node, existingPath);
  return dialog_.exec();
}

}  // namespace ui
