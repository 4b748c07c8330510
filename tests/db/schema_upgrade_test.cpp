// Finding what a database lacks of the schema, and adding it in one transaction.
#include <gtest/gtest.h>

#include "data/schema.h"
#include "data/schema_upgrade.h"
#include "db/firebird.h"
#include "support/temp_database.h"

using testing_support::TempDatabase;

namespace {

QStringList lacksOf(const TempDatabase& db, const QString& schema = data::mainSchema()) {
    auto c = db.connect();
    db::Transaction tr(*c, db::kReadOnlySnapshot);
    QStringList lacks;
    for (const data::SchemaAddition& a : data::missingFromSchema(tr, schema))
        lacks << a.description;
    return lacks;
}

QStringList upgrade(const TempDatabase& db, const QString& schema) {
    auto c = db.connect();
    return data::upgradeSchema(*c, schema);
}

int count(const TempDatabase& db, const QString& sql) {
    return db.scalar(sql).toInt();
}

TEST(SchemaUpgrade, EveryStatementOfTheShippedSchemaIsCheckedAndANewDatabaseLacksNone) {
    TempDatabase db;
    EXPECT_EQ(lacksOf(db), QStringList());
}

TEST(SchemaUpgrade, TheVersionBeforeTheChangeLogLacksItsObjectsAndRights) {
    TempDatabase db{TempDatabase::BeforeChangeLog{}};
    const QStringList lacks = lacksOf(db);
    EXPECT_EQ(lacks.mid(0, 18),
              (QStringList{
                  "таблица CHANGE_LOG", "индекс IX_CHANGE_LOG_ISSLED", "таблица CHANGE_LOG_DELETED",
                  "индекс IX_CHANGE_LOG_DELETED_AT", "генератор GEN_CHANGE_LOG_ID",
                  "исключение E_CHANGE_LOG_APPEND_ONLY", "функция CHANGE_LOG_DATE",
                  "процедура LOG_CHANGE", "триггер ISSLED_LOG", "триггер LAB_ISSL_BOL_LOG",
                  "триггер CHANGE_LOG_APPEND_ONLY", "триггер CHANGE_LOG_DELETED_APPEND_ONLY",
                  "право INSERT на CHANGE_LOG для процедуры LOG_CHANGE",
                  "право INSERT на CHANGE_LOG_DELETED для процедуры LOG_CHANGE",
                  "право USAGE на GEN_CHANGE_LOG_ID для процедуры LOG_CHANGE",
                  "право EXECUTE на LOG_CHANGE для триггера ISSLED_LOG",
                  "право EXECUTE на LOG_CHANGE для триггера LAB_ISSL_BOL_LOG",
                  "право EXECUTE на CHANGE_LOG_DATE для триггера ISSLED_LOG"}));
    // It lacks the staff's role, which came later, too: the role and each of its rights.
    ASSERT_GT(lacks.size(), 19);
    EXPECT_EQ(lacks[18], QStringLiteral("роль LAB_USER"));
    for (const QString& right : lacks.mid(19))
        EXPECT_TRUE(right.startsWith(QStringLiteral("право ")) &&
                    right.endsWith(QStringLiteral(" для роли LAB_USER")))
            << right.toStdString();
    EXPECT_TRUE(lacks.contains(QStringLiteral("право SELECT на CHANGE_LOG для роли LAB_USER")));
}

// A later schema giving a table a new column and constraint: the table gets them, its rows stay.
TEST(SchemaUpgrade, ATableGetsTheColumnsAndConstraintsItLacks) {
    TempDatabase db({"insert into SP_GOS (COD_GOS, NAME, NOM) values (1, 'Россия', 643)"});
    const QString later = QStringLiteral(
        "CREATE TABLE SP_GOS (\n"
        "    COD_GOS INTEGER NOT NULL,\n"
        "    NAME    VARCHAR(55),\n"
        "    NOM     INTEGER,\n"
        "    OKSM    VARCHAR(3),\n"
        "    CONSTRAINT PK_SP_GOS PRIMARY KEY (COD_GOS),\n"
        "    CONSTRAINT UQ_SP_GOS_OKSM UNIQUE (OKSM)\n"
        ");\n"
        "CREATE INDEX IX_SP_GOS_NAME ON SP_GOS COMPUTED BY (UPPER(NAME));\n"
        "CREATE ROLE LAB_READER;\n"
        "GRANT SELECT, UPDATE ON SP_GOS TO ROLE LAB_READER;\n");
    EXPECT_EQ(lacksOf(db, later),
              (QStringList{"столбец SP_GOS.OKSM", "ограничение UQ_SP_GOS_OKSM таблицы SP_GOS",
                           "индекс IX_SP_GOS_NAME", "роль LAB_READER",
                           "право SELECT, UPDATE на SP_GOS для роли LAB_READER"}));
    EXPECT_EQ(upgrade(db, later).size(), 5);
    EXPECT_EQ(lacksOf(db, later), QStringList()) << "a second upgrade has nothing to add";
    EXPECT_EQ(db.rows("select COD_GOS, NAME, NOM, OKSM from SP_GOS").size(), 1u);
    EXPECT_EQ(db.scalar("select NAME from SP_GOS where OKSM is null").toString(),
              QStringLiteral("Россия"));
}

TEST(SchemaUpgrade, AStatementItCannotLookUpIsRefusedBeforeAnythingIsDone) {
    TempDatabase db;
    for (const QString& schema :
         {QStringLiteral("CREATE TABLE NEW_ONE (X INTEGER);\nUPDATE SP_GOS SET NOM = 1;"),
          QStringLiteral("CREATE TABLE SP_GOS (COD_GOS INTEGER, UNIQUE (COD_GOS));")}) {
        try {
            upgrade(db, schema);
            ADD_FAILURE() << "accepted: " << schema.toStdString();
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.message().startsWith(
                QStringLiteral("Обновление базы данных не умеет проверить предложение схемы")))
                << e.message().toStdString();
        }
    }
    EXPECT_EQ(count(db, "select count(*) from rdb$relations where rdb$relation_name = 'NEW_ONE'"),
              0);
}

TEST(SchemaUpgrade, AFailedAdditionLeavesNothingOfTheOthers) {
    TempDatabase db;
    const QString schema = QStringLiteral(
        "CREATE TABLE NEW_ONE (X INTEGER);\n"
        "CREATE GENERATOR GEN_NEW_ONE;\n"
        "SET TERM ^ ;\n"
        "CREATE TRIGGER NEW_ONE_BROKEN FOR NO_SUCH_TABLE ACTIVE BEFORE INSERT AS BEGIN END^\n"
        "SET TERM ; ^\n");
    try {
        upgrade(db, schema);
        ADD_FAILURE() << "a trigger on a missing table was added";
    } catch (const db::DbError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral(
            "Не удалось добавить: триггер NEW_ONE_BROKEN. База данных не изменена.\n")))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("NO_SUCH_TABLE")))
            << "the server's own words: " << e.message().toStdString();
    }
    EXPECT_EQ(count(db, "select count(*) from rdb$relations where rdb$relation_name = 'NEW_ONE'"),
              0);
    EXPECT_EQ(
        count(db, "select count(*) from rdb$generators where rdb$generator_name = 'GEN_NEW_ONE'"),
        0);
}

}  // namespace
