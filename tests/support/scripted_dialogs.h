// Test helper: answers message boxes, login prompts, file dialogs and modal windows from a
// script, and records every message shown. Installed for its lifetime.
#pragma once

#include <QAbstractItemView>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/dialogs.h"

namespace testing_support {

struct Login {
    QString userName;
    QString password;
};

class ScriptedDialogs : public ui::Dialogs {
public:
    ScriptedDialogs() { ui::setDialogs(this); }
    ~ScriptedDialogs() override { ui::setDialogs(nullptr); }

    std::vector<ui::Message> messages;
    std::deque<QMessageBox::StandardButton> answers;  // for boxes with more than one button
    std::deque<bool> okAnswers;                       // false: the box was closed without OK
    std::deque<std::optional<Login>> logins;          // nullopt: the user cancels
    std::vector<db::LoginRequest> loginRequests;
    std::deque<QString> fileNames;
    std::function<int(QDialog*)> onModal;

    QMessageBox::StandardButton message(QWidget*, const ui::Message& m) override;
    // Recorded as an information message; answered from okAnswers (OK when it is empty).
    bool okPressed(QWidget* parent, const QString& text) override;
    bool login(db::LoginRequest& request) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override;
    int showModal(QDialog* dialog) override;

    QStringList texts() const;

    // Runs a command that shows a window modally: the window is shown, body runs, the window
    // is closed as the user would close it.
    void whileShown(const std::function<void()>& command,
                    const std::function<void(QDialog*)>& body);
};

// Types into an edit key by key, Cyrillic and characters beyond the Basic Multilingual Plane
// included, replacing what it held. Keys of control characters type nothing, as on a keyboard.
void typeText(QLineEdit* edit, const QString& text);

// Opens a view's editor on a cell, by the F2 key or as the view's own edit() does, and returns
// it (a test failure and nullptr when no editor opened).
enum class CellEditorOpening { ByF2, ByView };
QLineEdit* openCellEditor(QAbstractItemView* view, int row, int column, CellEditorOpening how);

// The text a view shows as a cell's tooltip when the pointer rests on it; empty for none.
QString tooltipOfCell(QAbstractItemView* view, int row, int column);
// The same for a header section, the pointer resting on the middle of its title.
QString tooltipOfSection(QHeaderView* header, int section);

// Opens a view's editor on a cell as F2 would and types into it; the text stays in the open
// editor until something commits it. Returns the editor.
QLineEdit* typeIntoCell(QAbstractItemView* view, int row, int column, const QString& text);

// Double-clicks a cell with the mouse.
void doubleClickCell(QAbstractItemView* view, int row, int column);

}  // namespace testing_support
