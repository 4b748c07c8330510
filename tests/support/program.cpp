#include "support/program.h"

#include <gtest/gtest.h>

#include <QFile>

#include "data/clock.h"
#include "support/temp_database.h"

namespace testing_support {

Program::Program(const TempDatabase& db, ScriptedDialogs& dialogs, const QDate& today) {
    data::clock::setToday(today);
    QFile ini(dir_.filePath("Reg.INI"));
    if (!ini.open(QIODevice::WriteOnly)) throw std::runtime_error("Reg.INI");
    ini.write(
        QStringLiteral("[options]\nDBPath=%1\nDBUser=SYSDBA\nDBRole=\n").arg(db.path()).toUtf8());
    ini.close();
    dialogs.logins.push_back(Login{"SYSDBA", "x"});
    app_ = std::make_unique<app::Application>();
    app_->mainWindow->setRegIniPath(dir_.filePath("Reg.INI"));
    EXPECT_TRUE(app_->start());
}

Program::~Program() {
    app_.reset();
    data::clock::setToday({});
}

void ProgramTest::start(const QStringList& sql) {
    db_ = std::make_unique<TempDatabase>(sql);
    program_ = std::make_unique<Program>(*db_, dialogs_);
    dialogs_.messages.clear();
}

LabData& ProgramTest::labData() {
    return *(*program_)->labData;
}

Session& ProgramTest::session() {
    return labData().session;
}

void ProgramTest::TearDown() {
    program_.reset();
    db_.reset();
}

}  // namespace testing_support
