#include <gtest/gtest.h>

#include "data/schema.h"
#include "support/temp_database.h"

using testing_support::TempDatabase;

namespace {

TEST(Schema, HasTheFifteenTablesAndTheGenerators) {
    TempDatabase db;
    EXPECT_EQ(db.scalar("select count(*) from rdb$relations where rdb$system_flag = 0").toInt(),
              15);
    for (const char* g :
         {"GEN_ISSLED_ID", "GEN_SP_TARVIK_ID", "GEN_SP_PRIZ_LAB_ISSL_ID", "GEN_LAB_ISSL_PRIZ_ID",
          "GEN_SP_LPU_ID", "GEN_SP_OTD_ID", "GEN_SP_VR_ID", "GEN_SP_MS_ID", "GEN_SP_IST_FIN_ID"}) {
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
