// Test helper: answers message boxes, login prompts, file dialogs and modal windows from a
// script, and records every message shown. Installed for its lifetime.
#pragma once

#include <QDialog>
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
    std::deque<std::optional<Login>> logins;          // nullopt: the user cancels
    std::vector<db::LoginRequest> loginRequests;
    std::deque<QString> fileNames;
    std::function<int(QDialog*)> onModal;

    QMessageBox::StandardButton message(QWidget*, const ui::Message& m) override;
    bool login(db::LoginRequest& request) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override;
    int showModal(QDialog* dialog) override;

    QStringList texts() const;
};

}  // namespace testing_support
