// Test helper: the whole program started on a database with a scripted login, today fixed.
#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <QStringList>
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

// A test fixture running the program on a database of its own.
class ProgramTest : public ::testing::Test {
protected:
    // Makes the database from the shipped schema and these statements, starts the program on it
    // and forgets the messages of the start-up.
    void start(const QStringList& sql);
    void TearDown() override;
    LabData& labData();
    Session& session();

    ScriptedDialogs dialogs_;
    std::unique_ptr<TempDatabase> db_;
    std::unique_ptr<Program> program_;
};

}  // namespace testing_support
