// A window the main window shows modally. It reads its data once per opening: restored from the
// task bar it is shown again without reading, so nothing typed is lost. A window whose changes
// wait for its save command asks "Сохранить изменения?" when closed with some waiting.
#pragma once

#include <QDialog>

namespace ui {

class ModalWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    // Every way of closing passes here; the next show is a new opening.
    void done(int result) override;

protected:
    // Changes typed but not saved: closing then asks whether to save them (Да saves, and a
    // refused save keeps the window open; Нет drops them; Отмена keeps the window open).
    // Closing without a user (a stop signal) saves them, or drops them when that is refused.
    virtual bool unsavedChanges() const { return false; }
    virtual void saveUnsavedChanges() {}
    virtual void dropUnsavedChanges() {}
    // After the window was allowed to close: what it leaves behind (its datasets).
    virtual void windowClosing() {}
    // Reads the window's data at the first show of each opening; a failure goes to the error box.
    virtual void openWindow() = 0;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // False when the window must stay open (the user's choice, or a refused save).
    bool settleUnsavedChanges();

    bool open_ = false;
};

}  // namespace ui
