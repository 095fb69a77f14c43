#include "ui/dialogs/about_box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_common.h"
#include "ui/main/main_window.h"

namespace ui {

QString VersionLabelText(const QString& version) {
  const QStringList parts = version.trimmed().split(QLatin1Char('.'));
  if (version.trimmed().isEmpty() || parts.size() < 3) return QStringLiteral("(未定義)");
  QStringList shown;
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    const uint n = parts[i].toUInt(&ok);
    if (!ok) return QStringLiteral("(未定義)");
    shown << QString::number(n);
  }
  return QStringLiteral("Version ") + shown.join(QLatin1Char('.'));
}

QString BuildVersion() {
#ifdef TH_PROJECT_VERSION
  return QStringLiteral(TH_PROJECT_VERSION);
#else
  return QString();
#endif
}

TfrmAboutBox::TfrmAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAboutBox"));
  setWindowTitle(QStringLiteral("バージョン情報"));
  setFont(DialogFont());
  setFixedSize(298, 328);

  imgProgramIcon_ = new QLabel(this);
  imgProgramIcon_->setFixedSize(128, 128);
  imgProgramIcon_->setScaledContents(true);
  imgProgramIcon_->setAlignment(Qt::AlignCenter);
  lblProductName_ = new QLabel(this);
  lblProductName_->setObjectName(QStringLiteral("lblProductName"));
  lblProductName_->setAlignment(Qt::AlignCenter);
  QFont big = font();
  big.setPointSize(12);
  big.setBold(true);
  lblProductName_->setFont(big);
  lblVersion_ = new QLabel(VersionLabelText(BuildVersion()), this);
  lblVersion_->setObjectName(QStringLiteral("lblVersion"));
  lblVersion_->setAlignment(Qt::AlignCenter);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });

  auto* frame = new QVBoxLayout(this);
  frame->setContentsMargins(16, 20, 16, 12);
  auto* iconRow = new QHBoxLayout;
  iconRow->addStretch();
  iconRow->addWidget(imgProgramIcon_);
  iconRow->addStretch();
  frame->addLayout(iconRow);
  frame->addSpacing(12);
  frame->addWidget(lblProductName_);
  frame->addWidget(lblVersion_);
  frame->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  frame->addLayout(buttons);
}

void TfrmAboutBox::showEvent(QShowEvent* event) {
  lblProductName_->setText(ApplicationTitle());
  QIcon icon = QApplication::windowIcon();
  imgProgramIcon_->setPixmap(icon.pixmap(128, 128));
  QDialog::showEvent(event);
}

// OK is the cancel button as well: closing the box answers OK.
void TfrmAboutBox::reject() { done(QDialog::Accepted); }

}  // namespace ui
