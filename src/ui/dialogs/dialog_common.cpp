#include "ui/dialogs/dialog_common.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <utility>

namespace ui {

namespace {
TMessageHook& Hook() {
  static TMessageHook hook;
  return hook;
}
}  // namespace

QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("IPAPゴシック")});
  font.setPointSize(9);
  return font;
}

QIcon DialogIcon(TDialogIcon which) {
  const char* name = "dialog-warning";
  QStyle::StandardPixmap fallback = QStyle::SP_MessageBoxWarning;
  switch (which) {
    case TDialogIcon::Warning:
      break;
    case TDialogIcon::Delete:
      name = "edit-delete";
      fallback = QStyle::SP_TrashIcon;
      break;
    case TDialogIcon::Folder:
      name = "folder";
      fallback = QStyle::SP_DirIcon;
      break;
  }
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(fallback);
  return icon;
}

void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                 QMessageBox::Icon icon) {
  if (Hook()) {
    Hook()(text, caption, icon);
    return;
  }
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.setFont(DialogFont());
  box.exec();
}

TMessageHook SetMessageHook(TMessageHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

}  // namespace ui
