// Test helper: the whole program started on a database with a scripted login, today fixed.
#pragma once

#include <QDate>
#include <QTemporaryDir>
#include <memory>

#include "app/application.h"
#include "support/scripted_dialogs.h"

namespace testing_support {

class TempDatabase;

class Program {
public:
    // Writes a Reg.INI for the database, logs in as SYSDBA and runs the start-up.
    Program(const TempDatabase& db, ScriptedDialogs& dialogs,
            const QDate& today = QDate(2026, 12, 9));
    ~Program();

    app::Application& operator*() { return *app_; }
    app::Application* operator->() { return app_.get(); }

private:
    QTemporaryDir dir_;
    std::unique_ptr<app::Application> app_;
};

}  // namespace testing_support
