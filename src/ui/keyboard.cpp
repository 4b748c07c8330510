#include "ui/keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace ui {

namespace {

// Qt presses a focused button by Space alone, and by Enter only when it is a dialog's default:
// our buttons are not, so Enter did nothing (the typing then went with the next Escape).
class EnterPressesButtons : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)))
            return false;
        if (!button->hasFocus() || !button->isEnabled() || !button->isVisible()) return false;
        button->click();
        return true;
    }
};

}  // namespace

void pressFocusedButtonsOnEnter() {
    static EnterPressesButtons* watcher = nullptr;
    if (watcher || !qApp) return;
    watcher = new EnterPressesButtons(qApp);
    qApp->installEventFilter(watcher);
}

}  // namespace ui
