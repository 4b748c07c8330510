#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "db/firebird.h"

namespace {

int run(const QStringList& args, QString* output = nullptr) {
    QProcess p;
    p.start(QStringLiteral(LABJOURNAL_DB), args);
    p.waitForFinished(120000);
    if (output) *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode();
}

std::vector<QVector<QVariant>> rows(const QString& path, const QString& sql) {
    db::Connection c;
    c.setDatabaseName(path);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    c.open();
    db::Transaction tr(c, {"read", "concurrency"});
    auto r = db::queryRows(tr, sql);
    tr.commit();
    return r;
}

TEST(LabjournalDb, NewDatabaseHasOneRequisitesRowToFillIn) {
    QTemporaryDir dir;
    const QString path = dir.filePath("new.fdb");
    ASSERT_EQ(run({"create", path}), 0);
    EXPECT_EQ(rows(path, "select count(*), max(COD) from RECV_ST").at(0).at(0).toInt(), 1);
    EXPECT_EQ(rows(path, "select count(*) from ISSLED").at(0).at(0).toInt(), 0);
    QString output;
    EXPECT_EQ(run({"create", path}, &output), 1) << "an existing file is never overwritten";
    EXPECT_TRUE(output.contains(QStringLiteral("уже существует")));
    EXPECT_EQ(run({"create"}), 2);
}

TEST(LabjournalDb, DemoHasDirectoriesInvestigationsAndARegister) {
    QTemporaryDir dir;
    const QString path = dir.filePath("demo.fdb");
    ASSERT_EQ(run({"create", "--demo", path}), 0);
    EXPECT_EQ(rows(path, "select count(*) from SP_TARVIK").at(0).at(0).toInt(), 10);
    EXPECT_TRUE(rows(path, "select NAME from SP_TARVIK where N_LISSL = 1")
                    .at(0)
                    .at(0)
                    .toString()
                    .contains("ВИЧ"));
    EXPECT_GE(rows(path, "select count(*) from ISSLED").at(0).at(0).toInt(), 300);
    EXPECT_GT(rows(path, "select count(*) from LAB_ISSL_BOL where RESULT is not null")
                  .at(0)
                  .at(0)
                  .toInt(),
              300);
    EXPECT_GT(rows(path, "select count(*) from ISSLED where DAT_ISSLED = current_date")
                  .at(0)
                  .at(0)
                  .toInt(),
              0);
    for (const char* table : {"SP_LPU", "SP_OTD", "SP_VR", "SP_MS", "SP_IST_FIN", "SP_GOS",
                              "SP_TER", "SP_RAION", "SP_KONTINGENT", "LAB_ISSL_PRIZ"})
        EXPECT_GT(
            rows(path, QStringLiteral("select count(*) from %1").arg(table)).at(0).at(0).toInt(), 0)
            << table;
    EXPECT_GT(rows(path, "select count(*) from SP_PRIZ_LAB_ISSL where NORMA_TIME > 0")
                  .at(0)
                  .at(0)
                  .toInt(),
              0);

    // A new row draws a key after the demo's own.
    EXPECT_EQ(rows(path, "select gen_id(GEN_ISSLED_ID, 0) - max(N_ISSLED) from ISSLED")
                  .at(0)
                  .at(0)
                  .toInt(),
              0);
    const QString registerPath =
        rows(path, "select PATH from SP_LPU where PATH is not null").at(0).at(0).toString();
    ASSERT_TRUE(QFileInfo::exists(registerPath));
    EXPECT_GT(rows(registerPath, "select count(*) from karta").at(0).at(0).toInt(), 0);
    EXPECT_GT(
        rows(path, "select count(*) from ISSLED where COD_LPU = 1 and NOM between 1000 and 1059")
            .at(0)
            .at(0)
            .toInt(),
        0)
        << "the register's patients are in the journal";
}

}  // namespace
