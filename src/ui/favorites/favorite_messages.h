// The message boxes of the favorites dialogs and commands.  A hook set by tests
// gets each message or question instead of a box being shown.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace ui {

// A modal message box with an OK button.
void ShowFavoriteMessage(QWidget* parent, const QString& text, const QString& caption,
                         QMessageBox::Icon icon);
// A modal Yes/No question with the question icon; 6 for yes, 7 for no.
int AskFavoriteQuestion(QWidget* parent, const QString& text, const QString& caption);

// What a hook is told; for a question it returns 6 or 7 (a message ignores it).
struct TFavoriteMessage {
  QString text;
  QString caption;
  QMessageBox::Icon icon;
  bool question;
};
using TFavoriteMessageHook = std::function<int(const TFavoriteMessage&)>;
// Returns the hook that was set before.
TFavoriteMessageHook SetFavoriteMessageHook(TFavoriteMessageHook hook);

}  // namespace ui
