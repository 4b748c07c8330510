// The change log as the database keeps it, whoever writes: statements run here as any tool
// would run them.
#include <gtest/gtest.h>

#include <QThread>

#include "db/firebird.h"
#include "support/temp_database.h"

using testing_support::TempDatabase;

namespace {

// The log's rows without their numbers and times: operation, record, field, indicator, old, new.
QStringList logOf(const TempDatabase& db, const QString& where = QStringLiteral("1 = 1")) {
    QStringList lines;
    for (const auto& row : db.rows(
             "select OPERATION, N_ISSLED, coalesce(FIELD_NAME, '-'), coalesce(N_PRLAB, 0), "
             "coalesce(OLD_VALUE, '<null>'), coalesce(NEW_VALUE, '<null>') from CHANGE_LOG "
             "where " + where + " order by N_LOG")) {
        QStringList cells;
        for (const QVariant& v : row) cells << v.toString().trimmed();
        lines << cells.join(u' ');
    }
    return lines;
}

const QStringList kRecord = {
    "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, FAM, IMJA, DAT_R, NOM, POL) values (7, 1, 2, "
    "'Иванов', 'Иван', '2001-02-03', 15, 'М')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED, RESULT) values (1, 20, 1, 7, "
    "'отрицательно')",
    "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (2, 21, 1, 7)"};

TEST(ChangeLog, ARegistrationLogsEveryFilledColumnAndResult) {
    TempDatabase db(kRecord);
    EXPECT_EQ(logOf(db), (QStringList{"I 7 N_ISSLED 0 <null> 7", "I 7 N_LISSL 0 <null> 1",
                                      "I 7 COD_LPU 0 <null> 2", "I 7 NOM 0 <null> 15",
                                      "I 7 FAM 0 <null> Иванов", "I 7 IMJA 0 <null> Иван",
                                      "I 7 DAT_R 0 <null> 03.02.2001", "I 7 POL 0 <null> М",
                                      "I 7 - 20 <null> отрицательно"}))
        << "an empty result row holds nothing to log";
    const auto who = db.rows("select distinct USER_NAME, WORKSTATION, CHANGED_AT from CHANGE_LOG");
    ASSERT_EQ(who.size(), 1u) << "one transaction, one time";
    EXPECT_EQ(who[0][0].toString().trimmed(), "SYSDBA");
    EXPECT_EQ(who[0][1].toString(), QStringLiteral("встроенная"));
    EXPECT_LE(qAbs(who[0][2].toDateTime().secsTo(QDateTime::currentDateTime())), 120);
}

TEST(ChangeLog, AnUpdateLogsOnlyTheColumnsThatChange) {
    TempDatabase db(kRecord);
    const int before = db.scalar("select count(*) from CHANGE_LOG").toInt();
    // Every column written back as it is, texts and numbers alike: nothing to log.
    db.exec(QStringList{
        "update ISSLED set N_LISSL = N_LISSL, COD_LPU = 2, FAM = 'Иванов', IMJA = IMJA, "
        "DAT_R = '2001-02-03', NOM = 15, POL = 'М', OTCH = null where N_ISSLED = 7",
        "update LAB_ISSL_BOL set RESULT = RESULT where N_ISSLED = 7"});
    EXPECT_EQ(db.scalar("select count(*) from CHANGE_LOG").toInt(), before);

    // Three fields and two results in one transaction: five rows, one time.
    db.exec(QStringList{
        "update ISSLED set FAM = 'Петров', DAT_R = '2001-02-04', NOM = null, IMJA = 'Иван' "
        "where N_ISSLED = 7",
        "update LAB_ISSL_BOL set RESULT = 'положительно' where N_ISBOL = 1",
        "update LAB_ISSL_BOL set RESULT = '1,25' where N_ISBOL = 2"});
    EXPECT_EQ(logOf(db, QStringLiteral("OPERATION = 'U'")),
              (QStringList{"U 7 NOM 0 15 <null>", "U 7 FAM 0 Иванов Петров",
                           "U 7 DAT_R 0 03.02.2001 04.02.2001",
                           "U 7 - 20 отрицательно положительно", "U 7 - 21 <null> 1,25"}));
    EXPECT_EQ(db.scalar("select count(distinct CHANGED_AT) from CHANGE_LOG where OPERATION = 'U'")
                  .toInt(),
              1);

    // A result cleared, in a transaction of its own: its own time.
    db.exec(QStringList{"update LAB_ISSL_BOL set RESULT = null where N_ISBOL = 1"});
    EXPECT_EQ(logOf(db, QStringLiteral("OPERATION = 'U'")).last(),
              "U 7 - 20 положительно <null>");
    EXPECT_EQ(db.scalar("select count(distinct CHANGED_AT) from CHANGE_LOG where OPERATION = 'U'")
                  .toInt(),
              2);
}

TEST(ChangeLog, TransactionsCommittedRetainingGetATimeEach) {
    TempDatabase db(kRecord);
    auto c = db.connect();
    db::Transaction tr(*c, db::kReadCommitted);
    db::executeSql(tr, "update ISSLED set FAM = 'Первый' where N_ISSLED = 7");
    tr.commitRetaining();
    QThread::msleep(20);
    db::executeSql(tr, "update ISSLED set FAM = 'Второй' where N_ISSLED = 7");
    tr.commit();
    EXPECT_EQ(db.scalar("select count(distinct CHANGED_AT) from CHANGE_LOG where OPERATION = 'U'")
                  .toInt(),
              2);
}

TEST(ChangeLog, ADeletedInvestigationKeepsItsRowsAndLogsWhatItHeld) {
    TempDatabase db(kRecord);
    const QStringList registered = logOf(db);
    db.exec(QStringList{"delete from ISSLED where N_ISSLED = 7"});
    const QStringList after = logOf(db);
    ASSERT_GE(after.size(), registered.size());
    EXPECT_EQ(after.mid(0, registered.size()), registered);
    QStringList deleted = after.mid(registered.size());
    deleted.sort();
    EXPECT_EQ(deleted, (QStringList{"D 7 - 20 отрицательно <null>", "D 7 COD_LPU 0 2 <null>",
                                    "D 7 DAT_R 0 03.02.2001 <null>", "D 7 FAM 0 Иванов <null>",
                                    "D 7 IMJA 0 Иван <null>", "D 7 NOM 0 15 <null>",
                                    "D 7 N_ISSLED 0 7 <null>", "D 7 N_LISSL 0 1 <null>",
                                    "D 7 POL 0 М <null>"}));
    // The deletion is listed with its time, the time of its rows.
    EXPECT_EQ(db.rows("select d.N_ISSLED from CHANGE_LOG_DELETED d join CHANGE_LOG l on "
                      "l.N_ISSLED = d.N_ISSLED and l.CHANGED_AT = d.DELETED_AT and "
                      "l.OPERATION = 'D' and l.FIELD_NAME = 'N_ISSLED'")
                  .size(),
              1u);
}

TEST(ChangeLog, ItsRowsCannotBeChangedOrDeleted) {
    TempDatabase db(kRecord);
    db.exec(QStringList{"delete from ISSLED where N_ISSLED = 7"});
    const QStringList kept = logOf(db);
    for (const QString& sql : {QStringLiteral("update CHANGE_LOG set NEW_VALUE = 'Сидоров'"),
                               QStringLiteral("delete from CHANGE_LOG"),
                               QStringLiteral("update CHANGE_LOG_DELETED set N_ISSLED = 8"),
                               QStringLiteral("delete from CHANGE_LOG_DELETED")}) {
        try {
            db.exec(QStringList{sql});
            ADD_FAILURE() << "allowed: " << sql.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.message().contains(
                QStringLiteral("Записи журнала изменений нельзя изменять и удалять.")))
                << e.message().toStdString();
        }
    }
    EXPECT_EQ(logOf(db), kept);
    EXPECT_EQ(db.scalar("select count(*) from CHANGE_LOG_DELETED where N_ISSLED = 7").toInt(), 1);
}

TEST(ChangeLog, AResultMovedToAnotherIndicatorLogsWhatWentAndWhatCame) {
    TempDatabase db(kRecord);
    db.exec(QStringList{"update LAB_ISSL_BOL set N_PRLAB = 22 where N_ISBOL = 1"});
    EXPECT_EQ(logOf(db, QStringLiteral("OPERATION = 'U'")),
              (QStringList{"U 7 - 20 отрицательно <null>", "U 7 - 22 <null> отрицательно"}));
}

}  // namespace
