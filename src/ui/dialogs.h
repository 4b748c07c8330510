// The one seam through which windows ask the user: message boxes, the login prompt, file
// dialogs and modal windows. The program uses the Qt implementation; tests install a script.
#pragma once

#include <QMessageBox>
#include <QRect>
#include <QString>
#include <functional>

#include "db/firebird.h"

class QDialog;
class QWidget;

namespace ui {

struct Message {
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns the button pressed; closing the box counts as Cancel (or No, or Ok for one button).
    virtual QMessageBox::StandardButton message(QWidget* parent, const Message& message) = 0;
    // An information box with its one OK button: true when OK was pressed, false when the box
    // was closed another way (its close box, Escape).
    virtual bool okPressed(QWidget* parent, const QString& text) = 0;
    // The same box standing beside a rectangle of the screen (in the screen's pixels; a shown
    // document's window) instead of over it; as okPressed() for an empty rectangle. `shown` runs
    // once the box is on the screen (it brings the document back in front of the program's
    // windows, which the window manager raised with the box).
    virtual bool okPressedBeside(QWidget* parent, const QString& text, const QRect& keepClear,
                                 const std::function<void()>& shown) {
        (void)keepClear;
        if (shown) shown();
        return okPressed(parent, text);
    }
    // The "Database Login" prompt; false when the user cancels.
    virtual bool login(db::LoginRequest& request) = 0;
    // The file dialogs show each filter by its label alone ("*.sql"). The save dialog does not
    // ask before a file is replaced: the caller replaces the chosen file.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // Shows a window modally and returns its result code.
    virtual int showModal(QDialog* dialog) = 0;
    // False while nobody is there to answer (the program closes by itself).
    virtual bool attended() const { return true; }
};

// The Qt implementation: real boxes and dialogs.
class QtDialogs : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget* parent, const Message& message) override;
    bool okPressed(QWidget* parent, const QString& text) override;
    bool okPressedBeside(QWidget* parent, const QString& text, const QRect& keepClear,
                         const std::function<void()>& shown) override;
    bool login(db::LoginRequest& request) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    int showModal(QDialog* dialog) override;
};

// While the program closes by itself (a stop signal): nothing is shown and nobody is asked.
// Each message goes to standard error; a question gets the answer of its close box (Cancel,
// else No), the login prompt and the file dialogs are cancelled, a modal window is not shown.
class UnattendedDialogs : public Dialogs {
public:
    QMessageBox::StandardButton message(QWidget* parent, const Message& message) override;
    bool okPressed(QWidget* parent, const QString& text) override;
    bool login(db::LoginRequest& request) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    int showModal(QDialog* dialog) override;
    bool attended() const override { return false; }
};

Dialogs& dialogs();
// Installs another implementation (not owned); nullptr goes back to the Qt one.
void setDialogs(Dialogs* dialogs);

// Shorthands for the boxes the program shows.
void information(QWidget* parent, const QString& text);
// The program's default error box: the database's or the component's own message.
void showError(QWidget* parent, const QString& text);
// A Yes/No question; true for Yes.
bool confirm(QWidget* parent, const QString& text);

// The size of the box okPressed() shows for a text, its frame included, in the screen's pixels.
QSize okBoxSize(QWidget* parent, const QString& text);

// Where a window of the given frame size stands beside a rectangle without covering it, both in
// the screen's logical coordinates: to its right, its left, below or above it, the first side
// with room on the screen; when no side has room, the side with the most, as far from the
// rectangle as the screen allows.
QPoint positionBeside(const QSize& frame, const QRect& keepClear, const QRect& screen);

// The text of a failure for the error box: the database's own message where there is one.
QString failureText(const std::exception& e);
// What a message box shows of a text: a lone carriage return breaks the line.
QString boxText(const QString& text);

// Writes what is being typed into every grid cell editor and bound edit under a window into its
// dataset, so that a command sees it. False when a value was refused: the command must not run.
bool commitEditors(QWidget* window);

// Runs a handler; whatever it throws goes to the default error box instead of escaping into the
// event loop. Returns false when that happened.
template <typename F>
bool guarded(QWidget* parent, F&& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        showError(parent, failureText(e));
    } catch (...) {
        showError(parent, QStringLiteral("Непредвиденная ошибка программы."));
    }
    return false;
}

// A slot for a button, menu command or shortcut: what is being typed in the window is written
// first, then the handler runs under guarded().
template <typename F>
auto command(QWidget* parent, F handler) {
    return [parent, handler] {
        bool committed = false;
        guarded(parent, [&] { committed = commitEditors(parent->window()); });
        if (committed) guarded(parent, handler);
    };
}

}  // namespace ui
