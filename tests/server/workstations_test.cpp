// Several workstations on one Firebird server: the login, two people saving one record, a
// record deleted under a card, the server killed in the middle of a save, and the transaction
// context over many saves.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#include "app/application.h"
#include "card/research_card.h"
#include "data/clock.h"
#include "data/lab_data.h"
#include "journal/journal_page.h"
#include "journal/main_window.h"
#include "server/test_server.h"
#include "server/workstation.h"
#include "support/scripted_dialogs.h"
#include "ui/data_aware.h"
#include "ui/db_grid.h"

using testing_support::Login;
using testing_support::ScriptedDialogs;
using testing_support::ServerDatabase;
using testing_support::TestServer;
using testing_support::Workstation;

namespace {

const QStringList kWorkstations = {
    "insert into RECV_ST (COD) values (1)",
    "insert into SP_LPU (COD_LPU, NAME) values (1, 'Амбулатория')",
    "insert into SP_LPU (COD_LPU, NAME) values (2, 'Поликлиника')",
    "insert into SP_TARVIK (N_LISSL, NAME, NPP) values (1, 'ИФА ВИЧ', 1)",
    "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (20, 'Антитела')",
    "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (21, 'КП')",
    "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 1, 20, 1)",
    "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (2, 1, 21, 2)",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA) values (1, 1, 1, "
    "'2026-12-09', 'Иванов', 'Иван')",
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, DAT_ISSLED, FAM, IMJA) values (2, 1, 1, "
    "'2026-12-09', 'Петров', 'Петр')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (1, 20, 1, 1)",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (2, 21, 1, 1)",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (3, 20, 1, 2)",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (4, 21, 1, 2)"};

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override { data::clock::setToday(QDate(2026, 12, 9)); }
    void TearDown() override { data::clock::setToday({}); }

    Login rightLogin() const { return Login{"SYSDBA", TestServer::instance().password}; }
    QString lastMessage() const {
        return dialogs_.messages.empty() ? QString() : dialogs_.messages.back().text;
    }

    ScriptedDialogs dialogs_;
};

// --- The login -------------------------------------------------------------------------------

TEST_F(ServerTest, AWrongPasswordShowsTheServersMessageAndTheProgramAsksAgain) {
    ServerDatabase db(kWorkstations);
    dialogs_.answers = {QMessageBox::Ok, QMessageBox::Ok};
    Workstation ws(db.name(), dialogs_,
                   {Login{"SYSDBA", "wrong"}, Login{"SYSDBA", "also wrong"}, rightLogin()});
    ASSERT_TRUE(ws.started);
    EXPECT_EQ(dialogs_.loginRequests.size(), 3u);
    ASSERT_GE(dialogs_.messages.size(), 2u);
    for (int i : {0, 1}) {
        const QString text = dialogs_.messages[size_t(i)].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Неверно введен пароль или имя пользователя.")))
            << text.toStdString();
        // The server's own words follow.
        EXPECT_TRUE(text.contains(QStringLiteral("user name and password"))) << text.toStdString();
    }
    EXPECT_TRUE(ws.labData().mainConnection.isOpen());
    EXPECT_TRUE(ws.labData().journal.isActive());
}

TEST_F(ServerTest, CancelAfterAWrongPasswordEndsTheProgramCleanly) {
    ServerDatabase db(kWorkstations);
    dialogs_.answers = {QMessageBox::Cancel};
    Workstation ws(db.name(), dialogs_, {Login{"SYSDBA", "wrong"}});
    EXPECT_FALSE(ws.started);
    EXPECT_FALSE(ws.labData().mainConnection.isOpen());
    EXPECT_EQ(dialogs_.loginRequests.size(), 1u);
}

// --- Two workstations, one record --------------------------------------------------------------

// Each round one workstation saves the record in its card and keeps it locked by another of its
// statements; the other one's save is refused at once and keeps what was typed; once the first
// commits, the other's second try writes everything.
TEST_F(ServerTest, TwoWorkstationsSavingOneRecordLoseNothingAndWriteNothingByHalves) {
    ServerDatabase db(kWorkstations);
    Workstation a(db.name(), dialogs_, {rightLogin()});
    Workstation b(db.name(), dialogs_, {rightLogin()});
    ASSERT_TRUE(a.started && b.started);
    dialogs_.messages.clear();
    auto checker = db.connect();
    db::Transaction reading(*checker, {db::Isolation::ReadCommitted, db::Access::ReadOnly});
    auto stored = [&] {
        const auto rows =
            db::queryRows(reading,
                          "select i.FAM, (select RESULT from LAB_ISSL_BOL where N_ISBOL = 1), "
                          "(select RESULT from LAB_ISSL_BOL where N_ISBOL = 2) from ISSLED i where "
                          "i.N_ISSLED = 1");
        return QStringList{rows.at(0).at(0).toString(), rows.at(0).at(1).toString(),
                           rows.at(0).at(2).toString()};
    };

    int lostEdits = 0, halfWritten = 0, refusedSlowly = 0;
    for (int round = 0; round < 100; ++round) {
        Workstation& first = round % 2 == 0 ? a : b;
        Workstation& second = round % 2 == 0 ? b : a;
        const QString firstName = QStringLiteral("Первый%1").arg(round);
        const QString secondName = QStringLiteral("Второй%1").arg(round);
        const QStringList firstValues = {firstName, "+" + QString::number(round),
                                         "1," + QString::number(round)};
        const QStringList secondValues = {secondName, "-" + QString::number(round),
                                          "2," + QString::number(round)};

        first.openCard(1);
        second.openCard(1);
        first.typeSurname(firstName);
        first.typeResult(0, firstValues[1]);
        first.typeResult(1, firstValues[2]);
        first.save();
        ASSERT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
        // Another statement of the first workstation holds the record.
        db::executeSql(first.labData().writeTransaction,
                       "update ISSLED set NPP = NPP where N_ISSLED = 1");

        second.typeSurname(secondName);
        second.typeResult(0, secondValues[1]);
        second.typeResult(1, secondValues[2]);
        QElapsedTimer refusal;
        refusal.start();
        second.save();
        if (refusal.elapsed() > 3000) ++refusedSlowly;
        ASSERT_EQ(dialogs_.messages.size(), 1u) << "round " << round;
        EXPECT_TRUE(lastMessage().startsWith(
            QStringLiteral("Запись изменяется на другой рабочей станции.")))
            << lastMessage().toStdString();
        dialogs_.messages.clear();
        // The refused save wrote nothing and the second user's typing is still there.
        const QStringList afterRefusal = stored();
        if (afterRefusal != firstValues) {
            if (afterRefusal[0] == firstName || afterRefusal[1] == firstValues[1] ||
                afterRefusal[2] == firstValues[2])
                ++halfWritten;
            else
                ++lostEdits;
        }
        if (second.card().surnameEdit->text() != secondName ||
            second.shownResult(0) != secondValues[1] || second.shownResult(1) != secondValues[2])
            ++lostEdits;

        first.labData().writeTransaction.commitWork();
        second.save();
        ASSERT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
        const QStringList afterRetry = stored();
        if (afterRetry != secondValues) {
            if (afterRetry[0] == secondName || afterRetry[1] == secondValues[1] ||
                afterRetry[2] == secondValues[2])
                ++halfWritten;
            else
                ++lostEdits;
        }
        first.closeCard();
        second.closeCard();
        ASSERT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
    }
    EXPECT_EQ(lostEdits, 0);
    EXPECT_EQ(halfWritten, 0);
    EXPECT_EQ(refusedSlowly, 0);
    // The other record was never touched.
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 2").toString(),
              QStringLiteral("Петров"));
}

TEST_F(ServerTest, SavingARecordDeletedAtAnotherWorkstationIsAnErrorNotASuccess) {
    ServerDatabase db(kWorkstations);
    Workstation ws(db.name(), dialogs_, {rightLogin()});
    ASSERT_TRUE(ws.started);
    dialogs_.messages.clear();
    ws.openCard(2);
    ws.typeSurname(QStringLiteral("Сидоров"));
    ws.typeResult(0, QStringLiteral("отр"));
    db.exec(
        {"delete from LAB_ISSL_BOL where N_ISSLED = 2", "delete from ISSLED where N_ISSLED = 2"});
    ws.save();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Запись не сохранена")))
        << "the missing row, not a lock: " << lastMessage().toStdString();
    EXPECT_EQ(db.scalar("select count(*) from ISSLED where N_ISSLED = 2").toInt(), 0);
    EXPECT_EQ(db.scalar("select count(*) from LAB_ISSL_BOL where N_ISSLED = 2").toInt(), 0);
    EXPECT_EQ(ws.card().surnameEdit->text(), QStringLiteral("Сидоров"));
    dialogs_.messages.clear();
    dialogs_.answers.push_back(QMessageBox::No);
    ws.card().cancelButton->click();
}

// --- The server killed in the middle of a save ---------------------------------------------------

TEST_F(ServerTest, ASaveCutShortByAServerCrashWritesNothingKeepsTheTypingAndSucceedsLater) {
    // Each result row takes the server a few seconds to update, so the crash falls inside
    // the save.
    ServerDatabase db(kWorkstations);
    db.exec(
        {"create trigger SLOW_RESULTS for LAB_ISSL_BOL before update as declare i integer = "
         "0; begin while (i < 40000000) do i = i + 1; end"});
    Workstation ws(db.name(), dialogs_, {rightLogin()});
    ASSERT_TRUE(ws.started);
    dialogs_.messages.clear();
    ws.openCard(1);
    ws.typeSurname(QStringLiteral("Кузнецов"));
    ws.typeResult(0, QStringLiteral("положительно"));

    std::thread crash([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        TestServer::instance().crash();
    });
    ws.save();
    crash.join();

    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Нет соединения с сервером базы данных.")))
        << lastMessage().toStdString();
    EXPECT_EQ(ws.card().surnameEdit->text(), QStringLiteral("Кузнецов"));
    EXPECT_EQ(ws.shownResult(0), QStringLiteral("положительно"));
    EXPECT_TRUE(ws.labData().mainConnection.isLost());

    // A save while the server is still down says so again and keeps the typing.
    dialogs_.messages.clear();
    ws.save();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Нет соединения с сервером базы данных.")))
        << lastMessage().toStdString();
    EXPECT_EQ(ws.card().surnameEdit->text(), QStringLiteral("Кузнецов"));

    TestServer::instance().restart();
    // None of the save reached the database.
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванов"));
    EXPECT_TRUE(db.scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 1").isNull());
    db.exec({"drop trigger SLOW_RESULTS"});

    // The next save attaches again with the same login, without asking, and writes it all.
    const size_t loginsBefore = dialogs_.loginRequests.size();
    dialogs_.messages.clear();
    ws.save();
    EXPECT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
    EXPECT_EQ(dialogs_.loginRequests.size(), loginsBefore);
    EXPECT_FALSE(ws.labData().mainConnection.isLost());
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Кузнецов"));
    EXPECT_EQ(db.scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 1").toString(),
              QStringLiteral("положительно"));
    ws.closeCard();
    EXPECT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
}

// The administrator shuts the database down (gfix -shut single -force 0) while a workstation is
// attached: its next save says the connection is lost and keeps the typing; once the database
// is online again, the next save goes through.
TEST_F(ServerTest, ADatabaseShutDownByItsAdministratorLosesNothingTypedAndSavesOnceOnline) {
    ServerDatabase db(kWorkstations);
    Workstation ws(db.name(), dialogs_, {rightLogin()});
    ASSERT_TRUE(ws.started);
    dialogs_.messages.clear();
    ws.openCard(1);
    ws.typeSurname(QStringLiteral("Кузнецов"));
    ws.typeResult(0, QStringLiteral("положительно"));

    const auto gfix = [&](const QStringList& mode) {
        QProcess tool;
        tool.start(QStringLiteral("gfix"), mode + QStringList{"-user", "SYSDBA", "-password",
                                                               TestServer::instance().password,
                                                               db.name()});
        if (!tool.waitForFinished(60000)) return QStringLiteral("gfix did not finish");
        return tool.exitCode() == 0 ? QString()
                                    : QString::fromLocal8Bit(tool.readAllStandardError());
    };
    ASSERT_EQ(gfix({"-shut", "single", "-force", "0"}), QString());
    ws.save();
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_TRUE(lastMessage().startsWith(QStringLiteral("Нет соединения с сервером базы данных.")))
        << lastMessage().toStdString();
    EXPECT_EQ(ws.card().surnameEdit->text(), QStringLiteral("Кузнецов"));
    EXPECT_EQ(ws.shownResult(0), QStringLiteral("положительно"));

    ASSERT_EQ(gfix({"-online"}), QString());
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Иванов"))
        << "nothing of the cut save reached the database";
    dialogs_.messages.clear();
    ws.save();
    EXPECT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
    EXPECT_EQ(db.scalar("select FAM from ISSLED where N_ISSLED = 1").toString(),
              QStringLiteral("Кузнецов"));
    EXPECT_EQ(db.scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 1").toString(),
              QStringLiteral("положительно"));
    ws.closeCard();
}

// --- The transaction context over a day of saves ------------------------------------------------

// The header's counters, as gstat -h shows them: the next transaction against the oldest active
// one and the oldest snapshot. A commit retaining moves the oldest active on but keeps the first
// snapshot, which holds back the collection of old record versions.
qint64 transactionGap(ServerDatabase& db) {
    auto c = db.connect();
    db::Transaction tr(*c, {db::Isolation::ReadCommitted, db::Access::ReadOnly});
    const auto rows = db::queryRows(
        tr,
        "select MON$NEXT_TRANSACTION - minvalue(MON$OLDEST_ACTIVE, MON$OLDEST_SNAPSHOT) "
        "from MON$DATABASE");
    tr.commit();
    return rows.at(0).at(0).toLongLong();
}

TEST_F(ServerTest, ManySavesKeepTheTransactionGapSmall) {
    ServerDatabase db(kWorkstations);
    Workstation ws(db.name(), dialogs_, {rightLogin()});
    ASSERT_TRUE(ws.started);
    dialogs_.messages.clear();
    ws.openCard(1);
    for (int i = 0; i < 1000; ++i) {
        ws.typeResult(0, QString::number(i));
        ws.save();
        ASSERT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
    }
    EXPECT_LT(transactionGap(db), 20);
    EXPECT_EQ(db.scalar("select RESULT from LAB_ISSL_BOL where N_ISBOL = 1").toString(),
              QStringLiteral("999"));
    ws.closeCard();
}

TEST_F(ServerTest, BrowsingTheInstitutionsWhileOthersSaveKeepsTheTransactionGapSmall) {
    ServerDatabase db(kWorkstations);
    Workstation ws(db.name(), dialogs_, {rightLogin()});
    ASSERT_TRUE(ws.started);
    dialogs_.messages.clear();
    JournalPage& page = *ws.app->mainWindow->journalPage;
    for (int i = 0; i < 300; ++i) {
        // Another workstation saves; this one only goes from one institution to the other.
        db.exec({QStringLiteral("update ISSLED set NPP = %1 where N_ISSLED = 2").arg(i)});
        QTest::keyClick(page.institutionGrid, i % 2 == 0 ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(ws.labData().journal.param("cod_lpu1").toInt(), i % 2 == 0 ? 2 : 1);
        ASSERT_TRUE(dialogs_.messages.empty()) << lastMessage().toStdString();
    }
    EXPECT_LT(transactionGap(db), 20);
    EXPECT_EQ(ws.labData().journal.recordCount(), 2);
}

}  // namespace
