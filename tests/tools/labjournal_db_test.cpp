#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "card/research_card.h"
#include "data/lab_data.h"
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

// Runs DDL or PSQL as it stands, committed.
void execRaw(const QString& path, const QString& sql) {
    db::Connection c;
    c.setDatabaseName(path);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    c.open();
    db::Transaction tr(c, {"write", "concurrency", "wait"});
    tr.start();
    db::executeRaw(tr, sql);
    tr.commit();
}

double indexStatistics(const QString& path, const QString& index) {
    const auto r = rows(path, QStringLiteral("select rdb$statistics from rdb$indices "
                                             "where rdb$index_name = '%1'")
                                  .arg(QString(index).replace("'", "''")));
    return r.empty() ? -1 : r.at(0).at(0).toDouble();
}

// The plan isql-fb reports for a statement, markers in place of the :names. Indexes that a
// plan combines are listed in the order the optimizer took them, which says nothing about the
// work: they are sorted here.
QString planOf(const QString& path, QString sql) {
    sql.replace(QRegularExpression(":[A-Za-z_][A-Za-z_0-9]*"), "?");
    QProcess isql;
    isql.start("isql-fb", {"-q", "-user", "SYSDBA", "-ch", "WIN1251", path});
    isql.write(("SET PLANONLY ON;\n" + sql + ";\n").toLatin1());
    isql.closeWriteChannel();
    isql.waitForFinished(60000);
    QString plan = QString::fromLatin1(isql.readAllStandardOutput() + isql.readAllStandardError())
                       .simplified();
    static const QRegularExpression combined("INDEX \\(([^()]*)\\)");
    QString sorted;
    qsizetype from = 0;
    for (auto it = combined.globalMatch(plan); it.hasNext();) {
        const auto m = it.next();
        QStringList names = m.captured(1).split(", ");
        names.sort();
        sorted += plan.mid(from, m.capturedStart() - from) + "INDEX (" + names.join(", ") + ")";
        from = m.capturedEnd();
    }
    return sorted + plan.mid(from);
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

TEST(LabjournalDb, StatisticsRecomputesEveryIndexWhateverItsName) {
    QTemporaryDir dir;
    const QString path = dir.filePath("stats.fdb");
    ASSERT_EQ(run({"create", path}), 0);
    // Indexes built on empty tables, rows added afterwards as daily work adds them; one index
    // name that only a properly quoted identifier reaches.
    execRaw(path, "create index \"ix Odd \"\"name\"\"\" on ISSLED (COD_VR)");
    execRaw(path,
            "execute block as declare k integer = 1; begin while (k <= 400) do begin "
            "insert into ISSLED (N_ISSLED, COD_OTD, COD_VR) values (:k, mod(:k, 4) + 1, "
            "mod(:k, 8) + 1); k = k + 1; end end");
    struct Case {
        const char* index;
        double selectivity;  // 1 / distinct keys
    };
    const Case cases[] = {{"PK_ISSLED", 1.0 / 400},
                          {"IX_ISSLED_OTD", 1.0 / 4},
                          {"ix Odd \"name\"", 1.0 / 8},
                          {"IX_ISSLED_LPU_IN_USE", 1.0}};
    for (const Case& c : cases)
        EXPECT_EQ(indexStatistics(path, c.index), 0.0) << c.index << " before: never recomputed";

    QString output;
    ASSERT_EQ(run({"statistics", path}, &output), 0) << output.toStdString();
    for (const Case& c : cases)
        EXPECT_NEAR(indexStatistics(path, c.index), c.selectivity, 1e-6) << c.index;
    EXPECT_EQ(rows(path,
                   "select count(*) from rdb$indices where rdb$relation_name = 'ISSLED' "
                   "and coalesce(rdb$statistics, 0) = 0")
                  .at(0)
                  .at(0)
                  .toInt(),
              0)
        << "every index of a table with rows has its figure";

    EXPECT_EQ(run({"statistics", dir.filePath("missing.fdb")}, &output), 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing.fdb"))) << "nothing is created";
}

TEST(LabjournalDb, LargeRegisterDrawsNewKeysPastTheRowsItWrote) {
    QTemporaryDir dir;
    const QString path = dir.filePath("large.fdb");
    ASSERT_EQ(run({"create", "--large", "30", path}), 0);
    struct Case {
        const char* generator;
        const char* table;
        const char* key;
        const char* insert;  // a new row with the key :k, as a window writes it
    };
    const Case cases[] = {
        {"GEN_SP_LPU_ID", "SP_LPU", "COD_LPU",
         "insert into SP_LPU (COD_LPU, NAME) values (:k, 'Н')"},
        {"GEN_SP_OTD_ID", "SP_OTD", "COD_OTD",
         "insert into SP_OTD (COD_OTD, NAME) values (:k, 'Н')"},
        {"GEN_SP_VR_ID", "SP_VR", "COD_VR", "insert into SP_VR (COD_VR, FIO) values (:k, 'Н')"},
        {"GEN_SP_MS_ID", "SP_MS", "COD_MS", "insert into SP_MS (COD_MS, FIO) values (:k, 'Н')"},
        {"GEN_SP_IST_FIN_ID", "SP_IST_FIN", "N_IFIN",
         "insert into SP_IST_FIN (N_IFIN, NAME) values (:k, 'Н')"},
        {"GEN_SP_TARVIK_ID", "SP_TARVIK", "N_LISSL",
         "insert into SP_TARVIK (N_LISSL, NAME) values (:k, 'Н')"},
        {"GEN_SP_PRIZ_LAB_ISSL_ID", "SP_PRIZ_LAB_ISSL", "N_PRLAB",
         "insert into SP_PRIZ_LAB_ISSL (N_PRLAB, NAME) values (:k, 'Н')"},
        {"GEN_LAB_ISSL_PRIZ_ID", "LAB_ISSL_PRIZ", "N_LIPR",
         "insert into LAB_ISSL_PRIZ (N_LIPR, N_LISSL, N_PRLAB, NPP) values (:k, 1, 1, 99)"},
        {"GEN_ISSLED_ID", "ISSLED", "N_ISSLED", "insert into ISSLED (N_ISSLED) values (:k)"},
        {"GEN_LAB_ISSL_BOL_ID", "LAB_ISSL_BOL", "N_ISBOL",
         "insert into LAB_ISSL_BOL (N_ISBOL, N_PRLAB, N_LISSL, N_ISSLED) values (:k, 1, 1, 1)"},
    };
    db::Connection c;
    c.setDatabaseName(path);
    c.setParams({"lc_ctype=WIN1251", "user_name=SYSDBA"});
    c.open();
    for (const Case& k : cases) {
        db::Transaction tr(c, {"write", "concurrency", "wait"});
        tr.start();
        const int largest =
            db::queryRows(tr, QStringLiteral("select max(%1) from %2").arg(k.key, k.table))
                .at(0)
                .at(0)
                .toInt();
        EXPECT_GT(largest, 0) << k.table << " has rows";
        const qint64 next = tr.nextGeneratorValue(k.generator);
        EXPECT_GT(next, largest) << k.generator;
        EXPECT_NO_THROW(db::executeSql(tr, QString::fromUtf8(k.insert), {{"k", next}})) << k.table;
        tr.commit();
    }
}

// The statements the windows run, prepared on a register whose statistics are as its bulk load
// left them (zero) and on a copy whose statistics were recomputed: the index design leaves the
// optimizer one plan for each.
TEST(LabjournalDb, WindowStatementsPlanAlikeWithStaleOrRecomputedStatistics) {
    QTemporaryDir dir;
    const QString stale = dir.filePath("stale.fdb");
    const QString recomputed = dir.filePath("recomputed.fdb");
    ASSERT_EQ(run({"create", "--large", "2000", stale}), 0);
    ASSERT_TRUE(QFile::copy(stale, recomputed));
    ASSERT_EQ(run({"statistics", recomputed}), 0);
    ASSERT_EQ(indexStatistics(stale, "FK_LAB_ISSL_BOL_ISSLED"), 0.0);
    ASSERT_GT(indexStatistics(recomputed, "FK_LAB_ISSL_BOL_ISSLED"), 0.0);

    LabData labData;
    ResearchCard card(labData);
    const std::pair<const char*, QString> statements[] = {
        {"journal", labData.journal.sql()},      {"card", labData.card.sql()},
        {"results", card.results.sql()},         {"composition", labData.composition.sql()},
        {"norms", labData.indicatorNorms.sql()}, {"indicators", labData.indicators.sql()},
    };
    for (const auto& [name, sql] : statements) {
        const std::string plan = planOf(stale, sql).toStdString();
        EXPECT_EQ(plan.rfind("PLAN ", 0), 0u) << name << ": " << plan;
        EXPECT_EQ(plan, planOf(recomputed, sql).toStdString()) << name;
    }
    // One record's results come through the foreign key, ten rows, before any directory.
    EXPECT_TRUE(
        planOf(stale, card.results.sql()).contains("JOIN (LI INDEX (FK_LAB_ISSL_BOL_ISSLED), PR"))
        << planOf(stale, card.results.sql()).toStdString();
}

TEST(LabjournalDb, PatientRegisterHasNPatientsAndFindsDiagnosesByNumber) {
    QTemporaryDir dir;
    const QString path = dir.filePath("register.fdb");
    EXPECT_EQ(run({"create", "--register", "0", path}), 2);
    EXPECT_EQ(run({"create", "--register", path}), 2);
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_EQ(run({"create", "--register", "250", path}), 0);
    const auto numbers = rows(path, "select count(*), min(nom), max(nom) from karta");
    EXPECT_EQ(numbers.at(0).at(0).toInt(), 250);
    EXPECT_EQ(numbers.at(0).at(1).toInt(), 1);
    EXPECT_EQ(numbers.at(0).at(2).toInt(), 250);
    EXPECT_GT(rows(path, "select count(*) from diag_pacien").at(0).at(0).toInt(), 0);
    EXPECT_EQ(rows(path,
                   "select count(*) from karta where fam is null or vozr is null or pol is "
                   "null or uid is null")
                  .at(0)
                  .at(0)
                  .toInt(),
              0)
        << "every patient has what a copy takes";
    const QString plan = planOf(
        path, "Select d7.kod from diag_pacien d,diag7 d7 Where d.nom7=d7.nom7   and d.nom=:nom");
    EXPECT_TRUE(plan.contains("IX_DIAG_PACIEN_NOM")) << plan.toStdString();
    EXPECT_EQ(run({"create", "--register", "5", path}), 1) << "an existing file is kept";
}

}  // namespace
