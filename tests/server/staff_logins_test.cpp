// Members of staff on a shared server: their logins made and removed by labjournal-db, the
// role they work under, what the role lets them do and what it keeps from them, and a new
// database made on the server.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QProcess>
#include <QToolButton>
#include <QTemporaryDir>

#include "data/clock.h"
#include "history/change_history_window.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "server/test_server.h"
#include "server/workstation.h"
#include "support/scripted_dialogs.h"

using testing_support::Login;
using testing_support::ScriptedDialogs;
using testing_support::ServerDatabase;
using testing_support::TestServer;
using testing_support::Workstation;

namespace {

const QStringList kStaffRecords = {
    "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
    "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
    "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA) values (1, 1, 1, "
    "'2026-12-09', 'Иванов', 'Иван')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (1, 20, 1, 1)"};

struct ToolRun {
    int exitCode;
    QString output;  // standard output, then standard error
};

// labjournal-db as the administrator runs it: the server's SYSDBA login in the environment,
// the passwords typed on its standard input.
ToolRun runDatabaseTool(const QStringList& arguments, const QByteArray& input = {},
                        const QString& password = TestServer::instance().password) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ISC_USER", "SYSDBA");
    environment.insert("ISC_PASSWORD", password);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(LABJOURNAL_DB), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    tool.waitForFinished(120000);
    return {tool.exitCode(),
            QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError())};
}

// labjournal-db on a terminal of its own (a pseudo-terminal), each line typed once the prompt
// that asks for it has shown; the output is everything the terminal showed.
ToolRun runOnTerminal(const QStringList& arguments, const QList<QPair<QString, QByteArray>>& typed) {
    std::vector<std::string> words{LABJOURNAL_DB};
    for (const QString& a : arguments) words.push_back(a.toStdString());
    const std::string password = TestServer::instance().password.toStdString();
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        setenv("ISC_USER", "SYSDBA", 1);
        setenv("ISC_PASSWORD", password.c_str(), 1);
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    QByteArray shown;
    int next = 0;
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (poll(&ready, 1, 60000) <= 0) break;
        char buffer[512];
        const ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n <= 0) break;  // the tool has ended
        shown.append(buffer, n);
        if (next < typed.size() && QString::fromUtf8(shown).contains(typed[next].first)) {
            const QByteArray line = typed[next].second + '\n';
            if (write(terminal, line.constData(), size_t(line.size())) != line.size()) break;
            ++next;
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(terminal);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, QString::fromUtf8(shown)};
}

std::unique_ptr<db::Connection> attachAs(const QString& database, const QString& user,
                                         const QString& password, const QString& role = {}) {
    auto c = std::make_unique<db::Connection>();
    c->setDatabaseName(database);
    c->setParams({"lc_ctype=WIN1251", "user_name=" + user, "password=" + password,
                  "sql_role_name=" + role});
    c->open();
    return c;
}

// The role the server gives a login that asks for the staff's: LAB_USER, or NONE without it.
QString roleGiven(const QString& database, const QString& user, const QString& password) {
    auto c = attachAs(database, user, password, "LAB_USER");
    db::Transaction tr(*c, db::kReadOnlySnapshot);
    const QString role =
        db::queryRows(tr, "select current_role from rdb$database").front().value(0).toString();
    tr.commit();
    c->close();
    return role.trimmed();
}

class StaffLoginsTest : public ::testing::Test {
protected:
    void SetUp() override { data::clock::setToday(QDate(2026, 12, 9)); }
    void TearDown() override {
        data::clock::setToday({});
        // Logins live in the server's security database, beyond any one test's database.
        for (const char* name : {"ANNA", "BORIS", "VERA"}) {
            try {
                db_.exec({QStringLiteral("drop user %1 using plugin Srp").arg(name)});
            } catch (const db::DbError&) {
                // not made by this test
            }
        }
    }
    int serverUsersNamed(const ServerDatabase& db, const QString& name) const {
        return db.scalar("select count(*) from sec$users where sec$user_name = :name",
                         {{"name", name}})
            .toInt();
    }
    ServerDatabase db_{kStaffRecords};
    ScriptedDialogs dialogs_;
};

TEST_F(StaffLoginsTest, UsersAddListAndRemoveKeepOneLoginPerMemberOfStaffWithTheRole) {
    const ServerDatabase& db = db_;

    // The password is asked twice; a quote in it is kept as typed.
    ToolRun run = runDatabaseTool({"users", "add", "anna", db.name()}, "ab'c d\nab'c d\n");
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("Пользователь ANNA создан с ролью LAB_USER")))
        << run.output.toStdString();
    EXPECT_EQ(roleGiven(db.name(), "anna", "ab'c d"), QStringLiteral("LAB_USER"));

    // What is refused makes nothing.
    struct Refused {
        QStringList arguments;
        QByteArray input;
        QString said;
    };
    const QList<Refused> refusals = {
        {{"users", "add", "boris", db.name()}, "first\nsecond\n", "Пароли не совпадают"},
        {{"users", "add", "boris", db.name()}, "\n\n", "Пароль не введён"},
        {{"users", "add", "boris", db.name()}, "", "Пароль не введён"},
        {{"users", "add", "b;drop", db.name()}, "x\nx\n", "не подходит"},
        {{"users", "add", "sysdba", db.name()}, "x\nx\n", "администратор сервера"},
        {{"users", "add", "boris", "/tmp/lab.fdb"}, "x\nx\n", "сервер:/путь"},
        {{"users", "remove", "boris", db.name()}, "", "нет пользователя BORIS"},
        {{"users", "add", "boris"}, "x\nx\n", "Использование"},
    };
    for (const Refused& refused : refusals) {
        run = runDatabaseTool(refused.arguments, refused.input);
        EXPECT_NE(run.exitCode, 0) << refused.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.output.contains(refused.said))
            << refused.arguments.join(' ').toStdString() << ": " << run.output.toStdString();
    }
    EXPECT_EQ(serverUsersNamed(db, "BORIS"), 0);
    EXPECT_EQ(serverUsersNamed(db, "B;DROP"), 0);

    // A user the server already has is given the role in another database, password kept.
    ServerDatabase second(kStaffRecords);
    run = runDatabaseTool({"users", "add", "ANNA", second.name()});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("пароль прежний"))) << run.output.toStdString();
    EXPECT_EQ(roleGiven(second.name(), "ANNA", "ab'c d"), QStringLiteral("LAB_USER"));

    ASSERT_EQ(runDatabaseTool({"users", "add", "vera", db.name()}, "v\nv\n").exitCode, 0);
    run = runDatabaseTool({"users", "list", db.name()});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(run.output, QStringLiteral("ANNA\nVERA\n"));

    // A server login that is not this database's staff is not this command's to remove.
    ASSERT_EQ(runDatabaseTool({"users", "add", "boris", second.name()}, "b\nb\n").exitCode, 0);
    run = runDatabaseTool({"users", "remove", "boris", db.name()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains(QStringLiteral("нет роли LAB_USER"))) << run.output.toStdString();
    EXPECT_EQ(serverUsersNamed(db, "BORIS"), 1);

    run = runDatabaseTool({"users", "remove", "anna", db.name()});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_EQ(runDatabaseTool({"users", "list", db.name()}).output, QStringLiteral("VERA\n"));
    EXPECT_EQ(serverUsersNamed(db, "ANNA"), 0);
    EXPECT_THROW(attachAs(db.name(), "anna", "ab'c d"), db::DbError);

    // The administrator's login is checked as for every other command.
    run = runDatabaseTool({"users", "list", db.name()}, {}, "wrong");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.startsWith(QStringLiteral("Ошибка: "))) << run.output.toStdString();
}

// On a terminal the password is asked twice and never shown; the terminal echoes again after.
TEST_F(StaffLoginsTest, OnATerminalThePasswordIsAskedTwiceAndNeverShown) {
    const ServerDatabase& db = db_;
    const ToolRun run = runOnTerminal(
        {"users", "add", "vera", db.name()},
        {{QStringLiteral("Пароль пользователя VERA:"), "tajna-1"},
         {QStringLiteral("Пароль ещё раз:"), "tajna-1"}});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_FALSE(run.output.contains("tajna")) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("Пользователь VERA создан"))) << run.output.toStdString();
    auto vera = attachAs(db.name(), "VERA", "tajna-1", "LAB_USER");
    vera->close();

    // Two different passwords: refused, nothing shown, nobody made.
    const ToolRun mismatch = runOnTerminal(
        {"users", "add", "boris", db.name()},
        {{QStringLiteral("Пароль пользователя BORIS:"), "one-1"},
         {QStringLiteral("Пароль ещё раз:"), "two-2"}});
    EXPECT_EQ(mismatch.exitCode, 1);
    EXPECT_TRUE(mismatch.output.contains(QStringLiteral("Пароли не совпадают")))
        << mismatch.output.toStdString();
    EXPECT_FALSE(mismatch.output.contains("one-1") || mismatch.output.contains("two-2"));
    EXPECT_EQ(serverUsersNamed(db, "BORIS"), 0);
}

// A member of staff logs in under the role and does the day's work: a journal edit, results in
// the card, the record's history.
TEST_F(StaffLoginsTest, AnAddedUserWorksTheJournalAndTheCardUnderTheRole) {
    const ServerDatabase& db = db_;
    ASSERT_EQ(runDatabaseTool({"users", "add", "anna", db.name()}, "pw\npw\n").exitCode, 0);

    Workstation ws(db.name(), dialogs_, {Login{"ANNA", "pw"}}, "ANNA", "LAB_USER");
    ASSERT_TRUE(ws.started) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    JournalPage& page = *ws.app->mainWindow->journalPage;
    ASSERT_TRUE(ws.labData().journal.isActive());
    ASSERT_TRUE(ws.labData().journal.locate("N_ISSLED", 1));

    ui::DatasetModel* model = page.journalGrid->datasetModel();
    const int surname = ws.labData().journal.fieldIndex("FAM");
    int column = -1;
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->fieldIndexOfColumn(c) == surname) column = c;
    ASSERT_GE(column, 0);
    ASSERT_NE(testing_support::typeIntoCell(page.journalGrid,
                                            page.journalGrid->currentIndex().row(), column,
                                            QStringLiteral("Иванова")),
              nullptr);
    page.saveRecordButton->click();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванова"));

    ws.openCard(1);
    ws.typeResult(0, QStringLiteral("отрицательный"));
    ws.save();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    ws.closeCard();
    EXPECT_EQ(db.scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 1").toString(),
              QStringLiteral("отрицательный"));
    EXPECT_EQ(db.scalar("select count(*) from CHANGE_LOG where USER_NAME = 'ANNA'").toInt(), 2);

    QString shown;
    dialogs_.whileShown([&] { page.historyAction->trigger(); },
                        [&](QDialog* window) {
                            auto* history = qobject_cast<ChangeHistoryWindow*>(window);
                            ASSERT_NE(history, nullptr);
                            shown = history->recordLabel->text();
                            EXPECT_GE(history->grid->datasetModel()->rowCount(), 2);
                        });
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_EQ(shown, QStringLiteral("Исследование № 1: Иванова Иван"));
}

TEST_F(StaffLoginsTest, ALoginWithoutTheRoleIsRefusedAtStartUpSayingWhatToDo) {
    const ServerDatabase& db = db_;
    db.exec({"create user BORIS password 'pw' using plugin Srp"});

    Workstation refused(db.name(), dialogs_, {Login{"BORIS", "pw"}}, "BORIS", "LAB_USER");
    EXPECT_FALSE(refused.started);
    EXPECT_FALSE(refused.labData().mainConnection.isOpen());
    ASSERT_EQ(dialogs_.messages.size(), 1u) << dialogs_.texts().join(" | ").toStdString();
    const QString text = dialogs_.messages[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Пользователю BORIS не выдана роль LAB_USER")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("labjournal-db users add BORIS ") + db.name()))
        << text.toStdString();

    // Given the role, the same login starts; the administrator needs none.
    dialogs_.messages.clear();
    ASSERT_EQ(runDatabaseTool({"users", "add", "boris", db.name()}).exitCode, 0);
    Workstation given(db.name(), dialogs_, {Login{"BORIS", "pw"}}, "BORIS", "lab_user");
    EXPECT_TRUE(given.started) << dialogs_.texts().join(" | ").toStdString();
    Workstation administrator(db.name(), dialogs_, {Login{"SYSDBA", TestServer::instance().password}},
                              "SYSDBA", "LAB_USER");
    EXPECT_TRUE(administrator.started) << dialogs_.texts().join(" | ").toStdString();
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
}

// The role's rights end at the register: the server refuses everything else, whatever SQL a
// member of staff types (the query builder, isql-fb).
TEST_F(StaffLoginsTest, TheRoleCannotDefineWriteTheLogOrReachOtherDatabases) {
    const ServerDatabase& db = db_;
    ServerDatabase other(kStaffRecords);
    ASSERT_EQ(runDatabaseTool({"users", "add", "anna", db.name()}, "pw\npw\n").exitCode, 0);
    auto staff = attachAs(db.name(), "ANNA", "pw", "LAB_USER");

    const QStringList refused = {
        "create table NOTES (N integer)",
        "alter table ISSLED add NOTE varchar(10)",
        "drop table SP_GOS",
        "create procedure P as begin end",
        "drop trigger ISSLED_LOG",
        "insert into CHANGE_LOG (N_LOG, CHANGED_AT, OPERATION) values (1, current_timestamp, 'I')",
        "delete from CHANGE_LOG_DELETED",
        "delete from RECV_ST",
        "insert into SP_GOS (COD_GOS, NAME) values (99, 'x')",
        "create user EVE password 'x'",
        "grant LAB_USER to user EVE",
        "grant select on ISSLED to PUBLIC",
        "create role OTHER",
    };
    // Some are refused as they run, user management only at the commit.
    for (const QString& sql : refused) {
        db::Transaction tr(*staff, db::kReadCommitted);
        tr.start();
        EXPECT_THROW(
            {
                db::executeRaw(tr, sql);
                tr.commit();
            },
            db::DbError)
            << sql.toStdString();
        if (tr.isActive()) tr.rollback();
    }
    EXPECT_EQ(serverUsersNamed(db, "EVE"), 0);
    // What the program does is allowed.
    {
        db::Transaction tr(*staff, db::kReadCommitted);
        tr.start();
        // The fixture's rows were logged as they were inserted.
        EXPECT_GT(db::queryRows(tr, "select count(*) from CHANGE_LOG").front().value(0).toInt(), 0);
        db::executeSql(tr, "update RECV_ST set NAME = 'Лаборатория'");
        EXPECT_GT(tr.nextGeneratorValue("GEN_ISSLED_ID"), 0);
        tr.commit();
    }
    staff->close();

    // Another database on the server: attached without the role, the login reads nothing and
    // makes nothing.
    EXPECT_EQ(roleGiven(other.name(), "ANNA", "pw"), QStringLiteral("NONE"));
    auto elsewhere = attachAs(other.name(), "ANNA", "pw", "LAB_USER");
    {
        db::Transaction tr(*elsewhere, db::kReadCommitted);
        tr.start();
        EXPECT_THROW(db::queryRows(tr, "select count(*) from ISSLED"), db::DbError);
        tr.rollback();
    }
    elsewhere->close();
    db::Connection newDatabase;
    newDatabase.setDatabaseName(TestServer::instance().databaseName("anna.fdb"));
    newDatabase.setParams({"lc_ctype=WIN1251", "user_name=ANNA", "password=pw"});
    EXPECT_THROW(newDatabase.createDatabase(), db::DbError);
}

// Every directory the program edits, under the role: rows added, changed and deleted, every key
// generator drawn from, and a row still in use refused with the database's own Russian words.
TEST_F(StaffLoginsTest, TheRoleEditsEveryDirectoryAndIsToldWhyARowInUseStays) {
    const ServerDatabase& db = db_;
    ASSERT_EQ(runDatabaseTool({"users", "add", "anna", db.name()}, "pw\npw\n").exitCode, 0);
    auto staff = attachAs(db.name(), "ANNA", "pw", "LAB_USER");
    struct Directory {
        QString table;
        QStringList edits;  // insert, update, delete of a row of its own
        QString deleteInUse;
        QString refusal;
    };
    const QList<Directory> directories = {
        {"SP_LPU",
         {"insert into SP_LPU (COD_LPU, NAME) values (2, 'Поликлиника')",
          "update SP_LPU set NAME = 'Поликлиника №1', PATH = '' where COD_LPU = 2",
          "delete from SP_LPU where COD_LPU = 2"},
         "delete from SP_LPU where COD_LPU = 1",
         "Учреждение «Амбулатория» нельзя удалить"},
        {"SP_TARVIK",
         {"insert into SP_TARVIK (N_LISSL, NAME, NPP) values (2, 'ОАК', 2)",
          "update SP_TARVIK set SHABLON = 'ОАК.xlt' where N_LISSL = 2",
          "delete from SP_TARVIK where N_LISSL = 2"},
         "delete from SP_TARVIK where N_LISSL = 1",
         "Вид исследования «ИФА ВИЧ» нельзя удалить"},
        {"SP_PRIZ_LAB_ISSL",
         {"insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
          "update SP_PRIZ_LAB_ISSL set NORMA_TIME = 2.5, NORMA_TIME_MS = 1 where N_PRLAB = 21",
          "delete from SP_PRIZ_LAB_ISSL where N_PRLAB = 21"},
         "delete from SP_PRIZ_LAB_ISSL where N_PRLAB = 20",
         "Показатель «Антитела» нельзя удалить"},
        {"LAB_ISSL_PRIZ",
         {"insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 20, 2)",
          "update LAB_ISSL_PRIZ set NPP = 3 where N_LIPR = 2",
          "delete from LAB_ISSL_PRIZ where N_LIPR = 2"},
         {},
         {}},
        {"SP_OTD",
         {"insert into SP_OTD (COD_OTD, COD_LPU, NAME) values (1, 1, 'Терапия')",
          "update SP_OTD set NAME = 'Хирургия' where COD_OTD = 1",
          "delete from SP_OTD where COD_OTD = 1"},
         {},
         {}},
        {"SP_VR",
         {"insert into SP_VR (COD_VR, FIO) values (1, 'Петров П.П.')",
          "update SP_VR set FIO = 'Петрова П.П.' where COD_VR = 1",
          "delete from SP_VR where COD_VR = 1"},
         {},
         {}},
        {"SP_MS",
         {"insert into SP_MS (COD_MS, FIO) values (1, 'Сидорова С.С.')",
          "update SP_MS set FIO = 'Сидорова С.' where COD_MS = 1",
          "delete from SP_MS where COD_MS = 1"},
         {},
         {}},
        {"SP_IST_FIN",
         {"insert into SP_IST_FIN (N_IFIN, NAME, PR_UM) values (1, 'ОМС', '1')",
          "update SP_IST_FIN set NAME = 'Бюджет' where N_IFIN = 1",
          "delete from SP_IST_FIN where N_IFIN = 1"},
         {},
         {}},
    };
    for (const Directory& directory : directories) {
        db::Transaction tr(*staff, db::kReadCommitted);
        tr.start();
        for (const QString& sql : directory.edits)
            EXPECT_NO_THROW(db::executeSql(tr, sql)) << sql.toStdString();
        tr.commit();
        if (directory.deleteInUse.isEmpty()) continue;
        tr.start();
        QString said;
        try {
            db::executeSql(tr, directory.deleteInUse);
        } catch (const db::DbError& e) {
            said = e.message();
        }
        EXPECT_TRUE(said.contains(directory.refusal))
            << directory.table.toStdString() << ": " << said.toStdString();
        tr.rollback();
    }
    db::Transaction keys(*staff, db::kReadCommitted);
    keys.start();
    for (const char* generator :
         {"GEN_ISSLED_ID", "GEN_SP_TARVIK_ID", "GEN_SP_PRIZ_LAB_ISSL_ID", "GEN_LAB_ISSL_PRIZ_ID",
          "GEN_SP_LPU_ID", "GEN_SP_OTD_ID", "GEN_SP_VR_ID", "GEN_SP_MS_ID", "GEN_SP_IST_FIN_ID",
          "GEN_LAB_ISSL_BOL_ID"})
        EXPECT_NO_THROW(keys.nextGeneratorValue(generator)) << generator;
    // The log's numbers are the log's procedure's alone.
    EXPECT_THROW(keys.nextGeneratorValue("GEN_CHANGE_LOG_ID"), db::DbError);
    keys.rollback();
}

TEST_F(StaffLoginsTest, CreateAndUpgradeWorkOnAServersDatabase) {
    const QString name = TestServer::instance().databaseName(QStringLiteral("created.fdb"));
    ToolRun run = runDatabaseTool({"create", name}, {}, "wrong");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.startsWith(QStringLiteral("Ошибка: "))) << run.output.toStdString();
    EXPECT_THROW(attachAs(name, "SYSDBA", TestServer::instance().password), db::DbError)
        << "nothing made";

    run = runDatabaseTool({"create", name});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    auto made = attachAs(name, "SYSDBA", TestServer::instance().password);
    {
        db::Transaction tr(*made, db::kReadOnlySnapshot);
        EXPECT_EQ(db::queryRows(tr, "select count(*) from RECV_ST").front().value(0).toInt(), 1);
        EXPECT_EQ(db::queryRows(tr, "select count(*) from rdb$roles where rdb$role_name = "
                                    "'LAB_USER'")
                      .front()
                      .value(0)
                      .toInt(),
                  1);
        tr.commit();
    }
    made->close();
    // A second create leaves the first database as it was.
    run = runDatabaseTool({"create", name});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.startsWith(QStringLiteral("Ошибка: "))) << run.output.toStdString();
    run = runDatabaseTool({"create", "--demo", name});
    EXPECT_EQ(run.exitCode, 1);
    made = attachAs(name, "SYSDBA", TestServer::instance().password);

    // A database of the version before the role: upgrade adds it with its rights, and then
    // staff can be given it.
    {
        db::Transaction tr(*made, db::kSnapshotWaiting);
        tr.start();
        db::executeRaw(tr, "drop role LAB_USER");
        tr.commit();
    }
    made->close();
    run = runDatabaseTool({"upgrade", name});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("роль LAB_USER"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("право SELECT, INSERT, UPDATE, DELETE на ISSLED "
                                                   "для роли LAB_USER")))
        << run.output.toStdString();
    ASSERT_EQ(runDatabaseTool({"users", "add", "vera", name}, "v\nv\n").exitCode, 0);
    auto staff = attachAs(name, "VERA", "v", "LAB_USER");
    {
        db::Transaction tr(*staff, db::kReadOnlySnapshot);
        EXPECT_EQ(db::queryRows(tr, "select count(*) from ISSLED").front().value(0).toInt(), 0);
        tr.commit();
    }
    staff->close();
    EXPECT_TRUE(runDatabaseTool({"upgrade", name}).output.contains("ничего не изменено"));

    made = attachAs(name, "SYSDBA", TestServer::instance().password);
    made->dropDatabase();
}

}  // namespace
