// A window the main window shows modally. It reads its data once per opening: restored from the
// task bar it is shown again without reading, so nothing typed is lost.
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
    // Reads the window's data at the first show of each opening; a failure goes to the error box.
    virtual void openWindow() = 0;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool open_ = false;
};

}  // namespace ui
