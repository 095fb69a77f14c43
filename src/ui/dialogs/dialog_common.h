// What the small dialogs share: their font, the pictures that stand for the
// system's numbered icons, and the message box, which tests can intercept.
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace ui {

// "ＭＳ Ｐゴシック" 9 point, or the nearest Japanese gothic face installed.
QFont DialogFont();

// Pictures of the icon theme, with the Qt style's pictures where the theme has none.
enum class TDialogIcon { Warning, Delete, Folder };
QIcon DialogIcon(TDialogIcon which);

// A modal message box with a Japanese text and caption.  A hook set by tests gets
// the message instead (and the box is not shown).
void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                 QMessageBox::Icon icon);
using TMessageHook =
    std::function<void(const QString& text, const QString& caption, QMessageBox::Icon icon)>;
// Returns the hook that was set before.
TMessageHook SetMessageHook(TMessageHook hook);

}  // namespace ui
