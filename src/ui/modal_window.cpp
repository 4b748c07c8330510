#include "ui/modal_window.h"

#include <QHideEvent>
#include <QShowEvent>

#include "ui/dialogs.h"

namespace ui {

void ModalWindow::done(int result) {
    open_ = false;
    QDialog::done(result);
}

void ModalWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (open_) return;
    open_ = true;
    guarded(this, [this] { openWindow(); });
}

void ModalWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // Minimising hides the window too, and is no closing; a hide by the program is.
    if (!event->spontaneous() && !isMinimized()) open_ = false;
}

}  // namespace ui
