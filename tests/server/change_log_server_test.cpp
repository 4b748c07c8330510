// The change log on the shared server: each workstation's changes under its own login and
// address as the server knows them, and labjournal-db upgrade on a server's database.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/application.h"
#include "card/research_card.h"
#include "data/clock.h"
#include "data/lab_data.h"
#include "server/test_server.h"
#include "support/scripted_dialogs.h"
#include "ui/data_aware.h"

using testing_support::Login;
using testing_support::ScriptedDialogs;
using testing_support::ServerDatabase;
using testing_support::TestServer;

namespace {

const QStringList kRecords = {
    "insert into RECV_ST (COD) values (1)",
    "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM) values (1, 1, 1, "
    "'2026-12-09', 'Иванов')",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM) values (2, 1, 1, "
    "'2026-12-09', 'Петров')"};

// Logins of the server's own for two members of staff, with the rights the program needs.
class StaffLogins {
public:
    explicit StaffLogins(const ServerDatabase& db) : db_(db) {
        QStringList sql;
        for (const QString& user : users_)
            sql << QStringLiteral("create or alter user %1 password '%2' using plugin Srp")
                       .arg(user, password(user));
        db_.exec(sql);
        QStringList grants;
        for (const auto& row : rows("select trim(rdb$relation_name) from rdb$relations "
                                    "where rdb$system_flag = 0"))
            grants << QStringLiteral("grant all on %1 to public").arg(row.toString());
        for (const auto& row : rows("select trim(rdb$generator_name) from rdb$generators "
                                    "where rdb$system_flag = 0"))
            grants << QStringLiteral("grant usage on generator %1 to public").arg(row.toString());
        db_.exec(grants);
    }
    ~StaffLogins() {
        try {
            QStringList sql;
            for (const QString& user : users_)
                sql << QStringLiteral("drop user %1 using plugin Srp").arg(user);
            db_.exec(sql);
        } catch (const std::exception&) {
            // The server's security database goes with the server at the end of the run.
        }
    }
    static QString password(const QString& user) { return user.toLower() + "-7"; }

private:
    QList<QVariant> rows(const char* sql) const {
        auto c = db_.connect();
        db::Transaction tr(*c, db::kReadOnlySnapshot);
        QList<QVariant> values;
        for (const auto& row : db::queryRows(tr, QString::fromLatin1(sql))) values << row.at(0);
        return values;
    }
    const ServerDatabase& db_;
    const QStringList users_ = {"ORLOVA", "LEBEDEV"};
};

class ServerChangeLogTest : public ::testing::Test {
protected:
    void SetUp() override { data::clock::setToday(QDate(2026, 12, 9)); }
    void TearDown() override { data::clock::setToday({}); }
    ScriptedDialogs dialogs_;
};

// One person saves in the program, another changes a record with isql-fb at another
// workstation: each change is logged under its own login and its own process.
TEST_F(ServerChangeLogTest, EachWorkstationsChangesAreLoggedUnderItsOwnLoginAndAddress) {
    ServerDatabase db(kRecords);
    StaffLogins staff(db);

    QTemporaryDir dir;
    QFile ini(dir.filePath("Reg.INI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[options]\nDBPath=%1\nDBUser=ORLOVA\nDBRole=\n")
                  .arg(db.name())
                  .toUtf8());
    ini.close();
    dialogs_.logins.push_back(Login{"ORLOVA", StaffLogins::password("ORLOVA")});
    {
        app::Application program;
        program.mainWindow->setRegIniPath(dir.filePath("Reg.INI"));
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
        program.labData->session.investigationKey = 1;
        ResearchCard& card = *program.researchCard;
        card.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
        testing_support::typeText(card.surnameEdit, QStringLiteral("Иванова"));
        card.saveButton->click();
        ASSERT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join(" | ").toStdString();
        card.exitButton->click();
    }

    QProcess isql;
    isql.start(QStringLiteral("isql-fb"),
               {"-q", "-ch", "UTF8", "-user", "LEBEDEV", "-password",
                StaffLogins::password("LEBEDEV"), db.name()});
    ASSERT_TRUE(isql.waitForStarted());
    isql.write("update ISSLED set NOM = 42 where N_ISSLED = 2;\ncommit;\n");
    isql.closeWriteChannel();
    ASSERT_TRUE(isql.waitForFinished(60000));
    ASSERT_EQ(isql.exitCode(), 0) << isql.readAllStandardError().toStdString();

    auto c = db.connect();
    db::Transaction tr(*c, db::kReadOnlySnapshot);
    const auto logged = db::queryRows(
        tr, "select N_ISSLED, FIELD_NAME, NEW_VALUE, USER_NAME, WORKSTATION from CHANGE_LOG "
            "where OPERATION = 'U' order by N_LOG");
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0][0].toInt(), 1);
    EXPECT_EQ(logged[0][1].toString().trimmed(), "FAM");
    EXPECT_EQ(logged[0][2].toString(), QStringLiteral("Иванова"));
    EXPECT_EQ(logged[0][3].toString().trimmed(), "ORLOVA");
    // The address the server knows (with the client's port), the process and its number.
    const QString programAt = logged[0][4].toString();
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_TRUE(programAt.startsWith("127.0.0.1/")) << programAt.toStdString();
    EXPECT_TRUE(programAt.contains(program)) << programAt.toStdString();
    EXPECT_TRUE(programAt.endsWith(QStringLiteral("(%1)").arg(QCoreApplication::applicationPid())))
        << programAt.toStdString();

    EXPECT_EQ(logged[1][0].toInt(), 2);
    EXPECT_EQ(logged[1][1].toString().trimmed(), "NOM");
    EXPECT_EQ(logged[1][2].toString(), "42");
    EXPECT_EQ(logged[1][3].toString().trimmed(), "LEBEDEV");
    const QString isqlAt = logged[1][4].toString();
    EXPECT_TRUE(isqlAt.startsWith("127.0.0.1/")) << isqlAt.toStdString();
    EXPECT_TRUE(isqlAt.contains("isql")) << isqlAt.toStdString();
    EXPECT_NE(isqlAt, programAt);

    // Nobody rewrites the log, the server's administrator neither.
    EXPECT_THROW(db.exec({"delete from CHANGE_LOG"}), db::DbError);
}

// A server's database of the version before the log: the administrator's login comes from the
// environment, as isql's and gbak's do.
TEST_F(ServerChangeLogTest, UpgradeWorksOnAServersDatabaseWithTheAdministratorsLogin) {
    ServerDatabase db(kRecords);
    db.exec({"drop trigger ISSLED_LOG", "drop trigger LAB_ISSL_BOL_LOG",
             "drop trigger CHANGE_LOG_APPEND_ONLY", "drop trigger CHANGE_LOG_DELETED_APPEND_ONLY",
             "drop procedure LOG_CHANGE", "drop function CHANGE_LOG_DATE", "drop table CHANGE_LOG",
             "drop table CHANGE_LOG_DELETED",
             "drop exception E_CHANGE_LOG_APPEND_ONLY", "drop generator GEN_CHANGE_LOG_ID"});
    const auto upgrade = [&](const QString& password, QString* output) {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ISC_USER", "SYSDBA");
        environment.insert("ISC_PASSWORD", password);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(LABJOURNAL_DB), {"upgrade", db.name()});
        tool.waitForFinished(120000);
        *output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        return tool.exitCode();
    };
    QString output;
    EXPECT_EQ(upgrade("wrong", &output), 1);
    EXPECT_TRUE(output.startsWith(QStringLiteral("Ошибка: "))) << output.toStdString();
    EXPECT_EQ(db.scalar("select count(*) from rdb$relations where rdb$relation_name = "
                        "'CHANGE_LOG'")
                  .toInt(),
              0);

    ASSERT_EQ(upgrade(TestServer::instance().password, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("обновлена"))) << output.toStdString();
    db.exec({"update ISSLED set FAM = 'Сидоров' where N_ISSLED = 2"});
    EXPECT_EQ(db.scalar("select NEW_VALUE from CHANGE_LOG where FIELD_NAME = 'FAM'").toString(),
              QStringLiteral("Сидоров"));
    ASSERT_EQ(upgrade(TestServer::instance().password, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("ничего не изменено"))) << output.toStdString();
}

}  // namespace
