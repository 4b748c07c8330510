#include "ui/modal_window.h"

#include <QHideEvent>
#include <QShowEvent>

#include "ui/dialogs.h"

namespace ui {

void ModalWindow::done(int result) {
    if (!settleUnsavedChanges()) return;
    guarded(this, [this] { windowClosing(); });
    open_ = false;
    QDialog::done(result);
}

bool ModalWindow::settleUnsavedChanges() {
    const bool attended = dialogs().attended();
    // A cell or edit still open is a change too; a text it refuses stays for correction.
    bool committed = false;
    guarded(this, [&] { committed = commitEditors(this); });
    if (!committed && attended) return false;
    bool waiting = false;
    if (!guarded(this, [&] { waiting = unsavedChanges(); }) || !waiting) return true;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    if (attended)
        answer = dialogs().message(this, {QMessageBox::Question, {},
                                          QStringLiteral("Сохранить изменения?"),
                                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel});
    switch (answer) {
        case QMessageBox::Yes:
            if (guarded(this, [this] { saveUnsavedChanges(); })) return true;
            if (attended) return false;
            [[fallthrough]];  // nobody to correct them: they are dropped, the reason on stderr
        case QMessageBox::No:
            guarded(this, [this] { dropUnsavedChanges(); });
            return true;
        default:
            return false;
    }
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
