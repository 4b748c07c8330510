#include <gtest/gtest.h>

#include "data/schema.h"
#include "support/temp_database.h"

using testing_support::TempDatabase;

namespace {

TEST(Schema, HasTheSeventeenTablesAndTheGenerators) {
    TempDatabase db;
    EXPECT_EQ(db.scalar("select count(*) from rdb$relations where rdb$system_flag = 0").toInt(),
              17);
    for (const char* g :
         {"GEN_ISSLED_ID", "GEN_SP_TARVIK_ID", "GEN_SP_PRIZ_LAB_ISSL_ID", "GEN_LAB_ISSL_PRIZ_ID",
          "GEN_SP_LPU_ID", "GEN_SP_OTD_ID", "GEN_SP_VR_ID", "GEN_SP_MS_ID", "GEN_SP_IST_FIN_ID",
          "GEN_CHANGE_LOG_ID"}) {
        EXPECT_EQ(db.scalar("select count(*) from rdb$generators where rdb$generator_name = :g",
                            {{"g", QString::fromLatin1(g)}})
                      .toInt(),
                  1)
            << g;
    }
    EXPECT_EQ(db.scalar("select rdb$character_set_name from rdb$database").toString().trimmed(),
              "WIN1251");
}

TEST(Schema, ResultRowWithoutKeyGetsOneFromTheDatabase) {
    TempDatabase db({"insert into ISSLED (N_ISSLED) values (1)",
                     "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED) values (5, 1, 1)",
                     "insert into LAB_ISSL_BOL (N_PRLAB, N_LISSL, N_ISSLED) values (6, 1, 1)",
                     "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_ISSLED) values (1000, 7, 1)"});
    const auto rows = db.rows("select N_ISBOL, N_PRLAB from LAB_ISSL_BOL order by N_PRLAB");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_GT(rows[0][0].toInt(), 0);
    EXPECT_NE(rows[0][0].toInt(), rows[1][0].toInt());
    EXPECT_EQ(rows[2][0].toInt(), 1000);  // a given key is kept
}

TEST(Schema, ResultsFollowTheirInvestigationOnDelete) {
    TempDatabase db({"insert into ISSLED (N_ISSLED) values (1)",
                     "insert into ISSLED (N_ISSLED) values (2)",
                     "insert into LAB_ISSL_BOL (N_PRLAB, N_ISSLED, RESULT) values (5, 1, 'отр')",
                     "insert into LAB_ISSL_BOL (N_PRLAB, N_ISSLED) values (6, 1)",
                     "insert into LAB_ISSL_BOL (N_PRLAB, N_ISSLED) values (6, 2)",
                     "delete from ISSLED where N_ISSLED = 1"});
    EXPECT_EQ(db.scalar("select count(*) from LAB_ISSL_BOL where N_ISSLED = 1").toInt(), 0);
    EXPECT_EQ(db.scalar("select count(*) from LAB_ISSL_BOL where N_ISSLED = 2").toInt(), 1);
}

TEST(Schema, ScriptSplitterHonoursTerminatorsQuotesAndComments) {
    const QStringList s = data::splitScript(
        "/* head; */ create table a (x varchar(5) default ';');\n"
        "-- note; still a comment\n"
        "SET TERM ^ ;\ncreate trigger t for a before insert as begin new.x = 'a;b'; end^\n"
        "SET TERM ; ^\nCOMMIT;");
    ASSERT_EQ(s.size(), 3);
    EXPECT_EQ(s[0], "create table a (x varchar(5) default ';')");
    EXPECT_EQ(s[1], "create trigger t for a before insert as begin new.x = 'a;b'; end");
    EXPECT_EQ(s[2], "COMMIT");
}

}  // namespace

namespace {

struct InUseCase {
    const char* deleteSql;
    const char* expectedWord;
};

TEST(Schema, DirectoryRowsInUseCannotBeDeleted) {
    TempDatabase db(
        {"insert into SP_TARVIK (N_LISSL, NAME) values (1, 'ИФА ВИЧ')",
         "insert into SP_TARVIK (N_LISSL, NAME) values (2, 'Состав')",
         "insert into SP_TARVIK (N_LISSL, NAME) values (3, 'Свободный')",
         "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (1, 'Антитела')",
         "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (2, 'Только результат')",
         "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (3, 'Свободный')",
         "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (1, 2, 1, 1)",
         "insert into SP_LPU (COD_LPU, NAME) values (1, 'Больница')",
         "insert into SP_OTD (COD_OTD, NAME) values (1, 'Терапия')",
         "insert into SP_VR (COD_VR, FIO) values (1, 'Петров')",
         "insert into SP_MS (COD_MS, FIO) values (1, 'Сидорова')",
         "insert into SP_IST_FIN (N_IFIN, NAME) values (1, 'ОМС')",
         "insert into ISSLED (N_ISSLED, N_LISSL, COD_LPU, COD_OTD, COD_VR, COD_MS, N_IFIN) "
         "values (1, 1, 1, 1, 1, 1, 1)",
         "insert into LAB_ISSL_BOL (N_ISSLED, N_PRLAB, N_LISSL) values (1, 2, 1)"});
    const InUseCase refused[] = {
        {"delete from SP_TARVIK where N_LISSL = 1", "исследования"},
        {"delete from SP_TARVIK where N_LISSL = 2", "составе"},
        {"delete from SP_PRIZ_LAB_ISSL where N_PRLAB = 1", "состав"},
        {"delete from SP_PRIZ_LAB_ISSL where N_PRLAB = 2", "результаты"},
        {"delete from SP_LPU where COD_LPU = 1", "Учреждение «Больница»"},
        {"delete from SP_OTD where COD_OTD = 1", "Отделение «Терапия»"},
        {"delete from SP_VR where COD_VR = 1", "Врача «Петров»"},
        {"delete from SP_MS where COD_MS = 1", "Лаборанта «Сидорова»"},
        {"delete from SP_IST_FIN where N_IFIN = 1", "Источник финансирования «ОМС»"},
    };
    for (const InUseCase& c : refused) {
        try {
            db.exec(QString::fromUtf8(c.deleteSql));
            ADD_FAILURE() << c.deleteSql << " was allowed";
        } catch (const db::DbError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.expectedWord)))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("нельзя удалить")));
            EXPECT_FALSE(e.message().contains("E_DIRECTORY_ROW_IN_USE"))
                << "only the refusal's own text";
        }
    }
    // Rows nobody uses go, and a deleted investigation frees its directory rows.
    EXPECT_NO_THROW(db.exec(QStringList{
        "delete from SP_TARVIK where N_LISSL = 3", "delete from SP_PRIZ_LAB_ISSL where N_PRLAB = 3",
        "delete from ISSLED", "delete from SP_LPU", "delete from SP_VR", "delete from SP_MS"}));
}

}  // namespace
