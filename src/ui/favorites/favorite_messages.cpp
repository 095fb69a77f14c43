#include "ui/favorites/favorite_messages.h"

#include <utility>

namespace ui {

namespace {
TFavoriteMessageHook& Hook() {
  static TFavoriteMessageHook hook;
  return hook;
}

int Show(QWidget* parent, const TFavoriteMessage& message) {
  if (Hook()) return Hook()(message);
  QMessageBox box(message.icon, message.caption, message.text,
                  message.question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                  parent);
  if (parent) box.setFont(parent->font());
  return box.exec() == QMessageBox::Yes ? 6 : message.question ? 7 : 1;
}
}  // namespace

void ShowFavoriteMessage(QWidget* parent, const QString& text, const QString& caption,
                         QMessageBox::Icon icon) {
  Show(parent, {text, caption, icon, false});
}

int AskFavoriteQuestion(QWidget* parent, const QString& text, const QString& caption) {
  return Show(parent, {text, caption, QMessageBox::Question, true}) == 6 ? 6 : 7;
}

TFavoriteMessageHook SetFavoriteMessageHook(TFavoriteMessageHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

}  // namespace ui
