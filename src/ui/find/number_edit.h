// The number fields of the find window: an edit that takes only digits (any other
// character is dropped with a beep) and the up-down buttons beside it, which step
// the number in the edit within its limits.
#pragma once

#include <QObject>
#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace ui {

// Makes `edit` accept only the digits 0 to 9, Enter and Escape among the characters
// typed; keys that type nothing (arrows, Delete, Tab) pass.  At most `maxLength`
// characters.
void MakeDigitEdit(QLineEdit* edit, int maxLength);

// The beep of a dropped key; tests count beeps through a hook.  Returns the hook
// that was set before.
using TBeepHook = std::function<void()>;
TBeepHook SetBeepHook(TBeepHook hook);
void Beep();

class TUpDown : public QWidget {
  Q_OBJECT
 public:
  TUpDown(QLineEdit* associate, int min, int max, QWidget* parent = nullptr);

  int Min() const { return min_; }
  int Max() const { return max_; }
  // One step up (+1) or down (-1); an empty or unreadable edit starts from the bound.
  void Step(int delta);

 private:
  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  int min_, max_;
};

}  // namespace ui
