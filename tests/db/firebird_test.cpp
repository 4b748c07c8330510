#include <gtest/gtest.h>

#include <ibase.h>

#include <QElapsedTimer>

#include "db/errors.h"
#include "db/firebird.h"
#include "db/named_params.h"
#include "db/win1251.h"
#include "support/temp_database.h"

using testing_support::TempDatabase;

namespace {

// Each test gets a database of its own, made on first use: the tests write fixed keys.
std::unique_ptr<TempDatabase> current;

class FreshDatabaseForEachTest : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { current.reset(); }
};

const bool freshDatabases = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshDatabaseForEachTest);
    return true;
}();

TempDatabase& database() {
    if (!current)
        current = std::make_unique<TempDatabase>(
            QStringList{"insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница')"});
    return *current;
}

struct RewriteCase {
    const char* sql;
    const char* expected;
    QStringList names;
};

void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.sql; }

class NamedParams : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(NamedParams, RewritesOnlyRealParameters) {
    const RewriteCase& c = GetParam();
    const db::NamedSql out = db::rewriteNamedParams(QString::fromUtf8(c.sql));
    EXPECT_EQ(out.sql, QString::fromUtf8(c.expected));
    EXPECT_EQ(out.names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NamedParams,
    ::testing::Values(
        RewriteCase{"select * from t where a = :a", "select * from t where a = ?", {"A"}},
        RewriteCase{"update t set k = :K where k = :OLD_K",
                    "update t set k = ? where k = ?",
                    {"K", "OLD_K"}},
        RewriteCase{"where x between :d1 and :d1", "where x between ? and ?", {"D1", "D1"}},
        RewriteCase{"where a = ':not' and b = :b", "where a = ':not' and b = ?", {"B"}},
        RewriteCase{"where a = 'it''s :x' and b=:y", "where a = 'it''s :x' and b=?", {"Y"}},
        RewriteCase{"select \":q\" from t where c=:c", "select \":q\" from t where c=?", {"C"}},
        RewriteCase{"select 1 -- :comment\n from t where c=:c",
                    "select 1 -- :comment\n from t where c=?",
                    {"C"}},
        RewriteCase{"select /* :x 'y */ a from t where b=:b",
                    "select /* :x 'y */ a from t where b=?",
                    {"B"}},
        RewriteCase{"select cast(:d as date) from rdb$database",
                    "select cast(? as date) from rdb$database",
                    {"D"}},
        RewriteCase{"where name = 'Ёж' and n=:n_lissl1", "where name = 'Ёж' and n=?", {"N_LISSL1"}},
        RewriteCase{"select 1 from t where a = ':unterminated",
                    "select 1 from t where a = ':unterminated",
                    {}}));

TEST(Win1251, RoundTripThroughTheDatabaseKeepsYo) {
    auto c = database().connect();
    db::Transaction tr(*c);
    const auto rows = db::queryRows(tr, "select cast(:t as varchar(20)) from rdb$database",
                                    {{"t", QStringLiteral("Ёё Ежова №5")}});
    EXPECT_EQ(rows.at(0).at(0).toString(), QStringLiteral("Ёё Ежова №5"));
    tr.commit();
}

TEST(Win1251, CharacterOutsideTheCodePageIsAClearError) {
    auto c = database().connect();
    db::Transaction tr(*c);
    try {
        db::queryRows(tr, "select cast(:t as varchar(20)) from rdb$database",
                      {{"t", QStringLiteral("Иванов 中")}});
        FAIL() << "the character was sent";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Windows-1251"))) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("中"))) << e.what();
    }
}

TEST(Win1251, CaseTablesCoverCyrillic) {
    EXPECT_EQ(db::win1251::toUpper(QStringLiteral("ёжик abc")), QStringLiteral("ЁЖИК ABC"));
    EXPECT_EQ(db::win1251::toLower(QStringLiteral("ЁЖИК ABC")), QStringLiteral("ёжик abc"));
}

TEST(Numeric, NineTwoTravelsExactly) {
    database().exec(
        QStringList{"insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME, NORMA_TIME, NORMA_TIME_MS) "
                    "values (100, 'Точность', 0.10, 9999999.99)"});
    auto c = database().connect();
    db::Transaction tr(*c);
    db::executeSql(tr,
                   "update SP_PRIZ_LAB_ISSL set NORMA_TIME = NORMA_TIME + :d where N_PRLAB = 100",
                   {{"d", QVariant::fromValue(db::Decimal(20, 2))}});
    const auto rows = db::queryRows(tr,
                                    "select NORMA_TIME, NORMA_TIME_MS, NORMA_TIME * 3 from "
                                    "SP_PRIZ_LAB_ISSL where N_PRLAB = 100");
    EXPECT_EQ(rows.at(0).at(0).value<db::Decimal>().toString(), "0.30");
    EXPECT_EQ(rows.at(0).at(1).value<db::Decimal>().toString(), "9999999.99");
    EXPECT_EQ(rows.at(0).at(2).value<db::Decimal>(), db::Decimal(90, 2));
    tr.rollback();
}

TEST(Errors, CarryTheServerMessageSqlCodeGdsCodeAndSqlState) {
    auto c = database().connect();
    db::Transaction tr(*c);
    try {
        db::queryRows(tr, "selec * from SP_LPU");
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.sqlCode(), -104);
        EXPECT_EQ(e.gdsCode(), isc_dsql_error);
        EXPECT_EQ(e.sqlState(), QStringLiteral("42000"));
        EXPECT_TRUE(e.message().contains("Token unknown")) << e.what();
    }
    try {
        db::queryRows(tr, "select * from NO_SUCH_TABLE");
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.sqlCode(), -204);
        EXPECT_EQ(e.sqlState(), QStringLiteral("42S02"));
        EXPECT_TRUE(e.message().contains("NO_SUCH_TABLE")) << e.what();
    }
    try {
        db::executeSql(tr, "insert into SP_LPU (COD_LPU, NAME) values (1, 'Дубль')");
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("23000"));
    }
    // The program's own refusals never reached the server and have no state.
    try {
        db::Statement statement(tr, "select 1 from rdb$database");
        statement.setParam("NONE", 1);
        FAIL();
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.sqlState().isEmpty()) << e.sqlState().toStdString();
    }
}

// Status vectors as the client hands them over: clusters of an argument type and its value(s),
// a counted string taking two places. Only a code (isc_arg_gds) tells the kind, wherever it
// stands in the chain; a number or a string length that happens to equal a code does not.
struct FailureCase {
    const char* what;
    std::vector<ISC_STATUS> vector;
    db::FailureKind kind;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class FailureKinds : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureKinds, AreReadFromTheCodesOfTheStatusVector) {
    std::vector<ISC_STATUS> vector = GetParam().vector;
    // The second end stops, within the vector, a reader that takes a cluster for shorter than
    // it is.
    vector.insert(vector.end(), {isc_arg_end, isc_arg_end});
    EXPECT_EQ(db::detail::failureKind(vector.data()), GetParam().kind);
}

const ISC_STATUS kText = ISC_STATUS(static_cast<const void*>("PK_SP_VR"));

INSTANTIATE_TEST_SUITE_P(
    Errors, FailureKinds,
    ::testing::Values(
        FailureCase{"nothing", {}, db::FailureKind::Other},
        FailureCase{"lock conflict under nowait",
                    {isc_arg_gds, isc_lock_conflict, isc_arg_gds, isc_concurrent_transaction,
                     isc_arg_number, 42},
                    db::FailureKind::Conflict},
        FailureCase{"update conflict after the deadlock code",
                    {isc_arg_gds, isc_deadlock, isc_arg_gds, isc_update_conflict},
                    db::FailureKind::Conflict},
        FailureCase{"read error after a string argument",
                    {isc_arg_gds, isc_random, isc_arg_string, kText, isc_arg_gds,
                     isc_net_read_err},
                    db::FailureKind::ConnectionLost},
        FailureCase{"conflict after a counted string",
                    {isc_arg_gds, isc_random, isc_arg_cstring, 8, kText, isc_arg_gds,
                     isc_lock_conflict},
                    db::FailureKind::Conflict},
        FailureCase{"attachment shut down by the administrator",
                    {isc_arg_gds, isc_att_shutdown}, db::FailureKind::ConnectionLost},
        FailureCase{"database shut down, its name following",
                    {isc_arg_gds, isc_shutdown, isc_arg_string, kText},
                    db::FailureKind::ConnectionLost},
        FailureCase{"lost connection deep in the chain",
                    {isc_arg_gds, isc_dsql_error, isc_arg_gds, isc_dsql_command_err,
                     isc_arg_gds, isc_lost_db_connection},
                    db::FailureKind::ConnectionLost},
        FailureCase{"duplicate key", {isc_arg_gds, isc_unique_key_violation, isc_arg_string,
                                      kText, isc_arg_string, kText},
                    db::FailureKind::Other},
        FailureCase{"a number equal to the lock conflict code",
                    {isc_arg_gds, isc_random, isc_arg_number, isc_lock_conflict},
                    db::FailureKind::Other},
        FailureCase{"a counted string whose length equals the shutdown code",
                    {isc_arg_gds, isc_random, isc_arg_cstring, isc_shutdown, kText},
                    db::FailureKind::Other},
        FailureCase{"a code after an interpreted text",
                    {isc_arg_interpreted, kText, isc_arg_gds, isc_deadlock},
                    db::FailureKind::Conflict}));

TEST(Errors, WrongPathFailsOnAttach) {
    db::Connection c;
    c.setDatabaseName(database().folder() + "/missing.fdb");
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    EXPECT_THROW(c.open(), db::DbError);
    EXPECT_FALSE(c.isOpen());
}

// The database's words come in its Windows-1251, the system's in the locale's encoding (the
// suite runs under ru_RU.UTF-8), file names as the program passed them.
TEST(Errors, EachPartOfTheMessageReadsInItsOwnEncoding) {
    const QString missing = database().folder() + QStringLiteral("/Нет такой папки/база.fdb");
    db::Connection c;
    c.setDatabaseName(missing);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    try {
        c.open();
        FAIL() << "a missing file was opened";
    } catch (const db::DbError& e) {
        EXPECT_EQ(
            e.message().split(u'\n').value(0),
            QStringLiteral("I/O error during \"open\" operation for file \"%1\"").arg(missing));
        EXPECT_TRUE(e.message().endsWith(QStringLiteral("\n-Нет такого файла или каталога")))
            << e.message().toStdString();
        EXPECT_EQ(e.gdsCode(), isc_io_error);
    }
    auto attached = database().connect();
    db::Transaction tr(*attached);
    try {
        db::queryRows(tr, QStringLiteral("select cast('Сорок два' as integer) from rdb$database"));
        FAIL() << "a word was taken for a number";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("\"Сорок два\"")))
            << e.message().toStdString();
    }
}

TEST(Transactions, LockConflictUnderNowaitFailsAtOnce) {
    database().exec(QStringList{"insert into SP_VR (COD_VR, FIO) values (7, 'Петров')"});
    auto a = database().connect();
    auto b = database().connect();
    db::Transaction ta(*a, db::kReadCommitted);
    db::Transaction tb(*b, db::kReadCommitted);
    db::executeSql(ta, "update SP_VR set FIO = 'А' where COD_VR = 7");
    QElapsedTimer timer;
    timer.start();
    try {
        db::executeSql(tb, "update SP_VR set FIO = 'Б' where COD_VR = 7");
        FAIL() << "the second update did not collide";
    } catch (const db::DbError& e) {
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_TRUE(e.message().contains("lock conflict") || e.message().contains("deadlock"))
            << e.what();
        EXPECT_EQ(e.gdsCode(), isc_deadlock);
    }
    ta.rollback();
    tb.rollback();
}

TEST(Transactions, RetainingKeepsTheTransactionUsable) {
    auto c = database().connect();
    db::Transaction tr(*c);
    db::executeSql(tr, "insert into SP_MS (COD_MS, FIO) values (1, 'Сидорова')");
    tr.commitRetaining();
    ASSERT_TRUE(tr.isActive());
    EXPECT_EQ(database().scalar("select FIO from SP_MS where COD_MS = 1").toString(),
              QStringLiteral("Сидорова"));
    db::executeSql(tr, "insert into SP_MS (COD_MS, FIO) values (2, 'Временная')");
    tr.rollbackRetaining();
    ASSERT_TRUE(tr.isActive());
    EXPECT_TRUE(db::queryRows(tr, "select 1 from SP_MS where COD_MS = 2").empty());
    db::executeSql(tr, "insert into SP_MS (COD_MS, FIO) values (3, 'Третья')");
    tr.commit();
    EXPECT_FALSE(tr.isActive());
    EXPECT_EQ(database().scalar("select count(*) from SP_MS").toInt(), 2);
}

TEST(Transactions, ALockConflictIsToldAsAChangeAtAnotherWorkstation) {
    database().exec(QStringList{"insert into SP_VR (COD_VR, FIO) values (8, 'Петров')"});
    auto a = database().connect();
    auto b = database().connect();
    db::Transaction ta(*a);
    db::Transaction tb(*b);
    db::executeSql(ta, "update SP_VR set FIO = 'А' where COD_VR = 8");
    try {
        db::executeSql(tb, "update SP_VR set FIO = 'Б' where COD_VR = 8");
        FAIL() << "the second update did not collide";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.kind(), db::FailureKind::Conflict);
        EXPECT_TRUE(
            e.message().startsWith(QStringLiteral("Запись изменяется на другой рабочей станции.")))
            << e.what();
    }
    // The other kinds stay as the server says them.
    try {
        db::executeSql(tb, "insert into SP_VR (COD_VR, FIO) values (8, 'Дубль')");
        FAIL() << "a duplicate key was accepted";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.kind(), db::FailureKind::Other);
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("violation of PRIMARY"))) << e.what();
    }
}

// A commit at a save ends the transaction when nothing reads from it, and keeps an open cursor
// (commit retaining) when something does.
TEST(Transactions, CommitWorkEndsTheTransactionUnlessACursorIsOpen) {
    database().exec(QStringList{"insert into SP_MS (COD_MS, FIO) values (1, 'Первая')",
                                "insert into SP_MS (COD_MS, FIO) values (2, 'Вторая')"});
    auto c = database().connect();
    db::Transaction tr(*c);
    db::executeSql(tr, "update SP_MS set FIO = 'Первая!' where COD_MS = 1");
    tr.commitWork();
    EXPECT_FALSE(tr.isActive());
    EXPECT_EQ(tr.openCursors(), 0);

    db::Statement reading(tr, "select FIO from SP_MS order by COD_MS");
    db::Cursor cursor = reading.openCursor();
    EXPECT_EQ(tr.openCursors(), 1);
    QVector<QVariant> row;
    ASSERT_TRUE(cursor.fetch(row));
    db::executeSql(tr, "update SP_MS set FIO = 'Вторая!' where COD_MS = 2");
    tr.commitWork();
    EXPECT_TRUE(tr.isActive());
    ASSERT_TRUE(cursor.fetch(row));  // still readable
    EXPECT_FALSE(cursor.fetch(row));
    EXPECT_EQ(tr.openCursors(), 0);
    EXPECT_EQ(database().scalar("select FIO from SP_MS where COD_MS = 2").toString(),
              QStringLiteral("Вторая!"));
}

TEST(Transactions, ClosingTheConnectionRollsBackWhatIsRunning) {
    auto c = database().connect();
    db::Transaction tr(*c);
    db::executeSql(tr, "insert into SP_GOS (COD_GOS, NAME) values (99, 'Нигде')");
    c->close();
    EXPECT_FALSE(tr.isActive());
    EXPECT_EQ(database().scalar("select count(*) from SP_GOS where COD_GOS = 99").toInt(), 0);
}

TEST(Generators, DrawIncreasingValues) {
    auto c = database().connect();
    db::Transaction tr(*c);
    const qint64 first = tr.nextGeneratorValue("GEN_SP_VR_ID");
    EXPECT_EQ(tr.nextGeneratorValue("GEN_SP_VR_ID"), first + 1);
    EXPECT_THROW(tr.nextGeneratorValue("GEN_X; drop table SP_VR"), db::DbError);
}

TEST(Values, DatesNullsAndTextTypes) {
    auto c = database().connect();
    db::Transaction tr(*c);
    db::executeSql(
        tr, "insert into ISSLED (N_ISSLED, FAM, DAT_R, POL, VOZR) values (:n, :f, :d, :p, :v)",
        {{"n", 1},
         {"f", QStringLiteral("Ёлкина")},
         {"d", QDate(2000, 2, 29)},
         {"p", QStringLiteral("Ж")},
         {"v", QVariant()}});
    const auto rows = db::queryRows(
        tr, "select FAM, DAT_R, POL, VOZR, NOM from ISSLED where N_ISSLED = :n", {{"n", 1}});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].toString(), QStringLiteral("Ёлкина"));
    EXPECT_EQ(rows[0][1].toDate(), QDate(2000, 2, 29));
    EXPECT_EQ(rows[0][2].toString(), QStringLiteral("Ж"));
    EXPECT_TRUE(rows[0][3].isNull());
    EXPECT_TRUE(rows[0][4].isNull());
    tr.rollback();
}

TEST(Values, ParametersOfOtherTypesAreConvertedByTheServer) {
    auto c = database().connect();
    db::Transaction tr(*c);
    db::executeSql(tr, "insert into ISSLED (N_ISSLED, POL, NOM, DAT_R) values (50, :p, :n, :d)",
                   {{"p", QStringLiteral("Ж")},
                    {"n", QStringLiteral("123")},
                    {"d", QStringLiteral("2001-02-03")}});
    // CHAR(1) compared with a one-letter text, an integer column with a text and a number too big.
    EXPECT_EQ(
        db::queryRows(tr, "select NOM from ISSLED where POL = :p", {{"p", QStringLiteral("Ж")}})
            .size(),
        1u);
    EXPECT_EQ(db::queryRows(tr, "select DAT_R from ISSLED where NOM = :n", {{"n", 123}})
                  .at(0)
                  .at(0)
                  .toDate(),
              QDate(2001, 2, 3));
    EXPECT_THROW(db::queryRows(tr, "select 1 from ISSLED where NOM = :n", {{"n", 4294967419LL}}),
                 db::DbError)
        << "the server's own overflow error";
    db::executeSql(tr, "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NORMA_TIME) values (51, :t)",
                   {{"t", 3}});
    db::executeSql(tr, "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NORMA_TIME) values (52, :t)",
                   {{"t", QVariant::fromValue(db::Decimal(12345, 3))}});
    const auto norms = db::queryRows(
        tr, "select NORMA_TIME from SP_PRIZ_LAB_ISSL where N_PRLAB in (51, 52) order by 1");
    EXPECT_EQ(norms.at(0).at(0).value<db::Decimal>().toString(), "3.00");
    EXPECT_EQ(norms.at(1).at(0).value<db::Decimal>().toString(), "12.35");
    EXPECT_THROW(db::executeSql(tr, "update ISSLED set NOM = :n where N_ISSLED = 50",
                                {{"n", QStringLiteral("abc")}}),
                 db::DbError);
    tr.rollback();
}

TEST(Values, TooLongTextIsRefusedByTheServer) {
    auto c = database().connect();
    db::Transaction tr(*c);
    EXPECT_THROW(db::executeSql(tr, "update SP_LPU set NAME = :n where COD_LPU = 1",
                                {{"n", QString(60, u'я')}}),
                 db::DbError);
    tr.rollback();
}

}  // namespace
